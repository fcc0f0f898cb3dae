#include "core/audio/Fft.h"

#include <juce_core/juce_core.h>

#include <cmath>
#include <utility>

namespace korvid
{

void fftInPlace (std::vector<double>& real, std::vector<double>& imaginary)
{
    const auto size = real.size();

    if (size < 2 || (size & (size - 1)) != 0 || imaginary.size() != size)
    {
        jassertfalse;
        return;
    }

    // Bit-reversal permutation.
    for (std::size_t i = 1, j = 0; i < size; ++i)
    {
        auto bit = size >> 1;

        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;

        j |= bit;

        if (i < j)
        {
            std::swap (real[i], real[j]);
            std::swap (imaginary[i], imaginary[j]);
        }
    }

    // Radix-2 butterflies; the twiddle factor advances by one step of e^(-2 pi i / length).
    for (std::size_t length = 2; length <= size; length <<= 1)
    {
        const double angle = -2.0 * juce::MathConstants<double>::pi / (double) length;
        const double stepReal = std::cos (angle);
        const double stepImaginary = std::sin (angle);
        const auto half = length / 2;

        for (std::size_t start = 0; start < size; start += length)
        {
            double twiddleReal = 1.0;
            double twiddleImaginary = 0.0;

            for (std::size_t k = 0; k < half; ++k)
            {
                const auto a = start + k;
                const auto b = a + half;

                const double productReal = real[b] * twiddleReal - imaginary[b] * twiddleImaginary;
                const double productImaginary = real[b] * twiddleImaginary + imaginary[b] * twiddleReal;

                real[b] = real[a] - productReal;
                imaginary[b] = imaginary[a] - productImaginary;
                real[a] += productReal;
                imaginary[a] += productImaginary;

                const double nextReal = twiddleReal * stepReal - twiddleImaginary * stepImaginary;
                twiddleImaginary = twiddleReal * stepImaginary + twiddleImaginary * stepReal;
                twiddleReal = nextReal;
            }
        }
    }
}

} // namespace korvid
