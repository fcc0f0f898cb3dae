#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** What one import did. */
struct ImportResult
{
    int imported = 0;              // tracks added and read
    int unreadable = 0;            // tracks added whose file could not be read
    int alreadyInList = 0;         // files skipped because a track holds them
    juce::StringArray alreadySplit;   // names of skipped split sources
    juce::StringArray problems;    // one sentence per problem, in the order met

    /** "3 imported, 1 already in the list, 2 already split, 1 could not be read";
        the parts after the first only when their count is above 0. */
    juce::String summaryText() const;
};

} // namespace korvid
