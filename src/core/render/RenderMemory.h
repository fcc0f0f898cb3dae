#pragma once

#include "core/audio/AudioFileInfo.h"
#include "core/render/RenderPlanning.h"

#include <juce_core/juce_core.h>

namespace korvid
{

// A cue's memory has two parts. What it holds however its work is shared out: the mix, and
// while writing the alternative mixes being summed and the stems waiting for their turn in
// them (while checking, the mix and the sum read back). And what each piece of work running
// at the same time holds: a stem, with a track read whole (and its copy at the file's rate)
// or the copies of a file converted to other written rates; a file read back takes less.
// Every figure saturates instead of overflowing.

/** Bytes the cue holds however many pieces run at once. */
juce::int64 cueFixedBytes (const RenderRequest& request);

/** Bytes each piece running at once adds. */
juce::int64 bytesPerPiece (const RenderRequest& request);

/** The most memory the cue holds with that many pieces running at once. */
juce::int64 cueRenderMemoryBytes (const RenderRequest& request, int piecesAtOnce = 1);

/** How many pieces may run at once within the budget, at most `workers`; 0 when not even
    one fits. */
int piecesThatFit (const RenderRequest& request, juce::int64 budgetBytes, int workers);

/** True when the cue fits the budget with one piece at a time; otherwise `error` holds one
    sentence. */
bool checkCueRenderMemory (const RenderRequest& request, juce::int64 budgetBytes, juce::String& error);

/** Bytes a whole-file read of the track takes: the file at its own rate in doubles, plus
    the copy converted to the project rate when the rates differ. */
juce::int64 trackReadBytes (const AudioFileInfo& info, double projectRate);

/** Bytes of one piece that a track read may use without asking again. */
juce::int64 trackReadAllowance (const RenderRequest& request);

/** True when reading the track fits the budget next to what the cue already holds
    (`heldBytes`); otherwise `error` holds one sentence. */
bool checkTrackReadMemory (const AudioFileInfo& info, double projectRate, juce::int64 heldBytes,
                           juce::int64 budgetBytes, juce::String& error);

} // namespace korvid
