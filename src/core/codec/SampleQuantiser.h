#pragma once

namespace korvid
{

// The last step before samples reach a file writer. Values beyond full scale are
// brought to full scale and a not-a-number sample becomes 0, so nothing the writer
// gets lies outside the word's range.

/** Integer samples of `bits` (16 or 24): each value is rounded to the word's grid,
    halves away from zero, clamped to -2^(bits-1) .. 2^(bits-1) - 1 and shifted to the
    top of a 32-bit integer, the layout the framework's integer writers take. */
void quantiseToPcm (const double* input, int* output, int numSamples, int bits);

/** Single-precision samples clamped to -1..1. */
void convertToFloat (const double* input, float* output, int numSamples);

} // namespace korvid
