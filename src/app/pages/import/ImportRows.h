#pragma once

#include "core/session/Session.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid::ui
{
    /** The columns of the Import page's track table; the numbers are the table's column ids. */
    namespace importColumn
    {
        enum : int
        {
            file = 1,
            preview,
            cue,
            format,
            duration,
            rate,
            depth,
            channels,
            stem,
            status
        };
    }

    /** What the sort key of a stem column is for a track without a stem of the schema:
        after every ordinary stem name in ascending order. */
    inline constexpr const char* unassignedSortKey = "zzz unassigned";

    /** Ids of the tracks whose file name holds `filterText` (trimmed, letter case ignored),
        sorted stably by the column's key (session order among equal keys). Every key is
        made once per call. The same as filterImportRows of sortImportTracks. */
    std::vector<juce::String> buildImportRows (const Session& session, const juce::String& filterText,
                                               int sortColumnId, bool sortForwards);

    /** Ids of every track, sorted stably by the column's key. */
    std::vector<juce::String> sortImportTracks (const Session& session, int sortColumnId, bool sortForwards);

    /** Those of the sorted ids whose track's file name holds `filterText` (trimmed, letter
        case ignored), in the same order; every one for an empty filter. */
    std::vector<juce::String> filterImportRows (const Session& session, const std::vector<juce::String>& sortedIds,
                                                const juce::String& filterText);

    /** Whether a column's order can change when assignments (or the preset) change: the
        others sort by what only a change of the tracks themselves can touch. */
    bool importOrderFollowsAssignments (int sortColumnId);
    bool importOrderFollowsPreset (int sortColumnId);

    /** The key a track sorts by in a column; numbers are written to equal width. */
    juce::String importSortKey (const Session& session, const Track& track, int columnId);

    /** The counts the status line shows, found in one pass over the tracks. */
    struct ImportCounts
    {
        int tracks = 0;
        int usable = 0;
        int unassigned = 0;   // unusable tracks included
        int ambiguous = 0;
        int cuesWithTracks = 0;
    };

    ImportCounts countImportTracks (const Session& session);

    /** "12 track(s) in 3 cues (rendered one after the other), 1 unreadable, 2 unassigned,
        1 ambiguous   (showing 5)"; the parts after the first only where they apply. */
    juce::String importStatusText (const ImportCounts& counts, int listedRows);
}
