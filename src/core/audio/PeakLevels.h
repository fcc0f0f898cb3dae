#pragma once

#include "core/audio/CancelTest.h"
#include <juce_audio_basics/juce_audio_basics.h>


namespace korvid
{

// A buffer's peaks as linear amplitudes (1.0 = full scale).
struct PeakLevels
{
    double samplePeak = 0.0;
    double truePeak = 0.0;   // equals samplePeak when the true peak was not measured
};

// The largest |sample| over all channels; 0 for an empty buffer.
double samplePeak (const juce::AudioBuffer<double>& buffer,
                   const CancelTest& shouldCancel = {});

// The sample peak, and with measureTruePeak the true peak of every channel at
// the given oversampling setting. When shouldCancel fires the measurement
// stops between blocks with a partial result, which the caller drops.
PeakLevels measurePeaks (const juce::AudioBuffer<double>& buffer,
                         bool measureTruePeak,
                         int oversampling,
                         const CancelTest& shouldCancel = {});

// Samples, over all channels, whose magnitude is at or above the level.
juce::int64 countSamplesAtOrAbove (const juce::AudioBuffer<double>& buffer,
                                   double level,
                                   const CancelTest& shouldCancel = {});

} // namespace korvid
