#include "core/codec/SampleQuantiser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace korvid
{

namespace
{
    inline double clampToFullScale (double value)
    {
        const double clamped = value < -1.0 ? -1.0 : (value > 1.0 ? 1.0 : value);
        return clamped == clamped ? clamped : 0.0;   // not-a-number becomes 0
    }
} // namespace

void quantiseToPcm (const double* input, int* output, int numSamples, int bits)
{
    const double scale = std::ldexp (1.0, bits - 1);
    const std::int64_t highest = (std::int64_t) scale - 1;
    const std::int64_t shift = std::int64_t { 1 } << (32 - bits);

    // Written without branches on the value: dithered audio sends half its samples each
    // way at every comparison, which a branch would mispredict.
    for (int i = 0; i < numSamples; ++i)
    {
        const double level = clampToFullScale (input[i]) * scale;   // within +-2^31
        std::int64_t whole = (std::int64_t) level;                   // truncates towards zero
        const double fraction = level - (double) whole;              // exact

        // Halves away from zero, then the top value of the word.
        whole += (std::int64_t) (fraction >= 0.5) - (std::int64_t) (fraction <= -0.5);
        whole = std::min (whole, highest);
        output[i] = (int) (whole * shift);
    }
}

void convertToFloat (const double* input, float* output, int numSamples)
{
    for (int i = 0; i < numSamples; ++i)
        output[i] = static_cast<float> (clampToFullScale (input[i]));
}

} // namespace korvid
