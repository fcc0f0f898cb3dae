#include "AudioTestFiles.h"
#include "ForeignAudioFiles.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/WaveformOverview.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

using namespace korvid::test;

const juce::String damaged = "The audio data could not be read; the file may be truncated or damaged.";
constexpr juce::uint32 rate = 48000;
constexpr int frames = 30000;

/** A file as another program writes it, and what it holds. */
struct ForeignFile
{
    juce::String name;
    juce::MemoryBlock bytes;
    IntegerChannels samples;
    int bits = 0;
};

std::vector<ForeignFile> exactFiles()
{
    const auto stereo16 = integerNoise (2, frames, 16, 1);
    const auto stereo20 = integerNoise (2, frames, 20, 2);
    const auto stereo24 = integerNoise (2, frames, 24, 3);
    const auto mono8 = integerNoise (1, frames, 8, 4);
    const auto mono12 = integerNoise (1, frames, 12, 5);
    const auto mono16 = integerNoise (1, frames, 16, 6);
    const auto mono32 = integerNoise (1, frames, 32, 7);
    const auto pipe = integerNoise (2, 14400, 16, 8);   // 0.3 s

    const std::vector<int> variableBlocks { 4608, 576, 1152, 17, 2304, 3001 };

    return {
        { "pcm16.wav", wavBytes ({ 1, 1, 16, 2 }, rate, stereo16), stereo16, 16 },
        { "pcm8.wav", wavBytes ({ 1, 1, 8, 1 }, rate, mono8), mono8, 8 },
        { "pcm24.wav", wavBytes ({ 1, 1, 24, 3 }, rate, stereo24), stereo24, 24 },
        { "pcm32.wav", wavBytes ({ 1, 1, 32, 4 }, rate, mono32), mono32, 32 },
        { "20 in 24.wav", wavBytes ({ 1, 1, 20, 3 }, rate, stereo20), stereo20, 20 },
        { "12 in 16.wav", wavBytes ({ 1, 1, 12, 2 }, rate, mono12), mono12, 12 },
        { "extensible 20 in 24.wav", wavBytes ({ 0xfffe, 1, 20, 3 }, rate, stereo20), stereo20, 20 },
        { "streamed.wav", wavBytes ({ 1, 1, 16, 2, true }, rate, pipe), pipe, 16 },
        { "pcm16.aif", aiffBytes (16, rate, stereo16), stereo16, 16 },
        { "pcm20.aif", aiffBytes (20, rate, stereo20), stereo20, 20 },
        { "pcm12.aiff", aiffBytes (12, rate, mono12), mono12, 12 },
        { "pcm8.aif", aiffBytes (8, rate, mono8), mono8, 8 },
        { "little endian.aif", aiffBytes (24, rate, stereo24, "sowt"), stereo24, 24 },
        { "block 192.flac", flacBytes (stereo16, 16, rate, 192), stereo16, 16 },
        { "block 1152.flac", flacBytes (stereo24, 24, rate, 1152), stereo24, 24 },
        { "block 4096.flac", flacBytes (mono16, 16, rate, 4096), mono16, 16 },
        { "block 4608.flac", flacBytes (stereo24, 24, rate, 4608), stereo24, 24 },
        { "variable blocks.flac", variableBlockFlacBytes (stereo16, 16, rate, variableBlocks), stereo16, 16 },
        { "no total.flac", flacBytes (stereo16, 16, rate, 1152, false), stereo16, 16 },
    };
}

struct Range
{
    int start;
    int length;   // 0: to the end
};

/** Starts at the first and last frame, inside and across blocks, far from the start. */
std::vector<Range> rangesOf (int total)
{
    return { { 0, 1 }, { 1, 1000 }, { total / 2 - 777, 5000 }, { 3 * 4608 + 5, 200 },
             { 4608, 4608 }, { total - 3000, 0 }, { total - 1, 0 } };
}

void expectHolds (const juce::AudioBuffer<double>& buffer, int firstFrame, const ForeignFile& file)
{
    ASSERT_EQ (buffer.getNumChannels(), (int) file.samples.size());

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            ASSERT_EQ (buffer.getSample (ch, i),
                       fullScaleValue (file.samples[(size_t) ch][(size_t) (firstFrame + i)], file.bits))
                << "channel " << ch << ", frame " << firstFrame + i;
}

TEST (ForeignFileReading, WholeReadsAndEveryRangeGiveTheWordsExactly)
{
    TempFolder temp;

    for (const auto& foreign : exactFiles())
    {
        SCOPED_TRACE (foreign.name);
        const auto file = temp.file (foreign.name);
        ASSERT_GT (foreign.bytes.getSize(), 0u);
        ASSERT_TRUE (writeBytes (file, foreign.bytes));
        const auto total = (int) foreign.samples.front().size();

        AudioFileInfo info;
        juce::String error;
        ASSERT_TRUE (probeAudioFile (file, info, error)) << error;
        EXPECT_EQ (info.bitsPerSample, foreign.bits);
        EXPECT_EQ (info.numChannels, (int) foreign.samples.size());
        EXPECT_EQ (info.lengthInSamples, total);
        EXPECT_EQ (info.sampleRate, (double) rate);

        juce::AudioBuffer<double> whole;
        ASSERT_TRUE (readWholeAudioFile (file, whole, error)) << error;
        ASSERT_EQ (whole.getNumSamples(), total);
        expectHolds (whole, 0, foreign);

        for (const auto& range : rangesOf (total))
        {
            SCOPED_TRACE (juce::String (range.start) + " + " + juce::String (range.length));
            const double startSeconds = range.start / (double) rate;
            const double lengthSeconds = range.length / (double) rate;
            const auto start = (int) (startSeconds * rate);
            const auto count = range.length > 0 ? juce::jmin (total - start, (int) (lengthSeconds * rate)) : total - start;

            juce::AudioBuffer<double> part;
            ASSERT_TRUE (readAudioRange (file, 0.0, startSeconds, lengthSeconds, part, error)) << error;
            ASSERT_EQ (part.getNumSamples(), count);
            expectHolds (part, start, foreign);
        }
    }
}

TEST (ForeignFileReading, OneReaderGivesTheSameWordsInAnyOrderOfReads)
{
    TempFolder temp;

    for (const auto& foreign : exactFiles())
    {
        SCOPED_TRACE (foreign.name);
        const auto file = temp.file (foreign.name);
        ASSERT_TRUE (writeBytes (file, foreign.bytes));
        const auto total = (int) foreign.samples.front().size();

        auto reader = createBufferedReaderFor (file);
        ASSERT_NE (reader, nullptr);

        // Backwards, close ahead, far ahead, the same frame again, across the end.
        const Range reads[] = { { total - 700, 700 }, { 10, 50 }, { 70, 3000 }, { 3100, 20 }, { total / 2, 9000 },
                                { 2000, 5 }, { 2000, 5 }, { 0, 2 * 4608 + 1 }, { total - 100, 400 } };

        for (const auto& range : reads)
        {
            SCOPED_TRACE (juce::String (range.start) + " + " + juce::String (range.length));
            juce::AudioBuffer<float> block ((int) reader->numChannels, range.length);
            block.clear();
            ASSERT_TRUE (reader->read (block.getArrayOfWritePointers(), block.getNumChannels(), range.start,
                                       range.length));

            for (int ch = 0; ch < block.getNumChannels(); ++ch)
                for (int i = 0; i < range.length; ++i)
                {
                    const auto frame = range.start + i;
                    const double expected = frame < total ? fullScaleValue (foreign.samples[(size_t) ch][(size_t) frame], foreign.bits)
                                                          : 0.0;
                    ASSERT_EQ ((double) block.getSample (ch, i), expected) << "channel " << ch << ", frame " << frame;
                }
        }
    }
}

TEST (ForeignFileReading, StreamedWavHoldsTheFramesThatFitItsBytes)
{
    TempFolder temp;
    const auto samples = integerNoise (2, 100, 16, 9);
    auto bytes = wavBytes ({ 1, 1, 16, 2, true }, rate, samples);
    bytes.append ("xyz", 3);   // a frame cut short when the pipe closed

    const auto file = temp.file ("cut pipe.wav");
    ASSERT_TRUE (writeBytes (file, bytes));

    AudioFileInfo info;
    juce::String error;
    ASSERT_TRUE (probeAudioFile (file, info, error)) << error;
    EXPECT_EQ (info.lengthInSamples, 100);

    juce::AudioBuffer<double> whole;
    ASSERT_TRUE (readWholeAudioFile (file, whole, error)) << error;
    expectHolds (whole, 0, { "", {}, samples, 16 });
}

TEST (ForeignFileReading, WordSizesThatAreNotConvertedAreRefusedByName)
{
    TempFolder temp;
    const auto samples = integerNoise (2, 1000, 16, 10);
    const juce::String float64 = "64-bit float audio is not supported; export the tracks as 32-bit float or 24-bit.";

    const std::pair<juce::String, juce::MemoryBlock> cases[] = {
        { "double.wav", wavBytes ({ 3, 3, 64, 8 }, rate, samples) },
        { "extensible double.wav", wavBytes ({ 0xfffe, 3, 64, 8 }, rate, samples) },
        { "double.aif", aiffBytes (64, rate, samples, "fl64") },
        { "half.wav", wavBytes ({ 3, 3, 16, 2 }, rate, samples) },
        { "40 bit.wav", wavBytes ({ 1, 1, 40, 5 }, rate, samples) },
        { "48 bit.aif", aiffBytes (48, rate, samples) },
    };

    const juce::String expected[] = {
        float64, float64, float64,
        "16-bit float audio is not supported; export the tracks as 32-bit float or 24-bit.",
        "40-bit integer audio is not supported; export the tracks as 32-bit float or 24-bit.",
        "48-bit integer audio is not supported; export the tracks as 32-bit float or 24-bit.",
    };

    for (size_t i = 0; i < std::size (cases); ++i)
    {
        SCOPED_TRACE (cases[i].first);
        const auto file = temp.file (cases[i].first);
        ASSERT_TRUE (writeBytes (file, cases[i].second));

        AudioFileInfo info;
        juce::String error;
        EXPECT_FALSE (probeAudioFile (file, info, error));
        EXPECT_EQ (error, expected[i]);

        juce::AudioBuffer<double> buffer;
        EXPECT_FALSE (readAudioRange (file, 0.0, 0.0, 0.0, buffer, error));
        EXPECT_EQ (error, expected[i]);

        readWaveformWindow (file, 0.0, 1.0, 100, error);
        EXPECT_EQ (error, expected[i]);
    }
}

/** A copy of the bytes with `count` bytes inverted from `position` on. */
juce::MemoryBlock withFlippedBytes (const juce::MemoryBlock& bytes, size_t position, size_t count)
{
    auto copy = bytes;

    for (size_t i = position; i < position + count; ++i)
        copy[i] = (char) ~copy[i];

    return copy;
}

juce::MemoryBlock cutTo (const juce::MemoryBlock& bytes, size_t size)
{
    return juce::MemoryBlock (bytes.getData(), size);
}

/** The header's total (36 bits at byte 21 of a stream that starts with STREAMINFO), raised. */
juce::MemoryBlock withTotalRaisedBy (const juce::MemoryBlock& bytes, int extra)
{
    auto copy = bytes;
    auto* data = static_cast<juce::uint8*> (copy.getData());
    juce::uint64 total = data[21] & 0x0f;

    for (int i = 22; i < 26; ++i)
        total = (total << 8) | data[i];

    total += (juce::uint64) extra;
    data[21] = (juce::uint8) ((data[21] & 0xf0) | ((total >> 32) & 0x0f));

    for (int i = 25; i >= 22; --i, total >>= 8)
        data[i] = (juce::uint8) (total & 0xff);

    return copy;
}

TEST (ForeignFileReading, DamagedFlacIsRefusedAndNeverPaddedWithSilence)
{
    TempFolder temp;
    const auto samples = integerNoise (2, frames, 16, 11);
    const auto fixed = flacBytes (samples, 16, rate, 1152);
    const auto variable = variableBlockFlacBytes (samples, 16, rate, { 4608, 576, 1152, 2304 });
    const auto middle = fixed.getSize() / 2;

    struct Case
    {
        juce::String name;
        juce::MemoryBlock bytes;
        bool endLost;   // the last frames are gone, not only the middle damaged
    };

    const Case cases[] = {
        { "cut at 40 percent.flac", cutTo (fixed, fixed.getSize() * 4 / 10), true },
        { "variable cut at 40 percent.flac", cutTo (variable, variable.getSize() * 4 / 10), true },
        { "fewer frames than the header.flac", withTotalRaisedBy (fixed, 5000), true },
        { "flipped middle frame.flac", withFlippedBytes (fixed, middle, 4), false },
        { "variable flipped middle frame.flac", withFlippedBytes (variable, variable.getSize() / 2, 4), false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = temp.file (c.name);
        ASSERT_TRUE (writeBytes (file, c.bytes));
        const ForeignFile foreign { c.name, c.bytes, samples, 16 };

        // The header is whole, so the probe takes it; every read that meets the damage fails.
        AudioFileInfo info;
        juce::String error;
        ASSERT_TRUE (probeAudioFile (file, info, error)) << error;

        juce::AudioBuffer<double> buffer;
        EXPECT_FALSE (readWholeAudioFile (file, buffer, error));
        EXPECT_EQ (error, damaged);

        EXPECT_FALSE (readAudioRange (file, 0.0, 0.0, 0.0, buffer, error));
        EXPECT_EQ (error, damaged);

        readWaveformOverview (file, 100, error);
        EXPECT_EQ (error, damaged);

        // Reads that do not meet the damage are exact: the start, and the end when it is there.
        ASSERT_TRUE (readAudioRange (file, 0.0, 0.01, 0.05, buffer, error)) << error;
        expectHolds (buffer, 480, foreign);

        const double nearTheEnd = (double) (info.lengthInSamples - 2400) / rate;
        const bool endRead = readAudioRange (file, 0.0, nearTheEnd, 0.0, buffer, error);
        EXPECT_EQ (endRead, ! c.endLost);

        if (endRead)
            expectHolds (buffer, (int) (nearTheEnd * rate), foreign);
        else
            EXPECT_EQ (error, damaged);
    }
}

} // namespace
} // namespace korvid
