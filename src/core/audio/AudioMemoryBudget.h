#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** The most memory one audio operation may hold at once, in bytes. */
juce::int64 audioMemoryBudgetBytes();

/** Bytes held by buffers of `channels` x `frames` samples of `bytesPerSample` each;
    saturates instead of overflowing. */
juce::int64 audioBufferBytes (juce::int64 channels, juce::int64 frames, int bytesPerSample);

/** True when `bytes` fit the budget; otherwise fills `error` with a sentence. */
bool checkAudioMemoryBudget (juce::int64 bytes, juce::String& error);

} // namespace korvid
