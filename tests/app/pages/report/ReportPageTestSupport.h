#pragma once

#include "app/AppState.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/report/ReportTestSupport.h"
#include "core/model/BuiltInPresets.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace korvid::ui::reporttest
{
    using Question = testing::ScriptedDialogs::Question;

    /** The real Report page over a real application state in a home folder of its own, with
        scripted dialogs and a preview engine the test drives (no device), at the window's
        usual page size. Reports come from a real render of generated takes, or are made by
        hand over short WAVs the test writes. */
    class ReportPageTest : public ::testing::Test
    {
    protected:
        static constexpr int pageWidth = 1336;
        static constexpr int pageHeight = 700;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-report-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());
            runtimeVariable.emplace ("XDG_RUNTIME_DIR", juce::String());

            build (PreviewEngine::OutputMode::drivenByCaller);
        }

        void TearDown() override
        {
            page.reset();
            state.reset();
            runtimeVariable.reset();
            configVariable.reset();
            homeVariable.reset();
            root.deleteRecursively();
        }

        /** Builds the state and the page anew, with the engine's output as given. */
        void build (PreviewEngine::OutputMode outputMode)
        {
            page.reset();
            state.reset();

            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (outputMode, std::move (scripted));
            state->preview.prepareToPlay (512, 48000.0);
            makePage();
        }

        void makePage()
        {
            page = std::make_unique<ReportPage> (*state);
            page->setSize (pageWidth, pageHeight);
        }

        /** A float WAV of a constant level, `seconds` long. */
        static juce::File writeTake (const juce::File& file, double seconds, double rate = 8000.0, int channels = 2,
                                     float level = 0.25f)
        {
            file.getParentDirectory().createDirectory();
            const int frames = (int) std::llround (seconds * rate);
            EXPECT_TRUE (test::writeWav (file, test::makeConstant (channels, frames, level), rate))
                << file.getFullPathName();
            return file;
        }

        /** A cue whose written files are real WAVs of these names in `output/<cue>`, each
            `seconds` long, the last one the full mix. */
        CueReport cueWithFiles (const juce::String& name, const juce::StringArray& fileNames, double seconds = 1.0)
        {
            auto cue = completedCue (name, seconds);
            const auto dir = output().getChildFile (name);

            for (int i = 0; i < fileNames.size(); ++i)
            {
                const auto file = writeTake (dir.getChildFile (fileNames[i]), seconds);
                const bool mix = i == fileNames.size() - 1;
                const auto label = mix ? juce::String ("Full mix") : file.getFileNameWithoutExtension();
                cue.files.push_back (writtenFile (file, label, mix ? FileKind::fullMix : FileKind::stem,
                                                  file.getSize(), mix ? -3.0 : -400.0, seconds));

                if (! mix)
                    cue.stems.push_back (stemResult (label, 1));
            }

            return cue;
        }

        static BatchReport reportOf (std::vector<CueReport> cues)
        {
            BatchReport report;
            report.allCompleted = ! cues.empty();

            for (const auto& cue : cues)
                report.allCompleted = report.allCompleted && cue.completed && ! cue.cancelled;

            report.cues = std::move (cues);
            return report;
        }

        /** Hands the report to the application state and lets its broadcast arrive. */
        void deliver (BatchReport report)
        {
            state->setLastReport (std::move (report));
            pump();
        }

        juce::File output() const   { return root.getChildFile ("Delivery"); }

        /** Renders two small cues ("Opening", "Finale") of generated takes through the same
            objects the application uses, into output(), and hands the report on. */
        void renderTwoCues()
        {
            const auto exports = root.getChildFile ("Exports");
            writeTake (exports.getChildFile ("Opening").getChildFile ("Opening Drums.wav"), 1.0, 48000.0, 2, 0.30f);
            writeTake (exports.getChildFile ("Opening").getChildFile ("Opening Bass.wav"), 1.0, 48000.0, 2, 0.20f);
            writeTake (exports.getChildFile ("Finale").getChildFile ("Finale Drums.wav"), 0.5, 48000.0, 2, 0.10f);
            writeTake (exports.getChildFile ("Finale").getChildFile ("Finale Bass.wav"), 0.5, 48000.0, 2, 0.05f);

            auto preset = makeEmptyPreset();
            preset.metadata.project = "PRJ";
            preset.schema.addStem (Stem ("Drums", {}, 0xff336699, false, 0, { KeywordRule ("drums") }));
            preset.schema.addStem (Stem ("Bass", {}, 0xff993366, false, 0, { KeywordRule ("bass") }));
            state->session.setPreset (preset);

            const auto imported = state->session.importFiles ({ exports.getFullPathName() }, true);
            ASSERT_EQ (imported.imported, 4) << imported.problems.joinIntoString ("\n");

            const auto plan = buildRenderRequests (state->session.getPreset(), state->session.getTracks(),
                                                   state->session.cuesWithTracks(), output(), false);
            ASSERT_TRUE (plan.ok) << plan.issues.toText();

            std::vector<RenderRequest> requests;

            for (const auto& planned : plan.requests)
                requests.push_back (planned.request);

            auto report = RenderJob::runQueue (std::move (requests), {}, {});
            ASSERT_TRUE (report.allCompleted) << report.toText();
            state->setOutputFolder (output());
            deliver (std::move (report));
        }

        juce::StringArray tableNames()
        {
            juce::StringArray names;

            for (const auto& row : page->getDeliveryTable().getRows())
                names.add (row.fileName);

            return names;
        }

        static void pump (int milliseconds = 20)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        }

        /** Runs the message loop until the condition holds or the time is up. */
        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);

            while (! condition())
            {
                if (std::chrono::steady_clock::now() > deadline)
                    return false;

                pump (5);
            }

            return true;
        }

        bool waitForEngine (int timeoutMs = 20000)
        {
            return pumpUntil ([this] { return ! state->preview.loading.load() && ! state->preview.isThreadRunning(); },
                              timeoutMs);
        }

        bool waitForSpectrogram()
        {
            return pumpUntil ([this] { return ! page->getSpectrogramView().isAnalysing(); });
        }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        juce::File root, home;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable, runtimeVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<ReportPage> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
