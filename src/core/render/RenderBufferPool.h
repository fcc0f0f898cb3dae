#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

/** Audio buffers handed on from one cue of a run to the next. Memory the process has
    touched once is cheap to use again, while fresh memory costs a page fault per page on
    first touch, which for a long cue can take longer than reading its tracks. One pool
    lives for one run on the render thread, so the run's memory is freed when it ends. */
class RenderBufferPool
{
public:
    /** A spare buffer with its memory, or an empty buffer when none is left. */
    juce::AudioBuffer<double> take();

    /** Keeps the buffer's memory for a later cue; a buffer holding nothing is dropped. */
    void give (juce::AudioBuffer<double>&& buffer);

    int spareCount() const { return (int) spares.size(); }

private:
    std::vector<juce::AudioBuffer<double>> spares;
};

} // namespace korvid
