#include "core/report/HtmlReport.h"

#include "core/model/OutputNaming.h"
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

    const char* const styleSheet = R"css(
:root{--bg:#1c1e20;--panel:#232629;--raised:#2c3033;--line:#3a4045;--text:#e6e8ea;--muted:#9aa0a6;--accent:#7fb2d9;--good:#7bbf7b;--warn:#d9b25f;--bad:#e79a9a;--bad-bg:#3a2626}
*{box-sizing:border-box}
body{margin:0;padding:24px 32px;background:var(--bg);color:var(--text);font:14px/1.5 system-ui,-apple-system,"Segoe UI",Roboto,"Helvetica Neue",Arial,sans-serif}
h1{font-size:26px;font-weight:600;margin:0 0 4px}
h3{font-size:12px;font-weight:600;text-transform:uppercase;letter-spacing:.08em;color:var(--muted);margin:24px 0 8px}
.sub{color:var(--muted);font-size:13px}
.summary{display:flex;flex-wrap:wrap;gap:12px;margin:18px 0}
.card{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:10px 16px;min-width:120px}
.card .n{font-size:20px;font-weight:600}
.card .l{color:var(--muted);font-size:12px}
.card.bad{background:var(--bad-bg);border-color:var(--bad)}
.tabs{display:flex;flex-wrap:wrap;gap:2px;border-bottom:1px solid var(--line);margin:18px 0}
.tabs button{background:none;border:0;border-bottom:2px solid transparent;color:var(--muted);font:inherit;padding:8px 14px;cursor:pointer}
.tabs button:hover{background:var(--raised)}
.tabs button[aria-selected="true"]{color:var(--text);border-bottom-color:var(--accent);background:var(--raised)}
.tabs button.has-problem{color:var(--bad)}
.tabs button.has-problem::before{content:"\25CF\00A0\00A0"}
.panel{display:none}
.panel.active{display:block}
.headline{background:var(--panel);border-left:4px solid var(--good);border-radius:4px;padding:10px 14px;font-size:16px}
.headline.bad{border-left-color:var(--bad);background:var(--bad-bg);color:var(--bad)}
.good{color:var(--good)}
table.data{border-collapse:collapse;width:100%;max-width:900px;font-variant-numeric:tabular-nums}
table.data th{width:210px;text-align:left;font-weight:normal;color:var(--muted);padding:3px 12px 3px 0}
table.data td{padding:3px 0}
table.grid{width:100%;border-collapse:collapse;background:var(--panel);border:1px solid var(--line);font-variant-numeric:tabular-nums}
table.grid th{background:var(--raised);text-align:left;font-weight:600;padding:6px 10px}
table.grid td{padding:5px 10px;border-top:1px solid var(--line)}
tr.bad td,.bad{color:var(--bad)}
tr.bad td{background:var(--bad-bg)}
tr.warn td,.warn{color:var(--warn)}
tr.muted td,.muted{color:var(--muted)}
.note{margin:14px 0 4px}
.path{font-family:ui-monospace,Consolas,"DejaVu Sans Mono",monospace;font-size:12px;word-break:break-all}
.file{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:8px 12px;margin:8px 0}
.file.mix{border-color:var(--accent)}
.file.submix{border-color:#6fd8ee}
.file-head{display:flex;flex-wrap:wrap;align-items:baseline;gap:4px 16px;margin-bottom:6px}
.file-name{font-family:ui-monospace,Consolas,"DejaVu Sans Mono",monospace}
.file-meta{color:var(--muted);font-size:12px}
svg.wave{display:block;width:100%;height:78px}
details{margin:24px 0}
summary{color:var(--muted);cursor:pointer}
pre{background:var(--panel);border:1px solid var(--line);border-radius:6px;padding:12px;overflow-x:auto;font-size:12px}
footer{color:var(--muted);font-size:12px;border-top:1px solid var(--line);margin-top:32px;padding-top:10px}
@media print{body{background:#fff;color:#000}.tabs{display:none}.panel{display:block;page-break-after:always}}
)css";

    const char* const pageScript = R"js(
(function () {
  var tabs = Array.prototype.slice.call(document.querySelectorAll('.tabs button'));
  var panels = Array.prototype.slice.call(document.querySelectorAll('section.panel'));
  function show(id) {
    panels.forEach(function (p) { p.classList.toggle('active', p.id === id); });
    tabs.forEach(function (b) { b.setAttribute('aria-selected', b.getAttribute('data-target') === id ? 'true' : 'false'); });
    if (window.history && history.replaceState) {
      try { history.replaceState(null, '', '#' + id); } catch (e) {}
    }
  }
  tabs.forEach(function (b) {
    b.addEventListener('click', function () { show(b.getAttribute('data-target')); });
  });
  document.addEventListener('keydown', function (e) {
    if (e.key !== 'ArrowLeft' && e.key !== 'ArrowRight') return;
    var i = -1;
    for (var k = 0; k < tabs.length; k++) {
      if (tabs[k].getAttribute('aria-selected') === 'true') { i = k; break; }
    }
    if (i < 0) return;
    var n = tabs.length;
    var next = tabs[e.key === 'ArrowLeft' ? (i - 1 + n) % n : (i + 1) % n];
    next.click();
    next.focus();
  });
  var wanted = location.hash.replace(/^#/, '');
  try { wanted = decodeURIComponent(wanted); } catch (e) {}
  var first = panels.filter(function (p) { return p.id === wanted; })[0] || panels[0];
  if (first) show(first.id);
})();
)js";

    juce::String twoDigitIndex (int index)
    {
        return juce::String (index).paddedLeft ('0', 2);
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
        juce::String rows;
        rows << htmlTableRow ("Length", formatReportLength (cue.lengthFrames, cue.sampleRate)
                                          + "  (" + juce::String (cue.lengthFrames) + " frames)", {})
             << htmlTableRow ("Sample rate", formatFixed (cue.sampleRate / 1000.0, 1) + " kHz", {})
             << htmlTableRow ("Channels", juce::String (cue.channels), {})
             << htmlTableRow ("Mix peak", linearDbText (cue.mixSamplePeak), {})
             << htmlTableRow ("Mix true peak", linearDbText (cue.mixTruePeak), {})
             << htmlTableRow ("Target", formatDbValue (cue.gain.targetDb, 2) + " dB", {})
             << htmlTableRow ("Global gain", formatDbValue (cue.gain.gainDb, 2) + " dB"
                                                + (cue.gain.heldByAttenuateOnly ? "   (held at 0 dB: attenuate only)" : ""), {})
             << htmlTableRow ("Predicted peak", formatDbValue (cue.gain.predictedDb, 2) + " dB", {})
             << htmlTableRow (cue.levelRemeasured ? "Measured after gain" : "After gain",
                              linearDbText (cue.afterGainTruePeak) + " true peak", {});

        if (cue.clippedSamples > 0)
            rows << htmlTableRow ("Clipping", juce::String (cue.clippedSamples) + " sample(s) at or above full scale", "bad");

        return "<h3>Levels</h3>\n<table class=\"data\">\n" + rows + "</table>\n";
    }

    juce::String reconstructionHtml (const ReconstructionResult& check)
    {
        juce::String cssClass = "muted";
        juce::String text = "not run";

        switch (check.state)
        {
            case ReconstructionResult::State::passed:  cssClass = "good";  text = "PASSED - " + check.detail;  break;
            case ReconstructionResult::State::failed:  cssClass = "bad";   text = "FAILED - " + check.detail;  break;
            case ReconstructionResult::State::skipped: cssClass = "muted"; text = "skipped - " + check.detail; break;
            case ReconstructionResult::State::notRun:
            default: break;
        }

        return "<h3>Reconstruction check</h3>\n<p class=\"" + cssClass + "\">" + htmlEscape (text) + "</p>\n";
    }

    juce::String stemTableHtml (const CueReport& cue)
    {
        juce::String html = "<table class=\"grid\">\n<thead><tr>"
                            "<th>#</th><th>Stem</th><th>Tracks</th><th>Peak before</th>"
                            "<th>Peak after</th><th>State</th></tr></thead>\n<tbody>\n";

        for (const auto& stem : cue.stems)
        {
            if (stem.empty || stem.skipped)
                continue;

            juce::String state = "written";
            juce::String cssClass;

            if (stem.digitalSilence)
            {
                state = "digital silence";
                cssClass = "warn";
            }
            else if (! stem.errors.isEmpty())
            {
                state = stem.errors.joinIntoString ("; ");
                cssClass = "bad";
            }

            html << "<tr" << (cssClass.isNotEmpty() ? " class=\"" + cssClass + "\"" : juce::String()) << ">"
                 << "<td>" << twoDigitIndex (stem.index) << "</td>"
                 << "<td>" << htmlEscape (stem.displayName) << "</td>"
                 << "<td>" << juce::String (stem.trackCount) << "</td>"
                 << "<td>" << formatDbValue (stem.peakBeforeDb, 2) << " dB</td>"
                 << "<td>" << formatDbValue (stem.peakAfterDb, 2) << " dB</td>"
                 << "<td>" << htmlEscape (state) << "</td></tr>\n";
        }

        return html + "</tbody></table>\n";
    }

    juce::String emptyStemNoteHtml (const CueReport& cue)
    {
        juce::StringArray items;

        for (const auto& stem : cue.stems)
            if (stem.empty || stem.skipped)
                items.add (htmlEscape (twoDigitIndex (stem.index) + " " + stem.displayName));

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
                 << "    <span class=\"file-name\">" << htmlEscape (written.file.getFileName()) << "</span>\n"
                 << "    <span class=\"file-meta\">" << htmlEscape (written.formatDescription)
                 << " &middot; " << sizeText (written.sizeBytes)
                 << (fullMix ? " &middot; full mix" : alternativeMix ? " &middot; alternative mix" : "")
                 << "</span>\n"
                 << "  </div>\n";

            if (drawWaveforms)
                html << "  " << waveformSvg (written.overview, juce::String (cueIndex) + "_" + juce::String ((int) j), written.kind)
                     << "\n";

            html << "</div>\n";
        }
    }

    void appendList (TextBuffer& html, const juce::StringArray& items)
    {
        for (const auto& item : items)
            html << "<li>" << htmlEscape (item) << "</li>\n";

        html << "</ul>\n";
    }

    void appendCueSection (TextBuffer& html, const CueReport& cue, int cueIndex,
                           const HtmlReportOptions& options, const juce::Time& when)
    {
        const bool problem = cue.needsAttention();

        html << "<section class=\"panel\" id=\"cue" << cueIndex << "\">\n"
             << "<div class=\"headline " << (problem ? "bad" : "good") << "\">"
             << htmlEscape (cue.labelText()) << " &mdash; " << cueStatusText (cue) << "</div>\n";

        if (cue.sourceFolder.isNotEmpty())
            html << "<p class=\"muted\">Source folder: " << htmlEscape (cue.sourceFolder) << "</p>\n";

        if (cue.outputFolder.getFullPathName().isNotEmpty())
            html << "<p class=\"muted path\">" << htmlEscape (cue.outputFolder.getFullPathName()) << "</p>\n";

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
            appendList (html, cue.unassignedTracks);
        }

        if (! cue.warnings.isEmpty())
        {
            html << "<h3>Warnings</h3>\n<ul class=\"warn\">\n";
            appendList (html, cue.warnings);
        }

        if (! cue.errors.isEmpty())
        {
            html << "<h3 class=\"bad\">Errors</h3>\n<ul class=\"bad\">\n";
            appendList (html, cue.errors);
        }

        if (options.includePlainTextLog)
            html << "<details><summary>Plain text log</summary><pre>" << htmlEscape (cue.toText (when))
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
         << "<style>" << styleSheet << "</style>\n"
         << "</head>\n<body>\n"
         << "<header>\n<h1>" << htmlEscape (title) << "</h1>\n"
         << "<div class=\"sub\">" << htmlEscape (reportDateTimeText (now));

    if (report.outputRoot.getFullPathName().isNotEmpty())
        html << " &middot; " << htmlEscape (report.outputRoot.getFullPathName());

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
             << " aria-selected=\"false\">" << htmlEscape (cue.labelText()) << "</button>\n";
    }

    html << "</div>\n";

    for (int i = 0; i < cueCount; ++i)
        appendCueSection (html, report.cues[(size_t) i], i, options, now);

    if (! report.runErrors.isEmpty())
    {
        html << "<h3 class=\"bad\">Run errors</h3>\n<ul class=\"bad\">\n";
        appendList (html, report.runErrors);
    }

    html << "</main>\n<footer>" << htmlEscape (reportProductName() + " " + reportVersion()) << "</footer>\n"
         << "<script>" << pageScript << "</script>\n</body>\n</html>\n";

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
