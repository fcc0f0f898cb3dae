#include "core/audio/ExpectedResidual.h"
#include "core/audio/ReconstructionCheck.h"
#include "core/codec/Dither.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvid
{
namespace
{

TEST (ExpectedResidual, FollowsWordLengthStemsAndDither)
{
    struct Case { int bits; int stems; Dither dither; double expectedDb; };
    const Case cases[] = {
        { 24, 5, Dither::tpdfShaped, -103.99317265087697 },
        { 24, 8, Dither::tpdfShapedContinuous, -100.47134746976336 },
        { 24, 1, Dither::none, -131.95197282431772 },
        { 16, 2, Dither::none, -83.77022543536103 },
        { 16, 2, Dither::tpdf, -74.23909538760245 },
        { 16, 12, Dither::tpdfContinuous, -61.50265343585896 },
        // A stem count of 0 is taken as 1: the formula then counts two files.
        { 16, 0, Dither::tpdf, -77.76092056871607 },
        { 16, 1, Dither::tpdf, -77.76092056871607 },
        // Floating point: a fixed -140 dB, whatever else is given.
        { 0, 5, Dither::tpdfShaped, -140.0 },
        { 0, 0, Dither::none, -140.0 },
        { -24, 3, Dither::tpdf, -140.0 },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (expectedResidualDb (c.bits, c.stems, c.dither), c.expectedDb, 1e-9)
            << c.bits << " bits, " << c.stems << " stems, " << toString (c.dither);
}

// The tolerance must hold what the dither and the encoder's rounding can do to
// stems that sum exactly to their mix.
TEST (ExpectedResidual, BoundsTheResidualOfDitheredAndRoundedFiles)
{
    const int frames = 48000, stemCount = 5;
    juce::Random random (42);

    for (int bits : { 16, 24 })
    {
        const double step = std::ldexp (1.0, -(bits - 1));
        for (auto dither : { Dither::none, Dither::tpdf, Dither::tpdfShaped, Dither::tpdfContinuous, Dither::tpdfShapedContinuous })
        {
            SCOPED_TRACE (std::to_string (bits) + " bits, " + toString (dither).toStdString());

            juce::AudioBuffer<double> mix (1, frames), sum (1, frames);
            mix.clear();
            sum.clear();

            auto writeLikeTheEncoder = [&] (juce::AudioBuffer<double>& buffer, std::uint64_t seed)
            {
                Ditherer ditherer (dither, bits, seed);
                double* x = buffer.getWritePointer (0);
                ditherer.process (x, frames, 0);
                for (int i = 0; i < frames; ++i)
                    x[i] = std::round (x[i] / step) * step;
            };

            for (int s = 0; s < stemCount; ++s)
            {
                juce::AudioBuffer<double> stem (1, frames);
                for (int i = 0; i < frames; ++i)
                    stem.setSample (0, i, (random.nextDouble() - 0.5) * 0.3 * std::sin (0.001 * (s + 1) * i));
                mix.addFrom (0, 0, stem, 0, 0, frames);

                writeLikeTheEncoder (stem, (std::uint64_t) s + 1);
                sum.addFrom (0, 0, stem, 0, 0, frames);
            }
            writeLikeTheEncoder (mix, 99);

            const auto result = compareStemsWithMix (sum, mix, expectedResidualDb (bits, stemCount, dither));
            EXPECT_EQ (result.state, ReconstructionResult::State::passed) << result.detail;
        }
    }
}

} // namespace
} // namespace korvid
