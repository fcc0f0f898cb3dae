#pragma once

#include "core/model/IdHash.h"
#include "core/model/Preset.h"
#include "core/session/Cue.h"
#include "core/session/ImportResult.h"
#include "core/session/KeywordMatcher.h"
#include "core/session/PreparedImport.h"
#include "core/session/Track.h"

#include <juce_core/juce_core.h>

#include <unordered_map>
#include <vector>

namespace korvid
{

struct ProjectFile;

/** The open project in memory: the current preset, the imported tracks and their cues,
    the keyword-matcher settings and the undo history of assignments.

    Message thread only. Listeners are told synchronously, in registration order, from
    inside the operation that changed the Session. Everything is read through the const
    accessors and changed only through the operations, so every change is announced. */
class Session
{
public:
    /** Empty defaults: implement what you need. */
    struct Listener
    {
        virtual ~Listener() = default;
        virtual void tracksChanged() {}        // tracks or cues added, removed or edited
        virtual void assignmentsChanged() {}   // stems, sources, confidences or reasons
        virtual void presetChanged() {}        // the preset was replaced or edited
    };

    /** One undo step: assignments and cue names only. */
    struct Snapshot
    {
        struct TrackEntry
        {
            juce::String trackId;
            juce::String stemId;
            AssignmentSource source = AssignmentSource::none;
            Confidence confidence = Confidence::unassigned;
            juce::String reason;
            juce::StringArray matchedKeywords;
        };

        struct CueEntry
        {
            juce::String cueId;
            juce::String name;
        };

        std::vector<TrackEntry> tracks;   // in track order
        std::vector<CueEntry> cues;       // in cue order
    };

    static constexpr int maxTracks = 2048;
    static constexpr int maxPendingFiles = 100000;   // per import; cuts silently
    static constexpr int maxFolderDepth = 8;         // levels below each given folder
    static constexpr int maxSnapshots = 200;
    static constexpr int maxCueNameLength = 4096;
    static constexpr int maxRulesPerStem = 2000;

    /** The built-in empty preset, no tracks, one snapshot in the history. */
    Session();

    //==============================================================================
    const Preset& getPreset() const noexcept                       { return preset; }
    const std::vector<Track>& getTracks() const noexcept           { return tracks; }
    const std::vector<Cue>& getCues() const noexcept               { return cues; }
    const KeywordMatcher& getMatcherSettings() const noexcept      { return matcherSettings; }
    const KeywordMatcher& getAppliedMatcherSettings() const noexcept { return appliedMatcherSettings; }

    /** Snapshots held (1..200) and the position of the current one: undo is possible
        while the index is 1 or more, redo while it is below depth - 1. */
    int getUndoDepth() const noexcept                              { return (int) history.size(); }
    int getUndoIndex() const noexcept                              { return historyIndex; }

    const Track* findTrack (const juce::String& trackId) const;
    const Cue* findCue (const juce::String& cueId) const;

    /** Copies of the cues, in session order, that at least one track refers to. */
    std::vector<Cue> cuesWithTracks() const;
    /** Tracks without a stem, in track order, unusable ones included. */
    std::vector<const Track*> unassignedTracks() const;
    int usableTrackCount() const;
    int countTracksWithConfidence (Confidence confidence) const;

    void addListener (Listener* listener);
    void removeListener (Listener* listener);

    //==============================================================================
    // Tracks and cues

    /** Files and folders (scanned, with sub-folders when `recurse`): every file becomes a
        track of its folder's cue. Tells tracksChanged, then assigns automatically when
        anything was read. The same as prepareImport and finishImport in one go. */
    ImportResult importFiles (const juce::StringArray& paths, bool recurse);

    /** An import in two halves, so the probes can run away from the message thread:
        what prepareImport needs of the session now, and the tracks it found added later.
        finishImport checks the list and its limit again, so files added meanwhile count as
        already in the list; a file the scan did not probe is probed then. */
    ImportRequest makeImportRequest (const juce::StringArray& paths, bool recurse) const;
    ImportResult finishImport (const PreparedImport& prepared);

    /** Raised whenever the list is emptied (clear, a project applied): an import asked
        for before then belongs to a list that is gone. */
    int getListGeneration() const noexcept                         { return listGeneration; }

    /** Removes the tracks and every cue left without a track. */
    void removeTracks (const juce::StringArray& trackIds);
    /** Removes every track and cue; the preset, the history and the settings stay. */
    void clear();

    /** False for an unusable name or an unknown cue; the same name again is true. */
    bool renameCue (const juce::String& cueId, const juce::String& name);
    void setCueIncluded (const juce::String& cueId, bool included);
    /** Anything not above 0 (NaN and infinities too) is stored as 0. */
    void setCueTrimStart (const juce::String& cueId, double seconds);
    /** Adds the stem to or removes it from the cue's own member list of the mix. */
    void setSubmixOverride (const juce::String& cueId, const Submix& submix,
                            const juce::String& stemId, bool member);

    /** Renames the track's file in its own folder, keeping its extension. Never replaces
        another file: a name taken by another file, even in other letter case, is refused, and
        so is a name imports skip (a split's original). */
    bool renameTrackFile (const juce::String& trackId, const juce::String& newName, juce::String& error);

    /** Whether a track of the list other than `exceptTrackId` reads that file, compared in any
        letter case and with links resolved, so another path to a listed file counts too; a
        track whose file is gone from the disk still holds its name. */
    bool isFileOfAnotherTrack (const juce::File& file, const juce::String& exceptTrackId = {}) const;

    //==============================================================================
    // Assignment

    /** Matches every track that is not locked against the schema (manual ones too). */
    void autoAssignAll();
    /** Assigns (or with an empty stem id unassigns) the tracks; an unknown stem does nothing. */
    void assignTracks (const juce::StringArray& trackIds, const juce::String& stemId, bool lock);
    /** Locks or unlocks tracks that have a stem. */
    void setTracksLocked (const juce::StringArray& trackIds, bool locked);
    /** Unassigns every track whose stem is not in the schema. */
    void clearStaleStemIds();

    /** Makes the preset current and assigns everything anew. */
    void setPreset (Preset newPreset);
    /** The edited current preset: re-matches automatic tracks only when matching changed. */
    void updatePreset (Preset editedPreset);

    /** Adds a rule learnt in the review; tracks keep their assignments until the next
        automatic assignment. */
    bool addRuleFromReview (const juce::String& stemId, const juce::String& keyword, juce::String& error);
    /** Words of the track's file name that could become rules: longer than two
        characters, not only digits, not used by any rule yet. */
    juce::StringArray suggestKeywords (const juce::String& trackId) const;

    /** Used by the next automatic assignment; changes nothing by itself. */
    void setMatcherSettings (const KeywordMatcher& settings) { matcherSettings = settings; }

    /** Stores a match in the track: automatic when it chose a stem, none otherwise. */
    static void applyMatchResult (Track& track, const MatchResult& result);

    //==============================================================================
    // Projects

    /** Rebuilds the Session from a project that was read without errors: clears it, takes
        the project's preset, imports its folders again, then lays the saved cue settings and
        the hand-made assignments on top. Every saved track path not found again is added to
        `missingSources` unless that text is there already. */
    void applyProject (const ProjectFile& project, juce::StringArray& missingSources);
    /** The same with the import of the project's folders prepared beforehand
        (makeProjectImportRequest, then prepareImport), so the disk work can run elsewhere. */
    void applyProject (const ProjectFile& project, const PreparedImport& folders, juce::StringArray& missingSources);

    /** applyProject in its three steps, each a moment of its own for the message thread: the
        list emptied and the project's preset taken; the folders' import (finishImport); then
        the saved cue settings and hand-made assignments laid on top. */
    void startProject (const ProjectFile& project);
    void restoreProjectSettings (const ProjectFile& project, juce::StringArray& missingSources);

    //==============================================================================
    // History

    void undo();
    void redo();

    Snapshot takeSnapshot() const;

private:
    using PositionsById = std::unordered_map<juce::String, size_t, IdHash>;

    IdSet presetStemIds() const;   // one lookup per track instead of a walk over the stems
    Track* findTrackForEdit (const juce::String& trackId);
    Cue* findCueForEdit (const juce::String& cueId);
    /** The positions of tracks and cues by id, built again after any removal; an added
        track or cue adds its own. */
    void reindex();

    const Cue& cueForFolder (const juce::File& file, const juce::File& root);
    void matchTrack (Track& track, const PreparedSchema& schema) const;
    /** autoAssignAll, taking the import's own matches where they still hold. */
    void assignAutomatically (const PreparedImport* prepared);

    /** Clears stems the schema no longer holds; true when any track changed. */
    bool unassignStaleStems();

    void pushSnapshot();
    void restoreSnapshot (const Snapshot& snapshot);
    void stepHistory (int newIndex);

    void notifyTracksChanged();
    void notifyAssignmentsChanged();
    void notifyPresetChanged();

    Preset preset;
    std::vector<Track> tracks;
    std::vector<Cue> cues;
    PositionsById trackPositions, cuePositions;   // the first of each id
    int listGeneration = 0;
    KeywordMatcher matcherSettings;
    KeywordMatcher appliedMatcherSettings;
    std::vector<Snapshot> history;
    int historyIndex = -1;
    juce::ListenerList<Listener, juce::Array<Listener*, juce::DummyCriticalSection>> listeners;

    JUCE_DECLARE_NON_COPYABLE (Session)
};

/** The import of a project's folders, as for a list of its own: nothing held yet, room for
    every track, the project's schema. Touches no session, so it may be made on any thread. */
ImportRequest makeProjectImportRequest (const ProjectFile& project, const KeywordMatcher& matcher);

/** Why a saved take that is still on the disk did not come back into the list when its
    project was opened, as one sentence: a name imports skip, a file that is no audio file
    by its name, a folder the project does not import, or the list's limit when
    `listIsFull`. Reads only the names. */
juce::String whySavedTakeIsNotListed (const juce::File& take, const ProjectFile& project, bool listIsFull);

} // namespace korvid
