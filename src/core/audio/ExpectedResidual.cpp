#include "core/audio/ExpectedResidual.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

namespace
{
    constexpr double floatTolerance = -140.0;

    // The worst error one file's quantisation can leave, in rounding steps.
    double ditherFactor (Dither dither)
    {
        switch (dither)
        {
            case Dither::tpdf:
            case Dither::tpdfContinuous:       return 1.5;
            case Dither::tpdfShaped:
            case Dither::tpdfShapedContinuous: return 6.0;
            case Dither::none:
            default:                           return 0.5;
        }
    }
} // namespace

double expectedResidualDb (int bits, int stemCount, Dither dither)
{
    if (bits <= 0)
        return floatTolerance;

    const double lsb = std::ldexp (1.0, -(bits - 1));
    const double files = (double) std::max (stemCount, 1) + 1.0;
    const double v = (std::ldexp (1.0, -25) + ditherFactor (dither) * lsb) * files;

    const double db = v > 0.0 ? std::max (20.0 * std::log10 (v), -400.0) : -400.0;
    if (db <= -399.0)
        return floatTolerance;
    return db + 3.0;
}

} // namespace korvid
