#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace korvid::ui
{
    /** What opening a project found that the user must hear of. */
    struct ProjectOpenNotes
    {
        juce::StringArray missingSources;   // saved folders and takes gone from the disk
        juce::StringArray takesLeftOut;     // "path: why", saved takes on the disk the list lacks
        juce::StringArray importProblems;   // the sentences of the import of the project's folders

        bool isEmpty() const noexcept
        {
            return missingSources.isEmpty() && takesLeftOut.isEmpty() && importProblems.isEmpty();
        }
    };

    struct ProjectOpenMessage
    {
        juce::MessageBoxIconType icon = juce::MessageBoxIconType::InfoIcon;
        juce::String title, text;
    };

    /** The message box that tells the notes, or nothing when there is nothing to tell.
        Missing sources alone are information; takes the list lacks are a warning, because
        the next save leaves them out of the project, and so are the import's problems. */
    std::optional<ProjectOpenMessage> describeProjectOpen (const ProjectOpenNotes& notes);
}
