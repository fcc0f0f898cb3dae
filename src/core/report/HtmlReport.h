#pragma once

#include "core/audio/WaveformOverview.h"
#include "core/report/BatchReport.h"
#include "core/report/FileKind.h"

#include <juce_core/juce_core.h>

namespace korvid
{

struct HtmlReportOptions
{
    bool includeWaveforms = true;      // an SVG waveform under every written file
    bool includePlainTextLog = true;   // each cue's plain-text render report, collapsed
    juce::String title;                // empty: "Velvane render report"
};

// The report as one self-contained web page (inline style and script, "\n" line ends).
juce::String buildHtmlReport (const BatchReport& report, const HtmlReportOptions& options = {});

// Builds the page and writes it through the safe writer. False with the
// writer's sentence in `error`; the old file then stays as it was.
bool writeHtmlReport (const BatchReport& report, const juce::File& target, juce::String& error,
                      const HtmlReportOptions& options = {});

// "Velvane report - <cue or output folder>.html", safe for the file system.
juce::String reportFileName (const BatchReport& report);

// Escapes & < > " ' and drops control characters other than tab and line feed.
juce::String htmlEscape (const juce::String& text);

// The SVG drawing of an overview in the kind's colours; its gradient id is
// "grad" + idSuffix. An overview without buckets gives a "no waveform" element.
juce::String waveformSvg (const WaveformOverview& overview, const juce::String& idSuffix, FileKind kind);

} // namespace korvid
