#pragma once

#include "app/AppState.h"
#include "support/MessageLoop.h"

namespace korvid::test
{
    /** Opens the project as the window does and runs the message loop until it has opened or
        failed: true with what the open found to tell, or false with the sentence. */
    inline bool openProjectAndWait (ui::AppState& state, const juce::File& file, juce::String& error,
                                    ui::ProjectOpenNotes& notes)
    {
        bool done = false, opened = false;

        state.openProject (file, [&] (bool ok, const juce::String& sentence, const ui::ProjectOpenNotes& told)
        {
            done = true;
            opened = ok;
            error = sentence;
            notes = told;
        });

        if (! pumpMessagesUntil ([&] { return done; }))
        {
            error = "The project did not open in time.";
            return false;
        }

        return opened;
    }

    /** The same, for a test that looks only at the missing sources. */
    inline bool openProjectAndWait (ui::AppState& state, const juce::File& file, juce::String& error,
                                    juce::StringArray& missingSources)
    {
        ui::ProjectOpenNotes notes;
        const bool opened = openProjectAndWait (state, file, error, notes);
        missingSources = notes.missingSources;
        return opened;
    }
}
