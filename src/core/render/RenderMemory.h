#pragma once

#include "core/audio/AudioFileInfo.h"
#include "core/render/RenderPlanning.h"

#include <juce_core/juce_core.h>

namespace korvid
{

/** The most memory one cue's render holds at once, in bytes: the mix, a stem being
    summed or written, the stems kept for alternative mixes, a track being read (and its
    rate-converted copy), the copies converted to other written rates, and the files read
    back by the reconstruction check. Saturates instead of overflowing. */
juce::int64 cueRenderMemoryBytes (const RenderRequest& request);

/** True when the cue fits the audio memory budget; otherwise `error` holds one sentence. */
bool checkCueRenderMemory (const RenderRequest& request, juce::String& error);

/** Bytes a whole-file read of the track takes: the file at its own rate in doubles, plus
    the copy converted to the project rate when the rates differ. Saturates. */
juce::int64 trackReadBytes (const AudioFileInfo& info, double projectRate);

/** True when reading the track fits the budget next to what the cue already holds
    (`heldBytes`); otherwise `error` holds one sentence. */
bool checkTrackReadMemory (const AudioFileInfo& info, double projectRate, juce::int64 heldBytes,
                           juce::String& error);

} // namespace korvid
