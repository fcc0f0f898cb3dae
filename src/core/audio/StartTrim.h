#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace korvid
{

// Cuts the first `frames` frames of every channel (the buffer gets shorter,
// without reallocating) and fades the new start in over 5 ms, from exactly 0.
// Nothing happens for fewer than 1 frame or a cut at or beyond the length.
void trimBufferStart (juce::AudioBuffer<double>& buffer, juce::int64 frames, double sampleRate);

} // namespace korvid
