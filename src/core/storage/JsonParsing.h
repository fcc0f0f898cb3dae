#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** Deepest nesting of objects and arrays a document may have. Ours need fewer than 12. */
constexpr int maxJsonNestingDepth = 64;

/** Most digits an exponent may have. The whole part of a number must fit a 64-bit integer. */
constexpr int maxJsonExponentDigits = 9;

/** Most members one object may have, and most different member names in one document.
    The framework keeps members in a list and names in a sorted pool, so both cost
    time that grows with the square of their number. Ours stay far below either. */
constexpr int maxJsonObjectMembers = 1000;
constexpr int maxJsonDistinctNames = 10000;

/** Parses a JSON document (an object or an array; an empty text gives a void value).
    The text is screened first for what the framework's parser cannot take safely:
    nesting deeper than maxJsonNestingDepth (the parser recurses), numbers whose whole
    part or exponent it cannot hold, a minus sign without a digit after it, and objects with
    so many members or names that parsing would take minutes.
    Gives false with one sentence in `error` (a parser failure reads
    "This is not valid JSON: " + the parser's text); on success `error` is emptied. */
bool parseJsonDocument (const juce::String& text, juce::var& result, juce::String& error);

} // namespace korvid
