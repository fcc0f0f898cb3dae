#pragma once

#include "core/audio/AudioFileInfo.h"

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid
{

/** Decides whether a file is usable at all. On success fills `info` and clears `error`;
    on failure `error` holds one sentence and `info` is left as it was. */
bool probeAudioFile (const juce::File& file, AudioFileInfo& info, juce::String& error);

/** The limits on channels, rate and length that every open reader must meet. */
bool checkReaderLimits (const juce::AudioFormatReader& reader, juce::String& error);

} // namespace korvid
