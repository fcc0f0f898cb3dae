#include "core/audio/PeakLevels.h"

#include "core/audio/TruePeak.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr int blockFrames = 65536;
} // namespace

double samplePeak (const juce::AudioBuffer<double>& buffer, const CancelTest& shouldCancel)
{
    const int numFrames = buffer.getNumSamples();
    double peak = 0.0;

    for (int start = 0; start < numFrames; start += blockFrames)
    {
        if (start > 0 && isCancelled (shouldCancel))
            break;

        const int count = std::min (blockFrames, numFrames - start);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        {
            const double* x = buffer.getReadPointer (ch, start);
            for (int i = 0; i < count; ++i)
                peak = std::max (peak, std::abs (x[i]));
        }
    }

    return peak;
}

PeakLevels measurePeaks (const juce::AudioBuffer<double>& buffer,
                         bool measureTruePeak,
                         int oversampling,
                         const CancelTest& shouldCancel)
{
    PeakLevels levels;
    levels.samplePeak = samplePeak (buffer, shouldCancel);
    levels.truePeak = levels.samplePeak;

    if (measureTruePeak && levels.samplePeak > 0.0)
    {
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        {
            if (isCancelled (shouldCancel))
                break;

            levels.truePeak = std::max (levels.truePeak,
                                        truePeakOfChannel (buffer.getReadPointer (ch), buffer.getNumSamples(),
                                                           oversampling, shouldCancel));
        }
    }

    return levels;
}

juce::int64 countSamplesAtOrAbove (const juce::AudioBuffer<double>& buffer,
                                   double level,
                                   const CancelTest& shouldCancel)
{
    const int numFrames = buffer.getNumSamples();
    juce::int64 count = 0;

    for (int start = 0; start < numFrames; start += blockFrames)
    {
        if (start > 0 && isCancelled (shouldCancel))
            break;

        const int frames = std::min (blockFrames, numFrames - start);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        {
            const double* x = buffer.getReadPointer (ch, start);
            for (int i = 0; i < frames; ++i)
                count += std::abs (x[i]) >= level ? 1 : 0;
        }
    }

    return count;
}

} // namespace korvid
