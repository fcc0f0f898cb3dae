#include "core/audio/AudioFileInfo.h"

#include "core/model/Types.h"

namespace korvid
{

juce::String AudioFileInfo::channelsText() const
{
    return formatChannelCount (numChannels);
}

juce::String AudioFileInfo::bitDepthText() const
{
    return formatBitDepth (bitsPerSample, floatingPoint);
}

juce::String AudioFileInfo::sampleRateText() const
{
    return formatSampleRate (sampleRate);
}

juce::String AudioFileInfo::durationText() const
{
    if (! (sampleRate > 0.0) || ! ((double) lengthInSamples / sampleRate > 0.0))
        return "0:00.000";

    const auto t = (juce::int64) ((double) lengthInSamples / sampleRate * 1000.0 + 0.5);
    const auto hours = t / 3600000;
    const auto minutes = t / 60000 - hours * 60;
    const auto seconds = t / 1000 - (t / 60000) * 60;
    const auto milliseconds = t % 1000;

    const auto secondsAndMillis = ":" + juce::String (seconds).paddedLeft ('0', 2)
                                + "." + juce::String (milliseconds).paddedLeft ('0', 3);

    if (hours < 1)
        return juce::String (minutes) + secondsAndMillis;

    return juce::String (hours) + ":" + juce::String (minutes).paddedLeft ('0', 2) + secondsAndMillis;
}

} // namespace korvid
