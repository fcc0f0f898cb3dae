#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** The one audio format manager of the process: WAV (the default), AIFF and FLAC, whose
    readers are the exact ones of openAudioStream and whose writers are the framework's.
    Built on first use and only read afterwards, so any thread may use it. */
juce::AudioFormatManager& audioFormatManager();

/** The reader every read in the core goes through: chosen by the file's extension like the
    manager's own, reading through a large buffer, since readers ask the file for a few
    kilobytes at a time. Null when no format opens the file: `refusal` then names why a file
    of a known kind cannot be read (a word size that is not converted, a damaged stream) and
    is empty when it is simply not readable audio. */
std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file, juce::String& refusal);

/** The same, when the reason does not matter. */
std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file);

/** The pattern offered for import: "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac". */
juce::String audioFileWildcard();

/** True when the file's name matches the import pattern, ignoring letter case on every
    platform ("TAKE.WAV" matches). */
bool matchesAudioFileWildcard (const juce::File& file);

} // namespace korvid
