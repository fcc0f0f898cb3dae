#include "app/TrackDialogs.h"
#include "app/pages/export/ExportPageTestSupport.h"
#include "app/pages/import/ImportPage.h"
#include "core/storage/ProjectFile.h"

#include <atomic>
#include <chrono>
#include <thread>

// Runs never read a session that an import, a split or a project being opened is about to
// change: they wait for it and plan again from what it left.
namespace korvid::ui::exporttest
{
namespace
{
    class ExportWaitsTest : public ExportPageTest
    {
    public:
        void TearDown() override
        {
            releaseSplit = true;
            importPage.reset();
            ExportPageTest::TearDown();
        }

        /** Stems Strings and Brass; cue 1M01 of both; an export folder; an Import page over the
            same state, whose splits wait for `releaseSplit`. */
        void prepare()
        {
            useStems ({ "Strings", "Brass" });
            importCue ("1M01", { "Strings.wav", "Brass.wav" });
            useOutputFolder();
            importPage = std::make_unique<ImportPage> (*state);
            importPage->setSize (1336, 700);
            importPage->splitStep = [this] (const TrackSplitRequest& request, const CancelTest& shouldStop)
            {
                while (! releaseSplit.load() && ! shouldStop())
                    std::this_thread::sleep_for (std::chrono::milliseconds (1));

                return splitTrackFile (request, shouldStop);
            };
        }

        /** Every track file the run was handed. */
        juce::StringArray renderedFiles (const HeldRun& run) const
        {
            juce::StringArray files;

            for (const auto& request : run.requests)
                for (const auto& stem : request.stems)
                    for (const auto& file : stem.trackFiles)
                        files.add (file.getFullPathName());

            return files;
        }

        void press (bool analysis)
        {
            if (analysis)
                page->runAnalysis();
            else
                page->startExport();
        }

        std::unique_ptr<ImportPage> importPage;
        std::atomic<bool> releaseSplit { false };
        juce::String secondCue = "1M02";
    };

    // The reported case: a take split while a render is pressed gave the render the first part
    // at the take's old path, and the second part went into no delivered file.
    TEST_F (ExportWaitsTest, RunsWaitForAnImportASplitOrAProjectAndPlanFromWhatItLeft)
    {
        struct Case
        {
            const char* name;
            bool analysis;
            // Starts the job; gives the wait text and the file the run must then be handed.
            std::function<std::pair<juce::String, juce::File> (ExportWaitsTest&)> startJob;
        };

        const Case cases[] = {
            { "split, render", false, [] (ExportWaitsTest& t)
              {
                  const auto take = t.writeTake (t.folder (t.secondCue).getChildFile ("Strings.wav"), 2.0, 0.0, 1, 44100.0);
                  t.state->session.importFiles ({ take.getParentDirectory().getFullPathName() }, false);
                  t.importPage->selectTracks ({ t.idOf (take) });
                  t.importPage->splitTrackAt (1.0, "Brass");
                  EXPECT_TRUE (t.importPage->isSplitting());
                  return std::pair { juce::String ("Waiting for the split of 'Strings.wav' to finish."),
                                     take.getSiblingFile ("Brass.wav") };
              } },
            { "split, analysis", true, [] (ExportWaitsTest& t)
              {
                  const auto take = t.writeTake (t.folder (t.secondCue).getChildFile ("Strings.wav"), 2.0, 0.0, 1, 44100.0);
                  t.state->session.importFiles ({ take.getParentDirectory().getFullPathName() }, false);
                  t.importPage->selectTracks ({ t.idOf (take) });
                  t.importPage->splitTrackAt (1.0, "Brass");
                  return std::pair { juce::String ("Waiting for the split of 'Strings.wav' to finish."),
                                     take.getSiblingFile ("Brass.wav") };
              } },
            { "import, render", false, [] (ExportWaitsTest& t)
              {
                  const auto dir = t.folder (t.secondCue);
                  t.writeTake (dir.getChildFile ("Strings.wav"), 0.5);
                  t.writeTake (dir.getChildFile ("Brass.wav"), 0.5);
                  t.importPage->importPaths ({ dir });
                  return std::pair { juce::String ("Waiting for the import to finish."), dir.getChildFile ("Brass.wav") };
              } },
            { "project, render", false, [] (ExportWaitsTest& t)
              {
                  // A project of both cues, opened over a list that holds only the first.
                  const auto dir = t.importCue (t.secondCue, { "Strings.wav", "Brass.wav" });
                  const auto project = t.root.getChildFile ("Film.vlpr");
                  juce::String error;
                  EXPECT_TRUE (t.state->saveProject (project, error)) << error;
                  juce::StringArray secondCue;
                  secondCue.add (t.idOf (dir.getChildFile ("Strings.wav")));
                  secondCue.add (t.idOf (dir.getChildFile ("Brass.wav")));
                  t.state->session.removeTracks (secondCue);
                  EXPECT_EQ (t.state->session.getTracks().size(), 2u);

                  t.state->openProject (project, {});

                  // Nothing of it has reached the session yet: the disk is read on the worker.
                  EXPECT_EQ (t.state->session.getTracks().size(), 2u);
                  EXPECT_TRUE (t.state->isOpeningProject());
                  return std::pair { juce::String ("Waiting for the project 'Film' to open."), dir.getChildFile ("Brass.wav") };
              } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            secondCue = juce::String ("1M02 ") + c.name;
            importPage.reset();
            build();
            releaseSplit = false;
            prepare();
            HeldRun run;
            run.attachTo (*page);
            ASSERT_TRUE (waitForPlan());

            const auto [waitText, expectedFile] = c.startJob (*this);

            // Unavailable, and saying why, while the job runs.
            EXPECT_FALSE (bar().analyseButton.isEnabled());
            EXPECT_FALSE (bar().renderButton.isEnabled());
            EXPECT_EQ (bar().renderButton.getTooltip(), waitText);
            EXPECT_EQ (bar().analyseButton.getTooltip(), waitText);
            EXPECT_EQ (statusLine(), waitText);

            // A run pressed now (by a key, or in the moment before the job started) waits.
            press (c.analysis);
            EXPECT_TRUE (page->isRunWaitingForPlan());

            if (importPage->isSplitting())
            {
                pump (200);
                EXPECT_EQ (run.starts, 0);
                EXPECT_EQ (statusLine(), waitText);
            }

            releaseSplit = true;
            ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));
            EXPECT_EQ (run.starts, 1);
            EXPECT_TRUE (renderedFiles (run).contains (expectedFile.getFullPathName()))
                << renderedFiles (run).joinIntoString ("\n");
            EXPECT_EQ (bar().renderButton.getTooltip(), juce::String());

            run.finish (true);
            ASSERT_TRUE (waitForRunEnd());
            EXPECT_TRUE (bar().renderButton.isEnabled());
            EXPECT_EQ (statusLine(), c.analysis ? "Analysis cancelled." : "Export cancelled.");
        }
    }

    // The warnings were asked about a plan; an import that ended while the box was open made
    // that plan old. It is made again and its own warnings asked about before anything runs.
    TEST_F (ExportWaitsTest, APlanThatGrewOldWhileItsWarningsWereOpenIsMadeAgain)
    {
        prepare();
        const auto mono = folder ("1M02");
        writeTake (mono.getChildFile ("Strings.wav"), 0.5, 0.0, 1);
        writeTake (mono.getChildFile ("Brass.wav"), 0.5, 0.0, 2);
        state->session.importFiles ({ mono.getFullPathName() }, false);
        HeldRun run;
        run.attachTo (*page);

        // Answers are taken when asked, and held until answerPending.
        dialogs->answerAtOnce = false;
        dialogs->confirmations = { true, true };
        page->startExport();
        ASSERT_TRUE (pumpUntil ([this] { return dialogs->pendingCount() == 1; }));
        ASSERT_EQ (lastQuestion()->title, "Continue with these warnings?");

        const auto late = folder ("1M03");
        writeTake (late.getChildFile ("Strings.wav"), 0.5);
        writeTake (late.getChildFile ("Brass.wav"), 0.5);
        importPage->importPaths ({ late });
        ASSERT_TRUE (pumpUntil ([this] { return ! importPage->isImporting(); }));

        dialogs->answerPending();
        pump (200);
        EXPECT_EQ (run.starts, 0);

        // Asked again, about the plan of the session as it now stands.
        ASSERT_TRUE (pumpUntil ([this] { return dialogs->pendingCount() == 1; }));
        EXPECT_EQ (lastQuestion()->title, "Continue with these warnings?");
        dialogs->answerPending();
        ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));
        EXPECT_EQ (run.requests.size(), 3u);
        EXPECT_TRUE (renderedFiles (run).contains (late.getChildFile ("Brass.wav").getFullPathName()));
        run.finish (true);
        ASSERT_TRUE (waitForRunEnd());
    }

    // While a run reads the takes, nothing may move them: a split or a rename waits for the run.
    TEST_F (ExportWaitsTest, ASplitOrARenameIsRefusedWhileARunReadsTheTracks)
    {
        prepare();
        HeldRun run;
        run.attachTo (*page);
        page->startExport();
        ASSERT_TRUE (pumpUntil ([&run] { return run.starts > 0; }));

        const auto take = folder ("1M01").getChildFile ("Strings.wav");
        importPage->selectTracks ({ idOf (take) });
        const auto asked = dialogs->asked.size();
        importPage->askForSplitName (0.25);
        importPage->splitTrackAt (0.25, "Horns");

        EXPECT_FALSE (importPage->isSplitting());
        ASSERT_EQ (dialogs->asked.size(), asked + 2);
        EXPECT_EQ (lastQuestion()->title, "The stem was not split");
        EXPECT_EQ (lastQuestion()->message,
                   "A render or an analysis is reading the tracks. Split the stem once it has finished.");
        EXPECT_FALSE (take.getSiblingFile ("Horns.wav").exists());

        askToRenameTrackFile (*state, nullptr, idOf (take));
        EXPECT_EQ (lastQuestion()->title, "The file was not renamed");
        EXPECT_EQ (lastQuestion()->message,
                   "A render or an analysis is reading the tracks. Rename the file once it has finished.");
        EXPECT_TRUE (take.existsAsFile());

        run.finish (true);
        ASSERT_TRUE (waitForRunEnd());
        EXPECT_FALSE (state->runReadingTracks);
    }
}
}
