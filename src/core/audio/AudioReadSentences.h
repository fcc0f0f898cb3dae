#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** A read that did not get every frame the file promises: a truncated file, a decoder
    error, a lost sync or fewer frames than the header gives. */
inline constexpr const char* damagedAudioSentence
    = "The audio data could not be read; the file may be truncated or damaged.";

/** The refusal of a sample word the readers do not convert, naming its size, for example
    "64-bit float audio is not supported; export the tracks as 32-bit float or 24-bit." */
juce::String unsupportedWordSentence (int bits, bool floatingPoint);

} // namespace korvid
