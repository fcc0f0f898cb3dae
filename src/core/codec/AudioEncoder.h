#pragma once

#include "core/audio/CancelTest.h"
#include "core/codec/EncoderSettings.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace korvid
{

class SafeFileWriter;

/** Turns a buffer of double samples into an audio file. The target is replaced only
    when the whole file was written; on failure it is left as it was, no temporary file
    stays behind and `error` holds one sentence. */
class AudioEncoder
{
public:
    virtual ~AudioEncoder() = default;

    /** The cancel test is asked before every block; a cancelled encode is a failure. */
    virtual bool encode (const juce::AudioBuffer<double>& buffer, const juce::File& target,
                         const EncoderSettings& settings, juce::String& error,
                         const CancelTest& shouldCancel = {}) = 0;

    /** Writes the whole file into the writer's temporary file and leaves it there, for the
        caller to commit under the name it claims. On failure `error` holds one sentence
        and the writer is not to be committed. */
    virtual bool encodeInto (const juce::AudioBuffer<double>& buffer, SafeFileWriter& writer,
                             const EncoderSettings& settings, juce::String& error,
                             const CancelTest& shouldCancel = {}) = 0;

    /** "JUCE WAV encoder", "JUCE AIFF encoder", "JUCE FLAC encoder". */
    virtual juce::String name() const = 0;
};

} // namespace korvid
