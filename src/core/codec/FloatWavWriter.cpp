#include "core/codec/FloatWavWriter.h"

namespace korvid
{

namespace
{
constexpr juce::uint64 largestRiffSize = 0xffffffffu;

void writeTag (juce::MemoryOutputStream& out, const char* tag)
{
    out.write (tag, 4);
}

/** The speaker mask the framework gives these channel counts; 0 for mono, stereo and
    counts without a named layout. */
juce::uint32 speakerMask (int channels)
{
    juce::AudioChannelSet layout;

    switch (channels)
    {
        case 3: layout = juce::AudioChannelSet::createLCR(); break;
        case 4: layout = juce::AudioChannelSet::quadraphonic(); break;
        case 5: layout = juce::AudioChannelSet::create5point0(); break;
        case 6: layout = juce::AudioChannelSet::create5point1(); break;
        case 7: layout = juce::AudioChannelSet::create7point0SDDS(); break;
        case 8: layout = juce::AudioChannelSet::create7point1SDDS(); break;
        default: return 0;
    }

    juce::uint32 mask = 0;

    for (auto type : layout.getChannelTypes())
        mask |= 1u << ((int) type - 1);

    return mask;
}
} // namespace

juce::MemoryBlock floatWavHeader (int channels, double sampleRate, juce::uint64 frames, WavWords32 words)
{
    const bool floating = words == WavWords32::ieeeFloat;
    const auto blockAlign = (juce::uint32) channels * 4;
    const auto rate = (juce::uint32) juce::roundToInt (sampleRate);
    const auto dataBytes = frames * blockAlign;
    const auto mask = speakerMask (channels);
    const juce::uint32 formatBytes = mask != 0 ? 40 : 18;
    const juce::uint32 factBytes = floating ? 8 + 4 : 0;
    const auto plainRiffSize = 4 + (8 + formatBytes) + factBytes + 8 + dataBytes;
    const bool rf64 = plainRiffSize > largestRiffSize;

    juce::MemoryOutputStream out;

    if (rf64)
    {
        writeTag (out, "RF64");
        out.writeInt (-1);
        writeTag (out, "WAVE");
        writeTag (out, "ds64");
        out.writeInt (28);
        out.writeInt64 ((juce::int64) (plainRiffSize + 8 + 28));
        out.writeInt64 ((juce::int64) dataBytes);
        out.writeInt64 ((juce::int64) frames);
        out.writeInt (0);   // no table
    }
    else
    {
        writeTag (out, "RIFF");
        out.writeInt ((int) (juce::uint32) plainRiffSize);
        writeTag (out, "WAVE");
    }

    writeTag (out, "fmt ");
    out.writeInt ((int) formatBytes);
    out.writeShort ((short) (mask != 0 ? 0xfffe : (floating ? 3 : 1)));
    out.writeShort ((short) channels);
    out.writeInt ((int) rate);
    out.writeInt ((int) (rate * blockAlign));
    out.writeShort ((short) blockAlign);
    out.writeShort (32);

    if (mask != 0)
    {
        // WAVE_FORMAT_EXTENSIBLE: valid bits, speaker mask, the IEEE float (or PCM) sub-format.
        juce::uint8 subFormat[16] = { 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                      0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71 };
        subFormat[0] = floating ? 0x03 : 0x01;
        out.writeShort (22);
        out.writeShort (32);
        out.writeInt ((int) mask);
        out.write (subFormat, sizeof (subFormat));
    }
    else
    {
        out.writeShort (0);   // cbSize: no extension
    }

    if (floating)
    {
        writeTag (out, "fact");
        out.writeInt (4);
        out.writeInt ((int) (juce::uint32) juce::jmin (frames, (juce::uint64) largestRiffSize));
    }

    writeTag (out, "data");
    out.writeInt (rf64 ? -1 : (int) (juce::uint32) dataBytes);
    return out.getMemoryBlock();
}

FloatWavWriter::FloatWavWriter (juce::OutputStream* stream, double rate, int channels, juce::int64 frames,
                                WavWords32 words)
    : juce::AudioFormatWriter (stream, "WAV file", rate, (unsigned int) channels, 32)
{
    usesFloatingPointData = words == WavWords32::ieeeFloat;
    const auto header = floatWavHeader (channels, rate, (juce::uint64) juce::jmax ((juce::int64) 0, frames), words);
    output->write (header.getData(), header.getSize());
}

bool FloatWavWriter::write (const int** samples, int numSamples)
{
    const auto channels = (int) numChannels;
    const auto needed = (size_t) channels * (size_t) juce::jmax (numSamples, 0);

    if (needed > capacity)
    {
        interleaved.realloc (needed);
        capacity = needed;
    }

    // Moved as 32-bit words, never as floats, so every bit pattern arrives as it was.
    auto* const* words = reinterpret_cast<const juce::uint32* const*> (samples);

    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < numSamples; ++i)
            interleaved[(size_t) i * (size_t) channels + (size_t) ch] = words[ch] != nullptr ? words[ch][i] : 0u;

   #if JUCE_BIG_ENDIAN
    for (size_t i = 0; i < needed; ++i)
        interleaved[i] = juce::ByteOrder::swap (interleaved[i]);
   #endif

    return output->write (interleaved.get(), needed * sizeof (juce::uint32));
}

} // namespace korvid
