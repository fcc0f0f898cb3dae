#include "core/report/HtmlReport.h"

#include "ReportFixtures.h"
#include "core/audio/AudioTestFiles.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    // The text from the first occurrence of `from` up to and including `to`.
    juce::String between (const juce::String& text, const juce::String& from, const juce::String& to)
    {
        const auto start = text.indexOf (from);

        if (start < 0)
            return {};

        const auto end = text.indexOf (start, to);
        return end < 0 ? juce::String() : text.substring (start, end + to.length());
    }

    HtmlReportOptions withoutExtras()
    {
        HtmlReportOptions options;
        options.includeWaveforms = false;
        options.includePlainTextLog = false;
        return options;
    }

    WaveformOverview overviewOf (std::vector<float> minima, std::vector<float> maxima, float peak)
    {
        WaveformOverview overview;
        overview.minima = std::move (minima);
        overview.maxima = std::move (maxima);
        overview.peak = peak;
        overview.sampleRate = 48000.0;
        overview.numChannels = 2;
        return overview;
    }

    // A completed cue whose reconstruction check failed, with every kind of stem row and file.
    CueReport chaseCue()
    {
        CueReport cue;
        cue.completed = true;
        cue.cueName = "1M02 Chase";
        cue.sourceFolder = "Reel 1";
        cue.outputFolder = juce::File ("/out/1M02");
        cue.lengthFrames = 96000;
        cue.sampleRate = 48000.0;
        cue.channels = 2;
        cue.mixSamplePeak = 0.0;
        cue.mixTruePeak = 0.5;
        cue.gain.targetDb = -1.0;
        cue.gain.gainDb = 0.0;
        cue.gain.heldByAttenuateOnly = true;
        cue.clippedSamples = 12;

        auto strings = stemResult (1, "Strings", 2, -6.0);
        strings.peakBeforeDb = -8.0;
        auto percussion = stemResult (2, "Perc & Drums", 2, -1.0);
        percussion.peakBeforeDb = -3.0;
        percussion.errors.add ("'a.wav' is damaged.");
        percussion.errors.add ("'b.wav' is missing.");
        auto room = stemResult (3, "Room", 1, -400.0);
        room.digitalSilence = true;
        cue.stems = { strings, percussion, room, stemResult (4, "Harp", 0, -400.0) };

        cue.files.push_back (writtenFile ("/out/1M02/1M02_01_Strings.wav", FileKind::stem, "WAV 24bit 48kHz 2ch", 1023));
        cue.files.back().clippedSamples = 345;
        cue.files.push_back (writtenFile ("/out/1M02/1M02_Mix.wav", FileKind::fullMix, "WAV 24bit 48kHz 2ch", 1024));
        cue.files.push_back (writtenFile ("/out/1M02/1M02_Alt.wav", FileKind::alternativeMix, "WAV 24bit 48kHz 2ch", 1572864));

        cue.unassignedTracks.add ("click & count.wav");
        cue.warnings.add ("A <loud> warning.");
        cue.errors.add ("An error.");
        cue.reconstruction.state = ReconstructionResult::State::failed;
        cue.reconstruction.detail = "off by 1 dB";
        return cue;
    }
}

TEST (HtmlEscape, EscapesMarkupAndDropsControlCharacters)
{
    struct Case { juce::String in; juce::String out; };
    const Case cases[] {
        { "<b>Cue</b>",           "&lt;b&gt;Cue&lt;/b&gt;" },
        { "Salt & \"Pepper\"",    "Salt &amp; &quot;Pepper&quot;" },
        { "Composer's cut",       "Composer&#39;s cut" },
        { "&amp;",                "&amp;amp;" },
        { "a\r\nb\tc\x01" "d\x1f", "a\nb\tcd" },
        { juce::String::fromUTF8 ("Gr\xc3\xbc\xc3\x9f" "e \xe2\x99\xaa"), juce::String::fromUTF8 ("Gr\xc3\xbc\xc3\x9f" "e \xe2\x99\xaa") },
        { "",                     "" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (htmlEscape (c.in), c.out) << c.in;
}

TEST (HtmlReport, CueSectionHoldsLevelsCheckStemsNoteAndFiles)
{
    BatchReport batch;
    batch.cues.push_back (chaseCue());

    const auto section = between (buildHtmlReport (batch, withoutExtras()), "<section", "</section>\n");

    EXPECT_EQ (section,
        "<section class=\"panel\" data-panel=\"cue0\">\n"
        "<div class=\"headline bad\"><bdi>1M02 Chase</bdi> &mdash; completed with problems</div>\n"
        "<p class=\"muted\">Source folder: <bdi>Reel 1</bdi></p>\n"
        "<p class=\"muted path\"><bdi>/out/1M02</bdi></p>\n"
        "<h3>Levels</h3>\n"
        "<div class=\"table-box\"><table class=\"data\">\n"
        "<tr><th>Length</th><td>0:02  (96000 frames)</td></tr>\n"
        "<tr><th>Sample rate</th><td>48.0 kHz</td></tr>\n"
        "<tr><th>Channels</th><td>2</td></tr>\n"
        "<tr><th>Mix peak</th><td>-inf dB</td></tr>\n"
        "<tr><th>Mix true peak</th><td>-6.02 dB</td></tr>\n"
        "<tr><th>Target</th><td>-1.00 dB</td></tr>\n"
        "<tr><th>Global gain</th><td>0.00 dB   (held at 0 dB: attenuate only)</td></tr>\n"
        "<tr><th>Predicted peak</th><td>-inf dB</td></tr>\n"
        "<tr><th>After gain</th><td>-inf dB true peak</td></tr>\n"
        "<tr><th>Clipping</th><td class=\"bad\">12 sample(s) at or above full scale</td></tr>\n"
        "</table></div>\n"
        "<h3>Reconstruction check</h3>\n"
        "<p class=\"bad\">FAILED - <bdi>off by 1 dB</bdi></p>\n"
        "<h3>3 stems assigned &mdash; 1 empty stem</h3>\n"
        "<div class=\"table-box\"><table class=\"grid\">\n"
        "<thead><tr><th>#</th><th>Stem</th><th>Tracks</th><th>Peak before</th><th>Peak after</th><th>State</th></tr></thead>\n"
        "<tbody>\n"
        "<tr><td>01</td><td><bdi>Strings</bdi></td><td>2</td><td>-8.00 dB</td><td>-6.00 dB</td><td>written</td></tr>\n"
        "<tr class=\"bad\"><td>02</td><td><bdi>Perc &amp; Drums</bdi></td><td>2</td><td>-3.00 dB</td><td>-1.00 dB</td>"
            "<td><bdi>&#39;a.wav&#39; is damaged.; &#39;b.wav&#39; is missing.</bdi></td></tr>\n"
        "<tr class=\"warn\"><td>03</td><td><bdi>Room</bdi></td><td>1</td><td>-inf dB</td><td>-inf dB</td><td>digital silence</td></tr>\n"
        "</tbody></table></div>\n"
        "<p class=\"note\"><b>Please note</b> - this stem was in the preset and had nothing assigned, "
            "so no file was produced for it:</p>\n"
        "<p class=\"muted\"><bdi>Harp</bdi></p>\n"
        "<h3>Files written (3)</h3>\n"
        "<div class=\"file\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\"><bdi>1M02_01_Strings.wav</bdi></span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1023 B</span>\n"
        "    <span class=\"bad\">Clipping: 345 sample(s) at or above full scale</span>\n"
        "  </div>\n"
        "</div>\n"
        "<div class=\"file mix\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\"><bdi>1M02_Mix.wav</bdi></span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1.0 kB &middot; full mix</span>\n"
        "  </div>\n"
        "</div>\n"
        "<div class=\"file submix\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\"><bdi>1M02_Alt.wav</bdi></span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1.5 MB &middot; alternative mix</span>\n"
        "  </div>\n"
        "</div>\n"
        "<h3 class=\"bad\">Unassigned tracks (1)</h3>\n"
        "<ul class=\"bad\">\n"
        "<li><bdi>click &amp; count.wav</bdi></li>\n"
        "</ul>\n"
        "<h3>Warnings</h3>\n"
        "<ul class=\"warn\">\n"
        "<li><bdi>A &lt;loud&gt; warning.</bdi></li>\n"
        "</ul>\n"
        "<h3 class=\"bad\">Errors</h3>\n"
        "<ul class=\"bad\">\n"
        "<li><bdi>An error.</bdi></li>\n"
        "</ul>\n"
        "</section>\n");
}

TEST (HtmlReport, ACueThatStoppedEarlyClaimsNoFileItDidNotWriteAndLeavesUnmeasuredFiguresBlank)
{
    // Stems as a stop leaves them: written; measured but not written; failed while
    // reading; never reached; empty.
    auto written = stemResult (1, "Strings", 2, -6.0);
    written.measured = true;
    written.filesWritten = 1;
    auto measured = stemResult (2, "Brass", 1, -9.0);
    measured.measured = true;
    measured.filesWritten = 0;
    auto failed = stemResult (3, "Choir", 1, -400.0);
    failed.errors.add ("'choir.wav' is missing.");
    failed.filesWritten = 0;
    auto unreached = stemResult (4, "Harp", 1, -400.0);
    unreached.filesWritten = 0;

    struct Case
    {
        const char* what;
        bool completed, cancelled, levelsMeasured, afterGainKnown;
        juce::StringArray rows;
        const char* mixPeak;
        const char* afterGain;
    };

    const Case cases[] {
        // A stem without a file of this run has no number: the one it was planned to
        // carry may be on a file of an earlier delivery.
        { "failed before the mix was measured", false, false, false, false, {
            "<tr><td>01</td><td><bdi>Strings</bdi></td><td>2</td><td>-8.50 dB</td><td></td><td>written</td></tr>",
            "<tr class=\"muted\"><td></td><td><bdi>Brass</bdi></td><td>1</td><td>-11.50 dB</td><td></td><td>not written</td></tr>",
            "<tr class=\"bad\"><td></td><td><bdi>Choir</bdi></td><td>1</td><td></td><td></td><td>not written: <bdi>&#39;choir.wav&#39; is missing.</bdi></td></tr>",
            "<tr class=\"muted\"><td></td><td><bdi>Harp</bdi></td><td>1</td><td></td><td></td><td>not written</td></tr>" },
          "<tr><th>Mix peak</th><td></td></tr>", "<tr><th>After gain</th><td></td></tr>" },
        { "cancelled while writing", false, true, true, true, {
            "<tr><td>01</td><td><bdi>Strings</bdi></td><td>2</td><td>-8.50 dB</td><td>-6.00 dB</td><td>written</td></tr>",
            "<tr class=\"muted\"><td></td><td><bdi>Brass</bdi></td><td>1</td><td>-11.50 dB</td><td>-9.00 dB</td><td>not written</td></tr>",
            "<tr class=\"bad\"><td></td><td><bdi>Choir</bdi></td><td>1</td><td></td><td></td><td>not written: <bdi>&#39;choir.wav&#39; is missing.</bdi></td></tr>",
            "<tr class=\"muted\"><td></td><td><bdi>Harp</bdi></td><td>1</td><td></td><td></td><td>not written</td></tr>" },
          "<tr><th>Mix peak</th><td>-6.02 dB</td></tr>", "<tr><th>After gain</th><td>-inf dB true peak</td></tr>" },
        // A finished cue, which wrote all its stems, shows every figure and every stem as
        // written, whatever the flags.
        { "completed", true, false, false, false, {
            "<tr><td>01</td><td><bdi>Strings</bdi></td><td>2</td><td>-8.50 dB</td><td>-6.00 dB</td><td>written</td></tr>",
            "<tr><td>02</td><td><bdi>Brass</bdi></td><td>1</td><td>-11.50 dB</td><td>-9.00 dB</td><td>written</td></tr>",
            "<tr class=\"bad\"><td>03</td><td><bdi>Choir</bdi></td><td>1</td><td>-inf dB</td><td>-inf dB</td><td><bdi>&#39;choir.wav&#39; is missing.</bdi></td></tr>",
            "<tr><td>04</td><td><bdi>Harp</bdi></td><td>1</td><td>-inf dB</td><td>-inf dB</td><td>written</td></tr>" },
          "<tr><th>Mix peak</th><td>-6.02 dB</td></tr>", "<tr><th>After gain</th><td>-inf dB true peak</td></tr>" },
    };

    for (const auto& c : cases)
    {
        BatchReport batch;
        auto& cue = batch.cues.emplace_back();
        cue.completed = c.completed;
        cue.cancelled = c.cancelled;
        cue.levelsMeasured = c.levelsMeasured;
        cue.afterGainKnown = c.afterGainKnown;
        cue.mixSamplePeak = 0.5;
        cue.stems = { written, measured, failed, unreached, stemResult (5, "Organ", 0, -400.0) };

        if (c.completed)
            for (auto& stem : cue.stems)
                stem.filesWritten = stem.empty ? 0 : 1;

        const auto page = buildHtmlReport (batch, withoutExtras());

        // The counts describe the stems as planned.
        EXPECT_TRUE (page.contains ("<h3>4 stems assigned &mdash; 1 empty stem</h3>")) << c.what;

        for (const auto& row : c.rows)
            EXPECT_TRUE (page.contains (row + "\n")) << c.what << "\n" << row;

        EXPECT_TRUE (page.contains (c.mixPeak)) << c.what;
        EXPECT_TRUE (page.contains (c.afterGain)) << c.what;
        EXPECT_EQ (page.contains ("<tr><th>Global gain</th><td></td></tr>"), ! c.completed && ! c.levelsMeasured) << c.what;
    }
}

TEST (HtmlReport, EveryUserTextIsIsolatedAndSentencesLoseDirectionControls)
{
    // "x" + right-to-left override + "vaw.exe", which reads as "xexe.wav".
    const auto disguised = juce::String::fromUTF8 ("x\xe2\x80\xaevaw.exe");

    auto cue = chaseCue();
    cue.cueName = disguised;
    cue.sourceFolder = disguised;
    cue.outputFolder = juce::File ("/out/" + disguised);
    cue.stems[0].displayName = disguised;
    cue.stems[1].errors = { "'" + disguised + "' is damaged." };
    cue.stems[3].displayName = disguised;
    cue.files[0].file = juce::File ("/out/" + disguised + ".wav");
    cue.unassignedTracks = { disguised };
    cue.warnings = { "Stem '" + disguised + "' is silent." };
    cue.errors = { "'" + disguised + "' could not be read." };
    cue.reconstruction.detail = "'" + disguised + "' is off.";

    BatchReport batch;
    batch.cues.push_back (cue);
    batch.outputRoot = juce::File ("/out/" + disguised);
    batch.runErrors = { "'" + disguised + "' filled up." };

    HtmlReportOptions options;
    options.title = disguised;
    auto page = buildHtmlReport (batch, options);

    // The document title is plain text with nowhere to isolate it; the rest must be.
    page = page.replace ("<title>" + disguised + "</title>", "<title></title>");

    const auto override = (juce::juce_wchar) 0x202e;
    int names = 0;

    for (int at = page.indexOfChar (override); at >= 0; at = page.indexOfChar (at + 1, override), ++names)
    {
        const auto before = page.substring (0, at);
        EXPECT_GT (before.lastIndexOf ("<bdi>"), before.lastIndexOf ("</bdi>")) << "not isolated: "
            << page.substring (juce::jmax (0, at - 80), at + 20);
    }

    // Title, output root, tab, headline, source and output folder, two stem names, one
    // file name and the unassigned track; no sentence keeps the control.
    EXPECT_EQ (names, 10);

    for (const auto* sentence : { "<bdi>&#39;xvaw.exe&#39; is damaged.</bdi>", "<li><bdi>Stem &#39;xvaw.exe&#39; is silent.</bdi></li>",
                                  "<li><bdi>&#39;xvaw.exe&#39; could not be read.</bdi></li>", "FAILED - <bdi>&#39;xvaw.exe&#39; is off.</bdi>",
                                  "<li><bdi>&#39;xvaw.exe&#39; filled up.</bdi></li>", "\nCue: xvaw.exe   (xvaw.exe)\n" })
        EXPECT_TRUE (page.contains (sentence)) << sentence;
}

TEST (HtmlReport, FileSizesUseBytesKilobytesAndMegabytes)
{
    struct Case { juce::int64 bytes; const char* text; };
    const Case cases[] {
        { 0, "0 B" }, { 1023, "1023 B" }, { 1024, "1.0 kB" }, { 1536, "1.5 kB" },
        { 1048575, "1024.0 kB" }, { 1048576, "1.0 MB" }, { 1572864, "1.5 MB" },
        { 5368709120LL, "5120.0 MB" },
    };

    for (const auto& c : cases)
    {
        BatchReport batch;
        batch.cues.emplace_back();
        batch.cues[0].files.push_back (writtenFile ("/out/a.wav", FileKind::stem, "WAV", c.bytes));

        const auto page = buildHtmlReport (batch, withoutExtras());
        EXPECT_TRUE (page.contains ("<span class=\"file-meta\">WAV &middot; " + juce::String (c.text) + "</span>"))
            << c.bytes;
    }
}

TEST (HtmlReport, CueNamesWithMarkupAreEscapedInTabHeadlineAndLog)
{
    const juce::String name ("<Cue> & \"Co\" 's");
    const juce::String escaped ("&lt;Cue&gt; &amp; &quot;Co&quot; &#39;s");

    BatchReport batch;
    batch.cues.push_back (mainTitleCue());
    batch.cues[0].cueName = name;
    batch.outputRoot = juce::File ("/deliveries/<odd> & 'folder'");

    const auto page = buildHtmlReport (batch);

    EXPECT_TRUE (page.contains ("<button role=\"tab\" data-target=\"cue0\" aria-selected=\"false\"><bdi>" + escaped + "</bdi></button>\n"));
    EXPECT_TRUE (page.contains ("<div class=\"headline good\"><bdi>" + escaped + "</bdi> &mdash; delivered</div>\n"));
    EXPECT_TRUE (page.contains ("<pre><bdi>Velvane 0.95.0 render report\n"));
    EXPECT_TRUE (page.contains ("\nCue: " + escaped + "   (Act 1/Main Title)\n"));
    EXPECT_TRUE (page.contains (" &middot; <bdi>/deliveries/&lt;odd&gt; &amp; &#39;folder&#39;</bdi></div>\n"));
    EXPECT_FALSE (page.contains ("<Cue>"));
    EXPECT_FALSE (page.contains ("<odd>"));
    EXPECT_FALSE (page.containsChar ('\r'));
}

TEST (HtmlReport, HeadlineStatusAndTabFollowTheCuesOutcome)
{
    using State = ReconstructionResult::State;

    struct Case { bool completed; bool cancelled; bool error; State check; const char* headline; bool problem; };
    const Case cases[] {
        { true,  false, false, State::passed,  "<div class=\"headline good\"><bdi>Delivery</bdi> &mdash; delivered</div>", false },
        { true,  false, false, State::skipped, "<div class=\"headline good\"><bdi>Delivery</bdi> &mdash; delivered</div>", false },
        { true,  false, true,  State::passed,  "<div class=\"headline bad\"><bdi>Delivery</bdi> &mdash; completed with problems</div>", true },
        { true,  false, false, State::failed,  "<div class=\"headline bad\"><bdi>Delivery</bdi> &mdash; completed with problems</div>", true },
        { false, true,  false, State::notRun,  "<div class=\"headline bad\"><bdi>Delivery</bdi> &mdash; cancelled</div>", true },
        { true,  true,  false, State::passed,  "<div class=\"headline bad\"><bdi>Delivery</bdi> &mdash; cancelled</div>", true },
        { false, false, false, State::notRun,  "<div class=\"headline bad\"><bdi>Delivery</bdi> &mdash; failed</div>", true },
    };

    for (const auto& c : cases)
    {
        BatchReport batch;
        batch.cues.emplace_back();
        auto& cue = batch.cues[0];
        cue.completed = c.completed;
        cue.cancelled = c.cancelled;
        cue.reconstruction.state = c.check;

        if (c.error)
            cue.errors.add ("Broken.");

        const auto page = buildHtmlReport (batch, withoutExtras());
        EXPECT_TRUE (page.contains (c.headline)) << c.headline;
        EXPECT_EQ (page.contains ("data-target=\"cue0\" class=\"has-problem\" aria-selected"), c.problem) << c.headline;
        EXPECT_TRUE (page.contains (juce::String ("<div class=\"card") + (c.problem ? " bad" : "")
                                    + "\"><div class=\"n\">" + (c.problem ? "1" : "0") + "</div><div class=\"l\">need attention"));
    }
}

TEST (HtmlReport, PageFrameCardsAndOptions)
{
    auto batch = twoCueBatch();
    const auto page = buildHtmlReport (batch);

    EXPECT_TRUE (page.startsWith ("<!doctype html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"));
    EXPECT_TRUE (page.endsWith ("</script>\n</body>\n</html>\n"));
    EXPECT_TRUE (page.contains ("<title>Velvane render report</title>\n"));
    EXPECT_TRUE (page.contains ("<header>\n<h1><bdi>Velvane render report</bdi></h1>\n"));
    EXPECT_TRUE (page.contains ("<div class=\"card\"><div class=\"n\">2</div><div class=\"l\">cues</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">4</div><div class=\"l\">files written</div></div>\n"
                                "<div class=\"card bad\"><div class=\"n\">1</div><div class=\"l\">need attention</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">20.1 s</div><div class=\"l\">elapsed</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">-1.50 dB</div><div class=\"l\">shared gain</div></div>\n"
                                "</div>\n"
                                "<p class=\"bad\">The run was cancelled. Files already written are complete; nothing was left half-written.</p>\n"
                                "</header>\n<main>\n"));
    EXPECT_TRUE (page.contains ("<h3 class=\"bad\">Run errors</h3>\n<ul class=\"bad\">\n<li><bdi>The output folder filled up.</bdi></li>\n</ul>\n"
                                "</main>\n<footer>Velvane 0.95.0</footer>\n<script>"));
    EXPECT_EQ (page.indexOf ("<section"), page.indexOf ("<section class=\"panel\" data-panel=\"cue0\">"));
    EXPECT_TRUE (page.contains ("<section class=\"panel\" data-panel=\"cue1\">"));
    EXPECT_TRUE (page.contains ("  <div class=\"wave-empty\">no waveform</div>\n</div>\n"));
    EXPECT_TRUE (page.contains ("<details><summary>Plain text log</summary><pre>"));

    // Nothing moves the page while it opens: no panel has an id that the address's
    // fragment could make the browser scroll to (the browser test reads the address).
    EXPECT_FALSE (page.contains ("id=\"cue"));

    const auto bare = buildHtmlReport (batch, withoutExtras());
    EXPECT_FALSE (bare.contains ("<svg") || bare.contains ("wave-empty"));
    EXPECT_FALSE (bare.contains ("<details>"));

    HtmlReportOptions titled;
    titled.title = "Score & Stems";
    EXPECT_TRUE (buildHtmlReport (batch, titled).contains ("<title>Score &amp; Stems</title>"));

    const auto empty = buildHtmlReport (BatchReport());
    EXPECT_TRUE (empty.contains ("<div class=\"card\"><div class=\"n\">0</div><div class=\"l\">cues</div></div>\n"));
    EXPECT_TRUE (empty.contains ("<div class=\"tabs\" role=\"tablist\">\n</div>\n</main>\n"));
    EXPECT_FALSE (empty.contains ("<section"));
}

TEST (HtmlReport, WaveformOfOneBucketIsOneFlatStepEachWay)
{
    const auto svg = waveformSvg (overviewOf ({ -0.5f }, { 0.5f }, 0.5f), "0_3", FileKind::fullMix);

    EXPECT_EQ (svg,
        "<svg class=\"wave\" viewBox=\"0 0 1 90\" preserveAspectRatio=\"none\" role=\"img\" aria-label=\"waveform\">\n"
        "  <defs><linearGradient id=\"grad0_3\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
        "<stop offset=\"0%\" stop-color=\"#7fb2d9\"/><stop offset=\"100%\" stop-color=\"#3f6d92\"/></linearGradient></defs>\n"
        "  <line x1=\"0\" y1=\"45.0\" x2=\"1\" y2=\"45.0\" class=\"wave-axis\"/>\n"
        "  <path d=\"M0 3.6 L0 3.6 L1 3.6 L1 86.4 L0 86.4 Z\" fill=\"url(#grad0_3)\" opacity=\"0.85\"/>\n"
        "  <path d=\"M0 3.6 L0 3.6 L1 3.6 \" fill=\"none\" stroke=\"#cfe4f5\" stroke-width=\"1\"/>\n"
        "</svg>\n");
}

TEST (HtmlReport, WaveformScalesClampsAndHandlesSilenceAndEmptiness)
{
    struct Case { WaveformOverview overview; const char* outline; };
    const Case cases[] {
        // A bucket louder than the stated peak is held at the edge.
        { overviewOf ({ -0.25f, -1.0f }, { 0.25f, 1.0f }, 0.5f),
          "<path d=\"M0 24.3 L0 24.3 L1 24.3 L1 0.0 L2 0.0 \" fill=\"none\"" },
        // A peak of 0 draws the axis.
        { overviewOf ({ -0.3f, -0.1f }, { 0.3f, 0.1f }, 0.0f),
          "<path d=\"M0 45.0 L0 45.0 L1 45.0 L1 45.0 L2 45.0 L2 45.0 L1 45.0 L1 45.0 L0 45.0 Z\"" },
        // Lists of different lengths draw what both hold.
        { overviewOf ({ -0.5f }, { 0.5f, 0.5f }, 0.5f), "viewBox=\"0 0 1 90\"" },
    };

    for (const auto& c : cases)
        EXPECT_TRUE (waveformSvg (c.overview, "1_0", FileKind::stem).contains (c.outline)) << c.outline;

    EXPECT_EQ (waveformSvg (WaveformOverview(), "1_0", FileKind::stem), "<div class=\"wave-empty\">no waveform</div>");
}

TEST (HtmlReport, WaveformColoursComeFromTheKindTable)
{
    const auto saved = fileKindColours (FileKind::alternativeMix);
    setFileKindColours (FileKind::alternativeMix, { 0x80012345, 0xff0000ab, 0x00fedcba });

    const auto svg = waveformSvg (overviewOf ({ -0.5f }, { 0.5f }, 0.5f), "2_1", FileKind::alternativeMix);
    setFileKindColours (FileKind::alternativeMix, saved);

    EXPECT_TRUE (svg.contains ("stop-color=\"#012345\"/><stop offset=\"100%\" stop-color=\"#0000ab\"/>"));
    EXPECT_TRUE (svg.contains ("stroke=\"#fedcba\""));
    EXPECT_TRUE (svg.contains ("id=\"grad2_1\"") && svg.contains ("url(#grad2_1)"));
}

TEST (HtmlReport, FileNameComesFromTheCueOrTheOutputFolder)
{
    CueReport named;
    named.cueName = "Cue 1";
    CueReport awkward;
    awkward.cueName = "1M01: \"Opening\"?";

    struct Case { std::vector<CueReport> cues; juce::File root; const char* name; };
    const Case cases[] {
        { { named }, juce::File ("/x/Film Score"), "Velvane report - Cue 1.html" },
        { { named, named, named }, juce::File ("/x/Film Score"), "Velvane report - Film Score.html" },
        { { CueReport() }, juce::File ("/x/Film Score"), "Velvane report - Film Score.html" },
        { { awkward }, juce::File(), "Velvane report - 1M01- -Opening--.html" },
        { {}, juce::File(), "Velvane report.html" },
        { {}, juce::File ("/"), "Velvane report.html" },
    };

    for (const auto& c : cases)
    {
        BatchReport batch;
        batch.cues = c.cues;
        batch.outputRoot = c.root;
        EXPECT_EQ (reportFileName (batch), c.name);
    }

    BatchReport longName;
    longName.cues.push_back (named);
    longName.cues[0].cueName = juce::String::repeatedString ("x", 200);
    EXPECT_EQ (reportFileName (longName), "Velvane report - " + juce::String::repeatedString ("x", 73) + ".html");
}

TEST (HtmlReport, WritesThroughTheSafeWriter)
{
    TempFolder temp;
    auto batch = twoCueBatch();
    batch.cues[0].cueName = juce::String::fromUTF8 ("Gr\xc3\xbc\xc3\x9f" "e");

    const auto target = temp.file ("reports/new/" + reportFileName (batch));
    juce::String error ("left over");

    ASSERT_TRUE (writeHtmlReport (batch, target, error));
    EXPECT_TRUE (error.isEmpty());

    juce::MemoryBlock bytes;
    ASSERT_TRUE (target.loadFileAsData (bytes));
    const juce::String text = juce::String::fromUTF8 ((const char*) bytes.getData(), (int) bytes.getSize());
    EXPECT_TRUE (text.startsWith ("<!doctype html>\n"));
    EXPECT_TRUE (text.endsWith ("</html>\n"));
    EXPECT_FALSE (text.containsChar ('\r'));
    EXPECT_TRUE (text.contains (juce::String::fromUTF8 (">Gr\xc3\xbc\xc3\x9f" "e</bdi></button>")));
    EXPECT_EQ (target.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 1);

    // A target that cannot be replaced keeps what it holds and leaves no temporary file.
    const auto blocked = temp.file ("blocked.html");
    blocked.getChildFile ("inside.txt").create();
    EXPECT_FALSE (writeHtmlReport (batch, blocked, error));
    EXPECT_EQ (error, "Could not replace '" + blocked.getFullPathName() + "'.");
    EXPECT_TRUE (blocked.getChildFile ("inside.txt").existsAsFile());
    EXPECT_EQ (temp.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 2);

    const auto tooLong = temp.file (juce::String::repeatedString ("r", 250) + ".html");
    EXPECT_FALSE (writeHtmlReport (batch, tooLong, error));
    EXPECT_EQ (error, "The destination path is too long.");
    EXPECT_FALSE (tooLong.exists());
}
