#pragma once

#include "core/report/BatchReport.h"

#include <juce_core/juce_core.h>

// The texts the Report page shows, as plain functions so tests and benches can call them.
namespace korvid::ui
{
    /** A level in dB: "-inf" at -399 dB or below, else one decimal and " dB". */
    juce::String reportLevelText (double db);

    /** A file size: from 1048576 bytes up, megabytes with one decimal and " MB"; below
        that, whole kilobytes (rounded down) and " KB"; "-" when not positive. */
    juce::String deliverySizeText (juce::int64 bytes);

    /** The order of two file names as a person reads them: digit runs compare by their
        value (of any length, leading zeros aside), everything else letter by letter with
        case ignored. -1, 0 or 1. */
    int compareFileNamesNaturally (const juce::String& a, const juce::String& b);

    /** The run's one-line verdict and the colour role it is shown in. */
    struct ReportHeadline
    {
        enum class Tone : int { secondary, good, warning, bad };

        juce::String text;
        Tone tone = Tone::secondary;
    };

    /** The headline of a report, or of none when `hasReport` is false. */
    ReportHeadline reportHeadline (const BatchReport& report, bool hasReport);

    /** The detail lines of one cue: length, rate and channels, stems, levels and gain,
        leading silence, and a reconstruction check that did not run. */
    juce::StringArray cueSummaryLines (const CueReport& cue);

    /** "Error: " before each error, then "Warning: " before each warning. */
    juce::StringArray cueProblemLines (const CueReport& cue);

    /** The second line of a cue's row in the cue list: files, then the worst problem. */
    juce::String cueRowDetailText (const CueReport& cue);
}
