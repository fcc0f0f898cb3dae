#include "core/audio/GainDecision.h"

#include <algorithm>
#include <cmath>

namespace korvid
{

GainDecision computeGain (const PeakLevels& peaks, const HeadroomSettings& headroom)
{
    GainDecision decision;
    decision.targetDb = headroom.targetDb;

    const double chosen = headroom.peakMode == PeakMode::truePeak ? peaks.truePeak : peaks.samplePeak;
    if (! (chosen > 0.0))
    {
        decision.silent = true;
        return decision;
    }

    decision.measuredDb = std::max (20.0 * std::log10 (chosen), -400.0);
    decision.gainDb = decision.targetDb - decision.measuredDb;

    if (headroom.gainMode == GainMode::attenuateOnly && decision.gainDb > 0.0)
    {
        decision.gainDb = 0.0;
        decision.heldByAttenuateOnly = true;
        decision.linearGain = 1.0;
    }
    else
    {
        decision.linearGain = decision.gainDb <= -400.0 ? 0.0 : std::pow (10.0, decision.gainDb / 20.0);
    }

    decision.predictedDb = decision.gainDb + decision.measuredDb;
    return decision;
}

} // namespace korvid
