#pragma once

#include <juce_core/juce_core.h>

#include "core/model/StemSchema.h"

#include <vector>

namespace korvid
{

// The one-line text form of a stem's keyword rules, as typed in the stem editor:
// items separated by commas or line ends, "~" exact, "?" fuzzy, "@n" priority,
// "!word" exclusion, "#" comment to the end of the line.
// Never fails: an item that cannot be read as a rule is skipped.
std::vector<KeywordRule> parseRuleList (const juce::String& text);

// Writes rules back in the same form, joined with ", ". Notes are not written.
juce::String formatRuleList (const std::vector<KeywordRule>& rules);

} // namespace korvid
