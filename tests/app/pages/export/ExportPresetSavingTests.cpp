#include "app/pages/export/ExportPageTestSupport.h"
#include "app/ProjectOpening.h"

namespace korvid::ui::exporttest
{
namespace
{
    class ExportPresetSavingTest : public ExportPageTest
    {
    public:
        /** Makes the library's preset of this id current, as choosing it in the library does. */
        void useLibraryPreset (const juce::String& id)
        {
            auto loaded = state->presetStore->loadPreset (id);
            ASSERT_TRUE (loaded.ok);
            state->presetId = id;
            state->session.setPreset (loaded.preset);
        }

        /** A user preset stored in the library and made current. */
        juce::String useStoredUserPreset()
        {
            auto preset = presetWithStems ({ "Strings", "Brass" });
            preset.id = newUuidString();
            preset.name = "Publisher X";
            juce::String error;
            EXPECT_TRUE (state->presetStore->savePreset (preset, error)) << error;
            useLibraryPreset (preset.id);
            return preset.id;
        }

        /** An edit made on the page: the second format row switched on. The preset line
            follows on one of the page's next ticks, which a busy machine delays: this waits
            until it shows an edit. */
        void editOnThePage()
        {
            row (1).enabledToggle.setToggleState (! row (1).enabledToggle.getToggleState(), juce::sendNotificationSync);
            pumpUntil ([this] { return lineColour() == colours::warning; }, lineWaitMs);
        }

        /** Until the preset line reads this (the page refreshes it on a tick or a posted
            notice); the test then checks what it reads. */
        void waitForLine (const juce::String& expected)
        {
            pumpUntil ([&] { return line() == expected; }, lineWaitMs);
        }

        static constexpr int lineWaitMs = 5000 * test::sanitizerSlowdown;

        juce::String line()          { return body().presetLine.getText(); }
        juce::Colour lineColour()    { return body().presetLine.findColour (juce::Label::textColourId); }
        bool canSave()               { return bar().saveButton.isEnabled(); }
    };

    //==============================================================================
    TEST_F (ExportPresetSavingTest, ThePresetLineSaysWhatSavingWillDo)
    {
        // The start-up preset is the built-in empty one.
        EXPECT_EQ (line(), "Empty   [publisher]   built-in: saving asks for a new name");
        EXPECT_EQ (lineColour(), colours::textSecondary);
        EXPECT_TRUE (canSave());

        editOnThePage();
        EXPECT_EQ (line(), "Empty   [publisher]   built-in: saving asks for a new name");
        EXPECT_EQ (lineColour(), colours::warning);
        EXPECT_TRUE (canSave());

        useStoredUserPreset();
        EXPECT_EQ (line(), "Publisher X   [publisher]");
        EXPECT_EQ (lineColour(), colours::textSecondary);
        EXPECT_FALSE (canSave());

        editOnThePage();
        EXPECT_EQ (line(), "Publisher X   [publisher]   unsaved changes");
        EXPECT_EQ (lineColour(), colours::warning);
        EXPECT_TRUE (canSave());
    }

    TEST_F (ExportPresetSavingTest, SavingAnEditedUserPresetOverwritesItUnderItsId)
    {
        const auto id = useStoredUserPreset();
        editOnThePage();
        const auto entries = state->presetStore->entries.size();

        // The click arrives as a posted message.
        bar().saveButton.triggerClick();
        pumpUntil ([this] { return ! state->isPresetModified(); }, lineWaitMs);

        EXPECT_TRUE (dialogs->asked.empty());
        EXPECT_EQ (state->presetStore->entries.size(), entries);
        const auto stored = state->presetStore->loadPreset (id);
        ASSERT_TRUE (stored.ok);
        EXPECT_TRUE (stored.preset.exportSettings.formats[1].enabled);
        EXPECT_EQ (state->presetId, id);
        EXPECT_FALSE (state->isPresetModified());
        EXPECT_EQ (line(), "Publisher X   [publisher]");
        EXPECT_FALSE (canSave());
    }

    TEST_F (ExportPresetSavingTest, SavingABuiltInAsksForANameAndKeepsEveryAssignment)
    {
        useLibraryPreset (makeHybridOrchestraExamplePreset().id);

        // An alternative mix, so that a cue can hold its own member list.
        auto withMix = state->session.getPreset();
        const auto mixId = withMix.schema.addSubmix ("Mix A");
        state->session.updatePreset (withMix);

        importCue ("1M01", { "Strings.wav", "Brass.wav", "Oddity.wav" });
        const auto& stems = state->session.getPreset().schema.stems;
        const auto& tracks = state->session.getTracks();
        ASSERT_EQ (tracks.size(), 3u);
        state->session.assignTracks ({ tracks[2].id }, stems[3].id, false);   // manual
        state->session.assignTracks ({ tracks[1].id }, stems[5].id, true);    // locked
        const auto& cue = state->session.getCues().front();
        state->session.setSubmixOverride (cue.id, *state->session.getPreset().schema.findSubmix (mixId), stems[0].id, false);
        const auto assignmentsBefore = state->session.takeSnapshot();
        const auto overridesBefore = state->session.getCues().front().submixOverrides;

        // Cancel, then a blank name: nothing is stored.
        const auto entries = state->presetStore->entries.size();
        dialogs->texts.push_back (std::nullopt);
        dialogs->texts.push_back (juce::String ("   "));
        page->savePresetFromHere();
        page->savePresetFromHere();
        EXPECT_EQ (state->presetStore->entries.size(), entries);

        ASSERT_EQ (dialogs->asked.size(), 2u);
        const auto& prompt = dialogs->asked[0];
        EXPECT_EQ (prompt.kind, QuestionKind::text);
        EXPECT_EQ (prompt.title, "Save as a new preset");
        EXPECT_EQ (prompt.message, "'Hybrid Orchestra Example' is built in and cannot be changed.\n"
                                   "Give these settings a name of their own:");
        EXPECT_EQ (prompt.initialText, "Hybrid Orchestra Example (edited)");
        EXPECT_EQ (prompt.okText, "Save");
        EXPECT_EQ (prompt.cancelText, "Cancel");

        dialogs->texts.push_back (juce::String ("  My orchestra  "));
        page->savePresetFromHere();
        pump (30);

        const auto& preset = state->session.getPreset();
        EXPECT_EQ (preset.name, "My orchestra");
        EXPECT_FALSE (preset.isBuiltIn);
        EXPECT_EQ (preset.kind, PresetKind::publisher);
        EXPECT_NE (preset.id, makeHybridOrchestraExamplePreset().id);
        EXPECT_EQ (state->presetId, preset.id);
        EXPECT_EQ (state->presetStore->entries.size(), entries + 1);

        // Every assignment, manual and locked ones included, and the cue's own mix list.
        const auto assignmentsAfter = state->session.takeSnapshot();
        ASSERT_EQ (assignmentsAfter.tracks.size(), assignmentsBefore.tracks.size());

        for (size_t i = 0; i < assignmentsBefore.tracks.size(); ++i)
        {
            EXPECT_EQ (assignmentsAfter.tracks[i].stemId, assignmentsBefore.tracks[i].stemId);
            EXPECT_EQ (assignmentsAfter.tracks[i].source, assignmentsBefore.tracks[i].source);
        }

        EXPECT_EQ (state->session.getCues().front().submixOverrides, overridesBefore);
        EXPECT_NE (preset.schema.findSubmix (mixId), nullptr);

        EXPECT_EQ (line(), "My orchestra   [publisher]");
        EXPECT_FALSE (canSave());
    }

    TEST_F (ExportPresetSavingTest, ARefusedStoreSaysSoAndChangesNothing)
    {
        const auto id = useStoredUserPreset();
        editOnThePage();

        // The library's folder for publisher presets is replaced by a file.
        const auto publisherFolder = state->presetStore->findEntry (id)->file.getParentDirectory();
        ASSERT_TRUE (publisherFolder.deleteRecursively());
        ASSERT_TRUE (publisherFolder.replaceWithText ("in the way"));

        page->savePresetFromHere();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "The preset was not saved");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_TRUE (lastQuestion()->message.isNotEmpty());
        EXPECT_TRUE (state->session.getPreset().exportSettings.formats[1].enabled);
        EXPECT_EQ (line(), "Publisher X   [publisher]   unsaved changes");
    }

    TEST_F (ExportPresetSavingTest, AfterOpeningAProjectSavingAsksBeforeReplacingTheLibrarysPreset)
    {
        const auto id = useStoredUserPreset();
        importCue ("1M01", { "Strings.wav" });
        const auto projectFile = root.getChildFile ("Session.vlpr");
        juce::String error;
        ASSERT_TRUE (state->saveProject (projectFile, error)) << error;
        juce::StringArray missing;
        ASSERT_TRUE (korvid::test::openProjectAndWait (*state, projectFile, error, missing)) << error;
        // The page hears of the opened project's library preset through a posted notice.
        waitForLine ("Publisher X   [publisher]   unsaved changes");

        EXPECT_TRUE (state->presetId.isEmpty());
        EXPECT_EQ (line(), "Publisher X   [publisher]   unsaved changes");
        EXPECT_TRUE (canSave());

        dialogs->confirmations.push_back (false);
        page->savePresetFromHere();
        ASSERT_EQ (dialogs->asked.size(), 1u);
        EXPECT_EQ (dialogs->asked[0].kind, QuestionKind::confirmation);
        EXPECT_EQ (dialogs->asked[0].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (dialogs->asked[0].title, "Replace the preset in the library?");
        EXPECT_TRUE (state->presetId.isEmpty());

        dialogs->confirmations.push_back (true);
        page->savePresetFromHere();
        EXPECT_EQ (state->presetId, id);
        EXPECT_FALSE (state->isPresetModified());
        EXPECT_EQ (line(), "Publisher X   [publisher]");
        EXPECT_FALSE (canSave());
    }
}
}
