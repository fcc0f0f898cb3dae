#include "app/pages/review/ReviewPageTestSupport.h"

namespace korvid::ui::reviewtest
{
    namespace
    {
        struct ChangeCounter : juce::ChangeListener
        {
            void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
            int count = 0;
        };
    }

    class ReviewRuleTest : public ReviewPageTest
    {
    protected:
        /** The schema as a library preset the session was loaded from, so that "modified"
            and the file on disk mean something. */
        void useStoredSchema()
        {
            useSchema();
            auto preset = state->session.getPreset().duplicate ("Publisher A", PresetKind::publisher);
            juce::String error;
            ASSERT_TRUE (state->presetStore->savePreset (preset, error)) << error;

            const auto* entry = state->presetStore->findEntry (preset.id);
            ASSERT_NE (entry, nullptr);
            libraryFile = entry->file;
            state->presetId = preset.id;
            state->session.setPreset (state->presetStore->loadPreset (preset.id).preset);
            ASSERT_FALSE (state->isPresetModified());
        }

        /** The word menu for the current selection, as "Save as rule..." would open it. */
        std::optional<ReviewPage::RuleMenuContext> ruleMenu()
        {
            tick();
            return page->takeRuleMenuContext();
        }

        juce::File libraryFile;
    };

    TEST_F (ReviewRuleTest, OnlyNewWordsOfTheFirstSelectedTrackAreOffered)
    {
        useSchema();
        const auto ids = importTakes ("One", { "Str_Hi_Long_03.wav", "str_violin.wav" });
        tick();
        page->selectTracks (ids);

        const auto context = ruleMenu();
        ASSERT_TRUE (context.has_value());
        EXPECT_EQ (context->words, juce::StringArray ("long")) << "Str is a rule, Hi too short, 03 digits only";
        EXPECT_EQ (context->stemId, stemId ("Strings"));
        EXPECT_EQ (context->stemName, "Strings");

        const auto menu = page->createRuleMenu (*context);
        juce::PopupMenu::MenuItemIterator it (menu);
        ASSERT_TRUE (it.next());
        EXPECT_TRUE (it.getItem().isSectionHeader);
        EXPECT_EQ (it.getItem().text, "Add a keyword to Strings");
        ASSERT_TRUE (it.next());
        EXPECT_EQ (it.getItem().itemID, 1);
        EXPECT_EQ (it.getItem().text, "long");
        EXPECT_TRUE (it.getItem().isEnabled);
        EXPECT_FALSE (it.getItem().isTicked);
        EXPECT_FALSE (it.next());
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ReviewRuleTest, ATrackWithoutAStemOrWithoutNewWordsIsExplained)
    {
        useSchema();
        const auto ids = importTakes ("One", { "noise_take.wav", "str_violin_01.wav" });
        tick();

        struct Case
        {
            juce::String trackId;
            juce::String title, message;
        };

        const Case cases[] = {
            { ids[0], "Assign it first",
              "Assign 'noise_take.wav' to a stem, then save that correction as a rule." },
            { ids[1], "Nothing new to add",
              "Every usable word in 'str_violin_01.wav' is already a rule somewhere in this schema." },
        };

        for (const auto& c : cases)
        {
            page->selectTracks ({ c.trackId });
            EXPECT_FALSE (ruleMenu().has_value());
            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::InfoIcon);
            EXPECT_EQ (lastQuestion()->title, c.title);
            EXPECT_EQ (lastQuestion()->message, c.message);
        }

        // Nothing selected, or a track gone meanwhile: nothing, and nothing said.
        dialogs->asked.clear();
        page->selectTracks ({});
        EXPECT_FALSE (ruleMenu().has_value());
        page->selectTracks ({ ids[0] });
        state->session.removeTracks ({ ids[0] });
        EXPECT_FALSE (page->takeRuleMenuContext().has_value());
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ReviewRuleTest, AConfirmedWordBecomesARuleOfTheSessionPresetOnly)
    {
        useStoredSchema();
        const auto ids = importTakes ("One", { "noise_long.wav" });
        state->session.assignTracks (ids, stemId ("Strings"), false);
        const auto before = *track (ids[0]);
        const auto fileBefore = libraryFile.loadFileAsString();
        ASSERT_TRUE (fileBefore.isNotEmpty());

        ChangeCounter changes;
        state->addChangeListener (&changes);

        tick();
        page->selectTracks (ids);
        const auto context = ruleMenu();
        ASSERT_TRUE (context.has_value());
        EXPECT_EQ (context->words, juce::StringArray ("noise", "long"));

        // Cancel: nothing.
        dialogs->confirmations.push_back (false);
        page->confirmRule (2, *context);
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->kind, testing::ScriptedDialogs::Kind::confirmation);
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ (lastQuestion()->title, "Add this rule?");
        EXPECT_EQ (lastQuestion()->message,
                   "'long' will be added to Strings in the preset loaded in this session.\n\n"
                   "The preset library on disk is not changed until you save the preset on the Preset page.");
        EXPECT_EQ (lastQuestion()->okText, "OK");
        EXPECT_EQ (lastQuestion()->cancelText, "Cancel");
        EXPECT_EQ (state->session.getPreset().schema.findStem (stemId ("Strings"))->rules.size(), 2u);

        // A dismissed menu asks nothing.
        const auto asked = dialogs->asked.size();
        page->confirmRule (0, *context);
        page->confirmRule (3, *context);
        EXPECT_EQ (dialogs->asked.size(), asked);

        // OK: the rule is appended, the track keeps its assignment, the library file stays.
        const int undoIndex = state->session.getUndoIndex();
        dialogs->confirmations.push_back (true);
        page->confirmRule (2, *context);

        const auto& rules = state->session.getPreset().schema.findStem (stemId ("Strings"))->rules;
        ASSERT_EQ (rules.size(), 3u);
        EXPECT_EQ (rules.back().pattern, "long");
        EXPECT_EQ (rules.back().mode, KeywordMode::token);
        EXPECT_EQ (rules.back().priority, 0);
        EXPECT_TRUE (rules.back().excludes.isEmpty());
        EXPECT_EQ (rules.back().note, "Added from the review screen.");

        EXPECT_EQ (track (ids[0])->source, before.source);
        EXPECT_EQ (track (ids[0])->reason, before.reason);
        EXPECT_EQ (state->session.getUndoIndex(), undoIndex);
        EXPECT_TRUE (state->isPresetModified());
        EXPECT_EQ (libraryFile.loadFileAsString(), fileBefore);
        EXPECT_TRUE (page->isRebuildPending());

        pump();
        EXPECT_EQ (changes.count, 1);
        state->removeChangeListener (&changes);

        // The same word again, from a box opened before: refused with the session's sentence.
        dialogs->confirmations.push_back (true);
        page->confirmRule (2, *context);
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lastQuestion()->title, "The rule was not added");
        EXPECT_EQ (lastQuestion()->message, "'long' is already a rule for Strings.");
    }

    TEST_F (ReviewRuleTest, RefusalsShowTheSessionsSentence)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_alpha.wav", "drum_beta.wav" });
        tick();

        // The stem went before OK.
        page->selectTracks ({ ids[0] });
        const auto strings = ruleMenu();
        ASSERT_TRUE (strings.has_value());
        auto preset = state->session.getPreset();
        preset.schema.removeStem (stemId ("Strings"));
        state->session.updatePreset (preset);

        dialogs->confirmations.push_back (true);
        page->confirmRule (1, *strings);
        EXPECT_EQ (lastQuestion()->title, "The rule was not added");
        EXPECT_EQ (lastQuestion()->message, "That stem is not part of the current schema.");

        // A stem with as many rules as it may hold.
        preset = state->session.getPreset();
        auto* drums = preset.schema.findStem (stemId ("Drums"));

        while ((int) drums->rules.size() < Session::maxRulesPerStem)
            drums->rules.emplace_back ("filler" + juce::String ((int) drums->rules.size()));

        state->session.updatePreset (preset);
        page->addConfirmedRule (1, "beta", stemId ("Drums"));
        EXPECT_EQ (lastQuestion()->message, "This stem already has the maximum number of rules.");

        // Only OK adds.
        const auto asked = dialogs->asked.size();
        page->addConfirmedRule (0, "beta", stemId ("Drums"));
        EXPECT_EQ (dialogs->asked.size(), asked);
    }

    TEST_F (ReviewRuleTest, AnswersArrivingAfterThePageWentDoNothing)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_alpha.wav" });
        tick();
        page->selectTracks (ids);
        const auto context = ruleMenu();
        ASSERT_TRUE (context.has_value());

        dialogs->answerAtOnce = false;
        dialogs->confirmations.push_back (true);
        page->confirmRule (1, *context);
        ASSERT_EQ (dialogs->pendingCount(), 1);

        // Open menus too: their windows are the page's children, go with it and answer 0.
        const int children = page->getNumChildComponents();
        page->buildAssignMenu (false);
        page->showRuleMenu();
        page->showStemMenu();
        pump();
        EXPECT_GT (page->getNumChildComponents(), children);

        page.reset();
        pump();
        dialogs->answerPending();
        pump();

        EXPECT_EQ (state->session.getPreset().schema.findStem (stemId ("Strings"))->rules.size(), 2u);
    }
}
