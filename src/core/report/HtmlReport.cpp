#include "core/report/HtmlReport.h"

#include "core/model/DirectionControls.h"
#include "core/model/OutputNaming.h"
#include "core/report/HtmlReportAssets.h"
#include "core/report/ReportText.h"
#include "core/platform/SafeFileWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace korvid
{

namespace
{
    // Appending to a juce::String reallocates to the exact size every time, which
    // turns a page of thousands of waveform points quadratic; std::string grows
    // geometrically.
    class TextBuffer
    {
    public:
        explicit TextBuffer (size_t reservedBytes)   { bytes.reserve (reservedBytes); }

        TextBuffer& operator<< (const char* text)    { bytes += text; return *this; }
        TextBuffer& operator<< (char c)              { bytes += c; return *this; }
        TextBuffer& operator<< (int value)           { bytes += std::to_string (value); return *this; }
        TextBuffer& operator<< (juce::int64 value)   { bytes += std::to_string (value); return *this; }

        TextBuffer& operator<< (const juce::String& text)
        {
            bytes.append (text.toRawUTF8(), text.getNumBytesAsUTF8());
            return *this;
        }

        // A number in fixed notation with one decimal, independent of any locale.
        TextBuffer& appendOneDecimal (double value)
        {
            char digits[64];
            const auto result = std::to_chars (digits, digits + sizeof (digits), value, std::chars_format::fixed, 1);

            if (result.ec == std::errc())
                bytes.append (digits, result.ptr);
            else
                bytes += "0.0";

            return *this;
        }

        juce::String toString() const   { return juce::String::fromUTF8 (bytes.data(), (int) bytes.size()); }

    private:
        std::string bytes;
    };

    // User text as the page shows it: escaped, and isolated so that its direction
    // cannot run on into the words around it.
    juce::String isolated (const juce::String& text)
    {
        return "<bdi>" + htmlEscape (text) + "</bdi>";
    }

    // A sentence of ours that quotes names, such as a warning or the plain-text log: a
    // direction control inside a quoted name would turn the rest of the sentence
    // around, so they are dropped before the sentence is isolated as a whole.
    juce::String isolatedSentence (const juce::String& text)
    {
        return isolated (withoutDirectionControls (text));
    }

    // "#rrggbb" of an ARGB colour, alpha dropped.
    juce::String cssColour (std::uint32_t argb)
    {
        return "#" + juce::String::toHexString ((int) (argb & 0xffffffu)).paddedLeft ('0', 6);
    }

    juce::String formatDbValue (double db, int decimals)
    {
        if (db <= -399.0)
            return "-inf";

        return formatFixed (db, decimals);
    }

    juce::String linearDbText (double linear)
    {
        return formatDbValue (linearPeakToDb (linear), 2) + " dB";
    }

    juce::String sizeText (juce::int64 bytes)
    {
        if (bytes < 1024)
            return juce::String (bytes) + " B";

        if (bytes < 1048576)
            return formatFixed ((double) bytes / 1024.0, 1) + " kB";

        return formatFixed ((double) bytes / 1048576.0, 1) + " MB";
    }

    juce::String htmlTableRow (const juce::String& label, const juce::String& value, const juce::String& cssClass)
    {
        return "<tr><th>" + htmlEscape (label) + "</th><td"
             + (cssClass.isNotEmpty() ? " class=\"" + cssClass + "\"" : juce::String())
             + ">" + htmlEscape (value) + "</td></tr>\n";
    }

    juce::String cueStatusText (const CueReport& cue)
    {
        if (cue.cancelled)
            return "cancelled";

        if (cue.completed)
            return cue.needsAttention() ? "completed with problems" : "delivered";

        return "failed";
    }

    juce::String levelsTableHtml (const CueReport& cue)
    {
        // A cue that stopped before measuring leaves those figures blank instead of
        // showing the defaults as if they had been measured.
        const bool levels = cue.showsLevels();
        const auto known = [] (bool shown, const juce::String& text) { return shown ? text : juce::String(); };

        juce::String rows;
        rows << htmlTableRow ("Length", formatReportLength (cue.lengthFrames, cue.sampleRate)
                                          + "  (" + juce::String (cue.lengthFrames) + " frames)", {})
             << htmlTableRow ("Sample rate", formatFixed (cue.sampleRate / 1000.0, 1) + " kHz", {})
             << htmlTableRow ("Channels", juce::String (cue.channels), {})
             << htmlTableRow ("Mix peak", known (levels, linearDbText (cue.mixSamplePeak)), {})
             << htmlTableRow ("Mix true peak", known (levels, linearDbText (cue.mixTruePeak)), {})
             << htmlTableRow ("Target", known (levels, formatDbValue (cue.gain.targetDb, 2) + " dB"), {})
             << htmlTableRow ("Global gain", known (levels, formatDbValue (cue.gain.gainDb, 2) + " dB"
                                                + (cue.gain.heldByAttenuateOnly ? "   (held at 0 dB: attenuate only)" : "")), {})
             << htmlTableRow ("Predicted peak", known (levels, formatDbValue (cue.gain.predictedDb, 2) + " dB"), {})
             << htmlTableRow (cue.levelRemeasured ? "Measured after gain" : "After gain",
                              known (cue.showsAfterGain(), linearDbText (cue.afterGainTruePeak) + " true peak"), {});

        if (cue.clippedSamples > 0)
            rows << htmlTableRow ("Clipping", juce::String (cue.clippedSamples) + " sample(s) at or above full scale", "bad");

        return "<h3>Levels</h3>\n<div class=\"table-box\"><table class=\"data\">\n" + rows + "</table></div>\n";
    }

    juce::String reconstructionHtml (const ReconstructionResult& check)
    {
        juce::String cssClass = "muted";
        juce::String text = "not run";

        switch (check.state)
        {
            case ReconstructionResult::State::passed:  cssClass = "good";  text = "PASSED - " + isolatedSentence (check.detail);  break;
            case ReconstructionResult::State::failed:  cssClass = "bad";   text = "FAILED - " + isolatedSentence (check.detail);  break;
            case ReconstructionResult::State::skipped: cssClass = "muted"; text = "skipped - " + isolatedSentence (check.detail); break;
            case ReconstructionResult::State::notRun:
            default: break;
        }

        return "<h3>Reconstruction check</h3>\n<p class=\"" + cssClass + "\">" + text + "</p>\n";
    }

    struct StemState
    {
        juce::String cell;        // markup
        juce::String rowClass;
    };

    // A cue that stopped early wrote only some of its stems: a stem without a file of
    // this run says so rather than claiming one.
    StemState stemState (const StemResult& stem)
    {
        const auto errors = [&stem] { return isolatedSentence (stem.errors.joinIntoString ("; ")); };

        if (! stem.wasWritten())
        {
            if (stem.errors.isEmpty())
                return { "not written", "muted" };

            return { "not written: " + errors(), "bad" };
        }

        if (stem.digitalSilence)
            return { "digital silence", "warn" };

        if (! stem.errors.isEmpty())
            return { errors(), "bad" };

        return { "written", {} };
    }

    juce::String stemTableHtml (const CueReport& cue)
    {
        juce::String html = "<div class=\"table-box\"><table class=\"grid\">\n<thead><tr>"
                            "<th>#</th><th>Stem</th><th>Tracks</th><th>Peak before</th>"
                            "<th>Peak after</th><th>State</th></tr></thead>\n<tbody>\n";

        const auto peakCell = [] (bool shown, double db)
        {
            return shown ? "<td>" + formatDbValue (db, 2) + " dB</td>" : juce::String ("<td></td>");
        };

        for (const auto& stem : cue.stems)
        {
            if (stem.empty || stem.skipped)
                continue;

            const auto state = stemState (stem);

            html << "<tr" << (state.rowClass.isNotEmpty() ? " class=\"" + state.rowClass + "\"" : juce::String()) << ">"
                 << "<td>" << stem.shownNumberText() << "</td>"
                 << "<td>" << isolated (stem.displayName) << "</td>"
                 << "<td>" << juce::String (stem.trackCount) << "</td>"
                 << peakCell (cue.showsPeakBefore (stem), stem.peakBeforeDb)
                 << peakCell (cue.showsPeakAfter (stem), stem.peakAfterDb)
                 << "<td>" << state.cell << "</td></tr>\n";
        }

        return html + "</tbody></table></div>\n";
    }

    juce::String emptyStemNoteHtml (const CueReport& cue)
    {
        juce::StringArray items;

        // The note says no file was produced: a stem written as silence has one.
        for (const auto& stem : cue.stems)
        {
            if ((stem.empty || stem.skipped) && ! stem.wasWritten())
            {
                const auto number = stem.shownNumberText();
                items.add ((number.isNotEmpty() ? number + " " : juce::String()) + isolated (stem.displayName));
            }
        }

        if (items.isEmpty())
            return {};

        const bool one = items.size() == 1;

        return juce::String ("<p class=\"note\"><b>Please note</b> - ")
             + (one ? juce::String ("this stem was") : "these " + juce::String (items.size()) + " stems were")
             + " in the preset and had nothing assigned, so no file was produced for "
             + (one ? "it" : "them")
             + ":</p>\n<p class=\"muted\">"
             + items.joinIntoString (" &nbsp;&middot;&nbsp; ")
             + "</p>\n";
    }

    void appendWrittenFiles (TextBuffer& html, const CueReport& cue, int cueIndex, bool drawWaveforms)
    {
        if (cue.files.empty())
        {
            html << "<p class=\"muted\">No files were written.</p>\n";
            return;
        }

        for (size_t j = 0; j < cue.files.size(); ++j)
        {
            const auto& written = cue.files[j];
            const bool fullMix = written.kind == FileKind::fullMix;
            const bool alternativeMix = written.kind == FileKind::alternativeMix;

            html << "<div class=\"file" << (fullMix ? " mix" : alternativeMix ? " submix" : "") << "\">\n"
                 << "  <div class=\"file-head\">\n"
                 << "    <span class=\"file-name\">" << isolated (written.file.getFileName()) << "</span>\n"
                 << "    <span class=\"file-meta\">" << htmlEscape (written.formatDescription)
                 << " &middot; " << sizeText (written.sizeBytes)
                 << (fullMix ? " &middot; full mix" : alternativeMix ? " &middot; alternative mix" : "")
                 << "</span>\n";

            if (written.clippedSamples > 0)
                html << "    <span class=\"bad\">Clipping: " << juce::String (written.clippedSamples)
                     << " sample(s) at or above full scale</span>\n";

            html << "  </div>\n";

            if (drawWaveforms)
                html << "  " << waveformSvg (written.overview, juce::String (cueIndex) + "_" + juce::String ((int) j), written.kind)
                     << "\n";

            html << "</div>\n";
        }
    }

    // Names and sentences that quote names: every item is isolated, and a sentence also
    // loses its direction controls.
    void appendList (TextBuffer& html, const juce::StringArray& items, bool sentences)
    {
        for (const auto& item : items)
            html << "<li>" << (sentences ? isolatedSentence (item) : isolated (item)) << "</li>\n";

        html << "</ul>\n";
    }

    void appendCueSection (TextBuffer& html, const CueReport& cue, int cueIndex,
                           const HtmlReportOptions& options, const juce::Time& when)
    {
        const bool problem = cue.needsAttention();

        html << "<section class=\"panel\" data-panel=\"cue" << cueIndex << "\">\n"
             << "<div class=\"headline " << (problem ? "bad" : "good") << "\">"
             << isolated (cue.labelText()) << " &mdash; " << cueStatusText (cue) << "</div>\n";

        if (cue.sourceFolder.isNotEmpty())
            html << "<p class=\"muted\">Source folder: " << isolated (cue.sourceFolder) << "</p>\n";

        if (cue.outputFolder.getFullPathName().isNotEmpty())
            html << "<p class=\"muted path\">" << isolated (cue.outputFolder.getFullPathName()) << "</p>\n";

        html << levelsTableHtml (cue)
             << reconstructionHtml (cue.reconstruction)
             << "<h3>" << cue.assignedStemsText() << " &mdash; " << cue.emptyStemsText() << "</h3>\n"
             << stemTableHtml (cue)
             << emptyStemNoteHtml (cue)
             << "<h3>Files written (" << (int) cue.files.size() << ")</h3>\n";

        appendWrittenFiles (html, cue, cueIndex, options.includeWaveforms);

        if (! cue.unassignedTracks.isEmpty())
        {
            html << "<h3 class=\"bad\">Unassigned tracks (" << cue.unassignedTracks.size() << ")</h3>\n<ul class=\"bad\">\n";
            appendList (html, cue.unassignedTracks, false);
        }

        if (! cue.warnings.isEmpty())
        {
            html << "<h3>Warnings</h3>\n<ul class=\"warn\">\n";
            appendList (html, cue.warnings, true);
        }

        if (! cue.errors.isEmpty())
        {
            html << "<h3 class=\"bad\">Errors</h3>\n<ul class=\"bad\">\n";
            appendList (html, cue.errors, true);
        }

        if (options.includePlainTextLog)
            html << "<details><summary>Plain text log</summary><pre>" << isolatedSentence (cue.toText (when))
                 << "</pre></details>\n";

        html << "</section>\n";
    }
}

juce::String htmlEscape (const juce::String& text)
{
    const auto* bytes = text.toRawUTF8();
    const auto length = text.getNumBytesAsUTF8();

    std::string escaped;
    escaped.reserve (length * 2 + 8);

    // Every byte of a multi-byte UTF-8 sequence is 0x80 or above, so the text
    // can be walked byte by byte.
    for (size_t i = 0; i < length; ++i)
    {
        const auto c = (unsigned char) bytes[i];

        switch (c)
        {
            case '&':  escaped += "&amp;";  break;
            case '<':  escaped += "&lt;";   break;
            case '>':  escaped += "&gt;";   break;
            case '"':  escaped += "&quot;"; break;
            case '\'': escaped += "&#39;";  break;
            case '\t':
            case '\n': escaped += (char) c; break;
            default:
                if (c >= 0x20)
                    escaped += (char) c;
                break;
        }
    }

    return juce::String::fromUTF8 (escaped.data(), (int) escaped.size());
}

juce::String waveformSvg (const WaveformOverview& overview, const juce::String& idSuffix, FileKind kind)
{
    // A malformed overview with lists of different lengths draws only what both hold.
    const auto buckets = std::min (overview.minima.size(), overview.maxima.size());

    if (buckets == 0)
        return "<div class=\"wave-empty\">no waveform</div>";

    const int width = (int) std::max<size_t> (buckets, 1);
    const double scale = overview.peak > 0.0f && std::isfinite (overview.peak) ? 0.92 / (double) overview.peak : 0.0;

    auto yOf = [scale] (float value)
    {
        auto scaled = (double) value * scale;

        if (! std::isfinite (scaled))
            scaled = 0.0;

        return 45.0 - std::clamp (scaled, -1.0, 1.0) * 45.0;
    };

    TextBuffer topEdge (24 * buckets + 64);
    topEdge << "M0 ";
    topEdge.appendOneDecimal (yOf (overview.maxima[0])) << ' ';

    for (size_t i = 0; i < buckets; ++i)
    {
        const auto y = yOf (overview.maxima[i]);
        topEdge << "L" << (int) i << ' ';
        topEdge.appendOneDecimal (y) << " L" << (int) (i + 1) << ' ';
        topEdge.appendOneDecimal (y) << ' ';
    }

    TextBuffer bottomEdge (24 * buckets + 64);

    for (size_t n = buckets; n > 0; --n)
    {
        const auto i = n - 1;
        const auto y = yOf (overview.minima[i]);
        bottomEdge << "L" << (int) (i + 1) << ' ';
        bottomEdge.appendOneDecimal (y) << " L" << (int) i << ' ';
        bottomEdge.appendOneDecimal (y) << ' ';
    }

    const auto top = topEdge.toString();
    const auto colours = fileKindColours (kind);
    const auto id = "grad" + idSuffix;

    TextBuffer svg (2 * (24 * buckets + 64) + 768);
    svg << "<svg class=\"wave\" viewBox=\"0 0 " << width << " 90\" preserveAspectRatio=\"none\" role=\"img\" aria-label=\"waveform\">\n"
        << "  <defs><linearGradient id=\"" << id << "\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
        << "<stop offset=\"0%\" stop-color=\"" << cssColour (colours.top) << "\"/>"
        << "<stop offset=\"100%\" stop-color=\"" << cssColour (colours.bottom) << "\"/></linearGradient></defs>\n"
        << "  <line x1=\"0\" y1=\"45.0\" x2=\"" << width << "\" y2=\"45.0\" class=\"wave-axis\"/>\n"
        << "  <path d=\"" << top << bottomEdge.toString() << "Z\" fill=\"url(#" << id << ")\" opacity=\"0.85\"/>\n"
        << "  <path d=\"" << top << "\" fill=\"none\" stroke=\"" << cssColour (colours.stroke) << "\" stroke-width=\"1\"/>\n"
        << "</svg>\n";

    return svg.toString();
}

juce::String buildHtmlReport (const BatchReport& report, const HtmlReportOptions& options)
{
    const auto title = options.title.isNotEmpty() ? options.title : reportProductName() + " render report";
    const auto now = juce::Time::getCurrentTime();
    const auto attention = report.countNeedingAttention();
    const auto cueCount = (int) report.cues.size();

    TextBuffer html (65536);

    html << "<!doctype html>\n<html lang=\"en\">\n<head>\n"
         << "<meta charset=\"utf-8\">\n"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         << "<title>" << htmlEscape (title) << "</title>\n"
         << "<style>" << htmlReportStyleSheet() << "</style>\n"
         << "</head>\n<body>\n"
         << "<header>\n<h1>" << isolated (title) << "</h1>\n"
         << "<div class=\"sub\">" << htmlEscape (reportDateTimeText (now));

    if (report.outputRoot.getFullPathName().isNotEmpty())
        html << " &middot; " << isolated (report.outputRoot.getFullPathName());

    html << "</div>\n"
         << "<div class=\"summary\">\n"
         << "<div class=\"card\"><div class=\"n\">" << cueCount << "</div><div class=\"l\">"
         << (cueCount == 1 ? "delivery" : "cues") << "</div></div>\n"
         << "<div class=\"card\"><div class=\"n\">" << report.filesWrittenCount()
         << "</div><div class=\"l\">files written</div></div>\n"
         << "<div class=\"card" << (attention > 0 ? " bad" : "") << "\"><div class=\"n\">" << attention
         << "</div><div class=\"l\">need attention</div></div>\n"
         << "<div class=\"card\"><div class=\"n\">" << formatFixed (report.elapsedSeconds, 1)
         << " s</div><div class=\"l\">elapsed</div></div>\n";

    if (report.sharedGainApplied)
        html << "<div class=\"card\"><div class=\"n\">" << formatDbValue (report.sharedGain.gainDb, 2)
             << " dB</div><div class=\"l\">shared gain</div></div>\n";

    html << "</div>\n";

    if (report.cancelled)
        html << "<p class=\"bad\">The run was cancelled. Files already written are complete; nothing was left half-written.</p>\n";

    html << "</header>\n<main>\n"
         << "<div class=\"tabs\" role=\"tablist\">\n";

    for (int i = 0; i < cueCount; ++i)
    {
        const auto& cue = report.cues[(size_t) i];
        html << "<button role=\"tab\" data-target=\"cue" << i << "\""
             << (cue.needsAttention() ? " class=\"has-problem\"" : "")
             << " aria-selected=\"false\">" << isolated (cue.labelText()) << "</button>\n";
    }

    html << "</div>\n";

    for (int i = 0; i < cueCount; ++i)
        appendCueSection (html, report.cues[(size_t) i], i, options, now);

    if (! report.runErrors.isEmpty())
    {
        html << "<h3 class=\"bad\">Run errors</h3>\n<ul class=\"bad\">\n";
        appendList (html, report.runErrors, true);
    }

    html << "</main>\n<footer>" << htmlEscape (reportProductName() + " " + reportVersion()) << "</footer>\n"
         << "<script>" << htmlReportScript() << "</script>\n</body>\n</html>\n";

    return html.toString();
}

bool writeHtmlReport (const BatchReport& report, const juce::File& target, juce::String& error,
                      const HtmlReportOptions& options)
{
    return writeFileSafely (target, buildHtmlReport (report, options), error);
}

juce::String reportFileName (const BatchReport& report)
{
    auto name = reportProductName() + " report";

    if (report.cues.size() == 1 && report.cues.front().cueName.isNotEmpty())
        name << " - " << report.cues.front().cueName;
    else if (report.outputRoot.getFileName().isNotEmpty())
        name << " - " << report.outputRoot.getFileName();

    return sanitiseFileName (name, "-", "report", 90) + ".html";
}

} // namespace korvid
