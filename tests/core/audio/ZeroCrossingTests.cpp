#include "core/audio/ZeroCrossing.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

// Stereo, positive everywhere except where the channel sums are set.
juce::AudioBuffer<double> positiveBuffer (int frames)
{
    juce::AudioBuffer<double> buffer (2, frames);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, 0.25);
    return buffer;
}

TEST (ZeroCrossing, NearestCrossingOfTheChannelSumWithinTwentyMilliseconds)
{
    const double rate = 48000.0;
    const int d = 48000;   // one second in

    struct Case { const char* name; std::vector<int> negativeFrom; juce::int64 expected; };
    // Each entry makes frames [n, end) negative: the crossing is at frame n.
    const Case cases[] = {
        { "crossings at d - 5 and d + 5 pick the earlier", { d - 5, d + 5 }, d - 5 },
        { "the nearer one wins", { d - 40, d + 3 }, d + 3 },
        { "no crossing in the window gives d", { d - 961, d + 961 }, d },
        { "the window reaches exactly 960 frames", { d + 960 }, d + 960 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto buffer = positiveBuffer (96000);
        // Alternate the sign at every listed frame.
        double sign = 1.0;
        size_t next = 0;
        for (int i = 0; i < 96000; ++i)
        {
            if (next < c.negativeFrom.size() && i == c.negativeFrom[next])
            {
                sign = -sign;
                ++next;
            }
            // Left and right differ; only their sum counts.
            buffer.setSample (0, i, sign * 0.75);
            buffer.setSample (1, i, sign * -0.25);
        }
        EXPECT_EQ (findZeroCrossingNear (buffer, rate, 1.0), c.expected);
    }

    // A channel sum of exactly zero is a crossing too.
    auto touching = positiveBuffer (96000);
    touching.setSample (0, d + 7, 0.3);
    touching.setSample (1, d + 7, -0.3);
    EXPECT_EQ (findZeroCrossingNear (touching, rate, 1.0), d + 7);
}

TEST (ZeroCrossing, ClampsAndRefusesOutOfRangeRequests)
{
    auto buffer = positiveBuffer (1000);
    EXPECT_EQ (findZeroCrossingNear (buffer, 48000.0, 10.0), 999) << "beyond the end: the last frame";
    EXPECT_EQ (findZeroCrossingNear (buffer, 48000.0, 0.0), 0);
    EXPECT_EQ (findZeroCrossingNear (buffer, 48000.0, -1.0), 0);
    EXPECT_EQ (findZeroCrossingNear (buffer, 0.0, 0.01), 0);
    EXPECT_EQ (findZeroCrossingNear (positiveBuffer (1), 48000.0, 0.01), 0);
}

} // namespace
} // namespace korvid
