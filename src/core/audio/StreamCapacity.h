#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** False when the file is certainly too small to hold the frames up to `endFrame` that its
    header claims, so that a damaged file is refused before buffers are allocated for it.
    A lower bound of the bytes needed: it never refuses a complete file, and the readers
    still refuse whatever this lets through but the file does not hold. */
bool fileMayHoldFrames (const juce::File& file, const juce::AudioFormatReader& reader, juce::int64 endFrame);

} // namespace korvid
