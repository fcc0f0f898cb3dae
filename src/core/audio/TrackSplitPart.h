#pragma once

#include "core/model/Types.h"
#include "core/platform/SafeFileWriter.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>
#include <vector>

namespace korvid
{

/** One part of a track split on its way to disk, written a block at a time into a hidden
    temporary file beside its target. The finished file takes the target's name only when
    that name is still free: a file that appeared there meanwhile is never replaced.
    Dropping the object before commit() removes the temporary file. */
class TrackSplitPart
{
public:
    TrackSplitPart() = default;
    TrackSplitPart (const TrackSplitPart&) = delete;
    TrackSplitPart& operator= (const TrackSplitPart&) = delete;

    /** Opens the temporary file and the writer for `frames` frames of `bits`-bit words
        (16 or 24, or 32: float, or integer in WAV only); false with a sentence in `error`. */
    bool open (const juce::File& target, Codec codec, int bits, bool floatingPoint, double sampleRate,
               int channels, juce::int64 frames, juce::String& error);

    /** Hands the writer `count` frames of every channel: integer words at the top of 32 bits,
        or the bits of 32-bit floats for a float part. */
    bool write (const int* const* channels, int count, juce::String& error);

    /** Completes the file (its header, then a sync to disk); false with a sentence. */
    bool finish (juce::String& error);

    /** Gives the finished file the target's name; false with a sentence when the name was
        taken meanwhile or the move failed. */
    bool commit (juce::String& error);

private:
    // In this order, so the writer (and the stream it owns, which reports to the safe writer) goes
    // before the temporary file is removed.
    std::unique_ptr<SafeFileWriter> safeWriter;
    std::unique_ptr<juce::AudioFormatWriter> writer;
    std::vector<const int*> channelList;
};

} // namespace korvid
