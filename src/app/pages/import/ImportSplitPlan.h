#pragma once

#include <juce_core/juce_core.h>

namespace korvid::ui
{
    /** The three files of a split, all in the folder of the track's file F (name N,
        extension E): the source moved aside to the first free name from N + "_splitted",
        the first part at F's own path, and the second part at the first free name from
        the user's name made safe for a file name. "First free" numbers a taken name: Brass2,
        or Take 1_2 when the name ends in a digit. */
    struct TrackSplitFiles
    {
        juce::File keptSource;
        juce::File firstPart;
        juce::File secondPart;
    };

    /** False, with the sentence to show, for a name that cannot name the second part:
        nothing usable in it, or a name that imports would skip as a split source. */
    bool planTrackSplitFiles (const juce::File& trackFile, const juce::String& name, TrackSplitFiles& files,
                              juce::String& error);

    /** The name the split prompt proposes for the second part: N + " 2", or the first of
        N + " 3", N + " 4"... whose part would keep that name, so it never gets a number added. */
    juce::String proposedSplitPartName (const juce::File& trackFile);
}
