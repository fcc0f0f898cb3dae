#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** True for a file the track split moved aside: its name without extension, and without
    the digits that number a taken name, ends in "_splitted" (any letter case). Imports
    skip such files. */
bool isSplitSource (const juce::File& file);

/** Moves a file without ever replacing another one: false when the target is taken or
    the move fails. A change of letter case alone on a case-insensitive volume goes
    through a free name in the same folder. */
bool moveFileWithoutReplacing (const juce::File& from, const juce::File& to);

} // namespace korvid
