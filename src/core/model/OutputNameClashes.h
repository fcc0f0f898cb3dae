#pragma once

#include "core/model/Preset.h"

namespace korvid
{

// One sentence for every output of a cue that would get the same file name as
// another: an alternative mix named or coded like the full mix, and stems or
// mixes whose naming template cannot tell them apart. Pairs the schema check
// already refuses (same token, same short code, same mix name) are left to it.
juce::StringArray findOutputNameClashes (const Preset& preset);

} // namespace korvid
