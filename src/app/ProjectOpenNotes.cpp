#include "app/ProjectOpenNotes.h"

namespace korvid::ui
{
    namespace
    {
        // The box shows no more than its first 2048 characters, cut without a word: each
        // list keeps to a share of them, and says how many lines it left out.
        constexpr int charactersPerList = 550;

        juce::String listOf (const juce::StringArray& lines)
        {
            juce::StringArray shown;
            int characters = 0;

            for (const auto& line : lines)
            {
                if (! shown.isEmpty() && characters + line.length() > charactersPerList)
                    break;

                shown.add (line);
                characters += line.length() + 1;
            }

            if (shown.size() < lines.size())
                shown.add ("... and " + juce::String (lines.size() - shown.size()) + " more.");

            return shown.joinIntoString ("\n");
        }
    }

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
                          + listOf (notes.missingSources));
        }

        if (! notes.takesLeftOut.isEmpty())
        {
            message.icon = juce::MessageBoxIconType::WarningIcon;

            if (message.title.isEmpty())
                message.title = "Some takes were left out of the list";

            sections.add ("These takes are where the project says, but the list lacks them; a save now leaves "
                          "them and their assignments out of the project:\n\n"
                          + listOf (notes.takesLeftOut));
        }

        if (! notes.importProblems.isEmpty())
        {
            message.icon = juce::MessageBoxIconType::WarningIcon;

            if (message.title.isEmpty())
                message.title = "Some files could not be imported";

            sections.add ("Reading the project's folders also found:\n\n" + listOf (notes.importProblems));
        }

        message.text = sections.joinIntoString ("\n\n");
        return message;
    }
}
