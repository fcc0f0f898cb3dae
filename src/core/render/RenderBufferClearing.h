#pragma once

#include "core/render/RenderWorkers.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

/** Sizes each buffer to channels x frames and clears it as `prepareRenderBuffer` does, with
    the zeros first written by the workers side by side: where a fresh page costs several
    microseconds on its first touch, clearing a few long buffers on one thread takes longer
    than reading a cue's tracks. On failure `failed` is the buffer that could not be sized
    and `error` holds its sentence. */
bool prepareRenderBuffers (RenderWorkers& workers, const std::vector<juce::AudioBuffer<double>*>& buffers,
                           int channels, juce::int64 frames, size_t& failed, juce::String& error);

} // namespace korvid
