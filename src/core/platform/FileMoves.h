#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** What moving a file to a name that must still be free came to. */
enum class NewName { claimed, taken, failed };

/** Moves `from` to `to` only when no file has that name: the file system claims the name
    in one step where it can (a rename that refuses to replace, else a hard link, else an
    empty placeholder made exclusively), so of two movers only one gets the name and
    neither replaces the other's file. */
NewName moveToNewName (const juce::File& from, const juce::File& to);

/** True when the two names are one file: equal paths, or the same file on disk (a
    case-insensitive volume, a hard link). Only the platform decides. */
bool isSameFile (const juce::File& a, const juce::File& b);

/** Whether a rename of `current` to `target` would meet another file or folder: one
    exists at the target, or one in the target's folder has the target's name in other
    letter case. Deliveries end up on volumes that ignore letter case, where such names
    are one file; `current` itself never counts. */
bool isFileNameTaken (const juce::File& target, const juce::File& current);

/** Moves a file without ever replacing another one: false when the target is taken or
    the move fails. A change of letter case alone on a case-insensitive volume goes
    through a free name in the same folder. */
bool moveFileWithoutReplacing (const juce::File& from, const juce::File& to);

} // namespace korvid
