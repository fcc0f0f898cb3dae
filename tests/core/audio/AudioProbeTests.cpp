#include "AudioTestFiles.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioProbe.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

using namespace korvid::test;

struct HeaderCase
{
    const char* name;
    int channels;
    juce::uint32 rate;
    juce::uint64 frames;
    const char* expectedError; // empty: accepted
};

TEST (AudioProbe, LimitsAndTheirSentences)
{
    TempFolder temp;

    const HeaderCase cases[] = {
        { "64 channels", 64, 48000, 1000, "" },
        { "65 channels", 65, 48000, 1000, "The file has 65 channels, the limit is 64." },
        { "8000 Hz", 1, 8000, 1000, "" },
        { "768000 Hz", 1, 768000, 1000, "" },
        { "7999 Hz", 1, 7999, 1000, "Unsupported sample rate: 7999 Hz." },
        { "768001 Hz", 1, 768001, 1000, "Unsupported sample rate: 768001 Hz." },
        { "one million Hz", 1, 1000000, 1000, "Unsupported sample rate: 1e+06 Hz." },
        { "no frames", 2, 48000, 0, "The file contains no audio." },
        { "exactly 240 minutes", 1, 8000, 240ull * 60 * 8000, "" },
        { "250.5 minutes", 1, 8000, 120240000ull, "The file is 250.5 minutes long, the limit is 240 minutes." },
        { "240 minutes and one frame", 1, 8000, 240ull * 60 * 8000 + 1, "The file is 240.0 minutes long, the limit is 240 minutes." },
        { "claims over 4 GB of data", 2, 768000, 3000000000ull, "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = temp.file ("header.wav");
        writeHeaderOnlyWav (file, c.channels, c.rate, 8, c.frames);

        AudioFileInfo info;
        juce::String error = "stale";
        const bool ok = probeAudioFile (file, info, error);

        EXPECT_EQ (error, juce::String (c.expectedError));
        EXPECT_EQ (ok, juce::String (c.expectedError).isEmpty());

        if (ok)
        {
            EXPECT_EQ (info.numChannels, c.channels);
            EXPECT_EQ (info.sampleRate, (double) c.rate);
            EXPECT_EQ (info.lengthInSamples, (juce::int64) c.frames);
        }
    }
}

TEST (AudioProbe, FilesThatCannotBeAudio)
{
    TempFolder temp;
    const auto notReadable = juce::String ("Not a readable audio file, or the format is not supported.");

    const auto text = temp.file ("notes.wav");
    text.replaceWithText ("not audio at all");

    juce::AudioBuffer<float> tone (1, 100);
    tone.clear();
    const auto wave = temp.file ("take.wave");
    const auto aifc = temp.file ("take.aifc");
    ASSERT_TRUE (writeAudioFile (temp.file ("take.wav"), tone, 48000.0, 16));
    temp.file ("take.wav").copyFileTo (wave);
    temp.file ("take.wav").copyFileTo (aifc);

    const auto empty = temp.file ("empty.wav");
    empty.create();

    const auto exactLimit = temp.file ("exactly 8 GB.wav");
    makeSparseFile (exactLimit, (juce::int64) 8 << 30);
    const auto overLimit = temp.file ("over 8 GB.wav");
    makeSparseFile (overLimit, ((juce::int64) 8 << 30) + 1);

    const std::pair<juce::File, juce::String> cases[] = {
        { temp.file ("missing.wav"), "The file does not exist." },
        { temp.folder, "The file does not exist." },
        { empty, "The file is empty." },
        { exactLimit, notReadable },   // passes the size check
        { overLimit, "The file is larger than the 8 GB limit." },
        { text, notReadable },
        { wave, notReadable },         // offered for import, but no format takes the extension
        { aifc, notReadable },
    };

    for (const auto& [file, expected] : cases)
    {
        SCOPED_TRACE (file.getFileName());
        AudioFileInfo info;
        info.formatName = "untouched";
        info.sampleRate = 1.0;
        juce::String error;

        EXPECT_FALSE (probeAudioFile (file, info, error));
        EXPECT_EQ (error, expected);
        EXPECT_EQ (info.formatName, "untouched");
        EXPECT_EQ (info.sampleRate, 1.0);
    }
}

TEST (AudioProbe, FillsTheRecordForEachFormat)
{
    TempFolder temp;
    const auto tone = makeSine (2, 4410, 440.0, 44100.0);

    struct Case { const char* name; double rate; int bits; const char* format; bool floating; };
    const Case cases[] = {
        { "pcm.wav", 44100.0, 16, "WAV", false },
        { "float.wav", 48000.0, 32, "WAV", true },
        { "TAKE.WAV", 96000.0, 24, "WAV", false },
        { "take.aif", 44100.0, 24, "AIFF", false },
        { "Take.AIFF", 44100.0, 16, "AIFF", false },
        { "take.flac", 48000.0, 24, "FLAC", false },
        { "TAKE.FLAC", 44100.0, 16, "FLAC", false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = temp.file (c.name);
        ASSERT_TRUE (writeAudioFile (file, tone, c.rate, c.bits));

        AudioFileInfo info;
        juce::String error = "stale";
        ASSERT_TRUE (probeAudioFile (file, info, error));
        EXPECT_TRUE (error.isEmpty());
        EXPECT_EQ (info.formatName, c.format);
        EXPECT_EQ (info.sampleRate, c.rate);
        EXPECT_EQ (info.bitsPerSample, c.bits);
        EXPECT_EQ (info.floatingPoint, c.floating);
        EXPECT_EQ (info.numChannels, 2);
        EXPECT_EQ (info.lengthInSamples, 4410);
    }
}

TEST (AudioFormats, ImportPatternIgnoresLetterCase)
{
    EXPECT_EQ (audioFileWildcard(), "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac");

    for (const auto* name : { "a.wav", "TAKE.WAV", "b.Wave", "c.aif", "d.AIFF", "e.aifc", "f.FLAC" })
        EXPECT_TRUE (matchesAudioFileWildcard (juce::File ("/music/" + juce::String (name)))) << name;

    for (const auto* name : { "a.mp3", "wav", "a.wav.txt", "x.korvid.json" })
        EXPECT_FALSE (matchesAudioFileWildcard (juce::File ("/music/" + juce::String (name)))) << name;
}

TEST (AudioFormats, SharedManagerKnowsWavAiffAndFlacWithWavAsDefault)
{
    auto& manager = audioFormatManager();
    EXPECT_EQ (&manager, &audioFormatManager());
    ASSERT_EQ (manager.getNumKnownFormats(), 3);
    EXPECT_EQ (manager.getDefaultFormat()->getFormatName(), manager.getKnownFormat (0)->getFormatName());
    EXPECT_TRUE (manager.getKnownFormat (0)->getFormatName().startsWith ("WAV"));
    EXPECT_TRUE (manager.getKnownFormat (1)->getFormatName().startsWith ("AIFF"));
    EXPECT_TRUE (manager.getKnownFormat (2)->getFormatName().startsWith ("FLAC"));
}

} // namespace
} // namespace korvid
