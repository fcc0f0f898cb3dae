#include "core/render/RenderBufferClearing.h"

#include "core/audio/AudioBuffers.h"

namespace korvid
{

bool prepareRenderBuffers (RenderWorkers& workers, const std::vector<juce::AudioBuffer<double>*>& buffers,
                           int channels, juce::int64 frames, size_t& failed, juce::String& error)
{
    constexpr int samplesPerSpan = 1 << 20;

    struct Span
    {
        double* start = nullptr;
        int count = 0;
    };

    std::vector<Span> spans;

    for (size_t i = 0; i < buffers.size(); ++i)
    {
        auto& buffer = *buffers[i];

        if (! sizeRenderBuffer (buffer, channels, frames, error))
        {
            failed = i;
            return false;
        }

        // A cleared buffer holds zeros already.
        if (buffer.hasBeenCleared())
            continue;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int offset = 0; offset < buffer.getNumSamples(); offset += samplesPerSpan)
                spans.push_back ({ buffer.getWritePointer (channel, offset),
                                   juce::jmin (samplesPerSpan, buffer.getNumSamples() - offset) });
    }

    workers.runAll ((int) spans.size(), [&spans] (int i)
                    {
                        juce::FloatVectorOperations::clear (spans[(size_t) i].start, spans[(size_t) i].count);
                    });

    // Marks each buffer cleared, as the callers expect; its pages are there by now.
    for (auto* buffer : buffers)
        buffer->clear();

    return true;
}

} // namespace korvid
