#pragma once

#include <juce_core/juce_core.h>

#include <vector>

// Audio files as other programs write them, made byte by byte or with the system libFLAC
// encoder, so a test controls every header field, word size and block size. Used by the
// tests and by the fuzzers' seed corpus.
namespace korvid::test
{

/** Integer samples per channel, right-justified: a 20-bit word lies in -524288..524287. */
using IntegerChannels = std::vector<std::vector<int>>;

/** Noise over the whole range of `bits`-bit words, both extremes included, the same for
    the same seed. */
IntegerChannels integerNoise (int channels, int frames, int bits, juce::int64 seed);

/** What a read of such a word gives: the word with its bits at the top, as a fraction of
    full scale. */
double fullScaleValue (int sample, int bits);

struct WavLayout
{
    int formatTag = 1;          // 1 integer PCM, 3 IEEE float, 0xfffe extensible
    int subFormat = 1;          // the sub-format's tag of an extensible file
    int validBits = 16;         // the declared bits; the words hold them at the top
    int wordBytes = 2;          // the container, which sets the block align
    bool streamed = false;      // RIFF and data sizes of 0xFFFFFFFF, as written to a pipe
};

/** A WAV file of integer words laid out as given (float layouts get zero words). */
juce::MemoryBlock wavBytes (const WavLayout& layout, juce::uint32 rate, const IntegerChannels& samples);

/** An AIFF file of `bits`-bit big-endian words; with a compression type ("NONE", "sowt",
    "fl32", "fl64") an AIFF-C file (the float types get zero words). */
juce::MemoryBlock aiffBytes (int bits, juce::uint32 rate, const IntegerChannels& samples,
                             const char* compression = nullptr);

/** A FLAC stream from the system libFLAC encoder with a fixed block size. Without the
    total its header gives no length, as a stream written to a pipe. */
juce::MemoryBlock flacBytes (const IntegerChannels& samples, int bits, juce::uint32 rate, int blockSize,
                             bool withTotal = true);

/** A FLAC stream written byte by byte whose frames take the given block sizes in turn
    (a variable-block stream, verbatim subframes). */
juce::MemoryBlock variableBlockFlacBytes (const IntegerChannels& samples, int bits, juce::uint32 rate,
                                          const std::vector<int>& blockSizes);

/** Writes the bytes to the file, replacing it. */
bool writeBytes (const juce::File& file, const juce::MemoryBlock& bytes);

} // namespace korvid::test
