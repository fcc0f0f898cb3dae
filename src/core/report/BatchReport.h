#pragma once

#include "core/audio/GainDecision.h"
#include "core/report/CueReport.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid
{

// The result of one render run.
struct BatchReport
{
    std::vector<CueReport> cues;      // in request order
    bool allCompleted = false;        // not cancelled, at least one cue, every cue completed
    bool cancelled = false;
    double elapsedSeconds = 0.0;
    juce::File outputRoot;            // the output folder chosen for the run
    bool sharedGainApplied = false;   // one gain measured over the batch and applied to every cue
    GainDecision sharedGain;
    juce::StringArray runErrors;      // errors of the run as a whole

    // Written files over all cues.
    int filesWrittenCount() const;

    // Cues with an error, cancelled, not completed or failing the reconstruction check.
    int countNeedingAttention() const;

    // The first cue, or a shared report with default values when there is none.
    const CueReport& firstCue() const;

    // Renames a delivered file in its own folder, keeping its extension, and
    // updates every entry that names it. False with one sentence in `error`;
    // the report is unchanged then.
    bool renameWrittenFile (const juce::File& file, const juce::String& newName, juce::String& error);

    // The written files per cue for the clipboard, "\n" between lines; empty
    // when nothing was written.
    juce::String deliveryListText() const;

    // The plain-text batch report, "\r\n" between lines. A run of one cue gives
    // that cue's render report alone.
    juce::String toText() const;
    juce::String toText (const juce::Time& when) const;
};

} // namespace korvid
