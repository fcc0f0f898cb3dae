#pragma once

#include <juce_core/juce_core.h>

namespace korvid::test
{

/** A fresh folder below the temporary folder, deleted with everything in it. Its name
    carries a random UUID, so test processes running side by side never share one. */
struct ScratchFolder
{
    ScratchFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("velvane-storage-test-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
    }

    ~ScratchFolder()
    {
        folder.deleteRecursively();
    }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    /** Every entry directly in the folder, hidden ones included, by name and sorted. */
    juce::StringArray entryNames() const
    {
        juce::StringArray names;

        for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
            names.add (child.getFileName());

        names.sort (false);
        return names;
    }

    juce::File folder;

    JUCE_DECLARE_NON_COPYABLE (ScratchFolder)
};

} // namespace korvid::test
