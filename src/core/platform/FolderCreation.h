#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Creates the folder and every missing folder above it. A folder that another program
    (or another render of this one) makes at the same moment is no failure: two runs that
    create one new folder at once both go on. Fails with the system's text otherwise. */
juce::Result createFolderWithParents (const juce::File& folder);

} // namespace korvid
