#include "ForeignAudioFiles.h"

#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cmath>

namespace korvid::test
{

namespace
{
int frameCount (const IntegerChannels& samples)
{
    return samples.empty() ? 0 : (int) samples.front().size();
}

void writeTag (juce::MemoryOutputStream& out, const char* tag)
{
    out.write (tag, 4);
}

/** Appends bits most significant first, as FLAC lays them out. */
struct BitWriter
{
    std::vector<juce::uint8> bytes;
    int used = 8;   // bits used in the last byte

    void write (juce::uint64 value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
        {
            if (used == 8)
            {
                bytes.push_back (0);
                used = 0;
            }

            if (((value >> i) & 1) != 0)
                bytes.back() |= (juce::uint8) (0x80 >> used);

            ++used;
        }
    }

    void padToByte() { used = 8; }
};

juce::uint8 crc8 (const juce::uint8* data, size_t size)
{
    juce::uint8 crc = 0;

    for (size_t i = 0; i < size; ++i)
    {
        crc ^= data[i];

        for (int b = 0; b < 8; ++b)
            crc = (juce::uint8) ((crc & 0x80) != 0 ? (crc << 1) ^ 0x07 : crc << 1);
    }

    return crc;
}

juce::uint16 crc16 (const juce::uint8* data, size_t size)
{
    juce::uint16 crc = 0;

    for (size_t i = 0; i < size; ++i)
    {
        crc ^= (juce::uint16) (data[i] << 8);

        for (int b = 0; b < 8; ++b)
            crc = (juce::uint16) ((crc & 0x8000) != 0 ? (crc << 1) ^ 0x8005 : crc << 1);
    }

    return crc;
}

/** The UTF-8-like coding of a frame's first sample number: n continuation bytes of six
    bits each after a lead byte of n + 1 ones, a zero and the top bits. */
void writeCodedNumber (BitWriter& writer, juce::uint64 value)
{
    if (value < 0x80)
    {
        writer.write (value, 8);
        return;
    }

    int continuation = 1;

    while (continuation < 6 && value >= ((juce::uint64) 1 << (6 + 5 * continuation)))
        ++continuation;

    const juce::uint64 leadOnes = (0xff00u >> (continuation + 1)) & 0xff;
    writer.write (leadOnes | (value >> (6 * continuation)), 8);

    for (int i = continuation - 1; i >= 0; --i)
        writer.write (0x80 | ((value >> (6 * i)) & 0x3f), 8);
}

struct EncodedStream
{
    juce::MemoryBlock bytes;
    size_t position = 0;
};

FLAC__StreamEncoderWriteStatus encodedBytes (const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t count,
                                             uint32_t, uint32_t, void* client)
{
    auto& stream = *static_cast<EncodedStream*> (client);

    if (stream.position + count > stream.bytes.getSize())
        stream.bytes.setSize (stream.position + count);

    stream.bytes.copyFrom (buffer, (int) stream.position, count);
    stream.position += count;
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

FLAC__StreamEncoderSeekStatus seekEncoded (const FLAC__StreamEncoder*, FLAC__uint64 offset, void* client)
{
    static_cast<EncodedStream*> (client)->position = (size_t) offset;
    return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
}

FLAC__StreamEncoderTellStatus tellEncoded (const FLAC__StreamEncoder*, FLAC__uint64* offset, void* client)
{
    *offset = static_cast<EncodedStream*> (client)->position;
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}
} // namespace

IntegerChannels integerNoise (int channels, int frames, int bits, juce::int64 seed)
{
    juce::Random random (seed);
    const auto range = (juce::uint64) 1 << bits;
    const auto lowest = -((juce::int64) 1 << (bits - 1));
    IntegerChannels samples ((size_t) channels, std::vector<int> ((size_t) frames));

    for (auto& channel : samples)
        for (auto& value : channel)
            value = (int) (lowest + (juce::int64) ((juce::uint64) random.nextInt64() % range));

    for (auto& channel : samples)
    {
        if (frames > 1)
        {
            channel[0] = (int) lowest;
            channel[1] = (int) (-lowest - 1);
        }
    }

    return samples;
}

double fullScaleValue (int sample, int bits)
{
    // The word with its bits at the top, turned into a float and scaled by 2^-31 (exact up
    // to 24 bits; a 32-bit word is rounded to a float first).
    return std::ldexp ((double) (float) std::ldexp ((double) sample, 32 - bits), -31);
}

juce::MemoryBlock wavBytes (const WavLayout& layout, juce::uint32 rate, const IntegerChannels& samples)
{
    const auto channels = (int) samples.size();
    const auto frames = frameCount (samples);
    const int blockAlign = channels * layout.wordBytes;
    const auto dataBytes = (juce::uint32) (blockAlign * frames);
    const bool extensible = layout.formatTag == 0xfffe;
    const juce::uint32 formatBytes = extensible ? 40 : 16;

    juce::MemoryOutputStream out;
    writeTag (out, "RIFF");
    out.writeInt (layout.streamed ? -1 : (int) (4 + 8 + formatBytes + 8 + dataBytes + (dataBytes & 1)));
    writeTag (out, "WAVE");

    writeTag (out, "fmt ");
    out.writeInt ((int) formatBytes);
    out.writeShort ((short) layout.formatTag);
    out.writeShort ((short) channels);
    out.writeInt ((int) rate);
    out.writeInt ((int) (rate * (juce::uint32) blockAlign));
    out.writeShort ((short) blockAlign);

    if (extensible)
    {
        static const juce::uint8 tail[12] = { 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 };
        out.writeShort ((short) (layout.wordBytes * 8));
        out.writeShort (22);
        out.writeShort ((short) layout.validBits);
        out.writeInt (channels == 2 ? 3 : 0);
        out.writeInt (layout.subFormat);
        out.write (tail, sizeof (tail));
    }
    else
    {
        out.writeShort ((short) layout.validBits);
    }

    writeTag (out, "data");
    out.writeInt (layout.streamed ? -1 : (int) dataBytes);

    const bool integers = (extensible ? layout.subFormat : layout.formatTag) == 1;
    const int shift = layout.wordBytes * 8 - layout.validBits;

    for (int i = 0; i < frames; ++i)
    {
        for (int ch = 0; ch < channels; ++ch)
        {
            auto word = integers ? (juce::uint64) ((juce::int64) samples[(size_t) ch][(size_t) i] * ((juce::int64) 1 << shift)) : 0;

            if (integers && layout.wordBytes == 1)
                word ^= 0x80;   // 8-bit words are unsigned

            for (int b = 0; b < layout.wordBytes; ++b)
                out.writeByte ((char) ((word >> (8 * b)) & 0xff));
        }
    }

    if ((dataBytes & 1) != 0 && ! layout.streamed)
        out.writeByte (0);

    return out.getMemoryBlock();
}

juce::MemoryBlock aiffBytes (int bits, juce::uint32 rate, const IntegerChannels& samples, const char* compression)
{
    const auto channels = (int) samples.size();
    const auto frames = frameCount (samples);
    const bool compressed = compression != nullptr;
    const juce::String type (compressed ? compression : "NONE");
    const bool floating = type.startsWithIgnoreCase ("fl");
    const bool littleEndian = type == "sowt";
    const int wordBytes = floating ? (type.endsWith ("64") ? 8 : 4) : (bits + 7) / 8;
    const auto dataBytes = (juce::uint32) (channels * wordBytes * frames);
    const juce::uint32 commonBytes = compressed ? 24 : 18;   // AIFF-C: type and an empty name

    juce::MemoryOutputStream out;
    writeTag (out, "FORM");
    out.writeIntBigEndian ((int) (4 + (compressed ? 12 : 0) + 8 + commonBytes + 8 + 8 + dataBytes + (dataBytes & 1)));
    writeTag (out, compressed ? "AIFC" : "AIFF");

    if (compressed)
    {
        writeTag (out, "FVER");
        out.writeIntBigEndian (4);
        out.writeIntBigEndian ((int) 0xa2805140);
    }

    writeTag (out, "COMM");
    out.writeIntBigEndian ((int) commonBytes);
    out.writeShortBigEndian ((short) channels);
    out.writeIntBigEndian (frames);
    out.writeShortBigEndian ((short) (floating ? wordBytes * 8 : bits));

    // The rate as an 80-bit extended float: exponent, then the mantissa with its top bit set.
    int exponent = 0;
    const double fraction = std::frexp ((double) rate, &exponent);
    out.writeShortBigEndian ((short) (16382 + exponent));
    out.writeInt64BigEndian ((juce::int64) (juce::uint64) std::ldexp (fraction, 64));

    if (compressed)
    {
        out.write (type.toRawUTF8(), 4);
        out.writeShort (0);   // an empty name, padded to an even length
    }

    writeTag (out, "SSND");
    out.writeIntBigEndian ((int) (8 + dataBytes));
    out.writeIntBigEndian (0);
    out.writeIntBigEndian (0);

    const int shift = wordBytes * 8 - bits;

    for (int i = 0; i < frames; ++i)
    {
        for (int ch = 0; ch < channels; ++ch)
        {
            const auto word = floating ? (juce::uint64) 0
                                       : (juce::uint64) ((juce::int64) samples[(size_t) ch][(size_t) i] * ((juce::int64) 1 << shift));

            for (int b = 0; b < wordBytes; ++b)
                out.writeByte ((char) ((word >> (8 * (littleEndian ? b : wordBytes - 1 - b))) & 0xff));
        }
    }

    if ((dataBytes & 1) != 0)
        out.writeByte (0);

    return out.getMemoryBlock();
}

juce::MemoryBlock flacBytes (const IntegerChannels& samples, int bits, juce::uint32 rate, int blockSize, bool withTotal)
{
    EncodedStream stream;
    auto* encoder = FLAC__stream_encoder_new();

    if (encoder == nullptr)
        return {};

    FLAC__stream_encoder_set_channels (encoder, (uint32_t) samples.size());
    FLAC__stream_encoder_set_bits_per_sample (encoder, (uint32_t) bits);
    FLAC__stream_encoder_set_sample_rate (encoder, rate);
    FLAC__stream_encoder_set_compression_level (encoder, 5);
    FLAC__stream_encoder_set_blocksize (encoder, (uint32_t) blockSize);
    FLAC__stream_encoder_set_streamable_subset (encoder, false);

    // Without seek and tell the encoder cannot go back to write the length into the header.
    const auto status = FLAC__stream_encoder_init_stream (encoder, encodedBytes, withTotal ? seekEncoded : nullptr,
                                                          withTotal ? tellEncoded : nullptr, nullptr, &stream);
    bool ok = status == FLAC__STREAM_ENCODER_INIT_STATUS_OK;

    if (ok)
    {
        std::vector<const FLAC__int32*> channels;

        for (const auto& channel : samples)
            channels.push_back (channel.data());

        ok = FLAC__stream_encoder_process (encoder, channels.data(), (uint32_t) frameCount (samples));
        ok = FLAC__stream_encoder_finish (encoder) && ok;
    }

    FLAC__stream_encoder_delete (encoder);
    return ok ? stream.bytes : juce::MemoryBlock();
}

juce::MemoryBlock variableBlockFlacBytes (const IntegerChannels& samples, int bits, juce::uint32 rate,
                                          const std::vector<int>& blockSizes)
{
    const auto channels = (int) samples.size();
    const auto frames = frameCount (samples);
    const auto smallest = *std::min_element (blockSizes.begin(), blockSizes.end());
    const auto largest = *std::max_element (blockSizes.begin(), blockSizes.end());

    BitWriter writer;
    writer.write (0x664c6143, 32);        // "fLaC"
    writer.write (1, 1);                  // the last metadata block
    writer.write (0, 7);                  // STREAMINFO
    writer.write (34, 24);
    writer.write ((juce::uint64) smallest, 16);
    writer.write ((juce::uint64) largest, 16);
    writer.write (0, 24);                 // frame sizes unknown
    writer.write (0, 24);
    writer.write (rate, 20);
    writer.write ((juce::uint64) channels - 1, 3);
    writer.write ((juce::uint64) bits - 1, 5);
    writer.write ((juce::uint64) frames, 36);
    writer.write (0, 64);                 // no MD5
    writer.write (0, 64);

    auto bytes = std::move (writer.bytes);

    for (int start = 0, block = 0; start < frames; ++block)
    {
        const int length = juce::jmin (blockSizes[(size_t) block % blockSizes.size()], frames - start);

        BitWriter frame;
        frame.write (0x3ffe, 14);         // sync
        frame.write (0, 1);
        frame.write (1, 1);               // variable block size: numbered by first sample
        frame.write (7, 4);               // block size - 1 follows in 16 bits
        frame.write (0, 4);               // rate and sample size from STREAMINFO
        frame.write ((juce::uint64) channels - 1, 4);
        frame.write (0, 3);
        frame.write (0, 1);
        writeCodedNumber (frame, (juce::uint64) start);
        frame.write ((juce::uint64) length - 1, 16);
        frame.write (crc8 (frame.bytes.data(), frame.bytes.size()), 8);

        for (int ch = 0; ch < channels; ++ch)
        {
            frame.write (0x02, 8);        // a verbatim subframe
            const auto& source = samples[(size_t) ch];

            for (int i = 0; i < length; ++i)
                frame.write ((juce::uint64) (juce::uint32) source[(size_t) (start + i)] & (((juce::uint64) 1 << bits) - 1), bits);
        }

        frame.padToByte();
        frame.write (crc16 (frame.bytes.data(), frame.bytes.size()), 16);
        bytes.insert (bytes.end(), frame.bytes.begin(), frame.bytes.end());
        start += length;
    }

    return juce::MemoryBlock (bytes.data(), bytes.size());
}

bool writeBytes (const juce::File& file, const juce::MemoryBlock& bytes)
{
    file.deleteFile();
    return file.replaceWithData (bytes.getData(), bytes.getSize());
}

} // namespace korvid::test
