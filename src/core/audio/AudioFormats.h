#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** The one audio format manager of the process: WAV (the default), AIFF and FLAC.
    Built on first use and only read afterwards, so any thread may use it. */
juce::AudioFormatManager& audioFormatManager();

/** A reader for the whole-file reads of rendering, overviews and spectrograms: chosen by
    the file's extension like the manager's own, but reading through a large buffer, since
    the framework's readers ask the file for a few kilobytes at a time. Null when no
    format opens the file. */
std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file);

/** The pattern offered for import: "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac". */
juce::String audioFileWildcard();

/** True when the file's name matches the import pattern, ignoring letter case on every
    platform ("TAKE.WAV" matches). */
bool matchesAudioFileWildcard (const juce::File& file);

} // namespace korvid
