#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** The one audio format manager of the process: WAV (the default), AIFF and FLAC.
    Built on first use and only read afterwards, so any thread may use it. */
juce::AudioFormatManager& audioFormatManager();

/** The pattern offered for import: "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac". */
juce::String audioFileWildcard();

/** True when the file's name matches the import pattern, ignoring letter case on every
    platform ("TAKE.WAV" matches). */
bool matchesAudioFileWildcard (const juce::File& file);

} // namespace korvid
