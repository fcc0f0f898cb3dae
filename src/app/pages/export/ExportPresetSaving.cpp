#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportRenderBar.h"
#include "core/model/Types.h"
#include "core/model/Uuid.h"
#include "ui/LabelTones.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    void ExportPage::savePresetFromHere()
    {
        auto preset = appState.session.getPreset();
        auto& dialogs = *appState.dialogs;
        juce::Component::SafePointer<ExportPage> safeThis (this);
        const ScopedDialogOwner owner (dialogs, this);

        if (preset.isBuiltIn)
        {
            TextPromptLabels labels;
            labels.okText = "Save";
            labels.cancelText = "Cancel";

            dialogs.askForText ("Save as a new preset",
                                "'" + preset.name + "' is built in and cannot be changed.\nGive these settings a name of their own:",
                                preset.name + " (edited)",
                                [safeThis, preset] (std::optional<juce::String> answer)
                                {
                                    auto* page = safeThis.getComponent();

                                    if (page == nullptr || ! answer.has_value() || answer->trim().isEmpty())
                                        return;

                                    page->storePreset (preset, answer->trim());
                                },
                                labels);
            return;
        }

        // Another library preset under this id is not the one the session came from (after
        // opening a project, for example): replacing it needs a word from the user.
        const auto* entry = appState.presetStore->findEntry (preset.id);

        if (entry != nullptr && preset.id != appState.presetId)
        {
            dialogs.confirm (juce::MessageBoxIconType::WarningIcon, "Replace the preset in the library?",
                             "The library's '" + entry->name + "' is not the preset this session started from. "
                             "Saving replaces it with these settings.",
                             "Replace", "Cancel",
                             [safeThis, preset] (bool replace)
                             {
                                 if (auto* page = safeThis.getComponent(); page != nullptr && replace)
                                     page->storePreset (preset, {});
                             });
            return;
        }

        storePreset (std::move (preset), {});
    }

    void ExportPage::storePreset (Preset preset, const juce::String& newName)
    {
        auto& store = *appState.presetStore;
        juce::String error;
        juce::String newId;
        bool stored = false;

        if (newName.isNotEmpty())
        {
            const auto created = preset.copyUnderNewId (newName, preset.kind);
            stored = created.name.isNotEmpty() ? store.savePreset (created, error) : false;

            if (created.name.isEmpty())
                error = "A preset needs a name.";
            else
                newId = created.id;
        }
        else
        {
            // Without an id the store would make one up that the session never learns.
            if (preset.id.trim().isEmpty())
            {
                preset.id = newUuidString();
                newId = preset.id;
            }

            stored = store.savePreset (preset, error);
        }

        if (! stored)
        {
            showWarning ("The preset was not saved", error);
            return;
        }

        if (newId.isNotEmpty())
        {
            appState.presetId = newId;
            auto loaded = store.loadPreset (newId);

            if (loaded.ok)
                appState.session.updatePreset (std::move (loaded.preset));
        }
        else
        {
            appState.presetId = preset.id;
        }

        appState.saveSettings();
        appState.sendChangeMessage();
        refreshPresetLine();
    }

    void ExportPage::refreshPresetLine()
    {
        const bool modified = appState.isPresetModified();
        const auto& preset = appState.session.getPreset();

        juce::String text = preset.name + "   [" + presetKindName (preset.kind) + "]";

        if (preset.isBuiltIn)
            text << "   built-in: saving asks for a new name";
        else if (modified)
            text << "   unsaved changes";

        auto& line = content->presetLine;
        line.setText (text, juce::dontSendNotification);
        setLabelTone (line, modified ? 3 : 1);

        renderBar->saveButton.setEnabled (modified || preset.isBuiltIn);
    }
}
