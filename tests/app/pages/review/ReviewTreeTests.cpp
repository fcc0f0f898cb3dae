#include "app/pages/review/ReviewPageTestSupport.h"
#include "app/pages/review/ReviewCounts.h"
#include "ui/UiTestSupport.h"

namespace korvid::ui::reviewtest
{
    TEST_F (ReviewPageTest, WithoutTracksEveryGroupIsEmptyAndTheCountsAreZero)
    {
        useSchema();
        tick();

        EXPECT_EQ (headings(), juce::StringArray ({ "Unassigned | 0 tracks", "01  Strings | 0 tracks",
                                                    "02  Bass | 0 tracks", "03  Drums | 0 tracks",
                                                    "04  Brass | 0 tracks" }));
        EXPECT_EQ (page->getStatusLabel().getText(),
                   "0 usable track(s)   0 unassigned   0 ambiguous   0 to check");
        EXPECT_FALSE (page->getCueBox().isVisible());
        EXPECT_FALSE (page->getCueLabel().isVisible());
        EXPECT_TRUE (page->getCueId().isEmpty());

        // Nothing selected: the selection commands are off, the others on.
        EXPECT_FALSE (page->getAssignButton().isEnabled());
        EXPECT_FALSE (page->getLockButton().isEnabled());
        EXPECT_FALSE (page->getUnlockButton().isEnabled());
        EXPECT_FALSE (page->getRuleButton().isEnabled());
        EXPECT_FALSE (page->getTrackButton().isEnabled());
        EXPECT_TRUE (page->getRerunButton().isEnabled());
        EXPECT_TRUE (page->getExpandButton().isEnabled());
        EXPECT_TRUE (page->getCollapseButton().isEnabled());

        // The toolbar without cue controls: the filter at the right end.
        EXPECT_EQ (page->getFilterBox().getRight(), pageWidth - 12);
        EXPECT_EQ (page->getFilterBox().getWidth(), 160);
    }

    TEST_F (ReviewPageTest, TwoCuesShowTheFirstCueWithItsGroupsCountsAndChooser)
    {
        useSchema();
        const auto one = importTakes ("One", { "str_long.wav", "drum_bass.wav", "notes.txt.wav" });
        const auto two = importTakes ("Two", { "horn_str.wav", "noise.wav" });
        tick();

        // The unreadable file is a track of its own with its error, not a usable one.
        ASSERT_NE (track (one[2]), nullptr);
        EXPECT_FALSE (track (one[2])->isUsable());

        EXPECT_TRUE (page->getCueBox().isVisible());
        EXPECT_EQ (comboTexts (page->getCueBox()), juce::StringArray ({ "All cues", "One  (2)", "Two  (0)" }));
        EXPECT_EQ (page->getCueBox().getSelectedId(), 2);
        EXPECT_EQ (page->getCueId(), cueIdOf (one[0]));

        EXPECT_EQ (headings(), juce::StringArray ({ "Unassigned | 1 track", "01  Strings | 1 track",
                                                    "02  Bass | 0 tracks", "03  Drums | 1 track",
                                                    "04  Brass | 0 tracks" }));
        EXPECT_EQ (rowNames ({}), juce::StringArray ({ "notes.txt.wav" }));
        EXPECT_EQ (rowNames (stemId ("Drums")), juce::StringArray ({ "drum_bass.wav" }));
        EXPECT_EQ (page->getStatusLabel().getText(),
                   "One   2 usable track(s)   0 unassigned   0 ambiguous   1 to check");

        // The toolbar with cue controls: gap, box and label to the left of the filter.
        EXPECT_EQ (page->getCueBox().getRight(), page->getFilterBox().getX() - 46 - 12);
        EXPECT_EQ (page->getCueBox().getWidth(), 200);
        EXPECT_EQ (page->getCueLabel().getRight(), page->getCueBox().getX());
        EXPECT_EQ (page->getCueLabel().getWidth(), 40);

        // All cues: every track, and the hint that cues are never summed.
        page->getCueBox().setSelectedId (1, juce::sendNotificationSync);
        EXPECT_TRUE (page->getCueId().isEmpty());
        EXPECT_EQ (shownNames().size(), 5);
        EXPECT_EQ (page->getStatusLabel().getText(),
                   "4 usable track(s)   2 unassigned   1 ambiguous   1 to check"
                   "      Choose a cue to hear its mix: cues are never summed together.");

        // Back to one cue: the controls go and the toolbar is laid out again.
        state->session.removeTracks (two);
        tick();
        EXPECT_FALSE (page->getCueBox().isVisible());
        EXPECT_EQ (page->getCueBox().getNumItems(), 0);
        EXPECT_TRUE (page->getCueId().isEmpty());
        EXPECT_EQ (page->getStatusLabel().getText(),
                   "2 usable track(s)   0 unassigned   0 ambiguous   1 to check");
    }

    TEST_F (ReviewPageTest, AChosenCueStaysThroughANewCueAndFallsBackToAllCuesWhenItGoes)
    {
        useSchema();
        const auto one = importTakes ("One", { "str_a.wav" });
        const auto two = importTakes ("Two", { "str_b.wav" });
        tick();

        page->getCueBox().setSelectedId (3, juce::sendNotificationSync);
        EXPECT_EQ (page->getCueId(), cueIdOf (two[0]));

        importTakes ("Three", { "str_c.wav" });
        tick();
        EXPECT_EQ (page->getCueId(), cueIdOf (two[0]));
        EXPECT_EQ (page->getCueBox().getText(), "Two  (1)");
        EXPECT_EQ (shownNames(), juce::StringArray ({ "str_b.wav" }));

        state->session.removeTracks (two);
        tick();
        EXPECT_TRUE (page->getCueId().isEmpty());
        EXPECT_EQ (page->getCueBox().getSelectedId(), 1);
        EXPECT_EQ (shownNames().size(), 2);
    }

    TEST_F (ReviewPageTest, ACueReplacedByOneOfTheSameNameAndCountIsNotKept)
    {
        // Two folders named alike give cues of equal text but other ids: the chooser's texts
        // do not change, its ids do.
        useSchema();
        const auto first = importTakes (folder ("a").getChildFile ("Cue"), { "str_a.wav" });
        const auto second = importTakes (folder ("a").getChildFile ("Other"), { "str_b.wav" });
        tick();
        EXPECT_EQ (page->getCueId(), cueIdOf (first[0]));
        const auto textsBefore = comboTexts (page->getCueBox());

        state->session.clear();
        const auto third = importTakes (folder ("b").getChildFile ("Cue"), { "str_c.wav" });
        importTakes (folder ("b").getChildFile ("Other"), { "str_d.wav" });
        tick();

        EXPECT_EQ (comboTexts (page->getCueBox()), textsBefore);
        EXPECT_EQ (page->getCueId(), cueIdOf (third[0])) << "until the user picks, the first cue";
        EXPECT_EQ (shownNames(), juce::StringArray ({ "str_c.wav" }));

        // Once the user picked, a gone cue falls back to "All cues".
        page->getCueBox().setSelectedId (3, juce::sendNotificationSync);
        ASSERT_FALSE (page->getCueId().isEmpty());
        state->session.clear();
        importTakes (folder ("c").getChildFile ("Cue"), { "str_e.wav" });
        importTakes (folder ("c").getChildFile ("Other"), { "str_f.wav" });
        tick();

        EXPECT_EQ (comboTexts (page->getCueBox()), textsBefore);
        EXPECT_TRUE (page->getCueId().isEmpty());
        EXPECT_EQ (page->getCueBox().getSelectedId(), 1);
        EXPECT_EQ (shownNames().size(), 2);

        // The box maps items to the ids it was filled with.
        page->getCueBox().setSelectedId (3, juce::sendNotificationSync);
        EXPECT_EQ (page->getCueId(), cueIdOf (idOf (folder ("c").getChildFile ("Other").getChildFile ("str_f.wav"))));
    }

    TEST_F (ReviewPageTest, TheFilterShowsWhatItPromises)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_long.wav", "drum_bass.wav", "horn_str.wav", "noise.wav",
                                               "broken.txt.wav" });
        ASSERT_EQ (track (ids[1])->confidence, Confidence::review);
        ASSERT_EQ (track (ids[2])->confidence, Confidence::ambiguous);

        // A locked track to check still needs attention.
        state->session.setTracksLocked ({ ids[1] }, true);
        tick();

        struct Case
        {
            int itemId;
            int filter;
            juce::StringArray shown;
        };

        const Case cases[] = {
            { 1, ReviewPage::everything, { "horn_str.wav", "noise.wav", "broken.txt.wav", "str_long.wav", "drum_bass.wav" } },
            { 2, ReviewPage::needsAttention, { "horn_str.wav", "noise.wav", "broken.txt.wav", "drum_bass.wav" } },
            { 3, ReviewPage::unassignedOnly, { "horn_str.wav", "noise.wav", "broken.txt.wav" } },
            { 4, ReviewPage::ambiguousOnly, { "horn_str.wav" } },
        };

        for (const auto& c : cases)
        {
            page->getFilterBox().setSelectedId (c.itemId, juce::sendNotificationSync);
            EXPECT_EQ (page->getFilter(), c.filter);

            auto shown = shownNames();
            auto expected = c.shown;
            shown.sort (false);
            expected.sort (false);
            EXPECT_EQ (shown, expected) << "filter " << c.itemId;

            // The counts ignore the filter.
            EXPECT_EQ (page->getStatusLabel().getText(),
                       "4 usable track(s)   2 unassigned   1 ambiguous   1 to check");
        }
    }

    TEST_F (ReviewPageTest, AlphabeticalOrderMovesGroupsButKeepsTheirNumbers)
    {
        useSchema();
        tick();

        auto menu = page->createStemMenu();
        juce::PopupMenu::MenuItemIterator it (menu);
        ASSERT_TRUE (it.next());
        EXPECT_EQ (it.getItem().itemID, (int) ReviewPage::sortStemsId);
        EXPECT_EQ (it.getItem().text, "Sort stems alphabetically");
        EXPECT_FALSE (it.getItem().isTicked);

        page->stemMenuItemChosen (ReviewPage::sortStemsId);
        EXPECT_TRUE (state->getStemsAlphabetical());
        EXPECT_TRUE (state->settings->getBoolValue ("stemsAlphabetical", false));
        EXPECT_EQ (headings(), juce::StringArray ({ "Unassigned | 0 tracks", "02  Bass | 0 tracks",
                                                    "04  Brass | 0 tracks", "03  Drums | 0 tracks",
                                                    "01  Strings | 0 tracks" }));

        page->setStemsAlphabetical (false);
        EXPECT_EQ (headings()[1], "01  Strings | 0 tracks");
    }

    TEST_F (ReviewPageTest, ARebuildKeepsOpenGroupsScrollAndSelectionButNotAMovedTrack)
    {
        useSchema();
        juce::StringArray names;

        for (int i = 0; i < 30; ++i)
            names.add ("str_" + juce::String (i).paddedLeft ('0', 2) + ".wav");

        const auto dir = folder ("One");

        for (const auto& name : names)
            writeTake (dir.getChildFile (name), 0.2);

        const auto bass = importTakes (dir, { "bass_a.wav", "bass_b.wav" });
        const auto strings = idsOf (dir, { "str_05.wav", "str_20.wav" });
        tick();
        pump();

        page->findGroup (stemId ("Bass"))->setOpen (false);
        page->selectTracks ({ strings[0], strings[1] });
        page->getTree().getViewport()->setViewPosition (0, 300);
        pump();
        const int scroll = page->getTree().getViewport()->getViewPositionY();
        ASSERT_GT (scroll, 0);

        const auto check = [&] (const char* step)
        {
            EXPECT_FALSE (page->findGroup (stemId ("Bass"))->isOpen()) << step;
            EXPECT_TRUE (page->findGroup (stemId ("Strings"))->isOpen()) << step;
            EXPECT_EQ (selectedNames(), juce::StringArray ({ "str_05.wav", "str_20.wav" })) << step;
            pump();
            EXPECT_EQ (page->getTree().getViewport()->getViewPositionY(), scroll) << step;
        };

        state->session.autoAssignAll();
        tick();
        check ("re-run");

        state->session.assignTracks ({ bass[0] }, stemId ("Drums"), false);
        tick();
        state->session.undo();
        tick();
        check ("undo");

        // A selected row inside a closed group keeps the group closed.
        page->selectTracks ({ strings[0], bass[1] });
        state->session.autoAssignAll();
        tick();
        EXPECT_FALSE (page->findGroup (stemId ("Bass"))->isOpen());
        EXPECT_EQ (selectedNames(), juce::StringArray ({ "str_05.wav", "bass_b.wav" }));

        // A track moved to another stem is another item and loses its selection.
        state->session.assignTracks ({ strings[0] }, stemId ("Drums"), false);
        tick();
        EXPECT_EQ (selectedNames(), juce::StringArray ({ "bass_b.wav" }));
        EXPECT_EQ (rowNames (stemId ("Drums")), juce::StringArray ({ "str_05.wav" }));
    }

    TEST_F (ReviewPageTest, GroupsTouchedByAChangeListTheirRowsInSessionOrder)
    {
        useSchema();
        const auto ids = importTakes ("One", { "a_str.wav", "b.wav", "c_str.wav", "d.wav", "e_bass.wav" });
        importTakes ("Two", { "bass_two.wav" });
        tick();
        page->getCueBox().setSelectedId (2, juce::sendNotificationSync);
        page->findGroup (stemId ("Bass"))->setOpen (false);
        EXPECT_EQ (comboTexts (page->getCueBox()), juce::StringArray ({ "All cues", "One  (2)", "Two  (1)" }));

        // Into the middle and the end of a group, out of another, and back by undo.
        state->session.assignTracks ({ ids[3], ids[1] }, stemId ("Strings"), false);
        tick();
        EXPECT_EQ (rowNames (stemId ("Strings")), juce::StringArray ({ "a_str.wav", "b.wav", "c_str.wav", "d.wav" }));
        EXPECT_EQ (rowNames ({}), juce::StringArray());

        state->session.assignTracks ({ ids[2], ids[0] }, stemId ("Bass"), false);
        tick();
        EXPECT_EQ (rowNames (stemId ("Strings")), juce::StringArray ({ "b.wav", "d.wav" }));
        EXPECT_EQ (rowNames (stemId ("Bass")), juce::StringArray ({ "a_str.wav", "c_str.wav", "e_bass.wav" }));
        EXPECT_FALSE (page->findGroup (stemId ("Bass"))->isOpen());
        EXPECT_EQ (headings()[2], "02  Bass | 3 tracks");

        state->session.undo();
        tick();
        EXPECT_EQ (rowNames (stemId ("Strings")), juce::StringArray ({ "a_str.wav", "b.wav", "c_str.wav", "d.wav" }));
        EXPECT_EQ (rowNames (stemId ("Bass")), juce::StringArray ({ "e_bass.wav" }));

        // The chooser counts the stems again after a change, not for a change of cue.
        EXPECT_EQ (comboTexts (page->getCueBox()), juce::StringArray ({ "All cues", "One  (2)", "Two  (1)" }));
        state->session.assignTracks ({ ids[1] }, stemId ("Drums"), false);
        tick();
        EXPECT_EQ (comboTexts (page->getCueBox()), juce::StringArray ({ "All cues", "One  (3)", "Two  (1)" }));
        page->getCueBox().setSelectedId (3, juce::sendNotificationSync);
        EXPECT_EQ (shownNames(), juce::StringArray ({ "bass_two.wav" }));
        EXPECT_EQ (page->getCueBox().getText(), "Two  (1)");
    }

    TEST_F (ReviewPageTest, ABurstOfSessionChangesShowsAtTheNextTick)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "noise.wav" });
        tick();
        ASSERT_FALSE (page->isRebuildPending());

        state->session.assignTracks ({ ids[1] }, stemId ("Bass"), false);
        state->session.assignTracks ({ ids[1] }, stemId ("Brass"), true);
        state->session.assignTracks ({ ids[0] }, {}, false);

        // Nothing moved yet: the notifications only marked the page.
        EXPECT_TRUE (page->isRebuildPending());
        EXPECT_EQ (rowNames ({}), juce::StringArray ({ "noise.wav" }));

        tick();
        EXPECT_FALSE (page->isRebuildPending());
        EXPECT_EQ (rowNames ({}), juce::StringArray ({ "str_a.wav" }));
        EXPECT_EQ (rowNames (stemId ("Brass")), juce::StringArray ({ "noise.wav" }));
        EXPECT_TRUE (page->getUndoButton().isEnabled());
        EXPECT_FALSE (page->getRedoButton().isEnabled());
    }

    TEST_F (ReviewPageTest, BehindAnotherPageTheTreeWaitsAndCatchesUpAsItShows)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "noise.wav" });
        tick();

        // In the window, another page in front: the ticks leave the tree alone.
        juce::Component window;
        window.addChildComponent (*page);
        page->setVisible (false);
        state->session.assignTracks ({ ids[1] }, stemId ("Bass"), false);
        tick();
        EXPECT_TRUE (page->isRebuildPending());
        EXPECT_EQ (rowNames ({}), juce::StringArray ({ "noise.wav" }));

        // Shown again, it is current before anything is painted.
        page->setVisible (true);
        EXPECT_FALSE (page->isRebuildPending());
        EXPECT_EQ (rowNames (stemId ("Bass")), juce::StringArray ({ "noise.wav" }));
        window.removeChildComponent (page.get());
    }

    TEST_F (ReviewPageTest, ASelectedGroupCountsItsShownRowsOnce)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "str_b.wav", "noise.wav" });
        state->session.setTracksLocked ({ ids[0] }, true);
        tick();

        auto* strings = page->findGroup (stemId ("Strings"));
        strings->setSelected (true, true);
        page->findRow (ids[1])->setSelected (true, false);
        page->findRow (ids[2])->setSelected (true, false);
        EXPECT_EQ (selectedNames(), juce::StringArray ({ "noise.wav", "str_a.wav", "str_b.wav" }));
        tick();
        EXPECT_TRUE (page->getAssignButton().isEnabled());
        EXPECT_TRUE (page->getRuleButton().isEnabled());

        // Filtered-out rows are not part of their group.
        page->getFilterBox().setSelectedId (2, juce::sendNotificationSync);
        page->findGroup (stemId ("Strings"))->setSelected (true, true);
        EXPECT_TRUE (page->selectedTrackIds().isEmpty());
    }

    TEST_F (ReviewPageTest, ExpandAndCollapseChangeOnlyTheGroups)
    {
        useSchema();
        importTakes ("One", { "str_a.wav" });
        tick();

        page->getCollapseButton().triggerClick();
        pump();
        for (int g = 0; g < page->getRoot().getNumSubItems(); ++g)
            EXPECT_FALSE (page->getRoot().getSubItem (g)->isOpen());

        page->stemMenuItemChosen (ReviewPage::expandAllId);
        for (int g = 0; g < page->getRoot().getNumSubItems(); ++g)
            EXPECT_TRUE (page->getRoot().getSubItem (g)->isOpen());

        page->stemMenuItemChosen (ReviewPage::collapseAllId);
        state->session.autoAssignAll();
        tick();
        EXPECT_FALSE (page->findGroup (stemId ("Strings"))->isOpen()) << "closed groups survive a rebuild";
    }

    TEST_F (ReviewPageTest, RowsPaintConfidenceLockAndProblemsAndAGoneTrackPaintsNothing)
    {
        const testsupport::ScopedPalette palette (testsupport::distinctPalette());
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "broken.txt.wav" });
        state->session.setTracksLocked ({ ids[0] }, true);
        tick();

        const auto paintRow = [] (juce::TreeViewItem& item, int width)
        {
            juce::Image image (juce::Image::ARGB, width, item.getItemHeight(), true);
            juce::Graphics g (image);
            item.paintItem (g, width, item.getItemHeight());
            return image;
        };

        const auto hasColour = [] (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour)
        {
            for (int y = area.getY(); y < area.getBottom(); ++y)
                for (int x = area.getX(); x < area.getRight(); ++x)
                    if (testsupport::coloursNear (image.getPixelAt (x, y), colour, 40))
                        return true;

            return false;
        };

        // The locked row: "L" in the accent colour in its cell after the badge.
        auto locked = paintRow (*page->findRow (ids[0]), 600);
        EXPECT_TRUE (hasColour (locked, { 90, 0, 18, 28 }, colours::accent));
        EXPECT_TRUE (hasColour (locked, { 6, 4, 78, 20 }, confidenceColour (Confidence::confident)));

        // The unreadable file: its name in the problem colour.
        auto broken = paintRow (*page->findRow (ids[1]), 600);
        EXPECT_TRUE (hasColour (broken, { 108, 0, 200, 28 }, colours::bad));
        EXPECT_FALSE (hasColour (broken, { 90, 0, 18, 28 }, colours::accent));
        EXPECT_TRUE (page->findRow (ids[1])->getTooltip().endsWith ("\n" + track (ids[1])->reason));

        // Removed but not yet rebuilt: nothing drawn, no tooltip.
        auto* row = page->findRow (ids[0]);
        state->session.removeTracks ({ ids[0] });
        auto gone = paintRow (*row, 600);
        EXPECT_FALSE (hasColour (gone, gone.getBounds(), colours::accent));
        EXPECT_TRUE (row->getTooltip().isEmpty());

        EXPECT_EQ (page->findGroup ({})->getTooltip(), "Tracks the engine could not place. Drag them onto a stem.");
    }

    TEST (ReviewCounts, TheStatusTextJoinsItsPieces)
    {
        ReviewCounts counts;
        counts.usable = 12;
        counts.unassigned = 2;
        counts.ambiguous = 1;
        counts.toCheck = 3;

        EXPECT_EQ (reviewStatusText ("Cue 12", counts, false),
                   "Cue 12   12 usable track(s)   2 unassigned   1 ambiguous   3 to check");
        EXPECT_EQ (reviewStatusText ({}, {}, true),
                   "0 usable track(s)   0 unassigned   0 ambiguous   0 to check"
                   "      Choose a cue to hear its mix: cues are never summed together.");
    }
}
