#include "core/codec/SampleQuantiser.h"

#include "core/codec/Rounding.h"

#include <cmath>

namespace korvid
{

namespace
{
    inline double clampToFullScale (double value)
    {
        if (std::isnan (value))
            return 0.0;

        return value < -1.0 ? -1.0 : (value > 1.0 ? 1.0 : value);
    }
} // namespace

void quantiseToPcm (const double* input, int* output, int numSamples, int bits)
{
    const double scale = std::ldexp (1.0, bits - 1);
    const double highest = scale - 1.0;
    const int shift = 1 << (32 - bits);

    for (int i = 0; i < numSamples; ++i)
    {
        // Halves go away from zero; the framework's own path truncates.
        double level = roundHalfAwayFromZero (clampToFullScale (input[i]) * scale);

        if (level > highest)
            level = highest;

        output[i] = static_cast<int> (level) * shift;
    }
}

void convertToFloat (const double* input, float* output, int numSamples)
{
    for (int i = 0; i < numSamples; ++i)
        output[i] = static_cast<float> (clampToFullScale (input[i]));
}

} // namespace korvid
