#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"

namespace korvid::ui
{
    void PresetPage::commitProjectFields()
    {
        if (applyingEdit)
            return;

        auto preset = appState.session.getPreset();

        // The fields were filled from another preset, which has been replaced since.
        if (preset.id != projectFieldsPresetId)
            return;

        auto& metadata = preset.metadata;
        const auto publisher = publisherEditor.getText().trim();
        const auto project = pubCodeEditor.getText().trim();
        const auto composer = composerEditor.getText().trim();
        const auto version = versionEditor.getText().trim();

        // Only a change is applied; the status label says whether the preset now differs
        // from its stored copy.
        if (publisher != metadata.publisher || project != metadata.project || composer != metadata.composer
            || version != metadata.version)
        {
            metadata.publisher = publisher;
            metadata.project = project;
            metadata.composer = composer;
            metadata.version = version;
            appState.session.updatePreset (std::move (preset));
            broadcastChange();
        }

        // A field left with spaces around its text shows what was stored.
        for (auto* editor : { &publisherEditor, &pubCodeEditor, &composerEditor, &versionEditor })
            if (! editor->hasKeyboardFocus (true) && editor->getText() != editor->getText().trim())
                editor->setText (editor->getText().trim(), false);

        updateStatusLabel();
    }
}
