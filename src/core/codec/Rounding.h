#pragma once

#include <cmath>

namespace korvid
{

/** The nearest whole number, halves away from zero: the same value as std::round, sign of
    zero included, without the library call and without a branch that depends on the
    fraction (half the samples of noisy audio would mispredict it). */
inline double roundHalfAwayFromZero (double value)
{
    // Adding 1.5 * 2^52 leaves no fraction bits, so the sum rounds to a whole number
    // (halves to even) under the default rounding mode.
    constexpr double wholeMaker = 6755399441055744.0;

    // From 2^51 on the trick no longer holds; those values, NaN and infinities are rare.
    if (! (std::abs (value) < 2251799813685248.0))
        return std::round (value);

    double whole = (value + wholeMaker) - wholeMaker;
    const double rest = value - whole;   // exact, within -0.5..0.5

    // Only exact halves differ between the two rules.
    if (rest == 0.5 && value > 0.0)
        whole += 1.0;
    else if (rest == -0.5 && value < 0.0)
        whole -= 1.0;

    return std::copysign (whole, value);
}

} // namespace korvid
