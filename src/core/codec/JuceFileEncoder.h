#pragma once

#include "core/codec/AudioEncoder.h"

namespace korvid
{

/** Writes WAV, AIFF and FLAC through the framework's audio format writers, except float
    WAV, whose standard header FloatWavWriter writes. Integer words are dithered and rounded
    here and handed over as integers; only float32 is handed over as floats. Writes through
    a temporary file beside the target. */
class JuceFileEncoder : public AudioEncoder
{
public:
    /** wav, aiff or flac; mp3 cannot be encoded. */
    explicit JuceFileEncoder (Codec codecToWrite);

    bool encode (const juce::AudioBuffer<double>& buffer, const juce::File& target,
                 const EncoderSettings& settings, juce::String& error,
                 const CancelTest& shouldCancel = {}) override;

    bool encodeInto (const juce::AudioBuffer<double>& buffer, SafeFileWriter& writer,
                     const EncoderSettings& settings, juce::String& error,
                     const CancelTest& shouldCancel = {}) override;

    juce::String name() const override;

    const Codec codec;
};

/** The refusals an encoder for `encoderCodec` gives before it touches the disk: a
    settings codec other than its own, a word length or rate the codec cannot store, a
    channel count outside 1..64. True when none applies; otherwise `error` holds the
    encoder's sentence. */
bool checkEncoderSettings (Codec encoderCodec, const EncoderSettings& settings, int numChannels,
                           juce::String& error);

} // namespace korvid
