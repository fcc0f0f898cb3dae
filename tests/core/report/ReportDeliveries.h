#pragma once

#include "core/report/BatchReport.h"

#include <juce_core/juce_core.h>

namespace korvid::test
{

// What one small delivery is called: the project, two cues, four stems (the last
// has no track), the full mix, an alternative mix of the second and third stems and
// one track left without a stem.
struct DeliveryNames
{
    juce::String project;
    juce::StringArray cues;       // 2
    juce::StringArray stems;      // 4
    juce::String fullMix;
    juce::String alternativeMix;
    juce::String strayTrack;      // a file name
};

DeliveryNames ordinaryNames();

// Names a report must show as plain text: markup that would run, quotes and
// ampersands, direction controls, a 300-character name and shell characters.
DeliveryNames hostileNames();

// Renders the delivery below the folder through the planner and the render queue,
// from short generated takes. The second stem's take is digital silence, so its
// name turns up in a warning too.
BatchReport renderDelivery (const DeliveryNames& names, const juce::File& folder);

// Two cues that stop early, with the four stems of `ordinaryNames`: the first fails
// when its third stem's take has gone missing, the second is cancelled while its
// second stem is being written.
BatchReport renderStoppedDelivery (const juce::File& folder);

} // namespace korvid::test
