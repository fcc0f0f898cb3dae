#include "RenderTestSupport.h"

#include "core/audio/AudioTestFiles.h"
#include "core/render/RenderBufferPool.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace korvid
{
namespace
{

using namespace rendertest;
using Phase = RenderJob::Phase;

constexpr int second = 48000;

struct RenderJobTest : ::testing::Test
{
    test::TempFolder temp;

    // One cue named `name` with one stem, Strings, holding one track.
    RenderRequest cueRequest (const juce::String& name, const juce::AudioBuffer<float>& audio,
                              GainScope scope = GainScope::perTrack, bool analysisOnly = false)
    {
        auto preset = makeRenderPreset ({ "Strings" });
        preset.exportSettings.batch.gainMode = scope;

        const auto file = temp.folder.getChildFile ("Source").getChildFile (name).getChildFile ("Strings.wav");
        writeWav (file, audio);

        return planRequest (preset, { makeTrack (file, "stem-Strings") },
                            temp.folder.getChildFile ("Out").getChildFile (name), name, analysisOnly);
    }

    RenderRequest sineCue (const juce::String& name, double peakDb, GainScope scope = GainScope::perTrack,
                           bool analysisOnly = false)
    {
        return cueRequest (name, makeLowSine (2, second / 2, (float) std::pow (10.0, peakDb / 20.0)), scope, analysisOnly);
    }

    RenderRequest noiseCue (const juce::String& name, int seconds)
    {
        return cueRequest (name, makeNoise (2, seconds * second, 0.25f, name.hashCode()));
    }

    // Polls the job until its text passes the test (true) or the job ends (false).
    static bool waitForText (const RenderJob& job, const std::function<bool (const juce::String&)>& test)
    {
        for (;;)
        {
            const auto status = job.getStatus();

            if (test (status.text))
                return true;

            if (! status.running)
                return false;

            juce::Thread::sleep (1);
        }
    }
};

// The phase each kind of progress text belongs to.
Phase phaseOfText (juce::String text)
{
    if (text.startsWith ("["))
        text = text.fromFirstOccurrenceOf ("] ", false, false).fromFirstOccurrenceOf (": ", false, false);

    if (text == "Starting...")
        return Phase::starting;
    if (text.startsWith ("Summing"))
        return Phase::summing;
    if (text.startsWith ("Measuring"))
        return Phase::measuring;
    if (text.startsWith ("Writing"))
        return Phase::writing;
    if (text.startsWith ("Verif"))
        return Phase::verifying;

    return Phase::finished;
}

//==============================================================================
TEST_F (RenderJobTest, StartRefusesNothingToRenderAndASecondRunWhileRunning)
{
    RenderJob job;
    EXPECT_EQ (job.getThreadName(), "Velvane render");

    const auto idle = job.getStatus();
    EXPECT_EQ (idle.progress, 0.0);
    EXPECT_EQ (idle.phase, Phase::starting);
    EXPECT_FALSE (idle.running);

    int calls = 0;
    EXPECT_FALSE (job.start ({}, [&] (const BatchReport&) { ++calls; }));

    juce::WaitableEvent release;
    std::atomic<int> finished { 0 };
    ASSERT_TRUE (job.start ({ sineCue ("Opening", -6.0) },
                            [&] (const BatchReport&)
                            {
                                ++finished;
                                release.wait (10000);   // keeps the thread running
                            }));

    EXPECT_FALSE (job.start ({ sineCue ("Finale", -6.0) }, [&] (const BatchReport&) { ++calls; }));

    while (finished == 0)
        juce::Thread::sleep (1);

    EXPECT_TRUE (job.getStatus().running);
    release.signal();
    ASSERT_TRUE (job.waitUntilFinished (10000));

    const auto done = job.getStatus();
    EXPECT_EQ (done.progress, 1.0);
    EXPECT_EQ (done.text, "Finished.");
    EXPECT_EQ (done.phase, Phase::finished);
    EXPECT_FALSE (done.running);
    EXPECT_EQ (finished, 1);
    EXPECT_EQ (calls, 0);
    EXPECT_TRUE (listFiles (temp.folder.getChildFile ("Out/Finale")).isEmpty());
}

TEST_F (RenderJobTest, TheCallbackRunsOnceOnTheRenderThreadWithTheReport)
{
    RenderJob job;
    std::atomic<int> calls { 0 };
    juce::String threadName;
    BatchReport received;

    ASSERT_TRUE (job.start ({ sineCue ("Opening", -6.0) },
                            [&] (const BatchReport& report)
                            {
                                ++calls;
                                threadName = juce::Thread::getCurrentThread() != nullptr
                                                 ? juce::Thread::getCurrentThread()->getThreadName()
                                                 : juce::String();
                                received = report;
                            }));
    ASSERT_TRUE (job.waitUntilFinished (10000));

    EXPECT_EQ (calls, 1);
    EXPECT_EQ (threadName, "Velvane render");
    EXPECT_TRUE (received.allCompleted);
    ASSERT_EQ (received.cues.size(), 1u);
    EXPECT_EQ (received.outputRoot, temp.folder.getChildFile ("Out/Opening"));
    EXPECT_GT (received.elapsedSeconds, 0.0);
}

TEST_F (RenderJobTest, NothingToRenderIsTheOnlyRunError)
{
    const auto report = RenderJob::runQueue ({}, {}, {});

    EXPECT_EQ (report.runErrors, juce::StringArray ("There is nothing to render."));
    EXPECT_TRUE (report.cues.empty());
    EXPECT_FALSE (report.allCompleted);
    EXPECT_EQ (report.elapsedSeconds, 0.0);
}

//==============================================================================
TEST_F (RenderJobTest, ProgressTextsNameTheCueOnlyWhenThereAreSeveral)
{
    ProgressLog single;
    RenderJob::runQueue ({ sineCue ("Cue A", -6.0) }, {}, single.callback());
    EXPECT_EQ (single.texts()[0], "Summing Strings...");

    ProgressLog several;
    const auto report = RenderJob::runQueue ({ sineCue ("Cue A", -6.0), sineCue ("Cue B", -6.0), sineCue ("Cue C", -6.0) },
                                             {}, several.callback());
    ASSERT_TRUE (report.allCompleted);

    const auto texts = several.texts();
    EXPECT_TRUE (texts.contains ("[1/3] Cue A: Summing Strings..."));
    EXPECT_TRUE (texts.contains ("[2/3] Cue B: Summing Strings..."));
    EXPECT_TRUE (texts.contains ("[3/3] Cue C: Finished."));

    // Each cue fills its own third of the bar, in order.
    double last = 0.0;

    for (const auto& entry : several.entries())
    {
        const int cue = entry.text.substring (1, 2).getIntValue() - 1;
        EXPECT_GE (entry.fraction, cue / 3.0 - 1e-9) << entry.text;
        EXPECT_LE (entry.fraction, (cue + 1) / 3.0 + 1e-9) << entry.text;
        EXPECT_GE (entry.fraction, last) << entry.text;
        last = entry.fraction;
    }

    EXPECT_NEAR (last, 1.0, 1e-9);
}

TEST_F (RenderJobTest, ASharedGainComesFromTheLoudestCue)
{
    ProgressLog log;
    const auto report = RenderJob::runQueue ({ sineCue ("Cue A", -6.0, GainScope::sharedAcrossBatch),
                                               sineCue ("Cue B", -2.0, GainScope::sharedAcrossBatch) },
                                             {}, log.callback());
    ASSERT_TRUE (report.allCompleted);

    EXPECT_TRUE (report.sharedGainApplied);
    EXPECT_NEAR (report.sharedGain.gainDb, -1.0, 0.01);
    ASSERT_EQ (report.cues.size(), 2u);

    for (const auto& cue : report.cues)
        EXPECT_EQ (cue.gain.gainDb, report.sharedGain.gainDb) << cue.cueName;

    EXPECT_NEAR (report.cues[0].gain.predictedDb, -7.0, 0.02);
    EXPECT_NEAR (report.cues[1].gain.predictedDb, -3.0, 0.02);

    // The pre-pass fills the first 35 % and says so.
    const auto entries = log.entries();
    ASSERT_FALSE (entries.empty());
    EXPECT_EQ (entries.front().text, "Measuring Cue A: Summing Strings...");

    for (const auto& entry : entries)
    {
        if (entry.text.startsWith ("Measuring "))
        {
            EXPECT_EQ (entry.phase, Phase::measuring) << entry.text;
            EXPECT_LE (entry.fraction, 0.35 + 1e-9) << entry.text;
        }
        else
        {
            EXPECT_GE (entry.fraction, 0.35 - 1e-9) << entry.text;
        }
    }
}

TEST_F (RenderJobTest, ACueWritesTheSameBytesAfterALongerCueAsAlone)
{
    // Cues of one run hand their buffers on; nothing of the first may reach the second.
    // The first is longer, louder and has three stems, one of them kept for a mix.
    auto makeCue = [this] (const juce::String& name, int frames, float amplitude, const juce::String& outName)
    {
        auto preset = makeRenderPreset ({ "Drums", "Bass", "Keys" });
        preset.schema.submixes.push_back ({ "mix-low", "Low", "LOW", { "stem-Drums", "stem-Bass" } });
        std::vector<Track> tracks;

        for (const auto& stem : { "Drums", "Bass", "Keys" })
        {
            const auto file = temp.folder.getChildFile ("Source").getChildFile (name).getChildFile (juce::String (stem) + ".wav");
            writeWav (file, makeNoise (2, frames, amplitude, (name + stem).hashCode()));
            tracks.push_back (makeTrack (file, "stem-" + juce::String (stem)));
        }

        return planRequest (preset, tracks, temp.folder.getChildFile (outName).getChildFile (name), name);
    };

    const auto together = RenderJob::runQueue ({ makeCue ("Long", 3 * second, 0.3f, "Together"),
                                                 makeCue ("Short", second, 0.05f, "Together") }, {}, {});
    const auto alone = RenderJob::runQueue ({ makeCue ("Short", second, 0.05f, "Alone") }, {}, {});
    ASSERT_TRUE (together.allCompleted);
    ASSERT_TRUE (alone.allCompleted);

    const auto togetherFolder = temp.folder.getChildFile ("Together").getChildFile ("Short");
    const auto aloneFolder = temp.folder.getChildFile ("Alone").getChildFile ("Short");
    const auto names = listFiles (aloneFolder);
    ASSERT_EQ (names.size(), 5);   // three stems, the full mix and the alternative mix
    EXPECT_EQ (listFiles (togetherFolder), names);

    for (const auto& name : names)
    {
        juce::MemoryBlock first, second;
        ASSERT_TRUE (togetherFolder.getChildFile (name).loadFileAsData (first));
        ASSERT_TRUE (aloneFolder.getChildFile (name).loadFileAsData (second));
        EXPECT_TRUE (first == second) << name;
    }

    EXPECT_EQ (together.cues[1].gain.gainDb, alone.firstCue().gain.gainDb);
}

TEST (RenderBufferPool, KeepsMemoryOfGivenBuffersOnly)
{
    RenderBufferPool pool;
    EXPECT_EQ (pool.take().getNumChannels(), 0);

    juce::AudioBuffer<double> empty;
    pool.give (std::move (empty));
    EXPECT_EQ (pool.spareCount(), 0);

    juce::AudioBuffer<double> used (2, 1000);
    const auto* memory = used.getReadPointer (0);
    pool.give (std::move (used));
    EXPECT_EQ (used.getNumChannels(), 0);
    EXPECT_EQ (pool.spareCount(), 1);

    const auto taken = pool.take();
    EXPECT_EQ (taken.getReadPointer (0), memory);
    EXPECT_EQ (pool.spareCount(), 0);
}

TEST_F (RenderJobTest, ASharedGainIsSkippedForOneCueAndForAnalysis)
{
    const auto one = RenderJob::runQueue ({ sineCue ("Cue A", -6.0, GainScope::sharedAcrossBatch) }, {}, {});
    EXPECT_FALSE (one.sharedGainApplied);
    EXPECT_NEAR (one.firstCue().gain.gainDb, 3.0, 0.01);

    const auto analysis = RenderJob::runQueue ({ sineCue ("Cue A", -6.0, GainScope::sharedAcrossBatch, true),
                                                 sineCue ("Cue B", -2.0, GainScope::sharedAcrossBatch, true) },
                                               {}, {});
    EXPECT_FALSE (analysis.sharedGainApplied);
    ASSERT_EQ (analysis.cues.size(), 2u);
    EXPECT_NEAR (analysis.cues[0].gain.gainDb, 3.0, 0.01);
    EXPECT_NEAR (analysis.cues[1].gain.gainDb, -1.0, 0.01);
}

//==============================================================================
TEST_F (RenderJobTest, ACancelInTheSecondOfThreeCuesKeepsWhatWasDone)
{
    std::atomic<bool> stop { false };
    const auto report = RenderJob::runQueue ({ sineCue ("Cue A", -6.0), sineCue ("Cue B", -6.0), sineCue ("Cue C", -6.0) },
                                             [&] { return stop.load(); },
                                             [&] (double, const juce::String& text, Phase)
                                             {
                                                 if (text == "[2/3] Cue B: Writing Strings...")
                                                     stop = true;
                                             });

    EXPECT_TRUE (report.cancelled);
    EXPECT_FALSE (report.allCompleted);
    ASSERT_EQ (report.cues.size(), 2u);
    EXPECT_TRUE (report.cues[0].completed);
    EXPECT_FALSE (report.cues[0].cancelled);
    EXPECT_TRUE (report.cues[1].cancelled);
    EXPECT_FALSE (report.cues[1].completed);
    EXPECT_TRUE (listFiles (temp.folder.getChildFile ("Out/Cue C")).isEmpty());
}

TEST_F (RenderJobTest, ACancelDuringThePrePassIsQuickAndStillCallsBack)
{
    std::vector<RenderRequest> requests;

    for (auto name : { "Cue A", "Cue B", "Cue C" })
    {
        requests.push_back (noiseCue (name, 30));
        requests.back().preset.exportSettings.batch.gainMode = GainScope::sharedAcrossBatch;
    }

    RenderJob job;
    std::atomic<int> calls { 0 };
    BatchReport received;

    ASSERT_TRUE (job.start (std::move (requests),
                            [&] (const BatchReport& report)
                            {
                                ++calls;
                                received = report;
                            }));
    ASSERT_TRUE (waitForText (job, [] (const juce::String& text) { return text.startsWith ("Measuring Cue B"); }));

    const auto cancelledAt = juce::Time::getMillisecondCounterHiRes();
    job.cancel();
    ASSERT_TRUE (job.waitUntilFinished (10000));
    const auto stopMs = juce::Time::getMillisecondCounterHiRes() - cancelledAt;

    EXPECT_LT (stopMs, 1000.0);
    EXPECT_EQ (calls, 1);
    EXPECT_TRUE (received.cancelled);
    EXPECT_TRUE (received.cues.empty());
    EXPECT_EQ (received.elapsedSeconds, 0.0);
    EXPECT_FALSE (received.sharedGainApplied);
    EXPECT_EQ (job.getStatus().text.upToFirstOccurrenceOf (":", false, false), "Measuring Cue B");
}

TEST_F (RenderJobTest, DestroyingARunningJobStopsItWithinASecond)
{
    auto job = std::make_unique<RenderJob>();
    std::atomic<int> calls { 0 };
    ASSERT_TRUE (job->start ({ noiseCue ("Long", 60) }, [&] (const BatchReport& report)
                             {
                                 EXPECT_TRUE (report.cancelled);
                                 ++calls;
                             }));
    ASSERT_TRUE (waitForText (*job, [] (const juce::String& text) { return text.startsWith ("Summing"); }));

    const auto start = juce::Time::getMillisecondCounterHiRes();
    job.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 1000.0);
    EXPECT_EQ (calls, 1);

    for (const auto& path : listFiles (temp.folder.getChildFile ("Out")))
        EXPECT_FALSE (path.contains ("/.")) << "temporary file left: " << path;
}

TEST_F (RenderJobTest, EveryPolledStatusPairsItsTextWithItsPhase)
{
    const juce::StringArray names { "S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "S10", "S11", "S12" };
    auto preset = makeRenderPreset (names);
    std::vector<Track> tracks;

    for (int i = 0; i < names.size(); ++i)
    {
        const auto file = temp.folder.getChildFile ("Source/" + names[i] + ".wav");
        writeWav (file, makeNoise (2, 2000, 0.2f, i));
        tracks.push_back (makeTrack (file, "stem-" + names[i]));
    }

    std::vector<RenderRequest> requests;

    for (auto name : { "Cue A", "Cue B", "Cue C" })
        requests.push_back (planRequest (preset, tracks, temp.folder.getChildFile ("Out").getChildFile (name), name));

    RenderJob job;
    ASSERT_TRUE (job.start (std::move (requests), {}));

    int snapshots = 0;

    for (;;)
    {
        const auto status = job.getStatus();
        ++snapshots;

        if (status.text.isNotEmpty())
        {
            ASSERT_EQ (status.phase, phaseOfText (status.text)) << status.text;
        }

        if (! status.running)
            break;
    }

    ASSERT_TRUE (job.waitUntilFinished (10000));
    EXPECT_GT (snapshots, 10);
    EXPECT_EQ (job.getStatus().text, "[3/3] Cue C: Finished.");
}

} // namespace
} // namespace korvid

namespace korvid
{
namespace
{

// Two cues whose names would meet in one folder: the overwrite policy still never lets
// the second replace a file the first wrote in the same run.
TEST_F (RenderJobTest, NoCueReplacesAFileAnEarlierCueOfTheRunWrote)
{
    const auto request = [this] (const juce::String& name, float level)
    {
        auto preset = makeRenderPreset ({ "Strings" });
        preset.exportSettings.naming.stemTemplate = "{stemName}";
        preset.exportSettings.naming.mixTemplate = "{stemName}";
        preset.exportSettings.naming.collisionPolicy = CollisionPolicy::overwrite;

        const auto file = temp.folder.getChildFile ("Source").getChildFile (name).getChildFile ("Strings.wav");
        writeWav (file, makeLowSine (2, second / 2, level));
        return planRequest (preset, { makeTrack (file, "stem-Strings") }, temp.folder.getChildFile ("Out"), name);
    };

    const auto report = RenderJob::runQueue ({ request ("Cue A", 0.5f), request ("Cue B", 0.25f) }, {}, {});
    ASSERT_EQ (report.cues.size(), 2u);
    EXPECT_TRUE (report.cues[0].errors.isEmpty()) << report.cues[0].errors.joinIntoString (" ");
    EXPECT_FALSE (report.cues[1].errors.isEmpty());

    juce::StringArray listed;

    for (const auto& cue : report.cues)
    {
        for (const auto& written : cue.files)
        {
            EXPECT_FALSE (listed.contains (written.file.getFullPathName())) << written.file.getFullPathName();
            listed.add (written.file.getFullPathName());
        }
    }

    EXPECT_FALSE (report.cues[0].files.empty());
}

// Two runs (two windows, or two machines on a shared folder) render one cue into one
// folder at the same moment, each planning its names before the other has written them.
// Each keeps its own files, and each report lists exactly the files it left on disk.
TEST_F (RenderJobTest, TwoRunsIntoOneFolderAtOnceNeverReplaceEachOthersFiles)
{
    // Every "Writing ..." step is reached by both runs before either goes on, so both plan
    // each file (and make each new folder) before the other has written it.
    struct Lockstep
    {
        std::mutex lock;
        std::condition_variable changed;
        std::map<juce::String, int> arrivals;
        bool oneRunEnded = false;   // the other then no longer waits

        void meet (const juce::String& step)
        {
            std::unique_lock<std::mutex> held (lock);
            ++arrivals[step];
            changed.notify_all();
            changed.wait_for (held, std::chrono::seconds (60), [&] { return arrivals[step] >= 2 || oneRunEnded; });
        }

        void end()
        {
            const std::lock_guard<std::mutex> held (lock);
            oneRunEnded = true;
            changed.notify_all();
        }
    } lockstep;

    const juce::StringArray stems { "Drums", "Bass", "Choir" };
    const auto output = temp.folder.getChildFile ("Out").getChildFile ("Cue");

    // Run A's tracks sit above zero and run B's below, so every file shows whose it is.
    const auto plan = [&] (const juce::String& run, float sign)
    {
        std::vector<Track> tracks;

        for (int i = 0; i < stems.size(); ++i)
        {
            const auto file = temp.folder.getChildFile ("Source " + run).getChildFile (stems[i] + ".wav");
            auto audio = makeNoise (2, 2 * second, 0.05f, i);
            audio.applyGain (0.5f);

            for (int ch = 0; ch < 2; ++ch)
                juce::FloatVectorOperations::add (audio.getWritePointer (ch), sign * (0.1f + 0.05f * (float) i), 2 * second);

            writeWav (file, audio);
            tracks.push_back (makeTrack (file, "stem-" + stems[i]));
        }

        auto preset = makeRenderPreset (stems);
        preset.exportSettings.formats.front().subFolder = "WAV";
        return planRequest (preset, tracks, output, "Cue");
    };

    const std::vector<RenderRequest> runA { plan ("A", 1.0f) };
    const std::vector<RenderRequest> runB { plan ("B", -1.0f) };
    BatchReport reportA, reportB;

    const auto render = [&lockstep] (const std::vector<RenderRequest>& requests, BatchReport& report)
    {
        RenderWorkers oneWorker ({ 1, 1LL << 31 });
        report = RenderJob::runQueue (requests, {},
                                      [&lockstep] (double, const juce::String& text, Phase)
                                      {
                                          if (text.startsWith ("Writing"))
                                              lockstep.meet (text);
                                      },
                                      oneWorker);
        lockstep.end();
    };

    std::thread first ([&] { render (runA, reportA); });
    std::thread second ([&] { render (runB, reportB); });
    first.join();
    second.join();

    juce::StringArray listed;

    for (const auto* report : { &reportA, &reportB })
    {
        ASSERT_EQ (report->cues.size(), 1u);
        const auto& cue = report->cues.front();
        EXPECT_TRUE (cue.completed) << cue.errors.joinIntoString ("\n");
        EXPECT_EQ (cue.reconstruction.state, ReconstructionResult::State::passed) << cue.reconstruction.detail;
        EXPECT_EQ (cue.files.size(), 4u) << "three stems and the full mix";

        const bool isA = report == &reportA;

        for (const auto& written : cue.files)
        {
            const auto path = written.file.getRelativePathFrom (output).replaceCharacter ('\\', '/');
            EXPECT_FALSE (listed.contains (path)) << path << " is listed by both runs";
            listed.add (path);

            // The file on disk is the one this run wrote.
            const auto audio = readBack (written.file);
            ASSERT_GT (audio.getNumSamples(), 0) << path;
            EXPECT_EQ (audio.getSample (0, 0) > 0.0, isA) << path;
            EXPECT_EQ (written.sizeBytes, written.file.getSize()) << path;
        }
    }

    listed.sort (false);
    EXPECT_EQ (listFiles (output), listed) << "on disk: " << listFiles (output).joinIntoString (", ");
}

} // namespace
} // namespace korvid
