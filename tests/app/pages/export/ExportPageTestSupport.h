#pragma once

#include "app/PageTestSupport.h"
#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportFormatRow.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/export/ExportRenderBar.h"
#include "app/pages/export/GatedTrackList.h"
#include "core/model/BuiltInPresets.h"
#include "ui/Palette.h"

#include <cmath>
#include <initializer_list>
#include <optional>

namespace korvid::ui::exporttest
{
    using pagetest::Question;
    using QuestionKind = testing::ScriptedDialogs::Kind;

    /** Holds what the page hands its job instead of starting a thread, so a test decides
        when the run ends and how: it renders the requests on its own thread of control and
        calls the page's completion, which posts to the message thread as the real one does. */
    struct HeldRun
    {
        std::vector<RenderRequest> requests;
        RenderJob::FinishedCallback completion;
        int starts = 0;

        void attachTo (ExportPage& page)
        {
            page.startJob = [this] (RenderJob&, std::vector<RenderRequest> toRender, RenderJob::FinishedCallback onFinished)
            {
                requests = std::move (toRender);
                completion = std::move (onFinished);
                ++starts;
                return true;
            };
        }

        /** Renders what was asked (stopping at once when `cancelled`) and posts the report. */
        void finish (bool cancelled)
        {
            auto report = RenderJob::runQueue (requests, [cancelled] { return cancelled; }, {});

            if (cancelled)
                report.cancelled = true;

            completion (report);
        }
    };

    /** The real export page (see PageTest) at the size the main window gives a page, with
        a runtime folder of the test's own for the cleaned auditions. */
    class ExportPageTest : public pagetest::PageTest<ExportPage>
    {
    public:
        static constexpr int pageWidth = 1360;
        static constexpr int pageHeight = 712;

        void SetUp() override
        {
            // Cleaned auditions go into the runtime folder: one of the test's own, read when
            // an audition is prepared.
            PageTest::SetUp();
            const auto runtime = root.getChildFile ("runtime");
            ASSERT_TRUE (runtime.createDirectory());
            runtimeVariable.emplace ("XDG_RUNTIME_DIR", runtime.getFullPathName());
        }

        void TearDown() override
        {
            PageTest::TearDown();
            runtimeVariable.reset();
        }

        juce::Point<int> sizeOfPage() const override   { return { pageWidth, pageHeight }; }

        /** Builds the state and the page anew. */
        void build (PreviewEngine::OutputMode outputMode = PreviewEngine::OutputMode::drivenByCaller)
        {
            PageTest::build (outputMode);
        }

        ExportPage::RenderBar& bar()          { return page->getRenderBar(); }
        ExportPage::Content& body()           { return page->getContent(); }
        ExportPage::FormatRow& row (int i)    { return *body().formatRows[i]; }
        juce::String statusLine()             { return bar().phaseBar.text; }

        /** A float WAV: `silentSeconds` of silence, then a constant level to the end. */
        static juce::File writeTake (const juce::File& file, double seconds, double silentSeconds = 0.0,
                                     int channels = 1, double rate = 8000.0, float level = 0.25f)
        {
            const int frames = (int) std::llround (seconds * rate);
            const int silent = (int) std::llround (silentSeconds * rate);
            const auto samples = test::makeSignal (channels, frames, [=] (int, int i) { return i < silent ? 0.0f : level; });
            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        /** Writes takes of these names into a cue folder and imports it. */
        juce::File importCue (const juce::String& cueName, std::initializer_list<const char*> names, double seconds = 0.5,
                              int channels = 1)
        {
            const auto dir = folder (cueName);

            for (const auto* name : names)
                writeTake (dir.getChildFile (name), seconds, 0.0, channels);

            state->session.importFiles ({ dir.getFullPathName() }, false);
            return dir;
        }

        /** A preset of stems that each match the file-name word of their lower-cased name. */
        static Preset presetWithStems (std::initializer_list<const char*> names)
        {
            auto preset = makeEmptyPreset();
            preset.id = "test-preset";
            preset.name = "Test preset";
            preset.isBuiltIn = false;

            for (const auto* name : names)
                preset.schema.addStem (Stem (name, {}, 0xff336699, false, 0,
                                             { KeywordRule (juce::String (name).toLowerCase()) }));

            return preset;
        }

        void useStems (std::initializer_list<const char*> names)
        {
            state->session.setPreset (presetWithStems (names));
        }

        /** The export folder below the test's root, made current. */
        juce::File useOutputFolder (const juce::String& name = "Out")
        {
            const auto out = root.getChildFile (name);
            EXPECT_TRUE (out.createDirectory());
            state->setOutputFolder (out);
            return out;
        }

        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 30000)
        {
            return PageTest::pumpUntil (condition, timeoutMs);
        }

        /** Until neither run is under way on the page (nor waits for its plan) and no job
            thread runs. */
        bool waitForRunEnd (int timeoutMs = 30000)
        {
            return pumpUntil ([this] { return ! page->isRunWaitingForPlan() && ! page->isExporting() && ! page->isAnalysing()
                                              && ! page->isRendering(); },
                              timeoutMs);
        }

        /** Until the plan of the session as it stands is on show (issue list, naming preview). */
        bool waitForPlan (int timeoutMs = 30000)
        {
            return pumpUntil ([this] { return page->isPlanCurrent(); }, timeoutMs);
        }

        /** Until a run pressed for has its plan and has started (or was refused before it). */
        bool waitForRunStart (int timeoutMs = 30000)
        {
            return pumpUntil ([this] { return ! page->isRunWaitingForPlan(); }, timeoutMs);
        }

        std::optional<test::ScopedEnvironmentVariable> runtimeVariable;
    };
}
