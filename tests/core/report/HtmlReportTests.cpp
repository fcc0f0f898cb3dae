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
        "<section class=\"panel\" id=\"cue0\">\n"
        "<div class=\"headline bad\">1M02 Chase &mdash; completed with problems</div>\n"
        "<p class=\"muted\">Source folder: Reel 1</p>\n"
        "<p class=\"muted path\">/out/1M02</p>\n"
        "<h3>Levels</h3>\n"
        "<table class=\"data\">\n"
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
        "</table>\n"
        "<h3>Reconstruction check</h3>\n"
        "<p class=\"bad\">FAILED - off by 1 dB</p>\n"
        "<h3>3 stems assigned &mdash; 1 empty stem</h3>\n"
        "<table class=\"grid\">\n"
        "<thead><tr><th>#</th><th>Stem</th><th>Tracks</th><th>Peak before</th><th>Peak after</th><th>State</th></tr></thead>\n"
        "<tbody>\n"
        "<tr><td>01</td><td>Strings</td><td>2</td><td>-8.00 dB</td><td>-6.00 dB</td><td>written</td></tr>\n"
        "<tr class=\"bad\"><td>02</td><td>Perc &amp; Drums</td><td>2</td><td>-3.00 dB</td><td>-1.00 dB</td>"
            "<td>&#39;a.wav&#39; is damaged.; &#39;b.wav&#39; is missing.</td></tr>\n"
        "<tr class=\"warn\"><td>03</td><td>Room</td><td>1</td><td>-inf dB</td><td>-inf dB</td><td>digital silence</td></tr>\n"
        "</tbody></table>\n"
        "<p class=\"note\"><b>Please note</b> - this stem was in the preset and had nothing assigned, "
            "so no file was produced for it:</p>\n"
        "<p class=\"muted\">04 Harp</p>\n"
        "<h3>Files written (3)</h3>\n"
        "<div class=\"file\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\">1M02_01_Strings.wav</span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1023 B</span>\n"
        "  </div>\n"
        "</div>\n"
        "<div class=\"file mix\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\">1M02_Mix.wav</span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1.0 kB &middot; full mix</span>\n"
        "  </div>\n"
        "</div>\n"
        "<div class=\"file submix\">\n"
        "  <div class=\"file-head\">\n"
        "    <span class=\"file-name\">1M02_Alt.wav</span>\n"
        "    <span class=\"file-meta\">WAV 24bit 48kHz 2ch &middot; 1.5 MB &middot; alternative mix</span>\n"
        "  </div>\n"
        "</div>\n"
        "<h3 class=\"bad\">Unassigned tracks (1)</h3>\n"
        "<ul class=\"bad\">\n"
        "<li>click &amp; count.wav</li>\n"
        "</ul>\n"
        "<h3>Warnings</h3>\n"
        "<ul class=\"warn\">\n"
        "<li>A &lt;loud&gt; warning.</li>\n"
        "</ul>\n"
        "<h3 class=\"bad\">Errors</h3>\n"
        "<ul class=\"bad\">\n"
        "<li>An error.</li>\n"
        "</ul>\n"
        "</section>\n");
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

    EXPECT_TRUE (page.contains ("<button role=\"tab\" data-target=\"cue0\" aria-selected=\"false\">" + escaped + "</button>\n"));
    EXPECT_TRUE (page.contains ("<div class=\"headline good\">" + escaped + " &mdash; delivered</div>\n"));
    EXPECT_TRUE (page.contains ("<pre>Velvane 0.95.0 render report\n"));
    EXPECT_TRUE (page.contains ("\nCue: " + escaped + "   (Act 1/Main Title)\n"));
    EXPECT_TRUE (page.contains (" &middot; /deliveries/&lt;odd&gt; &amp; &#39;folder&#39;</div>\n"));
    EXPECT_FALSE (page.contains ("<Cue>"));
    EXPECT_FALSE (page.contains ("<odd>"));
    EXPECT_FALSE (page.containsChar ('\r'));
}

TEST (HtmlReport, HeadlineStatusAndTabFollowTheCuesOutcome)
{
    using State = ReconstructionResult::State;

    struct Case { bool completed; bool cancelled; bool error; State check; const char* headline; bool problem; };
    const Case cases[] {
        { true,  false, false, State::passed,  "<div class=\"headline good\">Delivery &mdash; delivered</div>", false },
        { true,  false, false, State::skipped, "<div class=\"headline good\">Delivery &mdash; delivered</div>", false },
        { true,  false, true,  State::passed,  "<div class=\"headline bad\">Delivery &mdash; completed with problems</div>", true },
        { true,  false, false, State::failed,  "<div class=\"headline bad\">Delivery &mdash; completed with problems</div>", true },
        { false, true,  false, State::notRun,  "<div class=\"headline bad\">Delivery &mdash; cancelled</div>", true },
        { true,  true,  false, State::passed,  "<div class=\"headline bad\">Delivery &mdash; cancelled</div>", true },
        { false, false, false, State::notRun,  "<div class=\"headline bad\">Delivery &mdash; failed</div>", true },
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
    EXPECT_TRUE (page.contains ("<header>\n<h1>Velvane render report</h1>\n"));
    EXPECT_TRUE (page.contains ("<div class=\"card\"><div class=\"n\">2</div><div class=\"l\">cues</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">4</div><div class=\"l\">files written</div></div>\n"
                                "<div class=\"card bad\"><div class=\"n\">1</div><div class=\"l\">need attention</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">20.1 s</div><div class=\"l\">elapsed</div></div>\n"
                                "<div class=\"card\"><div class=\"n\">-1.50 dB</div><div class=\"l\">shared gain</div></div>\n"
                                "</div>\n"
                                "<p class=\"bad\">The run was cancelled. Files already written are complete; nothing was left half-written.</p>\n"
                                "</header>\n<main>\n"));
    EXPECT_TRUE (page.contains ("<h3 class=\"bad\">Run errors</h3>\n<ul class=\"bad\">\n<li>The output folder filled up.</li>\n</ul>\n"
                                "</main>\n<footer>Velvane 0.95.0</footer>\n<script>"));
    EXPECT_EQ (page.indexOf ("<section"), page.indexOf ("<section class=\"panel\" id=\"cue0\">"));
    EXPECT_TRUE (page.contains ("<section class=\"panel\" id=\"cue1\">"));
    EXPECT_TRUE (page.contains ("  <div class=\"wave-empty\">no waveform</div>\n</div>\n"));
    EXPECT_TRUE (page.contains ("<details><summary>Plain text log</summary><pre>"));

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
    EXPECT_TRUE (text.contains (juce::String::fromUTF8 (">Gr\xc3\xbc\xc3\x9f" "e</button>")));
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
