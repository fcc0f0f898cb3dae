#pragma once

#include "core/model/Types.h"

#include <juce_core/juce_core.h>

#include <cstdint>

namespace korvid
{

/** What an encoder is asked to write for one file. */
struct EncoderSettings
{
    Codec codec = Codec::wav;                     // must equal the encoder's codec
    SampleFormat sampleFormat = SampleFormat::pcm24;
    double sampleRate = 48000.0;                  // Hz; the buffer is already at this rate
    int channels = 2;                             // for the text form only; the file gets the buffer's count
    int mp3Bitrate = 320;                         // kbit/s, mp3 only
    Dither dither = Dither::tpdfShaped;
    std::uint64_t ditherSeed = 1;                 // 0 draws a fresh seed

    /** The short description shown for written files: "WAV 24bit 48kHz 2ch",
        "WAV 32bit float 96kHz 2ch", "MP3 320kbps 48kHz 2ch". */
    juce::String toText() const;
};

/** 32 for float32, else 16 or 24. */
int encodedBitsPerSample (SampleFormat format);

} // namespace korvid
