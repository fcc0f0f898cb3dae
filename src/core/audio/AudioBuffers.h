#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace korvid
{

/** Adds `source` into `destination` over the shorter of the two lengths, from frame 0.
    A one-channel source goes into every destination channel; otherwise source channel i
    goes into destination channel i, extra source channels are dropped and extra
    destination channels stay as they were. */
void mixBufferInto (juce::AudioBuffer<double>& destination, const juce::AudioBuffer<double>& source);
void mixBufferInto (juce::AudioBuffer<double>& destination, const juce::AudioBuffer<double>& source, double gain);

/** Sizes `buffer` to channels x frames without keeping its content and clears it, within
    the render limits and the memory budget. */
bool prepareRenderBuffer (juce::AudioBuffer<double>& buffer, int numChannels, juce::int64 numFrames,
                          juce::String& error);

/** The same without clearing: the content is left unspecified. */
bool sizeRenderBuffer (juce::AudioBuffer<double>& buffer, int numChannels, juce::int64 numFrames,
                       juce::String& error);

} // namespace korvid
