#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioMemoryBudget.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

/** Channel c, frame i holds base + 10 c + i / 1000. */
juce::AudioBuffer<double> numbered (int channels, int frames, double base)
{
    juce::AudioBuffer<double> buffer (channels, frames);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (c, i, base + 10.0 * c + i / 1000.0);

    return buffer;
}

TEST (MixBufferInto, ChannelRules)
{
    struct Case
    {
        const char* name;
        int destinationChannels, sourceChannels;
        std::vector<int> sourceChannelFor; // per destination channel, -1: left as it was
    };

    const Case cases[] = {
        { "stereo into mono takes the first channel", 1, 2, { 0 } },
        { "mono into four channels reaches all four", 4, 1, { 0, 0, 0, 0 } },
        { "stereo into four channels leaves 3 and 4", 4, 2, { 0, 1, -1, -1 } },
        { "stereo into stereo channel by channel", 2, 2, { 0, 1 } },
        { "six into stereo drops the rest", 2, 6, { 0, 1 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto destination = numbered (c.destinationChannels, 8, 100.0);
        const auto original = destination;
        const auto source = numbered (c.sourceChannels, 8, 1.0);

        mixBufferInto (destination, source, 0.5);

        for (int ch = 0; ch < c.destinationChannels; ++ch)
        {
            const int from = c.sourceChannelFor[(size_t) ch];

            for (int i = 0; i < 8; ++i)
            {
                const double expected = original.getSample (ch, i) + (from < 0 ? 0.0 : 0.5 * source.getSample (from, i));
                ASSERT_DOUBLE_EQ (destination.getSample (ch, i), expected) << "channel " << ch << " frame " << i;
            }
        }
    }
}

TEST (MixBufferInto, AddsOnlyOverTheShorterLength)
{
    auto destination = numbered (2, 4, 0.0);
    const auto original = destination;
    mixBufferInto (destination, numbered (2, 10, 1.0));

    for (int i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ (destination.getSample (1, i), original.getSample (1, i) + 11.0 + i / 1000.0);

    auto longer = numbered (1, 10, 0.0);
    const auto longerOriginal = longer;
    mixBufferInto (longer, numbered (1, 3, 1.0));
    EXPECT_DOUBLE_EQ (longer.getSample (0, 2), longerOriginal.getSample (0, 2) + 1.002);
    EXPECT_DOUBLE_EQ (longer.getSample (0, 3), longerOriginal.getSample (0, 3));
}

TEST (MixBufferInto, NothingHappensWithoutFramesChannelsOrGain)
{
    auto destination = numbered (2, 4, 5.0);
    const auto original = destination;

    mixBufferInto (destination, numbered (2, 4, 1.0), 0.0);
    mixBufferInto (destination, juce::AudioBuffer<double> (2, 0));
    mixBufferInto (destination, juce::AudioBuffer<double>());

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ (destination.getSample (c, i), original.getSample (c, i));
}

TEST (MixBufferInto, ClearedBuffersBehaveLikeSilence)
{
    juce::AudioBuffer<double> silentSource (2, 4);
    silentSource.clear();
    auto destination = numbered (2, 4, 5.0);
    const auto original = destination;
    mixBufferInto (destination, silentSource, 3.0);
    EXPECT_EQ (destination.getSample (1, 3), original.getSample (1, 3));

    juce::AudioBuffer<double> silentDestination (2, 4);
    silentDestination.clear();
    const auto source = numbered (1, 4, 1.0);
    mixBufferInto (silentDestination, source, -2.0);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 4; ++i)
            EXPECT_DOUBLE_EQ (silentDestination.getSample (c, i), -2.0 * source.getSample (0, i));
}

TEST (PrepareRenderBuffer, RefusesWhatIsOutsideTheLimits)
{
    const std::tuple<int, juce::int64, juce::String> cases[] = {
        { 0, 100, "Unsupported channel count: 0." },
        { 65, 100, "Unsupported channel count: 65." },
        { -1, 100, "Unsupported channel count: -1." },
        { 2, -1, "Negative render length." },
        { 1, 1000000001, "The render is too long: 1000000001 frames." },
    };

    for (const auto& [channels, frames, expected] : cases)
    {
        SCOPED_TRACE (expected);
        juce::AudioBuffer<double> buffer (1, 3);
        juce::String error;
        EXPECT_FALSE (prepareRenderBuffer (buffer, channels, frames, error));
        EXPECT_EQ (error, expected);
        EXPECT_EQ (buffer.getNumSamples(), 3);
    }
}

TEST (PrepareRenderBuffer, RefusesWhatExceedsTheMemoryBudget)
{
    // 64 channels x one billion frames of doubles: 512 GB.
    juce::AudioBuffer<double> buffer (1, 3);
    juce::String error;
    EXPECT_FALSE (prepareRenderBuffer (buffer, 64, 1000000000, error));
    EXPECT_TRUE (error.startsWith ("There is not enough memory for this audio: it needs 476.8 GB")) << error;
    EXPECT_EQ (buffer.getNumSamples(), 3);
}

TEST (PrepareRenderBuffer, SizesAndClears)
{
    auto buffer = numbered (2, 10, 1.0);
    juce::String error;

    ASSERT_TRUE (prepareRenderBuffer (buffer, 64, 48000, error));
    EXPECT_EQ (buffer.getNumChannels(), 64);
    EXPECT_EQ (buffer.getNumSamples(), 48000);

    for (int c = 0; c < 64; ++c)
        EXPECT_EQ (buffer.getMagnitude (c, 0, 48000), 0.0);

    ASSERT_TRUE (prepareRenderBuffer (buffer, 1, 0, error));
    EXPECT_EQ (buffer.getNumChannels(), 1);
    EXPECT_EQ (buffer.getNumSamples(), 0);
}

TEST (AudioMemoryBudget, SizesSaturateAndTheBudgetIsChecked)
{
    EXPECT_EQ (audioBufferBytes (2, 1000, 8), 16000);
    EXPECT_EQ (audioBufferBytes (0, 1000, 8), 0);
    EXPECT_EQ (audioBufferBytes (64, std::numeric_limits<juce::int64>::max() / 2, 8),
               std::numeric_limits<juce::int64>::max());

    juce::String error;
    EXPECT_TRUE (checkAudioMemoryBudget (audioMemoryBudgetBytes(), error));
    EXPECT_TRUE (error.isEmpty());
    EXPECT_FALSE (checkAudioMemoryBudget (audioMemoryBudgetBytes() + 1, error));
    EXPECT_TRUE (error.endsWith (" may be used.")) << error;
    EXPECT_GE (audioMemoryBudgetBytes(), (juce::int64) 1 << 30);
}

} // namespace
} // namespace korvid
