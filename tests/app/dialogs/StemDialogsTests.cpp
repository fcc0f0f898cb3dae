#include "app/StemDialogs.h"

#include "app/dialogs/DialogsTestSupport.h"
#include "core/model/TemplatePalette.h"
#include "support/TemplateStoreFilling.h"

#include <functional>
#include <vector>

namespace korvid::ui
{
namespace
{
    using dialogstest::DialogsTest;
    using Kind = testing::ScriptedDialogs::Kind;

    /** One menu entry as the user sees it. */
    struct MenuEntry
    {
        juce::String text;
        int id = 0;
        bool enabled = false;
        bool separator = false;
        bool hasSubMenu = false;
        std::vector<MenuEntry> subMenu;
    };

    std::vector<MenuEntry> describe (const juce::PopupMenu& menu)
    {
        std::vector<MenuEntry> entries;
        juce::PopupMenu::MenuItemIterator it (menu);

        while (it.next())
        {
            const auto& item = it.getItem();
            MenuEntry entry { item.text, item.itemID, item.isEnabled, item.isSeparator, item.subMenu != nullptr, {} };

            if (item.subMenu != nullptr)
                entry.subMenu = describe (*item.subMenu);

            entries.push_back (std::move (entry));
        }

        return entries;
    }

    int paletteIndexOf (const juce::String& category)
    {
        const auto& palette = builtInTemplates();

        for (size_t i = 0; i < palette.size(); ++i)
            if (palette[i].category == category)
                return (int) i;

        return -1;
    }

    class StemDialogsTest : public DialogsTest
    {
    protected:
        void SetUp() override
        {
            DialogsTest::SetUp();
            useStems ({ { "Alpha", {} }, { "Beta", {} }, { "Gamma", "GMA" } });
            trackIds = importTracks ("Cue", { "Take 1.wav", "Take 2.wav", "Take 3.wav" });
            selected = { trackIds[0], trackIds[1] };
        }

        void addUserTemplate (const juce::String& name, juce::StringArray keywords)
        {
            juce::String error;
            ASSERT_TRUE (state->templates.addOrReplace (StemTemplate ("User", name, "UT", 0xff112233, keywords, { "not" }),
                                                        error)) << error;
        }

        /** Nothing about stems, assignments or templates changed, and no question was asked. */
        void expectUnchanged (size_t stemsBefore, size_t templatesBefore)
        {
            EXPECT_EQ (schema().stems.size(), stemsBefore);
            EXPECT_EQ (state->templates.templates.size(), templatesBefore);
            EXPECT_TRUE (dialogs->asked.empty());

            for (const auto& id : trackIds)
                EXPECT_TRUE (track (id).stemId.isEmpty());
        }

        void expectManuallyIn (const juce::String& stemId)
        {
            for (const auto& id : selected)
            {
                EXPECT_EQ (track (id).stemId, stemId);
                EXPECT_EQ (track (id).source, AssignmentSource::manual);
            }

            EXPECT_TRUE (track (trackIds[2]).stemId.isEmpty());   // not selected
        }

        juce::StringArray trackIds, selected;
    };

    //==============================================================================
    TEST_F (StemDialogsTest, MenuOffersUserTemplatesBuiltInCategoriesAndNewStemWhileTheSchemaHasRoom)
    {
        const auto categories = templateCategories();
        ASSERT_TRUE (categories.contains ("Blank"));   // otherwise leaving it out shows nothing
        const auto& palette = builtInTemplates();

        struct Case { const char* label; bool userTemplates; int stems; };

        for (const auto& c : { Case { "room, no user templates", false, 3 },
                               Case { "room, user templates", true, 3 },
                               Case { "full, user templates", true, maxStemsInSchema } })
        {
            SCOPED_TRACE (c.label);

            if (c.userTemplates && state->templates.templates.empty())
            {
                addUserTemplate ("Zither", { "zither" });
                addUserTemplate ("Accordion", { "accordion" });   // the store sorts by name
            }

            fillSchemaTo (c.stems);
            const bool enabled = c.stems < maxStemsInSchema;

            juce::PopupMenu menu;
            menu.addItem (1, "Host item");
            addNewStemMenuItems (menu, *state);
            const auto entries = describe (menu);

            ASSERT_EQ (entries.size(), c.userTemplates ? 5u : 4u);
            EXPECT_TRUE (entries[1].separator);
            size_t next = 2;

            if (c.userTemplates)
            {
                const auto& user = entries[next++];
                EXPECT_EQ (user.text, "New stem from user template");
                EXPECT_EQ (user.enabled, enabled);
                ASSERT_EQ (user.subMenu.size(), 2u);

                for (size_t i = 0; i < 2; ++i)
                {
                    EXPECT_EQ (user.subMenu[i].text, state->templates.templates[i].displayName);
                    EXPECT_EQ (user.subMenu[i].id, 201000 + (int) i);
                    EXPECT_EQ (user.subMenu[i].enabled, enabled);
                }

                EXPECT_EQ (user.subMenu[0].text, "Accordion");
            }

            const auto& fromTemplate = entries[next++];
            EXPECT_EQ (fromTemplate.text, "New stem from template");
            EXPECT_EQ (fromTemplate.enabled, enabled);
            ASSERT_EQ ((int) fromTemplate.subMenu.size(), categories.size() - 1);

            size_t shown = 0;

            for (const auto& category : categories)
            {
                if (category == "Blank")
                    continue;

                const auto& sub = fromTemplate.subMenu[shown++];
                EXPECT_EQ (sub.text, category);
                EXPECT_TRUE (sub.enabled);

                std::vector<MenuEntry> expected;

                for (size_t i = 0; i < palette.size(); ++i)
                    if (palette[i].category == category)
                        expected.push_back ({ palette[i].displayName, 202000 + (int) i, enabled, false, false, {} });

                ASSERT_EQ (sub.subMenu.size(), expected.size());

                for (size_t i = 0; i < expected.size(); ++i)
                {
                    EXPECT_EQ (sub.subMenu[i].text, expected[i].text);
                    EXPECT_EQ (sub.subMenu[i].id, expected[i].id);
                    EXPECT_EQ (sub.subMenu[i].enabled, enabled);
                }
            }

            const auto& newStem = entries[next];
            EXPECT_EQ (newStem.text, "New stem");
            EXPECT_EQ (newStem.id, 200000);
            EXPECT_EQ (newStem.enabled, enabled);
        }

        // An empty host menu gets no separator in front.
        juce::PopupMenu empty;
        addNewStemMenuItems (empty, *state);
        EXPECT_FALSE (describe (empty).front().separator);
    }

    TEST_F (StemDialogsTest, ResultIdsOutsideTheRangeAreTheCallersAndUnusableOnesDoNothing)
    {
        addUserTemplate ("Zither", { "zither" });
        const int paletteSize = (int) builtInTemplates().size();
        const int firstNonBlank = paletteIndexOf ("Combined");
        ASSERT_GE (firstNonBlank, 0);

        struct Case { const char* label; int id; bool handled; juce::StringArray ids; int stems; };

        const std::vector<Case> cases {
            { "below the range", 199999, false, selected, 3 },
            { "above the range", 203000, false, selected, 3 },
            { "between new stem and user templates", 200001, true, selected, 3 },
            { "last before user templates", 200999, true, selected, 3 },
            { "user template past the list", 201001, true, selected, 3 },
            { "built-in past the palette", 202000 + paletteSize, true, selected, 3 },
            { "last of the range", 202999, true, selected, 3 },
            { "new stem without tracks", 200000, true, {}, 3 },
            { "user template without tracks", 201000, true, {}, 3 },
            { "built-in without tracks", 202000 + firstNonBlank, true, {}, 3 },
            { "new stem with a full schema", 200000, true, selected, maxStemsInSchema },
            { "user template with a full schema", 201000, true, selected, maxStemsInSchema },
            { "built-in with a full schema", 202000 + firstNonBlank, true, selected, maxStemsInSchema },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            fillSchemaTo (c.stems);
            dialogs->asked.clear();
            const auto stemsBefore = schema().stems.size();

            EXPECT_EQ (handleNewStemMenuResult (c.id, *state, nullptr, c.ids), c.handled);
            expectUnchanged (stemsBefore, 1);
        }
    }

    TEST_F (StemDialogsTest, ATemplateMakesAStemForTheTracksOrUsesTheStemOfThatName)
    {
        addUserTemplate ("Zither", { "zither", "cimbalom" });
        const int builtIn = paletteIndexOf ("Combined");
        ASSERT_GE (builtIn, 0);
        const auto builtInTemplate = builtInTemplates()[(size_t) builtIn];
        const auto userTemplate = state->templates.templates[0];

        struct Case
        {
            const char* label;
            int id;
            StemTemplate expected;
            juce::String existingName;    // a stem already named so (display name or token), or empty
            juce::String existingToken;
        };

        const std::vector<Case> cases {
            { "built-in, new", 202000 + builtIn, builtInTemplate, {}, {} },
            { "built-in, same name in other case", 202000 + builtIn, builtInTemplate,
              "  " + builtInTemplate.displayName.toUpperCase() + " ", {} },
            { "built-in, same file-name token", 202000 + builtIn, builtInTemplate, "Something else",
              builtInTemplate.displayName.toLowerCase() },
            { "user, new", 201000, userTemplate, {}, {} },
            { "user, same name", 201000, userTemplate, "zither", {} },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            useStems ({ { "Alpha", {} }, { "Beta", {} } });

            juce::String existingId;

            if (c.existingName.isNotEmpty())
            {
                useStems ({ { "Alpha", {} }, { c.existingName, c.existingToken }, { "Beta", {} } });
                existingId = schema().stems[1].id;
            }

            const auto stemsBefore = schema().stems.size();
            dialogs->asked.clear();

            EXPECT_TRUE (handleNewStemMenuResult (c.id, *state, nullptr, selected));
            EXPECT_TRUE (dialogs->asked.empty());
            EXPECT_EQ (state->templates.templates.size(), 1u);   // no template is made from a template

            if (existingId.isNotEmpty())
            {
                EXPECT_EQ (schema().stems.size(), stemsBefore);
                expectManuallyIn (existingId);
                continue;
            }

            ASSERT_EQ (schema().stems.size(), stemsBefore + 1);
            const auto& added = schema().stems.back();
            EXPECT_TRUE (added.id.isNotEmpty());
            EXPECT_EQ (added.index, (int) stemsBefore + 1);
            EXPECT_EQ (added.displayName, c.expected.displayName);
            EXPECT_EQ (added.shortCode, c.expected.shortCode);
            EXPECT_EQ (added.colour, c.expected.colourARGB);
            EXPECT_EQ (added.excludeKeywords, c.expected.excludeKeywords);
            ASSERT_EQ ((int) added.rules.size(), c.expected.keywords.size());

            for (size_t i = 0; i < added.rules.size(); ++i)
                EXPECT_EQ (added.rules[i].pattern, c.expected.keywords[(int) i]);

            expectManuallyIn (added.id);
        }
    }

    TEST_F (StemDialogsTest, NewStemByNameAssignsTheTracksAndIsKeptAsAUserTemplateOnce)
    {
        addUserTemplate ("Zither", { "zither", "cimbalom" });
        const auto builtInName = builtInTemplates()[(size_t) paletteIndexOf ("Combined")].displayName;

        struct Case
        {
            const char* label;
            juce::String typed, name;
            KeywordMode mode;
            bool keptAsTemplate;
        };

        const std::vector<Case> cases {
            { "two words", "Solo Violin", "Solo Violin", KeywordMode::phrase, true },
            { "one word, blanks around", "  Taiko  ", "Taiko", KeywordMode::token, true },
            { "a built-in template's name", builtInName.toLowerCase(), builtInName.toLowerCase(),
              builtInName.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token, false },
            { "a user template's name", "ZITHER", "ZITHER", KeywordMode::token, false },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            useStems ({ { "Alpha", {} }, { "Beta", {} }, { "Gamma", "GMA" } });
            state->templates.load();   // what is on disk: the store saves every template it keeps
            const auto templatesBefore = state->templates.templates;
            dialogs->asked.clear();
            dialogs->texts.push_back (c.typed);

            EXPECT_TRUE (handleNewStemMenuResult (200000, *state, nullptr, selected));

            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].kind, Kind::text);
            EXPECT_EQ (dialogs->asked[0].title, "New stem");
            EXPECT_EQ (dialogs->asked[0].message,
                       "2 track(s) will be put in it, and it will be kept as a template for next time.");
            EXPECT_EQ (dialogs->asked[0].initialText, "");
            EXPECT_EQ (dialogs->asked[0].okText, "Create");
            EXPECT_EQ (dialogs->asked[0].fieldLabel, "Name");

            ASSERT_EQ (schema().stems.size(), 4u);
            const auto& added = schema().stems.back();
            EXPECT_TRUE (added.id.isNotEmpty());
            EXPECT_EQ (added.index, 4);
            EXPECT_EQ (added.displayName, c.name);
            EXPECT_EQ (added.fileNameToken, c.name);
            EXPECT_EQ (added.shortCode, "");
            EXPECT_EQ (added.colour, autoStemColour (3));
            EXPECT_EQ (added.priority, 0);
            EXPECT_FALSE (added.required);
            EXPECT_TRUE (added.excludeKeywords.isEmpty());
            EXPECT_FALSE (added.emptyPolicy.has_value());
            EXPECT_EQ (added.namingTemplate, "");
            ASSERT_EQ (added.rules.size(), 1u);
            EXPECT_EQ (added.rules[0].pattern, c.name);
            EXPECT_EQ (added.rules[0].mode, c.mode);
            EXPECT_EQ (added.rules[0].priority, 0);
            EXPECT_TRUE (added.rules[0].excludes.isEmpty());
            EXPECT_EQ (added.rules[0].note, "");
            expectManuallyIn (added.id);

            // Read back from the file, so the template is kept for the next run too.
            TemplateStore reloaded (TemplateStore::defaultFile());

            if (! c.keptAsTemplate)
            {
                ASSERT_EQ (reloaded.templates.size(), templatesBefore.size());

                for (size_t i = 0; i < templatesBefore.size(); ++i)
                {
                    EXPECT_EQ (reloaded.templates[i].displayName, templatesBefore[i].displayName);
                    EXPECT_EQ (reloaded.templates[i].keywords, templatesBefore[i].keywords);
                }

                continue;
            }

            ASSERT_EQ (reloaded.templates.size(), templatesBefore.size() + 1);
            const StemTemplate* kept = nullptr;

            for (const auto& t : reloaded.templates)
                if (t.displayName == c.name)
                    kept = &t;

            ASSERT_NE (kept, nullptr);
            EXPECT_EQ (kept->category, "User");
            EXPECT_EQ (kept->shortCode, "");
            EXPECT_EQ (kept->colourARGB, autoStemColour (3));
            EXPECT_EQ (kept->keywords, juce::StringArray (c.name));
            EXPECT_TRUE (kept->excludeKeywords.isEmpty());
        }
    }

    // The stem is what the user asked for and is made; the template is extra, and when the
    // store refuses it the user hears the store's reason rather than nothing.
    TEST_F (StemDialogsTest, NewStemIsMadeWhenTheStoreRefusesItsTemplateAndTheStoreSaysWhy)
    {
        struct Case
        {
            const char* label;
            std::function<void()> fillStore;
            juce::String prompt;
            std::function<bool (const juce::String&)> isStoreSentence;
        };

        const std::vector<Case> cases {
            { "a file near its size limit",
              [this] { test::fillTemplateStoreToWithin (state->templates, 16); },
              "2 track(s) will be put in it.",   // no template fits in 16 bytes, so none is promised
              [] (const juce::String& text)
              {
                  return text.startsWith ("The stem templates would take 4.")
                      && text.endsWith (" MB, more than the 4 MB their file may hold, so the change was not saved.");
              } },
            { "as many templates as it keeps",
              [this]
              {
                  for (int i = 0; i < TemplateStore::maxTemplates; ++i)
                      state->templates.templates.push_back (StemTemplate ("User", "Kept " + juce::String (i).paddedLeft ('0', 3),
                                                                          {}, 0xff112233, { "kept" }, {}));
                  juce::String error;
                  ASSERT_TRUE (state->templates.save (error)) << error;
              },
              "2 track(s) will be put in it.",   // it cannot be kept, so it is not promised
              [] (const juce::String& text) { return text == "That is as many templates as you can keep."; } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            useStems ({ { "Alpha", {} }, { "Beta", {} }, { "Gamma", "GMA" } });
            state->templates.templates.clear();
            c.fillStore();
            const auto templatesBefore = state->templates.templates.size();
            juce::MemoryBlock fileBefore;
            ASSERT_TRUE (state->templates.file.loadFileAsData (fileBefore));

            dialogs->asked.clear();
            dialogs->texts.push_back (juce::String ("Taiko"));
            EXPECT_TRUE (handleNewStemMenuResult (newStemMenuIds::newStem, *state, nullptr, selected));

            ASSERT_EQ (dialogs->asked.size(), 2u);
            EXPECT_EQ (dialogs->asked[0].title, "New stem");
            EXPECT_EQ (dialogs->asked[0].message, c.prompt);

            const auto& warning = dialogs->asked[1];
            EXPECT_EQ (warning.kind, Kind::message);
            EXPECT_EQ (warning.icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (warning.title, "The template was not saved");
            EXPECT_TRUE (c.isStoreSentence (warning.message)) << warning.message;

            // The stem stands with the tracks in it; the store and its file are as they were.
            ASSERT_EQ (schema().stems.size(), 4u);
            EXPECT_EQ (schema().stems.back().displayName, "Taiko");
            expectManuallyIn (schema().stems.back().id);
            EXPECT_EQ (state->templates.templates.size(), templatesBefore);

            juce::MemoryBlock fileAfter;
            ASSERT_TRUE (state->templates.file.loadFileAsData (fileAfter));
            EXPECT_TRUE (fileAfter == fileBefore);
        }

        // With room again, the promise is back and nothing more is said.
        useStems ({ { "Alpha", {} }, { "Beta", {} }, { "Gamma", "GMA" } });
        state->templates.templates.clear();
        dialogs->asked.clear();
        dialogs->texts.push_back (juce::String ("Taiko"));
        EXPECT_TRUE (handleNewStemMenuResult (newStemMenuIds::newStem, *state, nullptr, selected));
        ASSERT_EQ (dialogs->asked.size(), 1u);
        EXPECT_EQ (dialogs->asked[0].message,
                   "2 track(s) will be put in it, and it will be kept as a template for next time.");
        ASSERT_EQ (state->templates.templates.size(), 1u);
        EXPECT_EQ (state->templates.templates[0].displayName, "Taiko");
    }

    // The prompt is read before a name is typed: it promises a template exactly when the store
    // would take the smallest one it can make (a one-letter name), by the store's own measure.
    TEST_F (StemDialogsTest, TheTemplatePromiseFollowsTheStoresSizeLimit)
    {
        const auto smallest = StemTemplate ("User", "a", {}, autoStemColour (3), { "a" }, {});
        test::fillTemplateStoreToWithin (state->templates, 0);
        auto withSmallest = state->templates.templates;
        withSmallest.push_back (smallest);
        const auto room = test::templateFileBytes (withSmallest) - test::templateFileBytes (state->templates.templates);

        struct Case
        {
            const char* label;
            juce::int64 room;
            const char* typed;
            bool promised, kept;
        };

        const Case cases[] = {
            { "room for the smallest", room, "a", true, true },
            { "a byte short of it", room - 1, "a", false, false },
            // A longer name than the promise could allow for is refused and said.
            { "room for the smallest, a longer name", room, "Taiko", true, false },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            useStems ({ { "Alpha", {} }, { "Beta", {} }, { "Gamma", "GMA" } });
            state->templates.templates.clear();
            test::fillTemplateStoreToWithin (state->templates, c.room);
            dialogs->asked.clear();
            dialogs->texts.push_back (juce::String (c.typed));

            EXPECT_TRUE (handleNewStemMenuResult (newStemMenuIds::newStem, *state, nullptr, selected));

            ASSERT_GE (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].message,
                       c.promised ? "2 track(s) will be put in it, and it will be kept as a template for next time."
                                  : "2 track(s) will be put in it.");
            EXPECT_EQ (schema().stems.back().displayName, c.typed);
            EXPECT_EQ (state->templates.templates.size(), c.kept ? 2u : 1u);
            ASSERT_EQ (dialogs->asked.size(), c.kept ? 1u : 2u);

            if (! c.kept)
            {
                EXPECT_EQ (dialogs->asked[1].title, "The template was not saved");
            }
        }
    }

    TEST_F (StemDialogsTest, ATypedNameAStemAlreadyHasIsRefusedWithItsNumber)
    {
        struct Case { const char* typed; juce::String sentence; };

        for (const auto& c : { Case { " beta ", "Stem 02 is already called 'Beta'. Assign these tracks to it instead, "
                                                "or pick another name." },
                               Case { "gamma", "Stem 03 is already called 'Gamma'. Assign these tracks to it instead, "
                                               "or pick another name." },
                               Case { "gma", "Stem 03 is already called 'Gamma'. Assign these tracks to it instead, "
                                             "or pick another name." } })
        {
            SCOPED_TRACE (c.typed);
            dialogs->asked.clear();
            dialogs->texts.push_back (juce::String (c.typed));

            EXPECT_TRUE (handleNewStemMenuResult (200000, *state, nullptr, selected));

            ASSERT_EQ (dialogs->asked.size(), 2u);
            const auto& warning = dialogs->asked[1];
            EXPECT_EQ (warning.kind, Kind::message);
            EXPECT_EQ (warning.icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (warning.title, "That name is already taken");
            EXPECT_EQ (warning.message, c.sentence);

            dialogs->asked.clear();
            expectUnchanged (3, 0);
        }
    }

    TEST_F (StemDialogsTest, CancelABlankNameOrASchemaFilledMeanwhileMakesNoStem)
    {
        struct Case { const char* label; std::optional<juce::String> answer; bool fillWhileAsking; };

        for (const auto& c : { Case { "cancel", std::nullopt, false },
                               Case { "blank", juce::String (" \t "), false },
                               Case { "schema filled meanwhile", juce::String ("Fresh"), true } })
        {
            SCOPED_TRACE (c.label);
            dialogs->asked.clear();
            dialogs->answerAtOnce = false;
            dialogs->texts.push_back (c.answer);

            EXPECT_TRUE (handleNewStemMenuResult (200000, *state, nullptr, selected));
            ASSERT_EQ (dialogs->pendingCount(), 1);

            if (c.fillWhileAsking)
                fillSchemaTo (maxStemsInSchema);

            const auto stemsBefore = schema().stems.size();
            dialogs->answerPending();
            dialogs->asked.clear();   // the prompt; nothing may follow it
            expectUnchanged (stemsBefore, 0);
        }
    }
}
}
