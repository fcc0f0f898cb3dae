#pragma once

#include "core/report/BatchReport.h"

namespace korvid::test
{

// A file record with the given name below /deliveries; the file need not exist.
WrittenFile writtenFile (const juce::String& path, FileKind kind, const juce::String& format, juce::int64 sizeBytes = 0);

// A stem as a finished render leaves it: written when it has tracks.
StemResult stemResult (int index, const juce::String& name, int tracks, double peakAfterDb);

// "Main Title": completed, a passed check, clipping, stems of every kind, three files.
CueReport mainTitleCue();

// An unnamed cue that was cancelled half-way through writing: one file, an error,
// no stems, the gain held by the attenuate-only mode.
CueReport cancelledCue();

// The expected render reports of the two cues, the date line as "<date>".
juce::StringArray mainTitleReportLines();
juce::StringArray cancelledReportLines();

// Both cues, a shared gain, an output root and a run error.
BatchReport twoCueBatch();

// The text split at the separator, every date line replaced by "<date>".
juce::StringArray linesWithoutDates (const juce::String& text, const juce::String& separator);

} // namespace korvid::test
