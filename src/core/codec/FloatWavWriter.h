#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** What the 32-bit words of the file are. */
enum class WavWords32 : int
{
    ieeeFloat,
    integer
};

/** The header of a 32-bit float WAV file of `frames` frames, laid out as the format asks for
    float data: a format chunk of 18 bytes ending in cbSize 0 (an extensible one of 40 bytes
    when 3 to 8 channels carry a speaker layout), a fact chunk with the frame count, then the
    data chunk's header. RF64 with a ds64 chunk when the sizes do not fit 32 bits. With integer
    words the same layout says PCM and has no fact chunk. */
juce::MemoryBlock floatWavHeader (int channels, double sampleRate, juce::uint64 frames,
                                  WavWords32 words = WavWords32::ieeeFloat);

/** Writes a 32-bit float WAV file with that header. The frame count is known before the first
    sample, so the header is written once and the stream never seeks; the caller writes exactly
    that many frames (a file left shorter is incomplete and is to be discarded). Integer WAV
    stays with the framework's writer, but for 32-bit integer words, which it cannot write. */
class FloatWavWriter final : public juce::AudioFormatWriter
{
public:
    /** Takes the stream. */
    FloatWavWriter (juce::OutputStream* stream, double sampleRate, int channels, juce::int64 frames,
                    WavWords32 words = WavWords32::ieeeFloat);

    /** `samples` are float channels, as writeFromFloatArrays hands them on, or 32-bit integers;
        either way their bits are written as they are. */
    bool write (const int** samples, int numSamples) override;

private:
    juce::HeapBlock<juce::uint32> interleaved;
    size_t capacity = 0;
};

} // namespace korvid
