#include "core/codec/SampleQuantiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace korvid
{
namespace
{

// The rule written plainly: not-a-number is 0, clamp to full scale, round halves away
// from zero, keep the top value of the word, shift to the top of 32 bits.
int referenceWord (double value, int bits)
{
    const double clamped = std::isnan (value) ? 0.0 : std::clamp (value, -1.0, 1.0);
    const double scale = std::ldexp (1.0, bits - 1);
    const double level = std::min (std::round (clamped * scale), scale - 1.0);
    return (int) ((long long) level * (1LL << (32 - bits)));
}

TEST (SampleQuantiser, WordsFollowThePlainRuleAtEveryLevel)
{
    std::mt19937_64 generator (5);
    std::uniform_real_distribution<double> unit (-1.0, 1.0);
    std::vector<double> input;

    for (int exponent = -30; exponent <= 2; ++exponent)
        for (int i = 0; i < 300; ++i)
            input.push_back (std::ldexp (unit (generator), exponent));

    for (double special : { 0.0, -0.0, 1.0, -1.0, 1.0e300, -1.0e300, std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN() })
        input.push_back (special);

    for (int bits : { 8, 16, 24, 32 })
    {
        // Exact halves of this word's step, both signs, near zero and near full scale.
        auto values = input;
        const double step = std::ldexp (1.0, -(bits - 1));
        for (double steps : { 0.5, 1.5, 2.5, 1000.5 })
            for (double sign : { 1.0, -1.0 })
            {
                values.push_back (sign * steps * step);
                values.push_back (sign * (1.0 - steps * step));
            }

        std::vector<int> words (values.size());
        quantiseToPcm (values.data(), words.data(), (int) values.size(), bits);

        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ (words[i], referenceWord (values[i], bits)) << bits << " bits, value " << values[i];
    }
}

} // namespace
} // namespace korvid
