#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// A new random version-4 UUID: 36 lower-case hex characters, 8-4-4-4-12 dashed.
juce::String newUuidString();

} // namespace korvid
