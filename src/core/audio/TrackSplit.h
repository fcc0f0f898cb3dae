#pragma once

#include "core/audio/CancelTest.h"

#include <juce_core/juce_core.h>

namespace korvid
{

/** One cut of a track's file into two files of the source's full length. */
struct TrackSplitRequest
{
    juce::File source;            // the file to split
    double splitSeconds = 0.0;    // where to cut, from the start
    juce::File firstPart;         // receives the audio before the cut
    juce::File secondPart;        // receives the audio after the cut
    double crossfadeMs = 5.0;     // crossfade after the cut
};

struct TrackSplitResult
{
    bool ok = false;
    juce::String message;         // one sentence for the user; empty on success

    static TrackSplitResult failure (const juce::String& message);
};

/** Writes the two parts: the first holds the source up to the cut and silence after
    it, the second silence up to the cut and the source after it, with a linear
    crossfade starting at the cut. Each part is written in the codec its file name
    carries (WAV, AIFF or FLAC), at the source's rate and in the source's own samples:
    integer words at their own length (8-bit ones in 16 bits), float as float, never
    clamped to full scale, so every sample of the two parts adds up to the source's
    sample exactly. Where the codec cannot store the words (float or 32 bits outside
    WAV) the part has 24 bits.

    Streams: the source is read and both parts written a block at a time, so memory
    stays the same whatever the take's length, and `shouldCancel` is asked before every
    block. Any thread. The source is never changed; a part never replaces a file that
    took its name meanwhile; after a failure or a cancel neither part exists. */
TrackSplitResult splitTrackFile (const TrackSplitRequest& request, const CancelTest& shouldCancel = {});

} // namespace korvid
