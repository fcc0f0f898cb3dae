#pragma once

#include <vector>

namespace korvid
{

/** Replaces `real` and `imaginary` by their forward discrete Fourier transform,
    X[k] = sum of x[n] * e^(-2 pi i k n / N), without scaling. Both vectors must have the
    same size, a power of two of at least 2; otherwise nothing is changed. */
void fftInPlace (std::vector<double>& real, std::vector<double>& imaginary);

} // namespace korvid
