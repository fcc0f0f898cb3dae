#include "core/audio/LeadingSilence.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

TEST (LeadingSilence, TimeBeforeAnyChannelRisesAboveTheThreshold)
{
    const float threshold = 2.0e-4f;
    juce::AudioBuffer<double> buffer (2, 48000);

    buffer.clear();
    EXPECT_DOUBLE_EQ (leadingSilenceSeconds (buffer, 48000.0, threshold), 1.0) << "all zeros: the whole length";

    // A sample exactly at the threshold is not sound; the first one above it is,
    // on whichever channel it comes first.
    buffer.setSample (0, 100, (double) threshold);
    buffer.setSample (1, 24000, -0.5);
    buffer.setSample (0, 36000, 0.5);
    EXPECT_DOUBLE_EQ (leadingSilenceSeconds (buffer, 48000.0, threshold), 0.5);

    EXPECT_EQ (leadingSilenceSeconds (buffer, 0.0, threshold), 0.0);
    EXPECT_EQ (leadingSilenceSeconds (juce::AudioBuffer<double>(), 48000.0, threshold), 0.0);
}

} // namespace
} // namespace korvid
