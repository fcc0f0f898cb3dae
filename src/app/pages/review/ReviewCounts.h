#pragma once

#include "core/session/Session.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid::ui
{
    /** The counts of the Review page's status line: usable tracks of one cue (of every cue
        for an empty id), whatever the tree's filter shows. */
    struct ReviewCounts
    {
        int usable = 0;
        int unassigned = 0;
        int ambiguous = 0;
        int toCheck = 0;   // confidence "review"
    };

    ReviewCounts countReviewTracks (const Session& session, const juce::String& cueId);

    /** "Cue 1   12 usable track(s)   2 unassigned   1 ambiguous   3 to check", the cue's
        name only when given, and the hint to choose a cue when `askForCue` is set. */
    juce::String reviewStatusText (const juce::String& cueName, const ReviewCounts& counts, bool askForCue);

    /** One entry of the cue chooser. */
    struct CueChoice
    {
        juce::String cueId;
        juce::String text;   // the name, two spaces and "(n)", n the stems its usable tracks use
    };

    /** The cues that own at least one track, in session order (the cues of
        Session::cuesWithTracks), found in one pass over the tracks rather than one per cue. */
    std::vector<CueChoice> cueChoices (const Session& session);
}
