#include "app/pages/import/ImportPageTestSupport.h"
#include "app/StemDialogs.h"
#include "support/TemplateStoreFilling.h"
#include "ui/MenuLines.h"

namespace korvid::ui::importtest
{
    using testing::MenuLine;
    using testing::findLine;
    using testing::linesOf;

    namespace
    {
        juce::StringArray stemLines (const std::vector<MenuLine>& lines)
        {
            juce::StringArray texts;

            for (const auto& line : lines)
                if (line.id >= ImportPage::firstStemId && line.id < ImportPage::sortAlphabeticallyId)
                    texts.add (juce::String (line.id) + ":" + line.text);

            return texts;
        }
    }

    TEST_F (ImportPageTest, TheAssignMenuListsStemsInSchemaOrderOrAlphabetically)
    {
        useStems ({ "Strings", "Brass", "drums" });
        const auto ids = importTakes ("Cue", { "a.wav", "b.wav", "c.wav" });
        page->selectTracks (ids);

        auto lines = linesOf (page->createAssignMenu (page->takeAssignMenuContext()));
        ASSERT_FALSE (lines.empty());
        EXPECT_TRUE (lines[0].header);
        EXPECT_EQ (lines[0].text, "3 track(s) selected");
        EXPECT_EQ (lines[1].id, (int) ImportPage::unassignId);
        EXPECT_EQ (lines[1].text, "Unassigned");
        EXPECT_EQ (stemLines (lines), juce::StringArray ({ "2:01  Strings", "3:02  Brass", "4:03  drums" }));
        EXPECT_FALSE (findLine (lines, ImportPage::renameFileId)->enabled);
        EXPECT_FALSE (findLine (lines, ImportPage::sortAlphabeticallyId)->ticked);
        EXPECT_NE (findLine (lines, newStemMenuIds::newStem), nullptr);

        page->assignMenuItemChosen (ImportPage::sortAlphabeticallyId, page->takeAssignMenuContext());
        EXPECT_TRUE (state->getStemsAlphabetical());
        page->selectTracks ({ ids[0] });
        lines = linesOf (page->createAssignMenu (page->takeAssignMenuContext()));
        EXPECT_EQ (stemLines (lines), juce::StringArray ({ "3:02  Brass", "4:03  drums", "2:01  Strings" }));
        EXPECT_EQ (lines[0].text, "1 track(s) selected");
        EXPECT_TRUE (findLine (lines, ImportPage::renameFileId)->enabled);
        EXPECT_TRUE (findLine (lines, ImportPage::sortAlphabeticallyId)->ticked);

        // Choosing 02 Brass assigns the schema's second stem.
        page->assignMenuItemChosen (3, page->takeAssignMenuContext());
        EXPECT_EQ (track (ids[0])->stemId, state->session.getPreset().schema.stems[1].id);
        EXPECT_EQ (track (ids[0])->source, AssignmentSource::manual);

        page->assignMenuItemChosen (ImportPage::unassignId, page->takeAssignMenuContext());
        EXPECT_TRUE (track (ids[0])->stemId.isEmpty());
    }

    TEST_F (ImportPageTest, APresetWithoutStemsSaysSoAndStillUnassigns)
    {
        const auto ids = importTakes ("Cue", { "a.wav" });
        page->selectTracks (ids);
        const auto lines = linesOf (page->createAssignMenu (page->takeAssignMenuContext()));

        const auto* none = findLine (lines, ImportPage::noStemsId);
        ASSERT_NE (none, nullptr);
        EXPECT_EQ (none->text, "This preset has no stems");
        EXPECT_FALSE (none->enabled);
        EXPECT_TRUE (stemLines (lines).isEmpty());
    }

    TEST_F (ImportPageTest, TheMenuAssignsTheStemItShowedEvenAfterTheSchemaChanged)
    {
        useStems ({ "Strings", "Brass", "Drums" });
        const auto ids = importTakes ("Cue", { "a.wav" });
        page->selectTracks (ids);

        const auto context = page->takeAssignMenuContext();
        const auto brassId = state->session.getPreset().schema.stems[1].id;

        // While the menu is open the stems are reordered: position 1 is now Drums.
        auto preset = state->session.getPreset();
        std::swap (preset.schema.stems[1], preset.schema.stems[2]);
        state->session.updatePreset (preset);

        page->assignMenuItemChosen (ImportPage::firstStemId + 1, context);
        EXPECT_EQ (track (ids[0])->stemId, brassId);

        // A stem deleted since does nothing.
        preset = state->session.getPreset();
        preset.schema.stems.erase (preset.schema.stems.begin() + 2);
        state->session.updatePreset (preset);
        state->session.assignTracks (ids, {}, false);
        page->assignMenuItemChosen (ImportPage::firstStemId + 1, context);
        EXPECT_TRUE (track (ids[0])->stemId.isEmpty());

        // Dismissing does nothing; a gone track is ignored.
        page->assignMenuItemChosen (0, context);
        state->session.removeTracks (ids);
        page->assignMenuItemChosen (ImportPage::firstStemId, context);
        SUCCEED();
    }

    TEST_F (ImportPageTest, RenameFromTheMenuKeepsThePanelOnTheTrack)
    {
        const auto ids = importTakes ("Cue", { "Take.wav" });
        page->selectTracks (ids);

        dialogs->texts.push_back (juce::String ("Violins"));
        page->assignMenuItemChosen (ImportPage::renameFileId, page->takeAssignMenuContext());

        const auto renamed = folder ("Cue").getChildFile ("Violins.wav");
        EXPECT_TRUE (renamed.existsAsFile());
        EXPECT_EQ (page->getCurrentPath(), renamed.getFullPathName());
        EXPECT_EQ (page->getCurrentTrackId(), ids[0]);
        EXPECT_EQ (page->getFileNameLabel().getText(), "Violins.wav");
    }

    TEST_F (ImportPageTest, ACaseOnlyRenameIsFollowedOnCaseSensitiveFileSystems)
    {
        const auto ids = importTakes ("Cue", { "kick.wav" });
        page->selectTracks (ids);

        dialogs->texts.push_back (juce::String ("Kick"));
        page->assignMenuItemChosen (ImportPage::renameFileId, page->takeAssignMenuContext());

        EXPECT_EQ (page->getCurrentPath(), track (ids[0])->file.getFullPathName());
        EXPECT_EQ (page->getFileNameLabel().getText(), track (ids[0])->file.getFileName());
    }

    TEST_F (ImportPageTest, NewStemFromTheMenuIsMadeAndATemplateTheStoreRefusesIsSaid)
    {
        useStems ({ "Strings" });
        const auto ids = importTakes ("Cue", { "Take 1.wav", "Take 2.wav" });
        test::fillTemplateStoreToWithin (state->templates, 16);
        page->selectTracks (ids);

        dialogs->texts.push_back (juce::String ("Taiko"));
        page->assignMenuItemChosen (newStemMenuIds::newStem, page->takeAssignMenuContext());

        const auto& stems = state->session.getPreset().schema.stems;
        ASSERT_EQ (stems.size(), 2u);
        EXPECT_EQ (stems.back().displayName, "Taiko");

        for (const auto& id : ids)
            EXPECT_EQ (track (id)->stemId, stems.back().id);

        ASSERT_EQ (dialogs->asked.size(), 2u);
        EXPECT_EQ (dialogs->asked[1].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (dialogs->asked[1].title, "The template was not saved");
        EXPECT_TRUE (dialogs->asked[1].message.endsWith ("so the change was not saved.")) << dialogs->asked[1].message;
        EXPECT_EQ (state->templates.templates.size(), 1u) << "only the filler";
    }
}
