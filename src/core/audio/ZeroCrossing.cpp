#include "core/audio/ZeroCrossing.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    // Nearest integer, halves away from zero, without overflowing on huge values.
    juce::int64 nearestFrame (double value, juce::int64 cap)
    {
        if (! (value > 0.0))
            return 0;
        if (value >= (double) cap)
            return cap;
        return (juce::int64) std::llround (value);
    }

    double frameSum (const juce::AudioBuffer<double>& buffer, int frame)
    {
        double sum = 0.0;
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            sum += buffer.getSample (ch, frame);
        return sum;
    }
} // namespace

juce::int64 findZeroCrossingNear (const juce::AudioBuffer<double>& buffer, double sampleRate, double seconds)
{
    const juce::int64 length = buffer.getNumSamples();
    if (! (sampleRate > 0.0) || ! (seconds > 0.0) || length <= 1)
        return 0;

    const juce::int64 d = std::min (nearestFrame (sampleRate * seconds, length), length - 1);
    if (d <= 0)
        return 0;

    const juce::int64 w = std::max<juce::int64> (nearestFrame (sampleRate * 0.02, length), 1);
    const juce::int64 first = std::max<juce::int64> (1, d - w);
    const juce::int64 last = std::min (d + w, length - 1);

    juce::int64 best = -1;
    double previous = frameSum (buffer, (int) first - 1);

    for (juce::int64 i = first; i <= last; ++i)
    {
        const double current = frameSum (buffer, (int) i);
        const bool crossing = current == 0.0 || (previous < 0.0 && current > 0.0) || (previous > 0.0 && current < 0.0);
        previous = current;

        if (! crossing)
            continue;

        // Scanning forwards, a later crossing wins only when strictly nearer.
        if (best < 0 || std::abs (i - d) < std::abs (best - d))
            best = i;
    }

    return best < 0 ? d : best;
}

} // namespace korvid
