#pragma once

#include "app/pages/export/CueResultList.h"
#include "app/pages/export/GatedTrackList.h"
#include "core/model/Preset.h"
#include "core/report/BatchReport.h"
#include "core/session/Cue.h"

#include <vector>

namespace korvid::ui
{
    // What the export page shows of a run's report. Plain functions of their arguments.

    /** A level in dB: "-inf" at -399 or below, else two decimals and " dB". */
    juce::String decibelText (double db);

    /** A linear peak: "-inf" for 0 (or below), else its level in dB, at least -400. */
    juce::String linearPeakText (double peak);

    /** 20 log10 of a linear peak, at least -400; -400 for a peak not above 0. */
    double peakToDecibels (double peak);

    /** The stems a cue writes: those with tracks, and the empty ones whose own empty-stem
        policy, else the preset's, is to export silence. */
    int stemsToExport (const CueReport& cue, const Preset& preset);

    /** Enabled formats among the ones the render writes (the first two entries). */
    int formatsToWrite (const Preset& preset);

    /** The fixed-column summary of a run, figured from the preset the run was planned
        with. `sessionChanged` ends it with a note that the figures are out of date. */
    juce::String deliverySummaryText (const BatchReport& report, const Preset& preset, bool sessionChanged);

    /** One row per cue, in session order; a cue takes the figures of the first report with
        its id, unless `sessionChanged`, when every row stays blank. */
    std::vector<ExportPage::CueResultList::Row> cueRowsFor (const BatchReport& report, const std::vector<Cue>& cues,
                                                             bool sessionChanged);

    /** One row per gated track, in report order. */
    std::vector<ExportPage::GatedTrackList::Row> gatedRowsFor (const BatchReport& report);
}
