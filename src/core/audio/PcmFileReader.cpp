#include "core/audio/PcmFileReader.h"

namespace korvid
{

namespace
{
constexpr int readChunkBytes = 1 << 13;

/** Turns `count` words of `Bytes` bytes, `stride` bytes apart, into 32-bit words with the
    file's bits at the top (or a float's bit pattern, for 4-byte float words). */
template <int Bytes, bool BigEndian>
void decodeWords (const unsigned char* source, int stride, int* destination, int count, juce::uint32 flip)
{
    for (int i = 0; i < count; ++i, source += stride)
    {
        juce::uint32 word = 0;

        for (int b = 0; b < Bytes; ++b)
            word = (word << 8) | source[BigEndian ? b : Bytes - 1 - b];

        destination[i] = (int) ((word << (32 - 8 * Bytes)) ^ flip);
    }
}

using Decoder = void (*) (const unsigned char*, int, int*, int, juce::uint32);

Decoder decoderFor (int wordBytes, bool bigEndian)
{
    switch (wordBytes)
    {
        case 1: return decodeWords<1, false>;
        case 2: return bigEndian ? decodeWords<2, true> : decodeWords<2, false>;
        case 3: return bigEndian ? decodeWords<3, true> : decodeWords<3, false>;
        case 4: return bigEndian ? decodeWords<4, true> : decodeWords<4, false>;
        default: return nullptr;
    }
}
} // namespace

PcmFileReader::PcmFileReader (juce::InputStream* stream, const PcmLayout& layoutToRead)
    : juce::AudioFormatReader (stream, layoutToRead.formatName),
      layout (layoutToRead)
{
    sampleRate = layout.sampleRate;
    bitsPerSample = (unsigned int) layout.validBits;
    lengthInSamples = layout.frames;
    numChannels = (unsigned int) layout.numChannels;
    usesFloatingPointData = layout.floatingPoint;

    const int framesPerChunk = juce::jmax (1, readChunkBytes / layout.frameBytes());
    bytes.resize ((size_t) framesPerChunk * (size_t) layout.frameBytes());
}

bool PcmFileReader::readSamples (int* const* destSamples, int numDestChannels, int startOffsetInDestBuffer,
                                 juce::int64 startSampleInFile, int numSamples)
{
    // Beyond the length the header gives there is nothing: silence, as for every reader.
    clearSamplesBeyondAvailableLength (destSamples, numDestChannels, startOffsetInDestBuffer,
                                       startSampleInFile, numSamples, lengthInSamples);

    if (numSamples <= 0)
        return true;

    const auto decode = decoderFor (layout.wordBytes, layout.bigEndian);
    const int frameBytes = layout.frameBytes();
    const juce::uint32 flip = layout.offsetBinary ? 0x80000000u : 0u;

    if (decode == nullptr || ! input->setPosition (layout.dataStart + startSampleInFile * frameBytes))
        return false;

    const int framesPerChunk = (int) bytes.size() / frameBytes;
    const int channels = juce::jmin (numDestChannels, layout.numChannels);

    while (numSamples > 0)
    {
        const int count = juce::jmin (framesPerChunk, numSamples);
        const int wanted = count * frameBytes;

        // A file shorter than its header claims: no padding, the read fails.
        if (input->read (bytes.data(), wanted) != wanted)
            return false;

        for (int channel = 0; channel < channels; ++channel)
            if (destSamples[channel] != nullptr)
                decode (bytes.data() + channel * layout.wordBytes, frameBytes,
                        destSamples[channel] + startOffsetInDestBuffer, count, flip);

        startOffsetInDestBuffer += count;
        numSamples -= count;
    }

    return true;
}

} // namespace korvid
