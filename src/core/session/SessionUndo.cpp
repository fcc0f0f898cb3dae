#include "core/session/Session.h"

namespace korvid
{

Session::Snapshot Session::takeSnapshot() const
{
    Snapshot snapshot;
    snapshot.tracks.reserve (tracks.size());
    snapshot.cues.reserve (cues.size());

    for (const auto& track : tracks)
        snapshot.tracks.push_back ({ track.id, track.stemId, track.source, track.confidence,
                                     track.reason, track.matchedKeywords });

    for (const auto& cue : cues)
        snapshot.cues.push_back ({ cue.id, cue.name });

    return snapshot;
}

void Session::pushSnapshot()
{
    history.erase (history.begin() + (historyIndex + 1), history.end());
    history.push_back (takeSnapshot());

    if (history.size() > (size_t) maxSnapshots)
        history.erase (history.begin(), history.begin() + (std::ptrdiff_t) (history.size() - (size_t) maxSnapshots));

    historyIndex = (int) history.size() - 1;
}

void Session::restoreSnapshot (const Snapshot& snapshot)
{
    for (size_t i = 0; i < snapshot.cues.size(); ++i)
    {
        const auto& entry = snapshot.cues[i];
        // Cues rarely move, so try the same position before searching.
        auto* cue = (i < cues.size() && cues[i].id == entry.cueId) ? &cues[i] : findCueForEdit (entry.cueId);

        if (cue != nullptr)
            cue->name = entry.name;
    }

    for (size_t i = 0; i < snapshot.tracks.size(); ++i)
    {
        const auto& entry = snapshot.tracks[i];
        auto* track = (i < tracks.size() && tracks[i].id == entry.trackId) ? &tracks[i]
                                                                          : findTrackForEdit (entry.trackId);
        if (track == nullptr)
            continue;

        track->stemId = entry.stemId;
        track->source = entry.source;
        track->confidence = entry.confidence;
        track->reason = entry.reason;
        track->matchedKeywords = entry.matchedKeywords;
    }
}

void Session::stepHistory (int newIndex)
{
    historyIndex = newIndex;
    restoreSnapshot (history[(size_t) historyIndex]);
    // A snapshot may name stems deleted since it was taken; the render must never
    // meet a track pointing at a stem it cannot find.
    unassignStaleStems();
    notifyAssignmentsChanged();
    notifyTracksChanged();
}

void Session::undo()
{
    if (historyIndex >= 1)
        stepHistory (historyIndex - 1);
}

void Session::redo()
{
    if (historyIndex + 1 < (int) history.size())
        stepHistory (historyIndex + 1);
}

} // namespace korvid
