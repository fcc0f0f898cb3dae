#include "core/codec/Dither.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace korvid
{
namespace
{

constexpr double lsb16 = 1.0 / 32768.0;

std::vector<double> lowLevelSignal (int n, double amplitude = 0.01)
{
    std::vector<double> x ((size_t) n);
    for (int i = 0; i < n; ++i)
        x[(size_t) i] = amplitude * std::sin (0.013 * i) + 0.3 * lsb16 * std::sin (0.7 * i);
    return x;
}

std::vector<double> dithered (Dither mode, int bits, std::uint64_t seed, std::vector<double> x, int channel = 0)
{
    Ditherer ditherer (mode, bits, seed);
    ditherer.process (x.data(), (int) x.size(), channel);
    return x;
}

bool onGrid (double value, double step)
{
    return value == std::round (value / step) * step;
}

const Dither allModes[] = { Dither::tpdf, Dither::tpdfShaped, Dither::tpdfContinuous, Dither::tpdfShapedContinuous };

TEST (Dither, SeedMakesNoiseReproducibleAndChannelsIndependent)
{
    const auto input = lowLevelSignal (4096);

    for (auto mode : allModes)
    {
        SCOPED_TRACE (toString (mode).toStdString());
        const auto first = dithered (mode, 16, 1, input);

        EXPECT_EQ (first, dithered (mode, 16, 1, input)) << "same seed, same channel";
        EXPECT_NE (first, input) << "noise was added";
        EXPECT_NE (first, dithered (mode, 16, 1, input, 1)) << "another channel has its own noise";
        EXPECT_NE (first, dithered (mode, 16, 2, input)) << "another seed";
        EXPECT_NE (dithered (mode, 16, 0, input), dithered (mode, 16, 0, input)) << "seed 0 is fresh every time";
        // Channel indices beyond the last generator share the last one.
        EXPECT_EQ (dithered (mode, 16, 7, input, 63), dithered (mode, 16, 7, input, 200));
    }
}

TEST (Dither, NoiseStaysWithinOneStepEachSideInPlainModes)
{
    const auto input = lowLevelSignal (20000);
    for (auto mode : { Dither::tpdf, Dither::tpdfContinuous })
    {
        const auto out = dithered (mode, 16, 3, input);
        double largest = 0.0;
        for (size_t i = 0; i < input.size(); ++i)
            largest = std::max (largest, std::abs (out[i] - input[i]));
        EXPECT_LT (largest, lsb16);
        EXPECT_GT (largest, 0.5 * lsb16);   // triangular: two uniform draws, so it does get there
    }
}

TEST (Dither, WordLengthOutsideRangeOrModeNoneLeavesSamplesAlone)
{
    const auto input = lowLevelSignal (1000);
    struct Case { Dither mode; int bits; };
    const Case cases[] = { { Dither::tpdfShaped, 0 }, { Dither::tpdfShaped, 1 }, { Dither::tpdf, 33 },
                           { Dither::tpdfShapedContinuous, -16 }, { Dither::none, 16 }, { Dither::none, 24 } };

    for (const auto& c : cases)
        EXPECT_EQ (dithered (c.mode, c.bits, 1, input), input) << toString (c.mode) << " at " << c.bits << " bits";

    // Two bits is the shortest word that is dithered.
    EXPECT_NE (dithered (Dither::tpdf, 2, 1, input), input);
}

TEST (Dither, ShapedOutputLiesOnTheGridAndKeepsItsErrorAwayFromLowFrequencies)
{
    for (int bits : { 16, 24 })
    {
        const double step = std::ldexp (1.0, -(bits - 1));
        for (auto mode : { Dither::tpdfShaped, Dither::tpdfShapedContinuous })
        {
            SCOPED_TRACE (toString (mode).toStdString() + " " + std::to_string (bits));
            auto input = lowLevelSignal (100000, 0.2);
            for (int i = 30000; i < 30800; ++i)
                input[(size_t) i] = 0.0;   // a silence short of the switch-off point
            auto out = input;

            Ditherer ditherer (mode, bits, 5);
            for (size_t start = 0; start < out.size(); start += 32768)
                ditherer.process (out.data() + start, (int) std::min<size_t> (32768, out.size() - start), 0);

            double errorSum = 0.0;
            int offGrid = 0;
            for (size_t i = 0; i < out.size(); ++i)
            {
                offGrid += onGrid (out[i], step) ? 0 : 1;
                errorSum += out[i] - input[i];
            }
            EXPECT_EQ (offGrid, 0);
            // The error filter has a zero at DC: the summed error stays within a few
            // steps however long the signal, where unshaped rounding noise would wander
            // by hundreds of steps over 100000 samples.
            EXPECT_LT (std::abs (errorSum), 4.0 * step);
        }
    }
}

TEST (Dither, SilenceFadesToExactZerosAndDitherFadesBackIn)
{
    const int sound = 100, silence = 2048, after = 600;
    std::vector<double> input;
    input.insert (input.end(), sound, 0.25);
    input.insert (input.end(), silence, 0.0);
    input.insert (input.end(), after, 0.125);

    for (auto mode : allModes)
    {
        SCOPED_TRACE (toString (mode).toStdString());
        const bool detects = mode == Dither::tpdf || mode == Dither::tpdfShaped;
        const bool shaped = mode == Dither::tpdfShaped || mode == Dither::tpdfShapedContinuous;
        const auto out = dithered (mode, 16, 11, input);

        int nonZeroInFade = 0, nonZeroAfterFade = 0;
        for (int k = 1; k <= silence; ++k)
        {
            const double v = out[(size_t) (sound + k - 1)];
            if (k < 256)
            {
                nonZeroInFade += v != 0.0 ? 1 : 0;
                if (detects && ! shaped)
                {
                    EXPECT_LT (std::abs (v), lsb16 * (1.0 - k / 256.0) + 1e-18) << "zero " << k;
                }
            }
            else
            {
                nonZeroAfterFade += v != 0.0 ? 1 : 0;
            }
        }

        EXPECT_GT (nonZeroInFade, 0);
        if (detects)
        {
            EXPECT_EQ (nonZeroAfterFade, 0) << "from the 256th zero on the output is exact zeros";
        }
        else
        {
            EXPECT_GT (nonZeroAfterFade, silence / 4) << "continuous modes keep dithering";
        }

        if (detects && ! shaped)
        {
            // Sound returns with the dither at 1/256 of its level, rising by 1/256 a sample.
            for (int k = 1; k <= 300; ++k)
            {
                const size_t i = (size_t) (sound + silence + k - 1);
                EXPECT_LE (std::abs (out[i] - input[i]), lsb16 * std::min (k / 256.0, 1.0)) << "sample " << k;
            }
        }
    }
}

TEST (Dither, SilenceReachingItsEndInALaterBlockKeepsWhatWasAlreadyWritten)
{
    // 600 zeros end the first block; the 1024th zero falls in the second one.
    std::vector<double> first (600, 0.0), second (2000, 0.0);
    first.insert (first.begin(), 50, 0.25);

    Ditherer ditherer (Dither::tpdf, 16, 4);
    ditherer.process (first.data(), (int) first.size(), 0);
    ditherer.process (second.data(), (int) second.size(), 0);

    int carried = 0;
    for (size_t i = 50; i < first.size(); ++i)
        carried += first[i] != 0.0 ? 1 : 0;
    EXPECT_GT (carried, 500);

    // Zeros 601..1023 sit in the same block as the 1024th and are faded back to
    // exact zeros with everything after it.
    for (size_t i = 0; i < second.size(); ++i)
        EXPECT_EQ (second[i], 0.0) << i;
}

TEST (Dither, NonFiniteSampleDoesNotPoisonTheShapedChannel)
{
    auto input = lowLevelSignal (2000, 0.2);
    input[100] = std::numeric_limits<double>::infinity();
    input[200] = std::numeric_limits<double>::quiet_NaN();

    const auto out = dithered (Dither::tpdfShapedContinuous, 16, 1, input);
    for (size_t i = 201; i < out.size(); ++i)
        ASSERT_TRUE (std::isfinite (out[i])) << i;
}

// The shaped modes written out sample by sample, with continuous dither: the loops the
// encoder runs are arranged for speed and must still give exactly these values.
std::vector<double> shapedReference (std::vector<double> x, int bits, std::uint64_t seed, int channel)
{
    const double lsb = std::ldexp (1.0, -(bits - 1));
    juce::Random random ((juce::int64) (seed * 2654435769ull + (std::uint64_t) channel * 2654435761ull));
    double errorPrev = 0.0, errorPrev2 = 0.0;

    for (auto& sample : x)
    {
        const double a = random.nextDouble();
        const double b = random.nextDouble();
        const double noise = (a - b) * lsb * 1.0;
        const double shaped = sample - (1.5 * errorPrev - 0.5 * errorPrev2);
        const double q = std::round ((shaped + noise) / lsb) * lsb;
        errorPrev2 = errorPrev;
        errorPrev = std::isfinite (q - shaped) ? q - shaped : 0.0;
        sample = q;
    }

    return x;
}

bool sameBits (const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp (a.data(), b.data(), a.size() * sizeof (double)) == 0;
}

TEST (Dither, ShapedSamplesAreExactlyThoseOfTheFormula)
{
    auto input = lowLevelSignal (6000, 0.6);
    input[10] = 0.25;                 // already on the grid
    input[11] = 3.0 * lsb16 / 2.0;    // a half step
    input[2000] = 1.0e260;            // absurd level, scaled without overflow
    input[3000] = std::numeric_limits<double>::quiet_NaN();
    input[4000] = -std::numeric_limits<double>::infinity();

    for (int bits : { 8, 16, 24, 32 })
        for (int channel : { 0, 5 })
        {
            SCOPED_TRACE (bits);
            EXPECT_TRUE (sameBits (shapedReference (input, bits, 3, channel),
                                   dithered (Dither::tpdfShapedContinuous, bits, 3, input, channel)));
        }
}

TEST (Dither, ChannelBlocksGiveTheSameSamplesAsOneCallPerChannel)
{
    for (auto mode : allModes)
        for (int channels : { 1, 2, 3, 4 })
        {
            SCOPED_TRACE (toString (mode).toStdString() + ", " + juce::String (channels).toStdString() + " channels");
            Ditherer oneByOne (mode, 16, 9);
            Ditherer together (mode, 16, 9);

            // Three blocks with silences that start and end at different places per channel.
            for (int block = 0; block < 3; ++block)
            {
                std::vector<std::vector<double>> separate;

                for (int c = 0; c < channels; ++c)
                {
                    auto x = lowLevelSignal (3000, 0.1 * (c + 1));
                    for (int i = 0; i < 3000; ++i)
                        if (((i + 700 * c + 3000 * block) / 1300) % 2 == 1)
                            x[(size_t) i] = 0.0;
                    separate.push_back (x);
                }

                auto joined = separate;
                std::vector<double*> pointers;

                for (int c = 0; c < channels; ++c)
                {
                    oneByOne.process (separate[(size_t) c].data(), 3000, c);
                    pointers.push_back (joined[(size_t) c].data());
                }

                together.process (pointers.data(), channels, 3000);

                for (int c = 0; c < channels; ++c)
                    EXPECT_TRUE (sameBits (separate[(size_t) c], joined[(size_t) c])) << "block " << block << ", channel " << c;
            }
        }
}

TEST (Dither, AppliesOnlyToIntegerFormatsWithADitherMode)
{
    EXPECT_FALSE (appliesDither (Dither::tpdf, SampleFormat::float32));
    EXPECT_FALSE (appliesDither (Dither::none, SampleFormat::pcm16));
    EXPECT_TRUE (appliesDither (Dither::tpdfShaped, SampleFormat::pcm24));
    EXPECT_TRUE (appliesDither (Dither::tpdfContinuous, SampleFormat::pcm16));
}

} // namespace
} // namespace korvid
