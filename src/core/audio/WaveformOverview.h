#pragma once

#include "core/audio/CancelTest.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

/** A small summary of some audio for drawing: per equal slice of time (bucket) the lowest
    and highest sample over all channels, and the overall peak. Without buckets there is
    nothing to draw. */
struct WaveformOverview
{
    std::vector<float> minima;   // per bucket, lowest sample over all channels
    std::vector<float> maxima;   // per bucket, highest sample; same length as minima
    double sampleRate = 0.0;     // of the source, Hz
    double lengthSeconds = 0.0;  // of the source (for a window: of the whole file)
    int numChannels = 0;
    float peak = 0.0f;           // largest |minimum| or |maximum| over all buckets

    /** Where the sound starts, 0..1 along the source: `leadInSeconds` before the first bucket
        that rises above `thresholdFraction` of the peak; 0 when there is none. */
    double firstSoundPosition (float thresholdFraction, double leadInSeconds) const;

    /** Recomputes `peak` from the buckets. */
    void updatePeak();
};

/** The overview of a buffer; the bucket count is clamped to 1..20,000. An empty buffer, or a
    cancel seen between blocks, gives the default overview. */
WaveformOverview makeWaveformOverview (const juce::AudioBuffer<double>& buffer, double sampleRate, int numBuckets,
                                       const CancelTest& shouldCancel = {});

/** The overview of a whole file, read block by block. Problems come back as one sentence in
    `error`: the default overview when nothing could be read, a partly filled one when the
    data broke off. A cancel gives the default overview and its own sentence. */
WaveformOverview readWaveformOverview (const juce::File& file, int numBuckets, juce::String& error,
                                       const CancelTest& shouldCancel = {});

/** The overview of the frames between two fractions of the file's length (in either order),
    with at most `maxBuckets` buckets and no more buckets than frames. `lengthSeconds` is the
    whole file's. An empty window gives the default overview and no error. */
WaveformOverview readWaveformWindow (const juce::File& file, double startFraction, double endFraction, int maxBuckets,
                                     juce::String& error, const CancelTest& shouldCancel = {});

} // namespace korvid
