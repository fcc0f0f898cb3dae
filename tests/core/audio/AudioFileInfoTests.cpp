#include "core/audio/AudioFileInfo.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

AudioFileInfo infoWith (double rate, juce::int64 frames)
{
    AudioFileInfo info;
    info.sampleRate = rate;
    info.lengthInSamples = frames;
    return info;
}

TEST (AudioFileInfo, DefaultIsEmpty)
{
    const AudioFileInfo info;
    EXPECT_TRUE (info.formatName.isEmpty());
    EXPECT_EQ (info.sampleRate, 0.0);
    EXPECT_EQ (info.bitsPerSample, 0);
    EXPECT_FALSE (info.floatingPoint);
    EXPECT_EQ (info.numChannels, 0);
    EXPECT_EQ (info.lengthInSamples, 0);
}

TEST (AudioFileInfo, DurationText)
{
    const std::tuple<double, juce::int64, const char*> cases[] = {
        { 44100.0, 44100, "0:01.000" },
        { 48000.0, 1, "0:00.000" },
        { 48000.0, 24, "0:00.001" },              // half a millisecond rounds up
        { 0.0, 44100, "0:00.000" },
        { -1.0, 44100, "0:00.000" },
        { 48000.0, 0, "0:00.000" },
        { 48000.0, -5, "0:00.000" },
        { 48000.0, 348000, "0:07.250" },
        { 48000.0, 3600 * 48000, "1:00:00.000" },
        { 1000.0, 3723004, "1:02:03.004" },
        { 1000.0, 3599999, "59:59.999" },
        { 8000.0, 14400LL * 8000, "4:00:00.000" },
    };

    for (const auto& [rate, frames, expected] : cases)
        EXPECT_EQ (infoWith (rate, frames).durationText(), expected) << rate << " Hz, " << frames << " frames";
}

TEST (AudioFileInfo, TableTextsUseTheSharedLabels)
{
    AudioFileInfo info;
    info.sampleRate = 44100.0;
    info.bitsPerSample = 32;
    info.floatingPoint = true;
    info.numChannels = 6;

    EXPECT_EQ (info.sampleRateText(), "44.1 kHz");
    EXPECT_EQ (info.bitDepthText(), "32 bit float");
    EXPECT_EQ (info.channelsText(), "5.1");

    info.numChannels = 2;
    info.bitsPerSample = 24;
    info.floatingPoint = false;
    EXPECT_EQ (info.channelsText(), "stereo");
    EXPECT_EQ (info.bitDepthText(), "24 bit");
}

} // namespace
} // namespace korvid
