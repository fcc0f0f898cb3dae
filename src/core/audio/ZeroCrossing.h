#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace korvid
{

// The frame nearest to the requested time, within +-20 ms, at which the sum
// of the channels crosses or touches zero; the earlier one on a tie, the
// requested frame itself when there is none. The time is clamped to the last
// frame; 0 for a rate or time of 0 or less, or a buffer of one frame or less.
juce::int64 findZeroCrossingNear (const juce::AudioBuffer<double>& buffer, double sampleRate, double seconds);

} // namespace korvid
