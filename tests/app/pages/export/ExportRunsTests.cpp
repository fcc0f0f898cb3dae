#include "app/pages/export/ExportPageTestSupport.h"

#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    class ExportRunsTest : public ExportPageTest
    {
    public:
        /** The plan the page's worker makes of the session as it stands. */
        RenderPlan planOfPage (bool analysisOnly)
        {
            RenderPlanningCache cache;
            return planDelivery (page->planningInputs (analysisOnly), cache, {}).plan;
        }

        /** Two stems, one cue of two tracks that match them, an export folder. */
        void prepareDelivery()
        {
            useStems ({ "Strings", "Brass" });
            importCue ("1M01", { "Strings.wav", "Brass.wav" });
            useOutputFolder();
        }

        bool runButtonsEnabled()  { return bar().analyseButton.isEnabled() && bar().renderButton.isEnabled(); }
        bool runButtonsDisabled() { return ! bar().analyseButton.isEnabled() && ! bar().renderButton.isEnabled(); }
    };

    //==============================================================================
    TEST_F (ExportRunsTest, RunsEnableAndDisableTheirControlsAndEndWithTheirOwnTexts)
    {
        struct Case
        {
            const char* name;
            bool analysis;
            bool cancelled;
            const char* statusAfter;
            bool storesReport;
        };

        const Case cases[] = {
            { "analysis finished", true,  false, "",                       false },
            { "analysis cancelled", true, true,  "Analysis cancelled.",   false },
            { "render finished",   false, false, "Last render finished.", true },
            { "render cancelled",  false, true,  "Export cancelled.",     false },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            build();
            prepareDelivery();

            HeldRun run;
            run.attachTo (*page);
            int finishedCalls = 0;
            page->onExportFinished = [&finishedCalls] { ++finishedCalls; };

            // Before: both run buttons, no cancel, a live body.
            EXPECT_TRUE (runButtonsEnabled());
            EXPECT_FALSE (bar().cancelButton.isEnabled());
            EXPECT_TRUE (body().areSettingsEnabled());

            if (c.analysis)
                bar().analyseButton.triggerClick();
            else
                bar().renderButton.triggerClick();

            // Either run starts once the worker has planned it.
            ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));
            ASSERT_EQ (run.starts, 1);

            // During: only "Cancel"; folder buttons stay usable.
            EXPECT_EQ (page->isAnalysing(), c.analysis);
            EXPECT_EQ (page->isExporting(), ! c.analysis);
            EXPECT_TRUE (runButtonsDisabled());
            EXPECT_TRUE (bar().cancelButton.isEnabled());
            EXPECT_TRUE (bar().chooseFolderButton.isEnabled());
            EXPECT_TRUE (bar().openFolderButton.isEnabled());
            EXPECT_FALSE (body().areSettingsEnabled());
            EXPECT_FALSE (row (0).codecBox.isEnabled());

            // Nothing else starts while the run is held.
            page->runAnalysis();
            page->startExport();
            EXPECT_EQ (run.starts, 1);

            run.finish (c.cancelled);
            EXPECT_TRUE (page->isAnalysing() || page->isExporting());   // the end is posted, not run in place
            pump (30);

            // After.
            EXPECT_FALSE (page->isAnalysing() || page->isExporting());
            EXPECT_TRUE (runButtonsEnabled());
            EXPECT_FALSE (bar().cancelButton.isEnabled());
            EXPECT_TRUE (body().areSettingsEnabled());
            EXPECT_EQ (state->hasReport, c.storesReport);
            EXPECT_EQ (finishedCalls, c.storesReport ? 1 : 0);

            // Texts stand on later ticks.
            pump (1100);
            EXPECT_EQ (statusLine(), juce::String (c.statusAfter));

            if (c.cancelled)
            {
                EXPECT_TRUE (bar().phaseBar.segments.empty());
                EXPECT_EQ (bar().phaseBar.progress, 0.0);
                EXPECT_TRUE (body().statusText.text.startsWith ("Ready for analysis."));   // the summary stays
            }
            else
            {
                EXPECT_TRUE (body().statusText.text.startsWith ("Stems to export     2 of 2 in the schema"));
            }
        }
    }

    TEST_F (ExportRunsTest, RealRunsAnalyseThenRenderAndOpenTheReportOnce)
    {
        prepareDelivery();
        int finishedCalls = 0;
        page->onExportFinished = [&finishedCalls] { ++finishedCalls; };

        ASSERT_TRUE (waitForPlan());
        page->runAnalysis();
        ASSERT_TRUE (page->isAnalysing());   // the plan on show is the session's: no wait
        ASSERT_TRUE (waitForRunEnd());
        EXPECT_FALSE (state->hasReport);
        EXPECT_EQ (finishedCalls, 0);
        EXPECT_TRUE (body().statusText.text.contains ("Mix true peak"));
        ASSERT_EQ (body().cueTable->getRows().size(), 1u);
        EXPECT_TRUE (body().cueTable->getRows()[0].analysed);

        page->startExport();
        ASSERT_TRUE (pumpUntil ([this] { return page->isExporting() || state->hasReport; }));
        ASSERT_TRUE (waitForRunEnd());
        ASSERT_TRUE (state->hasReport);
        EXPECT_EQ (finishedCalls, 1);
        EXPECT_GT (state->lastReport.filesWrittenCount(), 0);
        EXPECT_DOUBLE_EQ (bar().phaseBar.progress, 1.0);

        ASSERT_TRUE (pumpUntil ([this] { return statusLine() == "Last render finished."; }, 2000));
        EXPECT_TRUE (runButtonsEnabled());
    }

    //==============================================================================
    TEST_F (ExportRunsTest, WhatStandsInTheWayStopsARunBeforeItStarts)
    {
        // No tracks: nothing to press, nothing planned.
        EXPECT_TRUE (runButtonsDisabled());
        EXPECT_EQ (body().cueLine.getText(), "Nothing imported yet.");

        struct Case
        {
            const char* name;
            std::function<void (ExportRunsTest&)> setUp;
            const char* renderQuestion;      // asked by "Render and export"
            bool analysisStarts;
        };

        const Case cases[] = {
            { "errors", [] (ExportRunsTest& t)
              {
                  t.state->session.setPreset (makeEmptyPreset());
                  t.importCue ("1M01", { "Strings.wav" });
                  t.useOutputFolder();
              },
              "The export cannot start", false },
            { "warnings only", [] (ExportRunsTest& t)
              {
                  t.useStems ({ "Strings", "Brass" });
                  const auto dir = t.folder ("1M02");
                  writeTake (dir.getChildFile ("Strings.wav"), 0.5, 0.0, 1);
                  writeTake (dir.getChildFile ("Brass.wav"), 0.5, 0.0, 2);
                  t.state->session.importFiles ({ dir.getFullPathName() }, false);
                  t.useOutputFolder();
              },
              "Continue with these warnings?", true },
            { "no folder", [] (ExportRunsTest& t)
              {
                  t.state->setOutputFolder ({});   // the earlier cases' folder is remembered in the settings
                  t.useStems ({ "Strings" });
                  t.importCue ("1M03", { "Strings.wav" });
              },
              "Choose the export folder", true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            build();
            c.setUp (*this);
            HeldRun run;
            run.attachTo (*page);

            const auto plan = planOfPage (false);
            dialogs->files.push_back (root.getChildFile ("Chosen"));
            page->startExport();
            ASSERT_TRUE (waitForRunStart());
            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->title, juce::String (c.renderQuestion));
            EXPECT_EQ (run.starts, 0);   // a cancelled question, an error box or a chosen folder start nothing
            EXPECT_FALSE (page->isExporting());

            if (juce::String (c.renderQuestion) == "The export cannot start")
            {
                EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
                EXPECT_EQ (lastQuestion()->message, plan.issues.errors.joinIntoString ("\n"));
            }
            else if (juce::String (c.renderQuestion) == "Continue with these warnings?")
            {
                EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::QuestionIcon);
                EXPECT_EQ (lastQuestion()->message, plan.issues.warnings.joinIntoString ("\n"));

                dialogs->confirmations.push_back (true);
                page->startExport();
                ASSERT_TRUE (waitForRunStart());
                EXPECT_EQ (run.starts, 1);
                EXPECT_TRUE (page->isExporting());
                run.finish (true);
                pump (30);
            }
            else
            {
                EXPECT_EQ (state->outputFolder, root.getChildFile ("Chosen"));
            }

            const auto questionsBefore = dialogs->asked.size();
            page->runAnalysis();
            ASSERT_TRUE (waitForRunStart());
            EXPECT_EQ (dialogs->asked.size(), questionsBefore);   // an analysis never asks
            EXPECT_EQ (page->isAnalysing(), c.analysisStarts);

            if (! c.analysisStarts)
            {
                EXPECT_TRUE (body().statusText.text.startsWith ("Cannot analyse:\n"));
                EXPECT_FALSE (body().cueTable->isVisible());
                EXPECT_FALSE (body().gatedList->isVisible());
                EXPECT_FALSE (bar().areZoomButtonsVisible());
                EXPECT_TRUE (body().issueList.getText().startsWith ("ERROR    "));
                EXPECT_EQ (body().issueList.findColour (juce::Label::textColourId), colours::bad);
            }
            else
            {
                run.finish (false);
                pump (30);
            }
        }
    }

    TEST_F (ExportRunsTest, ASecondFormatThatNamesItsFilesLikeTheFirstIsStoppedBeforeTheRun)
    {
        prepareDelivery();
        HeldRun run;
        run.attachTo (*page);
        const juce::String clash ("1M01: The first and second output formats (WAV 24-bit, WAV 32-bit float) would give "
                                  "their files the same names in one folder. Give one of them a sub-folder of its own.");

        // The preset's second row: 32-bit float WAV, into the same folder as the first.
        ASSERT_EQ (row (1).codecBox.getText(), "WAV");
        row (1).enabledToggle.setToggleState (true, juce::sendNotificationSync);
        ASSERT_TRUE (state->session.getPreset().exportSettings.formats[1].enabled);

        ASSERT_TRUE (pumpUntil ([&] { return body().issueList.getText().contains (clash); })) << body().issueList.getText();
        page->startExport();
        ASSERT_TRUE (waitForRunStart());
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "The export cannot start");
        EXPECT_TRUE (lastQuestion()->message.contains (clash.fromFirstOccurrenceOf (": ", false, false)));
        EXPECT_EQ (run.starts, 0);

        // In a folder of its own it is written beside the first.
        row (1).subFolderEditor.setText ("Float", juce::dontSendNotification);
        row (1).subFolderEditor.onReturnKey();
        page->startExport();
        ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));
    }

    // A press before the plan of the session is ready waits for it, and a change made while
    // it waits is planned again: the run always starts on the session as it stands.
    TEST_F (ExportRunsTest, ARunPressedBeforeItsPlanStartsOnTheSessionAsItStands)
    {
        prepareDelivery();
        HeldRun run;
        run.attachTo (*page);

        const auto withTarget = [this] (double targetDb)
        {
            auto preset = state->session.getPreset();
            preset.exportSettings.headroom.targetDb = targetDb;
            state->session.updatePreset (preset);
        };

        withTarget (-6.0);
        page->runAnalysis();
        EXPECT_TRUE (page->isRunWaitingForPlan());
        EXPECT_FALSE (page->isAnalysing());
        withTarget (-9.0);   // before the plan is back

        ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));
        ASSERT_EQ (run.requests.size(), 1u);
        EXPECT_EQ (run.requests[0].preset.exportSettings.headroom.targetDb, -9.0);
        run.finish (false);
        ASSERT_TRUE (waitForRunEnd());

        // The same for a render, whose plan is made only when it is pressed.
        withTarget (-12.0);
        page->startExport();
        withTarget (-1.0);
        ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 1; }));
        EXPECT_EQ (run.requests[0].preset.exportSettings.headroom.targetDb, -1.0);
        run.finish (true);
        ASSERT_TRUE (waitForRunEnd());
    }

    TEST_F (ExportRunsTest, TheIssueListShowsErrorsAndWarningsInTheirColumns)
    {
        useStems ({ "Strings", "Brass" });
        const auto dir = folder ("1M01");
        writeTake (dir.getChildFile ("Strings.wav"), 0.5, 0.0, 1);
        writeTake (dir.getChildFile ("Brass.wav"), 0.5, 0.0, 2);
        state->session.importFiles ({ dir.getFullPathName() }, false);

        const auto plan = planOfPage (true);
        ASSERT_TRUE (waitForPlan());
        ASSERT_TRUE (plan.issues.errors.isEmpty());
        ASSERT_FALSE (plan.issues.warnings.isEmpty());
        EXPECT_EQ (body().issueList.getText(), "warning  " + plan.issues.warnings[0]);
        EXPECT_EQ (body().issueList.findColour (juce::Label::textColourId), colours::textSecondary);

        // Three cue folders, one of them unticked, are counted in the cue line.
        importCue ("1M02", { "Strings.wav" });
        importCue ("1M03", { "Strings.wav" });
        state->session.setCueIncluded (state->session.getCues().back().id, false);
        EXPECT_EQ (body().cueLine.getText(), "3 cues will be rendered one after the other, never summed together.");
    }

    TEST_F (ExportRunsTest, AFailedStartLeavesThePageUsableAndSaysSo)
    {
        prepareDelivery();
        page->startJob = [] (RenderJob&, std::vector<RenderRequest>, RenderJob::FinishedCallback) { return false; };

        page->runAnalysis();
        ASSERT_TRUE (waitForRunStart());
        EXPECT_FALSE (page->isAnalysing());
        EXPECT_TRUE (runButtonsEnabled());
        EXPECT_FALSE (bar().cancelButton.isEnabled());
        EXPECT_TRUE (body().areSettingsEnabled());
        pump (400);
        EXPECT_EQ (statusLine(), "The run could not be started.");
    }

    //==============================================================================
    TEST_F (ExportRunsTest, ASessionChangeDuringARunBlanksTheCueFiguresAndSaysSo)
    {
        prepareDelivery();
        HeldRun run;
        run.attachTo (*page);

        page->runAnalysis();
        ASSERT_TRUE (waitForRunStart());
        ASSERT_TRUE (page->isAnalysing());
        run.finish (false);       // posted while the changes below happen

        // A preset change from elsewhere refreshes the rows, which stay disabled all the same.
        auto renamed = state->session.getPreset();
        renamed.name = "Renamed";
        state->session.updatePreset (renamed);
        EXPECT_FALSE (row (0).codecBox.isEnabled());
        EXPECT_FALSE (row (1).enabledToggle.isEnabled());

        importCue ("1M02", { "Strings.wav" });
        pump (30);

        EXPECT_TRUE (page->didSessionChangeDuringRun());
        const auto& rows = body().cueTable->getRows();
        ASSERT_EQ (rows.size(), 2u);

        for (const auto& cueRow : rows)
        {
            EXPECT_FALSE (cueRow.analysed);
            EXPECT_FALSE (cueRow.hasProblem);
        }

        EXPECT_TRUE (body().statusText.text.endsWith (
            "\n\nNote                The tracks or the preset changed during the run: analyse again."));

        // Figures come from the preset the run was planned with, not the one of now.
        EXPECT_TRUE (body().statusText.text.startsWith ("Stems to export     2 of 2 in the schema"));
    }

    TEST_F (ExportRunsTest, LateAnswersAndCompletionsFindNoPage)
    {
        // A completion posted just before the page goes.
        {
            build();
            prepareDelivery();
            HeldRun run;
            run.attachTo (*page);
            page->runAnalysis();
            ASSERT_TRUE (waitForRunStart());
            run.finish (false);
            page.reset();
            pump (50);
        }

        // The page goes while its real job runs: it cancels and waits.
        {
            build();
            useStems ({ "Strings" });
            for (int i = 0; i < 6; ++i)
                importCue ("Long" + juce::String (i), { "Strings.wav" }, 30.0);
            useOutputFolder();
            page->runAnalysis();
            ASSERT_TRUE (waitForRunStart());
            ASSERT_TRUE (page->isRendering());
            page.reset();
            pump (100);
        }

        // A plan under way when the page goes.
        {
            build();
            prepareDelivery();
            page->runAnalysis();
            ASSERT_TRUE (page->isRunWaitingForPlan());
            page.reset();
            pump (100);
        }

        // Every question the page or a format row asks, answered after the page is gone.
        struct Asker
        {
            const char* name;
            std::function<void (ExportRunsTest&)> ask;
        };

        const Asker askers[] = {
            { "warnings", [] (ExportRunsTest& t)
              {
                  t.useStems ({ "Strings", "Brass" });
                  const auto dir = t.folder ("Mixed");
                  writeTake (dir.getChildFile ("Strings.wav"), 0.5, 0.0, 1);
                  writeTake (dir.getChildFile ("Brass.wav"), 0.5, 0.0, 2);
                  t.state->session.importFiles ({ dir.getFullPathName() }, false);
                  t.useOutputFolder();
                  t.dialogs->confirmations.push_back (true);
                  t.page->startExport();
              } },
            { "export folder", [] (ExportRunsTest& t)
              {
                  t.dialogs->files.push_back (t.root.getChildFile ("Late"));
                  t.page->chooseOutputFolder();
              } },
            { "sub-folder", [] (ExportRunsTest& t)
              {
                  t.useOutputFolder();
                  t.dialogs->files.push_back (t.root.getChildFile ("Out").getChildFile ("Stems"));
                  t.row (0).chooseSubFolder();
              } },
            { "save as", [] (ExportRunsTest& t)
              {
                  t.state->session.setPreset (makeEmptyPreset());
                  t.dialogs->texts.push_back (juce::String ("Late"));
                  t.page->savePresetFromHere();
              } },
        };

        for (const auto& asker : askers)
        {
            SCOPED_TRACE (asker.name);
            build();
            dialogs->answerAtOnce = false;
            asker.ask (*this);
            ASSERT_TRUE (pumpUntil ([this] { return dialogs->pendingCount() == 1; }));

            page.reset();
            dialogs->answerPending();
            pump (30);
            EXPECT_EQ (state->outputFolder == root.getChildFile ("Late"), false);
        }
    }

    //==============================================================================
    TEST_F (ExportRunsTest, ReactionToOneImportAtFullSizeIsTimed)
    {
        useStems ({ "Strings", "Brass", "Choir", "Piano" });
        const auto take = root.getChildFile ("take.wav");
        writeTake (take, 0.05);

        // 2048 tracks in 16 cues: copies of one short take.
        for (int cue = 0; cue < 16; ++cue)
        {
            const auto dir = folder ("Cue" + juce::String (cue));

            for (int i = 0; i < 128; ++i)
                take.copyFileTo (dir.getChildFile ("Strings " + juce::String (i) + ".wav"));
        }

        state->session.importFiles ({ root.getChildFile ("audio").getFullPathName() }, true);
        ASSERT_EQ ((int) state->session.getTracks().size(), 2048);

        const auto started = juce::Time::getMillisecondCounterHiRes();
        state->session.setCueIncluded (state->session.getCues().front().id, false);   // one tracksChanged
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;

        RecordProperty ("reactionMs", juce::String (elapsed, 2).toStdString());
        std::printf ("[ figures  ] the page's reaction to one change at 2048 tracks: %.2f ms\n", elapsed);
    }
}
}
