#pragma once

#include "core/audio/PeakLevels.h"
#include "core/model/Preset.h"

namespace korvid
{

// The one gain that brings a mix's chosen peak to the headroom target.
struct GainDecision
{
    double measuredDb = -400.0;   // level of the chosen peak, never below -400
    double targetDb = -3.0;
    double gainDb = 0.0;
    double linearGain = 1.0;
    double predictedDb = -400.0;  // measuredDb + gainDb
    bool heldByAttenuateOnly = false;
    bool silent = false;          // the chosen peak was 0: nothing to level
};

// Uses the true peak in truePeak mode, else the sample peak. The gain is
// exactly the distance to the target; attenuateOnly holds a positive gain at 0 dB.
GainDecision computeGain (const PeakLevels& peaks, const HeadroomSettings& headroom);

} // namespace korvid
