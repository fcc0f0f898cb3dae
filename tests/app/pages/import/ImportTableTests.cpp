#include "app/pages/import/ImportPageTestSupport.h"
#include "app/pages/import/ImportRows.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <algorithm>
#include <iostream>

namespace korvid::ui::importtest
{
    TEST (ImportStatusText, CountsReadAsTheStatusLine)
    {
        struct Case
        {
            ImportCounts counts;
            int rows;
            const char* text;
        };

        const Case cases[] = {
            { { 0, 0, 0, 0, 0 }, 0, "0 track(s), 0 unassigned" },
            { { 4, 4, 1, 0, 1 }, 4, "4 track(s), 1 unassigned" },
            { { 4, 4, 0, 0, 2 }, 4, "4 track(s) in 2 cues (rendered one after the other), 0 unassigned" },
            { { 12, 11, 2, 1, 3 }, 5,
              "12 track(s) in 3 cues (rendered one after the other), 1 unreadable, 2 unassigned, 1 ambiguous   (showing 5)" },
            { { 5, 5, 5, 0, 1 }, 0, "5 track(s), 5 unassigned   (showing 0)" },
        };

        for (const auto& c : cases)
            EXPECT_EQ (importStatusText (c.counts, c.rows), c.text);
    }

    TEST_F (ImportPageTest, AnEmptySessionShowsTheDropHintAndNothingToRemove)
    {
        EXPECT_EQ (page->getStatusLabel().getText(), "0 track(s), 0 unassigned");
        EXPECT_TRUE (page->getDropHintLabel().isVisible());
        EXPECT_FALSE (page->getRemoveButton().isEnabled());
        EXPECT_FALSE (page->getClearButton().isEnabled());
        EXPECT_FALSE (page->getTrackTable().getHeader().isColumnVisible (importColumn::cue));
        EXPECT_EQ (page->getFileNameLabel().getText(), "Nothing selected");
        EXPECT_FALSE (page->getTransportButton().isEnabled());
    }

    TEST_F (ImportPageTest, TwoCuesShowTheCueColumnAndOneCueHidesIt)
    {
        importTakes ("Cue A", { "Kick_01.wav", "Snare.wav" });
        EXPECT_FALSE (page->getTrackTable().getHeader().isColumnVisible (importColumn::cue));
        EXPECT_FALSE (page->getDropHintLabel().isVisible());
        EXPECT_TRUE (page->getRemoveButton().isEnabled());
        EXPECT_TRUE (page->getClearButton().isEnabled());

        const auto second = importTakes ("Cue B", { "Pad.wav" });
        EXPECT_TRUE (page->getTrackTable().getHeader().isColumnVisible (importColumn::cue));
        EXPECT_EQ (page->getStatusLabel().getText(), "3 track(s) in 2 cues (rendered one after the other), 3 unassigned");

        // The Cue column shows the cue's name and its tooltip the folder.
        const int row = page->getRows().size() > 0 ? (int) (std::find (page->getRows().begin(), page->getRows().end(), second[0])
                                                            - page->getRows().begin()) : -1;
        EXPECT_EQ (page->getCellTooltip (row, importColumn::cue), "Cue folder: " + folder ("Cue B").getFullPathName());

        // A renamed cue no longer ends its folder's path: the tooltip names it first.
        ASSERT_TRUE (state->session.renameCue (track (second[0])->cueId, "2M05 End Credits (Extended Version)"));
        EXPECT_EQ (page->getCellTooltip (row, importColumn::cue),
                   "2M05 End Credits (Extended Version)\nCue folder: " + folder ("Cue B").getFullPathName());

        state->session.removeTracks (second);
        EXPECT_FALSE (page->getTrackTable().getHeader().isColumnVisible (importColumn::cue));
    }

    TEST_F (ImportPageTest, TheFilterIgnoresCaseAndSurroundingSpaces)
    {
        importTakes ("Cue", { "Kick_01.wav", "Snare.wav", "kick_room.wav", "Pad.wav", "Bass.wav" });

        struct Case
        {
            const char* filter;
            juce::StringArray names;
            const char* statusEnd;
        };

        const Case cases[] = {
            { "KICK", { "Kick_01.wav", "kick_room.wav" }, "   (showing 2)" },
            { "  pad  ", { "Pad.wav" }, "   (showing 1)" },
            { "nothing", {}, "   (showing 0)" },
            { "", { "Bass.wav", "Kick_01.wav", "kick_room.wav", "Pad.wav", "Snare.wav" }, "5 unassigned" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.filter);
            page->getSearchField().setText (c.filter, true);
            pump();
            EXPECT_EQ (listedNames(), c.names);
            EXPECT_TRUE (page->getStatusLabel().getText().endsWith (c.statusEnd)) << page->getStatusLabel().getText();
        }
    }

    TEST_F (ImportPageTest, ColumnsSortByTheirKeysAndTiesKeepImportOrder)
    {
        const auto dir = folder ("Cue");
        writeTake (dir.getChildFile ("b_long.wav"), 10.0);
        writeTake (dir.getChildFile ("a_short.wav"), 9.5);
        writeTake (dir.getChildFile ("c_mid.wav"), 9.75, 0.0, 16000.0);
        writeTake (dir.getChildFile ("zzStrings take.wav"), 1.0);
        writeTake (dir.getChildFile ("zzBrass take.wav"), 1.0);
        dir.getChildFile ("d_broken.wav").replaceWithText ("not audio");
        useStems ({ "Strings", "Brass" });
        importPaths ({ dir });

        struct Case
        {
            int column;
            bool forwards;
            juce::StringArray names;
        };

        const Case cases[] = {
            { importColumn::duration, true,
              { "d_broken.wav", "zzBrass take.wav", "zzStrings take.wav", "a_short.wav", "c_mid.wav", "b_long.wav" } },
            { importColumn::stem, true,
              { "zzBrass take.wav", "zzStrings take.wav", "a_short.wav", "b_long.wav", "c_mid.wav", "d_broken.wav" } },
            { importColumn::stem, false,
              { "a_short.wav", "b_long.wav", "c_mid.wav", "d_broken.wav", "zzStrings take.wav", "zzBrass take.wav" } },
            { importColumn::rate, false,
              { "c_mid.wav", "a_short.wav", "b_long.wav", "zzBrass take.wav", "zzStrings take.wav", "d_broken.wav" } },
            { importColumn::file, true,
              { "a_short.wav", "b_long.wav", "c_mid.wav", "d_broken.wav", "zzBrass take.wav", "zzStrings take.wav" } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.column);
            page->getTrackTable().getHeader().setSortColumnId (c.column, c.forwards);
            pump();
            EXPECT_EQ (listedNames(), c.names);
        }
    }

    TEST_F (ImportPageTest, StatusSortsAmbiguousConfidentReviewUnassigned)
    {
        // The stored names decide: ambiguous, confident, review, unassigned.
        useStems ({ "Strings" });
        importTakes ("Cue", { "b.wav", "zzStrings a.wav", "a.wav" });
        page->getTrackTable().getHeader().setSortColumnId (importColumn::status, true);
        pump();
        EXPECT_EQ (listedNames(), juce::StringArray ({ "zzStrings a.wav", "a.wav", "b.wav" }));
        EXPECT_EQ (importSortKey (state->session, *track (idOf (folder ("Cue").getChildFile ("a.wav"))), importColumn::status),
                   "unassigned");
    }

    TEST_F (ImportPageTest, TooltipsNameTheFileNotesAndReason)
    {
        const auto ids = importTakes ("Cue", { "Kick.wav" });
        const auto* kick = track (ids[0]);
        ASSERT_NE (kick, nullptr);

        // The take is at 8 kHz, so it carries the conversion note.
        ASSERT_FALSE (kick->notes.isEmpty());
        const auto withNotes = kick->file.getFullPathName() + "\n" + kick->notes.joinIntoString ("\n");
        EXPECT_EQ (page->getCellTooltip (0, importColumn::file), withNotes);
        EXPECT_EQ (page->getCellTooltip (0, importColumn::preview), withNotes + "\nDouble-click to audition.");
        EXPECT_EQ (page->getCellTooltip (0, importColumn::status), kick->reason + "\nRight-click to assign this to a stem.");
        EXPECT_EQ (page->getCellTooltip (0, importColumn::format), "");
        EXPECT_EQ (page->getCellTooltip (5, importColumn::file), "");
    }

    TEST_F (ImportPageTest, AnUnreadableTrackIsPaintedInTheBadColourAndNeverShown)
    {
        const auto dir = folder ("Cue");
        dir.getChildFile ("broken.wav").replaceWithText ("not audio");
        importPaths ({ dir });
        ASSERT_EQ (page->getRows().size(), 1u);

        juce::Image image (juce::Image::ARGB, 200, ImportPage::rowHeight, true);
        {
            juce::Graphics g (image);
            page->paintCell (g, 0, importColumn::file, 200, ImportPage::rowHeight, false);
        }

        int badPixels = 0;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (image.getPixelAt (x, y).getAlpha() > 200)
                    badPixels += image.getPixelAt (x, y).withAlpha ((juce::uint8) 255) == colours::bad ? 1 : 0;

        EXPECT_GT (badPixels, 5);

        page->getTrackTable().selectRow (0);
        EXPECT_EQ (page->getCurrentPath(), "");
        EXPECT_EQ (page->getFileNameLabel().getText(), "Nothing selected");
    }

    TEST_F (ImportPageTest, SelectionStaysOnItsTracksThroughSortFilterAndAssignment)
    {
        useStems ({ "Strings", "Brass" });
        const auto ids = importTakes ("Cue", { "a.wav", "b.wav", "c.wav", "d.wav" });
        page->selectTracks ({ ids[1], ids[3] });
        ASSERT_EQ (page->getSelectedTrackIds(), (juce::StringArray { ids[1], ids[3] }));
        page->getTrackTable().getHeader().setSortColumnId (importColumn::file, false);
        pump();
        EXPECT_EQ (page->getSelectedTrackIds(), (juce::StringArray { ids[3], ids[1] }));

        page->getSearchField().setText ("b", true);
        pump();
        EXPECT_EQ (page->getSelectedTrackIds(), juce::StringArray { ids[1] });
        page->getSearchField().setText ("", true);
        pump();

        // Assigning moves rows under a Stem sort; the highlight follows the tracks.
        page->getTrackTable().getHeader().setSortColumnId (importColumn::stem, true);
        pump();
        page->selectTracks ({ ids[0] });
        state->session.assignTracks ({ ids[3] }, state->session.getPreset().schema.stems[1].id, false);
        EXPECT_EQ (page->getSelectedTrackIds(), juce::StringArray { ids[0] });
        EXPECT_EQ (page->getCurrentTrackId(), ids[0]);
    }

    TEST_F (ImportPageTest, ColumnWidthsFollowTheWidestTexts)
    {
        importTakes ("Cue", { "A rather long file name for the widest column.wav", "b.wav" });
        const auto& header = page->getTrackTable().getHeader();
        const auto width = [] (const juce::String& text) { return (int) std::ceil (bodyFont().getStringWidthFloat (text)); };

        EXPECT_EQ (header.getColumnWidth (importColumn::file),
                   juce::jlimit (200, 620, width ("A rather long file name for the widest column.wav") + 20));
        EXPECT_EQ (header.getColumnWidth (importColumn::format), juce::jmax (width ("Format"), width ("WAV")) + 20);
        EXPECT_EQ (header.getColumnWidth (importColumn::preview), 150);
    }

    TEST_F (ImportPageTest, RebuildingTwoThousandTracksInTwoThousandCuesIsTimed)
    {
        juce::Array<juce::File> folders;

        for (int i = 0; i < Session::maxTracks; ++i)
        {
            const auto dir = folder ("many").getChildFile ("cue " + juce::String (i));
            dir.createDirectory();
            writeTake (dir.getChildFile ("take " + juce::String (i) + ".wav"), 0.002);
            folders.add (dir);
        }

        page->getRecurseToggle().setToggleState (false, juce::dontSendNotification);
        importPaths (folders);
        ASSERT_EQ (page->getRows().size(), (size_t) Session::maxTracks);

        // Reported, never asserted: a rebuild is a filter, a sort, the counts and the widths.
        const auto start = juce::Time::getMillisecondCounterHiRes();
        constexpr int rebuilds = 10;

        for (int i = 0; i < rebuilds; ++i)
            page->sortOrderChanged (importColumn::stem, i % 2 == 0);

        const auto perRebuild = (juce::Time::getMillisecondCounterHiRes() - start) / rebuilds;
        RecordProperty ("rebuildMilliseconds", juce::String (perRebuild, 2).toStdString());
        std::cout << "[ rebuild  ] 2048 tracks in 2048 cues: " << perRebuild << " ms\n";
    }
}
