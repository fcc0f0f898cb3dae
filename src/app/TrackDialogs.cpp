#include "app/TrackDialogs.h"

#include "app/AppState.h"
#include "core/model/OutputNaming.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    namespace
    {
        /** The sentence why the track's file may not be moved now, or nothing. */
        juce::String whyFileMustStay (const AppState& state, const juce::String& trackId)
        {
            if (state.trackBeingSplit == trackId)
                return "That file is being split. Rename it once the split has finished.";

            if (state.runReadingTracks)
                return "A render or an analysis is reading the tracks. Rename the file once it has finished.";

            // The project's folders are read already: a take moved now would be missing there.
            return state.whyListMustWait ("The file cannot be renamed");
        }

        void showNotRenamed (AppState& state, juce::Component* parent, const juce::String& sentence)
        {
            const ScopedDialogOwner owner (*state.dialogs, parent);
            state.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "The file was not renamed", sentence);
        }
    }

    void askToRenameTrackFile (AppState& state, juce::Component* parent, const juce::String& trackId)
    {
        const auto* track = state.session.findTrack (trackId);

        if (track == nullptr)
            return;

        if (const auto reason = whyFileMustStay (state, trackId); reason.isNotEmpty())
            return showNotRenamed (state, parent, reason);

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

            // A split or a run may have started while the prompt was open; a split also holds
            // the names it moves files to and from.
            juce::String error = whyFileMustStay (state, trackId);

            if (error.isEmpty() && current != nullptr)
                error = state.whyNameIsInUse (fileRenamedInPlace (current->file, name));

            if (error.isNotEmpty() || ! state.session.renameTrackFile (trackId, name, error))
                return showNotRenamed (state, safeParent.getComponent(), error);

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
