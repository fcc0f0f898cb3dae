#include "core/platform/FolderCreation.h"

namespace korvid
{

juce::Result createFolderWithParents (const juce::File& folder)
{
    if (folder.isDirectory())
        return juce::Result::ok();

    const auto parent = folder.getParentDirectory();

    if (parent == folder)
        return juce::Result::fail ("Cannot create parent directory");

    const auto parentMade = createFolderWithParents (parent);

    if (parentMade.failed())
        return parentMade;

    // The parent exists, so this makes one folder; "already exists" means someone else
    // made it between the test above and now.
    const auto made = folder.createDirectory();

    if (made.wasOk() || folder.isDirectory())
        return juce::Result::ok();

    return made;
}

} // namespace korvid
