#include "app/AppState.h"
#include "app/pages/export/DeliveryPlanner.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportPage.h"
#include "core/model/BuiltInPresets.h"

#include <benchmark/benchmark.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <chrono>
#include <memory>

// The message-thread work of the Levels & export page at 2048 tracks in 16, 256, 512 and
// 2048 cues: a tick of a check box, a committed naming field and a cue unticked in the cue
// table, each from the change to the plan on show ("worstMs" the slowest of them), and the
// planning the page's worker does meanwhile ("workerMs"). Components need a display: run
// under xvfb-run.
namespace
{
constexpr int trackCount = 2048;

juce::File benchRoot()
{
    return juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-export-page-bench");
}

// 2048 very short takes spread over the cues' folders, written once and kept between runs.
juce::File writeTakes (int cueCount)
{
    static const char* const stems[] { "Strings", "Brass", "Choir", "Piano", "Percussion", "Synth", "Bass", "Woodwinds" };
    const auto album = benchRoot().getChildFile ("takes " + juce::String (cueCount));

    if (album.getChildFile ("complete").existsAsFile())
        return album;

    album.deleteRecursively();
    juce::WavAudioFormat wav;
    juce::AudioBuffer<float> samples (1, 48);
    samples.clear();

    for (int i = 0; i < trackCount; ++i)
    {
        const auto folder = album.getChildFile ("Cue " + juce::String (i % cueCount + 1));
        folder.createDirectory();
        const auto name = juce::String (stems[i % (int) std::size (stems)]) + " " + juce::String (i) + ".wav";
        auto stream = std::make_unique<juce::FileOutputStream> (folder.getChildFile (name));
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 1, 16, {}, 0));

        if (writer == nullptr)
            continue;

        stream.release();
        writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
    }

    album.getChildFile ("complete").replaceWithText ("");
    return album;
}

/** A page over an application state of its own (home folder below the bench's), holding
    the session of one cue count. */
struct PageFixture
{
    explicit PageFixture (int cueCount)
    {
        const auto home = benchRoot().getChildFile ("home");
        home.createDirectory();
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);

        state = std::make_unique<korvid::ui::AppState> (korvid::ui::PreviewEngine::OutputMode::none);
        state->session.setPreset (korvid::makeHybridOrchestraExamplePreset());
        state->session.importFiles ({ writeTakes (cueCount).getFullPathName() }, true);
        state->setOutputFolder (benchRoot().getChildFile ("out"));

        page = std::make_unique<korvid::ui::ExportPage> (*state);
        page->setSize (1360, 712);
        waitForPlan();
    }

    ~PageFixture()
    {
        page.reset();
        state.reset();
    }

    void waitForPlan() const
    {
        while (! page->isPlanCurrent())
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
    }

    std::unique_ptr<korvid::ui::AppState> state;
    std::unique_ptr<korvid::ui::ExportPage> page;
};

double millisecondsSince (std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
}

/** One change on the page timed as the message thread does it: the commit, the next
    tick's refresh with the copies the plan is made from, and showing the plan. The
    planning itself runs meanwhile on the worker and is not counted here. */
void timeChange (benchmark::State& state, const std::function<void (PageFixture&, bool)>& change)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    PageFixture fixture ((int) state.range (0));
    auto& page = *fixture.page;
    korvid::RenderPlanningCache cache;
    bool flip = false;
    double worst = 0.0, planning = 0.0;

    for (auto _ : state)
    {
        flip = ! flip;
        auto start = std::chrono::steady_clock::now();
        change (fixture, flip);
        page.refreshPresetLine();
        page.refreshNamingPreview();
        page.refreshIssueList();
        benchmark::DoNotOptimize (page.planningInputs (true));
        double messageThread = millisecondsSince (start);

        // What the worker hands back, made here so that showing it can be timed alone.
        state.PauseTiming();
        const auto planStart = std::chrono::steady_clock::now();
        auto delivery = std::make_shared<korvid::ui::PlannedDelivery> (
            korvid::ui::planDelivery (page.planningInputs (true), cache, {}));
        planning += millisecondsSince (planStart);
        delivery->number = page.getNewestAnalysisPlan();
        state.ResumeTiming();

        start = std::chrono::steady_clock::now();
        page.showPlan (std::move (delivery));
        messageThread += millisecondsSince (start);
        worst = juce::jmax (worst, messageThread);

        state.PauseTiming();
        fixture.waitForPlan();
        state.ResumeTiming();
    }

    state.counters["worstMs"] = worst;
    state.counters["workerMs"] = benchmark::Counter (planning, benchmark::Counter::kAvgIterations);
}

void tickACheckBox (benchmark::State& state)
{
    timeChange (state, [] (PageFixture& fixture, bool on)
    {
        fixture.page->getContent().remeasureToggle.setToggleState (on, juce::sendNotificationSync);
    });
}

void commitANamingField (benchmark::State& state)
{
    timeChange (state, [] (PageFixture& fixture, bool withWord)
    {
        auto& editor = fixture.page->getContent().stemTemplateEditor;
        editor.setTemplate (withWord ? "{project}_{cue}_{stemIndex}_{stemName}_Mix" : "{project}_{cue}_{stemIndex}_{stemName}");
        editor.onTemplateChanged();
    });
}

// From the cue table: the session's own undo step is in the figure, as the user waits for it.
void untickACue (benchmark::State& state)
{
    timeChange (state, [] (PageFixture& fixture, bool unticked)
    {
        auto& session = fixture.state->session;
        session.setCueIncluded (session.getCues().front().id, ! unticked);
    });
}

BENCHMARK (tickACheckBox)->Name ("ExportPage/2048tracks/tickACheckBox/cues")
    ->Arg (16)->Arg (256)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond)->Iterations (20);
BENCHMARK (commitANamingField)->Name ("ExportPage/2048tracks/commitANamingField/cues")
    ->Arg (16)->Arg (256)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond)->Iterations (20);
} // namespace

namespace
{
BENCHMARK (untickACue)->Name ("ExportPage/2048tracks/untickACue/cues")
    ->Arg (16)->Arg (256)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond)->Iterations (20);
} // namespace
