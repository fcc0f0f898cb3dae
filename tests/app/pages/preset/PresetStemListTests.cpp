#include "app/pages/preset/PresetPageTestSupport.h"

#include "core/model/TemplatePalette.h"

namespace korvid::ui::presettest
{
    namespace
    {
        struct MenuLine
        {
            int id;
            juce::String text;
            bool enabled;
        };

        std::vector<MenuLine> itemsOf (const juce::PopupMenu& menu)
        {
            std::vector<MenuLine> lines;

            for (juce::PopupMenu::MenuItemIterator it (menu, true); it.next();)
            {
                const auto& item = it.getItem();

                if (! item.isSeparator && item.subMenu == nullptr)
                    lines.push_back ({ item.itemID, item.text, item.isEnabled });
            }

            return lines;
        }

        int menuIdOfBuiltInTemplate (const juce::String& name)
        {
            const auto order = PresetPage::builtInTemplateMenuOrder();

            for (size_t i = 0; i < order.size(); ++i)
                if (builtInTemplates()[(size_t) order[i]].displayName == name)
                    return (int) i + 1;

            return -1;
        }
    }

    class PresetStemListTest : public PresetPageTest
    {
    protected:
        void drop (int fromRow, int y)
        {
            auto& list = page->getStemList();
            const juce::DragAndDropTarget::SourceDetails details (juce::String (PresetPage::stemDragPrefix) + juce::String (fromRow),
                                                                  &list, { 10, y });
            ASSERT_TRUE (list.isInterestedInDragSource (details));
            list.itemDragMove (details);
            list.itemDropped (details);
        }
    };

    TEST_F (PresetStemListTest, DraggingTheFirstOfThreeToPositionTwoPutsItSecond)
    {
        useStoredStems ({ "Bass", "Drums", "Strings" });
        page->getStemList().updateContent();
        const int h = page->getStemList().getRowHeight();
        EXPECT_EQ (page->insertionRowAt (2 * h - 3), 2);
        EXPECT_EQ (page->insertionRowAt (-50), 0);
        EXPECT_EQ (page->insertionRowAt (50 * h), 3);

        // On its own boundaries nothing moves, and the preset stays unmodified.
        drop (0, 0);
        drop (0, h);
        EXPECT_EQ (stemNames(), juce::StringArray ({ "Bass", "Drums", "Strings" }));
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        drop (0, 2 * h);
        EXPECT_EQ (stemNames(), juce::StringArray ({ "Drums", "Bass", "Strings" }));
        EXPECT_EQ (page->getSelectedStemId(), stemIdNamed ("Bass"));
        EXPECT_EQ (page->getStemList().getSelectedRow(), 1);
        EXPECT_EQ (page->getStemList().getDropRow(), -1);
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);

        // Moved up and back: the preset equals its stored copy again, and the label says so.
        page->stepSelectedStem (-1);
        EXPECT_EQ (stemNames(), juce::StringArray ({ "Bass", "Drums", "Strings" }));
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        // Only the first selected row is dragged; other drags are refused.
        page->getStemList().deselectAllRows();
        page->getStemList().selectRangeOfRows (1, 2);
        EXPECT_EQ (page->getStemList().getModel()->getDragSourceDescription ({}).toString(), "korvid.stemrow:1");
        EXPECT_FALSE (page->getStemList().isInterestedInDragSource ({ "korvid.tracks", nullptr, {} }));
    }

    TEST_F (PresetStemListTest, RenamingInPlaceFollowsTheTokenOnlyWhenItEqualsTheName)
    {
        useStoredStems ({ "Bass", "Drums" });
        auto edited = preset();
        edited.schema.stems[0].fileNameToken = "Bass";
        edited.schema.stems[1].displayName = "Bass 2";
        edited.schema.stems[1].fileNameToken = "BASS TWO";
        state->session.updatePreset (edited);

        page->startInlineRename (0);
        EXPECT_TRUE (page->getInlineNameEditor().isVisible());
        EXPECT_EQ (page->getInlineNameEditor().getText(), "Bass");
        page->getInlineNameEditor().setText ("Bass Gtr", false);
        page->finishInlineRename (true);
        EXPECT_EQ (schema().stems[0].displayName, "Bass Gtr");
        EXPECT_EQ (schema().stems[0].fileNameToken, "Bass Gtr");

        page->startInlineRename (1);
        page->getInlineNameEditor().setText ("Bass Two", false);
        page->finishInlineRename (true);
        EXPECT_EQ (schema().stems[1].displayName, "Bass Two");
        EXPECT_EQ (schema().stems[1].fileNameToken, "BASS TWO");

        // Escape, an empty name and the same name change nothing.
        for (const auto& [text, commit] : { std::pair<const char*, bool> { "Other", false }, { "   ", true }, { "Bass Two", true } })
        {
            page->startInlineRename (1);
            page->getInlineNameEditor().setText (text, false);
            page->finishInlineRename (commit);
            EXPECT_EQ (schema().stems[1].displayName, "Bass Two");
        }

        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (PresetStemListTest, ContextMenuItemsDependOnWhereItOpenedAndWhatIsSelected)
    {
        useStoredStems ({ "Bass", "Drums", "Strings", "Brass", "Keys" });

        const auto onRow = itemsOf (page->createStemContextMenu (2));
        ASSERT_EQ (onRow.size(), 6u);
        EXPECT_EQ (onRow[1].text, "Add several stems...");
        EXPECT_EQ (onRow[5].text, "Delete");
        EXPECT_TRUE (onRow[2].enabled);
        EXPECT_EQ (page->getStemList().getSelectedRow(), 2);

        page->getStemList().selectRangeOfRows (0, 3);
        const auto fourSelected = itemsOf (page->createStemContextMenu (-1));
        ASSERT_EQ (fourSelected.size(), 5u);   // no "Add several stems..." on empty space
        EXPECT_EQ (fourSelected.back().text, "Delete 4 stems");

        page->getStemList().deselectAllRows();
        const auto none = itemsOf (page->createStemContextMenu (-1));
        EXPECT_EQ (none[0].text, "Add stem");
        EXPECT_TRUE (none[0].enabled);
        for (size_t i = 1; i < none.size(); ++i)
            EXPECT_FALSE (none[i].enabled) << none[i].text;

        // The add-stem item adds one plain stem; rename opens on the row the menu was for.
        page->stemContextMenuChosen (PresetPage::addStemItem, -1);
        EXPECT_EQ (schema().stems.back().displayName, "Stem 6");
        page->stemContextMenuChosen (PresetPage::renameItem, 1);
        EXPECT_EQ (page->getRenameRow(), 1);
        page->finishInlineRename (false);
    }

    TEST_F (PresetStemListTest, BrassTwiceGivesANumberedCodeAfterTheNameQuestion)
    {
        useStoredStems ({});
        const int brass = menuIdOfBuiltInTemplate ("Brass");
        ASSERT_GT (brass, 0);

        page->addStemMenuChosen (brass);
        ASSERT_EQ (schema().stems.size(), 1u);
        EXPECT_EQ (schema().stems[0].shortCode, "BRS");
        EXPECT_TRUE (dialogs->asked.empty());

        // Cancel on the question adds nothing; OK adds BRS2.
        page->addStemMenuChosen (brass);
        EXPECT_EQ (lastQuestion()->title, "That name is already taken");
        EXPECT_EQ (lastQuestion()->message,
                   "Stem 01 is already called 'Brass'.\n\nBoth would be written as 'Brass', so they would produce the same "
                   "file name and the second would overwrite the first.\n\nUse the name anyway?");
        EXPECT_EQ (schema().stems.size(), 1u);

        dialogs->confirmations = { true };
        page->addStemMenuChosen (brass);
        ASSERT_EQ (schema().stems.size(), 2u);
        EXPECT_EQ (schema().stems[1].shortCode, "BRS2");
        EXPECT_EQ (page->getSelectedStemId(), schema().stems[1].id);

        // The menu lists every category, then "New template...".
        const auto items = itemsOf (page->createAddStemMenu());
        EXPECT_EQ (items.back().id, (int) PresetPage::newTemplateId);
        EXPECT_EQ (items.size(), builtInTemplates().size() + 1);
    }

    TEST_F (PresetStemListTest, RunsOfPlainStemsStopAtTheLimitAndNeverRepeatANumber)
    {
        useStoredStems ({});
        page->appendStems (3);
        EXPECT_EQ (stemNames(), juce::StringArray ({ "Stem 1", "Stem 2", "Stem 3" }));
        EXPECT_EQ (schema().stems[2].shortCode, "S3");
        EXPECT_TRUE (schema().stems[2].fileNameToken.isEmpty());
        EXPECT_EQ (schema().stems[2].colour, autoStemColour (2));

        // After "Stem 1" went, the next is "Stem 4", not a second "Stem 3".
        selectStem (0);
        dialogs->confirmations = { true };
        page->deleteStem();
        EXPECT_EQ (lastQuestion()->title, "Delete the stem 'Stem 1'?");
        page->appendStems (1);
        EXPECT_EQ (stemNames(), juce::StringArray ({ "Stem 2", "Stem 3", "Stem 4" }));
        EXPECT_EQ (schema().stems[2].shortCode, "S4");

        // Counts that are not positive figures are refused; a huge one does not wrap.
        for (const auto* text : { "abc", "0", "-3" })
        {
            SCOPED_TRACE (text);
            dialogs->texts = { juce::String (text) };
            page->askForStemCount();
            EXPECT_EQ (lastQuestion()->title, "That is not a number of stems");
            EXPECT_EQ (lastQuestion()->message, "Type how many to add, as a figure.");
        }

        dialogs->texts = { juce::String (" 7 ") };
        page->askForStemCount();
        EXPECT_EQ (schema().stems.size(), 10u);
        EXPECT_EQ (schema().stems.back().displayName, "Stem 11");

        page->appendStems (240);
        ASSERT_EQ (schema().stems.size(), 250u);
        const auto offered = itemsOf (page->createAddSeveralMenu());
        ASSERT_EQ (offered.size(), 7u);
        EXPECT_EQ (offered[5].id, 6);
        EXPECT_EQ (offered[6].id, PresetPage::askForCountId);

        dialogs->texts = { juce::String ("24") };
        page->askForStemCount();
        EXPECT_EQ (schema().stems.size(), 256u);
        EXPECT_EQ (lastQuestion()->title, "Not all of them fitted");
        EXPECT_EQ (lastQuestion()->message, "Added 6 of 24: a schema holds at most 256.");

        // Full: every way of adding says so and adds nothing.
        dialogs->texts = { juce::String ("99999999999999999999999") };
        page->askForStemCount();
        page->addStemFromTemplate (0);
        page->duplicateStem();
        page->addSeveralStems();
        EXPECT_EQ (questionsTitled ("No room for more stems"), 4);
        EXPECT_EQ (schema().stems.size(), 256u);

        juce::StringArray names;
        for (const auto& stem : schema().stems)
        {
            EXPECT_FALSE (names.contains (stem.displayName, true)) << stem.displayName;
            names.add (stem.displayName);
        }
    }

    TEST_F (PresetStemListTest, ASavedTemplateAddsItsStemAndCanBeForgotten)
    {
        useStoredStems ({ "Bass" });
        dialogs->fieldTexts = { juce::StringArray { " Horn Section ", "HRN", "brass, , Brass, horns", "" } };
        page->addStemMenuChosen (PresetPage::newTemplateId);

        EXPECT_EQ (dialogs->asked[0].kind, Kind::fields);
        EXPECT_EQ (dialogs->asked[0].title, "New stem template");
        EXPECT_EQ (dialogs->asked[0].okText, "Save");
        ASSERT_EQ (dialogs->asked[0].fields.size(), 4u);
        EXPECT_EQ (dialogs->asked[0].fields[3].label, "Never match");

        ASSERT_EQ (state->templates.templates.size(), 1u);
        EXPECT_EQ (state->templates.templates[0].keywords, juce::StringArray ({ "brass", "horns" }));
        ASSERT_EQ (schema().stems.size(), 2u);
        EXPECT_EQ (schema().stems[1].displayName, "Horn Section");
        EXPECT_EQ (schema().stems[1].shortCode, "HRN");

        // A template without keywords is refused with the store's sentence.
        dialogs->fieldTexts = { juce::StringArray { "Empty", "", " , ", "" } };
        page->showTemplateEditor();
        EXPECT_EQ (lastQuestion()->title, "The template was not saved");
        EXPECT_EQ (lastQuestion()->message, "A template needs at least one keyword, or it would match nothing.");

        // The user sub-menu lists it; forgetting asks first.
        page->confirmForgetTemplate (0);
        EXPECT_EQ (lastQuestion()->title, "Forget this template?");
        EXPECT_EQ (state->templates.templates.size(), 1u);
        dialogs->confirmations = { true };
        page->addStemMenuChosen (PresetPage::firstForgetTemplateId);
        EXPECT_TRUE (state->templates.templates.empty());
        EXPECT_EQ (schema().stems.size(), 2u);
    }

    TEST_F (PresetStemListTest, DeletingSeveralNamesThemAndTakesThemOutOfEveryMix)
    {
        useStoredStems ({ "Bass", "Drums", "Keys" });
        auto withMix = schema();
        const auto mixId = withMix.addSubmix ("Instrumental");
        page->applySchemaEdit (std::move (withMix));

        page->getStemList().selectRangeOfRows (0, 1);
        dialogs->confirmations = { true };
        page->deleteStem();
        EXPECT_EQ (lastQuestion()->title, "Delete 2 stems?  Bass, Drums");
        EXPECT_EQ (lastQuestion()->message, "Any track assigned to them becomes unassigned.");
        EXPECT_EQ (stemNames(), juce::StringArray ("Keys"));
        EXPECT_EQ (schema().findSubmix (mixId)->stems, juce::StringArray (schema().stems[0].id));

        dialogs->confirmations = { true };
        page->deleteAllStems();
        EXPECT_EQ (lastQuestion()->title, "Delete every stem?");
        EXPECT_TRUE (schema().stems.empty());
        EXPECT_FALSE (page->getNameEditor().isEnabled());
    }
}
