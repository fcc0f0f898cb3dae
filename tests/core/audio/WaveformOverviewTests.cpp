#include "AudioTestFiles.h"

#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/WaveformOverview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace korvid
{
namespace
{

using namespace korvid::test;

const juce::String cancelled = "Reading the audio was cancelled.";
const juce::String cannotOpen = "The file could not be opened for reading.";

juce::AudioBuffer<double> randomBuffer (int channels, int frames, int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<double> buffer (channels, frames);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (c, i, random.nextDouble() * 2.0 - 1.0);

    return buffer;
}

juce::AudioBuffer<double> widened (const juce::AudioBuffer<float>& source)
{
    juce::AudioBuffer<double> buffer (source.getNumChannels(), source.getNumSamples());

    for (int c = 0; c < source.getNumChannels(); ++c)
        for (int i = 0; i < source.getNumSamples(); ++i)
            buffer.setSample (c, i, (double) source.getSample (c, i));

    return buffer;
}

/** The bucket rule applied sample by sample: frame j of the window goes to bucket
    j * buckets / frames, the first sample of a bucket sets both ends. */
WaveformOverview referenceBuckets (const juce::AudioBuffer<double>& buffer, int firstFrame, int frames, int buckets)
{
    WaveformOverview overview;
    overview.minima.assign ((size_t) buckets, 0.0f);
    overview.maxima.assign ((size_t) buckets, 0.0f);
    std::vector<bool> seen ((size_t) buckets, false);

    for (int c = 0; c < buffer.getNumChannels(); ++c)
    {
        for (int j = 0; j < frames; ++j)
        {
            const auto b = (size_t) ((juce::int64) j * buckets / frames);
            const auto value = (float) buffer.getSample (c, firstFrame + j);

            if (! seen[b])
            {
                overview.minima[b] = overview.maxima[b] = value;
                seen[b] = true;
            }

            overview.minima[b] = juce::jmin (overview.minima[b], value);
            overview.maxima[b] = juce::jmax (overview.maxima[b], value);
        }
    }

    return overview;
}

void expectSameBuckets (const WaveformOverview& actual, const WaveformOverview& expected)
{
    ASSERT_EQ (actual.minima.size(), expected.minima.size());
    ASSERT_EQ (actual.maxima.size(), expected.maxima.size());

    for (size_t b = 0; b < expected.minima.size(); ++b)
    {
        ASSERT_EQ (actual.minima[b], expected.minima[b]) << "bucket " << b;
        ASSERT_EQ (actual.maxima[b], expected.maxima[b]) << "bucket " << b;
    }
}

void expectDefault (const WaveformOverview& overview)
{
    EXPECT_TRUE (overview.minima.empty());
    EXPECT_TRUE (overview.maxima.empty());
    EXPECT_EQ (overview.sampleRate, 0.0);
    EXPECT_EQ (overview.lengthSeconds, 0.0);
    EXPECT_EQ (overview.numChannels, 0);
    EXPECT_EQ (overview.peak, 0.0f);
}

/** A cancel test that says stop from its n-th question on, and counts the questions. */
struct StopAtCall
{
    int stopAt;
    int calls = 0;

    CancelTest test()
    {
        return [this] { return ++calls >= stopAt; };
    }
};

TEST (WaveformOverviewOfBuffer, BucketCountIsClampedToOneThroughTwentyThousand)
{
    const auto buffer = randomBuffer (1, 30000, 1);

    for (const auto& [requested, expected] : { std::pair { 0, 1 }, { -5, 1 }, { 1, 1 }, { 7, 7 },
                                               { 20000, 20000 }, { 50000, 20000 } })
    {
        SCOPED_TRACE (requested);
        const auto overview = makeWaveformOverview (buffer, 48000.0, requested);
        EXPECT_EQ ((int) overview.minima.size(), expected);
        EXPECT_EQ ((int) overview.maxima.size(), expected);
    }
}

TEST (WaveformOverviewOfBuffer, BucketsHoldTheExtremesOverAllChannels)
{
    struct Case
    {
        const char* name;
        std::vector<std::vector<double>> channels;
        int buckets;
        std::vector<float> minima, maxima;
        float peak;
    };

    const std::vector<double> constantQuarter (1000, -0.25);

    const Case cases[] = {
        { "ramp split unevenly", { { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 } }, 3, { 0, 4, 7 }, { 3, 6, 9 }, 9.0f },
        { "one channel at -0.25", { constantQuarter }, 4, { -0.25f, -0.25f, -0.25f, -0.25f },
          { -0.25f, -0.25f, -0.25f, -0.25f }, 0.25f },
        { "left +0.5, right -0.8", { std::vector<double> (500, 0.5), std::vector<double> (500, -0.8) }, 2,
          { -0.8f, -0.8f }, { 0.5f, 0.5f }, 0.8f },
        { "extremes in different channels and buckets",
          { { 0.1, 0.2, 0.0, 0.0 }, { 0.0, -0.9, 0.0, 0.3 } }, 2, { -0.9f, 0.0f }, { 0.2f, 0.3f }, 0.9f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const int channels = (int) c.channels.size();
        const int frames = (int) c.channels[0].size();
        juce::AudioBuffer<double> buffer (channels, frames);

        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < frames; ++i)
                buffer.setSample (ch, i, c.channels[(size_t) ch][(size_t) i]);

        const auto overview = makeWaveformOverview (buffer, 1000.0, c.buckets);
        EXPECT_EQ (overview.minima, c.minima);
        EXPECT_EQ (overview.maxima, c.maxima);
        EXPECT_EQ (overview.peak, c.peak);
        EXPECT_EQ (overview.numChannels, channels);
        EXPECT_EQ (overview.sampleRate, 1000.0);
        EXPECT_DOUBLE_EQ (overview.lengthSeconds, frames / 1000.0);
    }
}

TEST (WaveformOverviewOfBuffer, BucketsWithoutFramesStayAtZero)
{
    juce::AudioBuffer<double> buffer (1, 100);

    for (int i = 0; i < 100; ++i)
        buffer.setSample (0, i, -0.5 - i * 0.001);

    const auto overview = makeWaveformOverview (buffer, 48000.0, 2000);
    ASSERT_EQ (overview.minima.size(), 2000u);

    for (size_t b = 0; b < 2000; ++b)
    {
        const float expected = b % 20 == 0 ? (float) (-0.5 - (double) (b / 20) * 0.001) : 0.0f;
        ASSERT_EQ (overview.minima[b], expected) << "bucket " << b;
        ASSERT_EQ (overview.maxima[b], expected) << "bucket " << b;
    }

    EXPECT_FLOAT_EQ (overview.peak, 0.599f);
}

TEST (WaveformOverviewOfBuffer, MatchesTheRuleSampleBySample)
{
    struct Case
    {
        int channels, frames, buckets;
    };

    // Frame counts that do and do not divide into the buckets, more buckets than frames, and
    // buffers longer than one block.
    for (const auto& c : { Case { 1, 1, 1 }, Case { 2, 100, 2000 }, Case { 2, 1000, 999 }, Case { 1, 12345, 20000 },
                           Case { 3, 2 * 65536 + 17, 777 }, Case { 2, 65536, 3 } })
    {
        SCOPED_TRACE (juce::String (c.channels) + " x " + juce::String (c.frames) + " into " + juce::String (c.buckets));
        const auto buffer = randomBuffer (c.channels, c.frames, c.frames);
        const auto overview = makeWaveformOverview (buffer, 44100.0, c.buckets);

        expectSameBuckets (overview, referenceBuckets (buffer, 0, c.frames, c.buckets));
        EXPECT_DOUBLE_EQ (overview.lengthSeconds, c.frames / 44100.0);
    }
}

TEST (WaveformOverviewOfBuffer, EmptyBuffersGiveNothingAndNoRateGivesNoLength)
{
    expectDefault (makeWaveformOverview (juce::AudioBuffer<double>(), 48000.0, 100));
    expectDefault (makeWaveformOverview (juce::AudioBuffer<double> (2, 0), 48000.0, 100));

    const auto overview = makeWaveformOverview (randomBuffer (1, 50, 3), 0.0, 10);
    EXPECT_EQ (overview.minima.size(), 10u);
    EXPECT_EQ (overview.lengthSeconds, 0.0);
}

TEST (WaveformOverviewFirstSound, PositionIsTheLeadInBeforeTheFirstLoudBucket)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<int, float>> buckets; // index and value; positive values go to the maximum
        float fraction;
        double leadIn;
        double expected;
    };

    const Case cases[] = {
        { "silence", {}, 0.005f, 0.05, 0.0 },
        { "sound from 2.0 s", { { 200, 0.8f }, { 500, 1.0f } }, 0.005f, 0.05, 0.195 },
        { "sound from 0.02 s", { { 2, 1.0f } }, 0.005f, 0.05, 0.0 },
        { "below half a percent of the peak is silence", { { 100, 0.004f }, { 300, 1.0f } }, 0.005f, 0.05, 0.295 },
        { "a negative minimum counts", { { 150, -0.5f }, { 300, 1.0f } }, 0.005f, 0.05, 0.145 },
        { "no bucket lies above the peak itself", { { 300, 1.0f } }, 2.0f, 0.05, 0.0 },
        { "the last bucket without a lead-in", { { 999, 1.0f } }, 0.005f, 0.0, 0.999 },
        { "a negative lead-in is capped at the end", { { 999, 1.0f } }, 0.005f, -20.0, 1.0 },
        { "a lead-in that is not a number", { { 300, 1.0f } }, 0.005f, std::numeric_limits<double>::quiet_NaN(), 0.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        WaveformOverview overview;
        overview.minima.assign (1000, 0.0f);
        overview.maxima.assign (1000, 0.0f);
        overview.lengthSeconds = 10.0;

        for (const auto& [index, value] : c.buckets)
            (value < 0 ? overview.minima : overview.maxima)[(size_t) index] = value;

        overview.updatePeak();
        EXPECT_NEAR (overview.firstSoundPosition (c.fraction, c.leadIn), c.expected, 1.0e-12);
    }

    WaveformOverview noBuckets;
    noBuckets.lengthSeconds = 10.0;
    noBuckets.peak = 1.0f;
    EXPECT_EQ (noBuckets.firstSoundPosition (0.005f, 0.05), 0.0);

    WaveformOverview noLength;
    noLength.minima.assign (10, 0.0f);
    noLength.maxima.assign (10, 1.0f);
    noLength.updatePeak();
    EXPECT_EQ (noLength.firstSoundPosition (0.005f, 0.0), 0.0);
}

class WaveformOverviewOfFile : public ::testing::Test
{
protected:
    static constexpr double rate = 44100.0;

    /** A stereo float WAV, read back exactly, and its samples as doubles. */
    juce::File writeNoise (const juce::String& name, int frames)
    {
        source = randomBuffer (2, frames, frames);
        juce::AudioBuffer<float> samples (2, frames);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i)
                samples.setSample (c, i, (float) source.getSample (c, i));

        source = widened (samples);
        const auto file = temp.file (name);
        EXPECT_TRUE (writeAudioFile (file, samples, rate, 32));
        return file;
    }

    TempFolder temp;
    juce::AudioBuffer<double> source;
};

TEST_F (WaveformOverviewOfFile, WholeFileMatchesTheRuleAcrossBlocks)
{
    const int frames = 3 * 65536 + 5;
    const auto file = writeNoise ("noise.wav", frames);

    for (const int buckets : { 1, 777, 2000, 20000, 50000 })
    {
        SCOPED_TRACE (buckets);
        juce::String error = "stale";
        const auto overview = readWaveformOverview (file, buckets, error);

        EXPECT_TRUE (error.isEmpty()) << error;
        expectSameBuckets (overview, referenceBuckets (source, 0, frames, juce::jmin (buckets, 20000)));
        EXPECT_EQ (overview.sampleRate, rate);
        EXPECT_EQ (overview.numChannels, 2);
        EXPECT_DOUBLE_EQ (overview.lengthSeconds, frames / rate);
        EXPECT_EQ (overview.peak, makeWaveformOverview (source, rate, buckets).peak);
    }
}

TEST_F (WaveformOverviewOfFile, WindowCoversTheFramesBetweenTheFractions)
{
    const int length = 2 * 65536;
    const auto file = writeNoise ("window.wav", length);

    struct Case
    {
        const char* name;
        double from, to;
        int maxBuckets;
        int start, frames, buckets; // frames 0: the default overview
    };

    const Case cases[] = {
        { "0.2 to 0.6", 0.2, 0.6, 2400, 26214, 78643 - 26214, 2400 },
        { "fractions in either order", 0.6, 0.2, 2400, 26214, 78643 - 26214, 2400 },
        { "fractions clamped to the file", -0.5, 2.0, 50000, 0, length, 20000 },
        { "no more buckets than frames", 0.5, 0.5 + 100.0 / length, 2400, 65536, 100, 100 },
        { "equal fractions give one frame", 0.25, 0.25, 50, 32768, 1, 1 },
        { "a fraction that is not a number counts as 0", std::numeric_limits<double>::quiet_NaN(), 0.5, 10, 0, 65536, 10 },
        { "a bucket count of 0 gives one bucket", 0.0, 1.0, 0, 0, length, 1 },
        { "the very end is empty", 1.0, 1.0, 2400, 0, 0, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::String error = "stale";
        const auto overview = readWaveformWindow (file, c.from, c.to, c.maxBuckets, error);
        EXPECT_TRUE (error.isEmpty()) << error;

        if (c.frames == 0)
        {
            expectDefault (overview);
            continue;
        }

        expectSameBuckets (overview, referenceBuckets (source, c.start, c.frames, c.buckets));
        EXPECT_EQ (overview.sampleRate, rate);
        EXPECT_EQ (overview.numChannels, 2);
        EXPECT_DOUBLE_EQ (overview.lengthSeconds, length / rate); // the whole file's
    }
}

TEST_F (WaveformOverviewOfFile, UnusableFilesGiveTheDefaultOverviewAndASentence)
{
    const auto missing = temp.file ("missing.wav");

    const auto text = temp.file ("notes.wav");
    text.replaceWithText ("not audio at all");

    // Headers alone: nothing is read from them once the limits refuse them.
    const auto tooLong = temp.file ("five-hours.wav");
    writeHeaderOnlyWav (tooLong, 2, 48000, 16, (juce::uint64) 48000 * 3600 * 5);

    const auto tooManyChannels = temp.file ("channels.wav");
    writeHeaderOnlyWav (tooManyChannels, 65, 48000, 16, 1000);

    const auto empty = temp.file ("empty.wav");
    writeHeaderOnlyWav (empty, 2, 48000, 16, 0);

    struct Case
    {
        juce::File file;
        juce::String overviewError, windowError; // empty: the probe's sentence
    };

    const Case cases[] = {
        { missing, "The file does not exist.", cannotOpen },
        { text, "Not a readable audio file, or the format is not supported.", cannotOpen },
        { tooLong, {}, {} },
        { tooManyChannels, {}, {} },
        { empty, "The file contains no audio.", "The file contains no audio." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.file.getFileName());
        AudioFileInfo info;
        juce::String probeError;
        EXPECT_FALSE (probeAudioFile (c.file, info, probeError));

        juce::String error = "stale";
        expectDefault (readWaveformOverview (c.file, 2000, error));
        EXPECT_EQ (error, c.overviewError.isEmpty() ? probeError : c.overviewError);

        error = "stale";
        expectDefault (readWaveformWindow (c.file, 0.0, 1.0, 2400, error));
        EXPECT_EQ (error, c.windowError.isEmpty() ? probeError : c.windowError);
    }
}

TEST_F (WaveformOverviewOfFile, CancelStopsBetweenBlocksAndKeepsNothing)
{
    const int frames = 4 * 65536;
    const auto file = writeNoise ("cancel.wav", frames);

    using Builder = std::function<WaveformOverview (juce::String&, const CancelTest&)>;

    struct Case
    {
        const char* name;
        Builder build;
        bool givesSentence; // the buffer builder has no error string
    };

    const Case cases[] = {
        { "buffer", [this] (juce::String&, const CancelTest& cancel)
          { return makeWaveformOverview (source, rate, 2000, cancel); }, false },
        { "file", [file] (juce::String& error, const CancelTest& cancel)
          { return readWaveformOverview (file, 2000, error, cancel); }, true },
        { "window", [file] (juce::String& error, const CancelTest& cancel)
          { return readWaveformWindow (file, 0.0, 1.0, 2000, error, cancel); }, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);

        StopAtCall stop { 2 };
        juce::String error;
        expectDefault (c.build (error, stop.test()));
        EXPECT_EQ (error, c.givesSentence ? cancelled : juce::String());
        EXPECT_EQ (stop.calls, 2);

        StopAtCall never { std::numeric_limits<int>::max() };
        const auto overview = c.build (error, never.test());
        EXPECT_TRUE (error.isEmpty()) << error;
        EXPECT_EQ (overview.minima.size(), 2000u);
        EXPECT_GE (never.calls, 4); // asked before every block
    }
}

} // namespace
} // namespace korvid
