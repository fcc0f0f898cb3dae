#include "core/audio/StartTrim.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

juce::AudioBuffer<double> ramp (int channels, int frames)
{
    juce::AudioBuffer<double> buffer (channels, frames);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, 0.5 + 0.001 * i + ch);
    return buffer;
}

TEST (StartTrim, CutsTheStartAndFadesInOverFiveMilliseconds)
{
    auto buffer = ramp (2, 10000);
    const auto original = buffer;

    trimBufferStart (buffer, 1000, 48000.0);

    ASSERT_EQ (buffer.getNumSamples(), 9000);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_EQ (buffer.getSample (ch, 0), 0.0);
        EXPECT_DOUBLE_EQ (buffer.getSample (ch, 120), original.getSample (ch, 1120) * 120.0 / 239.0);
        EXPECT_EQ (buffer.getSample (ch, 239), original.getSample (ch, 1239));   // 240-frame fade ends at 1
        EXPECT_EQ (buffer.getSample (ch, 240), original.getSample (ch, 1240));
        EXPECT_EQ (buffer.getSample (ch, 8999), original.getSample (ch, 9999));
    }
}

TEST (StartTrim, IgnoresCutsOutsideTheBuffer)
{
    for (juce::int64 frames : { (juce::int64) 0, (juce::int64) -5, (juce::int64) 100, (juce::int64) 150 })
    {
        auto buffer = ramp (1, 100);
        trimBufferStart (buffer, frames, 48000.0);
        EXPECT_EQ (buffer.getNumSamples(), 100) << frames;
        EXPECT_EQ (buffer.getSample (0, 0), 0.5) << frames;
    }

    // A fade shorter than two frames is left out.
    auto tiny = ramp (1, 100);
    trimBufferStart (tiny, 10, 200.0);   // 5 ms at 200 Hz is one frame
    EXPECT_EQ (tiny.getNumSamples(), 90);
    EXPECT_EQ (tiny.getSample (0, 0), 0.5 + 0.001 * 10);
}

} // namespace
} // namespace korvid
