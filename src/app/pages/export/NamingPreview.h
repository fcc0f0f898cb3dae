#pragma once

#include "core/model/Preset.h"
#include "core/session/Cue.h"

#include <vector>

namespace korvid::ui
{
    /** A few file names as the render will make them from the preset: the first three
        stems, the full mix, the first two alternative mixes, and any token the templates
        name that the naming does not know. The first of the cues stands for the cue or
        project value when the preset takes it from the folder name. */
    juce::String namingPreviewText (const Preset& preset, const std::vector<Cue>& cuesWithTracks);
}
