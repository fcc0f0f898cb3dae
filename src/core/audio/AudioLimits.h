#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// Fixed limits on the audio files and buffers the system accepts.
constexpr juce::int64 maxAudioFileBytes = (juce::int64) 8 << 30;      // 8 GB
constexpr int maxAudioChannels = 64;
constexpr double minAudioSampleRate = 8000.0;
constexpr double maxAudioSampleRate = 768000.0;
constexpr double maxAudioDurationSeconds = 14400.0;                    // 240 minutes
constexpr juce::int64 renderFrameLimit = 1000000000;                   // frames of a render read or buffer
constexpr juce::int64 maxBufferFrames = 2147483647;                    // what one juce::AudioBuffer can index

} // namespace korvid
