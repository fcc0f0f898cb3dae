#include "core/audio/AiffHeader.h"

#include "core/audio/AudioReadSentences.h"

#include <cmath>

namespace korvid
{

namespace
{
juce::uint32 chunkId (const char* name)
{
    return juce::ByteOrder::bigEndianInt (name);
}

/** The 80-bit extended float of the COMM chunk; 0 for anything that is no positive rate. */
double extendedToDouble (const unsigned char* bytes)
{
    const int exponent = ((bytes[0] & 0x7f) << 8) | bytes[1];
    const auto mantissa = ((juce::uint64) juce::ByteOrder::bigEndianInt (bytes + 2) << 32)
                        | juce::ByteOrder::bigEndianInt (bytes + 6);

    if ((bytes[0] & 0x80) != 0 || exponent == 0x7fff || mantissa == 0)
        return 0.0;

    return std::ldexp ((double) mantissa, exponent - 16383 - 63);
}

struct CommonChunk
{
    int channels = 0;
    juce::int64 frames = 0;
    int bits = 0;
    double rate = 0.0;
    juce::uint32 compression = 0;   // 0 for plain AIFF
};

bool readCommonChunk (juce::InputStream& stream, juce::uint32 size, bool compressedForm, CommonChunk& common)
{
    unsigned char bytes[22] = {};

    if (size < 18)
        return false;

    const int wanted = compressedForm && size >= 22 ? 22 : 18;

    if (stream.read (bytes, wanted) != wanted)
        return false;

    common.channels = juce::ByteOrder::bigEndianShort (bytes);
    common.frames = juce::ByteOrder::bigEndianInt (bytes + 2);
    common.bits = juce::ByteOrder::bigEndianShort (bytes + 6);
    common.rate = extendedToDouble (bytes + 8);
    common.compression = wanted == 22 ? juce::ByteOrder::bigEndianInt (bytes + 18) : 0;
    return true;
}

bool layoutFromCommon (const CommonChunk& common, PcmLayout& layout, juce::String& refusal)
{
    if (common.channels <= 0 || ! (common.rate > 0.0) || common.bits <= 0)
        return false;

    const auto type = common.compression;
    bool floating = false;

    if (type == 0 || type == chunkId ("NONE") || type == chunkId ("twos"))
        layout.bigEndian = true;
    else if (type == chunkId ("sowt"))
        layout.bigEndian = false;
    else if (type == chunkId ("fl32") || type == chunkId ("FL32"))
        layout.bigEndian = floating = true;
    else if (type == chunkId ("fl64") || type == chunkId ("FL64"))
    {
        refusal = unsupportedWordSentence (64, true);
        return false;
    }
    else
        return false;

    if (floating)
    {
        layout.wordBytes = 4;
        layout.validBits = 32;
    }
    else
    {
        if (common.bits > 32)
        {
            refusal = unsupportedWordSentence (common.bits, false);
            return false;
        }

        layout.wordBytes = (common.bits + 7) / 8;
        layout.validBits = common.bits;
    }

    layout.formatName = "AIFF file";
    layout.floatingPoint = floating;
    layout.offsetBinary = false;
    layout.sampleRate = common.rate;
    layout.numChannels = common.channels;
    return true;
}
} // namespace

bool readAiffHeader (juce::InputStream& stream, PcmLayout& layout, juce::String& refusal)
{
    refusal.clear();
    unsigned char form[12];

    if (stream.read (form, 12) != 12 || juce::ByteOrder::bigEndianInt (form) != chunkId ("FORM"))
        return false;

    const auto formType = juce::ByteOrder::bigEndianInt (form + 8);
    const bool compressedForm = formType == chunkId ("AIFC");

    if (formType != chunkId ("AIFF") && ! compressedForm)
        return false;

    CommonChunk common;
    bool haveCommon = false;
    juce::int64 dataStart = -1;
    juce::int64 dataBytes = 0;

    // Every chunk moves the position on by at least its 8-byte header, so this ends.
    while (! (haveCommon && dataStart >= 0))
    {
        unsigned char header[8];

        if (stream.read (header, 8) != 8)
            break;

        const auto id = juce::ByteOrder::bigEndianInt (header);
        const auto size = juce::ByteOrder::bigEndianInt (header + 4);
        const auto body = stream.getPosition();

        if (id == chunkId ("COMM") && ! haveCommon)
        {
            if (! readCommonChunk (stream, size, compressedForm, common))
                return false;

            haveCommon = true;
        }
        else if (id == chunkId ("SSND") && dataStart < 0)
        {
            unsigned char offsets[8];

            if (size < 8 || stream.read (offsets, 8) != 8)
                return false;

            const auto offset = (juce::int64) juce::ByteOrder::bigEndianInt (offsets);
            dataStart = body + 8 + offset;
            dataBytes = juce::jmax ((juce::int64) 0, (juce::int64) size - 8 - offset);
        }

        if (! stream.setPosition (body + size + (size & 1)))
            break;
    }

    if (! haveCommon)
        return false;

    PcmLayout found;

    if (! layoutFromCommon (common, found, refusal) || dataStart < 0)
        return false;

    // The sample data chunk may hold fewer frames than the common chunk counts.
    found.dataStart = dataStart;
    found.frames = juce::jmin (common.frames, dataBytes / found.frameBytes());
    layout = found;
    return true;
}

} // namespace korvid
