#include "app/pages/preset/PresetPageTestSupport.h"

#include "core/render/RenderPlanning.h"
#include "core/storage/PresetDocument.h"

namespace korvid::ui::presettest
{
    namespace
    {
        const juce::String discardTitle ("Discard the changes to the current preset?");
        const juce::String hybridId ("builtin-hybrid-orchestra-example");
    }

    class PresetLibraryTest : public PresetPageTest
    {
    protected:
        int rowOf (const juce::String& id) const
        {
            const auto& entries = page->getLibraryEntries();

            for (size_t i = 0; i < entries.size(); ++i)
                if (entries[i].id == id)
                    return (int) i;

            return -1;
        }

        /** An unsaved edit of the session's preset. */
        void editSessionPreset()
        {
            auto edited = preset();
            edited.schema.stems[0].displayName = "Edited";
            state->session.updatePreset (edited);
        }

        juce::String storeUserPreset (const juce::String& name)
        {
            juce::String id, error;
            EXPECT_TRUE (state->presetStore->createPreset (makeEmptyPreset(), name, PresetKind::publisher, id, error)) << error;
            page->refreshLibrary();
            return id;
        }
    };

    TEST_F (PresetLibraryTest, ChoosingAnotherRowWithEditsAsksAndCancelPutsTheSelectionBack)
    {
        const auto mine = useStoredStems ({ "Bass", "Drums" });
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());
        editSessionPreset();
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);

        // Cancel: the preset and the selection stay.
        page->getLibraryList().selectRow (rowOf (hybridId));
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, discardTitle);
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ (state->presetId, mine.id);
        EXPECT_EQ (schema().stems[0].displayName, "Edited");
        EXPECT_EQ (page->getLibraryList().getSelectedRow(), rowOf (mine.id));

        // OK: the row's preset is loaded and remembered.
        dialogs->confirmations = { true };
        page->getLibraryList().selectRow (rowOf (hybridId));
        EXPECT_EQ (state->presetId, hybridId);
        EXPECT_EQ (preset().id, hybridId);
        EXPECT_EQ (state->settings->getValue ("presetId"), hybridId);
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());
        EXPECT_FALSE (page->getSaveButton().isEnabled());
        EXPECT_FALSE (page->getRenameButton().isEnabled());
        EXPECT_FALSE (page->getDeletePresetButton().isEnabled());

        // The current row again, and any row without edits: no question.
        const auto asked = dialogs->asked.size();
        page->getLibraryList().selectRow (rowOf (hybridId));
        page->getLibraryList().selectRow (rowOf (mine.id));
        EXPECT_EQ (dialogs->asked.size(), asked);
        EXPECT_EQ (state->presetId, mine.id);
        EXPECT_TRUE (page->getRenameButton().isEnabled());
    }

    TEST_F (PresetLibraryTest, CancelWithoutACurrentRowLeavesNoRowSelected)
    {
        useStoredStems ({ "Bass" });
        state->presetId.clear();   // as after opening a project
        page->refreshLibrary();
        EXPECT_EQ (page->getLibraryList().getNumSelectedRows(), 0);

        page->getLibraryList().selectRow (rowOf (hybridId));
        EXPECT_EQ (lastQuestion()->title, discardTitle);
        EXPECT_EQ (page->getLibraryList().getNumSelectedRows(), 0);

        // So a second click on the same row asks again.
        page->getLibraryList().selectRow (rowOf (hybridId));
        EXPECT_EQ (questionsTitled (discardTitle), 2);
    }

    TEST_F (PresetLibraryTest, NewAndDuplicateAskBeforeDiscardingEdits)
    {
        const auto mine = useStoredStems ({ "Bass" });
        editSessionPreset();

        // Cancel on the question: no name is asked for, nothing changes.
        page->newPreset();
        EXPECT_EQ (dialogs->asked.size(), 1u);
        EXPECT_EQ (lastQuestion()->title, discardTitle);
        page->duplicatePreset();
        EXPECT_EQ (dialogs->asked.size(), 2u);
        EXPECT_EQ (state->presetId, mine.id);
        EXPECT_EQ (schema().stems[0].displayName, "Edited");

        // OK, then a name: a new publisher preset named after it, current.
        dialogs->confirmations = { true };
        dialogs->texts = { juce::String ("  Fresh  ") };
        page->newPreset();
        EXPECT_EQ (dialogs->asked[3].title, "New publisher preset");
        EXPECT_EQ (dialogs->asked[3].initialText, "New publisher");
        EXPECT_EQ (dialogs->asked[3].message, "Name:");
        EXPECT_EQ (preset().name, "Fresh");
        EXPECT_EQ (schema().publisher, "Fresh");
        EXPECT_EQ (preset().metadata.publisher, "Fresh");
        EXPECT_EQ (state->presetId, preset().id);
        EXPECT_NE (state->presetStore->findEntry (preset().id), nullptr);
        EXPECT_TRUE (schema().stems.empty());

        // Without edits Duplicate asks only for the name; blank names do nothing.
        const auto asked = dialogs->asked.size();
        dialogs->texts = { juce::String ("   ") };
        page->duplicatePreset();
        EXPECT_EQ (dialogs->asked.size(), asked + 1);
        EXPECT_EQ (lastQuestion()->initialText, "Fresh copy");
        EXPECT_EQ (preset().name, "Fresh");

        dialogs->texts = { juce::String ("Fresh 2") };
        page->duplicatePreset();
        EXPECT_EQ (preset().name, "Fresh 2");
        EXPECT_EQ (state->presetId, preset().id);
    }

    TEST_F (PresetLibraryTest, SaveClearsTheLabelAndSaveAsKeepsAssignmentsAndCueExceptions)
    {
        useStoredStems ({ "Bass", "Drums" });
        importTakes ("Cue", { "bass one.wav", "drums one.wav", "other.wav" });
        auto schemaWithMix = schema();
        const auto mixId = schemaWithMix.addSubmix ("Instrumental");
        page->applySchemaEdit (std::move (schemaWithMix));

        const auto bassId = stemIdNamed ("Bass"), drumsId = stemIdNamed ("Drums");
        state->session.assignTracks ({ trackIdOf ("bass one.wav") }, drumsId, true);
        state->session.assignTracks ({ trackIdOf ("other.wav") }, bassId, false);
        const auto cueId = trackNamed ("other.wav")->cueId;
        state->session.setSubmixOverride (cueId, *schema().findSubmix (mixId), bassId, false);

        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);
        page->saveSelectedPreset();
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());
        EXPECT_EQ (state->presetStore->loadPreset (state->presetId).preset.schema.submixes.size(), 1u);

        dialogs->texts = { juce::String ("Copy of mine") };
        const auto oldId = state->presetId;
        page->savePresetAs();
        EXPECT_EQ (dialogs->asked.back().title, "Save preset as");
        EXPECT_NE (state->presetId, oldId);
        EXPECT_EQ (preset().id, state->presetId);
        EXPECT_EQ (preset().name, "Copy of mine");
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        const auto* locked = trackNamed ("bass one.wav");
        EXPECT_EQ (locked->stemId, drumsId);
        EXPECT_EQ (locked->source, AssignmentSource::locked);
        const auto* manual = trackNamed ("other.wav");
        EXPECT_EQ (manual->stemId, bassId);
        EXPECT_EQ (manual->source, AssignmentSource::manual);

        const auto* cue = state->session.findCue (cueId);
        ASSERT_NE (cue, nullptr);
        EXPECT_EQ (cue->stemsForSubmix (*schema().findSubmix (mixId)), juce::StringArray (drumsId));

        const auto plan = buildRenderRequests (preset(), state->session.getTracks(), state->session.getCues(), root, true);
        for (const auto& error : plan.issues.errors)
            EXPECT_FALSE (error.contains ("not in the schema")) << error;
    }

    TEST_F (PresetLibraryTest, DeletingLoadsTheNeighbourOrLeavesTheSessionsPresetWhenNoneIsLeft)
    {
        useStoredStems ({ "Bass" }, "Aaa first");
        const auto middle = storeUserPreset ("Fff middle");
        const auto last = storeUserPreset ("Zzz last");
        const auto entries = page->getLibraryEntries();

        // The last row: the one that is last afterwards is loaded.
        state->presetId = last;
        state->session.setPreset (state->presetStore->loadPreset (last).preset);
        page->refreshLibrary();
        dialogs->confirmations = { true };
        page->deletePreset();
        EXPECT_EQ (lastQuestion()->title, "Delete the preset 'Zzz last'?");
        EXPECT_EQ (lastQuestion()->message, "This moves the preset file to the trash. It cannot be undone from inside Velvane.");
        EXPECT_EQ (state->presetId, entries[entries.size() - 2].id);
        EXPECT_EQ (preset().id, state->presetId);

        // A middle row: the preset that moved into its row.
        state->presetId = middle;
        state->session.setPreset (state->presetStore->loadPreset (middle).preset);
        page->refreshLibrary();
        const int middleRow = rowOf (middle);
        dialogs->confirmations = { true };
        page->deletePreset();
        EXPECT_EQ (state->presetId, page->getLibraryEntries()[(size_t) middleRow].id);

        // The only preset left: nothing is current, the session keeps its preset.
        for (const auto& entry : page->getLibraryEntries())
            if (entry.isBuiltIn)
                entry.file.deleteFile();
        page->refreshLibrary();
        ASSERT_EQ (page->getLibraryEntries().size(), 1u);
        const auto onlyId = page->getLibraryEntries()[0].id;
        state->presetId = onlyId;
        state->session.setPreset (state->presetStore->loadPreset (onlyId).preset);
        page->refreshLibrary();
        dialogs->confirmations = { true };
        page->deletePreset();
        EXPECT_TRUE (state->presetId.isEmpty());
        EXPECT_EQ (preset().id, onlyId);
        EXPECT_TRUE (page->getLibraryEntries().empty());
        EXPECT_EQ (page->getLibraryList().getNumSelectedRows(), 0);
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);
    }

    TEST_F (PresetLibraryTest, ImportKeepsAClashingIdApartAndExportWritesTheStoredPreset)
    {
        const auto mine = useStoredStems ({ "Bass" }, "Film/TV");
        editSessionPreset();

        const auto exported = root.getChildFile ("out").getChildFile ("X.JSON");
        dialogs->files = { exported };
        page->exportPreset();
        const auto& request = lastQuestion()->fileRequest;
        EXPECT_TRUE (request.saving);
        EXPECT_EQ (request.title, "Export the preset");
        EXPECT_EQ (request.start.getFileName(), "Film-TV.korvid.json");
        EXPECT_EQ (request.start.getParentDirectory(), juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));

        const auto written = loadPresetFile (exported);
        ASSERT_TRUE (written.ok) << written.validation.toText();
        EXPECT_EQ (written.preset.schema.stems[0].displayName, "Bass");   // the stored preset, not the edit

        // A name that climbs out of the folder stays a plain name in it.
        auto climbing = preset();
        climbing.name = "../x";
        state->session.updatePreset (climbing);
        page->exportPreset();
        const auto start = lastQuestion()->fileRequest.start;
        EXPECT_EQ (start.getParentDirectory(), juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));
        EXPECT_FALSE (start.getFileName().startsWith ("."));

        // Import offers upper-case names and adds a copy beside the clashing id.
        const auto count = page->getLibraryEntries().size();
        dialogs->files = { exported };
        page->importPreset();
        EXPECT_TRUE (juce::WildcardFileFilter (lastQuestion()->fileRequest.pattern, {}, {}).isFileSuitable (exported));
        EXPECT_EQ (page->getLibraryEntries().size(), count + 1);
        EXPECT_EQ (state->presetId, mine.id);
        bool copyListed = false;
        for (const auto& entry : page->getLibraryEntries())
            copyListed = copyListed || entry.name == "Film/TV (imported)";
        EXPECT_TRUE (copyListed);

        // Without a current library preset there is nothing to export.
        state->presetId.clear();
        page->exportPreset();
        EXPECT_EQ (lastQuestion()->title, "Nothing to export");
    }

    TEST_F (PresetLibraryTest, AnExportedNameWithoutItsEndingGetsOneTheImportChooserLists)
    {
        useStoredStems ({ "Bass" }, "Film");
        const auto out = root.getChildFile ("out");
        ASSERT_TRUE (out.createDirectory());
        ASSERT_TRUE (out.getChildFile ("Taken.korvid.json").replaceWithText ("{}"));

        struct Case
        {
            const char* typed;
            std::optional<bool> replaceAnswer;   // asked only when the ending led to an existing file
            const char* written;                 // empty: nothing is written
        };

        const Case cases[] = {
            { "Delivery", {}, "Delivery.korvid.json" },
            { "Delivery.korvid", {}, "Delivery.korvid.json" },
            { "Plain.JSON", {}, "Plain.JSON" },
            { "Taken", false, "" },
            { "Taken", true, "Taken.korvid.json" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.typed);
            for (const auto& f : out.findChildFiles (juce::File::findFiles, false, "*"))
                if (f.getFileName() != "Taken.korvid.json")
                    f.deleteFile();

            ASSERT_TRUE (out.getChildFile ("Taken.korvid.json").replaceWithText ("{}"));
            dialogs->asked.clear();
            dialogs->files = { out.getChildFile (c.typed) };

            if (c.replaceAnswer)
                dialogs->confirmations = { *c.replaceAnswer };

            page->exportPreset();

            EXPECT_EQ (dialogs->asked.size(), c.replaceAnswer ? 2u : 1u);
            EXPECT_FALSE (out.getChildFile (c.typed).existsAsFile() && juce::String (c.written) != c.typed)
                << "the typed name is not written as it is";

            if (juce::String (c.written).isEmpty())
            {
                EXPECT_EQ (out.getChildFile ("Taken.korvid.json").loadFileAsString(), "{}") << "the existing file is kept";
                continue;
            }

            const auto written = loadPresetFile (out.getChildFile (c.written));
            ASSERT_TRUE (written.ok) << written.validation.toText();
            EXPECT_EQ (written.preset.name, "Film");
            EXPECT_TRUE (juce::WildcardFileFilter (dialogs->asked[0].fileRequest.pattern, {}, {})
                             .isFileSuitable (out.getChildFile (c.written))) << "the import chooser lists it";
        }
    }

    TEST_F (PresetLibraryTest, SaveWithoutACurrentPresetAsksBeforeReplacingAndThenMakesItCurrent)
    {
        const auto mine = useStoredStems ({ "Bass" });
        editSessionPreset();
        state->presetId.clear();   // the session's preset came from a project
        page->refreshLibrary();
        EXPECT_TRUE (page->getSaveButton().isEnabled());
        EXPECT_FALSE (page->getRenameButton().isEnabled());

        page->saveSelectedPreset();
        EXPECT_EQ (lastQuestion()->title, "Replace the stored preset?");
        EXPECT_EQ (state->presetStore->loadPreset (mine.id).preset.schema.stems[0].displayName, "Bass");
        EXPECT_TRUE (state->presetId.isEmpty());

        dialogs->confirmations = { true };
        page->saveSelectedPreset();
        EXPECT_EQ (state->presetStore->loadPreset (mine.id).preset.schema.stems[0].displayName, "Edited");
        EXPECT_EQ (state->presetId, mine.id);
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());
        EXPECT_EQ (page->getLibraryList().getSelectedRow(), rowOf (mine.id));
    }

    TEST_F (PresetLibraryTest, RenamingKeepsTheSessionsOtherEditsAndAnUnchangedNameDoesNothing)
    {
        const auto mine = useStoredStems ({ "Bass" }, "Mine");
        editSessionPreset();

        dialogs->texts = { juce::String (" Mine ") };
        page->renamePreset();
        EXPECT_EQ (state->presetStore->findEntry (mine.id)->name, "Mine");
        EXPECT_EQ (dialogs->asked.size(), 1u);

        dialogs->texts = { juce::String ("Ours") };
        page->renamePreset();
        EXPECT_EQ (state->presetStore->findEntry (mine.id)->name, "Ours");
        EXPECT_EQ (preset().name, "Ours");
        EXPECT_EQ (schema().stems[0].displayName, "Edited");   // still unsaved
        EXPECT_EQ (state->presetStore->loadPreset (mine.id).preset.schema.stems[0].displayName, "Bass");
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);
    }

    TEST_F (PresetLibraryTest, MoreRulesThanADocumentHoldsStayInTheSessionButAreNotSaved)
    {
        const auto mine = useStoredStems ({ "Bass" });
        juce::StringArray words;
        for (int i = 0; i < 2001; ++i)
            words.add ("w" + juce::String (i));

        page->getRulesEditor().setText (words.joinIntoString (", "), false);
        page->commitStemEditor();
        EXPECT_EQ (schema().stems[0].rules.size(), 2001u);

        page->saveSelectedPreset();
        EXPECT_EQ (lastQuestion()->title, "The preset was not saved");
        EXPECT_FALSE (lastQuestion()->message.isEmpty());
        EXPECT_EQ (state->presetStore->loadPreset (mine.id).preset.schema.stems[0].rules.size(), 1u);
        EXPECT_EQ (schema().stems[0].rules.size(), 2001u);
    }

    TEST_F (PresetLibraryTest, RefusalsShowTheStoresSentenceAndChangeNothing)
    {
        // A built-in current: read only.
        state->presetId = hybridId;
        state->session.setPreset (state->presetStore->loadPreset (hybridId).preset);
        page->refreshLibrary();
        page->saveSelectedPreset();
        EXPECT_EQ (lastQuestion()->title, "Built-in presets are read only");

        // No current id: Duplicate fails with the store's findings.
        state->presetId.clear();
        dialogs->texts = { juce::String ("Copy") };
        page->duplicatePreset();   // modified without a current preset: asked first, cancelled
        dialogs->confirmations = { true };
        dialogs->texts = { juce::String ("Copy") };
        page->duplicatePreset();
        EXPECT_EQ (lastQuestion()->title, "The preset was not duplicated");
        EXPECT_TRUE (lastQuestion()->message.startsWith ("ERROR   "));
        EXPECT_EQ (preset().id, hybridId);
        EXPECT_TRUE (state->presetId.isEmpty());

        // Restore rewrites the built-ins and leaves the session alone.
        dialogs->confirmations = { true };
        page->restoreDefaults();
        EXPECT_EQ (dialogs->asked.back().title, "Restore the built-in presets?");
        EXPECT_EQ (preset().id, hybridId);
    }
}
