#include "app/pages/import/ImportRows.h"

#include <algorithm>
#include <map>
#include <set>

namespace korvid::ui
{
    namespace
    {
        juce::String padded (const juce::String& number, int width)
        {
            return number.paddedLeft ('0', width);
        }

        double lengthSeconds (const AudioFileInfo& info)
        {
            return info.sampleRate > 0.0 ? (double) info.lengthInSamples / info.sampleRate : 0.0;
        }

        /** The names the keys need, looked up once per rebuild instead of per comparison. */
        struct KeyContext
        {
            explicit KeyContext (const Session& session)
            {
                for (const auto& stem : session.getPreset().schema.stems)
                    stemNames.emplace (stem.id, stem.displayName);

                for (const auto& cue : session.getCues())
                    cueNames.emplace (cue.id, cue.name);
            }

            juce::String keyFor (const Track& track, int columnId) const
            {
                switch (columnId)
                {
                    case importColumn::cue:
                    {
                        const auto found = cueNames.find (track.cueId);
                        return found != cueNames.end() ? found->second : juce::String();
                    }
                    case importColumn::format:   return track.info.formatName;
                    case importColumn::duration: return padded (juce::String (lengthSeconds (track.info), 6), 16);
                    case importColumn::rate:     return padded (juce::String (track.info.sampleRate, 1), 12);
                    case importColumn::depth:    return padded (juce::String (track.info.bitsPerSample), 4);
                    case importColumn::channels: return padded (juce::String (track.info.numChannels), 4);
                    case importColumn::stem:
                    {
                        const auto found = track.stemId.isEmpty() ? stemNames.end() : stemNames.find (track.stemId);
                        return found != stemNames.end() ? found->second : juce::String (unassignedSortKey);
                    }
                    case importColumn::status:   return toString (track.confidence);
                    default:                     return track.file.getFileName();
                }
            }

            std::map<juce::String, juce::String> stemNames;
            std::map<juce::String, juce::String> cueNames;
        };
    }

    juce::String importSortKey (const Session& session, const Track& track, int columnId)
    {
        return KeyContext (session).keyFor (track, columnId);
    }

    std::vector<juce::String> sortImportTracks (const Session& session, int sortColumnId, bool sortForwards)
    {
        const KeyContext context (session);

        struct Entry
        {
            juce::String key;
            const Track* track;
        };

        std::vector<Entry> entries;
        entries.reserve (session.getTracks().size());

        for (const auto& track : session.getTracks())
            entries.push_back ({ context.keyFor (track, sortColumnId), &track });

        std::stable_sort (entries.begin(), entries.end(), [sortForwards] (const Entry& a, const Entry& b)
        {
            const int order = a.key.compareIgnoreCase (b.key);
            return sortForwards ? order < 0 : order > 0;
        });

        std::vector<juce::String> ids;
        ids.reserve (entries.size());

        for (const auto& entry : entries)
            ids.push_back (entry.track->id);

        return ids;
    }

    std::vector<juce::String> filterImportRows (const Session& session, const std::vector<juce::String>& sortedIds,
                                                const juce::String& filterText)
    {
        const auto filter = filterText.trim();

        if (filter.isEmpty())
            return sortedIds;

        std::vector<juce::String> rows;

        for (const auto& id : sortedIds)
            if (const auto* track = session.findTrack (id))
                if (track->file.getFileName().containsIgnoreCase (filter))
                    rows.push_back (id);

        return rows;
    }

    std::vector<juce::String> buildImportRows (const Session& session, const juce::String& filterText,
                                               int sortColumnId, bool sortForwards)
    {
        return filterImportRows (session, sortImportTracks (session, sortColumnId, sortForwards), filterText);
    }

    bool importOrderFollowsAssignments (int sortColumnId)
    {
        return sortColumnId == importColumn::stem || sortColumnId == importColumn::status;
    }

    bool importOrderFollowsPreset (int sortColumnId)
    {
        return sortColumnId == importColumn::stem;
    }

    ImportCounts countImportTracks (const Session& session)
    {
        ImportCounts counts;
        std::set<juce::String> cueIds;

        for (const auto& track : session.getTracks())
        {
            ++counts.tracks;
            counts.usable += track.isUsable() ? 1 : 0;
            counts.unassigned += track.stemId.isEmpty() ? 1 : 0;
            counts.ambiguous += track.confidence == Confidence::ambiguous ? 1 : 0;
            cueIds.insert (track.cueId);
        }

        for (const auto& cue : session.getCues())
            counts.cuesWithTracks += cueIds.count (cue.id) > 0 ? 1 : 0;

        return counts;
    }

    juce::String importStatusText (const ImportCounts& counts, int listedRows)
    {
        auto text = juce::String (counts.tracks) + " track(s)";

        if (counts.cuesWithTracks > 1)
            text << " in " << counts.cuesWithTracks << " cues (rendered one after the other)";

        if (counts.usable != counts.tracks)
            text << ", " << (counts.tracks - counts.usable) << " unreadable";

        text << ", " << counts.unassigned << " unassigned";

        if (counts.ambiguous > 0)
            text << ", " << counts.ambiguous << " ambiguous";

        if (counts.tracks > 0 && listedRows != counts.tracks)
            text << "   (showing " << listedRows << ")";

        return text;
    }
}
