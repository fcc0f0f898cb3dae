#include "core/codec/EncoderSettings.h"

namespace korvid
{

int encodedBitsPerSample (SampleFormat format)
{
    return format == SampleFormat::float32 ? 32 : bitsPerSample (format);
}

juce::String EncoderSettings::toText() const
{
    auto text = toString (codec).toUpperCase();

    if (codec == Codec::mp3)
    {
        text << " " << mp3Bitrate << "kbps";
    }
    else
    {
        const bool isFloat = sampleFormat == SampleFormat::float32;
        text << " " << formatBitDepth (encodedBitsPerSample (sampleFormat), isFloat).replaceFirstOccurrenceOf (" bit", "bit");
    }

    text << " " << formatSampleRate (sampleRate).replaceFirstOccurrenceOf (" kHz", "kHz");
    text << " " << channels << "ch";
    return text;
}

} // namespace korvid
