#pragma once

#include "core/model/Types.h"

namespace korvid
{

// The largest residual, in dB, that written stems may leave against the
// written mix: one rounding step (scaled by what the dither adds) per file,
// for the stems and the mix, plus 3 dB. bits of 0 or less mean floating
// point (-140 dB); a stem count below 1 counts as 1.
double expectedResidualDb (int bits, int stemCount, Dither dither);

} // namespace korvid
