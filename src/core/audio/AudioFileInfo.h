#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** What a probe found out about an audio file. */
struct AudioFileInfo
{
    juce::String formatName;          // "WAV", "AIFF", "FLAC"
    double sampleRate = 0.0;          // Hz
    int bitsPerSample = 0;            // as the file declares them (32 for 32-bit float)
    bool floatingPoint = false;
    int numChannels = 0;
    juce::int64 lengthInSamples = 0;  // frames

    // Texts for the track table.
    juce::String channelsText() const;
    juce::String bitDepthText() const;
    juce::String sampleRateText() const;
    juce::String durationText() const;  // "m:ss.mmm", or "h:mm:ss.mmm" from one hour on
};

} // namespace korvid
