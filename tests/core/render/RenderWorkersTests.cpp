#include "DeliveryCases.h"
#include "RenderTestSupport.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioTestFiles.h"
#include "core/render/RenderContext.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderMemory.h"
#include "core/render/RenderWorkers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#if JUCE_LINUX
 #include <sched.h>
#endif

namespace korvid
{
namespace
{

using namespace rendertest;
using State = ReconstructionResult::State;

constexpr int second = 48000;

struct RenderWorkersTest : ::testing::Test
{
    test::TempFolder temp;

    juce::File sources() const { return temp.folder.getChildFile ("Sources"); }
    juce::File output (const juce::String& run) const { return temp.folder.getChildFile (run); }

    static RenderCapacity capacity (int workers, juce::int64 budget = audioMemoryBudgetBytes())
    {
        return { workers, budget };
    }

    // The report's lines with the run's folder written as ROOT, so two runs compare.
    static juce::StringArray linesOf (const BatchReport& report, const juce::File& root)
    {
        juce::StringArray lines;

        for (const auto& line : reportLinesWithoutTimes (report))
            lines.add (line.replace (root.getFullPathName(), "ROOT"));

        return lines;
    }

    // Every file below `a` has a twin below `b` with the same bytes, and no other file is there.
    static void expectSameFiles (const juce::File& a, const juce::File& b)
    {
        const auto files = listFiles (a);
        ASSERT_EQ (files, listFiles (b));
        ASSERT_FALSE (files.isEmpty());

        for (const auto& path : files)
            EXPECT_TRUE (a.getChildFile (path).hasIdenticalContentTo (b.getChildFile (path))) << path;
    }

    // Stems of one track each, `seconds` long, with their own noise.
    std::vector<Track> noiseTracks (const juce::StringArray& stems, int seconds)
    {
        std::vector<Track> tracks;

        for (int i = 0; i < stems.size(); ++i)
        {
            const auto file = sources().getChildFile (stems[i] + ".wav");
            writeWav (file, makeNoise (2, seconds * second, 0.1f, 300 + i));
            tracks.push_back (makeTrack (file, "stem-" + stems[i]));
        }

        return tracks;
    }
};

//==============================================================================
TEST_F (RenderWorkersTest, EveryDeliveryIsTheSameWithOneWorkerAndWithSeveral)
{
    for (auto deliveryCase : allDeliveryCases)
    {
        SCOPED_TRACE (caseName (deliveryCase).toStdString());
        const auto caseSources = sources().getChildFile (caseName (deliveryCase));
        juce::File firstRoot;
        juce::StringArray firstLines;

        for (int workerCount : { 1, 3, 8 })
        {
            SCOPED_TRACE (workerCount);
            const auto root = output (caseName (deliveryCase) + " " + juce::String (workerCount));

            // The same sources each time, so only the scheduling differs.
            auto requests = makeDeliveryCase (deliveryCase, caseSources, root);
            RenderWorkers workers (capacity (workerCount));
            const auto report = RenderJob::runQueue (std::move (requests), {}, {}, workers);

            ASSERT_TRUE (report.allCompleted) << report.toText();
            EXPECT_EQ (workers.mostPiecesAtOnce() > 1, workerCount > 1);

            if (workerCount == 1)
            {
                firstRoot = root;
                firstLines = linesOf (report, root);
                continue;
            }

            expectSameFiles (firstRoot, root);
            EXPECT_EQ (linesOf (report, root), firstLines);
        }
    }
}

TEST_F (RenderWorkersTest, ACancelStopsEveryBusyWorkerWithinItsEncode)
{
    const juce::StringArray stems { "S1", "S2", "S3", "S4" };
    const auto request = planRequest (makeRenderPreset (stems), noiseTracks (stems, 20), output ("Out"));
    const auto stemsFolder = output ("Out").getChildFile ("STEMS");

    // Fires once every worker is inside an encode, that is when all four temporary files
    // are there at once. Each call waits a moment, so no encode ends before the others start,
    // even on a machine so busy that a worker starts late.
    std::atomic<int> callsAtOnce { 0 };
    bool overlapped = false;
    juce::StringArray inFlight;

    const CancelTest cancel = [&]
    {
        overlapped = overlapped || ++callsAtOnce > 1;
        juce::Thread::sleep (5);

        if (inFlight.isEmpty())
        {
            const auto temporaries = stemsFolder.findChildFiles (juce::File::findFiles, false, ".*");

            if (temporaries.size() == stems.size())
                for (const auto& file : temporaries)
                    inFlight.add (file.getFileName());
        }

        --callsAtOnce;
        return ! inFlight.isEmpty();
    };

    RenderWorkers workers (capacity (stems.size()));
    const auto report = RenderJob::runQueue ({ request }, cancel, {}, workers);

    ASSERT_EQ (inFlight.size(), stems.size()) << "the four encodes never ran at once";
    EXPECT_FALSE (overlapped) << "the caller's cancel test is never asked from two threads at once";

    EXPECT_TRUE (report.cancelled);
    ASSERT_EQ (report.cues.size(), 1u);
    const auto& cue = report.cues[0];
    EXPECT_TRUE (cue.cancelled);
    EXPECT_TRUE (cue.errors.isEmpty()) << cue.errors.joinIntoString ("\n");
    EXPECT_TRUE (cue.files.empty()) << "each encode stopped within a block";
    EXPECT_EQ (cue.reconstruction.state, State::notRun);
    EXPECT_TRUE (listFiles (output ("Out")).isEmpty()) << listFiles (output ("Out")).joinIntoString ("\n");
}

TEST_F (RenderWorkersTest, AFailingWriteFailsItsFileWithTheSentenceOfOneWorker)
{
    // A folder (not empty) where the third stem's file goes: its encode runs, and replacing
    // the folder with the finished file fails, while the other stems are written beside it.
    const juce::StringArray stems { "S1", "S2", "S3", "S4", "S5", "S6" };
    auto preset = makeRenderPreset (stems);
    preset.exportSettings.naming.collisionPolicy = CollisionPolicy::overwrite;
    const auto tracks = noiseTracks (stems, 2);

    juce::String firstError;

    for (int workerCount : { 1, 4 })
    {
        SCOPED_TRACE (workerCount);
        const auto root = output ("Out " + juce::String (workerCount));
        const auto inTheWay = root.getChildFile ("STEMS/PRJ_03_S3.wav/keep.txt");
        ASSERT_TRUE (inTheWay.getParentDirectory().createDirectory().wasOk());
        ASSERT_TRUE (inTheWay.replaceWithText ("keep"));

        RenderWorkers workers (capacity (workerCount));
        const auto report = RenderJob::runQueue ({ planRequest (preset, tracks, root) }, {}, {}, workers);
        ASSERT_EQ (report.cues.size(), 1u);
        const auto& cue = report.cues[0];

        EXPECT_FALSE (cue.completed);
        EXPECT_FALSE (cue.cancelled);
        ASSERT_EQ (cue.errors.size(), 1) << cue.errors.joinIntoString ("\n");
        EXPECT_TRUE (cue.errors[0].startsWith ("S3 -> PRJ_03_S3.wav: ")) << cue.errors[0];
        EXPECT_EQ (cue.reconstruction.state, State::notRun);

        // The sentence names the file; only the run's folder differs.
        const auto error = cue.errors[0].replace (root.getFullPathName(), "ROOT");

        if (workerCount == 1)
            firstError = error;
        else
            EXPECT_EQ (error, firstError);

        // What is listed is what is on disk, complete, and nothing half-written is left.
        juce::StringArray listed { "STEMS/PRJ_03_S3.wav/keep.txt" };

        for (const auto& file : cue.files)
        {
            listed.add (file.file.getRelativePathFrom (root));
            EXPECT_EQ (readBack (file.file).getNumSamples(), 2 * second) << file.file.getFileName();
        }

        listed.sort (false);
        EXPECT_EQ (listFiles (root), listed);

        // The stems before the failing one are all there; one worker writes none after it.
        for (const auto* name : { "STEMS/PRJ_01_S1.wav", "STEMS/PRJ_02_S2.wav" })
            EXPECT_TRUE (listed.contains (name)) << name;

        if (workerCount == 1)
        {
            EXPECT_EQ (cue.files.size(), 2u);
        }
    }
}

TEST_F (RenderWorkersTest, TheMemoryBudgetHoldsHowManyPiecesRunAtOnce)
{
    const auto caseSources = sources().getChildFile ("awkward");
    const auto planned = makeDeliveryCase (DeliveryCase::awkwardMixes, caseSources, output ("Planned"));
    ASSERT_EQ (planned.size(), 1u);

    struct Case
    {
        const char* name;
        juce::int64 budget;
        int piecesAtOnce;   // 0: the cue is refused
    };

    const Case cases[] {
        { "room for one piece", cueRenderMemoryBytes (planned[0], 1), 1 },
        { "room for two", cueRenderMemoryBytes (planned[0], 2), 2 },
        { "room for all", audioMemoryBudgetBytes(), 8 },
        { "not even one", cueRenderMemoryBytes (planned[0], 1) - 1, 0 },
    };

    juce::File unlimitedRoot;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto root = output (c.name);
        RenderWorkers workers (capacity (8, c.budget));
        const auto report = RenderJob::runQueue (makeDeliveryCase (DeliveryCase::awkwardMixes, caseSources, root),
                                                 {}, {}, workers);
        ASSERT_EQ (report.cues.size(), 1u);
        EXPECT_EQ (workers.mostPiecesAtOnce(), c.piecesAtOnce);

        if (c.piecesAtOnce == 0)
        {
            EXPECT_EQ (report.cues[0].errors,
                       juce::StringArray ("This cue needs about 0.0 GB of memory to render and at most 0.0 GB may be used."));
            EXPECT_TRUE (listFiles (root).isEmpty());
            continue;
        }

        ASSERT_TRUE (report.allCompleted) << report.toText();

        if (unlimitedRoot == juce::File())
        {
            unlimitedRoot = root;
            continue;
        }

        expectSameFiles (unlimitedRoot, root);
    }
}

#if JUCE_LINUX
// Pins this thread to a CPU set and clears the worker override, putting both back after.
struct PinnedThread
{
    PinnedThread()
    {
        ::sched_getaffinity (0, sizeof (original), &original);

        if (const auto* value = std::getenv (overrideName))
            savedOverride = value;

        ::unsetenv (overrideName);
    }

    ~PinnedThread()
    {
        ::sched_setaffinity (0, sizeof (original), &original);

        if (savedOverride.has_value())
            ::setenv (overrideName, savedOverride->c_str(), 1);
        else
            ::unsetenv (overrideName);
    }

    // The first `count` CPUs this thread may use now; false when there are fewer.
    bool pinTo (int count)
    {
        cpu_set_t set;
        CPU_ZERO (&set);

        for (int cpu = 0, taken = 0; cpu < CPU_SETSIZE && taken < count; ++cpu)
            if (CPU_ISSET (cpu, &original))
            {
                CPU_SET (cpu, &set);
                ++taken;
            }

        return CPU_COUNT (&set) == count && ::sched_setaffinity (0, sizeof (set), &set) == 0;
    }

    static constexpr const char* overrideName = "VELVANE_RENDER_WORKERS";
    cpu_set_t original;
    std::optional<std::string> savedOverride;
};

TEST (RenderCapacityTest, WorkersFollowTheCpusThisProcessMayUseUnlessOverridden)
{
    PinnedThread pinned;
    const auto available = CPU_COUNT (&pinned.original);
    EXPECT_EQ (usableCpuCount(), available);

    for (int cpus : { 1, 2 })
    {
        if (! pinned.pinTo (cpus))
            continue;

        SCOPED_TRACE (cpus);
        EXPECT_EQ (usableCpuCount(), cpus);
        EXPECT_EQ (machineRenderCapacity().workers, cpus);

        // The override wins over the CPU set; anything but a positive number leaves it alone.
        struct Case { const char* value; int workers; };
        const Case cases[] { { "3", 3 }, { " 5 ", 5 }, { "0", cpus }, { "-2", cpus }, { "many", cpus }, { "", cpus } };

        for (const auto& c : cases)
        {
            ::setenv (PinnedThread::overrideName, c.value, 1);
            EXPECT_EQ (machineRenderCapacity().workers, c.workers) << "'" << c.value << "'";
        }

        ::unsetenv (PinnedThread::overrideName);
    }
}
#endif

} // namespace
} // namespace korvid
