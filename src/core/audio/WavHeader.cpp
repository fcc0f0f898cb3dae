#include "core/audio/WavHeader.h"

#include "core/audio/AudioReadSentences.h"

#include <cstring>

namespace korvid
{

namespace
{
constexpr juce::uint32 streamedSize = 0xffffffffu;

juce::uint32 chunkId (const char* name)
{
    return juce::ByteOrder::littleEndianInt (name);
}

/** The fields of a format chunk, with the sub-format of an extensible one resolved. */
struct WavFormat
{
    int tag = 0;            // 1 integer PCM, 3 IEEE float
    int channels = 0;
    juce::uint32 rate = 0;
    int blockAlign = 0;
    int bits = 0;           // as the chunk gives them: the container in an extensible chunk
    int validBits = 0;
};

bool readFormatChunk (juce::InputStream& stream, juce::uint32 size, WavFormat& format)
{
    if (size < 16)
        return false;

    unsigned char bytes[40] = {};
    const int wanted = (int) juce::jmin (size, (juce::uint32) sizeof (bytes));

    if (stream.read (bytes, wanted) != wanted)
        return false;

    format.tag = juce::ByteOrder::littleEndianShort (bytes);
    format.channels = juce::ByteOrder::littleEndianShort (bytes + 2);
    format.rate = juce::ByteOrder::littleEndianInt (bytes + 4);
    format.blockAlign = juce::ByteOrder::littleEndianShort (bytes + 12);
    format.bits = juce::ByteOrder::littleEndianShort (bytes + 14);
    format.validBits = format.bits;

    if (format.tag != 0xfffe)
        return true;

    // WAVE_FORMAT_EXTENSIBLE: valid bits, speaker mask, then the sub-format's GUID, whose
    // first field is the plain format tag.
    if (size < 40)
        return false;

    static const unsigned char plainTail[12] = { 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 };
    static const unsigned char ambisonicTail[12] = { 0x21, 0x07, 0xd3, 0x11, 0x86, 0x44, 0xc8, 0xc1, 0xca, 0x00, 0x00, 0x00 };
    const unsigned char* tail = bytes + 28;

    if (std::memcmp (tail, plainTail, 12) != 0 && std::memcmp (tail, ambisonicTail, 12) != 0)
        return false;

    format.tag = (int) juce::ByteOrder::littleEndianInt (bytes + 24);
    const int valid = juce::ByteOrder::littleEndianShort (bytes + 18);

    if (valid > 0 && valid <= format.bits)
        format.validBits = valid;

    return true;
}

bool layoutFromFormat (const WavFormat& format, PcmLayout& layout, juce::String& refusal)
{
    if (format.channels <= 0 || format.rate == 0 || format.bits <= 0)
        return false;

    const bool declaredAlign = format.blockAlign > 0 && format.blockAlign % format.channels == 0;

    if (format.tag == 3)
    {
        if (format.bits != 32)
        {
            refusal = unsupportedWordSentence (format.bits, true);
            return false;
        }

        if (format.blockAlign != 0 && format.blockAlign != 4 * format.channels)
            return false;

        layout.wordBytes = 4;
        layout.validBits = 32;
        layout.floatingPoint = true;
    }
    else if (format.tag == 1)
    {
        // The block align gives the container; the valid bits are its high bits.
        layout.wordBytes = declaredAlign ? format.blockAlign / format.channels : (format.bits + 7) / 8;
        layout.validBits = format.validBits;

        if (layout.wordBytes > 4)
        {
            refusal = unsupportedWordSentence (layout.wordBytes * 8, false);
            return false;
        }

        if (layout.validBits > layout.wordBytes * 8)
            return false;

        layout.offsetBinary = layout.wordBytes == 1;
    }
    else
    {
        return false;
    }

    layout.formatName = "WAV file";
    layout.sampleRate = (double) format.rate;
    layout.numChannels = format.channels;
    layout.bigEndian = false;
    return true;
}
} // namespace

bool readWavHeader (juce::InputStream& stream, PcmLayout& layout, juce::String& refusal)
{
    refusal.clear();
    unsigned char riff[12];

    if (stream.read (riff, 12) != 12)
        return false;

    const auto kind = juce::ByteOrder::littleEndianInt (riff);
    const bool rf64 = kind == chunkId ("RF64");

    if ((kind != chunkId ("RIFF") && ! rf64) || juce::ByteOrder::littleEndianInt (riff + 8) != chunkId ("WAVE"))
        return false;

    WavFormat format;
    bool haveFormat = false;
    juce::int64 largeDataBytes = -1;   // from an RF64 file's ds64 chunk
    juce::int64 dataStart = -1;
    juce::int64 dataBytes = 0;
    bool dataToEnd = false;

    // Every chunk moves the position on by at least its 8-byte header, so this ends.
    for (;;)
    {
        unsigned char header[8];

        if (stream.read (header, 8) != 8)
            break;

        const auto id = juce::ByteOrder::littleEndianInt (header);
        const auto size = juce::ByteOrder::littleEndianInt (header + 4);
        const auto body = stream.getPosition();
        juce::int64 skip = size;

        if (id == chunkId ("fmt ") && ! haveFormat)
        {
            if (! readFormatChunk (stream, size, format))
                return false;

            haveFormat = true;
        }
        else if (id == chunkId ("ds64") && rf64)
        {
            if (size < 28)
                return false;

            stream.readInt64();   // the RIFF size
            largeDataBytes = stream.readInt64();
        }
        else if (id == chunkId ("data"))
        {
            dataStart = body;

            if (rf64 && largeDataBytes >= 0)
            {
                dataBytes = largeDataBytes;
            }
            else
            {
                dataBytes = size;
                dataToEnd = size == streamedSize;
            }

            if (haveFormat || dataToEnd)
                break;

            skip = dataBytes;
        }

        if (skip < 0 || ! stream.setPosition (body + skip + (skip & 1)))
            break;
    }

    if (! haveFormat)
        return false;

    PcmLayout found;

    if (! layoutFromFormat (format, found, refusal) || dataStart < 0)
        return false;

    if (dataToEnd)
    {
        const auto total = stream.getTotalLength();

        if (total < 0)
            return false;

        dataBytes = juce::jmax ((juce::int64) 0, total - dataStart);
    }

    found.dataStart = dataStart;
    found.frames = dataBytes / found.frameBytes();
    layout = found;
    return true;
}

} // namespace korvid
