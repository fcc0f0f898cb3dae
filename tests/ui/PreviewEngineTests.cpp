#include "ui/PreviewEngine.h"

#include "PreviewTestAudio.h"
#include "core/audio/AudioReading.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace korvid::ui
{
namespace
{
using Clock = std::chrono::steady_clock;

constexpr double takeRate = 8000.0;
constexpr float indexStep = 1.0e-7f;   // the take's channel 0 holds frame index x this step
constexpr float referenceLevel = 0.5f; // and its channel 1 this level, so fades cancel out

juce::int64 indexOf (float value)
{
    return (juce::int64) std::llround ((double) value / (double) indexStep);
}

/** Collects what JUCE logs, to see whether a thread had to be killed. */
struct LogCapture : juce::Logger
{
    void logMessage (const juce::String& message) override
    {
        const juce::ScopedLock sl (lock);
        messages.add (message);
    }

    bool mentions (const juce::String& text) const
    {
        const juce::ScopedLock sl (lock);
        return messages.joinIntoString ("\n").contains (text);
    }

    juce::CriticalSection lock;
    juce::StringArray messages;
};

/** Long takes written once for the whole suite: a 600 s stereo take whose channel 0 is
    the frame index x `indexStep` and channel 1 `referenceLevel`, and a mono 600 s take. */
struct SharedTakes
{
    SharedTakes()
    {
        const int frames = (int) (600.0 * takeRate);
        take600 = folder.file ("take600.wav");
        writeWavOrFail (take600, test::makeSignal (2, frames, [] (int c, int i)
                                                    { return c == 0 ? (float) ((double) i * (double) indexStep)
                                                                    : referenceLevel; }));
        mono600 = folder.file ("mono600.wav");
        writeWavOrFail (mono600, test::makeConstant (1, frames, 0.25f));
        take120 = folder.file ("take120.wav");
        writeWavOrFail (take120, test::makeConstant (1, (int) (120.0 * takeRate), 0.5f));
    }

    static void writeWavOrFail (const juce::File& file, const juce::AudioBuffer<float>& samples)
    {
        if (! test::writeWav (file, samples, takeRate))
            ADD_FAILURE() << "could not write " << file.getFullPathName();
    }

    test::TempAudioFolder folder;
    juce::File take600, mono600, take120;
};

class PreviewEngineTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { takes = new SharedTakes(); }
    static void TearDownTestSuite()
    {
        delete takes;
        takes = nullptr;
    }

    void SetUp() override
    {
        juce::Logger::setCurrentLogger (&log);
        engine.prepareToPlay (512, 48000.0);
    }

    void TearDown() override
    {
        engine.stop();
        EXPECT_FALSE (log.mentions ("killing thread")) << "a loader thread had to be killed";
        juce::Logger::setCurrentLogger (nullptr);
    }

    juce::File writeFile (const juce::String& name, const juce::AudioBuffer<float>& samples, double rate)
    {
        auto file = temp.file (name);
        EXPECT_TRUE (test::writeWav (file, samples, rate)) << name;
        return file;
    }

    /** Waits until the loader has published or failed and its thread has ended. */
    static bool waitForLoad (PreviewEngine& target, int timeoutMs = 30000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds (timeoutMs);

        while (target.loading || target.isThreadRunning())
        {
            if (Clock::now() > deadline)
                return false;

            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }

        return true;
    }

    bool waitForLoad() { return waitForLoad (engine); }

    /** Plays `frames` frames through the audio callback in blocks of `blockSize`. Every block
        starts filled with garbage, so a block that is not cleared shows. */
    juce::AudioBuffer<float> render (int frames, int blockSize = 512, int channels = 2)
    {
        juce::AudioBuffer<float> out (channels, frames);
        juce::AudioBuffer<float> block (channels, blockSize + 3);

        for (int done = 0; done < frames;)
        {
            const int count = juce::jmin (blockSize, frames - done);

            for (int c = 0; c < channels; ++c)
                juce::FloatVectorOperations::fill (block.getWritePointer (c), 9.0f, block.getNumSamples());

            // Offset by 3 into the device buffer: the engine must honour the start sample.
            engine.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 3, count));

            for (int c = 0; c < channels; ++c)
                out.copyFrom (c, done, block, c, 3, count);

            done += count;
        }

        return out;
    }

    void playAndWait (const juce::Array<juce::File>& files, const juce::String& key, double start = 0.0,
                      double cursor = -1.0, double rate = 48000.0)
    {
        engine.play (files, rate, "label", key, start, cursor);
        ASSERT_TRUE (waitForLoad());
    }

    static void pumpMessages (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    static SharedTakes* takes;

    test::TempAudioFolder temp;
    LogCapture log;
    PreviewEngine engine { PreviewEngine::OutputMode::drivenByCaller };
};

SharedTakes* PreviewEngineTest::takes = nullptr;

//==============================================================================
TEST_F (PreviewEngineTest, WindowStartLengthAndCursorFollowTheRequest)
{
    engine.prepareToPlay (512, takeRate);
    const auto take10 = writeFile ("take10.wav", test::makeConstant (1, (int) (10 * takeRate), 0.5f), takeRate);

    struct Case
    {
        const char* name;
        juce::File file;
        double start, cursor;
        double windowStart, windowLength, total, position;
    };

    const Case cases[] = {
        { "start past the end of a 120 s take: the last frame", takes->take120, 500.0, -1.0, 119.95, 0.05, 120.0,
          120.0 - 1.0 / takeRate },
        { "600 s take from 0 gets the first 300 s", takes->take600, 0.0, -1.0, 0.0, 300.0, 600.0, 0.0 },
        { "window to the end of the take, cursor inside", takes->take600, 400.0, 450.0, 400.0, 200.0, 600.0, 450.0 },
        { "a cursor before the start counts as the start", takes->take600, 100.0, 50.0, 100.0, 300.0, 600.0, 100.0 },
        { "a negative start counts as 0", takes->take120, -5.0, -1.0, 0.0, 120.0, 120.0, 0.0 },
        { "short take, start and cursor inside", take10, 2.0, 5.0, 2.0, 8.0, 10.0, 5.0 },
    };

    const double oneFrame = 1.0 / takeRate + 1.0e-9;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        playAndWait ({ c.file }, "track:window", c.start, c.cursor);

        const auto window = engine.getWindow();
        EXPECT_NEAR (window.startSeconds, c.windowStart, oneFrame);
        EXPECT_NEAR (window.lengthSeconds, c.windowLength, 2 * oneFrame);
        EXPECT_DOUBLE_EQ (window.totalSeconds, c.total);
        EXPECT_DOUBLE_EQ (engine.getTotalSeconds(), c.total);
        EXPECT_NEAR (engine.getPositionSeconds(), c.position, 2 * oneFrame);
        EXPECT_NEAR (engine.getPlayFraction(), c.position / c.total, 2 * oneFrame / c.total);
        EXPECT_TRUE (engine.playing);
        EXPECT_EQ (engine.getStatus(), "Playing");
        EXPECT_EQ (engine.getOverviewKey(), "track:window");
        EXPECT_EQ (engine.getOverview().minima.size(), (size_t) PreviewEngine::overviewBuckets);
        EXPECT_FLOAT_EQ (engine.progress, 1.0f);
    }
}

TEST_F (PreviewEngineTest, PlaysTheWindowSampleExactlyAndEndsAtItsEnd)
{
    engine.prepareToPlay (512, takeRate);
    playAndWait ({ takes->take600 }, "track:long");

    const int windowFrames = (int) (300.0 * takeRate);
    const auto out = render (windowFrames + 8192, 4096);

    EXPECT_FALSE (engine.playing) << "playback stops by itself at the end of the window";
    EXPECT_TRUE (engine.isCurrent ("track:long")) << "an ended item stays current";
    EXPECT_DOUBLE_EQ (engine.getBufferFraction(), 1.0);
    EXPECT_DOUBLE_EQ (engine.getPlayFraction(), 0.5);

    const int fade = 16; // 2 ms at 8 kHz
    int mismatches = 0;

    for (int i = fade; i < windowFrames; ++i)
        if (indexOf (out.getSample (0, i)) != i || out.getSample (1, i) != referenceLevel)
            ++mismatches;

    EXPECT_EQ (mismatches, 0);

    for (int i = windowFrames; i < out.getNumSamples(); ++i)
        ASSERT_EQ (out.getSample (0, i), 0.0f) << "nothing plays past the window, frame " << i;
}

TEST_F (PreviewEngineTest, SeekOutsideTheWindowLoadsAroundTheTargetAndKeepsThePlayState)
{
    engine.prepareToPlay (512, takeRate);
    playAndWait ({ takes->take600 }, "track:long");
    render (4096);

    engine.seekTo (0.9);
    EXPECT_TRUE (engine.playing) << "the old window plays on while the new one loads";
    ASSERT_TRUE (waitForLoad());

    auto window = engine.getWindow();
    EXPECT_NEAR (window.startSeconds, 465.0, 1.0e-9);
    EXPECT_NEAR (window.lengthSeconds, 135.0, 1.0e-9);
    EXPECT_NEAR (engine.getPositionSeconds(), 540.0, 1.0e-9);
    EXPECT_TRUE (engine.playing);

    auto out = render (1024);
    const auto cursorFrame = (juce::int64) (540.0 * takeRate);
    EXPECT_EQ (out.getSample (0, 0), 0.0f) << "the new window starts with a fade-in";

    for (int i = 16; i < 1024; ++i)
        ASSERT_EQ (indexOf (out.getSample (0, i)), cursorFrame + i) << i;

    // Paused (the window ran out): a seek outside the window loads without playing.
    render ((int) (61.0 * takeRate), 8192);
    ASSERT_FALSE (engine.playing);
    engine.seekTo (0.1);
    ASSERT_TRUE (waitForLoad());

    window = engine.getWindow();
    EXPECT_NEAR (window.startSeconds, 0.0, 1.0e-9);
    EXPECT_NEAR (engine.getPositionSeconds(), 60.0, 1.0e-9);
    EXPECT_FALSE (engine.playing);
    EXPECT_EQ (engine.getStatus(), "Ready");

    out = render (512);
    EXPECT_EQ (out.getMagnitude (0, 512), 0.0f);
}

TEST_F (PreviewEngineTest, FadesAndCrossfadesFollowTheDeviceRateAcrossShortBlocks)
{
    struct Case
    {
        double deviceRate;  // 0: no rate from the device yet
        double fileRate;    // also the request's rate
        int fade, crossfade;
    };

    const Case cases[] = {
        { 48000.0, 48000.0, 96, 288 },
        { 8000.0, 8000.0, 16, 48 },
        { 96000.0, 96000.0, 192, 576 },
        { 0.0, 44100.0, 96, 288 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE ("device rate " + juce::String (c.deviceRate));
        engine.prepareToPlay (512, c.deviceRate);

        // 0.25 for the first half second, 0.75 after it.
        const int frames = (int) c.fileRate;
        const auto file = writeFile ("levels" + juce::String ((int) c.deviceRate) + ".wav",
                                     test::makeSignal (1, frames, [frames] (int, int i)
                                                       { return i < frames / 2 ? 0.25f : 0.75f; }),
                                     c.fileRate);
        playAndWait ({ file }, "track:fades", 0.0, -1.0, c.fileRate);

        // Blocks of 5 frames: every fade spans many blocks.
        const int block = 5;
        auto out = render (c.fade + 20, block);

        for (int j = 0; j < c.fade + 20; ++j)
        {
            const float expected = 0.25f * (float) juce::jmin (j, c.fade - 1) / (float) (c.fade - 1);
            ASSERT_NEAR (out.getSample (0, j), expected, 1.0e-6f) << "fade-in, frame " << j;
            ASSERT_EQ (out.getSample (1, j), out.getSample (0, j)) << "a mono file sounds on both outputs";
        }

        engine.seekInWindow (0.75);
        out = render (c.crossfade + 20, block);

        for (int j = 0; j < c.crossfade + 20; ++j)
        {
            const float r = (float) juce::jmin (j, c.crossfade - 1) / (float) (c.crossfade - 1);
            ASSERT_NEAR (out.getSample (0, j), 0.25f + 0.5f * r, 1.0e-6f) << "crossfade, frame " << j;
        }

        engine.stop();
        EXPECT_TRUE (engine.playing) << "still fading out";
        out = render (c.fade + 20, block);

        for (int j = 0; j < c.fade + 20; ++j)
        {
            const float expected = j < c.fade ? 0.75f * (1.0f - (float) j / (float) (c.fade - 1)) : 0.0f;
            ASSERT_NEAR (out.getSample (0, j), expected, 1.0e-6f) << "fade-out, frame " << j;
        }

        EXPECT_FALSE (engine.playing);
    }
}

TEST_F (PreviewEngineTest, SeeksInsideTheWindowCrossfadeWhilePlayingAndJumpWhilePaused)
{
    const int frames = 480000; // 10 s at 48 kHz; frame index x step on both channels
    const auto file = writeFile ("ramp.wav", test::makeSignal (2, frames, [] (int, int i)
                                                               { return (float) ((double) i * (double) indexStep); }),
                                 48000.0);
    playAndWait ({ file }, "track:ramp");
    render (48000, 64);

    // seekTo inside the window: fraction of the take; 288-frame crossfade over 64-frame blocks.
    engine.seekTo (0.5);
    auto out = render (1024, 64);

    for (int j = 0; j < 1024; ++j)
    {
        const double r = juce::jmin (j, 287) / 287.0;
        const double old = (48000 + j) * (double) indexStep;
        const double now = (240000 + j) * (double) indexStep;
        ASSERT_NEAR (out.getSample (0, j), (1.0 - r) * old + r * now, 2.0e-7) << j;
    }

    EXPECT_NEAR (engine.getPositionSeconds(), 5.0 + 1024 / 48000.0, 1.0e-9);

    // Run to the end, then seek while paused: the position moves, nothing plays.
    render (frames, 8192);
    ASSERT_FALSE (engine.playing);
    EXPECT_TRUE (engine.isCurrent ("track:ramp"));

    engine.seekInWindow (0.25);
    EXPECT_DOUBLE_EQ (engine.getBufferFraction(), 0.25);
    EXPECT_FALSE (engine.playing);
    out = render (256);
    EXPECT_EQ (out.getMagnitude (0, 256), 0.0f);

    // stop while paused rewinds to the window start.
    engine.stop();
    EXPECT_DOUBLE_EQ (engine.getBufferFraction(), 0.0);
    EXPECT_DOUBLE_EQ (engine.getPositionSeconds(), 0.0);
}

TEST_F (PreviewEngineTest, MixesFilesOntoTheOutputsAndKeepsTheSumWithinFullScale)
{
    const double rate = 48000.0;
    const auto monaural10 = writeFile ("a.wav", test::makeConstant (1, 10 * 48000, 0.25f), rate);
    const auto stereo20 = writeFile ("b.wav", test::makeSignal (2, 20 * 48000, [] (int c, int)
                                                                { return c == 0 ? 0.5f : -0.25f; }),
                                     rate);
    const auto loud2 = writeFile ("c.wav", test::makeConstant (1, 2 * 48000, 0.8f), rate);
    const auto loud1 = writeFile ("d.wav", test::makeConstant (2, 1 * 48000, 0.8f), rate);

    struct Probe
    {
        double seconds;
        int outputChannel;
        float expected;
    };

    struct Case
    {
        const char* name;
        juce::Array<juce::File> files;
        double total;
        std::vector<Probe> probes;
    };

    const std::vector<Case> cases = {
        { "10 s mono and 20 s stereo make one 20 s mix", { monaural10, stereo20 }, 20.0,
          { { 1.0, 0, 0.75f }, { 1.0, 1, 0.0f }, { 1.0, 2, 0.0f }, { 15.0, 0, 0.5f }, { 15.0, 1, -0.25f },
            { 15.0, 2, -0.25f } } },
        { "a sum peaking at 1.6 is scaled by 1 / 1.6", { loud2, loud1 }, 2.0,
          { { 0.5, 0, 1.0f }, { 0.5, 1, 1.0f }, { 1.5, 0, 0.5f }, { 1.5, 1, 0.5f } } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        playAndWait (c.files, "presetstem:mix");
        EXPECT_DOUBLE_EQ (engine.getTotalSeconds(), c.total);
        EXPECT_NEAR (engine.getWindow().lengthSeconds, c.total, 1.0e-9);
        EXPECT_EQ (engine.getStatus(), "Playing");

        // Three device outputs: the third takes the mix's last channel.
        const auto out = render ((int) (c.total * rate), 4096, 3);

        for (const auto& probe : c.probes)
            EXPECT_NEAR (out.getSample (probe.outputChannel, (int) (probe.seconds * rate)), probe.expected, 1.0e-6f)
                << probe.seconds << " s, output " << probe.outputChannel;

        EXPECT_LE (out.getMagnitude (0, out.getNumSamples()), 1.0f + 1.0e-6f);
    }
}

TEST_F (PreviewEngineTest, StartsAtTheFirstSoundWhenAskedTo)
{
    // 1.5 s of silence, then sound, 4 s in all.
    const int frames = 4 * 48000;
    const auto file = writeFile ("late.wav", test::makeSignal (1, frames, [] (int, int i)
                                                               { return i < 72000 ? 0.0f : 0.5f; }),
                                 48000.0);

    struct Case
    {
        double start, windowLength, soundInWindow;
    };

    for (const Case c : { Case { 0.0, 4.0, 1.5 }, Case { 1.0, 3.0, 0.5 } })
    {
        SCOPED_TRACE (c.start);
        playAndWait ({ file }, "track:late", c.start, PreviewEngine::firstSoundCursor);

        // The first of 700 buckets that holds sound, 50 ms earlier.
        const double bucketSeconds = c.windowLength / 700.0;
        const double firstBucket = std::floor (c.soundInWindow / bucketSeconds);
        const double expected = c.start + firstBucket * bucketSeconds - 0.05;
        EXPECT_NEAR (engine.getPositionSeconds(), expected, 1.0 / 48000.0 + 1.0e-9);
    }
}

TEST_F (PreviewEngineTest, StatusNamesTheFilesThatCouldNotBeRead)
{
    const auto good20 = writeFile ("good20.wav", test::makeConstant (2, 20 * 48000, 0.25f), 48000.0);
    const auto short5 = writeFile ("short5.wav", test::makeConstant (2, 5 * 48000, 0.25f), 48000.0);
    const auto broken = writeFile ("broken.wav", test::makeConstant (2, 4 * 48000, 0.25f), 48000.0);
    test::truncateFile (broken, broken.getSize() / 2);
    const auto garbage = temp.file ("garbage.wav");
    garbage.replaceWithText ("this is not audio");
    const auto missing = temp.file ("missing.wav");

    // The readers' own sentences, as the engine passes them on.
    juce::AudioBuffer<double> ignored;
    juce::String brokenReason, missingReason;
    ASSERT_FALSE (readAudioRange (broken, 48000.0, 0.0, 20.0, ignored, brokenReason));
    ASSERT_FALSE (readAudioRange (missing, 48000.0, 0.0, 20.0, ignored, missingReason));

    struct Case
    {
        const char* name;
        juce::Array<juce::File> files;
        double start;
        juce::String status;
        bool playing;
    };

    const Case cases[] = {
        { "one readable, one truncated", { good20, broken }, 0.0,
          "Playing (1 file(s); broken.wav: " + brokenReason + ")", true },
        { "two unreadable next to a readable one", { missing, good20, broken }, 0.0,
          "Playing (1 file(s); missing.wav: " + missingReason + "; broken.wav: " + brokenReason + ")", true },
        { "a file that ends before the window is skipped silently", { good20, short5 }, 10.0, "Playing", true },
        { "only a truncated file", { broken }, 0.0, "broken.wav: " + brokenReason, false },
        { "nothing that probes", { garbage, missing }, 0.0, "Nothing to play.", false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        playAndWait (c.files, "track:status", c.start);
        EXPECT_EQ (engine.getStatus(), c.status);
        EXPECT_EQ (engine.playing.load(), c.playing);
        EXPECT_FALSE (engine.loading);
    }
}

TEST_F (PreviewEngineTest, KeysDecideWhatIsCurrentAndWhatPlayOrStopDoes)
{
    const auto a = writeFile ("a.wav", test::makeConstant (1, 4800, 0.5f), 48000.0);
    const auto b = writeFile ("b.wav", test::makeConstant (1, 9600, 0.5f), 48000.0);

    playAndWait ({ a }, "track:a");
    EXPECT_TRUE (engine.isCurrent ("track:a"));
    EXPECT_FALSE (engine.isCurrent ("track:b"));
    EXPECT_FALSE (engine.isCurrent ({}));
    EXPECT_EQ (engine.getCurrentKey(), "track:a");

    // Another key starts the other item.
    engine.playOrStop ({ b }, 48000.0, "b", "track:b", 0.0, -1.0);
    ASSERT_TRUE (waitForLoad());
    EXPECT_EQ (engine.getCurrentKey(), "track:b");
    EXPECT_EQ (engine.getOverviewKey(), "track:b");
    EXPECT_NEAR (engine.getTotalSeconds(), 0.2, 1.0e-9);
    EXPECT_FALSE (engine.isCurrent ("track:a"));

    // The same key stops it.
    engine.playOrStop ({ b }, 48000.0, "b", "track:b", 0.0, -1.0);
    EXPECT_FALSE (engine.isCurrent ("track:b"));
    EXPECT_EQ (engine.getCurrentKey(), "");
    EXPECT_EQ (engine.getOverviewKey(), "");
    EXPECT_EQ (engine.getStatus(), "");
    EXPECT_FALSE (engine.loading);

    // Ended: still current, so the same button stops instead of restarting.
    playAndWait ({ a }, "track:a");
    render (9600);
    ASSERT_FALSE (engine.playing);
    EXPECT_TRUE (engine.isCurrent ("track:a"));
    engine.playOrStop ({ a }, 48000.0, "a", "track:a", 0.0, -1.0);
    EXPECT_FALSE (engine.isCurrent ("track:a"));
    EXPECT_FALSE (engine.loading);

    // An empty list stops what plays and leaves the engine idle.
    playAndWait ({ a }, "track:a");
    engine.play ({}, 48000.0, "none", "track:none", 0.0, -1.0);
    EXPECT_FALSE (engine.loading);
    EXPECT_EQ (engine.getCurrentKey(), "");
    EXPECT_FALSE (engine.isCurrent ("track:none"));
}

TEST_F (PreviewEngineTest, TheTimerReleasesTheWindowOnlyAfterAStopHasFadedOut)
{
    const auto file = writeFile ("a.wav", test::makeConstant (2, 48000, 0.5f), 48000.0);
    playAndWait ({ file }, "track:a");
    render (1024);

    engine.stop();
    pumpMessages (1200);
    EXPECT_GT (engine.getWindow().lengthSeconds, 0.0) << "no callback ran: the fade-out is not over";

    render (512);
    ASSERT_FALSE (engine.playing);
    pumpMessages (1200);

    const auto window = engine.getWindow();
    EXPECT_EQ (window.startSeconds, 0.0);
    EXPECT_EQ (window.lengthSeconds, 0.0);
    EXPECT_EQ (window.totalSeconds, 0.0);
    EXPECT_EQ (engine.getPlayFraction(), -1.0);
    EXPECT_EQ (engine.getBufferFraction(), -1.0);
    EXPECT_EQ (engine.getPositionSeconds(), 0.0);

    // A held key keeps the window: an ended item is not released.
    playAndWait ({ file }, "track:a");
    render (48000 + 8192, 4096);
    ASSERT_FALSE (engine.playing);
    pumpMessages (1200);
    EXPECT_TRUE (engine.isCurrent ("track:a"));
    EXPECT_GT (engine.getWindow().lengthSeconds, 0.0);
}

TEST_F (PreviewEngineTest, StopAbandonsARunningLoadWithinAFractionOfASecond)
{
    // Read at 8 kHz and converted to 48 kHz: a load long enough to be caught in the middle.
    engine.play ({ takes->mono600, takes->mono600 }, 48000.0, "long", "mix:long", 0.0, -1.0);

    const auto started = Clock::now();
    while (engine.progress < 0.15f && engine.loading && Clock::now() - started < std::chrono::seconds (20))
        std::this_thread::sleep_for (std::chrono::milliseconds (1));

    ASSERT_TRUE (engine.loading) << "the load finished before it could be stopped";

    const auto stopped = Clock::now();
    engine.stop();

    while (engine.isThreadRunning() && Clock::now() - stopped < std::chrono::seconds (5))
        std::this_thread::sleep_for (std::chrono::milliseconds (1));

    // Well inside the 4000 ms after which a loader would be killed; the margin keeps a
    // fully loaded test machine from failing it.
    EXPECT_LT (Clock::now() - stopped, std::chrono::milliseconds (2000));
    EXPECT_FALSE (engine.isThreadRunning());

    // Nothing of the abandoned load was published.
    EXPECT_FALSE (engine.playing);
    EXPECT_FALSE (engine.loading);
    EXPECT_EQ (engine.getWindow().lengthSeconds, 0.0);
    EXPECT_EQ (engine.getStatus(), "");
    EXPECT_EQ (engine.getOverviewKey(), "");
}

TEST_F (PreviewEngineTest, ANewLoadReplacesARunningOneWithoutKillingIt)
{
    const auto small = writeFile ("small.wav", test::makeConstant (1, 4800, 0.5f), 48000.0);

    engine.play ({ takes->mono600 }, 48000.0, "long", "mix:long", 0.0, -1.0);
    std::this_thread::sleep_for (std::chrono::milliseconds (20));

    const auto started = Clock::now();
    engine.play ({ small }, 48000.0, "small", "track:small", 0.0, -1.0);
    EXPECT_LT (Clock::now() - started, std::chrono::milliseconds (1000));

    ASSERT_TRUE (waitForLoad());
    EXPECT_EQ (engine.getCurrentKey(), "track:small");
    EXPECT_EQ (engine.getOverviewKey(), "track:small");
    EXPECT_NEAR (engine.getTotalSeconds(), 0.1, 1.0e-9);
    EXPECT_EQ (engine.getStatus(), "Playing");
    EXPECT_TRUE (engine.playing);
}

TEST_F (PreviewEngineTest, AStoppedDeviceLeavesNothingClaimingToPlay)
{
    const auto file = writeFile ("a.wav", test::makeConstant (1, 48000, 0.5f), 48000.0);
    playAndWait ({ file }, "track:a");
    ASSERT_TRUE (engine.playing);

    engine.releaseResources();
    EXPECT_FALSE (engine.playing);

    engine.stop();
    pumpMessages (1200);
    EXPECT_EQ (engine.getWindow().lengthSeconds, 0.0) << "a stop without a running device still frees the window";
}

TEST_F (PreviewEngineTest, APublishedWindowNeverPlaysAtTheOldPosition)
{
    // The audio callback runs on its own thread, paced a little faster than real time,
    // while windows at both ends of the take are published again and again. Channel 0 / 1
    // gives the take's frame index whatever fade is applied; every block must continue the
    // previous one or start at the cursor of a newly published window.
    engine.prepareToPlay (256, takeRate);
    playAndWait ({ takes->take600 }, "track:long", 0.0, 60.0);

    const juce::int64 cursors[] = { (juce::int64) (60 * takeRate), (juce::int64) (540 * takeRate) };
    std::atomic<bool> running { true };
    std::atomic<int> violations { 0 }, jumps { 0 };
    juce::String firstViolation;

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> block (2, 256);
        juce::int64 expected = -1;

        while (running)
        {
            engine.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, 256));
            bool firstInBlock = true;

            for (int j = 0; j < 256; ++j)
            {
                const float reference = block.getSample (1, j);

                if (reference < 0.05f)
                    continue;

                const auto index = (juce::int64) std::llround ((double) block.getSample (0, j) / (double) reference
                                                               * (double) referenceLevel / (double) indexStep);
                const bool continues = expected >= 0 && std::abs (index - expected) <= 3;
                const bool startsWindow = firstInBlock && (std::abs (index - j - cursors[0]) <= 3
                                                           || std::abs (index - j - cursors[1]) <= 3);

                if (startsWindow && ! continues)
                    ++jumps;
                else if (! continues && ++violations == 1)
                    firstViolation = "frame " + juce::String (index) + " where " + juce::String (expected)
                                   + " was expected";

                expected = index + 1;
                firstInBlock = false;
            }

            std::this_thread::sleep_for (std::chrono::microseconds (800));
        }
    });

    for (int i = 0; i < 12; ++i)
    {
        engine.seekTo (i % 2 == 0 ? 0.9 : 0.1);
        EXPECT_TRUE (waitForLoad());
        std::this_thread::sleep_for (std::chrono::milliseconds (30));
    }

    running = false;
    audio.join();

    EXPECT_EQ (violations.load(), 0) << firstViolation;
    EXPECT_GE (jumps.load(), 10);
}

//==============================================================================
TEST (PreviewEngineWithoutOutput, DoesNothingAndSaysWhy)
{
    test::TempAudioFolder temp;
    const auto file = temp.file ("a.wav");
    ASSERT_TRUE (test::writeWav (file, test::makeConstant (1, 4800, 0.5f), 48000.0));

    PreviewEngine engine (PreviewEngine::OutputMode::none);
    EXPECT_FALSE (engine.deviceOpen);
    EXPECT_TRUE (engine.deviceError.endsWithChar ('.')) << engine.deviceError;

    engine.play ({ file }, 48000.0, "a", "track:a", 0.0, -1.0);
    engine.playOrStop ({ file }, 48000.0, "a", "track:a", 0.0, -1.0);
    std::this_thread::sleep_for (std::chrono::milliseconds (50));

    EXPECT_FALSE (engine.isThreadRunning());
    EXPECT_FALSE (engine.loading);
    EXPECT_FALSE (engine.playing);
    EXPECT_FALSE (engine.isCurrent ("track:a"));
    EXPECT_EQ (engine.getCurrentKey(), "");
    EXPECT_EQ (engine.getStatus(), "");
    EXPECT_EQ (engine.getPlayFraction(), -1.0);
    EXPECT_EQ (engine.getTotalSeconds(), 0.0);
}

TEST (PreviewEngineWithoutOutput, TheDefaultDeviceIsOpenOnlyWhenOneCallsBack)
{
    test::TempAudioFolder temp;
    const auto silence = temp.file ("silence.wav");
    ASSERT_TRUE (test::writeWav (silence, test::makeConstant (1, 48000, 0.0f), 48000.0));

    PreviewEngine engine;
    engine.play ({ silence }, 48000.0, "silence", "track:silence", 0.0, -1.0);

    if (! engine.deviceOpen)
    {
        // Whatever the device manager reported, there is a sentence, and nothing starts.
        EXPECT_TRUE (engine.deviceError.isNotEmpty());
        EXPECT_FALSE (engine.loading);
        EXPECT_FALSE (engine.playing);
        EXPECT_FALSE (engine.isCurrent ("track:silence"));
        return;
    }

    // An open engine has a device that really plays: the position moves.
    EXPECT_TRUE (engine.deviceError.isEmpty());
    const auto deadline = Clock::now() + std::chrono::seconds (5);

    while (engine.getPositionSeconds() <= 0.0 && Clock::now() < deadline)
        std::this_thread::sleep_for (std::chrono::milliseconds (10));

    EXPECT_GT (engine.getPositionSeconds(), 0.0) << "the engine claims a device that never calls back";
    engine.stop();
}

} // namespace
} // namespace korvid::ui
