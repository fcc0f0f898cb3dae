#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    /** Where the program keeps files of its own for a while (rendered auditions, a report page
        opened in the browser): the runtime folder / `programName` when XDG_RUNTIME_DIR names
        a folder of this user, else the user's application-data folder / `programName`. Never
        the shared temporary folder, where another user could take a name first. */
    juce::File privateBaseFolder (const juce::String& programName);

    /** Makes sure the folder is one only this user can enter: a missing one is made with
        no access for anyone else; an existing one is used only when it is a real folder
        (not a link) owned by this user, and loses any access of others. False with one
        sentence in `error` otherwise. */
    bool preparePrivateFolder (const juce::File& folder, juce::String& error);
}
