#include "MainTestSupport.h"

#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/import/ImportPage.h"
#include "app/pages/preset/PresetPage.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/report/ReportTestSupport.h"
#include "app/pages/report/ReportTexts.h"
#include "app/pages/review/ReviewPage.h"
#include "core/model/BuiltInPresets.h"
#include "support/MessageLoop.h"
#include "ui/PointerGestures.h"
#include "ui/PreviewTestAudio.h"
#include "ui/TextFitChecks.h"

namespace korvid::ui::maintest
{
    /** The whole window in the application's look, with two cues of takes imported. */
    class WindowTextFitTest : public MainComponentTest
    {
    protected:
        void SetUp() override
        {
            MainComponentTest::SetUp();
            look.emplace();
            build();

            const auto samples = test::makeSignal (1, 800, [] (int, int) { return 0.25f; });
            juce::StringArray folders;

            for (const auto* cue : { "1M01 Opening Titles", "2M05 End Credits" })
            {
                const auto dir = home->folder.getChildFile ("takes").getChildFile (cue);
                ASSERT_TRUE (dir.createDirectory());

                for (const auto* take : { "01 Violins.wav", "Choir_Aah.wav", "Synth Pad pads.wav" })
                    ASSERT_TRUE (test::writeWav (dir.getChildFile (take), samples, 8000.0));

                folders.add (dir.getFullPathName());
            }

            main->getAppState().session.importFiles (folders, false);
            test::pumpMessages (50);
        }

        void TearDown() override
        {
            main.reset();
            look.reset();
            MainComponentTest::TearDown();
        }

        std::vector<std::pair<const char*, juce::Component*>> pages() const
        {
            return { { "Import", main->getImportPage() }, { "Preset & stems", main->getPresetPage() },
                     { "Review", main->getReviewPage() }, { "Levels & export", main->getExportPage() },
                     { "Report", main->getReportPage() } };
        }

        std::optional<testsupport::ScopedAppLookAndFeel> look;
    };

    TEST_F (WindowTextFitTest, EveryChoiceShowsWholeAndFieldsCentreTheirTextAtTheDefaultAndTheSmallestSize)
    {
        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            main->setSize (size.x, size.y);

            for (const auto& [name, page] : pages())
            {
                SCOPED_TRACE (juce::String (name) + " at " + size.toString());
                ASSERT_NE (page, nullptr);
                EXPECT_EQ (testsupport::choicesCutBelow (*page).joinIntoString ("\n"), "");
                EXPECT_EQ (testsupport::fieldsOffCentreBelow (*page).joinIntoString ("\n"), "");
            }
        }
    }

    TEST_F (WindowTextFitTest, TheLibraryButtonsKeepTheirRoomInTheSmallestWindow)
    {
        main->setSize (1100, 720);
        auto& preset = *main->getPresetPage();

        for (auto* button : { &preset.getNewButton(), &preset.getImportButton(), &preset.getRestoreButton() })
        {
            EXPECT_EQ (button->getHeight(), 30) << button->getName();
            EXPECT_LE (button->getBottom(), preset.getHeight() - 12) << button->getName();
        }

        EXPECT_GE (preset.getLibraryList().getHeight(), 3 * PresetPage::listRowHeight);
    }

    TEST_F (WindowTextFitTest, DeliveredFilesShowTheirFiguresAndFormatWholeAndNoColumnIsCutOff)
    {
        using Table = ReportPage::DeliveryTable;
        const juce::int64 fiveMinutesOfStereo = 51'800'000;   // "49.4 MB"
        auto cue = reporttest::completedCue ("1M01 Opening Titles", 312.4);
        const auto folder = home->folder.getChildFile ("out");

        for (const auto* format : { "FLAC 24bit 48kHz 2ch", "WAV 32bit float 176.4kHz 2ch", "AIFF 16bit 44.1kHz 2ch" })
        {
            auto written = reporttest::writtenFile (folder.getChildFile (juce::String (format) + ".wav"), "Strings",
                                                    FileKind::stem, fiveMinutesOfStereo, -12.3, 312.4);
            written.formatDescription = format;
            cue.files.push_back (written);
        }

        cue.stems.push_back (reporttest::stemResult ("Strings", 12));
        BatchReport report;
        report.allCompleted = true;
        report.cues.push_back (cue);
        main->getAppState().setLastReport (std::move (report));
        test::pumpMessagesUntil ([&] { return main->getReportPage()->getDeliveryTable().getRows().size() == 3; }, 5000);

        auto& table = main->getReportPage()->getDeliveryTable();
        ASSERT_EQ (table.getRows().size(), 3u);

        const auto shownText = [] (const ReportPage::DeliveryRow& row, int column) -> juce::String
        {
            switch (column)
            {
                case Table::kindColumn:     return row.kind == 1 ? "mix" : (row.kind == 2 ? "alt" : "stem");
                case Table::tracksColumn:   return juce::String (row.trackCount);
                case Table::peakColumn:     return reportLevelText (row.peakDb);
                case Table::formatColumn:   return row.format;
                case Table::lengthColumn:   return formatDuration (row.lengthSeconds);
                default:                    return deliverySizeText (row.sizeBytes);
            }
        };

        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);
            auto& header = table.getTable().getHeader();

            for (const int column : { Table::kindColumn, Table::tracksColumn, Table::peakColumn, Table::formatColumn,
                                      Table::lengthColumn, Table::sizeColumn })
                for (const auto& row : table.getRows())
                {
                    const auto text = shownText (row, column);
                    EXPECT_LE (bodyFont().getStringWidthFloat (text), (float) (header.getColumnWidth (column) - 12))
                        << "\"" << text << "\" in " << header.getColumnWidth (column);
                }

            EXPECT_LE (header.getColumnPosition (header.getNumColumns (true) - 1).getRight(),
                       table.getTable().getViewport()->getMaximumVisibleWidth())
                << "the last column ends where the table can show it";
        }
    }

    TEST_F (WindowTextFitTest, ALongCueNameIsReadWholeInTheReportsTooltipsWhileItsFiguresKeepTheirRoom)
    {
        using Table = ReportPage::DeliveryTable;
        const juce::String longCue ("1M01 The Long Goodbye Across The Northern Sea Opening Titles");
        ASSERT_EQ (longCue.length(), 60);
        const auto folder = home->folder.getChildFile ("out").getChildFile (longCue);

        auto cue = reporttest::completedCue (longCue, 6.0);

        for (const auto* stem : { "01_Brass", "02_Strings", "03_Bass", "04_Choir", "Full Mix" })
        {
            const bool mix = juce::String (stem) == "Full Mix";
            cue.files.push_back (reporttest::writtenFile (folder.getChildFile (longCue + "_" + stem + ".wav"), stem,
                                                          mix ? FileKind::fullMix : FileKind::stem, 1700000,
                                                          mix ? -3.0 : -13.8, 6.0));
        }

        auto second = reporttest::completedCue ("2M05 End Credits", 6.0);
        second.files.push_back (reporttest::writtenFile (folder.getSiblingFile ("2M05").getChildFile ("Mix.wav"), "Full mix",
                                                         FileKind::fullMix));
        BatchReport report;
        report.allCompleted = true;
        report.cues = { cue, second };
        main->getAppState().setLastReport (std::move (report));
        main->showPage (Page::reportPage);

        auto& page = *main->getReportPage();
        auto& table = page.getDeliveryTable();
        test::pumpMessagesUntil ([&] { return table.getNumRowsShown() == 5; }, 5000);
        ASSERT_EQ (table.getNumRowsShown(), 5);
        ASSERT_EQ (page.selectedCue()->cueName, longCue);
        auto& header = table.getTable().getHeader();
        int spectrogramHeight = -1;

        for (const auto& size : { juce::Point<int> (1920, 1080), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);
            const bool wide = size.x == 1920;

            // The columns fill the table and end at its edge; kinds, counts, levels, formats,
            // lengths and sizes have their texts' room and no more, so none stands empty.
            const auto last = header.getColumnPosition (header.getNumColumns (true) - 1);
            EXPECT_EQ (last.getRight(), table.getTable().getViewport()->getMaximumVisibleWidth());

            for (const int column : { Table::kindColumn, Table::tracksColumn, Table::peakColumn, Table::formatColumn,
                                      Table::lengthColumn, Table::sizeColumn })
                EXPECT_EQ (header.getColumnWidth (column), table.widthNeededBy (column)) << header.getColumnName (column);

            EXPECT_LE (header.getColumnWidth (Table::statusColumn), table.widthNeededBy (Table::statusColumn));

            // The names are whole where the window has room; where they are cut, each reads
            // whole in its tooltip.
            for (int row = 0; row < table.getNumRowsShown(); ++row)
            {
                const auto& name = table.rowAt (row)->fileName;
                EXPECT_EQ (table.cellShowsWhole (row, Table::fileColumn), wide) << name;
                EXPECT_EQ (table.getCellTooltip (row, Table::fileColumn), wide ? juce::String() : name);
            }

            // So does the long cue in the list on the left; the short one needs no tooltip.
            EXPECT_EQ (page.getTooltipForRow (0), longCue);
            EXPECT_EQ (page.getTooltipForRow (1), "");

            // The player keeps its spectrogram's height when its buttons need a row of their own.
            if (spectrogramHeight < 0)
                spectrogramHeight = page.getSpectrogramView().getHeight();

            EXPECT_GE (page.getSpectrogramView().getHeight(), 60);
            EXPECT_EQ (page.getSpectrogramView().getHeight(), spectrogramHeight);
        }
    }

    TEST_F (WindowTextFitTest, ALongCueNameHeadsTheTooltipOfThePresetPagesCueBox)
    {
        auto& session = main->getAppState().session;
        const juce::String longCue ("1M01 The Long Goodbye Across The Northern Sea Opening Titles");
        ASSERT_TRUE (session.renameCue (session.getTracks().front().cueId, longCue));
        main->showPage (Page::presetPage);
        auto& box = main->getPresetPage()->getCueSelector();
        test::pumpMessagesUntil ([&] { return box.getNumItems() == 3; }, 5000);
        ASSERT_EQ (box.getNumItems(), 3);
        const auto help = box.getTooltip();
        ASSERT_TRUE (help.startsWith ("Which cue"));

        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);

            struct Case { int item; bool cut; };

            for (const auto& c : { Case { 1, false }, Case { 2, true }, Case { 3, false } })
            {
                box.setSelectedId (c.item);
                test::pumpMessages (20);
                SCOPED_TRACE (box.getText());
                ASSERT_TRUE (box.getItemText (c.item - 1) == box.getText());
                EXPECT_EQ (testsupport::choicesCutIn (box).joinIntoString ("\n").contains ("\"" + box.getText() + "\""), c.cut);
                EXPECT_EQ (box.getTooltip(), c.cut ? box.getText() + "\n" + help : help);
            }
        }
    }

    /** The Review toolbar from left to right. The captions sit against their choosers; every
        other neighbour keeps a gap. Each control lies inside the page and shows its text whole. */
    void expectToolbarReadsWhole (ReviewPage& review)
    {
        struct Control
        {
            juce::Component* component;
            const char* name;
            int gapBefore;
        };

        const Control controls[] = {
            { &review.getRerunButton(), "Re-run", 12 }, { &review.getUndoButton(), "Undo", 5 },
            { &review.getRedoButton(), "Redo", 5 }, { &review.getAssignButton(), "Assign", 5 },
            { &review.getLockButton(), "Lock", 5 }, { &review.getUnlockButton(), "Unlock", 5 },
            { &review.getRuleButton(), "Save as rule", 5 }, { &review.getCueLabel(), "Cue caption", 5 },
            { &review.getCueBox(), "cue chooser", 0 }, { &review.getFilterLabel(), "Show caption", 5 },
            { &review.getFilterBox(), "filter", 0 }
        };

        int previousRight = 0;

        for (const auto& control : controls)
        {
            const auto bounds = control.component->getBounds();
            EXPECT_TRUE (control.component->isVisible()) << control.name;
            EXPECT_GE (bounds.getX() - previousRight, control.gapBefore) << control.name << " at " << bounds.toString();
            EXPECT_LE (bounds.getRight(), review.getWidth() - 12) << control.name;
            previousRight = bounds.getRight();

            if (auto* button = dynamic_cast<juce::TextButton*> (control.component))
            {
                EXPECT_TRUE (testsupport::buttonShowsWhole (*button)) << control.name << " " << bounds.getWidth();
            }
        }

        for (auto* caption : { &review.getCueLabel(), &review.getFilterLabel() })
            EXPECT_TRUE (testsupport::labelShowsWhole (*caption)) << caption->getText() << " " << caption->getBounds().toString();

        EXPECT_EQ (testsupport::choicesCutIn (review.getFilterBox()).joinIntoString ("\n"), "");
    }

    TEST_F (WindowTextFitTest, TheReviewToolbarShowsItsCueCaptionAndEveryCueWholeClearOfTheButtons)
    {
        main->showPage (Page::reviewPage);
        auto& review = *main->getReviewPage();
        test::pumpMessagesUntil ([&] { return review.getCueBox().getNumItems() == 3; }, 5000);
        ASSERT_TRUE (review.getCueBox().isVisible());

        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);

            expectToolbarReadsWhole (review);
            EXPECT_EQ (testsupport::choicesCutIn (review.getCueBox()).joinIntoString ("\n"), "");
            EXPECT_FALSE (review.getCueBox().getTooltip().startsWith (review.getCueBox().getText()));
        }
    }

    TEST_F (WindowTextFitTest, ALongCueNameWidensTheReviewChooserAndIsReadWholeInItsTooltip)
    {
        main->showPage (Page::reviewPage);
        auto& review = *main->getReviewPage();
        auto& session = main->getAppState().session;
        const juce::String longName ("1M01 The Long Goodbye Across The Northern Sea (Opening Titles, Extended Version)");
        ASSERT_TRUE (session.renameCue (session.getTracks().front().cueId, longName));
        test::pumpMessagesUntil ([&] { return review.getCueBox().getText().startsWith (longName); }, 5000);
        ASSERT_TRUE (review.getCueBox().getText().startsWith (longName));

        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);

            // The buttons give up what their texts do not need and the chooser has the rest:
            // more than its usual width where the window has it.
            expectToolbarReadsWhole (review);
            EXPECT_LT (review.getRerunButton().getWidth(), 150);
            EXPECT_EQ (review.getCueLabel().getX() - review.getRuleButton().getRight(), 12);

            if (size.x == 1360)
            {
                EXPECT_GT (review.getCueBox().getWidth(), 200);
            }

            // Too long even so: the whole cue heads the chooser's tooltip.
            EXPECT_NE (testsupport::choicesCutIn (review.getCueBox()).joinIntoString ("\n"), "");
            EXPECT_TRUE (review.getCueBox().getTooltip().startsWith (review.getCueBox().getText() + "\n"))
                << review.getCueBox().getTooltip();
        }

        // Back to a short name: the chooser shows it whole, the tooltip is its own again, and
        // where the window has room the buttons and the chooser keep their usual widths.
        ASSERT_TRUE (session.renameCue (session.getTracks().front().cueId, "1M01"));
        test::pumpMessagesUntil ([&] { return review.getCueBox().getText().startsWith ("1M01  ("); }, 5000);
        EXPECT_EQ (testsupport::choicesCutIn (review.getCueBox()).joinIntoString ("\n"), "");
        EXPECT_FALSE (review.getCueBox().getTooltip().startsWith ("1M01"));

        main->setSize (1360, 860);
        test::pumpMessages (30);
        EXPECT_EQ (review.getCueBox().getWidth(), 200);
        EXPECT_EQ (review.getRerunButton().getWidth(), 150);
        EXPECT_EQ (review.getFilterBox().getWidth(), 160);
    }

    TEST_F (WindowTextFitTest, ImportColumnsEndInsideTheTableAndStatusCellsShowTheirMatchedWordsWhole)
    {
        auto& session = main->getAppState().session;
        session.setPreset (makeHybridOrchestraExamplePreset());

        // A take matching more words than its cell can show in a small window.
        const auto dir = home->folder.getChildFile ("takes").getChildFile ("1M01 Opening Titles");
        ASSERT_TRUE (test::writeWav (dir.getChildFile ("Brass horns trumpets trombones tuba low brass.wav"),
                                     test::makeSignal (1, 800, [] (int, int) { return 0.25f; }), 8000.0));
        session.importFiles ({ dir.getChildFile ("Brass horns trumpets trombones tuba low brass.wav").getFullPathName() },
                             false);
        test::pumpMessages (50);

        auto& import = *main->getImportPage();
        auto& table = import.getTrackTable();
        auto& header = table.getHeader();
        const juce::String longWords ("brass, horn, horns, trumpet, trumpets, trombone, trombones, tuba, low brass");

        const auto check = [&]
        {
            const auto lastColumn = header.getColumnIdOfIndex (header.getNumColumns (true) - 1, true);
            EXPECT_EQ (lastColumn, importColumn::status);
            EXPECT_LE (header.getColumnPosition (header.getNumColumns (true) - 1).getRight(),
                       table.getViewport()->getMaximumVisibleWidth())
                << "the last column ends where the table can show it";

            // The words as far as the table shows them: inside their cell, and left of the
            // table's edge.
            const auto statusColumn = header.getColumnPosition (header.getIndexOfColumnId (importColumn::status, true));
            const auto wordsArea = ImportPage::statusWordsArea (statusColumn.getWidth(), ImportPage::rowHeight)
                                       + juce::Point<int> (statusColumn.getX(), 0);
            const int wordsShown = juce::jmin (wordsArea.getRight(), table.getViewport()->getMaximumVisibleWidth())
                                 - wordsArea.getX();
            int rowsWithWords = 0;

            for (int row = 0; row < (int) import.getRows().size(); ++row)
            {
                const auto* track = session.findTrack (import.getRows()[(size_t) row]);
                ASSERT_NE (track, nullptr);
                const auto words = ImportPage::statusWordsOf (*track);

                if (words.isEmpty())
                    continue;

                ++rowsWithWords;

                // Every matched word is in the cell's tooltip, whether or not the cell shows it.
                for (const auto& word : track->matchedKeywords)
                    EXPECT_TRUE (import.getCellTooltip (row, importColumn::status).contains (word)) << word;

                if (words != longWords)
                {
                    EXPECT_TRUE (fitsWhole (words, bodyFont(), (float) wordsShown, 1))
                        << "\"" << words << "\" in a Status column at " << statusColumn.toString();
                }
            }

            EXPECT_GE (rowsWithWords, 4);
        };

        for (const bool twoCues : { true, false })
        {
            if (! twoCues)
            {
                juce::StringArray secondCue;

                for (const auto& track : session.getTracks())
                    if (track.cueId != session.getTracks().front().cueId)
                        secondCue.add (track.id);

                session.removeTracks (secondCue);
                test::pumpMessages (30);
            }

            EXPECT_EQ (header.isColumnVisible (importColumn::cue), twoCues);

            for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
            {
                SCOPED_TRACE (size.toString() + (twoCues ? " with the Cue column" : " without the Cue column"));
                main->setSize (size.x, size.y);
                test::pumpMessages (30);
                check();
            }
        }
    }

    TEST_F (WindowTextFitTest, ALongCueNameLeavesTheEndsOfThePreviewedFileNamesAndReadsWholeInTheirTooltips)
    {
        auto& session = main->getAppState().session;
        const juce::String longCue ("1M01 Opening Titles And The Long Road Home Across Plains Xyz");
        ASSERT_EQ (longCue.length(), 60);
        ASSERT_TRUE (session.renameCue (session.getTracks().front().cueId, longCue));
        session.setPreset (makeHybridOrchestraExamplePreset());
        main->setVisible (true);
        main->showPage (Page::exportPage);

        auto& page = *main->getExportPage();
        auto& preview = page.getContent().previewText;
        const int row = (int) std::ceil (preview.font.getHeight() * preview.lineSpacing);
        const auto middleOfLine = [row] (int index) { return juce::Point<int> (20, index * row + row / 2); };

        for (const auto& size : { juce::Point<int> (1920, 1080), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            ASSERT_TRUE (test::pumpMessagesUntil ([&] { return page.isPlanCurrent() && preview.text.contains (longCue); }, 10000))
                << preview.text;

            const auto lines = juce::StringArray::fromLines (preview.text);
            int namesCut = 0;

            for (int i = 0; i < lines.size(); ++i)
            {
                const auto& whole = lines[i];
                const auto shown = preview.shownLine (i);
                SCOPED_TRACE ("\"" + whole + "\" shown as \"" + shown + "\"");
                EXPECT_LE (preview.font.getStringWidthFloat (shown), (float) preview.getWidth());

                if (shown == whole)
                {
                    EXPECT_EQ (preview.tooltipAt (middleOfLine (i)), "");
                    continue;
                }

                // The start of the cue, and the end that tells the files apart (number, stem).
                EXPECT_TRUE (shown.startsWith ("1M01 "));

                if (whole.startsWith (longCue))
                {
                    ++namesCut;
                    EXPECT_TRUE (shown.endsWith (whole.substring (longCue.length())));
                }

                EXPECT_EQ (preview.tooltipAt (middleOfLine (i)), whole);
            }

            // These names are too long for the panel at either size.
            EXPECT_GE (namesCut, 3);

            // The pointer over a cut line reaches the preview itself, which gives the tooltip.
            auto& viewport = page.getViewport();
            const auto inBody = viewport.getViewedComponent()->getLocalPoint (&preview, juce::Point<int>());
            viewport.setViewPosition (viewport.getViewPositionX(), juce::jmax (0, inBody.y - 40));
            EXPECT_EQ (main->getComponentAt (main->getLocalPoint (&preview, middleOfLine (0))), &preview);
        }
    }

    TEST_F (WindowTextFitTest, TheCueTableGivesItsNamesTheRoomItsFiguresLeave)
    {
        using List = ExportPage::CueResultList;
        const juce::String longCue ("1M01 Opening Titles And The Long Road Home Across Plains Xyz");
        std::vector<List::Row> rows (3);
        const char* const names[] = { "2M05 End Credits", longCue.toRawUTF8(), "3M10" };

        for (size_t i = 0; i < rows.size(); ++i)
        {
            rows[i].cueId = "cue" + juce::String ((int) i);
            rows[i].name = names[i];
            rows[i].analysed = true;
            rows[i].durationSeconds = 312.4;
            rows[i].peakDb = -1.25 - (double) i;
            rows[i].gainDb = -12.5;
            rows[i].assignedStems = 12;
            rows[i].emptyStems = 10 + (int) i;
        }

        main->showPage (Page::exportPage);
        auto& page = *main->getExportPage();
        auto& table = *page.getContent().cueTable;
        table.setRows (std::move (rows));
        const auto captions = captionFont().boldened();

        for (const auto& size : { juce::Point<int> (1920, 1080), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            page.resized();
            test::pumpMessages (30);
            ASSERT_TRUE (table.isVisible());
            const auto& columns = table.getColumns();

            for (int i = 0; i < List::figureCount; ++i)
            {
                // A figure column is as wide as its caption or its widest figure, give or take
                // a pixel or two of rounding: none stands empty.
                float needed = captions.getStringWidthFloat (List::figureCaptions()[(size_t) i]);

                for (const auto& shown : table.getRows())
                    needed = juce::jmax (needed, bodyFont().getStringWidthFloat (List::figureTexts (shown)[(size_t) i]));

                const int room = columns.figureWidth[(size_t) i] - 12;
                SCOPED_TRACE (List::figureCaptions()[(size_t) i] + " in " + juce::String (columns.figureWidth[(size_t) i]));
                EXPECT_GE ((float) room, needed);
                EXPECT_LE ((float) room, needed + 3.0f);
                EXPECT_GT (columns.nameWidth, columns.figureWidth[(size_t) i]);
            }

            // The names take the rest: the figures end at the table's edge.
            EXPECT_EQ (columns.figureX.back() + columns.figureWidth.back(), table.getWidth());
            EXPECT_GE (columns.chipX, List::nameX + columns.nameWidth);

            // The long name is whole in full HD; where it is cut, its tooltip heads with it.
            const auto nameCell = juce::Point<int> (List::nameX + 20, List::firstRowTop + List::rowHeight + 17);
            const bool whole = bodyFont().getStringWidthFloat (longCue) <= (float) columns.nameWidth;
            EXPECT_TRUE (whole || size.x < 1920);
            EXPECT_EQ (table.tooltipAt (nameCell).startsWith (longCue + "\n"), ! whole);
        }
    }

    TEST_F (WindowTextFitTest, TheReportsFileColumnDraggedWiderAndBackCutsCellsReadablyAndGivesTheLayoutBack)
    {
        using Table = ReportPage::DeliveryTable;
        const juce::String ellipsis = juce::String::charToString ((juce::juce_wchar) 0x2026);
        const juce::String longCue ("1M01 The Long Goodbye Across The Northern Sea Opening Titles");
        const auto folder = home->folder.getChildFile ("out").getChildFile (longCue);
        auto cue = reporttest::completedCue (longCue, 6.0);

        for (const auto* stem : { "01_Brass", "02_Strings", "03_Bass", "04_Choir", "Full Mix" })
        {
            const bool mix = juce::String (stem) == "Full Mix";
            auto written = reporttest::writtenFile (folder.getChildFile (longCue + "_" + stem + ".wav"), stem,
                                                    mix ? FileKind::fullMix : FileKind::stem, 51'800'000,
                                                    mix ? -3.0 : -13.8, 312.4);
            written.formatDescription = "WAV 24bit 48kHz 2ch";
            cue.files.push_back (written);
        }

        BatchReport report;
        report.allCompleted = true;
        report.cues = { cue };
        main->getAppState().setLastReport (std::move (report));
        main->showPage (Page::reportPage);
        main->setSize (1100, 720);
        main->addToDesktop (0);
        main->setVisible (true);

        auto& table = main->getReportPage()->getDeliveryTable();
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return table.getNumRowsShown() == 5; }, 5000));
        test::pumpMessages (50);
        auto& header = table.getTable().getHeader();

        const auto widths = [&]
        {
            std::vector<int> all;

            for (int i = 0; i < header.getNumColumns (true); ++i)
                all.push_back (header.getColumnWidth (header.getColumnIdOfIndex (i, true)));

            return all;
        };

        const auto dragFileBorder = [&] (int distance)
        {
            const auto file = header.getColumnPosition (header.getIndexOfColumnId (Table::fileColumn, true));
            const juce::Point<int> from (file.getRight() - 1, header.getHeight() / 2);
            testsupport::PointerGestures::dragAt (header, from, from + juce::Point<int> (distance, 0));
            test::pumpMessages (50);
        };

        // Every cell shows its text whole, or cut with an ellipsis and whole in its tooltip;
        // the table ends at its edge.
        const auto expectCellsReadable = [&]
        {
            EXPECT_EQ (header.getColumnPosition (header.getNumColumns (true) - 1).getRight(),
                       table.getTable().getViewport()->getMaximumVisibleWidth());

            for (int r = 0; r < table.getNumRowsShown(); ++r)
                for (int column = Table::fileColumn; column <= Table::statusColumn; ++column)
                {
                    const auto whole = Table::cellText (*table.rowAt (r), column);
                    const auto shown = table.shownCellText (r, column);
                    SCOPED_TRACE (header.getColumnName (column) + ": \"" + shown + "\" in "
                                  + juce::String (header.getColumnWidth (column)));
                    EXPECT_LE (bodyFont().getStringWidthFloat (shown), (float) (header.getColumnWidth (column) - 12));
                    EXPECT_TRUE (shown == whole || shown.contains (ellipsis));
                    EXPECT_EQ (table.getCellTooltip (r, column), shown == whole ? juce::String() : whole);
                }
        };

        const auto before = widths();
        const int fileWidth = header.getColumnWidth (Table::fileColumn);
        expectCellsReadable();

        dragFileBorder (100);
        EXPECT_EQ (header.getColumnWidth (Table::fileColumn), fileWidth + 100);
        expectCellsReadable();

        dragFileBorder (-100);
        EXPECT_EQ (widths(), before);
        expectCellsReadable();

        main->removeFromDesktop();
    }
}
