#include "core/render/RenderBufferPool.h"

namespace korvid
{

juce::AudioBuffer<double> RenderBufferPool::take()
{
    if (spares.empty())
        return {};

    auto buffer = std::move (spares.back());
    spares.pop_back();
    return buffer;
}

void RenderBufferPool::give (juce::AudioBuffer<double>&& buffer)
{
    if (buffer.getNumChannels() > 0 && buffer.getNumSamples() > 0)
        spares.push_back (std::move (buffer));

    buffer = {};
}

} // namespace korvid
