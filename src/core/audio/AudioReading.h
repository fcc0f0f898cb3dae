#pragma once

#include "core/audio/CancelTest.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

namespace korvid
{

// Every reader probes the file, opens a second reader for the data and checks the limits
// again, so a file that vanishes or changes in between is caught. On failure `error` holds
// one sentence and `output` keeps what it held before. The cancel test is asked between
// blocks; a cancelled read fails with its own sentence.

/** The reader of a read that goes through the file block by block itself: null, with the
    sentence in `error`, when the probe, the second reader or its limits refuse the file. */
std::unique_ptr<juce::AudioFormatReader> openAudioFileForReading (const juce::File& file, juce::String& error);

/** The whole file, converted to `targetRate` when that is above 0 and more than 0.5 Hz away
    from the file's rate. Refuses files longer than `maxFrames` before or after conversion. */
bool readAudioFileForRender (const juce::File& file, double targetRate, juce::AudioBuffer<double>& output,
                             juce::String& error, juce::int64 maxFrames,
                             const CancelTest& shouldCancel = {});

/** The same read into a buffer used over and over: its memory is kept when it is large
    enough, so no fresh pages are touched. A file that needs converting is read into
    `sourceRateScratch` first (reused the same way; a buffer of the call's own when it is
    null). On failure the content of both is unspecified. */
bool readAudioFileIntoReusedBuffer (const juce::File& file, double targetRate, juce::AudioBuffer<double>& buffer,
                                    juce::String& error, juce::int64 maxFrames,
                                    const CancelTest& shouldCancel = {},
                                    juce::AudioBuffer<double>* sourceRateScratch = nullptr);

/** What `addAudioFileInto` adds the file to. */
enum class AddOnto
{
    content,   // the destination's samples
    nothing    // a destination of unspecified content, as if it had been cleared first
};

/** Adds the whole file, converted to `targetRate` under the rule of the render read, into
    `destination` as `mixBufferInto` adds the buffer that read gives (a one-channel file into
    every channel, over the shorter length), block by block: a file at that rate is never
    held whole, and one to convert only at its own rate (in `sourceRateScratch` when given,
    reused like the render read's). Refuses what that read refuses, and a file with more
    channels than the destination; on failure the destination holds part of the file. */
bool addAudioFileInto (const juce::File& file, double targetRate, juce::AudioBuffer<double>& destination,
                       juce::String& error, juce::int64 maxFrames, const CancelTest& shouldCancel = {},
                       AddOnto onto = AddOnto::content, juce::AudioBuffer<double>* sourceRateScratch = nullptr);

/** The whole file at its own rate. */
bool readWholeAudioFile (const juce::File& file, juce::AudioBuffer<double>& output, juce::String& error,
                         const CancelTest& shouldCancel = {});

/** The frames from `startSeconds` on (a negative start reads from the beginning), for
    `lengthSeconds` (0 or less: to the end), converted to `targetRate` under the same rule
    (0 or less: the file's own rate). */
bool readAudioRange (const juce::File& file, double targetRate, double startSeconds, double lengthSeconds,
                     juce::AudioBuffer<double>& output, juce::String& error,
                     const CancelTest& shouldCancel = {});

} // namespace korvid
