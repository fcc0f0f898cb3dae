#include "core/audio/SilenceGate.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr int blockFrames = 65536;

    // max(value, 0), with NaN counting as 0.
    double nonNegative (double value)
    {
        return value > 0.0 ? value : 0.0;
    }

    // Nearest frame count, halves away from zero; absurd settings are capped
    // rather than overflowing.
    juce::int64 toFrames (double value)
    {
        if (! (value > 0.0))
            return 0;
        constexpr double cap = 4.0e18;
        if (value >= cap)
            return (juce::int64) cap;
        return (juce::int64) std::llround (value);
    }
} // namespace


double dbToGain (double db)
{
    if (db <= -400.0)
        return 0.0;
    return std::pow (10.0, db / 20.0);
}

std::vector<FrameRun> findQuietRuns (const juce::AudioBuffer<double>& buffer,
                                     double thresholdGain,
                                     juce::int64 minimumRunFrames,
                                     const CancelTest& shouldCancel)
{
    std::vector<FrameRun> runs;
    const int numFrames = buffer.getNumSamples();
    const int numChannels = buffer.getNumChannels();
    if (numFrames <= 0 || numChannels <= 0)
        return runs;

    // Largest magnitude per frame, a block at a time, channel by channel so
    // each channel is read in order.
    std::vector<double> frameMax ((size_t) std::min (numFrames, blockFrames));
    juce::int64 open = -1;

    for (int blockStart = 0; blockStart < numFrames; blockStart += blockFrames)
    {
        if (isCancelled (shouldCancel))
            return {};

        const int count = std::min (blockFrames, numFrames - blockStart);
        std::fill (frameMax.begin(), frameMax.begin() + count, 0.0);

        for (int ch = 0; ch < numChannels; ++ch)
        {
            const double* x = buffer.getReadPointer (ch, blockStart);
            for (int i = 0; i < count; ++i)
            {
                const double a = std::abs (x[i]);
                double& m = frameMax[(size_t) i];
                // A NaN sticks and makes the frame loud: nothing unknown is gated.
                if (a > m || std::isnan (a))
                    m = a;
            }
        }

        for (int i = 0; i < count; ++i)
        {
            const juce::int64 frame = blockStart + i;
            const bool quiet = frameMax[(size_t) i] <= thresholdGain;

            if (quiet)
            {
                if (open < 0)
                    open = frame;
            }
            else if (open >= 0)
            {
                if (frame - open >= minimumRunFrames)
                    runs.emplace_back (open, frame);
                open = -1;
            }
        }
    }

    if (open >= 0 && numFrames - open >= minimumRunFrames)
        runs.emplace_back (open, (juce::int64) numFrames);

    return runs;
}

void applyGateToRun (juce::AudioBuffer<double>& buffer,
                     FrameRun run,
                     juce::int64 fadeOutFrames,
                     juce::int64 fadeInFrames,
                     double floorGain)
{
    const juce::int64 numFrames = buffer.getNumSamples();
    const juce::int64 s = std::max<juce::int64> (run.first, 0);
    const juce::int64 e = std::min (run.second, numFrames);
    if (s >= e)
        return;

    const juce::int64 length = e - s;
    // Each fade stays inside the run (they may meet, never reach outside it).
    const juce::int64 p = s > 0 ? std::clamp<juce::int64> (fadeOutFrames, 0, length) : 0;
    const juce::int64 q = e < numFrames ? std::clamp<juce::int64> (fadeInFrames, 0, length) : 0;
    const double g = floorGain;

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        double* x = buffer.getWritePointer (ch);

        for (juce::int64 j = 0; j < p; ++j)
            x[s + j] *= 1.0 - (double) (j + 1) / (double) (p + 1) * (1.0 - g);

        if (g <= 0.0)
        {
            for (juce::int64 i = s + p; i < e - q; ++i)
                x[i] = 0.0;
        }
        else
        {
            for (juce::int64 i = s + p; i < e - q; ++i)
                x[i] *= g;
        }

        for (juce::int64 k = 0; k < q; ++k)
            x[e - q + k] *= g + (double) (k + 1) / (double) (q + 1) * (1.0 - g);
    }
}

SilenceGateResult gateSilence (juce::AudioBuffer<double>& buffer,
                               double sampleRate,
                               const SilenceGateSettings& settings,
                               const CancelTest& shouldCancel)
{
    SilenceGateResult result;
    const juce::int64 numFrames = buffer.getNumSamples();

    if (! settings.enabled || ! (sampleRate > 0.0) || numFrames <= 0 || buffer.getNumChannels() <= 0)
        return result;

    const double fadeOutSeconds = nonNegative (settings.fadeOutSeconds);
    const double fadeInSeconds = nonNegative (settings.fadeInSeconds);
    const juce::int64 fadeOutFrames = toFrames (fadeOutSeconds * sampleRate);
    const juce::int64 fadeInFrames = toFrames (fadeInSeconds * sampleRate);
    // A run is never shorter than its two fades together.
    const double minimumSeconds = std::max (fadeOutSeconds + fadeInSeconds, nonNegative (settings.minimumSeconds));
    const juce::int64 minimumRun = std::max<juce::int64> (toFrames (minimumSeconds * sampleRate), 1);

    const double thresholdGain = dbToGain (settings.thresholdDb);
    double floorGain = settings.floorDb <= -400.0 ? 0.0 : std::pow (10.0, settings.floorDb / 20.0);
    if (! std::isfinite (floorGain))
        floorGain = 0.0;   // an unreadable floor falls back to silence, never to NaN samples

    const auto runs = findQuietRuns (buffer, thresholdGain, minimumRun, shouldCancel);
    const double n = (double) numFrames;

    for (const auto& run : runs)
    {
        if (isCancelled (shouldCancel))
            break;

        applyGateToRun (buffer, run, fadeOutFrames, fadeInFrames, floorGain);

        const auto [start, end] = run;
        ++result.gatedRuns;
        result.gatedFrames += end - start;

        GatedRegion region;
        region.start = (double) start / n;
        region.end = (double) end / n;
        region.floorStart = start > 0 ? (double) (start + fadeOutFrames) / n : (double) start / n;
        region.floorEnd = end < numFrames ? (double) (end - fadeInFrames) / n : (double) end / n;
        result.regions.push_back (region);
    }

    result.wholeFileSilent = settings.floorDb <= -400.0 && result.gatedRuns == 1 && result.gatedFrames == numFrames;
    return result;
}

} // namespace korvid
