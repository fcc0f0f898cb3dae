#include "PageBenchSupport.h"

#include "app/MainComponent.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/review/ReviewPage.h"
#include "ui/ScriptedDialogs.h"

#include <algorithm>
#include <chrono>
#include <ctime>

// The whole window at work: every page built and listening to the session, as the user has
// it, 2048 takes over 256 stems in 16 to 2048 cues. Each action is timed from the input until
// the window has settled and the Levels & export page shows a plan of the session as it now
// stands; the CPU column is the message thread's own share (the planning worker is not in
// it). Run under xvfb-run. BM_WindowSettleOnly is the same wait with no input: the message
// loop's own polling and the timers' idle ticks, to be taken off the other figures.
namespace
{
using korvid::bench::pageBenchWorld;
using korvid::ui::MainComponent;
using korvid::ui::Page;
using korvid::ui::ReviewPage;

struct WindowBench
{
    explicit WindowBench (int cueCount)
    {
        pageBenchWorld();   // the display, the GUI and a home folder of its own
        auto dialogs = std::make_unique<korvid::ui::testing::ScriptedDialogs>();
        main = std::make_unique<MainComponent> (korvid::ui::PreviewEngine::OutputMode::none, std::move (dialogs));
        main->setSize (1360, 860);
        korvid::bench::showOnDesktop (*main);

        auto& session = main->getAppState().session;
        session.setPreset (korvid::bench::manyStemsPreset());
        juce::StringArray paths;

        for (const auto& folder : korvid::bench::pageBenchAlbum (cueCount))
            paths.add (folder.getFullPathName());

        session.importFiles (paths, false);
        settle();
    }

    ~WindowBench()
    {
        main.reset();
    }

    ReviewPage& review() const { return *main->getReviewPage(); }

    void show (Page page)
    {
        main->showPage (page);
        settle();
    }

    /** The first cue on Review with every row selected. */
    void selectTheFirstCue()
    {
        review().getCueBox().setSelectedId (2, juce::sendNotificationSync);
        review().tick();
        review().getTree().clearSelectedItems();

        for (int g = 0; g < review().getRoot().getNumSubItems(); ++g)
            review().getRoot().getSubItem (g)->setSelected (true, false);
    }

    void assignSelectionTo (int stem)
    {
        review().assignMenuItemChosen (ReviewPage::firstStemId + stem, review().takeAssignMenuContext());
    }

    /** The page timers' next ticks, the repaint, and the plan of the session as it stands. */
    void settle()
    {
        korvid::bench::letTheWindowSettle();
        korvid::bench::pumpUntil ([this] { return main->getExportPage()->isPlanCurrent(); });
    }

    std::unique_ptr<MainComponent> main;
};

void windowCueCounts (benchmark::internal::Benchmark* bench)
{
    bench->ArgName ("cues")->Arg (16)->Arg (256)->Arg (512)->Arg (2048)
         ->Unit (benchmark::kMillisecond)->Iterations (5);
}

void BM_WindowSettleOnly (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::exportPage);

    for (auto _ : bench)
        window.settle();
}
BENCHMARK (BM_WindowSettleOnly)->Apply (windowCueCounts);

void BM_WindowReviewAssign (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::reviewPage);
    int stem = 0;

    for (auto _ : bench)
    {
        bench.PauseTiming();
        window.selectTheFirstCue();
        bench.ResumeTiming();

        window.assignSelectionTo (stem++ % korvid::bench::pageStemCount);
        window.settle();
    }
}
BENCHMARK (BM_WindowReviewAssign)->Apply (windowCueCounts);

void BM_WindowReviewUndoRedo (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::reviewPage);
    auto& session = window.main->getAppState().session;
    const bool undo = bench.range (1) == 0;

    for (auto _ : bench)
    {
        bench.PauseTiming();
        window.selectTheFirstCue();
        window.assignSelectionTo (3);
        window.settle();

        if (! undo)
        {
            session.undo();
            window.settle();
        }

        bench.ResumeTiming();

        if (undo)
            session.undo();
        else
            session.redo();

        window.settle();
    }
}
BENCHMARK (BM_WindowReviewUndoRedo)
    ->ArgNames ({ "cues", "redo" })
    ->ArgsProduct ({ { 16, 256, 512, 2048 }, { 0, 1 } })
    ->Unit (benchmark::kMillisecond)->Iterations (5);

// A preset chosen while the Import page shows: every track matched again and every page told.
void BM_WindowChoosePreset (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::importPage);
    const auto preset = korvid::bench::manyStemsPreset();

    for (auto _ : bench)
    {
        window.main->getAppState().session.setPreset (preset);
        window.settle();
    }
}
BENCHMARK (BM_WindowChoosePreset)->Apply (windowCueCounts);

void BM_WindowExportTick (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::exportPage);
    auto& toggle = window.main->getExportPage()->getContent().remeasureToggle;

    for (auto _ : bench)
    {
        toggle.setToggleState (! toggle.getToggleState(), juce::sendNotificationSync);
        window.settle();
    }
}
BENCHMARK (BM_WindowExportTick)->Apply (windowCueCounts);

void BM_WindowExportNamingField (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::exportPage);
    auto& editor = window.main->getExportPage()->getContent().stemTemplateEditor;
    bool withWord = false;

    for (auto _ : bench)
    {
        withWord = ! withWord;
        editor.setTemplate (withWord ? "{project}_{cue}_{stemIndex}_{stemName}_Mix" : "{project}_{cue}_{stemIndex}_{stemName}");
        editor.onTemplateChanged();
        window.settle();
    }
}
BENCHMARK (BM_WindowExportNamingField)->Apply (windowCueCounts);

double threadCpuMs()
{
    timespec now {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return (double) now.tv_sec * 1000.0 + (double) now.tv_nsec / 1.0e6;
}

// Opening a project of every take, from the menu, while the Import page shows: the file is
// read and the folders scanned and probed on the session's worker, the session replaced in one
// step. "longestMs" is the longest the message thread was busy at a stretch, from the choice
// until the window has settled with the project in it; it must stay under 50 ms.
void BM_WindowOpenProject (benchmark::State& bench)
{
    WindowBench window ((int) bench.range (0));
    window.show (Page::importPage);
    auto& state = window.main->getAppState();
    const auto project = korvid::bench::pageBenchRoot().getChildFile ("Album.vlpr");
    juce::String error;

    if (! state.saveProject (project, error))
    {
        bench.SkipWithError (error.toRawUTF8());
        return;
    }

    double longest = 0.0, longestCpu = 0.0;

    for (auto _ : bench)
    {
        window.main->loadProjectFile (project);

        // One pass of the loop handles what is pending once (every posted message, then the
        // window's events): the window answers the user only between two passes.
        while (state.isOpeningProject() || ! window.main->getExportPage()->isPlanCurrent())
        {
            const auto start = std::chrono::steady_clock::now();
            const auto cpuStart = threadCpuMs();
            juce::MessageManager::getInstance()->runDispatchLoopUntil (0);
            const auto busyMs = std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
            longest = std::max (longest, busyMs);
            longestCpu = std::max (longestCpu, threadCpuMs() - cpuStart);
        }

        window.settle();
    }

    bench.counters["longestMs"] = longest;
    bench.counters["longestCpuMs"] = longestCpu;
    bench.counters["tracks"] = (double) state.session.getTracks().size();
}
BENCHMARK (BM_WindowOpenProject)->ArgName ("cues")->Arg (256)->Arg (2048)->Unit (benchmark::kMillisecond)->Iterations (3);
} // namespace
