#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** The file a path reaches: every symbolic link along it followed and "." and ".." taken
    out, so two spellings of one file (a linked folder, a link to the file) give the same
    path. The part of the path that does not exist yet is kept as written; a path the
    platform cannot resolve comes back unchanged. Reads the disk. */
juce::File fileWithLinksResolved (const juce::File& file);

} // namespace korvid
