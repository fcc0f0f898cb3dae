#pragma once

#include "core/model/Preset.h"

namespace korvid
{

// One sentence for every output of a cue that would get the same file name as another,
// named in every format entry written exactly as the render names it. Pairs the schema and
// preset checks already refuse (same token, same short code, same mix name) are left to them.
struct OutputNameClashes
{
    // Refused by validatePreset: stems alike, mixes alike (an alternative mix named or coded
    // like the full mix among them).
    juce::StringArray presetErrors;

    // Refused by planning only, so that a preset with them can still be stored and read: a
    // stem beside a mix without a stems folder, and two format entries naming their files
    // alike in one folder. A sub-folder sets either right.
    juce::StringArray deliveryErrors;
};

OutputNameClashes findNameClashes (const Preset& preset);

// findNameClashes (preset).presetErrors
juce::StringArray findOutputNameClashes (const Preset& preset);

} // namespace korvid
