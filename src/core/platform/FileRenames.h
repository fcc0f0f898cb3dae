#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    /** Whether two paths name one file: equal paths, or the same file on disk (a
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
}
