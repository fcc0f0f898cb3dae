#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace korvid
{

// Seconds before the first sample of any channel rises strictly above the
// threshold; the whole length when none does, 0 for an empty buffer or a rate
// of 0 or less.
double leadingSilenceSeconds (const juce::AudioBuffer<double>& buffer, double sampleRate, float threshold);

} // namespace korvid
