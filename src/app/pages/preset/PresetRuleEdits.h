#pragma once

#include "core/model/StemSchema.h"

#include <vector>

namespace korvid::ui
{
    /** The rules a stem editor commit writes. The text form has no room for notes, writes a
        one-word phrase rule as a token and cannot hold "#", ",", "!" or "@" in a pattern, so:
        when the text is still the one loaded, the stored rules stay exactly as they are;
        otherwise the edited text is read, and every item that is the text of a stored rule
        (each stored rule used once, in order) keeps that stored rule, also where that text
        would not read back as the rule. */
    std::vector<KeywordRule> rulesFromEditedText (const std::vector<KeywordRule>& storedRules,
                                                  const juce::String& loadedText, const juce::String& editedText);

    /** The stem-wide exclusions as typed: split at commas and line ends, trimmed, blanks dropped. */
    juce::StringArray parseExclusionText (const juce::String& text);

    /** The exclusions as the editor shows them, joined with ", ". */
    juce::String formatExclusionText (const juce::StringArray& exclusions);
}
