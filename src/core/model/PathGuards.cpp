#include "core/model/PathGuards.h"

#include "core/platform/FolderCreation.h"
#include "core/platform/TemporaryFiles.h"

namespace korvid
{

namespace
{
    // juce::File keeps ".." in a path as written, so a text test must not let one through.
    bool holdsParentReference (const juce::String& fullPath)
    {
        juce::StringArray parts;
        parts.addTokens (fullPath, juce::File::getSeparatorString(), {});
        return parts.contains ("..");
    }
}

const juce::String& illegalFileNameCharacters()
{
    static const juce::String characters ("<>:\"/\\|?*");
    return characters;
}

bool isWithinFolder (const juce::File& folder, const juce::File& path)
{
    if (folder == juce::File() || path == juce::File())
        return false;

    const auto separator = juce::File::getSeparatorString();
    auto folderPath = folder.getFullPathName();
    const auto fullPath = path.getFullPathName();

    if (holdsParentReference (folderPath) || holdsParentReference (fullPath))
        return false;

    while (folderPath.endsWith (separator) && folderPath.length() > 1)
        folderPath = folderPath.dropLastCharacters (1);

    const bool ignoreCase = ! juce::File::areFileNamesCaseSensitive();

    const auto same = [ignoreCase] (const juce::String& a, const juce::String& b)
    {
        return ignoreCase ? a.equalsIgnoreCase (b) : a == b;
    };

    if (same (fullPath, folderPath))
        return true;

    // A root such as "/" already ends with the separator.
    const auto prefix = folderPath.endsWith (separator) ? folderPath : folderPath + separator;

    if (fullPath.length() <= prefix.length())
        return false;

    return same (fullPath.substring (0, prefix.length()), prefix);
}

bool isPathLengthAllowed (const juce::File& file)
{
    return file.getFullPathName().length() <= maxPathLength;
}

bool checkOutputFolder (const juce::File& folder, juce::String& error)
{
    if (folder == juce::File())
    {
        error = "No output folder has been chosen.";
        return false;
    }

    if (! juce::File::isAbsolutePath (folder.getFullPathName()))
    {
        error = "The output folder must be an absolute path.";
        return false;
    }

    if (folder.getParentDirectory() == folder)
    {
        error = "Writing a delivery to the root of a volume is not allowed.";
        return false;
    }

    if (folder.existsAsFile())
    {
        error = "The output folder is an existing file.";
        return false;
    }

    if (! folder.isDirectory())
    {
        const auto created = createFolderWithParents (folder);

        if (created.failed())
        {
            error = "The output folder could not be created: " + created.getErrorMessage();
            return false;
        }
    }

    // Only a file actually made there shows that the folder takes files: the access
    // check answers yes for paths that refuse every write, such as a read-only mount.
    const auto probe = writeCheckFileIn (folder);
    const bool created = probe.create().wasOk() && probe.existsAsFile();
    const bool removed = probe.deleteFile();

    if (created && removed)
    {
        error.clear();
        return true;
    }

    error = "The output folder is not writable.";
    return false;
}

} // namespace korvid
