#include "core/codec/Rounding.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace korvid
{
namespace
{

// Same bits as std::round: value, NaN-ness and the sign of zero.
void expectSameAsLibrary (double value)
{
    const double expected = std::round (value);
    const double actual = roundHalfAwayFromZero (value);

    if (std::isnan (expected))
        EXPECT_TRUE (std::isnan (actual)) << value;
    else
        EXPECT_EQ (std::bit_cast<std::uint64_t> (expected), std::bit_cast<std::uint64_t> (actual))
            << std::hexfloat << value << " -> " << actual << " instead of " << expected;
}

TEST (Rounding, MatchesTheLibraryOnHalvesLimitsAndSpecialValues)
{
    const double two51 = 2251799813685248.0;
    const double two52 = 4503599627370496.0;
    const double justBelowHalf = std::nextafter (0.5, 0.0);

    for (double value : { 0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 3.5, -3.5, justBelowHalf, -justBelowHalf,
                          std::nextafter (0.5, 1.0), -std::nextafter (0.5, 1.0), 0.3, -0.3, 1.0e-320, -1.0e-320,
                          8388607.5, -8388608.5, two51 - 0.5, -(two51 - 0.5), two51 + 0.5, -(two51 + 0.5),
                          two51 + 1.5, two52 - 0.5, two52, -two52, two52 + 1.0, 1.0e300, -1.0e300,
                          std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN() })
        expectSameAsLibrary (value);
}

TEST (Rounding, MatchesTheLibraryOnRandomValuesAtEveryScale)
{
    std::mt19937_64 generator (17);
    std::uniform_real_distribution<double> unit (-1.0, 1.0);

    for (int exponent = -4; exponent <= 54; ++exponent)
        for (int i = 0; i < 2000; ++i)
            expectSameAsLibrary (std::ldexp (unit (generator), exponent));
}

} // namespace
} // namespace korvid
