#pragma once

#include "core/report/BatchReport.h"
#include "core/report/HtmlReport.h"

#include <juce_core/juce_core.h>

// Where the Report page's documents go and how the text report is written.
namespace korvid::ui
{
    /** The page "Open in browser" writes: "Velvane report" in the application's private folder
        (privateBaseFolder), named after the report. */
    juce::File browserReportFile (const BatchReport& report);

    /** Where both save choosers start: the output folder while it exists, else documents. */
    juce::File reportSaveFolder (const juce::File& outputFolder);

    /** What every web page of the report holds: waveforms, the plain-text log, the
        default title. */
    HtmlReportOptions reportPageOptions();

    /** Writes the text as UTF-8 without byte-order mark, every line ending as "\r\n" (carriage
        returns of the text dropped first), through a temporary file that replaces the target
        only on success. False with "Could not write to " and the path in `error`. */
    bool writeReportText (const juce::File& target, const juce::String& text, juce::String& error);
}
