#include "app/pages/review/ReviewPageTestSupport.h"
#include "app/StemDialogs.h"
#include "ui/MenuLines.h"

namespace korvid::ui::reviewtest
{
    using testing::MenuLine;
    using testing::findLine;
    using testing::linesOf;

    namespace
    {
        juce::DragAndDropTarget::SourceDetails dragOf (const juce::var& description)
        {
            return { description, nullptr, {} };
        }

        juce::var dragWith (const juce::var& type, const juce::var& tracks)
        {
            auto object = juce::DynamicObject::Ptr (new juce::DynamicObject());
            object->setProperty ("type", type);
            object->setProperty ("tracks", tracks);
            return juce::var (object.get());
        }

        /** Stands in for a component's picture and notes every part of it asked to paint
            again, its children's included. */
        struct RepaintRecorder final : juce::CachedComponentImage
        {
            void paint (juce::Graphics&) override {}
            bool invalidateAll() override                               { everything = true; return true; }
            bool invalidate (const juce::Rectangle<int>& area) override { asked.add (area); return true; }
            void releaseResources() override {}

            bool covers (juce::Rectangle<int> area) const               { return everything || asked.containsRectangle (area); }
            void forget()                                               { everything = false; asked.clear(); }

            bool everything = false;
            juce::RectangleList<int> asked;
        };
    }

    TEST_F (ReviewPageTest, TheAssignMenuOffersEveryStemByItsSchemaPosition)
    {
        useSchema();
        const auto ids = importTakes ("One", { "noise_a.wav", "noise_b.wav" });
        tick();
        page->selectTracks (ids);

        auto lines = linesOf (page->createAssignMenu (page->takeAssignMenuContext()));
        ASSERT_GE (lines.size(), 7u);
        EXPECT_TRUE (lines[0].header);
        EXPECT_EQ (lines[0].text, "2 track(s) selected");
        EXPECT_EQ (lines[1].id, (int) ReviewPage::unassignId);
        EXPECT_EQ (lines[1].text, "Unassigned");

        juce::StringArray stems;

        for (const auto& line : lines)
            if (line.id >= ReviewPage::firstStemId && line.id < ReviewPage::sortAlphabeticallyId)
                stems.add (juce::String (line.id) + ":" + line.text + (line.enabled && ! line.ticked ? "" : "!"));

        EXPECT_EQ (stems, juce::StringArray ({ "2:01  Strings", "3:02  Bass", "4:03  Drums", "5:04  Brass" }));
        EXPECT_FALSE (findLine (lines, ReviewPage::renameFileId)->enabled);
        EXPECT_EQ (findLine (lines, ReviewPage::renameFileId)->text, "Rename file");
        EXPECT_FALSE (findLine (lines, ReviewPage::sortAlphabeticallyId)->ticked);
        EXPECT_NE (findLine (lines, newStemMenuIds::newStem), nullptr);

        // Alphabetical: Bass before Drums in the menu, ids still by schema position.
        page->assignMenuItemChosen (ReviewPage::sortAlphabeticallyId, page->takeAssignMenuContext());
        EXPECT_TRUE (state->getStemsAlphabetical());
        page->selectTracks ({ ids[0] });
        lines = linesOf (page->createAssignMenu (page->takeAssignMenuContext()));
        EXPECT_EQ (lines[2].text, "02  Bass");
        EXPECT_EQ (lines[2].id, 3);
        EXPECT_EQ (lines[3].text, "04  Brass");
        EXPECT_EQ (lines[3].id, 5);
        EXPECT_EQ (lines[4].text, "03  Drums");
        EXPECT_TRUE (findLine (lines, ReviewPage::renameFileId)->enabled);
        EXPECT_TRUE (findLine (lines, ReviewPage::sortAlphabeticallyId)->ticked);

        page->assignMenuItemChosen (5, page->takeAssignMenuContext());
        EXPECT_EQ (track (ids[0])->stemId, stemId ("Brass"));
        EXPECT_EQ (track (ids[0])->source, AssignmentSource::manual);
        EXPECT_EQ (track (ids[0])->reason, "Assigned by the user.");

        // Rename file works on the one track the menu was opened for.
        dialogs->texts.push_back (juce::String ("Tuba"));
        page->assignMenuItemChosen (ReviewPage::renameFileId, page->takeAssignMenuContext());
        EXPECT_EQ (track (ids[0])->file.getFileName(), "Tuba.wav");

        // Dismissed: nothing.
        const int undoIndex = state->session.getUndoIndex();
        page->assignMenuItemChosen (0, page->takeAssignMenuContext());
        EXPECT_EQ (state->session.getUndoIndex(), undoIndex);
    }

    // A row draws its track as the session has it, but a rebuild that keeps the same rows
    // used to leave them unpainted: a renamed file showed its old name until the page was left.
    TEST_F (ReviewPageTest, ARenameFromTheMenuShowsTheNewNameAtOnceAndIsWhatPlays)
    {
        useSchema();
        const auto dir = folder ("One");
        const auto ids = importTakes (dir, { "str_long.wav", "noise.wav" });
        page->setVisible (true);
        auto* recorder = new RepaintRecorder();
        page->setCachedComponentImage (recorder);   // owned by the page

        tick();
        page->selectTracks ({ ids[0] });
        ASSERT_TRUE (waitForOverview (dir.getChildFile ("str_long.wav")));
        tick();
        ASSERT_TRUE (page->getPlayer().holdsOverview());
        pump();

        auto* row = page->findRow (ids[0]);
        ASSERT_NE (row, nullptr);
        const auto rowArea = page->getLocalArea (&page->getTree(), row->getItemPosition (true));
        ASSERT_FALSE (rowArea.isEmpty());
        recorder->forget();

        dialogs->texts.push_back (juce::String ("str_bowed"));
        page->assignMenuItemChosen (ReviewPage::renameFileId, page->takeAssignMenuContext());
        const auto renamed = dir.getChildFile ("str_bowed.wav");
        ASSERT_TRUE (renamed.existsAsFile());
        tick();

        // The same row, same group, same selection; painted again with the new name.
        EXPECT_EQ (page->findRow (ids[0]), row);
        EXPECT_EQ (rowNames (stemId ("Strings")), juce::StringArray ({ "str_bowed.wav" }));
        EXPECT_TRUE (recorder->covers (rowArea)) << "asked to paint: " << recorder->asked.getBounds().toString()
                                                 << ", the row: " << rowArea.toString();
        EXPECT_EQ (row->getTooltip(), renamed.getFullPathName() + "\n" + track (ids[0])->reason);

        // The player shows the new file's waveform, and Track plays it.
        EXPECT_TRUE (pumpUntil ([this]
        {
            tick();
            return page->getPlayer().holdsOverview() && ! page->getPlayer().isLoading();
        }));
        EXPECT_NE (state->waveforms.request (renamed.getFullPathName()), nullptr);

        page->auditionSelection (std::nullopt);
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (state->preview.isCurrent ("track:" + ids[0]));
        EXPECT_TRUE (state->preview.playing.load());
        EXPECT_GT (testing::loudestOfPreviewBlocks (state->preview), 0.1f);
    }

    TEST_F (ReviewPageTest, TheMenuAssignsTheStemItShowedWhenTheSchemaChangedMeanwhile)
    {
        useSchema();
        const auto ids = importTakes ("One", { "noise.wav" });
        tick();
        page->selectTracks (ids);

        // Opened now: item 3 is "02  Bass".
        const auto context = page->takeAssignMenuContext();
        const auto bass = stemId ("Bass");

        // Before the answer comes, a stem is added in front and Bass moves to the end.
        auto preset = state->session.getPreset();
        preset.schema.moveStem (bass, 3);
        preset.schema.stems.insert (preset.schema.stems.begin(), Stem ("Keys", {}, 0xff888888, false, 0));
        preset.schema.renumberStems();
        state->session.updatePreset (preset);

        page->assignMenuItemChosen (ReviewPage::firstStemId + 1, context);
        EXPECT_EQ (track (ids[0])->stemId, bass);

        // Removed before the answer: nothing happens, no undo step.
        state->session.assignTracks (ids, {}, false);
        const auto drumsContext = page->takeAssignMenuContext();
        const int drumsItem = ReviewPage::firstStemId + drumsContext.stemIds.indexOf (stemId ("Drums"));
        preset = state->session.getPreset();
        preset.schema.removeStem (stemId ("Drums"));
        state->session.updatePreset (preset);

        const int undoIndex = state->session.getUndoIndex();
        page->assignMenuItemChosen (drumsItem, drumsContext);
        EXPECT_TRUE (track (ids[0])->stemId.isEmpty());
        EXPECT_EQ (state->session.getUndoIndex(), undoIndex);

        // A selection changed after the menu opened does not change what it acts on.
        const auto more = importTakes ("One", { "other.wav" });
        tick();
        page->selectTracks (ids);
        const auto oneTrack = page->takeAssignMenuContext();
        page->selectTracks (more);
        page->assignMenuItemChosen (ReviewPage::firstStemId, oneTrack);
        EXPECT_EQ (track (ids[0])->stemId, oneTrack.stemIds[0]);
        EXPECT_TRUE (track (more[0])->stemId.isEmpty());
    }

    TEST_F (ReviewPageTest, AHeadingMovesOnlyTheRowsTheFilterShows)
    {
        useSchema();
        const auto ids = importTakes ("One", { "horn_str.wav", "noise.wav" });
        tick();
        page->getFilterBox().setSelectedId (4, juce::sendNotificationSync);   // Ambiguous only

        page->findGroup ({})->setSelected (true, true);
        page->assignMenuItemChosen (ReviewPage::firstStemId + 3, page->takeAssignMenuContext());

        EXPECT_EQ (track (ids[0])->stemId, stemId ("Brass"));
        EXPECT_TRUE (track (ids[1])->stemId.isEmpty());
    }

    TEST_F (ReviewPageTest, LocksSurviveReRunsButNotCorrections)
    {
        useSchema();
        const auto ids = importTakes ("One", { "drum_bass.wav", "str_a.wav", "noise.wav" });
        tick();

        // Locking keeps the badge "Needs review" and adds the mark.
        page->selectTracks ({ ids[0], ids[2] });
        tick();
        EXPECT_TRUE (page->getLockButton().isEnabled());
        const int before = state->session.getUndoIndex();
        page->getLockButton().triggerClick();
        pump();
        EXPECT_EQ (track (ids[0])->source, AssignmentSource::locked);
        EXPECT_EQ (track (ids[0])->confidence, Confidence::review);
        EXPECT_EQ (track (ids[2])->source, AssignmentSource::none) << "no stem, nothing to lock";
        EXPECT_EQ (state->session.getUndoIndex(), before + 1);

        // Tracks without a stem only: nothing, no undo step.
        page->selectTracks ({ ids[2] });
        page->setSelectedLocked (true);
        page->setSelectedLocked (false);
        EXPECT_EQ (state->session.getUndoIndex(), before + 1);

        // A re-run leaves the locked track alone and redoes the manual one.
        state->session.assignTracks ({ ids[1] }, stemId ("Bass"), false);
        page->getRerunButton().triggerClick();
        pump();
        EXPECT_EQ (track (ids[0])->source, AssignmentSource::locked);
        EXPECT_EQ (track (ids[1])->stemId, stemId ("Strings"));
        EXPECT_EQ (track (ids[1])->source, AssignmentSource::automatic);

        // Correcting the locked track carries it out and removes the lock.
        tick();
        page->selectTracks ({ ids[0] });
        page->assignMenuItemChosen (ReviewPage::unassignId, page->takeAssignMenuContext());
        EXPECT_EQ (track (ids[0])->source, AssignmentSource::none);
        EXPECT_EQ (track (ids[0])->reason, "Unassigned by the user.");

        // Unlock makes a locked automatic assignment a manual one.
        state->session.autoAssignAll();
        state->session.setTracksLocked ({ ids[1] }, true);
        tick();
        page->selectTracks ({ ids[1] });
        page->getUnlockButton().triggerClick();
        pump();
        EXPECT_EQ (track (ids[1])->source, AssignmentSource::manual);

        // Undo and Redo step through the session's history.
        tick();
        ASSERT_TRUE (page->getUndoButton().isEnabled());
        page->getUndoButton().triggerClick();
        pump();
        EXPECT_EQ (track (ids[1])->source, AssignmentSource::locked);
        tick();
        ASSERT_TRUE (page->getRedoButton().isEnabled());
        page->getRedoButton().triggerClick();
        pump();
        EXPECT_EQ (track (ids[1])->source, AssignmentSource::manual);
    }

    TEST_F (ReviewPageTest, ADragCarriesTheSelectionOrTheRowPressed)
    {
        useSchema();
        const auto ids = importTakes ("One", { "noise_a.wav", "noise_b.wav", "str_c.wav" });
        tick();

        // The Strings heading and one unassigned row are selected.
        page->findGroup (stemId ("Strings"))->setSelected (true, true);
        page->findRow (ids[0])->setSelected (true, false);

        const auto inside = page->findRow (ids[2])->getDragSourceDescription();
        EXPECT_EQ (inside.getProperty ("type", {}).toString(), "korvid.tracks");
        EXPECT_EQ (ReviewPage::decodeTrackDrag (dragOf (inside)), juce::StringArray (ids[0], ids[2]));

        const auto outside = page->findRow (ids[1])->getDragSourceDescription();
        EXPECT_EQ (outside.getProperty ("tracks", {}).toString(), ids[1]);
    }

    TEST_F (ReviewPageTest, OnlyATrackDragWithIdsIsAccepted)
    {
        struct Case
        {
            const char* what;
            juce::var description;
            juce::StringArray ids;
        };

        const Case cases[] = {
            { "two ids", dragWith ("korvid.tracks", "a\nb"), { "a", "b" } },
            { "blank entries dropped", dragWith ("korvid.tracks", "\na\n  \n\nb\n"), { "a", "b" } },
            { "only blanks", dragWith ("korvid.tracks", " \n\t\n"), {} },
            { "another type", dragWith ("korvid.stemrow:1", "a"), {} },
            { "type in other case", dragWith ("Korvid.Tracks", "a"), {} },
            { "a plain text", juce::var ("korvid.tracks"), {} },
            { "nothing", juce::var(), {} },
            { "no tracks property", dragWith ("korvid.tracks", juce::var()), {} },
        };

        for (const auto& c : cases)
            EXPECT_EQ (ReviewPage::decodeTrackDrag (dragOf (c.description)), c.ids) << c.what;

        useSchema();
        tick();
        auto* strings = page->findGroup (stemId ("Strings"));
        EXPECT_TRUE (strings->isInterestedInDragSource (dragOf (cases[0].description)));
        EXPECT_FALSE (strings->isInterestedInDragSource (dragOf (cases[2].description)));
        EXPECT_FALSE (strings->isInterestedInDragSource (dragOf (cases[3].description)));
    }

    TEST_F (ReviewPageTest, DropsAssignToTheGroupInOneUndoStep)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "drum_b.wav", "noise.wav" });
        tick();

        // On "Unassigned": the tracks lose their stem, with the user's reason.
        const auto drag = dragOf (ReviewPage::makeTrackDrag ({ ids[0], ids[1] }));
        page->findGroup ({})->itemDropped (drag, 0);
        EXPECT_TRUE (track (ids[0])->stemId.isEmpty());
        EXPECT_EQ (track (ids[1])->reason, "Unassigned by the user.");

        // One undo brings both back.
        state->session.undo();
        EXPECT_EQ (track (ids[0])->stemId, stemId ("Strings"));
        EXPECT_EQ (track (ids[1])->stemId, stemId ("Drums"));

        // On the own group: a manual, confident assignment and an undo step.
        const int before = state->session.getUndoIndex();
        page->findGroup (stemId ("Drums"))->itemDropped (dragOf (ReviewPage::makeTrackDrag ({ ids[1] })), 0);
        EXPECT_EQ (track (ids[1])->source, AssignmentSource::manual);
        EXPECT_EQ (track (ids[1])->confidence, Confidence::confident);
        EXPECT_EQ (track (ids[1])->reason, "Assigned by the user.");
        EXPECT_EQ (state->session.getUndoIndex(), before + 1);

        // On a group whose stem was just removed (the tree not yet rebuilt): nothing.
        auto* brass = page->findGroup (stemId ("Brass"));
        auto preset = state->session.getPreset();
        preset.schema.removeStem (stemId ("Brass"));
        state->session.updatePreset (preset);
        const int beforeGone = state->session.getUndoIndex();
        brass->itemDropped (dragOf (ReviewPage::makeTrackDrag ({ ids[2] })), 0);
        EXPECT_TRUE (track (ids[2])->stemId.isEmpty());
        EXPECT_EQ (state->session.getUndoIndex(), beforeGone);

        // Ids of removed tracks are skipped.
        state->session.removeTracks ({ ids[0] });
        page->findGroup (stemId ("Bass"))->itemDropped (dragOf (ReviewPage::makeTrackDrag ({ ids[0], ids[2] })), 0);
        EXPECT_EQ (track (ids[2])->stemId, stemId ("Bass"));
    }
}
