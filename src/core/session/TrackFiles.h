#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** True for a file the track split moved aside: its name without extension, and without
    the digits that number a taken name, ends in "_splitted" (any letter case). Imports
    skip such files. */
bool isSplitSource (const juce::File& file);

} // namespace korvid
