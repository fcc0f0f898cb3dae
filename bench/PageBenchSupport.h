#pragma once

#include "app/AppState.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/UiTestSupport.h"

#include <benchmark/benchmark.h>
#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

// The pages measured as the window runs them: a real application state in a home folder of
// its own, 2048 takes over 256 stems, in a chosen number of cue folders, the page on a
// display (run the benchmarks under xvfb-run). Each action is timed from the input until the
// window has settled; the CPU column is the message thread's own work in that span (the
// benchmark's CPU time is that of its thread), which is the figure to read: the real time
// also holds the wait for the page timers and any worker.
namespace korvid::bench
{
    constexpr int pageTrackCount = 2048;
    constexpr int pageStemCount = 256;
    constexpr int pageWidth = 1336;
    constexpr int pageHeight = 700;

    inline juce::File pageBenchRoot()
    {
        return juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-page-bench");
    }

    /** "kw017_take0273.wav": take t goes to stem t % 256 by its keyword. */
    inline juce::String pageTakeName (int take)
    {
        return "kw" + juce::String (take % pageStemCount).paddedLeft ('0', 3) + "_take"
             + juce::String (take).paddedLeft ('0', 4) + ".wav";
    }

    /** 256 stems, each matched by its own keyword "kwNNN". */
    inline Preset manyStemsPreset()
    {
        auto preset = makeEmptyPreset();

        for (int s = 0; s < pageStemCount; ++s)
        {
            const auto code = juce::String (s).paddedLeft ('0', 3);
            preset.schema.addStem (Stem ("Stem " + code, {}, 0xff336699, false, 0, { KeywordRule ("kw" + code) }));
        }

        return preset;
    }

    /** The cue folders of an album of 2048 tiny takes in `cueCount` folders, written once and
        kept between runs. */
    inline juce::Array<juce::File> pageBenchAlbum (int cueCount)
    {
        const auto album = pageBenchRoot().getChildFile (juce::String (cueCount) + " cues");
        juce::Array<juce::File> folders;

        for (int c = 0; c < cueCount; ++c)
            folders.add (album.getChildFile ("Cue " + juce::String (c).paddedLeft ('0', 4)));

        const auto done = album.getChildFile ("complete");

        if (done.existsAsFile())
            return folders;

        juce::WavAudioFormat wav;
        juce::AudioBuffer<float> samples (1, 64);

        for (int i = 0; i < samples.getNumSamples(); ++i)
            samples.setSample (0, i, 0.25f);

        for (const auto& folder : folders)
            folder.createDirectory();

        for (int t = 0; t < pageTrackCount; ++t)
        {
            auto stream = std::make_unique<juce::FileOutputStream> (folders[t % cueCount].getChildFile (pageTakeName (t)));

            if (! stream->openedOk())
                continue;

            stream->setPosition (0);
            stream->truncate();
            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 8000.0, 1, 16, {}, 0));

            if (writer == nullptr)
                continue;

            stream.release();
            writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
        }

        done.create();
        return folders;
    }

    /** The GUI, a home folder of its own, and one application state per cue count, kept for
        the whole run and torn down before the GUI. */
    class PageBenchWorld
    {
    public:
        PageBenchWorld() = default;

        ~PageBenchWorld()
        {
            states.clear();
        }

        /** The state with the 256-stem preset and the album of that many cues imported. */
        ui::AppState& stateWith (int cueCount)
        {
            auto& slot = states[cueCount];

            if (slot == nullptr)
            {
                slot = std::make_unique<ui::AppState> (ui::PreviewEngine::OutputMode::none);
                slot->session.setPreset (manyStemsPreset());
                juce::StringArray paths;

                for (const auto& folder : pageBenchAlbum (cueCount))
                    paths.add (folder.getFullPathName());

                slot->session.importFiles (paths, false);
            }

            return *slot;
        }

    private:
        static bool prepareDisplay()
        {
            ui::testsupport::prepareDisplayForWindows();
            return true;
        }

        static juce::File freshHome()
        {
            auto home = pageBenchRoot().getChildFile ("home");
            home.deleteRecursively();
            home.createDirectory();
            return home;
        }

        // Settings, presets and templates never reach the user's own.
        const juce::File home = freshHome();
        const test::ScopedEnvironmentVariable homeVariable { "HOME", home.getFullPathName() };
        const test::ScopedEnvironmentVariable configVariable { "XDG_CONFIG_HOME",
                                                              home.getChildFile (".config").getFullPathName() };
        const bool displayPrepared = prepareDisplay();   // before the GUI connects
        juce::ScopedJuceInitialiser_GUI gui;
        std::map<int, std::unique_ptr<ui::AppState>> states;
    };

    inline std::unique_ptr<PageBenchWorld>& pageBenchWorldSlot()
    {
        static std::unique_ptr<PageBenchWorld> world;
        return world;
    }

    inline PageBenchWorld& pageBenchWorld()
    {
        auto& world = pageBenchWorldSlot();

        if (world == nullptr)
            world = std::make_unique<PageBenchWorld>();

        return *world;
    }

    /** Called by main once the benchmarks ran: JUCE must shut down before the statics it
        uses are destroyed at exit. */
    inline void closePageBenchWorld()
    {
        pageBenchWorldSlot().reset();
    }

    /** The page in a window of its own, as the user sees it: only then does the tree make
        the components of its visible rows. */
    inline void showOnDesktop (juce::Component& page)
    {
        page.setVisible (true);
        page.addToDesktop (0);
    }

    /** What the window does after the work: the asynchronous updates the work left behind,
        the repaint and a tick of every page timer. The benchmarks' CPU column is the message
        thread's share of it; the real time includes this wait. */
    inline void letTheWindowSettle()
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (150);
    }

    /** Runs the message loop until the condition holds (true) or 60 s went by. */
    inline bool pumpUntil (const std::function<bool()>& condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (60);

        while (! condition())
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;

            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
        }

        return true;
    }

    /** The cue counts every per-action figure is printed for. */
    inline void pageCueCounts (benchmark::internal::Benchmark* bench)
    {
        bench->ArgName ("cues")->Arg (16)->Arg (256)->Arg (512)->Arg (2048)
             ->Unit (benchmark::kMillisecond)->Iterations (5);
    }
}
