#include "core/audio/TrackSplit.h"

#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/AudioTestFiles.h"
#include "core/audio/ForeignAudioFiles.h"
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

// Splits into parts of these names, removing those an earlier case left.
TrackSplitResult splitAnew (const juce::File& source, double seconds, double crossfadeMs, const juce::File& first,
                            const juce::File& second)
{
    first.deleteFile();
    second.deleteFile();
    return splitTrackFile (requestFor (source, seconds, first, second, crossfadeMs));
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

// A float take may go past full scale; its parts keep every sample as it is, so they
// still add up to the take exactly, in the crossfade too.
TEST (TrackSplit, FloatTakeOverFullScaleSplitsIntoPartsThatAddUpExactly)
{
    struct Case { double seconds; double crossfadeMs; };
    const Case cases[] = { { 0.2, 10.0 }, { 0.2, 0.0 }, { 0.0, 50.0 } };

    TempFolder temp;
    const auto source = temp.file ("Hits_splitted.wav");
    auto input = test::makeSine (2, 40000, 441.0, 44100.0, 3.0f);
    input.setSample (0, 8820, 1.0e30f);     // at the cut
    input.setSample (1, 8821, -7.5f);
    input.setSample (0, 8822, 1.0e-40f);    // below the smallest normal float
    ASSERT_TRUE (test::writeAudioFile (source, input, 44100.0, 32));

    const auto written = readBack (source);
    ASSERT_TRUE (written.ok && written.floatingPoint);
    ASSERT_EQ (written.floats[0][8820], 1.0e30f) << "the source itself must hold samples over full scale";

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.seconds) + " s, " + juce::String (c.crossfadeMs) + " ms");
        const auto first = temp.file ("Hits.wav");
        const auto second = temp.file ("Hits 2.wav");
        const auto result = splitAnew (source, c.seconds, c.crossfadeMs, first, second);
        ASSERT_TRUE (result.ok) << result.message;

        const auto a = readBack (first);
        const auto b = readBack (second);
        ASSERT_TRUE (a.ok && b.ok);
        ASSERT_TRUE (a.floatingPoint && b.floatingPoint);
        const int cut = (int) std::llround (c.seconds * 44100.0);
        const int fade = (int) std::llround (c.crossfadeMs * 44.1);

        for (size_t ch = 0; ch < 2; ++ch)
        {
            for (size_t i = 0; i < written.floats[ch].size(); ++i)
            {
                const float s = written.floats[ch][i];
                const float x = a.floats[ch][i];
                const float y = b.floats[ch][i];
                ASSERT_EQ (x + y, s) << "channel " << ch << ", frame " << i;

                if ((int) i < cut)
                {
                    ASSERT_EQ (y, 0.0f) << "frame " << i;
                }
                else if ((int) i >= cut + fade)
                {
                    ASSERT_EQ (x, 0.0f) << "frame " << i;
                }
            }
        }
    }
}

// Word lengths a file may declare inside larger words, and 32-bit integers: the parts keep
// every bit of them.
TEST (TrackSplit, DeclaredWordLengthsKeepEveryBit)
{
    struct Case { int validBits; int wordBytes; int partBits; };
    const Case cases[] = { { 20, 3, 24 }, { 12, 2, 16 }, { 18, 3, 24 }, { 32, 4, 32 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.validBits);
        TempFolder temp;
        const auto source = temp.file ("Take_splitted.wav");
        const auto samples = test::integerNoise (2, 30000, c.validBits, 5);
        test::WavLayout layout;
        layout.validBits = c.validBits;
        layout.wordBytes = c.wordBytes;
        ASSERT_TRUE (test::writeBytes (source, test::wavBytes (layout, 48000, samples)));

        const auto first = temp.file ("Take.wav");
        const auto second = temp.file ("Take 2.wav");
        const auto result = splitTrackFile (requestFor (source, 0.3, first, second));
        ASSERT_TRUE (result.ok) << result.message;

        const auto a = readBack (first);
        const auto b = readBack (second);
        ASSERT_TRUE (a.ok && b.ok);
        EXPECT_EQ (a.bitsPerSample, c.partBits);
        EXPECT_EQ (b.bitsPerSample, c.partBits);
        EXPECT_FALSE (a.floatingPoint || b.floatingPoint);

        // The system's own reader takes the parts too, so they import.
        AudioFileInfo info;
        juce::String error;
        EXPECT_TRUE (probeAudioFile (second, info, error)) << error;
        EXPECT_EQ (info.bitsPerSample, c.partBits);

        for (size_t ch = 0; ch < 2; ++ch)
            for (size_t i = 0; i < samples[ch].size(); ++i)
                ASSERT_EQ ((juce::int64) a.integers[ch][i] + b.integers[ch][i],
                           (juce::int64) samples[ch][i] << (c.partBits - c.validBits))
                    << "frame " << i;
    }
}

// Asked before every block: a cancelled split leaves no part and no temporary file, and
// a name taken while it runs is never written over.
TEST (TrackSplit, CancelsAndNeverReplacesANameTakenMeanwhile)
{
    TempFolder temp;
    const auto source = temp.file ("Take_splitted.wav");
    ASSERT_TRUE (test::writePcmFile (source, test::randomPcm (2, 80000, 24, 4), 48000.0, 24));
    const auto first = temp.file ("Take.wav");
    const auto second = temp.file ("Brass.wav");

    struct Case
    {
        const char* name;
        int onCall;                 // the check at which something happens
        juce::File takenMeanwhile;  // empty: the split is cancelled there instead
        const char* message;
    };

    const Case cases[] = {
        { "cancelled at once", 1, {}, "The split was cancelled." },
        { "cancelled half-way", 3, {}, "The split was cancelled." },
        { "first name taken", 2, first, "There is already a file with one of those names." },
        { "second name taken", 4, second, "There is already a file with one of those names." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        first.deleteFile();
        second.deleteFile();
        const auto before = folderEntries (temp.folder);
        int calls = 0;

        const auto result = splitTrackFile (requestFor (source, 0.5, first, second), [&]
        {
            if (++calls != c.onCall)
                return false;

            if (c.takenMeanwhile == juce::File())
                return true;

            c.takenMeanwhile.replaceWithText ("someone else's file");
            return false;
        });

        EXPECT_FALSE (result.ok);
        EXPECT_EQ (result.message, c.message);
        EXPECT_GE (calls, c.onCall);

        auto expected = before;

        if (c.takenMeanwhile != juce::File())
        {
            EXPECT_EQ (c.takenMeanwhile.loadFileAsString(), "someone else's file");
            expected.add (c.takenMeanwhile.getFileName());
            expected.sort (false);
        }

        EXPECT_EQ (folderEntries (temp.folder), expected);
    }
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
        const auto result = splitAnew (source, c.seconds, c.crossfadeMs, first, second);
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
