#pragma once

#include "core/audio/PcmLayout.h"

namespace korvid
{

/** Reads the header of an AIFF or AIFF-C stream from its current position. Integer words
    of any size up to 32 bits are stored in whole bytes, high bits first (a 20-bit word
    takes three bytes). False when the stream cannot be read: `refusal` then names the
    reason for a word size that is not converted, and stays empty when the stream is no
    usable AIFF at all. */
bool readAiffHeader (juce::InputStream& stream, PcmLayout& layout, juce::String& refusal);

} // namespace korvid
