#include "core/audio/LeadingSilence.h"

#include <cmath>

namespace korvid
{

double leadingSilenceSeconds (const juce::AudioBuffer<double>& buffer, double sampleRate, float threshold)
{
    const int numFrames = buffer.getNumSamples();
    if (! (sampleRate > 0.0) || numFrames <= 0 || buffer.getNumChannels() <= 0)
        return 0.0;

    // The first loud frame over all channels: each channel only needs to be
    // searched up to the earliest one found so far.
    int first = numFrames;
    const double level = (double) threshold;

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        const double* x = buffer.getReadPointer (ch);
        for (int i = 0; i < first; ++i)
        {
            if (std::abs (x[i]) > level)
            {
                first = i;
                break;
            }
        }
    }

    return (double) first / sampleRate;
}

} // namespace korvid
