#include "core/audio/AudioBuffers.h"

#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"

namespace korvid
{

void mixBufferInto (juce::AudioBuffer<double>& destination, const juce::AudioBuffer<double>& source)
{
    mixBufferInto (destination, source, 1.0);
}

void mixBufferInto (juce::AudioBuffer<double>& destination, const juce::AudioBuffer<double>& source, double gain)
{
    const int frames = juce::jmin (destination.getNumSamples(), source.getNumSamples());
    const int sourceChannels = source.getNumChannels();

    if (frames < 1 || gain == 0.0 || sourceChannels == 0)
        return;

    for (int channel = 0; channel < destination.getNumChannels(); ++channel)
    {
        if (sourceChannels == 1)
            destination.addFrom (channel, 0, source, 0, 0, frames, gain);
        else if (channel < sourceChannels)
            destination.addFrom (channel, 0, source, channel, 0, frames, gain);
    }
}

bool prepareRenderBuffer (juce::AudioBuffer<double>& buffer, int numChannels, juce::int64 numFrames,
                          juce::String& error)
{
    if (! sizeRenderBuffer (buffer, numChannels, numFrames, error))
        return false;

    buffer.clear();
    return true;
}

bool sizeRenderBuffer (juce::AudioBuffer<double>& buffer, int numChannels, juce::int64 numFrames,
                       juce::String& error)
{
    if (numChannels < 1 || numChannels > maxAudioChannels)
    {
        error = "Unsupported channel count: " + juce::String (numChannels) + ".";
        return false;
    }

    if (numFrames < 0)
    {
        error = "Negative render length.";
        return false;
    }

    if (numFrames > renderFrameLimit)
    {
        error = "The render is too long: " + juce::String (numFrames) + " frames.";
        return false;
    }

    if (! checkAudioMemoryBudget (audioBufferBytes (numChannels, numFrames, (int) sizeof (double)), error))
        return false;

    // Memory the buffer already has is used again when it is large enough.
    buffer.setSize (numChannels, (int) numFrames, false, false, true);
    return true;
}

} // namespace korvid
