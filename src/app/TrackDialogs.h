#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class AppState;

    /** Asks for a new name for the track's audio file and renames it on disk, in its own
        folder and keeping its extension, through the Session (which tells its listeners).
        A refusal is shown as a warning. Stops the preview first so that no audition holds
        the file. Returns at once; the rename happens when the prompt is answered. Nothing
        happens for an unknown track. Message thread only. */
    void askToRenameTrackFile (AppState& state, juce::Component* parent, const juce::String& trackId);
}
