#include "core/audio/PeakLevels.h"
#include "core/audio/TruePeak.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace korvid
{
namespace
{

constexpr double pi = juce::MathConstants<double>::pi;

// A full-scale sine at a quarter of the sample rate, sampled at +-45 degrees:
// the samples repeat a, a, -a, -a with a = 0.7071.
juce::AudioBuffer<double> quarterRateSine (int frames, double phase)
{
    juce::AudioBuffer<double> buffer (1, frames);
    for (int i = 0; i < frames; ++i)
        buffer.setSample (0, i, std::sin (0.5 * pi * i + phase));
    return buffer;
}

juce::AudioBuffer<double> noise (int channels, int frames, int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<double> buffer (channels, frames);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, random.nextDouble() * 2.0 - 1.0);
    return buffer;
}

TEST (TruePeak, BankRowsAreNormalisedSymmetricWindowedSincs)
{
    for (int factor : { 2, 4, 8 })
    {
        const auto bank = makeTruePeakBank (factor);
        EXPECT_EQ (bank.factor, factor);
        ASSERT_EQ ((int) bank.rows.size(), factor - 1);

        for (size_t r = 0; r < bank.rows.size(); ++r)
        {
            const auto& row = bank.rows[r];
            EXPECT_NEAR (std::accumulate (row.begin(), row.end(), 0.0), 1.0, 1e-14);
            // Row i mirrors row L - i.
            const auto& mirror = bank.rows[bank.rows.size() - 1 - r];
            for (int k = 0; k < truePeakTaps; ++k)
                EXPECT_NEAR (row[(size_t) k], mirror[(size_t) (truePeakTaps - 1 - k)], 1e-15);
        }
    }
}

TEST (TruePeak, QuarterRateSineAtFortyFiveDegrees)
{
    // The half-way row reconstructs the sine's crest: 1.0000017, 3.01 dB above
    // the 0.7071 sample peak (the filter's gain at a quarter of the rate).
    const auto bank = makeTruePeakBank (2);
    const double a = std::sqrt (0.5);
    const double pattern[] = { a, a, -a, -a };
    double crest = 0.0;
    for (int k = 0; k < truePeakTaps; ++k)
        crest += bank.rows[0][(size_t) k] * pattern[(k + 1) % 4];   // taps m-11..m+12 around a crest at m + 0.5
    EXPECT_NEAR (crest, 1.0000016535331557, 1e-12);

    // Measured on a sine that fades in and out slowly, every factor reads that value.
    for (double phase : { pi / 4.0, -pi / 4.0 })
    {
        const int frames = 19200, fade = 2400;
        juce::AudioBuffer<double> buffer (1, frames);
        for (int i = 0; i < frames; ++i)
        {
            const double edge = 0.5 - 0.5 * std::cos (pi * std::min ({ i, frames - 1 - i, fade }) / fade);
            buffer.setSample (0, i, std::sin (0.5 * pi * i + phase) * edge);
        }

        for (int oversampling : { 2, 4, 8 })
        {
            const auto levels = measurePeaks (buffer, true, oversampling);
            EXPECT_NEAR (levels.samplePeak, a, 1e-11);
            EXPECT_NEAR (levels.truePeak, 1.0000016535331557, 1e-7) << oversampling;
            EXPECT_NEAR (20.0 * std::log10 (levels.truePeak / levels.samplePeak), 3.0103, 1e-4);
        }
    }

    // Cut off abruptly at full level, the reconstruction overshoots where the
    // buffer meets the silence around it: 1.0128 or 1.0829 depending on where the
    // cycle is cut, with every factor.
    const std::pair<double, double> abrupt[] = { { pi / 4.0, 1.0128282020441484 }, { -pi / 4.0, 1.0828935196176792 } };
    for (auto [phase, expected] : abrupt)
    {
        const auto buffer = quarterRateSine (4800, phase);
        for (int oversampling : { 2, 4, 8 })
            EXPECT_NEAR (measurePeaks (buffer, true, oversampling).truePeak, expected, 1e-9) << oversampling;
    }
}

TEST (TruePeak, OversamplingSettingChoosesTheFactor)
{
    const std::pair<int, int> cases[] = { { -1, 2 }, { 0, 2 }, { 1, 2 }, { 2, 2 }, { 3, 4 }, { 4, 4 },
                                          { 5, 8 }, { 6, 8 }, { 8, 8 }, { 64, 8 } };
    for (auto [setting, factor] : cases)
        EXPECT_EQ (truePeakFactor (setting), factor) << setting;

    // Quarter-rate sines with faded ends whose crests fall a quarter and an
    // eighth of a sample after a sample: only the finer grids land on them.
    auto crestAfterSample = [] (double phase)
    {
        const int frames = 2000, fade = 400;
        juce::AudioBuffer<double> buffer (1, frames);
        for (int i = 0; i < frames; ++i)
        {
            const double edge = 0.5 - 0.5 * std::cos (pi * std::min ({ i, frames - 1 - i, fade }) / fade);
            buffer.setSample (0, i, std::sin (0.5 * pi * i + phase) * edge);
        }
        return buffer;
    };
    auto measure = [] (const juce::AudioBuffer<double>& buffer, int setting)
    {
        return truePeakOfChannel (buffer.getReadPointer (0), buffer.getNumSamples(), setting);
    };

    const auto quarter = crestAfterSample (3.0 * pi / 8.0);
    const auto eighth = crestAfterSample (7.0 * pi / 16.0);
    for (int setting : { 1, 2 })
        EXPECT_NEAR (measure (quarter, setting), 0.9238829157098205, 1e-9);
    for (int setting : { 3, 4 })
    {
        EXPECT_NEAR (measure (quarter, setting), 1.0000023663483664, 1e-9);
        EXPECT_NEAR (measure (eighth, setting), 0.9807872287436596, 1e-9);
    }
    for (int setting : { 5, 6, 8 })
        EXPECT_NEAR (measure (eighth, setting), 1.0000011715740258, 1e-9);
}

TEST (TruePeak, NeverBelowTheSamplePeak)
{
    // A lone impulse: every interpolated value is smaller than the impulse itself.
    juce::AudioBuffer<double> impulse (1, 64);
    impulse.clear();
    impulse.setSample (0, 30, -0.8);
    EXPECT_EQ (truePeakOfChannel (impulse.getReadPointer (0), 64, 8), 0.8);

    const auto random = noise (1, 20000, 7);
    const double peak = samplePeak (random);
    EXPECT_GE (truePeakOfChannel (random.getReadPointer (0), 20000, 4), peak);
}

TEST (TruePeak, EmptyAndSilentInputMeasureZero)
{
    EXPECT_EQ (truePeakOfChannel (nullptr, 10, 4), 0.0);
    const double one = 0.5;
    EXPECT_EQ (truePeakOfChannel (&one, 0, 4), 0.0);

    juce::AudioBuffer<double> silent (2, 1000);
    silent.clear();
    const auto levels = measurePeaks (silent, true, 4);
    EXPECT_EQ (levels.samplePeak, 0.0);
    EXPECT_EQ (levels.truePeak, 0.0);

    const auto empty = measurePeaks (juce::AudioBuffer<double>(), true, 4);
    EXPECT_EQ (empty.samplePeak, 0.0);
    EXPECT_EQ (empty.truePeak, 0.0);
}

TEST (PeakLevels, SamplePeakModeReportsTheSamplePeakTwice)
{
    auto buffer = quarterRateSine (4800, pi / 4.0);
    const auto levels = measurePeaks (buffer, false, 8);
    EXPECT_EQ (levels.truePeak, levels.samplePeak);
}

TEST (PeakLevels, LoudestChannelAndCountsOverAllChannels)
{
    juce::AudioBuffer<double> buffer (2, 4);
    const double left[] = { 0.1, -1.0, 0.999, 1.5 };
    const double right[] = { -2.0, 1.0, 0.0, 0.5 };
    for (int i = 0; i < 4; ++i)
    {
        buffer.setSample (0, i, left[i]);
        buffer.setSample (1, i, right[i]);
    }

    EXPECT_EQ (samplePeak (buffer), 2.0);
    EXPECT_EQ (countSamplesAtOrAbove (buffer, 1.0), 4);
    EXPECT_EQ (countSamplesAtOrAbove (buffer, 0.5), 6);
    EXPECT_EQ (countSamplesAtOrAbove (juce::AudioBuffer<double>(), 1.0), 0);

    // The true peak is the largest over the channels, never below the sample peak.
    const auto levels = measurePeaks (buffer, true, 4);
    EXPECT_EQ (levels.samplePeak, 2.0);
    EXPECT_GE (levels.truePeak, 2.0);
}

TEST (PeakLevels, LongMeasurementsAskTheCancelTestAndStopWhenItFires)
{
    const auto buffer = noise (2, 1 << 20, 3);

    int asked = 0;
    const auto full = measurePeaks (buffer, true, 8, [&asked] { ++asked; return false; });
    EXPECT_GE (asked, 2 * (1 << 20) / 16384);

    // Cancelled at once, the true-peak pass adds nothing to the sample peak.
    const auto stopped = measurePeaks (buffer, true, 8, [] { return true; });
    EXPECT_EQ (stopped.truePeak, stopped.samplePeak);
    EXPECT_GT (full.truePeak, full.samplePeak);
}

} // namespace
} // namespace korvid
