#include "core/audio/GainDecision.h"

#include <gtest/gtest.h>

namespace korvid
{
namespace
{

TEST (GainDecision, ReachesTheTargetOrHoldsInAttenuateOnly)
{
    struct Case
    {
        const char* name;
        PeakLevels peaks;
        PeakMode peakMode;
        GainMode gainMode;
        double targetDb;
        double measuredDb, gainDb, linearGain, predictedDb;
        bool held;
    };

    const Case cases[] = {
        { "half scale, reach target", { 0.5, 0.5 }, PeakMode::samplePeak, GainMode::alwaysReachTarget, -3.0,
          -6.020599913279624, 3.020599913279624, 1.4158915687682758, -3.0, false },
        { "half scale, attenuate only", { 0.5, 0.5 }, PeakMode::samplePeak, GainMode::attenuateOnly, -3.0,
          -6.020599913279624, 0.0, 1.0, -6.020599913279624, true },
        { "full scale, reach target", { 1.0, 1.0 }, PeakMode::truePeak, GainMode::alwaysReachTarget, -3.0,
          0.0, -3.0, 0.7079457843841379, -3.0, false },
        { "full scale, attenuate only", { 1.0, 1.0 }, PeakMode::truePeak, GainMode::attenuateOnly, -3.0,
          0.0, -3.0, 0.7079457843841379, -3.0, false },
        { "sample-peak mode ignores the true peak", { 0.5, 0.9 }, PeakMode::samplePeak, GainMode::alwaysReachTarget, -3.0,
          -6.020599913279624, 3.020599913279624, 1.4158915687682758, -3.0, false },
        { "true-peak mode uses the true peak", { 0.25, 1.0 }, PeakMode::truePeak, GainMode::alwaysReachTarget, -1.0,
          0.0, -1.0, 0.8912509381337456, -1.0, false },
        { "a gain at or below -400 dB is no signal at all", { 1.0, 1.0 }, PeakMode::samplePeak, GainMode::alwaysReachTarget, -400.0,
          0.0, -400.0, 0.0, -400.0, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        HeadroomSettings headroom;
        headroom.peakMode = c.peakMode;
        headroom.gainMode = c.gainMode;
        headroom.targetDb = c.targetDb;

        const auto d = computeGain (c.peaks, headroom);
        EXPECT_DOUBLE_EQ (d.targetDb, c.targetDb);
        EXPECT_NEAR (d.measuredDb, c.measuredDb, 1e-12);
        EXPECT_NEAR (d.gainDb, c.gainDb, 1e-12);
        EXPECT_NEAR (d.linearGain, c.linearGain, 1e-12);
        EXPECT_NEAR (d.predictedDb, c.predictedDb, 1e-12);
        EXPECT_EQ (d.heldByAttenuateOnly, c.held);
        EXPECT_FALSE (d.silent);
    }
}

TEST (GainDecision, SilentMixGetsNoGain)
{
    for (auto mode : { GainMode::alwaysReachTarget, GainMode::attenuateOnly })
    {
        HeadroomSettings headroom;
        headroom.gainMode = mode;
        headroom.targetDb = -1.5;

        const auto d = computeGain ({ 0.0, 0.0 }, headroom);
        EXPECT_TRUE (d.silent);
        EXPECT_EQ (d.targetDb, -1.5);
        EXPECT_EQ (d.measuredDb, -400.0);
        EXPECT_EQ (d.gainDb, 0.0);
        EXPECT_EQ (d.linearGain, 1.0);
        EXPECT_EQ (d.predictedDb, -400.0);
        EXPECT_FALSE (d.heldByAttenuateOnly);
    }

    // In sample-peak mode only the sample peak decides whether there is anything to level.
    HeadroomSettings samplePeakMode;
    samplePeakMode.peakMode = PeakMode::samplePeak;
    EXPECT_TRUE (computeGain ({ 0.0, 0.5 }, samplePeakMode).silent);
}

} // namespace
} // namespace korvid
