#include "core/session/Session.h"

#include <set>

namespace korvid
{

void Session::applyMatchResult (Track& track, const MatchResult& result)
{
    track.stemId = result.stemId;
    track.confidence = result.confidence;
    track.reason = result.reason;
    track.matchedKeywords = result.matchedKeywords;
    track.candidates = result.candidates;
    track.source = result.stemId.isNotEmpty() ? AssignmentSource::automatic : AssignmentSource::none;
}

void Session::matchTrack (Track& track, const PreparedSchema& schema) const
{
    MatchResult result;
    matchFileName (appliedMatcherSettings, result, schema, track.file.getFileName());
    applyMatchResult (track, result);
}

void Session::autoAssignAll()
{
    assignAutomatically (nullptr);
}

void Session::assignAutomatically (const PreparedImport* prepared)
{
    appliedMatcherSettings = matcherSettings;
    const PreparedSchema schema (preset.schema);

    // The import's matches were made away from the message thread; they hold only while
    // the schema and the settings are still the ones they were made with.
    const auto& settings = matcherSettings;
    const bool matchedAhead = prepared != nullptr
                           && prepared->request.schema.matchPlurals == preset.schema.matchPlurals
                           && prepared->request.schema.stems == preset.schema.stems
                           && prepared->request.matcher.fuzzyEnabled == settings.fuzzyEnabled
                           && prepared->request.matcher.maxEditDistance == settings.maxEditDistance
                           && prepared->request.matcher.minFuzzyLength == settings.minFuzzyLength;

    for (auto& track : tracks)
    {
        if (track.source == AssignmentSource::locked)
            continue;

        if (track.isUsable())
        {
            const MatchResult* ahead = nullptr;

            if (matchedAhead)
                if (const auto found = prepared->matchesByName.find (track.file.getFileName());
                    found != prepared->matchesByName.end())
                    ahead = &found->second;

            if (ahead != nullptr)
                applyMatchResult (track, *ahead);
            else
                matchTrack (track, schema);

            continue;
        }

        track.stemId.clear();
        track.source = AssignmentSource::none;
        track.confidence = Confidence::unassigned;
        track.reason = track.error;
    }

    pushSnapshot();
    notifyAssignmentsChanged();
}

void Session::assignTracks (const juce::StringArray& trackIds, const juce::String& stemId, bool lock)
{
    if (stemId.isNotEmpty() && preset.schema.findStem (stemId) == nullptr)
        return;

    bool anyTrack = false;

    for (const auto& trackId : trackIds)
    {
        auto* track = findTrackForEdit (trackId);

        if (track == nullptr)
            continue;

        anyTrack = true;
        track->stemId = stemId;
        track->candidates.clear();
        track->matchedKeywords.clear();

        if (stemId.isNotEmpty())
        {
            track->confidence = Confidence::confident;
            track->source = lock ? AssignmentSource::locked : AssignmentSource::manual;
            track->reason = lock ? "Assigned and locked by the user." : "Assigned by the user.";
        }
        else
        {
            track->confidence = Confidence::unassigned;
            track->source = AssignmentSource::none;
            track->reason = "Unassigned by the user.";
        }
    }

    if (! anyTrack)
        return;

    pushSnapshot();
    notifyAssignmentsChanged();
}

void Session::setTracksLocked (const juce::StringArray& trackIds, bool locked)
{
    const auto wanted = locked ? AssignmentSource::locked : AssignmentSource::manual;
    bool changed = false;

    for (const auto& trackId : trackIds)
    {
        auto* track = findTrackForEdit (trackId);

        if (track == nullptr || track->stemId.isEmpty() || track->source == wanted)
            continue;

        track->source = wanted;
        changed = true;
    }

    if (! changed)
        return;

    pushSnapshot();
    notifyAssignmentsChanged();
}

IdSet Session::presetStemIds() const
{
    IdSet ids;

    for (const auto& stem : preset.schema.stems)
        ids.insert (stem.id);

    return ids;
}

bool Session::unassignStaleStems()
{
    bool changed = false;
    const auto stemIds = presetStemIds();

    for (auto& track : tracks)
    {
        if (track.stemId.isEmpty() || stemIds.count (track.stemId) > 0)
            continue;

        track.stemId.clear();
        track.source = AssignmentSource::none;
        track.confidence = Confidence::unassigned;
        track.reason = "The stem this track was assigned to no longer exists in the schema.";
        track.matchedKeywords.clear();
        track.candidates.clear();
        changed = true;
    }

    return changed;
}

void Session::clearStaleStemIds()
{
    if (! unassignStaleStems())
        return;

    pushSnapshot();
    notifyAssignmentsChanged();
}

void Session::setPreset (Preset newPreset)
{
    preset = std::move (newPreset);
    clearStaleStemIds();
    notifyPresetChanged();
    autoAssignAll();
}

void Session::updatePreset (Preset editedPreset)
{
    const auto oldFingerprint = preset.schema.matchingFingerprint();

    preset = std::move (editedPreset);

    // A track the user placed by hand on a stem that is now gone must say so, not
    // quietly move to whatever the keywords pick next.
    std::set<juce::String> userTracksLosingTheirStem;
    const auto stemIds = presetStemIds();

    for (const auto& track : tracks)
        if ((track.source == AssignmentSource::manual || track.source == AssignmentSource::locked)
            && track.stemId.isNotEmpty() && stemIds.count (track.stemId) == 0)
            userTracksLosingTheirStem.insert (track.id);

    clearStaleStemIds();
    notifyPresetChanged();

    if (preset.schema.matchingFingerprint() == oldFingerprint)
        return;

    appliedMatcherSettings = matcherSettings;
    const PreparedSchema schema (preset.schema);
    bool stemChanged = false;

    for (auto& track : tracks)
    {
        if (! track.isUsable()
            || (track.source != AssignmentSource::none && track.source != AssignmentSource::automatic)
            || userTracksLosingTheirStem.count (track.id) > 0)
            continue;

        const auto previousStem = track.stemId;
        matchTrack (track, schema);
        stemChanged = stemChanged || track.stemId != previousStem;
    }

    if (stemChanged)
        pushSnapshot();

    notifyAssignmentsChanged();
}

bool Session::addRuleFromReview (const juce::String& stemId, const juce::String& keyword, juce::String& error)
{
    auto* stem = preset.schema.findStem (stemId);

    if (stem == nullptr)
    {
        error = "That stem is not part of the current schema.";
        return false;
    }

    const auto pattern = keyword.trim();

    if (pattern.isEmpty())
    {
        error = "A rule needs a keyword.";
        return false;
    }

    if ((int) stem->rules.size() >= maxRulesPerStem)
    {
        error = "This stem already has the maximum number of rules.";
        return false;
    }

    for (const auto& rule : stem->rules)
    {
        if (rule.pattern.trim().equalsIgnoreCase (pattern))
        {
            error = "'" + pattern + "' is already a rule for " + stem->displayName + ".";
            return false;
        }
    }

    KeywordRule rule;
    rule.pattern = pattern;
    rule.mode = pattern.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token;
    rule.priority = 0;
    rule.note = "Added from the review screen.";
    stem->rules.push_back (std::move (rule));

    error.clear();
    notifyPresetChanged();
    return true;
}

juce::StringArray Session::suggestKeywords (const juce::String& trackId) const
{
    const auto* track = findTrack (trackId);

    if (track == nullptr)
        return {};

    juce::StringArray usedWords;

    for (const auto& stem : preset.schema.stems)
        for (const auto& rule : stem.rules)
            usedWords.addArray (ruleWords (rule.pattern));

    juce::StringArray suggestions;

    for (const auto& token : tokeniseFileName (track->file.getFileName()).tokens)
    {
        if (token.length() <= 2 || token.containsOnly ("0123456789")
            || usedWords.contains (token, true) || suggestions.contains (token))
            continue;

        suggestions.add (token);
    }

    return suggestions;
}

} // namespace korvid
