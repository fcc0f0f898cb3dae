#include "app/pages/preset/PresetPageTestSupport.h"

namespace korvid::ui::presettest
{
    class PresetFocusTest : public PresetPageTest
    {
    protected:
        juce::Component* next (juce::Component* from)       { return page->createKeyboardFocusTraverser()->getNextComponent (from); }
        juce::Component* previous (juce::Component* from)   { return page->createKeyboardFocusTraverser()->getPreviousComponent (from); }
    };

    TEST_F (PresetFocusTest, TabWrapsInsideEachBlockAndSkipsWhatCannotTakeTheFocus)
    {
        useStoredStems ({ "Bass" });
        showOnDesktop();

        EXPECT_EQ (previous (&page->getPublisherEditor()), &page->getPluralToggle());
        EXPECT_EQ (next (&page->getVersionEditor()), &page->getNumberingCombo());
        EXPECT_EQ (next (&page->getPluralToggle()), &page->getPublisherEditor());
        EXPECT_EQ (next (&page->getExclusionsEditor()), &page->getNameEditor());
        // The priority slider takes the focus like a field, so that it can be tabbed into.
        EXPECT_EQ (next (&page->getTokenEditor()), &page->getPrioritySlider());
        EXPECT_EQ (next (&page->getPrioritySlider()), &page->getRulesEditor());

        page->getShortCodeEditor().setEnabled (false);
        EXPECT_EQ (next (&page->getNameEditor()), &page->getTokenEditor());
        EXPECT_EQ (previous (&page->getTokenEditor()), &page->getNameEditor());

        // Every other field of the block disabled: the focus stays.
        for (juce::Component* field : std::initializer_list<juce::Component*> { &page->getTokenEditor(), &page->getPrioritySlider(),
                                                                                &page->getRulesEditor(), &page->getExclusionsEditor() })
            field->setEnabled (false);
        EXPECT_EQ (next (&page->getNameEditor()), &page->getNameEditor());

        // Outside the blocks the usual order applies.
        EXPECT_NE (next (&page->getNewButton()), nullptr);
    }

    TEST_F (PresetFocusTest, TabInTheRenameEditorMovesTheRenameUntilTheEnds)
    {
        useStoredStems ({ "Bass", "Drums", "Keys" });
        showOnDesktop();

        page->startInlineRename (2);
        EXPECT_FALSE (page->inlineEditorKeyPressed (juce::KeyPress (juce::KeyPress::tabKey)));
        EXPECT_EQ (page->getRenameRow(), 2);

        page->startInlineRename (0);
        EXPECT_FALSE (page->inlineEditorKeyPressed (juce::KeyPress (juce::KeyPress::tabKey, juce::ModifierKeys::shiftModifier, 0)));

        page->getInlineNameEditor().setText ("Bass Gtr", false);
        EXPECT_TRUE (page->inlineEditorKeyPressed (juce::KeyPress (juce::KeyPress::tabKey)));
        EXPECT_EQ (schema().stems[0].displayName, "Bass Gtr");
        // The next rename starts from a posted message: wait for it as long as a busy machine needs.
        pumpUntil ([&] { return page->getRenameRow() == 1; }, 3000);
        EXPECT_EQ (page->getRenameRow(), 1);
        EXPECT_EQ (page->getInlineNameEditor().getText(), "Drums");
        EXPECT_EQ (page->getStemList().getSelectedRow(), 1);
        page->finishInlineRename (false);

        // Only Tab, only from the rename editor.
        EXPECT_FALSE (page->inlineEditorKeyPressed (juce::KeyPress ('a')));
    }

    TEST_F (PresetFocusTest, TypingInAProjectFieldSurvivesAPresetEdit)
    {
        useStoredStems ({ "Bass" });
        showOnDesktop();

        auto& publisher = page->getPublisherEditor();
        page->toFront (true);
        pump (100);
        publisher.grabKeyboardFocus();
        pumpUntil ([&] { publisher.grabKeyboardFocus(); return publisher.hasKeyboardFocus (false); }, 1000);

        if (! publisher.hasKeyboardFocus (false))
            GTEST_SKIP() << "the display gives no keyboard focus";

        publisher.setText ("  Half typed", false);
        page->getComposerEditor().setText ("Also typed", false);

        auto edited = preset();
        edited.schema.stems[0].displayName = "Renamed elsewhere";
        state->session.updatePreset (edited);

        EXPECT_EQ (publisher.getText(), "  Half typed");
        EXPECT_EQ (page->getComposerEditor().getText(), "Also typed");
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);

        // Return stores the trimmed texts and lets go of the focus; the field then shows them.
        publisher.onReturnKey();
        pump (50);   // the focus-loss notice comes through the message loop
        EXPECT_EQ (preset().metadata.publisher, "Half typed");
        EXPECT_EQ (preset().metadata.composer, "Also typed");
        EXPECT_FALSE (publisher.hasKeyboardFocus (true));
        EXPECT_EQ (publisher.getText(), "Half typed");
    }

    TEST_F (PresetFocusTest, ProjectFieldsWriteOnlyIntoThePresetTheyWereFilledFrom)
    {
        useStoredStems ({ "Bass" });
        page->getVersionEditor().setText (" v2 ", false);
        page->commitProjectFields();
        EXPECT_EQ (preset().metadata.version, "v2");
        EXPECT_EQ (page->getVersionEditor().getText(), "v2");

        // Clicking through without a change leaves the preset as stored.
        page->saveSelectedPreset();
        page->commitProjectFields();
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        // An empty field stores an empty string.
        page->getComposerEditor().setText ({}, false);
        page->getPubCodeEditor().setText ("PX", false);
        page->commitProjectFields();
        EXPECT_EQ (preset().metadata.project, "PX");
        EXPECT_TRUE (preset().metadata.composer.isEmpty());
    }
}
