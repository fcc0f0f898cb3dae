#pragma once

#include "ui/Dialogs.h"

#include <functional>

namespace korvid::ui
{
    /** The file a save chooser's choice is written to: the choice itself when its name ends
        in `ending` (any case), else the choice with `suffix` appended to its name, so that
        the file is one its open chooser lists. */
    juce::File fileWithEnding (const juce::File& chosen, const juce::String& ending, const juce::String& suffix);

    /** After a save chooser: `target` is the file about to be written for the `chosen` one.
        When the two differ and the target exists, the chooser never asked about it: this
        asks through `dialogs` (titled `title`) before it may be replaced. Calls `onTarget`
        with the target, or not at all when the user keeps the existing file. */
    void confirmUnseenTarget (Dialogs& dialogs, const juce::File& chosen, const juce::File& target,
                              const juce::String& title, std::function<void (const juce::File&)> onTarget);
}
