#pragma once

#include "core/audio/PcmLayout.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <vector>

namespace korvid
{

/** Reads the uncompressed samples of a WAV or AIFF file exactly as its header lays them
    out: every word size from 1 to 4 bytes, either byte order, 32-bit float. A read that
    reaches past the bytes the file holds fails instead of padding with silence. */
class PcmFileReader final : public juce::AudioFormatReader
{
public:
    /** Takes the stream, positioned anywhere. */
    PcmFileReader (juce::InputStream* stream, const PcmLayout& layout);

    bool readSamples (int* const* destSamples, int numDestChannels, int startOffsetInDestBuffer,
                      juce::int64 startSampleInFile, int numSamples) override;

private:
    PcmLayout layout;
    std::vector<unsigned char> bytes;
};

} // namespace korvid
