#pragma once

#include "core/render/RenderPlanning.h"
#include "core/report/BatchReport.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid::rendertest
{

/** Deliveries whose every file and report line must come out the same however the work
    is scheduled. Each writes its sources below `sources` and plans its requests into
    `output`; all of them are short, so a test can render each several times. */
enum class DeliveryCase
{
    referenceCue,     // 16 stems of two tracks, two alternative mixes of eight, true peak 4x
    sharedGain,       // three cues levelled by the loudest, with alternative mixes
    awkwardMixes,     // float and converted FLAC, gate, trim, mono and 44.1 kHz tracks,
                      // members out of stem order, twice and silent, mixes at their own gain
    sharedNames       // three cues writing the same names in two AIFF formats into one folder,
                      // schema numbering, mixes numbered first, a track converted without a gate
};

constexpr DeliveryCase allDeliveryCases[] { DeliveryCase::referenceCue, DeliveryCase::sharedGain,
                                            DeliveryCase::awkwardMixes, DeliveryCase::sharedNames };

juce::String caseName (DeliveryCase deliveryCase);

std::vector<RenderRequest> makeDeliveryCase (DeliveryCase deliveryCase, const juce::File& sources,
                                             const juce::File& output);

/** The report's text and each cue's, without the time of the run and the elapsed times. */
juce::StringArray reportLinesWithoutTimes (const BatchReport& report);

} // namespace korvid::rendertest
