#pragma once

#include "core/model/Preset.h"
#include "core/render/RenderPlanning.h"
#include "core/session/Cue.h"

#include <vector>

namespace korvid::ui
{
    /** A few file names exactly as the render names the files of this request: its first
        three stems that write a file, the full mix and its first two alternative mixes that
        are written, numbered as the render numbers them, in the first format entry written;
        then any token the templates name that the naming does not know. */
    juce::String namingPreviewText (const RenderRequest& request);

    /** The same before anything can be planned (no cue with tracks yet): the preset's first
        three stems and its first two alternative mixes, as if every one of them were written.
        The first of the cues stands for the cue or project value when the preset takes it
        from the folder name. */
    juce::String namingPreviewText (const Preset& preset, const std::vector<Cue>& cuesWithTracks);
}
