#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** True when the two names are one file: equal paths, or the same file on disk (a
    case-insensitive volume, a hard link). Only the platform decides. */
bool isSameFile (const juce::File& a, const juce::File& b);

/** Moves a file without ever replacing another one: false when the target is taken or
    the move fails. A change of letter case alone on a case-insensitive volume goes
    through a free name in the same folder. */
bool moveFileWithoutReplacing (const juce::File& from, const juce::File& to);

} // namespace korvid
