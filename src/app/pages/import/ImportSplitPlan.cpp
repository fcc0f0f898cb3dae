#include "app/pages/import/ImportSplitPlan.h"

#include "core/model/OutputNaming.h"
#include "core/session/TrackFiles.h"

namespace korvid::ui
{
    bool planTrackSplitFiles (const juce::File& trackFile, const juce::String& name, TrackSplitFiles& files,
                              juce::String& error)
    {
        const auto safeName = sanitiseFileName (name.trim(), "-", {}, 120);

        if (safeName.isEmpty())
        {
            error = "That name has nothing in it that can be used for a file name.";
            return false;
        }

        const auto folder = trackFile.getParentDirectory();
        const auto extension = trackFile.getFileExtension();
        const auto secondPart = folder.getNonexistentChildFile (safeName, extension, false);

        // Imports skip such names as the sources of earlier splits: the part would vanish.
        if (isSplitSource (secondPart))
        {
            error = "Names ending in _splitted mark files that were split before. Choose another name.";
            return false;
        }

        files.firstPart = trackFile;
        files.secondPart = secondPart;
        files.keptSource = folder.getNonexistentChildFile (trackFile.getFileNameWithoutExtension() + "_splitted",
                                                           extension, false);
        error.clear();
        return true;
    }

    juce::String proposedSplitPartName (const juce::File& trackFile)
    {
        const auto base = trackFile.getFileNameWithoutExtension();
        const auto folder = trackFile.getParentDirectory();
        const auto extension = trackFile.getFileExtension();

        // A very long name loses its number to the length limit; then the split's own
        // numbering has to do.
        for (int number = 2; number < 10000; ++number)
        {
            const auto name = base + " " + juce::String (number);
            const auto safeName = sanitiseFileName (name, "-", {}, 120);

            if (! safeName.endsWith (juce::String (number)))
                break;

            if (! folder.getChildFile (safeName + extension).exists())
                return name;
        }

        return base + " 2";
    }
}
