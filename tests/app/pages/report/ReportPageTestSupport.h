#pragma once

#include "app/PageTestSupport.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/report/ReportTestSupport.h"
#include "core/model/BuiltInPresets.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"

#include <optional>

namespace korvid::ui::reporttest
{
    using pagetest::Question;

    /** The real Report page; see PageTest. Reports come from a real render of generated
        takes, or are made by hand over short WAVs the test writes. The runtime folder is
        unset, so the page keeps its own files below the test's home. */
    class ReportPageTest : public pagetest::PageTest<ReportPage>
    {
    protected:
        void SetUp() override
        {
            runtimeVariable.emplace ("XDG_RUNTIME_DIR", juce::String());
            PageTest::SetUp();
        }

        void TearDown() override
        {
            PageTest::TearDown();
            runtimeVariable.reset();
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

        bool waitForSpectrogram()
        {
            return pumpUntil ([this] { return ! page->getSpectrogramView().isAnalysing(); });
        }

        std::optional<test::ScopedEnvironmentVariable> runtimeVariable;
    };
}
