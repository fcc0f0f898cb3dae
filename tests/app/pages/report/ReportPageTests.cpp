#include "app/pages/report/ReportPageTestSupport.h"
#include "app/pages/report/ReportTexts.h"
#include "ui/LabelTones.h"
#include "ui/Palette.h"
#include "ui/UiTestSupport.h"

namespace korvid::ui::reporttest
{
    namespace
    {
        using Tone = ReportHeadline::Tone;
        using State = ReconstructionResult::State;

        CueReport failing (CueReport cue)
        {
            cue.errors.add ("A track could not be read.");
            return cue;
        }

        juce::MouseEvent dragEvent (juce::Component& component, int startY, int nowY)
        {
            const auto now = juce::Time::getCurrentTime();
            return { juce::Desktop::getInstance().getMainMouseSource(), { 10.0f, (float) nowY }, juce::ModifierKeys(),
                     juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                     juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                     juce::MouseInputSource::defaultTiltY, &component, &component, now, { 10.0f, (float) startY }, now,
                     1, true };
        }
    }

    TEST (ReportTexts, HeadlinesSayWhatTheRunCameTo)
    {
        auto nineFiles = completedCue ("Opening");

        for (int i = 0; i < 9; ++i)
            nineFiles.files.push_back (writtenFile (juce::File ("/d/" + juce::String (i) + ".wav"), "x"));

        auto warned = nineFiles;
        warned.warnings.add ("A stem is empty.");
        warned.reconstruction.state = State::skipped;

        auto cancelled = BatchReport();
        cancelled.cues = { completedCue ("A"), completedCue ("B") };
        cancelled.cancelled = true;

        auto notCompleted = BatchReport();
        notCompleted.cues = { completedCue ("A") };
        notCompleted.cues[0].completed = false;

        BatchReport oneCue, twoFine, thirdFails, noCues;
        oneCue.cues = { nineFiles };
        oneCue.allCompleted = true;
        BatchReport oneWarned = oneCue;
        oneWarned.cues = { warned };
        twoFine.cues = { nineFiles, completedCue ("Finale") };
        twoFine.allCompleted = true;
        thirdFails.cues = { completedCue ("A"), completedCue ("B"), failing (completedCue ("C")) };
        thirdFails.allCompleted = true;

        struct Case { const char* name; BatchReport report; bool hasReport; const char* text; Tone tone; };
        const Case cases[] = {
            { "none",          {},           false, "No render yet",                                      Tone::secondary },
            { "cancelled",     cancelled,    true,  "Run cancelled",                                      Tone::warning },
            { "one cue",       oneCue,       true,  "Rendered 9 file(s)  -  stems reconstruct the mix",  Tone::good },
            { "one warned",    oneWarned,    true,  "Rendered 9 file(s)",                                 Tone::warning },
            { "two fine",      twoFine,      true,  "2 cues delivered, 9 files",                          Tone::good },
            { "third fails",   thirdFails,   true,  "1 of 3 cue(s) need attention",                       Tone::bad },
            { "not completed", notCompleted, true,  "Run failed",                                         Tone::bad },
            { "no cues",       noCues,       true,  "Run failed",                                         Tone::bad },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            const auto headline = reportHeadline (c.report, c.hasReport);
            EXPECT_EQ (headline.text, c.text);
            EXPECT_EQ (headline.tone, c.tone);
        }
    }

    TEST (ReportTexts, CueDetailsAndRowTexts)
    {
        auto cue = completedCue ("Opening", 75.25);
        cue.stems = { stemResult ("Drums", 2), stemResult ("Bass", 1), stemResult ("Choir", 0) };
        cue.peakMode = PeakMode::truePeak;
        cue.mixTruePeak = 1.0;
        cue.mixSamplePeak = 0.25;
        cue.gain.gainDb = 0.0;
        cue.gain.heldByAttenuateOnly = true;
        cue.afterGainTruePeak = 0.0;
        cue.leadingSilenceSeconds = 1.234;
        cue.reconstruction.state = State::skipped;

        EXPECT_EQ (cueSummaryLines (cue), juce::StringArray ({ "Length 1:15.3", "48 kHz stereo",
                                                                "2 stems assigned - 1 empty stem", "",
                                                                "True peak 0.0 dB", "Global gain 0.0 dB  (attenuate only)",
                                                                "After gain -inf", "Leading silence 1.23 s", "",
                                                                "Reconstruction check skipped" }));

        cue.peakMode = PeakMode::samplePeak;
        cue.gain = {};
        cue.gain.gainDb = 6.02;
        cue.afterGainTruePeak = 0.5;
        cue.leadingSilenceSeconds = 0.0;
        cue.reconstruction.state = State::notRun;
        cue.sampleRate = 0.0;
        cue.channels = 1;

        EXPECT_EQ (cueSummaryLines (cue), juce::StringArray ({ "Length 0:00.0", "- mono",
                                                                "2 stems assigned - 1 empty stem", "",
                                                                "Mix peak -12.0 dB", "Global gain 6.0 dB",
                                                                "After gain -6.0 dB", "", "Reconstruction not run" }));

        // Cancelled before its mix was measured: dashes, not the figures it started with.
        auto stopped = cue;
        stopped.cancelled = true;
        stopped.levelsMeasured = false;
        stopped.afterGainKnown = false;
        EXPECT_EQ (cueSummaryLines (stopped), juce::StringArray ({ "Length 0:00.0", "- mono",
                                                                    "2 stems assigned - 1 empty stem", "",
                                                                    "Mix peak -", "Global gain -", "After gain -", "",
                                                                    "Reconstruction not run" }));

        cue.errors.add ("First error.");
        cue.warnings.addArray ({ "One warning.", "Another warning." });
        EXPECT_EQ (cueProblemLines (cue), juce::StringArray ({ "Error: First error.", "Warning: One warning.",
                                                                "Warning: Another warning." }));

        struct Case { int files; State state; int errors; int warnings; const char* text; };
        const Case cases[] = {
            { 9, State::passed, 0, 0, "9 file(s)" },
            { 1, State::failed, 2, 1, "1 file(s)   null test failed" },
            { 0, State::passed, 2, 1, "0 file(s)   2 error(s)" },
            { 3, State::skipped, 0, 2, "3 file(s)   2 warning(s)" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.text);
            auto row = completedCue ("Row");
            row.reconstruction.state = c.state;

            for (int i = 0; i < c.files; ++i)
                row.files.push_back (writtenFile (juce::File ("/d/f" + juce::String (i) + ".wav"), "x"));
            for (int i = 0; i < c.errors; ++i)
                row.errors.add ("e");
            for (int i = 0; i < c.warnings; ++i)
                row.warnings.add ("w");

            EXPECT_EQ (cueRowDetailText (row), c.text);
        }
    }

    //==============================================================================
    TEST_F (ReportPageTest, WithoutAReportThePageSaysWhereOneComesFrom)
    {
        EXPECT_EQ (page->getHeadline().getText(), "No render yet");
        EXPECT_EQ (page->getHeadline().findColour (juce::Label::textColourId), colours::textSecondary);
        EXPECT_TRUE (page->getSummaryText().text.replaceCharacter ('\n', ' ').startsWith ("Run an export on the previous page"));
        EXPECT_FALSE (page->getProblemsText().isVisible());
        EXPECT_FALSE (page->getCueList().isVisible());
        EXPECT_EQ (page->getDeliveryTable().getNumRowsShown(), 0);
        EXPECT_FALSE (page->getPlayButton().isVisible());

        for (auto* button : { &page->getOpenInBrowserButton(), &page->getSaveHtmlButton(), &page->getSaveTextButton(),
                              &page->getCopyListButton(), &page->getOpenFolderButton() })
        {
            SCOPED_TRACE (button->getButtonText());
            EXPECT_FALSE (button->isEnabled());
            EXPECT_TRUE (page->getLocalBounds().contains (button->getBounds()));
        }

        // The hint is wrapped into its column: no line is wider than the text block.
        for (const auto& line : juce::StringArray::fromLines (page->getSummaryText().text))
            EXPECT_LE (page->getSummaryText().font.getStringWidthFloat (line), (float) page->getSummaryText().getWidth());
    }

    TEST_F (ReportPageTest, AOneCueRunShowsItsDetailsWithoutACueList)
    {
        auto cue = cueWithFiles ("Opening", { "Drums.wav", "Bass.wav", "Mix.wav" });
        cue.warnings.add ("The Choir stem is empty.");
        deliver (reportOf ({ cue }));

        EXPECT_EQ (page->getHeadline().getText(), "Rendered 3 file(s)  -  stems reconstruct the mix");
        EXPECT_EQ (page->getHeadline().findColour (juce::Label::textColourId), colours::warning);
        EXPECT_FALSE (page->getCueList().isVisible());
        EXPECT_TRUE (page->getSummaryText().text.startsWith ("Length 0:01.0\n48 kHz stereo\n"));
        EXPECT_TRUE (page->getProblemsText().isVisible());
        EXPECT_EQ (page->getProblemsText().text, "Warning: The Choir stem is empty.");
        EXPECT_EQ (tableNames(), juce::StringArray ({ "Drums.wav", "Bass.wav", "Mix.wav" }));
        EXPECT_TRUE (page->getPlayButton().isVisible());
        EXPECT_TRUE (page->getOpenInBrowserButton().isEnabled());
        EXPECT_FALSE (page->getOpenFolderButton().isEnabled()) << "no output folder chosen";

        // The problems sit above the table, the table above the grip and the player.
        const auto problems = page->getProblemsText().getBounds();
        const auto table = page->getDeliveryTable().getBounds();
        EXPECT_EQ (problems.getBottom() + 6, table.getY());
        EXPECT_EQ (table.getBottom() + 6, page->getTransportGrip().getY());
        EXPECT_EQ (page->getTransportGrip().getBottom(), page->getPlayButton().getY() - 6);
    }

    TEST_F (ReportPageTest, LongLinesWrapIntoTheirColumns)
    {
        auto cue = cueWithFiles ("Opening", { "Mix.wav" });
        cue.gain.gainDb = -12.25;
        cue.gain.heldByAttenuateOnly = true;
        cue.errors.add ("The track " + juce::String::repeatedString ("Very Long Take Name ", 12)
                        + "could not be read, so its stem was left out of the delivery.");
        deliver (reportOf ({ cue }));

        for (const auto* block : { &page->getSummaryText(), &page->getProblemsText() })
        {
            const auto lines = juce::StringArray::fromLines (block->text);
            EXPECT_GT (lines.size(), 1);

            for (const auto& line : lines)
                EXPECT_LE (block->font.getStringWidthFloat (line), (float) block->getWidth()) << line;
        }

        EXPECT_TRUE (page->getSummaryText().text.contains ("Global gain -12.3 dB  (attenuate only)"))
            << page->getSummaryText().text;
        EXPECT_EQ (page->getProblemsText().text.replaceCharacter ('\n', ' '), "Error: " + cue.errors[0]);
    }

    TEST_F (ReportPageTest, AMultiCueRunOpensOnTheFirstCueThatNeedsAttention)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a1.wav", "a.wav" }), cueWithFiles ("B", { "b.wav" }),
                             failing (cueWithFiles ("C", { "c1.wav", "c2.wav", "c.wav" })) }));

        EXPECT_EQ (page->getHeadline().getText(), "1 of 3 cue(s) need attention");
        EXPECT_EQ (page->getHeadline().findColour (juce::Label::textColourId), colours::bad);
        EXPECT_TRUE (page->getCueList().isVisible());
        EXPECT_EQ (page->getCueList().getSelectedRow(), 2);
        EXPECT_EQ (page->selectedCue()->cueName, "C");
        EXPECT_EQ (tableNames(), juce::StringArray ({ "c1.wav", "c2.wav", "c.wav" }));
        EXPECT_EQ (page->getProblemsText().text, "Error: A track could not be read.");

        // Choosing another cue shows its files.
        page->getCueList().selectRow (1);
        EXPECT_EQ (tableNames(), juce::StringArray ({ "b.wav" }));
        EXPECT_FALSE (page->getProblemsText().isVisible());

        // A report without cues after one with cues keeps nothing of the old one.
        deliver (reportOf ({}));
        EXPECT_EQ (page->getHeadline().getText(), "Run failed");
        EXPECT_FALSE (page->getCueList().isVisible());
        EXPECT_EQ (page->getDeliveryTable().getNumRowsShown(), 0);
        EXPECT_TRUE (page->getSummaryText().text.replaceCharacter ('\n', ' ').startsWith ("Run an export"));
        EXPECT_FALSE (page->getProblemsText().isVisible());
        EXPECT_TRUE (page->getShownPath().isEmpty());
        EXPECT_TRUE (page->getFileCaption().getText().isEmpty());
        EXPECT_FALSE (page->getPlayButton().isVisible());
    }

    TEST_F (ReportPageTest, APaletteSwitchRecoloursTheVerdictAndTheProblems)
    {
        deliver (reportOf ({ failing (cueWithFiles ("A", { "a.wav" })), cueWithFiles ("B", { "b.wav" }) }));

        auto palette = testsupport::distinctPalette();
        palette.bad = juce::Colour (0xff00ffff);
        const testsupport::ScopedPalette scoped (palette);
        page->sendLookAndFeelChange();

        EXPECT_EQ (page->getHeadline().findColour (juce::Label::textColourId), juce::Colour (0xff00ffff));
        EXPECT_EQ (page->getProblemsText().colour, juce::Colour (0xff00ffff));
    }

    TEST_F (ReportPageTest, ACancelledRunIsAWarningEvenWithCompletedCues)
    {
        auto report = reportOf ({ cueWithFiles ("A", { "a.wav" }), cueWithFiles ("B", { "b.wav" }) });
        report.cancelled = true;
        report.allCompleted = false;
        report.cues[1].cancelled = true;
        deliver (std::move (report));

        EXPECT_EQ (page->getHeadline().getText(), "Run cancelled");
        EXPECT_EQ (page->getHeadline().findColour (juce::Label::textColourId), colours::warning);
        EXPECT_EQ (page->getCueList().getSelectedRow(), 1);
    }

    TEST_F (ReportPageTest, ARealRenderOfTwoCuesIsListedWithItsFiles)
    {
        renderTwoCues();

        EXPECT_EQ (page->getHeadline().getText(), "2 cues delivered, 6 files");
        EXPECT_EQ (page->getCueList().getSelectedRow(), 0);
        EXPECT_EQ (page->selectedCue()->cueName, "Finale");
        EXPECT_EQ (page->getDeliveryTable().getNumRowsShown(), 3);
        EXPECT_TRUE (page->getOpenFolderButton().isEnabled());

        for (const auto& row : page->getDeliveryTable().getRows())
        {
            SCOPED_TRACE (row.fileName);
            EXPECT_TRUE (juce::File (row.path).existsAsFile());
            EXPECT_FALSE (row.overview.minima.empty());
            EXPECT_TRUE (row.hasPeak);
            EXPECT_GT (row.sizeBytes, 0);
        }

        // The output folder goes away: the button says so once the page is shown again.
        ASSERT_TRUE (output().deleteRecursively());
        page->setVisible (false);
        page->setVisible (true);
        EXPECT_FALSE (page->getOpenFolderButton().isEnabled());
    }

    //==============================================================================
    TEST_F (ReportPageTest, RenamingKeepsTheCueAndTheSort)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav" }),
                             cueWithFiles ("B", { "Take 10.wav", "take 2.wav", "Take 1.wav", "Mix.wav" }),
                             failing (cueWithFiles ("C", { "c.wav" })) }));
        page->getCueList().selectRow (1);
        auto& table = page->getDeliveryTable();
        table.getTable().getHeader().setSortColumnId (ReportPage::DeliveryTable::fileColumn, true);
        pump();
        ASSERT_EQ (tableNames(), juce::StringArray ({ "Mix.wav", "Take 1.wav", "take 2.wav", "Take 10.wav" }));

        EXPECT_TRUE (page->renameDeliveredFile (2, "Take 20"));
        pump();   // the application state's broadcast as well

        const auto dir = output().getChildFile ("B");
        EXPECT_FALSE (dir.getChildFile ("take 2.wav").exists());
        EXPECT_TRUE (dir.getChildFile ("Take 20.wav").existsAsFile());
        EXPECT_EQ (state->lastReport.cues[1].files[1].file, dir.getChildFile ("Take 20.wav"));
        EXPECT_EQ (page->selectedCue()->cueName, "B");
        EXPECT_EQ (table.getTable().getHeader().getSortColumnId(), ReportPage::DeliveryTable::fileColumn);
        EXPECT_EQ (tableNames(), juce::StringArray ({ "Mix.wav", "Take 1.wav", "Take 10.wav", "Take 20.wav" }));
        EXPECT_TRUE (dialogs->asked.empty());

        // A neighbour's name is refused with the core's sentence; both files stay.
        EXPECT_FALSE (page->renameDeliveredFile (1, "Take 10"));
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "The file was not renamed");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lastQuestion()->message, "There is already a file called 'Take 10.wav' in that folder.");
        EXPECT_TRUE (dir.getChildFile ("Take 1.wav").existsAsFile());
        EXPECT_TRUE (dir.getChildFile ("Take 10.wav").existsAsFile());

        // So is the neighbour's name in other letter case, as the track rename refuses it.
        EXPECT_FALSE (page->renameDeliveredFile (1, "TAKE 10"));
        EXPECT_EQ (lastQuestion()->message, "There is already a file called 'TAKE 10.wav' in that folder.");
        EXPECT_TRUE (dir.getChildFile ("Take 1.wav").existsAsFile());
        EXPECT_FALSE (dir.getChildFile ("TAKE 10.wav").exists());

        // A file moved away behind the report's back.
        ASSERT_TRUE (dir.getChildFile ("Mix.wav").moveFileTo (dir.getChildFile ("elsewhere.wav")));
        EXPECT_FALSE (page->renameDeliveredFile (0, "Full mix"));
        EXPECT_TRUE (lastQuestion()->message.startsWith ("That file is not where the report says it is."));

        // Only forbidden characters.
        EXPECT_FALSE (page->renameDeliveredFile (1, "///"));
        EXPECT_EQ (lastQuestion()->title, "The file was not renamed");
        EXPECT_TRUE (dir.getChildFile ("Take 1.wav").existsAsFile());
    }

    // The delivery went into the take folder, so its files sit beside the takes and are listed
    // with them. A take gone from the disk still names its track: a delivered file renamed onto
    // that name would be read as the take, so the rename is refused as a take's rename is.
    TEST_F (ReportPageTest, ADeliveredFileCannotTakeTheNameOfAListedTake)
    {
        deliver (reportOf ({ cueWithFiles ("B", { "Take 1.wav", "Mix.wav" }) }));
        const auto dir = output().getChildFile ("B");
        const auto gone = writeTake (dir.getChildFile ("Brass.wav"), 1.0);
        const auto imported = state->session.importFiles ({ output().getFullPathName() }, true);
        ASSERT_EQ (imported.imported, 3) << imported.problems.joinIntoString ("\n");
        ASSERT_TRUE (gone.deleteFile());
        const auto mix = dir.getChildFile ("Mix.wav");
        juce::MemoryBlock mixBytes;
        ASSERT_TRUE (mix.loadFileAsData (mixBytes));

        for (const auto* name : { "Brass", "bRASS" })
        {
            SCOPED_TRACE (name);
            dialogs->asked.clear();
            EXPECT_FALSE (page->renameDeliveredFile (tableNames().indexOf ("Mix.wav"), name));
            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (lastQuestion()->title, "The file was not renamed");
            EXPECT_EQ (lastQuestion()->message,
                       "Another track in the list already uses the name '" + juce::String (name) + ".wav'.");
            juce::MemoryBlock nowBytes;
            ASSERT_TRUE (mix.loadFileAsData (nowBytes));
            EXPECT_TRUE (nowBytes == mixBytes);
            EXPECT_FALSE (dir.getChildFile (juce::String (name) + ".wav").exists());
            EXPECT_EQ (state->lastReport.cues[0].files[1].file, mix);
        }

        // A delivered file that is itself listed may still change its own letter case.
        dialogs->asked.clear();
        EXPECT_TRUE (page->renameDeliveredFile (tableNames().indexOf ("Mix.wav"), "MIX"));
        EXPECT_TRUE (dialogs->asked.empty()) << lastQuestion()->message;
        EXPECT_EQ (state->lastReport.cues[0].files[1].file, dir.getChildFile ("MIX.wav"));
    }

    TEST_F (ReportPageTest, TabAfterARenameOpensTheFileThatWasNext)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav" }), cueWithFiles ("B", { "b.wav", "c.wav", "d.wav", "Mix.wav" }),
                             failing (cueWithFiles ("C", { "c.wav" })) }));
        page->getCueList().selectRow (1);
        auto& table = page->getDeliveryTable();
        table.getTable().getHeader().setSortColumnId (ReportPage::DeliveryTable::fileColumn, true);
        pump();
        ASSERT_EQ (tableNames(), juce::StringArray ({ "b.wav", "c.wav", "d.wav", "Mix.wav" }));

        // "b" becomes "x": it moves to the end, and Tab goes on to c.wav where it is now.
        table.beginRename (0);
        auto& editor = table.getRenameEditor();
        editor.setText ("x", false);
        EXPECT_TRUE (table.keyPressed (juce::KeyPress (juce::KeyPress::tabKey), &editor));
        pump();

        EXPECT_EQ (tableNames(), juce::StringArray ({ "c.wav", "d.wav", "Mix.wav", "x.wav" }));
        ASSERT_TRUE (editor.isVisible());
        EXPECT_EQ (table.getEditingRow(), 0);
        EXPECT_EQ (editor.getText(), "c");
        EXPECT_EQ (page->selectedCue()->cueName, "B");

        // Tab on the last file leaves the key alone and the editor open.
        table.beginRename (3);
        EXPECT_FALSE (table.keyPressed (juce::KeyPress (juce::KeyPress::tabKey), &editor));
        EXPECT_TRUE (editor.isVisible());
    }

    TEST_F (ReportPageTest, ALateFocusLossDoesNotCloseTheNextRename)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav", "b.wav", "Mix.wav" }) }));
        testsupport::prepareDisplayForWindows();
        page->addToDesktop (0);
        page->setVisible (true);
        pump (100);

        auto& table = page->getDeliveryTable();
        auto& editor = table.getRenameEditor();
        table.beginRename (0);
        pump (50);

        if (! editor.hasKeyboardFocus (true))
        {
            page->removeFromDesktop();
            GTEST_SKIP() << "no keyboard focus on this display";
        }

        // A double click on another name: the first editor's focus loss is still in the
        // queue when the second rename opens.
        table.beginRename (1);
        pump (100);
        EXPECT_TRUE (editor.isVisible());
        EXPECT_EQ (table.getEditingRow(), 1);

        // Losing the focus for real commits.
        editor.setText ("renamed", false);
        page->grabKeyboardFocus();
        editor.giveAwayKeyboardFocus();
        pump (100);
        EXPECT_FALSE (editor.isVisible());
        EXPECT_TRUE (output().getChildFile ("A").getChildFile ("renamed.wav").existsAsFile());
        page->removeFromDesktop();
    }

    TEST_F (ReportPageTest, ABroadcastForSomethingElseKeepsTheCueTheUserChose)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav" }), cueWithFiles ("B", { "b2.wav", "b1.wav" }),
                             failing (cueWithFiles ("C", { "c.wav" })) }));
        page->getCueList().selectRow (1);
        page->getDeliveryTable().getTable().getHeader().setSortColumnId (ReportPage::DeliveryTable::fileColumn, true);
        pump();

        state->setOutputFolder (output());
        pump();
        EXPECT_EQ (page->selectedCue()->cueName, "B");
        EXPECT_EQ (tableNames(), juce::StringArray ({ "b1.wav", "b2.wav" }));
        EXPECT_TRUE (page->getOpenFolderButton().isEnabled());

        // A new report starts over on the cue that needs attention.
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav" }), cueWithFiles ("B", { "b2.wav", "b1.wav" }),
                             failing (cueWithFiles ("C", { "c.wav" })) }));
        EXPECT_EQ (page->selectedCue()->cueName, "C");
        EXPECT_EQ (page->getDeliveryTable().getTable().getHeader().getSortColumnId(), 0);
    }

    //==============================================================================
    TEST_F (ReportPageTest, ThePlayerHeightFollowsTheSettingWithinItsLimits)
    {
        const auto cue = cueWithFiles ("A", { "a.wav" });

        struct Case { int stored; int expected; };
        const Case cases[] = { { 1000, 400 }, { 100, 140 }, { 164, 164 }, { 99999, 400 } };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.stored);
            state->settings->setValue (ReportPage::transportHeightKey, c.stored);
            makePage();
            page->setSize (pageWidth, 600 + 24);
            deliver (reportOf ({ cue }));

            EXPECT_LE (page->getTransportHeight(), ReportPage::maximumTransportHeight);
            const int player = page->getHeight() - 12 - page->getTransportGrip().getBottom();
            EXPECT_EQ (player, c.expected);
        }
    }

    TEST_F (ReportPageTest, DraggingTheGripUpMakesThePlayerTallerAndIsStored)
    {
        deliver (reportOf ({ cueWithFiles ("A", { "a.wav" }) }));
        auto& grip = page->getTransportGrip();
        ASSERT_EQ (page->getTransportHeight(), 164);
        const int gripTop = grip.getY();

        grip.mouseDown (dragEvent (grip, 5, 5));
        grip.mouseDrag (dragEvent (grip, 5, -45));
        EXPECT_EQ (page->getTransportHeight(), 214);
        EXPECT_EQ (state->settings->getIntValue (ReportPage::transportHeightKey), 214);
        EXPECT_EQ (grip.getY(), gripTop - 50);

        // Far beyond either end stops at the limits.
        grip.mouseDrag (dragEvent (grip, 5, -5000));
        EXPECT_EQ (page->getTransportHeight(), ReportPage::maximumTransportHeight);
        grip.mouseDown (dragEvent (grip, 5, 5));
        grip.mouseDrag (dragEvent (grip, 5, 5000));
        EXPECT_EQ (page->getTransportHeight(), ReportPage::minimumTransportHeight);
    }

    TEST_F (ReportPageTest, TheClockRunsOnlyWhileThePageIsShown)
    {
        testsupport::prepareDisplayForWindows();
        page->addToDesktop (0);
        page->setVisible (true);
        EXPECT_TRUE (page->isClockRunning());

        page->setVisible (false);
        EXPECT_FALSE (page->isClockRunning());

        page->setVisible (true);
        EXPECT_TRUE (page->isClockRunning());
        page->removeFromDesktop();
    }
}
