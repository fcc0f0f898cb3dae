#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

namespace korvid
{

/** The kinds of audio file the system reads. */
enum class AudioFileKind : int
{
    wav,
    aiff,
    flac
};

/** Opens a reader that gives the stream's samples exactly, or fails. Like
    juce::AudioFormat::createReaderFor, the reader owns the stream, and when none is made the
    stream is deleted only if `deleteStreamIfOpeningFails`. Without a reader, `refusal` names
    why a stream of this kind cannot be read (a word size that is not converted, a damaged
    stream) and is empty when the stream is not of this kind at all. */
std::unique_ptr<juce::AudioFormatReader> openAudioStream (AudioFileKind kind, juce::InputStream* stream,
                                                          bool deleteStreamIfOpeningFails, juce::String& refusal);

} // namespace korvid
