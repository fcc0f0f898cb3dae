#include "app/pages/report/ReportPage.h"
#include "app/pages/report/ReportTexts.h"
#include "app/pages/report/ReportTestSupport.h"
#include "ui/Fonts.h"
#include "ui/PointerGestures.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>

namespace korvid::ui::reporttest
{
    namespace
    {
        using Row = ReportPage::DeliveryRow;
        using Table = ReportPage::DeliveryTable;

        Row row (const juce::String& name, double peakDb = -400.0, bool hasPeak = false)
        {
            Row r;
            r.fileName = name;
            r.path = "/delivery/" + name;
            r.peakDb = peakDb;
            r.hasPeak = hasPeak;
            return r;
        }

        void pump (int milliseconds = 20)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        }

        /** A cue's delivered files as a render names them: `prefix`, then what tells them apart. */
        std::vector<Row> deliveryRows (const juce::String& prefix, bool withStatus)
        {
            std::vector<Row> rows;
            int index = 0;

            for (const auto* stem : { "01_Brass", "02_Strings", "03_Bass", "04_Choir", "Full Mix", "UND" })
            {
                auto r = row (prefix + stem + ".wav", -13.8 + index, true);
                r.kind = index == 4 ? 1 : (index == 5 ? 2 : 0);
                r.trackCount = index < 4 ? 1 + index % 2 : 0;
                r.format = "WAV 24bit 48kHz 2ch";
                r.sizeBytes = 1700000;
                r.lengthSeconds = 6.0;

                if (withStatus && index == 5)
                    r.status = "own gain, not the exact sum of its stems";

                rows.push_back (r);
                ++index;
            }

            return rows;
        }

        std::vector<int> columnWidths (Table& table)
        {
            auto& header = table.getTable().getHeader();
            std::vector<int> widths;

            for (int i = 0; i < header.getNumColumns (true); ++i)
                widths.push_back (header.getColumnWidth (header.getColumnIdOfIndex (i, true)));

            return widths;
        }

        int totalWidth (Table& table)
        {
            const auto widths = columnWidths (table);
            return std::accumulate (widths.begin(), widths.end(), 0);
        }

        /** A table of long-named rows on the desktop, as wide as on the smallest window, whose
            column borders the test drags with the pointer. */
        struct TableOnScreen
        {
            TableOnScreen()
            {
                testsupport::prepareDisplayForWindows();
                table.setSize (1100 - 24 - 290 - 12, 400);
                table.setRows (deliveryRows ("1M01 The Long Goodbye Across The Northern Sea Opening Titles_", true));
                table.addToDesktop (0);
                table.setVisible (true);
                pump (50);
            }

            ~TableOnScreen() { table.removeFromDesktop(); }

            juce::TableHeaderComponent& header() { return table.getTable().getHeader(); }

            void dragBorder (int column, int distance)
            {
                const auto from = juce::Point<int> (header().getColumnPosition (header().getIndexOfColumnId (column, true))
                                                        .getRight() - 1,
                                                    header().getHeight() / 2);
                testsupport::PointerGestures::dragAt (header(), from, from + juce::Point<int> (distance, 0));
                pump (30);
            }

            Table table;
        };

        juce::StringArray namesOf (const Table& table)
        {
            juce::StringArray names;

            for (const auto& r : table.getRows())
                names.add (r.fileName);

            return names;
        }
    }

    TEST (ReportTexts, NaturalFileOrderComparesDigitRunsByValueAndLettersWithoutCase)
    {
        struct Case { const char* a; const char* b; int expected; };

        const Case cases[] = {
            { "take 2.wav", "Take 10.wav", -1 },
            { "Take 10.wav", "take 2.wav", 1 },
            { "Strings", "strings", 0 },
            { "a01", "a1", 0 },                       // leading zeros do not count
            { "a001b", "a1c", -1 },
            { "x", "x1", -1 },                          // the shorter name comes first
            { "x1", "x", 1 },
            { "", "", 0 },
            { "cue 1234567890123456789012345", "cue 1234567890123456789012346", -1 },   // longer than 64 bits
            { "cue 99999999999999999999999999", "cue 100000000000000000000000000", -1 },
            { "cue 0000000000000000000000000000009", "cue 10", -1 },
            { "Éclat 2", "éclat 10", -1 },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.a) + " / " + c.b);
            EXPECT_EQ (compareFileNamesNaturally (juce::String::fromUTF8 (c.a), juce::String::fromUTF8 (c.b)), c.expected);
        }
    }

    TEST (ReportTexts, SizesAndLevels)
    {
        EXPECT_EQ (deliverySizeText (1048575), "1023 KB");
        EXPECT_EQ (deliverySizeText (1048576), "1.0 MB");
        EXPECT_EQ (deliverySizeText (1023), "0 KB");
        EXPECT_EQ (deliverySizeText (0), "-");
        EXPECT_EQ (deliverySizeText (-5), "-");
        EXPECT_EQ (deliverySizeText (157286400), "150.0 MB");

        EXPECT_EQ (reportLevelText (-399.0), "-inf");
        EXPECT_EQ (reportLevelText (-400.0), "-inf");
        EXPECT_EQ (reportLevelText (-398.95), "-399.0 dB");
        EXPECT_EQ (reportLevelText (-3.04), "-3.0 dB");
        EXPECT_EQ (reportLevelText (-0.04), "0.0 dB");
        EXPECT_EQ (reportLevelText (2.35), "2.4 dB");
    }

    TEST (DeliveryRows, RowsTakeTracksPeaksAndStatusesFromTheirStems)
    {
        auto cue = completedCue ("Opening");
        const juce::File folder ("/delivery/Opening");

        cue.stems.push_back (stemResult ("Drums", 3, -4.5));
        cue.stems.push_back (stemResult ("Choir", 0, -400.0));
        auto strings = stemResult ("Strings", 2, -8.25);
        strings.errors.add ("Violins.wav could not be read.");
        strings.errors.add ("Second error.");
        cue.stems.push_back (strings);

        cue.files.push_back (writtenFile (folder.getChildFile ("PRJ_Opening_01_Drums.wav"), "drums"));
        cue.files.push_back (writtenFile (folder.getChildFile ("PRJ_Opening_02_Choir.wav"), "Choir"));
        cue.files.push_back (writtenFile (folder.getChildFile ("PRJ_Opening_03_Strings.wav"), "Strings"));
        cue.files.push_back (writtenFile (folder.getChildFile ("PRJ_Opening_Mix.wav"), "Full mix", FileKind::fullMix,
                                          1048576, -3.0, 4.0));
        auto underscore = writtenFile (folder.getChildFile ("PRJ_Opening_UND.wav"), "Drums", FileKind::alternativeMix,
                                       2000, -3.0);
        underscore.ownGain = true;
        cue.files.push_back (underscore);

        const auto rows = Table::rowsForCue (cue);
        ASSERT_EQ (rows.size(), 5u);

        struct Expected { const char* name; int tracks; double peak; bool hasPeak; const char* status; bool problem; };
        const Expected expected[] = {
            { "PRJ_Opening_01_Drums.wav",   3, -4.5,   true, "",                                         false },
            { "PRJ_Opening_02_Choir.wav",   0, -400.0, true, "digital silence",                          false },
            { "PRJ_Opening_03_Strings.wav", 2, -8.25,  true, "Violins.wav could not be read.",           true },
            { "PRJ_Opening_Mix.wav",        0, -3.0,   true, "",                                         false },
            { "PRJ_Opening_UND.wav",        3, -3.0,   true, "own gain, not the exact sum of its stems", false },
        };

        for (size_t i = 0; i < rows.size(); ++i)
        {
            SCOPED_TRACE (expected[i].name);
            EXPECT_EQ (rows[i].fileName, expected[i].name);
            EXPECT_EQ (rows[i].path, folder.getChildFile (expected[i].name).getFullPathName());
            EXPECT_EQ (rows[i].trackCount, expected[i].tracks);
            EXPECT_DOUBLE_EQ (rows[i].peakDb, expected[i].peak);
            EXPECT_EQ (rows[i].hasPeak, expected[i].hasPeak);
            EXPECT_EQ (rows[i].status, expected[i].status);
            EXPECT_EQ (rows[i].problem, expected[i].problem);
        }

        EXPECT_EQ (rows[3].kind, 1);
        EXPECT_EQ (rows[3].sizeBytes, 1048576);
        EXPECT_DOUBLE_EQ (rows[3].lengthSeconds, 4.0);
        EXPECT_EQ (rows[3].format, "WAV 24bit 48kHz 2ch");
        EXPECT_EQ (rows[3].overview.minima.size(), 64u);

        // A cue stopped before a stem was summed has no figure for it; a measured one keeps its own.
        auto stopped = cue;
        stopped.cancelled = true;
        stopped.levelsMeasured = true;
        stopped.stems[0].measured = true;
        const auto stoppedRows = Table::rowsForCue (stopped);
        EXPECT_TRUE (stoppedRows[0].hasPeak);
        EXPECT_FALSE (stoppedRows[2].hasPeak);

        // A stem result without any match leaves the row without tracks or peak.
        cue.stems.clear();
        EXPECT_FALSE (Table::rowsForCue (cue)[0].hasPeak);
    }

    TEST (DeliveryRows, SortingByEachColumnIsStableAndReversible)
    {
        Table table;
        table.setSize (1200, 400);

        std::vector<Row> rows { row ("Take 10.wav", -3.0, true), row ("take 2.wav"), row ("Take 1.wav", -12.0, true),
                                row ("take 02.wav", -6.0, true) };
        rows[0].sizeBytes = 300; rows[1].sizeBytes = 100; rows[2].sizeBytes = 300; rows[3].sizeBytes = 200;
        table.setRows (std::move (rows));

        int reorders = 0;
        table.onRowsReordered = [&] { ++reorders; };

        struct Case { int column; bool forwards; juce::StringArray order; };
        const Case cases[] = {
            { Table::fileColumn, true,  { "Take 1.wav", "take 2.wav", "take 02.wav", "Take 10.wav" } },
            { Table::fileColumn, false, { "Take 10.wav", "take 2.wav", "take 02.wav", "Take 1.wav" } },
            { Table::peakColumn, true,  { "Take 1.wav", "take 02.wav", "Take 10.wav", "take 2.wav" } },
            { Table::peakColumn, false, { "take 2.wav", "Take 10.wav", "take 02.wav", "Take 1.wav" } },
            { Table::sizeColumn, true,  { "take 2.wav", "take 02.wav", "Take 10.wav", "Take 1.wav" } },
            { Table::previewColumn, true, { "Take 10.wav", "take 2.wav", "Take 1.wav", "take 02.wav" } },
            { 0, true,                  { "Take 10.wav", "take 2.wav", "Take 1.wav", "take 02.wav" } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.column) + (c.forwards ? " forwards" : " backwards"));
            table.getTable().getHeader().setSortColumnId (c.column, c.forwards);
            pump();
            EXPECT_EQ (namesOf (table), c.order);
        }

        EXPECT_EQ (reorders, (int) std::size (cases));

        // New rows come in report order with no sort column.
        table.getTable().getHeader().setSortColumnId (Table::fileColumn, true);
        pump();
        table.setRows ({ row ("b.wav"), row ("a.wav") });
        pump();
        EXPECT_EQ (table.getTable().getHeader().getSortColumnId(), 0);
        EXPECT_EQ (namesOf (table), juce::StringArray ({ "b.wav", "a.wav" }));
    }

    TEST (DeliveryRows, UpdatedRowsKeepTheSortAndTheRenameOfAFileStillListed)
    {
        Table table;
        table.setSize (1200, 400);
        table.setRows ({ row ("c.wav"), row ("a.wav"), row ("b.wav") });
        table.getTable().getHeader().setSortColumnId (Table::fileColumn, true);
        pump();

        table.beginRename (1);   // b.wav
        ASSERT_TRUE (table.getRenameEditor().isVisible());

        // a.wav was renamed elsewhere to d.wav: the order is kept, b.wav is still edited.
        table.updateRows ({ row ("c.wav"), row ("d.wav"), row ("b.wav") });
        EXPECT_EQ (namesOf (table), juce::StringArray ({ "b.wav", "c.wav", "d.wav" }));
        EXPECT_TRUE (table.getRenameEditor().isVisible());
        EXPECT_EQ (table.getEditingRow(), 0);

        // The edited file is gone: the rename is dropped without asking.
        bool asked = false;
        table.onRenameRequested = [&] (int, juce::String) { asked = true; return true; };
        table.getRenameEditor().setText ("new", false);
        table.updateRows ({ row ("c.wav"), row ("d.wav") });
        EXPECT_FALSE (table.getRenameEditor().isVisible());
        EXPECT_FALSE (asked);
    }

    TEST (DeliveryRows, RenamingSendsOnlyANewNameWithoutItsTypedExtension)
    {
        Table table;
        table.setSize (1200, 400);
        table.setRows ({ row ("Strings.wav"), row ("Brass.wav") });

        juce::StringArray requested;
        bool answer = true;
        table.onRenameRequested = [&] (int r, juce::String name)
        {
            requested.add (juce::String (r) + ":" + name);
            return answer;
        };

        struct Case { const char* typed; bool commit; const char* sent; };
        const Case cases[] = {
            { "Strings", true, nullptr },            // unchanged
            { "   ", true, nullptr },                // blank
            { "Strings.WAV", true, nullptr },        // only its own extension added
            { "Violins", false, nullptr },           // cancelled
            { "  Violins  ", true, "0:Violins" },
            { "Violins.wav", true, "0:Violins" },
            { ".wav", true, "0:.wav" },               // nothing left without it: sent as typed
            { "Violins.flac", true, "0:Violins.flac" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.typed);
            requested.clear();
            table.beginRename (0);
            ASSERT_TRUE (table.getRenameEditor().isVisible());
            EXPECT_EQ (table.getRenameEditor().getText(), "Strings");
            table.getRenameEditor().setText (c.typed, false);
            EXPECT_TRUE (table.finishRename (c.commit));
            EXPECT_FALSE (table.getRenameEditor().isVisible());
            EXPECT_EQ (table.getEditingRow(), -1);
            EXPECT_EQ (requested, c.sent == nullptr ? juce::StringArray() : juce::StringArray (c.sent));
        }

        // A refusal comes back from finishRename; the editor is closed all the same.
        answer = false;
        table.beginRename (1);
        table.getRenameEditor().setText ("Horns", false);
        EXPECT_FALSE (table.finishRename (true));
        EXPECT_FALSE (table.getRenameEditor().isVisible());

        // The editor sits over the row's name cell, one pixel in.
        table.beginRename (1);
        const auto cell = table.getTable().getCellPosition (Table::fileColumn, 1, true);
        EXPECT_EQ (table.getRenameEditor().getBounds(), cell.translated (0, 1).withHeight (cell.getHeight() - 2));
        table.finishRename (false);

        // A row without a file cannot be renamed.
        auto noFile = row ("nothing.wav");
        noFile.path.clear();
        table.setRows ({ noFile });
        table.beginRename (0);
        EXPECT_FALSE (table.getRenameEditor().isVisible());
    }

    TEST (DeliveryRows, DoubleClickRenamesOnTheNameAndPlaysElsewhere)
    {
        Table table;
        table.setSize (1200, 400);
        table.setRows ({ row ("a.wav"), row ("b.wav") });

        std::vector<std::pair<int, bool>> chosen;
        table.onRowChosen = [&] (int r, bool playNow) { chosen.emplace_back (r, playNow); };
        const auto event = testsupport::mouseEventAt (table, 10, 10);

        table.cellClicked (1, Table::tracksColumn, event);
        table.cellDoubleClicked (1, Table::tracksColumn, event);
        EXPECT_FALSE (table.getRenameEditor().isVisible());
        table.cellDoubleClicked (0, Table::fileColumn, event);
        EXPECT_TRUE (table.getRenameEditor().isVisible());
        EXPECT_EQ (table.getEditingRow(), 0);

        const std::vector<std::pair<int, bool>> expected { { 1, false }, { 1, true } };
        EXPECT_EQ (chosen, expected);
    }

    TEST (DeliveryRows, TabCommitsAndMovesToTheNextFileByPath)
    {
        Table table;
        table.setSize (1200, 400);
        auto noFile = row ("skipped.wav");
        noFile.path.clear();
        table.setRows ({ row ("a.wav"), noFile, row ("c.wav") });

        juce::StringArray requested;
        table.onRenameRequested = [&] (int r, juce::String name)
        {
            requested.add (table.rowAt (r)->fileName + ">" + name);
            // The page's refresh after a rename puts the renamed file elsewhere.
            table.updateRows ({ row ("c.wav"), row ("zz.wav") });
            return true;
        };

        const juce::KeyPress tab (juce::KeyPress::tabKey);
        const juce::KeyPress shiftTab (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0);
        auto& editor = table.getRenameEditor();

        // Keys from anything but the editor are not the table's.
        EXPECT_FALSE (table.keyPressed (tab, &table));

        table.beginRename (0);
        editor.setText ("zz", false);
        EXPECT_TRUE (table.keyPressed (tab, &editor));
        EXPECT_EQ (requested, juce::StringArray ("a.wav>zz"));
        pump();

        // The next file (past the row without a file) was c.wav, now the first row.
        EXPECT_TRUE (editor.isVisible());
        EXPECT_EQ (table.getEditingRow(), 0);
        EXPECT_EQ (editor.getText(), "c");
        EXPECT_TRUE (table.getTable().isRowSelected (0));

        // Shift+Tab on the first row and Tab on the last leave the key and the editor alone.
        EXPECT_FALSE (table.keyPressed (shiftTab, &editor));
        table.beginRename (1);
        EXPECT_FALSE (table.keyPressed (tab, &editor));
        EXPECT_TRUE (editor.isVisible());
        EXPECT_EQ (table.getEditingRow(), 1);

        // A next file that is gone by the time the posted step runs: no rename opens.
        table.onRenameRequested = [&] (int, juce::String) { table.updateRows ({ row ("only.wav") }); return true; };
        table.beginRename (0);
        editor.setText ("other", false);
        EXPECT_TRUE (table.keyPressed (tab, &editor));
        pump();
        EXPECT_FALSE (editor.isVisible());
    }

    TEST (DeliveryRows, ThePlayheadRepaintsOnlyWhenItMoves)
    {
        Table table;
        table.setRows ({ row ("a.wav") });
        table.setPlayhead ("/delivery/a.wav", 0.5);
        EXPECT_EQ (table.getPlayingPath(), "/delivery/a.wav");
        table.setPlayhead ("/delivery/a.wav", 0.501);
        EXPECT_DOUBLE_EQ (table.getPlayFraction(), 0.5);
        table.setPlayhead ("/delivery/a.wav", 0.502);
        EXPECT_DOUBLE_EQ (table.getPlayFraction(), 0.502);
        table.setPlayhead ({}, -1.0);
        EXPECT_TRUE (table.getPlayingPath().isEmpty());

        // New rows forget it.
        table.setPlayhead ("/delivery/a.wav", 0.5);
        table.setRows ({ row ("a.wav") });
        EXPECT_TRUE (table.getPlayingPath().isEmpty());
        EXPECT_LT (table.getPlayFraction(), 0.0);
    }

    TEST (DeliveryRows, ColumnsFitTheirTextsTheNamesComeFirstAndEveryColumnEndsAtTheEdge)
    {
        using Column = Table::ColumnId;
        const juce::String longPrefix ("1M01 The Long Goodbye Across The Northern Sea Opening Titles_");
        const auto font = bodyFont();

        // The table's widths in the smallest window (1100 px) and in a full-HD one.
        constexpr int smallest = 1100 - 24 - 290 - 12;
        constexpr int fullHd = 1920 - 24 - 290 - 12;

        struct Case
        {
            const char* what;
            int width;
            juce::String prefix;
            bool withStatus;
            bool namesWhole;
            bool statusWhole;
        };

        const Case cases[] = {
            { "full HD, long names",                  fullHd,   longPrefix, true,  true,  true },
            { "smallest window, long names",          smallest, longPrefix, true,  false, false },
            { "smallest window, long names, no status", smallest, longPrefix, false, false, true },
            { "smallest window, short names",         smallest, "PRJ_",     true,  true,  false },
            { "narrower than any window",             420,      longPrefix, true,  false, false },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            Table table;
            table.setSize (c.width, 400);
            table.setRows (deliveryRows (c.prefix, c.withStatus));
            auto& header = table.getTable().getHeader();
            const int available = table.getTable().getVisibleContentWidth();

            // Every column ends inside the table, and together they fill it.
            EXPECT_EQ (totalWidth (table), available);

            const auto width = [&] (int column) { return header.getColumnWidth (column); };
            const auto fitsIn = [&] (const juce::String& text, int column) { return font.getStringWidthFloat (text) <= (float) (width (column) - 12); };

            if (c.width >= smallest)
            {
                // Kinds, figures and formats are read whole, in columns no wider than that.
                for (const int column : { Column::kindColumn, Column::tracksColumn, Column::peakColumn, Column::formatColumn,
                                          Column::lengthColumn, Column::sizeColumn })
                {
                    EXPECT_EQ (width (column), table.widthNeededBy (column)) << header.getColumnName (column);

                    for (int r = 0; r < table.getNumRowsShown(); ++r)
                        EXPECT_TRUE (fitsIn (Table::cellText (*table.rowAt (r), column), column))
                            << Table::cellText (*table.rowAt (r), column) << " in " << width (column);

                    // The caption too, in the header's bold font.
                    const juce::Font captionFont ((float) header.getHeight() * 0.5f, juce::Font::bold);
                    EXPECT_LE (captionFont.getStringWidthFloat (header.getColumnName (column)), (float) (width (column) - 8));
                }
            }

            for (int r = 0; r < table.getNumRowsShown(); ++r)
            {
                const auto& shown = *table.rowAt (r);
                EXPECT_EQ (table.cellShowsWhole (r, Column::fileColumn), fitsIn (shown.fileName, Column::fileColumn));

                if (c.namesWhole)
                {
                    EXPECT_TRUE (table.cellShowsWhole (r, Column::fileColumn)) << shown.fileName;
                    EXPECT_EQ (table.getCellTooltip (r, Column::fileColumn), "");
                }
                else if (! table.cellShowsWhole (r, Column::fileColumn))
                {
                    EXPECT_EQ (table.getCellTooltip (r, Column::fileColumn), shown.fileName);
                }

                // A status or a kind cut short is read whole in its tooltip too; an empty one has none.
                const bool statusWhole = table.cellShowsWhole (r, Column::statusColumn);
                EXPECT_EQ (table.getCellTooltip (r, Column::statusColumn), statusWhole ? juce::String() : shown.status);
                EXPECT_EQ (table.getCellTooltip (r, Column::kindColumn),
                           table.cellShowsWhole (r, Column::kindColumn) ? juce::String() : Table::cellText (shown, Column::kindColumn));
            }

            if (! c.namesWhole)
            {
                EXPECT_FALSE (table.cellShowsWhole (0, Column::fileColumn));

                // Before a name was cut, the picture and the status gave up all they could.
                if (c.width >= smallest)
                {
                    EXPECT_EQ (width (Column::previewColumn), juce::jmax (60, table.widthNeededBy (Column::previewColumn)));
                    EXPECT_LE (width (Column::statusColumn), table.widthNeededBy (Column::statusColumn));
                }
            }
            else
            {
                // The names have what they need and the picture the rest.
                EXPECT_EQ (width (Column::fileColumn), table.widthNeededBy (Column::fileColumn));
                EXPECT_GT (width (Column::previewColumn), 60);
            }

            if (c.withStatus)
            {
                EXPECT_EQ (table.cellShowsWhole (5, Column::statusColumn), c.statusWhole);
            }
        }
    }

    TEST (DeliveryRows, ColumnsFollowTheirRowsTheTablesWidthAndTheColumnsShown)
    {
        using Column = Table::ColumnId;
        Table table;
        table.setSize (1000, 400);
        table.setRows ({ row ("a.wav") });
        const int shortNames = table.getTable().getHeader().getColumnWidth (Column::fileColumn);

        // Other rows (another cue): the name column follows them.
        table.setRows (deliveryRows ("A rather longer name of a delivered file_", false));
        auto& header = table.getTable().getHeader();
        EXPECT_GT (header.getColumnWidth (Column::fileColumn), shortNames);
        EXPECT_EQ (header.getColumnWidth (Column::fileColumn), table.widthNeededBy (Column::fileColumn));

        // Narrower and wider: the columns end at the table's edge each time.
        for (const int width : { 700, 1400, 900 })
        {
            table.setSize (width, 400);
            EXPECT_EQ (totalWidth (table), table.getTable().getVisibleContentWidth()) << width;
        }

        // Enough rows for the scroll bar: the columns end before it.
        std::vector<Row> many;

        for (int i = 0; i < 40; ++i)
            many.push_back (row ("take " + juce::String (i) + ".wav"));

        table.setRows (std::move (many));
        EXPECT_LT (table.getTable().getVisibleContentWidth(), 900);
        EXPECT_EQ (totalWidth (table), table.getTable().getVisibleContentWidth());

        // The picture hidden from the header's menu: the others fill the table without it.
        header.setColumnVisible (Column::previewColumn, false);
        pump();
        EXPECT_EQ (totalWidth (table), table.getTable().getVisibleContentWidth());
        header.setColumnVisible (Column::previewColumn, true);
        pump();
        EXPECT_EQ (totalWidth (table), table.getTable().getVisibleContentWidth());
        EXPECT_EQ (header.getColumnWidth (Column::formatColumn), table.widthNeededBy (Column::formatColumn));
    }

    TEST (DeliveryRows, DraggingABorderMovesItAndTheColumnsAfterItGiveWay)
    {
        using Column = Table::ColumnId;
        TableOnScreen screen;
        auto& table = screen.table;
        auto& header = screen.header();
        const int available = table.getTable().getVisibleContentWidth();

        struct Case
        {
            const char* what;
            int column;
            int distance;
        };

        const Case cases[] = {
            { "the name wider", Column::fileColumn, 150 },
            { "the name narrower", Column::fileColumn, -200 },
            { "the format wider", Column::formatColumn, 40 },
            { "the kind narrower", Column::kindColumn, -10 },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const int before = header.getColumnWidth (c.column);
            screen.dragBorder (c.column, c.distance);

            EXPECT_EQ (header.getColumnWidth (c.column), before + c.distance);
            EXPECT_EQ (totalWidth (table), available);
        }

        // A window of another width fits the columns to their texts again.
        table.setSize (table.getWidth() + 100, 400);
        EXPECT_EQ (header.getColumnWidth (Column::formatColumn), table.widthNeededBy (Column::formatColumn));
        EXPECT_EQ (totalWidth (table), table.getTable().getVisibleContentWidth());
    }

    TEST (DeliveryRows, ABorderDraggedAndBackCutsCellsWithAnEllipsisAndTooltipAndGivesTheLayoutBack)
    {
        using Column = Table::ColumnId;
        const juce::String ellipsis = juce::String::charToString ((juce::juce_wchar) 0x2026);
        TableOnScreen screen;
        auto& table = screen.table;
        auto& header = screen.header();
        const int available = table.getTable().getVisibleContentWidth();
        const auto drag = [&] (int column, int distance) { screen.dragBorder (column, distance); };

        // Every cell shows its text whole, or cut with an ellipsis (a name in its middle)
        // and whole in its tooltip.
        const auto cellsReadWholeOrCut = [&]
        {
            for (int r = 0; r < table.getNumRowsShown(); ++r)
            {
                for (const int column : { Column::fileColumn, Column::kindColumn, Column::tracksColumn, Column::peakColumn,
                                          Column::formatColumn, Column::lengthColumn, Column::sizeColumn,
                                          Column::statusColumn })
                {
                    const auto whole = Table::cellText (*table.rowAt (r), column);
                    const auto shown = table.shownCellText (r, column);
                    SCOPED_TRACE (header.getColumnName (column) + " \"" + whole + "\" shown as \"" + shown + "\" in "
                                  + juce::String (header.getColumnWidth (column)));
                    EXPECT_LE (bodyFont().getStringWidthFloat (shown), (float) (header.getColumnWidth (column) - 12));

                    if (shown == whole)
                    {
                        EXPECT_TRUE (table.cellShowsWhole (r, column));
                        EXPECT_EQ (table.getCellTooltip (r, column), "");
                        continue;
                    }

                    EXPECT_FALSE (table.cellShowsWhole (r, column));
                    EXPECT_EQ (table.getCellTooltip (r, column), whole);

                    if (column == Column::fileColumn)
                        EXPECT_TRUE (shown.contains (ellipsis) && whole.endsWith (shown.fromLastOccurrenceOf (ellipsis, false, false)));
                    else
                        EXPECT_TRUE (shown.endsWith (ellipsis) && whole.startsWith (shown.dropLastCharacters (1).trimEnd()));
                }
            }
        };

        struct Case
        {
            const char* what;
            int column;
            int distance;
        };

        const Case cases[] = {
            { "the name 100 px wider", Column::fileColumn, 100 },
            { "the name 250 px wider", Column::fileColumn, 250 },
            { "the format wider", Column::formatColumn, 60 },
            { "the peak narrower", Column::peakColumn, -30 },
            { "the picture narrower", Column::previewColumn, -30 },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const auto before = columnWidths (table);
            const int width = header.getColumnWidth (c.column);

            drag (c.column, c.distance);
            EXPECT_EQ (header.getColumnWidth (c.column), width + c.distance);
            EXPECT_EQ (totalWidth (table), available);
            cellsReadWholeOrCut();

            // The columns before the dragged border stay where they were.
            for (int i = 0; i < header.getIndexOfColumnId (c.column, true); ++i)
                EXPECT_EQ (columnWidths (table)[(size_t) i], before[(size_t) i]) << i;

            drag (c.column, -c.distance);
            EXPECT_EQ (columnWidths (table), before);
            cellsReadWholeOrCut();
        }
    }
}
