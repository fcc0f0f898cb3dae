#include "core/audio/TrackSplit.h"

#include "core/audio/AudioReading.h"
#include "core/audio/AudioTestFiles.h"
#include "core/codec/PcmTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvid
{
namespace
{

using test::folderEntries;
using test::readBack;
using test::TempFolder;

TrackSplitRequest requestFor (const juce::File& source, double seconds, const juce::File& first,
                              const juce::File& second, double crossfadeMs = 5.0)
{
    TrackSplitRequest request;
    request.source = source;
    request.splitSeconds = seconds;
    request.firstPart = first;
    request.secondPart = second;
    request.crossfadeMs = crossfadeMs;
    return request;
}

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}

// The parts add up to the source exactly, are written in the codec their names
// carry at the source's word length, and hold the source before / after the fade.
TEST (TrackSplit, PartsSumExactlyToTheSourceInTheSourcesCodec)
{
    struct Case { const char* extension; int sourceBits; int partBits; const char* format; };
    const Case cases[] = {
        { ".wav", 16, 16, "WAV file" },   { ".wav", 24, 24, "WAV file" },   { ".wav", 8, 16, "WAV file" },
        { ".aif", 16, 16, "AIFF file" },  { ".aif", 24, 24, "AIFF file" },
        { ".flac", 16, 16, "FLAC file" }, { ".flac", 24, 24, "FLAC file" },
    };

    const int frames = 60000;
    const double rate = 48000.0;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.extension) + " " + juce::String (c.sourceBits));
        TempFolder temp;
        const auto source = temp.file (juce::String ("Take_splitted") + c.extension);
        const auto first = temp.file (juce::String ("Take") + c.extension);
        const auto second = temp.file (juce::String ("Brass") + c.extension);
        const auto samples = test::randomPcm (2, frames, c.sourceBits, 3);
        ASSERT_TRUE (test::writePcmFile (source, samples, rate, c.sourceBits));
        const auto sourceBytes = bytesOf (source);

        const auto result = splitTrackFile (requestFor (source, 1.0, first, second));
        ASSERT_TRUE (result.ok) << result.message;
        EXPECT_TRUE (result.message.isEmpty());
        EXPECT_EQ (bytesOf (source), sourceBytes);

        const auto a = readBack (first);
        const auto b = readBack (second);
        ASSERT_TRUE (a.ok && b.ok);

        for (const auto* part : { &a, &b })
        {
            EXPECT_EQ (part->formatName, c.format);
            EXPECT_EQ (part->bitsPerSample, c.partBits);
            EXPECT_EQ (part->sampleRate, rate);
            ASSERT_EQ (part->integers.size(), 2u);
            ASSERT_EQ (part->integers[0].size(), (size_t) frames);
        }

        const int scale = 1 << (c.partBits - c.sourceBits < 0 ? 0 : c.partBits - c.sourceBits);
        const int cut = 48000, fade = 240;   // 1.0 s and 5 ms at 48 kHz

        for (size_t ch = 0; ch < 2; ++ch)
        {
            for (int i = 0; i < frames; ++i)
            {
                const int s = samples[ch][(size_t) i] * scale;
                const int x = a.integers[ch][(size_t) i];
                const int y = b.integers[ch][(size_t) i];
                ASSERT_EQ (x + y, s) << "frame " << i;

                if (i < cut)
                    ASSERT_EQ (y, 0) << "frame " << i;
                else if (i >= cut + fade)
                    ASSERT_EQ (x, 0) << "frame " << i;
                else
                    ASSERT_LE (std::abs (x - (1.0 - (i - cut) / (double) fade) * s), 0.5) << "frame " << i;
            }
        }
    }
}

TEST (TrackSplit, FloatSourceKeepsFloatInWavAndExactSums)
{
    TempFolder temp;
    const auto source = temp.file ("Pad_splitted.wav");
    const auto input = test::makeSine (2, 20000, 440.0, 44100.0, 0.7f);
    ASSERT_TRUE (test::writeAudioFile (source, input, 44100.0, 32));

    const auto first = temp.file ("Pad.wav");
    const auto second = temp.file ("Pad 2.wav");
    const auto result = splitTrackFile (requestFor (source, 0.2, first, second, 10.0));
    ASSERT_TRUE (result.ok) << result.message;

    const auto a = readBack (first);
    const auto b = readBack (second);
    ASSERT_TRUE (a.ok && b.ok);
    EXPECT_TRUE (a.floatingPoint && b.floatingPoint);
    EXPECT_EQ (a.bitsPerSample, 32);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < input.getNumSamples(); ++i)
            ASSERT_EQ ((double) a.floats[(size_t) ch][(size_t) i] + (double) b.floats[(size_t) ch][(size_t) i],
                       (double) input.getSample (ch, i)) << "frame " << i;
}

// Where the cut and the fade fall: split 0 fades over the first frames, a split at
// or past the end leaves the second part silent, 0 ms cuts hard.
TEST (TrackSplit, CutAndCrossfadeLandOnTheRightFrames)
{
    struct Case { double seconds; double crossfadeMs; int cut; int fade; };
    const Case cases[] = {
        { 1.0, 5.0, 48000, 240 }, { 0.0, 5.0, 0, 240 },    { -2.0, 5.0, 0, 240 },
        { 1.25, 5.0, 60000, 0 },  { 9.0, 5.0, 60000, 0 },  { 1.2499, 5.0, 59995, 5 },
        { 0.5, 0.0, 24000, 0 },   { 0.5, -3.0, 24000, 0 }, { 0.00001, 5.0, 0, 240 },
    };

    TempFolder temp;
    const auto source = temp.file ("Src.wav");
    const auto samples = test::randomPcm (1, 60000, 24, 9);
    ASSERT_TRUE (test::writePcmFile (source, samples, 48000.0, 24));

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.seconds) + " s, " + juce::String (c.crossfadeMs) + " ms");
        const auto first = temp.file ("A.wav");
        const auto second = temp.file ("B.wav");
        first.deleteFile();
        second.deleteFile();

        const auto result = splitTrackFile (requestFor (source, c.seconds, first, second, c.crossfadeMs));
        ASSERT_TRUE (result.ok) << result.message;
        const auto a = readBack (first).integers.front();
        const auto b = readBack (second).integers.front();

        for (int i = 0; i < (int) samples[0].size(); ++i)
        {
            const int s = samples[0][(size_t) i];
            const bool beforeCut = i < c.cut;
            const bool afterFade = i >= c.cut + c.fade;

            if (beforeCut)
                ASSERT_TRUE (a[(size_t) i] == s && b[(size_t) i] == 0) << "frame " << i;
            else if (afterFade)
                ASSERT_TRUE (a[(size_t) i] == 0 && b[(size_t) i] == s) << "frame " << i;
            else
                ASSERT_TRUE (a[(size_t) i] + b[(size_t) i] == s
                             && std::abs (a[(size_t) i] - (1.0 - (i - c.cut) / (double) c.fade) * s) <= 0.5)
                    << "frame " << i << " is faded";
        }
    }
}

TEST (TrackSplit, RefusesWithOneSentenceAndLeavesNoPart)
{
    TempFolder temp;
    const auto source = temp.file ("Src.wav");
    ASSERT_TRUE (test::writePcmFile (source, test::randomPcm (2, 4800, 16, 1), 48000.0, 16));
    const auto slowSource = temp.file ("Slow.wav");
    ASSERT_TRUE (test::writePcmFile (slowSource, test::randomPcm (1, 4800, 16, 1), 22050.0, 16));
    const auto noise = temp.file ("Noise.wav");
    ASSERT_TRUE (noise.replaceWithText ("not audio at all"));
    const auto existing = temp.file ("Existing.wav");
    ASSERT_TRUE (existing.replaceWithText ("keep me"));
    const auto folder = temp.file ("Folder.wav");
    ASSERT_TRUE (folder.createDirectory().wasOk());

    const auto before = folderEntries (temp.folder);
    const auto a = temp.file ("A.wav");
    const auto b = temp.file ("B.wav");
    const auto longName = temp.file (juce::String::repeatedString ("n", 250) + ".wav");

    struct Case { const char* name; TrackSplitRequest request; juce::String expected; };
    const Case cases[] = {
        { "missing source", requestFor (temp.file ("Gone.wav"), 0.05, a, b), "The track's file is no longer where it was imported from." },
        { "first exists", requestFor (source, 0.05, existing, b), "There is already a file with one of those names." },
        { "second is a folder", requestFor (source, 0.05, a, folder), "There is already a file with one of those names." },
        { "same name twice", requestFor (source, 0.05, a, a), "The two parts need different names." },
        { "not an audio name", requestFor (source, 0.05, a, temp.file ("B.txt")),
          "Both parts need a WAV, AIFF or FLAC file name (.wav, .aif, .aiff or .flac)." },
        { "no time", requestFor (source, std::numeric_limits<double>::quiet_NaN(), a, b), "The split point is not a valid time." },
        { "unreadable source", requestFor (noise, 0.05, a, b), "" },
        { "rate the codec cannot store", requestFor (slowSource, 0.05, a, b), "WAV cannot store 22.1 kHz." },
        { "second cannot be written", requestFor (source, 0.05, a, longName), "The destination path is too long." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = splitTrackFile (c.request);
        EXPECT_FALSE (result.ok);

        if (c.expected.isEmpty())
            EXPECT_FALSE (result.message.isEmpty());
        else
            EXPECT_EQ (result.message, c.expected);

        // Nothing new in the folder: the first part is removed when the second fails.
        EXPECT_EQ (folderEntries (temp.folder), before);
        EXPECT_EQ (existing.loadFileAsString(), "keep me");
    }
}

} // namespace
} // namespace korvid
