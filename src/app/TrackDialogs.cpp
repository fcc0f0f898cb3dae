#include "app/TrackDialogs.h"

#include "app/AppState.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    void askToRenameTrackFile (AppState& state, juce::Component* parent, const juce::String& trackId)
    {
        const auto* track = state.session.findTrack (trackId);

        if (track == nullptr)
            return;

        state.preview.stop();

        const auto folder = track->file.getParentDirectory();
        juce::Component::SafePointer<juce::Component> safeParent (parent);

        const ScopedDialogOwner owner (*state.dialogs, parent);

        // The track id is all the callback keeps: the page may have changed its selection,
        // or the track its file, by the time the prompt is answered.
        state.dialogs->askForText ("Rename this file",
                                   "It is renamed on disk, in this folder:\n" + folder.getFullPathName(),
                                   track->file.getFileNameWithoutExtension(),
                                   [&state, safeParent, trackId] (std::optional<juce::String> answer)
        {
            if (! answer.has_value())
                return;

            const auto name = answer->trim();

            if (name.isEmpty())
                return;

            const auto* current = state.session.findTrack (trackId);
            const auto oldPath = current != nullptr ? current->file.getFullPathName() : juce::String();

            juce::String error;

            if (! state.session.renameTrackFile (trackId, name, error))
            {
                const ScopedDialogOwner warningOwner (*state.dialogs, safeParent.getComponent());
                state.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "The file was not renamed", error);
                return;
            }

            const auto* renamed = state.session.findTrack (trackId);

            if (renamed == nullptr || renamed->file.getFullPathName() == oldPath)
                return;

            // The old path names no file now, and an overview kept under the new path
            // would describe whatever file had that name before.
            state.waveforms.forget (oldPath);
            state.waveforms.forget (renamed->file.getFullPathName());
        },
        { "Rename", "Cancel", {} });
    }
}
