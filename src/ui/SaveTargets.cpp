#include "ui/SaveTargets.h"

namespace korvid::ui
{
    juce::File fileWithEnding (const juce::File& chosen, const juce::String& ending, const juce::String& suffix)
    {
        if (chosen == juce::File() || chosen.getFileName().endsWithIgnoreCase (ending))
            return chosen;

        return chosen.getSiblingFile (chosen.getFileName() + suffix);
    }

    void confirmUnseenTarget (Dialogs& dialogs, const juce::File& chosen, const juce::File& target,
                              const juce::String& title, std::function<void (const juce::File&)> onTarget)
    {
        // The chooser asked about the name it showed; a file found only after the
        // ending was added has not been confirmed yet.
        if (target == chosen || ! target.existsAsFile())
        {
            if (onTarget)
                onTarget (target);

            return;
        }

        dialogs.confirm (juce::MessageBoxIconType::WarningIcon, title,
                         "\"" + target.getFileName() + "\" already exists in "
                             + target.getParentDirectory().getFullPathName() + ". Saving replaces it.",
                         "Replace", "Cancel",
                         [target, onTarget = std::move (onTarget)] (bool replace)
                         {
                             if (replace && onTarget)
                                 onTarget (target);
                         });
    }
}
