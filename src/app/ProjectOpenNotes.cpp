#include "app/ProjectOpenNotes.h"

namespace korvid::ui
{
    std::optional<ProjectOpenMessage> describeProjectOpen (const ProjectOpenNotes& notes)
    {
        if (notes.isEmpty())
            return std::nullopt;

        ProjectOpenMessage message;
        juce::StringArray sections;

        if (! notes.missingSources.isEmpty())
        {
            message.title = "Some sources were not found";
            sections.add ((notes.takesLeftOut.isEmpty() ? "Everything else was restored. " : "")
                          + juce::String ("These are not where the project says they are:\n\n")
                          + notes.missingSources.joinIntoString ("\n"));
        }

        if (! notes.takesLeftOut.isEmpty())
        {
            message.icon = juce::MessageBoxIconType::WarningIcon;

            if (message.title.isEmpty())
                message.title = "Some takes were left out of the list";

            sections.add ("These takes are where the project says, but the list lacks them; a save now leaves "
                          "them and their assignments out of the project:\n\n"
                          + notes.takesLeftOut.joinIntoString ("\n"));
        }

        if (! notes.importProblems.isEmpty())
        {
            message.icon = juce::MessageBoxIconType::WarningIcon;

            if (message.title.isEmpty())
                message.title = "Some files could not be imported";

            sections.add ("Reading the project's folders also found:\n\n" + notes.importProblems.joinIntoString ("\n"));
        }

        message.text = sections.joinIntoString ("\n\n");
        return message;
    }
}
