#include "app/pages/review/ReviewCounts.h"

#include <map>
#include <set>

namespace korvid::ui
{
    ReviewCounts countReviewTracks (const Session& session, const juce::String& cueId)
    {
        ReviewCounts counts;

        for (const auto& track : session.getTracks())
        {
            if (! track.isUsable() || (cueId.isNotEmpty() && track.cueId != cueId))
                continue;

            ++counts.usable;
            counts.unassigned += track.stemId.isEmpty() ? 1 : 0;
            counts.ambiguous += track.confidence == Confidence::ambiguous ? 1 : 0;
            counts.toCheck += track.confidence == Confidence::review ? 1 : 0;
        }

        return counts;
    }

    juce::String reviewStatusText (const juce::String& cueName, const ReviewCounts& counts, bool askForCue)
    {
        juce::String text;

        if (cueName.isNotEmpty())
            text << cueName << "   ";

        text << counts.usable << " usable track(s)   "
             << counts.unassigned << " unassigned   "
             << counts.ambiguous << " ambiguous   "
             << counts.toCheck << " to check";

        if (askForCue)
            text << "      Choose a cue to hear its mix: cues are never summed together.";

        return text;
    }

    std::vector<CueChoice> cueChoices (const Session& session)
    {
        std::set<juce::String> cuesWithTracks;
        std::map<juce::String, std::set<juce::String>> stemsOfCue;

        for (const auto& track : session.getTracks())
        {
            cuesWithTracks.insert (track.cueId);

            if (track.isUsable() && track.stemId.isNotEmpty())
                stemsOfCue[track.cueId].insert (track.stemId);
        }

        std::vector<CueChoice> choices;

        for (const auto& cue : session.getCues())
        {
            if (cuesWithTracks.count (cue.id) == 0)
                continue;

            const auto found = stemsOfCue.find (cue.id);
            const auto stems = found != stemsOfCue.end() ? (int) found->second.size() : 0;
            choices.push_back ({ cue.id, cue.name + "  (" + juce::String (stems) + ")" });
        }

        return choices;
    }
}
