#include "app/pages/preset/PresetPageTestSupport.h"

#include "app/pages/preset/PresetRuleEdits.h"
#include "core/model/KeywordRuleText.h"

namespace korvid::ui::presettest
{
    class PresetStemEditorTest : public PresetPageTest
    {
    protected:
        /** Types into a field as the user would: the change notice arrives on the message loop. */
        static void type (juce::TextEditor& editor, const juce::String& text)
        {
            editor.setText (text, true);
        }
    };

    TEST_F (PresetStemEditorTest, TypingCommitsOnce600MillisecondsAfterTheLastKeystroke)
    {
        useStoredStems ({ "Bass", "Drums" });
        selectStem (0);
        SessionCounter counter (state->session);

        // Two keystrokes 300 ms apart: 400 ms after the second (700 after the first)
        // nothing is written yet, since every keystroke restarts the wait.
        type (page->getNameEditor(), "Bas");
        pump (300);
        type (page->getNameEditor(), "Bass Gtr");
        pump (400);
        EXPECT_TRUE (page->isStemEditPending());
        EXPECT_TRUE (page->isDebouncing());
        EXPECT_EQ (counter.presetChanges, 0);
        EXPECT_EQ (schema().stems[0].displayName, "Bass");

        ASSERT_TRUE (pumpUntil ([&] { return counter.presetChanges > 0; }, 3000));
        pump (700);
        EXPECT_EQ (counter.presetChanges, 1);
        EXPECT_EQ (schema().stems[0].displayName, "Bass Gtr");
        EXPECT_FALSE (page->isStemEditPending());
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);
    }

    TEST_F (PresetStemEditorTest, EscapeCommitsWhatWasTypedAndSelectingAnotherStemCommitsToThePrevious)
    {
        useStoredStems ({ "Bass", "Drums" });
        selectStem (0);

        type (page->getRulesEditor(), "bass, low end");
        page->getRulesEditor().onEscapeKey();
        EXPECT_FALSE (page->isDebouncing());
        ASSERT_EQ (schema().stems[0].rules.size(), 2u);
        EXPECT_EQ (schema().stems[0].rules[1].pattern, "low end");
        EXPECT_EQ (schema().stems[0].rules[1].mode, KeywordMode::phrase);

        type (page->getShortCodeEditor(), "BGT");
        pump (30);
        EXPECT_TRUE (page->isStemEditPending());
        selectStem (1);
        EXPECT_EQ (schema().stems[0].shortCode, "BGT");
        EXPECT_EQ (schema().stems[1].shortCode, "DRU");
        EXPECT_EQ (page->getShortCodeEditor().getText(), "DRU");
        EXPECT_FALSE (page->isStemEditPending());
        EXPECT_FALSE (page->isDebouncing());
    }

    TEST_F (PresetStemEditorTest, RuleTextsReadAsTheTableSays)
    {
        struct Case { const char* text; std::vector<std::tuple<const char*, KeywordMode, int, juce::StringArray>> rules; };
        const Case cases[] = {
            { "riser @50 !choir", { { "riser", KeywordMode::token, 50, { "choir" } } } },
            { "riser !choir @50", { { "riser", KeywordMode::token, 0, { "choir @50" } } } },
            { "~Piano Solo", { { "Piano Solo", KeywordMode::exact, 0, {} } } },
            { "sound design", { { "sound design", KeywordMode::phrase, 0, {} } } },
            { "boom, , riser", { { "boom", KeywordMode::token, 0, {} }, { "riser", KeywordMode::token, 0, {} } } },
            { "strings # orchestral only", { { "strings", KeywordMode::token, 0, {} } } },
            { "?strings\nbrass !low !soft", { { "strings", KeywordMode::fuzzy, 0, {} },
                                               { "brass", KeywordMode::token, 0, { "low", "soft" } } } },
        };

        useStoredStems ({ "Bass" });
        selectStem (0);

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.text);
            type (page->getRulesEditor(), c.text);
            page->commitStemEditor();
            const auto& rules = schema().stems[0].rules;
            ASSERT_EQ (rules.size(), c.rules.size());

            for (size_t i = 0; i < rules.size(); ++i)
            {
                EXPECT_EQ (rules[i].pattern, std::get<0> (c.rules[i]));
                EXPECT_EQ (rules[i].mode, std::get<1> (c.rules[i]));
                EXPECT_EQ (rules[i].priority, std::get<2> (c.rules[i]));
                EXPECT_EQ (rules[i].excludes, std::get<3> (c.rules[i]));
                EXPECT_TRUE (rules[i].note.isEmpty());
            }
        }
    }

    TEST_F (PresetStemEditorTest, ANameOnlyCommitKeepsNotesModesPrioritiesAndUnreadablePatterns)
    {
        useStoredStems ({ "Bass" });
        auto edited = preset();
        auto& stem = edited.schema.stems[0];
        KeywordRule phrase ("boom", 0, "Added from the review screen.");
        phrase.mode = KeywordMode::phrase;
        KeywordRule hash ("take #2", 7);
        stem.rules = { phrase, hash };
        stem.priority = 500;
        stem.excludeKeywords = { "a,b" };
        state->session.updatePreset (edited);
        page->refreshEditors();
        selectStem (0);

        EXPECT_EQ (page->getPrioritySlider().getValue(), 100.0);   // shown at the end of the slider's range

        type (page->getNameEditor(), "Bass Gtr");
        page->commitStemEditor();
        const auto& after = schema().stems[0];
        EXPECT_EQ (after.displayName, "Bass Gtr");
        EXPECT_EQ (after.priority, 500);
        ASSERT_EQ (after.rules.size(), 2u);
        EXPECT_EQ (after.rules[0], phrase);
        EXPECT_EQ (after.rules[1], hash);
        EXPECT_EQ (after.excludeKeywords, juce::StringArray ("a,b"));

        // Editing the rules text keeps every item that still reads as a stored rule.
        type (page->getRulesEditor(), page->getRulesEditor().getText() + ", riser");
        page->commitStemEditor();
        ASSERT_EQ (schema().stems[0].rules.size(), 3u);
        EXPECT_EQ (schema().stems[0].rules[0], phrase);
        EXPECT_EQ (schema().stems[0].rules[1], hash);
        EXPECT_EQ (schema().stems[0].rules[2].pattern, "riser");

        // Moving the slider writes the priority.
        page->getPrioritySlider().setValue (-20.0, juce::sendNotificationSync);
        EXPECT_EQ (schema().stems[0].priority, -20);
    }

    TEST_F (PresetStemEditorTest, ALateCommitAfterADeleteOrAnotherPresetWritesNothing)
    {
        useStoredStems ({ "Bass", "Drums" });
        selectStem (1);
        type (page->getNameEditor(), "Kit");
        pump (20);

        // The stem went meanwhile.
        auto withoutDrums = preset();
        withoutDrums.schema.removeStem (withoutDrums.schema.stems[1].id);
        const juce::String drumsId = schema().stems[1].id;
        state->session.updatePreset (withoutDrums);
        page->commitStemEditor();
        EXPECT_EQ (schema().findStem (drumsId), nullptr);
        EXPECT_EQ (stemNames(), juce::StringArray ("Bass"));

        // Another preset with a stem of the same id came in: its fields are reloaded and
        // nothing typed for the old one lands in it.
        selectStem (0);
        type (page->getNameEditor(), "Typed for the first preset");
        pump (20);
        auto other = preset().copyUnderNewId ("Other", PresetKind::publisher);
        other.schema.stems[0].displayName = "Other bass";
        state->session.setPreset (other);
        page->commitStemEditor();
        EXPECT_EQ (schema().stems[0].displayName, "Other bass");
        EXPECT_EQ (page->getNameEditor().getText(), "Other bass");
        EXPECT_FALSE (page->isStemEditPending());
        pump (PresetPage::debounceMs + 100);
        EXPECT_EQ (schema().stems[0].displayName, "Other bass");
    }

    TEST_F (PresetStemEditorTest, WithoutStemsTheFieldsAreEmptyAndDisabled)
    {
        useStoredStems ({});
        for (auto* editor : { &page->getNameEditor(), &page->getShortCodeEditor(), &page->getTokenEditor(),
                              &page->getRulesEditor(), &page->getExclusionsEditor() })
        {
            EXPECT_TRUE (editor->getText().isEmpty());
            EXPECT_FALSE (editor->isEnabled());
        }

        for (juce::Component* c : { (juce::Component*) &page->getPrioritySlider(), (juce::Component*) &page->getColourButton(),
                                    (juce::Component*) &page->getDuplicateStemButton(), (juce::Component*) &page->getDeleteStemButton(),
                                    (juce::Component*) &page->getUpButton(), (juce::Component*) &page->getDownButton() })
            EXPECT_FALSE (c->isEnabled());
    }

    TEST_F (PresetStemEditorTest, PluralsAndNumberingWriteThePresetAtOnce)
    {
        useStoredStems ({ "Bass" });
        page->getPluralToggle().setToggleState (! schema().matchPlurals, juce::sendNotificationSync);
        EXPECT_EQ (schema().matchPlurals, page->getPluralToggle().getToggleState());

        page->getNumberingCombo().setSelectedId (1, juce::sendNotificationSync);
        EXPECT_EQ (preset().exportSettings.naming.numbering, Numbering::schemaIndex);
        page->getNumberingCombo().setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (preset().exportSettings.naming.numbering, Numbering::consecutiveExported);
    }

    TEST (PresetRuleEdits, StoredRulesSurviveUnlessTheirTextChanged)
    {
        KeywordRule phrase ("boom", 0, "note");
        phrase.mode = KeywordMode::phrase;
        const std::vector<KeywordRule> stored { phrase, KeywordRule ("a,b"), KeywordRule ("riser", 5), KeywordRule ("x!y @2") };
        const auto loaded = formatRuleList (stored);

        EXPECT_EQ (rulesFromEditedText (stored, loaded, loaded), stored);

        // Items that are a stored rule's text keep it, special characters and all.
        const auto edited = rulesFromEditedText (stored, loaded, "boom, riser  @5, hit, a,b\nx!y @2 @2");
        ASSERT_EQ (edited.size(), 5u);
        EXPECT_EQ (edited[0], phrase);
        EXPECT_EQ (edited[1], stored[2]);
        EXPECT_EQ (edited[2].pattern, "hit");
        EXPECT_EQ (edited[3], stored[1]);
        EXPECT_EQ (edited[4].pattern, "x");   // not the stored text: read as typed

        // A stored text inside a longer item is not taken for the rule.
        const auto inside = rulesFromEditedText (stored, loaded, "big a,b");
        ASSERT_EQ (inside.size(), 2u);
        EXPECT_EQ (inside[0].pattern, "big a");

        EXPECT_EQ (parseExclusionText (" choir,\nvox\r\n, "), juce::StringArray ("choir", "vox"));
        EXPECT_EQ (formatExclusionText ({ "choir", "vox" }), "choir, vox");
    }
}
