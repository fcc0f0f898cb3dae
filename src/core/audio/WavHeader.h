#pragma once

#include "core/audio/PcmLayout.h"

namespace korvid
{

/** Reads the header of a WAV (RIFF or RF64) stream from its current position. The frame
    size comes from the block align and the length from the data size; a data size of
    0xFFFFFFFF (a file written to a pipe) means the data runs to the end of the stream.
    False when the stream cannot be read: `refusal` then names the reason for a word size
    that is not converted, and stays empty when the stream is no usable WAV at all. */
bool readWavHeader (juce::InputStream& stream, PcmLayout& layout, juce::String& refusal);

} // namespace korvid
