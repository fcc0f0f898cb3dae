#pragma once

#include "core/audio/CancelTest.h"
#include <juce_core/juce_core.h>

#include <array>
#include <vector>

namespace korvid
{

constexpr int truePeakTaps = 24;

// Interpolation filters for one oversampling factor L: one row per
// intermediate position i / L (i = 1..L-1), each a windowed sinc of 24 taps
// normalised to a sum of 1. Row i interpolates between frames m and m + 1 from
// the frames m - 11 .. m + 12.
struct TruePeakBank
{
    int factor = 0;
    std::vector<std::array<double, truePeakTaps>> rows;
};

TruePeakBank makeTruePeakBank (int factor);

// The factor used for an oversampling setting: 2 up to 2, 4 for 3 and 4, 8 from 5 on.
int truePeakFactor (int oversampling);

// The largest magnitude of the channel, interpolated between its samples
// (samples outside it count as 0); never below its sample peak. Frames whose
// two neighbours are both below half the peak are skipped. When shouldCancel
// fires the scan stops between blocks with the peak found so far.
double truePeakOfChannel (const double* samples,
                          int numSamples,
                          int oversampling,
                          const CancelTest& shouldCancel = {});

} // namespace korvid
