#pragma once

#include "app/AppState.h"
#include "support/MessageLoop.h"

namespace korvid::test
{
    /** Opens the project as the window does and runs the message loop until it has opened or
        failed: true with the missing sources, or false with the sentence. */
    inline bool openProjectAndWait (ui::AppState& state, const juce::File& file, juce::String& error,
                                    juce::StringArray& missingSources)
    {
        bool done = false, opened = false;

        state.openProject (file, [&] (bool ok, const juce::String& sentence, const juce::StringArray& missing)
        {
            done = true;
            opened = ok;
            error = sentence;
            missingSources = missing;
        });

        if (! pumpMessagesUntil ([&] { return done; }))
        {
            error = "The project did not open in time.";
            return false;
        }

        return opened;
    }
}
