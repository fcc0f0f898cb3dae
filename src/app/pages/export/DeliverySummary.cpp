#include "app/pages/export/DeliverySummary.h"

#include "core/model/PresetChecks.h"
#include "core/model/Types.h"

#include <cmath>
#include <map>

namespace korvid::ui
{
    namespace
    {
        constexpr double silenceDb = -400.0;

        /** A label padded with blanks to 20 characters, so the values line up. */
        juce::String label (const char* text)
        {
            return juce::String (text).paddedRight (' ', 20);
        }

        bool hasProblem (const CueReport& cue)
        {
            return cue.needsAttention() || ! cue.unassignedTracks.isEmpty();
        }
    }

    juce::String decibelText (double db)
    {
        if (! (db > -399.0))
            return "-inf";

        return juce::String (db, 2) + " dB";
    }

    double peakToDecibels (double peak)
    {
        if (! (peak > 0.0))
            return silenceDb;

        return juce::jmax (silenceDb, 20.0 * std::log10 (peak));
    }

    juce::String linearPeakText (double peak)
    {
        if (! (peak > 0.0))
            return "-inf";

        return decibelText (peakToDecibels (peak));
    }

    int stemsToExport (const CueReport& cue, const Preset& preset)
    {
        int count = 0;

        for (const auto& stem : cue.stems)
        {
            if (! stem.empty)
            {
                ++count;
                continue;
            }

            auto policy = preset.exportSettings.emptyStemPolicy;

            if (const auto* schemaStem = preset.schema.findStem (stem.stemId); schemaStem != nullptr && schemaStem->emptyPolicy)
                policy = *schemaStem->emptyPolicy;

            if (policy == EmptyPolicy::exportSilence)
                ++count;
        }

        return count;
    }

    int formatsToWrite (const Preset& preset)
    {
        const auto& formats = preset.exportSettings.formats;
        int count = 0;

        for (size_t i = 0; i < formats.size() && i < (size_t) writtenFormatCount; ++i)
            if (formats[i].enabled)
                ++count;

        return count;
    }

    juce::String deliverySummaryText (const BatchReport& report, const Preset& preset, bool sessionChanged)
    {
        const auto& settings = preset.exportSettings;
        const int formats = formatsToWrite (preset);
        const int cueCount = (int) report.cues.size();

        int stems = 0, files = 0, unassigned = 0;

        for (const auto& cue : report.cues)
        {
            const int cueStems = stemsToExport (cue, preset);
            stems += cueStems;
            files += formats * cueStems + (settings.exportFullMix ? formats : 0);
            unassigned += cue.unassignedTracks.size();
        }

        juce::StringArray lines;

        if (cueCount < 2)
        {
            lines.add (label ("Stems to export") + juce::String (stems) + " of " + juce::String ((int) preset.schema.stems.size())
                       + " in the schema");
        }
        else
        {
            lines.add (label ("Cues") + juce::String (cueCount));
            lines.add (label ("Stems to export") + juce::String (stems) + " across all cues");
        }

        lines.add (label ("Files to write") + juce::String (files) + "  (" + juce::String (formats) + " format(s)"
                   + (settings.exportFullMix ? ", full mix included)" : ")"));

        if (report.sharedGainApplied)
            lines.add (label ("Shared gain") + decibelText (report.sharedGain.gainDb));

        if (settings.requireDecisionOnUnassigned && unassigned > 0)
        {
            lines.add ({});
            lines.add (label ("Note") + juce::String (unassigned)
                       + " track(s) are unassigned. The export will refuse until they are placed, or until "
                         "'refuse to export while tracks are unassigned' is off.");
        }

        if (cueCount == 1)
        {
            const auto& cue = report.firstCue();
            const double seconds = cue.sampleRate > 0.0 ? (double) cue.lengthFrames / cue.sampleRate : 0.0;

            lines.add ({});
            lines.add (label ("Mix peak") + linearPeakText (cue.mixSamplePeak));
            lines.add (label ("Mix true peak") + linearPeakText (cue.mixTruePeak));
            lines.add (label ("Target") + decibelText (cue.gain.targetDb));
            lines.add (label ("Global gain") + decibelText (cue.gain.gainDb)
                       + (cue.gain.heldByAttenuateOnly ? "   (held at 0 dB: attenuate only)" : ""));
            lines.add (label ("Predicted peak") + decibelText (cue.gain.predictedDb));
            lines.add (label ("Unassigned tracks") + juce::String (cue.unassignedTracks.size()));
            lines.add (label ("Length") + formatDuration (seconds) + ", " + juce::String (cue.channels) + " ch");
        }

        if (sessionChanged)
        {
            lines.add ({});
            lines.add (label ("Note") + "The tracks or the preset changed during the run: analyse again.");
        }

        return lines.joinIntoString ("\n");
    }

    std::vector<ExportPage::CueResultList::Row> cueRowsFor (const BatchReport& report, const std::vector<Cue>& cues,
                                                             bool sessionChanged)
    {
        // The first report of each cue id, found once.
        std::map<juce::String, const CueReport*> reportsById;

        if (! sessionChanged)
            for (const auto& cueReport : report.cues)
                reportsById.emplace (cueReport.cueId, &cueReport);

        std::vector<ExportPage::CueResultList::Row> rows;
        rows.reserve (cues.size());

        for (const auto& cue : cues)
        {
            ExportPage::CueResultList::Row row;
            row.cueId = cue.id;
            row.name = cue.name;
            row.included = cue.included;
            row.trimSeconds = cue.trimStartSeconds;

            if (const auto found = reportsById.find (cue.id); found != reportsById.end())
            {
                const auto& result = *found->second;
                row.analysed = true;
                row.hasProblem = hasProblem (result);
                row.leadingSilenceSeconds = result.leadingSilenceSeconds;
                row.runTrimSeconds = result.trimmedSeconds;
                row.durationSeconds = result.sampleRate > 0.0 ? (double) result.lengthFrames / result.sampleRate : 0.0;
                row.peakDb = peakToDecibels (result.mixTruePeak);
                row.gainDb = result.gain.gainDb;
                row.assignedStems = result.assignedStemCount();
                row.emptyStems = result.emptyStemCount();
            }

            rows.push_back (std::move (row));
        }

        return rows;
    }

    std::vector<ExportPage::GatedTrackList::Row> gatedRowsFor (const BatchReport& report)
    {
        std::vector<ExportPage::GatedTrackList::Row> rows;

        for (const auto& cue : report.cues)
        {
            const auto cueName = cue.cueName.isNotEmpty() ? cue.cueName : juce::String ("Delivery");

            for (const auto& gated : cue.gatedTracks)
            {
                ExportPage::GatedTrackList::Row row;
                row.file = gated.file;
                row.cueId = cue.cueId;
                row.cueName = cueName;
                row.fileName = gated.fileName;
                row.stemName = gated.stemName;
                row.gatedSeconds = gated.gatedSeconds;
                row.lengthSeconds = gated.lengthSeconds;
                row.gatedRuns = gated.gatedRuns;
                row.wholeFileSilent = gated.wholeFileSilent;
                row.regions = gated.regions;
                row.overview = gated.overview;
                rows.push_back (std::move (row));
            }
        }

        return rows;
    }
}
