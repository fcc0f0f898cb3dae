#pragma once

#include "core/audio/CancelTest.h"
#include "core/model/Preset.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <utility>
#include <vector>

namespace korvid
{

// One gated run; every value is a fraction (0..1) of the buffer's length in frames.
struct GatedRegion
{
    double start = 0.0;        // first frame of the run
    double end = 0.0;          // the frame after the run
    double floorStart = 0.0;   // where the floor level begins, after the fade-out
    double floorEnd = 0.0;     // where the floor level ends, before the fade-in
};

// What the gate did to one buffer.
struct SilenceGateResult
{
    int gatedRuns = 0;
    juce::int64 gatedFrames = 0;       // fades included
    bool wholeFileSilent = false;      // floor is silence and one run covers every frame
    std::vector<GatedRegion> regions;  // in time order
};

// A run of frames [first, second).
using FrameRun = std::pair<juce::int64, juce::int64>;

// Fades every stretch in which all channels stay at or below the threshold for
// long enough down to the floor level, in place. A disabled gate, a rate of 0
// or an empty buffer changes nothing. When shouldCancel fires the gate stops
// between blocks and returns what it did so far; the caller drops the buffer.
SilenceGateResult gateSilence (juce::AudioBuffer<double>& buffer,
                               double sampleRate,
                               const SilenceGateSettings& settings,
                               const CancelTest& shouldCancel = {});

// 0 for -400 dB or less (silence), else 10^(dB / 20).
double dbToGain (double db);

// Runs of at least minimumRunFrames frames whose largest magnitude over all
// channels is at or below thresholdGain. An empty list when cancelled.
std::vector<FrameRun> findQuietRuns (const juce::AudioBuffer<double>& buffer,
                                     double thresholdGain,
                                     juce::int64 minimumRunFrames,
                                     const CancelTest& shouldCancel = {});

// Fades the run out, holds it at floorGain and fades it back in. A run that
// starts the buffer gets no fade-out, one that ends it no fade-in. Nothing
// outside the run is touched, whatever the fade lengths.
void applyGateToRun (juce::AudioBuffer<double>& buffer,
                     FrameRun run,
                     juce::int64 fadeOutFrames,
                     juce::int64 fadeInFrames,
                     double floorGain);

} // namespace korvid
