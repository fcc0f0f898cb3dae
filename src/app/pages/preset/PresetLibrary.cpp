#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "core/model/BuiltInPresets.h"
#include "core/model/OutputNaming.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/SaveTargets.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    namespace
    {
        // Extensions are matched whatever their letter case.
        constexpr const char* presetFilePattern = "*.json;*.JSON;*.Json";
        constexpr const char* presetFileSuffix = ".korvid.json";
        constexpr int maxExportNameLength = 200;
    }

    //==============================================================================
    int PresetPage::getNumRows()
    {
        return (int) libraryEntries.size();
    }

    void PresetPage::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected)
    {
        if (rowNumber < 0 || rowNumber >= (int) libraryEntries.size())
            return;

        const auto& entry = libraryEntries[(size_t) rowNumber];

        if (rowIsSelected)
            g.fillAll (colours::accent.withAlpha (0.25f));

        const bool current = entry.id == appState.presetId;
        g.setColour (current ? colours::accent : colours::textPrimary);
        g.setFont (current ? headingFont() : bodyFont());
        const int nameWidth = juce::jmax (0, width - 12 - 74);
        g.drawText (entry.name, 6, 0, nameWidth, height, juce::Justification::centredLeft, true);

        g.setColour (colours::textSecondary);
        g.setFont (tinyFont());
        g.drawText (entry.isBuiltIn ? juce::String ("built-in") : presetKindName (entry.kind),
                    6 + nameWidth, 0, 74, height, juce::Justification::centredRight, true);
    }

    void PresetPage::selectedRowsChanged (int)
    {
        const int row = libraryList.getSelectedRow (0);

        if (row < 0 || row >= (int) libraryEntries.size() || libraryEntries[(size_t) row].id == appState.presetId)
            return;

        if (! appState.isPresetModified())
        {
            loadSelectedPreset();
            return;
        }

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Discard the changes to the current preset?",
                                   "The preset loaded in this session has unsaved edits. Loading another one discards them.",
                                   "OK", "Cancel", [safeThis] (bool ok)
        {
            if (safeThis == nullptr)
                return;

            if (ok)
                safeThis->loadSelectedPreset();
            else
                safeThis->refreshLibrary();
        });
    }

    //==============================================================================
    void PresetPage::refreshLibrary()
    {
        auto& store = *appState.presetStore;
        store.rescan();
        libraryEntries = store.entries;

        libraryList.updateContent();
        int currentRow = -1;

        for (size_t i = 0; i < libraryEntries.size(); ++i)
            if (libraryEntries[i].id == appState.presetId)
                currentRow = (int) i;

        // Without a current row nothing stays selected, so any row can be chosen again.
        if (currentRow >= 0)
            libraryList.selectRow (currentRow, true, true);
        else
            libraryList.deselectAllRows();

        libraryList.repaint();

        const auto* entry = store.findEntry (appState.presetId);
        saveButton.setEnabled (entry == nullptr || ! entry->isBuiltIn);
        renameButton.setEnabled (entry != nullptr && ! entry->isBuiltIn);
        deletePresetButton.setEnabled (entry != nullptr && ! entry->isBuiltIn);

        updateStatusLabel();
    }

    void PresetPage::loadSelectedPreset()
    {
        const int row = libraryList.getSelectedRow (0);

        if (row < 0 || row >= (int) libraryEntries.size())
            return;

        auto loaded = appState.presetStore->loadPreset (libraryEntries[(size_t) row].id);

        if (! loaded.ok)
        {
            showWarning ("The preset could not be loaded", loaded.validation.toText());
            return;
        }

        const auto id = loaded.preset.id;   // copied: the preset is moved into the call
        setPresetAndReload (id, std::move (loaded.preset), true);
    }

    void PresetPage::setPresetAndReload (const juce::String& newPresetId, Preset preset, bool saveSettings)
    {
        appState.presetId = newPresetId;
        appState.session.setPreset (std::move (preset));

        if (saveSettings)
            appState.saveSettings();

        broadcastChange();
        refreshLibrary();
        refreshEditors();
    }

    bool PresetPage::askToDiscardEdits (std::function<void()> continuation)
    {
        if (! appState.isPresetModified())
        {
            continuation();
            return true;
        }

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Discard the changes to the current preset?",
                                   "The preset loaded in this session has unsaved edits. Loading another one discards them.",
                                   "OK", "Cancel", [safeThis, continuation = std::move (continuation)] (bool ok)
        {
            if (ok && safeThis != nullptr)
                continuation();
        });

        return false;
    }

    void PresetPage::askForName (const juce::String& title, const juce::String& initialText,
                                 std::function<void (const juce::String&)> callback, const juce::String& prompt)
    {
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->askForText (title, prompt, initialText,
                                      [safeThis, callback = std::move (callback)] (std::optional<juce::String> text)
        {
            if (safeThis == nullptr || ! text.has_value())
                return;

            const auto name = text->trim();

            if (name.isNotEmpty() && callback)
                callback (name);
        },
        { "OK", "Cancel", {} });
    }

    //==============================================================================
    void PresetPage::newPreset()
    {
        askToDiscardEdits ([this]
        {
            askForName ("New publisher preset", "New publisher", [this] (const juce::String& name) { createPresetNamed (name); },
                        "Name:");
        });
    }

    void PresetPage::createPresetNamed (const juce::String& name)
    {
        auto preset = makeEmptyPreset().duplicate (name, PresetKind::publisher);
        preset.schema.publisher = name;
        preset.metadata.publisher = name;

        juce::String error;

        if (! appState.presetStore->savePreset (preset, error))
        {
            showWarning ("The preset was not created", error);
            return;
        }

        appState.presetId = preset.id;
        appState.session.setPreset (preset);
        refreshLibrary();
        refreshEditors();
        broadcastChange();
    }

    void PresetPage::duplicatePreset()
    {
        const auto id = appState.presetId;

        askToDiscardEdits ([this, id]
        {
            askForName ("Duplicate preset", appState.session.getPreset().name + " copy", [this, id] (const juce::String& name)
            {
                juce::String newId, error;

                if (! appState.presetStore->duplicatePreset (id, name, newId, error))
                {
                    showWarning ("The preset was not duplicated", error);
                    return;
                }

                appState.presetId = newId;
                auto loaded = appState.presetStore->loadPreset (newId);

                if (loaded.ok)
                    appState.session.setPreset (std::move (loaded.preset));

                refreshLibrary();
                refreshEditors();
                broadcastChange();
            }, "Name:");
        });
    }

    void PresetPage::renamePreset()
    {
        const auto id = appState.presetId;

        const auto oldName = appState.session.getPreset().name;

        askForName ("Rename preset", oldName, [this, id, oldName] (const juce::String& name)
        {
            if (name == oldName.trim())
                return;

            juce::String error;

            if (! appState.presetStore->renamePreset (id, name, error))
            {
                showWarning ("The preset was not renamed", error);
                return;
            }

            // Only the name: the session's other edits stay unsaved.
            auto preset = appState.session.getPreset();

            if (preset.id == id)
            {
                preset.name = name;
                appState.session.updatePreset (std::move (preset));
            }

            refreshLibrary();
            broadcastChange();
        }, "Name:");
    }

    void PresetPage::saveSelectedPreset()
    {
        const auto preset = appState.session.getPreset();

        if (preset.isBuiltIn)
        {
            showWarning ("Built-in presets are read only", "Use Duplicate or Save as to keep these changes.");
            return;
        }

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const auto save = [safeThis, preset]
        {
            if (safeThis == nullptr)
                return;

            auto& page = *safeThis;
            juce::String error;

            if (! page.appState.presetStore->savePreset (preset, error))
            {
                page.showWarning ("The preset was not saved", error);
                return;
            }

            // What was stored is the library preset this session now works on.
            if (preset.id.isNotEmpty() && page.appState.presetId != preset.id)
            {
                page.appState.presetId = preset.id;
                page.appState.saveSettings();
            }

            page.refreshLibrary();
            page.broadcastChange();
        };

        const auto* entry = appState.presetStore->findEntry (preset.id);

        if (entry == nullptr || preset.id == appState.presetId)
        {
            save();
            return;
        }

        // The session's preset came from elsewhere (a project): replacing the library's
        // preset of that id is a decision, not a side effect.
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::WarningIcon, "Replace the stored preset?",
                                   "The library already holds '" + entry->name + "' under this preset's id. "
                                   "Saving replaces it with the preset of this session.",
                                   "Replace", "Cancel", [save] (bool ok)
        {
            if (ok)
                save();
        });
    }

    void PresetPage::savePresetAs()
    {
        askForName ("Save preset as", appState.session.getPreset().name + " copy", [this] (const juce::String& name)
        {
            const auto preset = appState.session.getPreset();
            juce::String newId, error;

            if (! appState.presetStore->createPreset (preset, name, preset.kind, newId, error))
            {
                showWarning ("The preset was not saved", error);
                return;
            }

            appState.presetId = newId;
            auto loaded = appState.presetStore->loadPreset (newId);

            // The stored copy keeps the stem and mix ids, so assignments and cue exceptions hold.
            if (loaded.ok)
                appState.session.updatePreset (std::move (loaded.preset));

            appState.saveSettings();
            refreshLibrary();
            broadcastChange();
        }, "Name:");
    }

    void PresetPage::deletePreset()
    {
        const auto id = appState.presetId;
        const auto* entry = appState.presetStore->findEntry (id);

        if (entry == nullptr)
            return;

        int rememberedRow = 0;

        for (size_t i = 0; i < libraryEntries.size(); ++i)
            if (libraryEntries[i].id == id)
                rememberedRow = (int) i;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::WarningIcon, "Delete the preset '" + entry->name + "'?",
                                   "This moves the preset file to the trash. It cannot be undone from inside "
                                       + juce::String (AppState::applicationName) + ".",
                                   "OK", "Cancel", [safeThis, id, rememberedRow] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            auto& page = *safeThis;
            auto& store = *page.appState.presetStore;
            juce::String error;

            if (! store.deletePreset (id, error))
            {
                page.showWarning ("The preset was not deleted", error);
                return;
            }

            store.rescan();

            if (store.entries.empty())
            {
                page.appState.presetId.clear();
            }
            else
            {
                const auto row = (size_t) juce::jlimit (0, (int) store.entries.size() - 1, rememberedRow);
                auto loaded = store.loadPreset (store.entries[row].id);

                if (loaded.ok)
                {
                    page.appState.presetId = loaded.preset.id;
                    page.appState.session.setPreset (std::move (loaded.preset));
                    page.appState.saveSettings();
                    page.broadcastChange();
                }
                else
                {
                    page.appState.presetId.clear();
                }
            }

            page.refreshLibrary();
            page.refreshEditors();
        });
    }

    void PresetPage::importPreset()
    {
        FileRequest request;
        request.title = "Import a preset";
        request.start = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
        request.pattern = presetFilePattern;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFile (request, [safeThis] (juce::File file)
        {
            if (safeThis == nullptr || file == juce::File())
                return;

            juce::String newId, error;

            if (! safeThis->appState.presetStore->importPreset (file, newId, error))
            {
                safeThis->showWarning ("The preset was not imported", error);
                return;
            }

            safeThis->refreshLibrary();
        });
    }

    void PresetPage::exportPreset()
    {
        const auto id = appState.presetId;

        if (appState.presetStore->findEntry (id) == nullptr)
        {
            showWarning ("Nothing to export", "Save this preset to the library first.");
            return;
        }

        // The name may hold "/" or "..": the proposal stays a plain name in the documents folder.
        const auto fileName = sanitiseFileName (appState.session.getPreset().name, "-", "Preset", maxExportNameLength)
                            + presetFileSuffix;

        FileRequest request;
        request.saving = true;
        request.title = "Export the preset";
        request.start = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory).getChildFile (fileName);
        request.pattern = presetFilePattern;

        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->chooseFile (request, [safeThis, id] (juce::File chosen)
        {
            if (safeThis == nullptr || chosen == juce::File())
                return;

            // A name typed without the ending would be written where the import chooser,
            // which lists ".json" files, never shows it.
            const auto target = fileWithEnding (chosen, ".json", chosen.getFileName().endsWithIgnoreCase (".korvid")
                                                                     ? juce::String (".json")
                                                                     : juce::String (presetFileSuffix));

            confirmUnseenTarget (*safeThis->appState.dialogs, chosen, target, "Replace the existing preset file?",
                                 [safeThis, id] (const juce::File& file)
            {
                juce::String error;

                if (safeThis != nullptr && ! safeThis->appState.presetStore->exportPreset (id, file, error))
                    safeThis->showWarning ("The preset was not exported", error);
            });
        });
    }

    void PresetPage::restoreDefaults()
    {
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Restore the built-in presets?",
                                   "The presets that ship with " + juce::String (AppState::applicationName)
                                       + " are rewritten. Presets you created are not touched.",
                                   "OK", "Cancel", [safeThis] (bool ok)
        {
            if (! ok || safeThis == nullptr)
                return;

            juce::String error;

            if (! safeThis->appState.presetStore->restoreBuiltInPresets (error))
                safeThis->showWarning ("The defaults were not restored", error);

            safeThis->refreshLibrary();
        });
    }
}
