#include "core/audio/SilenceGate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvid
{
namespace
{

constexpr double rate = 48000.0;

SilenceGateSettings gateOn()
{
    SilenceGateSettings settings;
    settings.enabled = true;
    return settings;
}

// Signal that is never quiet: a 1 kHz sine whose phase keeps every sample well away from 0.
double loud (int channel, int frame)
{
    return 0.5 * std::sin (2.0 * juce::MathConstants<double>::pi * 1000.0 * frame / rate + 0.1 + 0.2 * channel);
}

// Signal, then `quietFrames` frames at `floorLevel`, then signal; stereo.
juce::AudioBuffer<double> signalQuietSignal (int leadFrames, int quietFrames, int tailFrames, double floorLevel = 0.0)
{
    juce::AudioBuffer<double> buffer (2, leadFrames + quietFrames + tailFrames);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (ch, i, (i >= leadFrames && i < leadFrames + quietFrames) ? floorLevel : loud (ch, i));
    return buffer;
}

bool sameSamples (const juce::AudioBuffer<double>& a, const juce::AudioBuffer<double>& b, int from, int to)
{
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        for (int i = from; i < to; ++i)
            if (a.getSample (ch, i) != b.getSample (ch, i))
                return false;
    return true;
}

TEST (SilenceGate, GatesTwoSecondsOfSilenceBetweenSignals)
{
    auto buffer = signalQuietSignal (48000, 96000, 48000);
    const auto original = buffer;

    const auto result = gateSilence (buffer, rate, gateOn());

    EXPECT_EQ (result.gatedRuns, 1);
    EXPECT_EQ (result.gatedFrames, 96000);
    EXPECT_FALSE (result.wholeFileSilent);
    ASSERT_EQ (result.regions.size(), 1u);
    EXPECT_DOUBLE_EQ (result.regions[0].start, 0.25);
    EXPECT_DOUBLE_EQ (result.regions[0].end, 0.75);
    EXPECT_DOUBLE_EQ (result.regions[0].floorStart, 0.2875);
    EXPECT_DOUBLE_EQ (result.regions[0].floorEnd, 0.7125);
    EXPECT_TRUE (sameSamples (buffer, original, 0, 192000));
}

TEST (SilenceGate, FadesANoiseFloorDownToSilenceAndBackUp)
{
    // A -100 dB floor lies below the -90 dB threshold: faded, not replaced.
    const double level = 1.0e-5;
    auto buffer = signalQuietSignal (48000, 96000, 48000, level);
    const auto original = buffer;
    const int s = 48000, e = 144000, fade = 7200;

    const auto result = gateSilence (buffer, rate, gateOn());
    ASSERT_EQ (result.gatedRuns, 1);

    EXPECT_TRUE (sameSamples (buffer, original, 0, s));
    EXPECT_TRUE (sameSamples (buffer, original, e, 192000));

    for (int ch = 0; ch < 2; ++ch)
    {
        // Fade-out: factor 1 - (j + 1) / (P + 1), never quite 1 at the start.
        for (int j : { 0, 1, 3599, fade - 1 })
            EXPECT_DOUBLE_EQ (buffer.getSample (ch, s + j), level * (1.0 - (j + 1.0) / (fade + 1.0))) << j;
        for (int i : { s + fade, 96000, e - fade - 1 })
            EXPECT_EQ (buffer.getSample (ch, i), 0.0) << i;
        // Fade-in: factor (k + 1) / (Q + 1), never quite 1 at the end.
        for (int k : { 0, 1, 5000, fade - 1 })
            EXPECT_DOUBLE_EQ (buffer.getSample (ch, e - fade + k), level * ((k + 1.0) / (fade + 1.0))) << k;
    }
}

TEST (SilenceGate, RunsShorterThanTheMinimumOrTheFadesAreLeftAlone)
{
    struct Case { const char* name; int quietFrames; double minimumSeconds; int expectedRuns; };
    const Case cases[] = {
        { "0.9 s under the 1.0 s minimum", 43200, 1.0, 0 },
        { "exactly the minimum", 48000, 1.0, 1 },
        { "0.29 s under both fades", 13920, 0.1, 0 },
        { "0.31 s over both fades", 14880, 0.1, 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto settings = gateOn();
        settings.minimumSeconds = c.minimumSeconds;
        auto buffer = signalQuietSignal (4800, c.quietFrames, 4800, 1.0e-6);
        const auto original = buffer;

        const auto result = gateSilence (buffer, rate, settings);
        EXPECT_EQ (result.gatedRuns, c.expectedRuns);
        EXPECT_EQ (sameSamples (buffer, original, 0, buffer.getNumSamples()), c.expectedRuns == 0);
    }
}

TEST (SilenceGate, RunsAtTheEdgesHaveNoOuterFade)
{
    // Quiet at both ends, loud in the middle.
    juce::AudioBuffer<double> edges (2, 288000);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < edges.getNumSamples(); ++i)
            edges.setSample (ch, i, (i < 96000 || i >= 192000) ? 1.0e-6 : loud (ch, i));

    const auto result = gateSilence (edges, rate, gateOn());
    ASSERT_EQ (result.regions.size(), 2u);
    EXPECT_EQ (result.regions[0].start, 0.0);
    EXPECT_EQ (result.regions[0].floorStart, 0.0);
    EXPECT_DOUBLE_EQ (result.regions[0].floorEnd, (96000.0 - 7200.0) / 288000.0);
    EXPECT_EQ (result.regions[1].end, 1.0);
    EXPECT_EQ (result.regions[1].floorEnd, 1.0);
    EXPECT_EQ (edges.getSample (0, 0), 0.0);                // no fade-out at the start
    EXPECT_EQ (edges.getSample (1, 288000 - 1), 0.0);       // no fade-in at the end
}

TEST (SilenceGate, WholeQuietBufferGoesToTheFloor)
{
    struct Case { double floorDb; double expectedSample; bool wholeFileSilent; };
    const Case cases[] = { { -400.0, 0.0, true }, { -60.0, 2.0e-6 * 0.001, false } };

    for (const auto& c : cases)
    {
        juce::AudioBuffer<double> buffer (2, 60000);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 60000; ++i)
                buffer.setSample (ch, i, (i % 2 == 0 ? 2.0e-6 : -2.0e-6));

        auto settings = gateOn();
        settings.floorDb = c.floorDb;
        const auto result = gateSilence (buffer, rate, settings);

        EXPECT_EQ (result.gatedRuns, 1);
        EXPECT_EQ (result.gatedFrames, 60000);
        EXPECT_EQ (result.wholeFileSilent, c.wholeFileSilent);
        EXPECT_NEAR (buffer.getSample (0, 0), c.expectedSample, 1e-20);
        EXPECT_NEAR (buffer.getSample (1, 59999), -c.expectedSample, 1e-20);
    }
}

TEST (SilenceGate, ThresholdOfMinus400TreatsOnlyExactZerosAsQuiet)
{
    auto settings = gateOn();
    settings.thresholdDb = -400.0;

    auto tiny = signalQuietSignal (4800, 96000, 4800, 1.0e-300);
    EXPECT_EQ (gateSilence (tiny, rate, settings).gatedRuns, 0);

    auto zeros = signalQuietSignal (4800, 96000, 4800, 0.0);
    EXPECT_EQ (gateSilence (zeros, rate, settings).gatedRuns, 1);
}

TEST (SilenceGate, OneLoudChannelKeepsTheStretch)
{
    auto buffer = signalQuietSignal (4800, 96000, 4800);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
        buffer.setSample (1, i, loud (1, i));
    const auto original = buffer;

    EXPECT_EQ (gateSilence (buffer, rate, gateOn()).gatedRuns, 0);
    EXPECT_TRUE (sameSamples (buffer, original, 0, buffer.getNumSamples()));
}

TEST (SilenceGate, DoesNothingWhenOffOrWithoutAudioOrCancelled)
{
    auto off = gateOn();
    off.enabled = false;

    struct Case { const char* name; SilenceGateSettings settings; double rate; bool empty; CancelTest cancel; };
    const Case cases[] = {
        { "disabled", off, rate, false, {} },
        { "rate 0", gateOn(), 0.0, false, {} },
        { "negative rate", gateOn(), -48000.0, false, {} },
        { "empty buffer", gateOn(), rate, true, {} },
        { "cancelled", gateOn(), rate, false, [] { return true; } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto buffer = c.empty ? juce::AudioBuffer<double> (2, 0) : signalQuietSignal (4800, 96000, 4800, 1.0e-6);
        const auto original = buffer;

        const auto result = gateSilence (buffer, c.rate, c.settings, c.cancel);
        EXPECT_EQ (result.gatedRuns, 0);
        EXPECT_EQ (result.gatedFrames, 0);
        EXPECT_FALSE (result.wholeFileSilent);
        EXPECT_TRUE (result.regions.empty());
        EXPECT_TRUE (sameSamples (buffer, original, 0, buffer.getNumSamples()));
    }
}

TEST (SilenceGate, LongWorkAsksTheCancelTestBetweenBlocks)
{
    auto buffer = signalQuietSignal (48000, 960000, 48000, 1.0e-6);
    int asked = 0;
    gateSilence (buffer, rate, gateOn(), [&asked] { ++asked; return false; });
    EXPECT_GE (asked, 10);
}

TEST (SilenceGate, FadesLongerThanTheRunStayInsideIt)
{
    juce::AudioBuffer<double> buffer (1, 100);
    for (int i = 0; i < 100; ++i)
        buffer.setSample (0, i, 0.5);

    applyGateToRun (buffer, { 40, 50 }, 1000, 1000, 0.0);

    for (int i = 0; i < 100; ++i)
    {
        if (i < 40 || i >= 50)
            EXPECT_EQ (buffer.getSample (0, i), 0.5) << i;
        else
            EXPECT_LT (buffer.getSample (0, i), 0.5) << i;
    }
}

TEST (SilenceGate, UnreadableFloorNeverWritesNaN)
{
    auto settings = gateOn();
    settings.floorDb = std::numeric_limits<double>::quiet_NaN();
    auto buffer = signalQuietSignal (4800, 96000, 4800, 1.0e-6);

    gateSilence (buffer, rate, settings);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
        ASSERT_TRUE (std::isfinite (buffer.getSample (0, i))) << i;
}

TEST (SilenceGate, SettingsEqualOnlyWhenEveryMemberIs)
{
    const auto base = gateOn();
    EXPECT_TRUE (base == gateOn());

    auto other = base;
    other.fadeInSeconds = 0.16;
    EXPECT_FALSE (base == other);

    auto withNaN = base;
    withNaN.thresholdDb = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE (withNaN == withNaN);
}

TEST (SilenceGate, DbToGainTreatsMinus400AsSilence)
{
    EXPECT_EQ (dbToGain (-400.0), 0.0);
    EXPECT_EQ (dbToGain (-1000.0), 0.0);
    EXPECT_DOUBLE_EQ (dbToGain (-60.0), 0.001);
    EXPECT_DOUBLE_EQ (dbToGain (0.0), 1.0);
}

} // namespace
} // namespace korvid
