#include "core/session/Session.h"

#include "core/model/BuiltInPresets.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace korvid
{

Session::Session()
    : preset (makeEmptyPreset())
{
    pushSnapshot();
}

//==============================================================================
const Track* Session::findTrack (const juce::String& trackId) const
{
    const auto found = trackPositions.find (trackId);
    return found != trackPositions.end() ? &tracks[found->second] : nullptr;
}

const Cue* Session::findCue (const juce::String& cueId) const
{
    const auto found = cuePositions.find (cueId);
    return found != cuePositions.end() ? &cues[found->second] : nullptr;
}

Track* Session::findTrackForEdit (const juce::String& trackId)
{
    return const_cast<Track*> (std::as_const (*this).findTrack (trackId));
}

Cue* Session::findCueForEdit (const juce::String& cueId)
{
    return const_cast<Cue*> (std::as_const (*this).findCue (cueId));
}

void Session::reindex()
{
    trackPositions.clear();
    cuePositions.clear();

    for (size_t i = 0; i < tracks.size(); ++i)
        trackPositions.emplace (tracks[i].id, i);

    for (size_t i = 0; i < cues.size(); ++i)
        cuePositions.emplace (cues[i].id, i);
}

std::vector<Cue> Session::cuesWithTracks() const
{
    // One pass over the tracks: cues times tracks is millions of comparisons at the limits.
    std::set<juce::String> usedCueIds;

    for (const auto& track : tracks)
        usedCueIds.insert (track.cueId);

    std::vector<Cue> result;

    for (const auto& cue : cues)
        if (usedCueIds.count (cue.id) > 0)
            result.push_back (cue);

    return result;
}

std::vector<const Track*> Session::unassignedTracks() const
{
    std::vector<const Track*> result;

    for (const auto& track : tracks)
        if (track.stemId.isEmpty())
            result.push_back (&track);

    return result;
}

int Session::usableTrackCount() const
{
    return (int) std::count_if (tracks.begin(), tracks.end(), [] (const Track& t) { return t.isUsable(); });
}

int Session::countTracksWithConfidence (Confidence confidence) const
{
    return (int) std::count_if (tracks.begin(), tracks.end(),
                                [confidence] (const Track& t) { return t.confidence == confidence; });
}

//==============================================================================
void Session::removeTracks (const juce::StringArray& trackIds)
{
    // Sets rather than list searches: a removal of every track would otherwise compare
    // each track with each listed id, and each cue with each track.
    const std::set<juce::String> removed (trackIds.begin(), trackIds.end());
    const auto before = tracks.size();

    tracks.erase (std::remove_if (tracks.begin(), tracks.end(),
                                  [&removed] (const Track& t) { return removed.count (t.id) > 0; }),
                  tracks.end());

    if (tracks.size() == before)
        return;

    std::set<juce::String> usedCueIds;

    for (const auto& track : tracks)
        usedCueIds.insert (track.cueId);

    cues.erase (std::remove_if (cues.begin(), cues.end(),
                                [&usedCueIds] (const Cue& cue) { return usedCueIds.count (cue.id) == 0; }),
                cues.end());

    reindex();
    pushSnapshot();
    notifyTracksChanged();
}

void Session::clear()
{
    if (tracks.empty())
        return;

    tracks.clear();
    cues.clear();
    reindex();
    ++listGeneration;
    pushSnapshot();
    notifyTracksChanged();
}

bool Session::renameCue (const juce::String& cueId, const juce::String& name)
{
    const auto newName = name.trim();

    if (newName.isEmpty() || newName.length() > maxCueNameLength
        || newName.containsAnyOf ("\\/") || newName.contains (".."))
        return false;

    for (auto p = newName.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c < 32 || c == 127)
            return false;
    }

    auto* cue = findCueForEdit (cueId);

    if (cue == nullptr)
        return false;

    if (cue->name != newName)
    {
        cue->name = newName;
        pushSnapshot();
        notifyTracksChanged();
    }

    return true;
}

void Session::setCueIncluded (const juce::String& cueId, bool included)
{
    auto* cue = findCueForEdit (cueId);

    if (cue == nullptr || cue->included == included)
        return;

    cue->included = included;
    pushSnapshot();
    notifyTracksChanged();
}

void Session::setCueTrimStart (const juce::String& cueId, double seconds)
{
    // An infinite trim would cut the whole cue and poison every length computed from it.
    const double value = (std::isfinite (seconds) && seconds > 0.0) ? seconds : 0.0;
    auto* cue = findCueForEdit (cueId);

    if (cue == nullptr || cue->trimStartSeconds == value)
        return;

    cue->trimStartSeconds = value;
    pushSnapshot();
    notifyTracksChanged();
}

void Session::setSubmixOverride (const juce::String& cueId, const Submix& submix,
                                 const juce::String& stemId, bool member)
{
    auto* cue = findCueForEdit (cueId);

    if (cue == nullptr)
        return;

    auto found = cue->submixOverrides.find (submix.id);

    if (found == cue->submixOverrides.end())
        found = cue->submixOverrides.emplace (submix.id, submix.stems).first;

    auto& members = found->second;

    if (members.contains (stemId) == member)
        return;

    if (member)
        members.add (stemId);
    else
        members.removeString (stemId);

    pushSnapshot();
    notifyTracksChanged();
}

} // namespace korvid
