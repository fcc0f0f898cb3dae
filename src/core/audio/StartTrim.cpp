#include "core/audio/StartTrim.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korvid
{

void trimBufferStart (juce::AudioBuffer<double>& buffer, juce::int64 frames, double sampleRate)
{
    const juce::int64 length = buffer.getNumSamples();
    if (frames < 1 || length <= 0 || frames >= length)
        return;

    const int cut = (int) frames;
    const int newLength = (int) (length - frames);

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        double* x = buffer.getWritePointer (ch);
        std::memmove (x, x + cut, (size_t) newLength * sizeof (double));
    }

    buffer.setSize (buffer.getNumChannels(), newLength, true, false, true);

    const double fadeFrames = sampleRate * 0.005;
    const juce::int64 wanted = fadeFrames > 0.0 ? (juce::int64) std::llround (std::min (fadeFrames, 1.0e12)) : 0;
    const int n = (int) std::min<juce::int64> (wanted, newLength);
    if (n < 2)
        return;

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        double* x = buffer.getWritePointer (ch);
        for (int j = 0; j < n; ++j)
            x[j] *= (double) j / (double) (n - 1);
    }
}

} // namespace korvid
