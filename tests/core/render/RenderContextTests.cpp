#include "RenderTestSupport.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioTestFiles.h"
#include "core/audio/ExpectedResidual.h"
#include "core/audio/ForeignAudioFiles.h"
#include "core/audio/PeakLevels.h"
#include "core/render/RenderContext.h"
#include "core/render/RenderMemory.h"
#include "core/report/HtmlReport.h"
#include "core/report/ReportText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace korvid
{
namespace
{

using namespace rendertest;
using Phase = RenderJob::Phase;
using State = ReconstructionResult::State;

constexpr int second = 48000;

struct CueRenderTest : ::testing::Test
{
    test::TempFolder temp;

    juce::File sourceFile (const juce::String& name) const { return temp.folder.getChildFile ("Source").getChildFile (name); }
    juce::File output() const { return temp.folder.getChildFile ("Out"); }

    juce::File writeTrack (const juce::String& name, const juce::AudioBuffer<float>& samples)
    {
        const auto file = sourceFile (name);
        writeWav (file, samples);
        return file;
    }

    // One noise track per stem, named after the stem, each with its own seed.
    std::vector<Track> noiseTracks (const juce::StringArray& stemNames, int frames = second, float amplitude = 0.2f)
    {
        std::vector<Track> tracks;

        for (int i = 0; i < stemNames.size(); ++i)
            tracks.push_back (makeTrack (writeTrack (stemNames[i] + ".wav", makeNoise (2, frames, amplitude, 100 + i)),
                                         "stem-" + stemNames[i]));

        return tracks;
    }

    static CueReport render (const RenderRequest& request, CancelTest cancel = {}, ProgressLog* log = nullptr)
    {
        RenderContext context (request, std::move (cancel), log != nullptr ? log->callback() : nullptr);
        return context.run();
    }

    static const StemResult* stemNamed (const CueReport& report, const juce::String& name)
    {
        for (const auto& stem : report.stems)
            if (stem.displayName == name)
                return &stem;

        return nullptr;
    }
};

//==============================================================================
TEST_F (CueRenderTest, ProgressFollowsTheStepsOfARender)
{
    const auto preset = makeRenderPreset ({ "Drums", "Bass" });
    const auto request = planRequest (preset, noiseTracks ({ "Drums", "Bass" }), output());

    ProgressLog log;
    const auto report = render (request, {}, &log);
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    const std::vector<ProgressEntry> expected {
        { 0.02, "Summing Drums...", Phase::summing },
        { 0.235, "Summing Bass...", Phase::summing },
        { 0.46, "Measuring the mix...", Phase::measuring },
        { 0.48, "Writing Drums...", Phase::writing },
        { 0.69, "Writing Bass...", Phase::writing },
        { 0.90, "Writing the full mix...", Phase::writing },
        { 0.93, "Verifying that the stems reconstruct the mix...", Phase::verifying },
        { 0.99, "Verification finished.", Phase::verifying },
        { 1.0, "Finished.", Phase::finished },
    };

    const auto seen = log.entries();
    ASSERT_EQ (seen.size(), expected.size()) << log.texts().joinIntoString ("\n");

    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_NEAR (seen[i].fraction, expected[i].fraction, 1e-9) << i;
        EXPECT_EQ (seen[i].text, expected[i].text);
        EXPECT_EQ (seen[i].phase, expected[i].phase) << expected[i].text;
    }

    EXPECT_EQ (report.reconstruction.state, State::passed) << report.reconstruction.detail;
    EXPECT_EQ (report.reconstruction.stemFilesCompared, 2);
}

TEST_F (CueRenderTest, ProgressNamesOnlyTheStemsThatAreSummed)
{
    // Choir has no track in this cue: an analysis never says it sums it.
    const auto preset = makeRenderPreset ({ "Drums", "Choir", "Bass" });
    const auto request = planRequest (preset, noiseTracks ({ "Drums", "Bass" }), output(), "Cue", true);

    ProgressLog log;
    const auto report = render (request, {}, &log);
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    const juce::StringArray expected { "Summing Drums...", "Summing Bass...", "Measuring the mix...", "Finished." };
    EXPECT_EQ (log.texts(), expected);
}

TEST_F (CueRenderTest, AnalysisMeasuresWithoutWritingAndFailsOnlyOnErrors)
{
    const auto preset = makeRenderPreset ({ "Drums" });
    const auto tracks = noiseTracks ({ "Drums" });

    auto request = planRequest (preset, tracks, output(), "Cue", true);
    request.unassignedTracks.add ("stray.wav");   // a warning-worthy cue still completes

    auto report = render (request);
    EXPECT_TRUE (report.completed);
    EXPECT_TRUE (report.files.empty());
    EXPECT_EQ (report.reconstruction.state, State::notRun);
    EXPECT_GT (report.mixSamplePeak, 0.1);
    EXPECT_TRUE (listFiles (output()).isEmpty());

    tracks.front().file.deleteFile();
    report = render (request);
    EXPECT_FALSE (report.completed);
    ASSERT_EQ (report.errors.size(), 1);
    EXPECT_TRUE (report.errors[0].startsWith ("Drums: Drums.wav: ")) << report.errors[0];
    ASSERT_EQ (report.stems.size(), 1u);
    EXPECT_EQ (report.stems[0].errors.size(), 1);
}

TEST_F (CueRenderTest, AFailedValidationEndsTheCueWithItsMessagesOnly)
{
    RenderRequest request;
    request.preset = makeRenderPreset ({});
    request.outputFolder = output();

    ProgressLog log;
    const auto report = render (request, {}, &log);

    EXPECT_FALSE (report.completed);
    EXPECT_TRUE (report.errors.contains ("This preset has no stems, so there is nothing to deliver. "
                                         "Add the stems your publisher asks for in step 2."));
    EXPECT_TRUE (report.stems.empty());
    EXPECT_TRUE (report.files.empty());
    ASSERT_EQ (log.entries().size(), 1u);
    EXPECT_EQ (log.entries()[0].fraction, 1.0);
    EXPECT_EQ (log.entries()[0].text, "Finished.");
}

TEST_F (CueRenderTest, ADigitallySilentStemIsFlaggedAndStillWritten)
{
    const auto preset = makeRenderPreset ({ "Drums", "Pads" });
    juce::AudioBuffer<float> silence (2, second);
    silence.clear();

    auto tracks = noiseTracks ({ "Drums" });
    tracks.push_back (makeTrack (writeTrack ("Pads.wav", silence), "stem-Pads"));

    const auto report = render (planRequest (preset, tracks, output()));

    const auto* pads = stemNamed (report, "Pads");
    ASSERT_NE (pads, nullptr);
    EXPECT_TRUE (pads->digitalSilence);
    EXPECT_EQ (pads->peakBeforeDb, -400.0);
    EXPECT_EQ (pads->peakAfterDb, -400.0);
    EXPECT_TRUE (report.warnings.contains ("Stem 'Pads' has tracks assigned but is digital silence."));
    EXPECT_TRUE (output().getChildFile ("STEMS/PRJ_02_Pads.wav").existsAsFile())
        << listFiles (output()).joinIntoString ("\n");
    EXPECT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
}

TEST_F (CueRenderTest, EmptyStemsFollowTheirPolicy)
{
    struct Case
    {
        EmptyPolicy policy;
        bool completed;
        juce::StringArray files;
        juce::StringArray writing;   // the progress texts while writing: only stems that write a file are named
    };

    const std::vector<Case> cases {
        { EmptyPolicy::skip, true, { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Bass.wav" },
          { "Writing Drums...", "Writing Bass...", "Writing the full mix..." } },
        { EmptyPolicy::exportSilence, true,
          { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Choir.wav", "STEMS/PRJ_03_Bass.wav" },
          { "Writing Drums...", "Writing Choir...", "Writing Bass...", "Writing the full mix..." } },
        // The request check already refuses it, before anything is written.
        { EmptyPolicy::failExport, false, {}, {} },
    };

    const auto tracks = noiseTracks ({ "Drums", "Bass" });

    for (const auto& c : cases)
    {
        SCOPED_TRACE ((int) c.policy);
        output().deleteRecursively();

        auto preset = makeRenderPreset ({ "Drums", "Choir", "Bass" });
        preset.exportSettings.emptyStemPolicy = c.policy;
        auto request = makeRenderRequest (preset, tracks, output(), false).request;

        ProgressLog log;
        const auto report = render (request, {}, &log);
        EXPECT_EQ (report.completed, c.completed) << report.errors.joinIntoString ("\n");
        EXPECT_EQ (listFiles (output()), c.files);

        juce::StringArray writing;

        for (const auto& text : log.texts())
            if (text.startsWith ("Writing "))
                writing.add (text);

        EXPECT_EQ (writing, c.writing) << log.texts().joinIntoString ("\n");

        if (c.policy == EmptyPolicy::failExport)
        {
            EXPECT_TRUE (report.errors.contains ("Stem 'Choir' is empty and the preset says that is an error."));
        }

        if (c.policy == EmptyPolicy::skip)
        {
            EXPECT_TRUE (stemNamed (report, "Choir")->skipped);
        }

        if (c.policy == EmptyPolicy::exportSilence)
        {
            const auto choir = readBack (output().getChildFile ("STEMS/PRJ_02_Choir.wav"));
            EXPECT_EQ (choir.getNumSamples(), second);
            EXPECT_LT (samplePeak (choir), 1.0e-6) << "silence, apart from the dither fading out";
            EXPECT_EQ (report.reconstruction.state, State::passed) << report.reconstruction.detail;
        }
    }
}

TEST_F (CueRenderTest, BothReportsNumberAStemOnlyWithTheNumberItsFileCarries)
{
    // Choir, in the middle, has no track: skipped it writes nothing and so carries no
    // number; written as silence it carries its file's.
    struct Case
    {
        const char* what;
        Numbering numbering;
        EmptyPolicy policy;
        juce::StringArray files;
        juce::StringArray stemRows;   // number and name of each stem with tracks
        juce::String choir;           // Choir as the note lists it
    };

    const Case cases[] {
        { "consecutive, skipped", Numbering::consecutiveExported, EmptyPolicy::skip,
          { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Bass.wav" }, { "01 Drums", "02 Bass" }, "Choir" },
        { "schema index, skipped", Numbering::schemaIndex, EmptyPolicy::skip,
          { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_03_Bass.wav" }, { "01 Drums", "03 Bass" }, "Choir" },
        { "consecutive, silence", Numbering::consecutiveExported, EmptyPolicy::exportSilence,
          { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Choir.wav", "STEMS/PRJ_03_Bass.wav" },
          { "01 Drums", "03 Bass" }, "02 Choir" },
        { "schema index, silence", Numbering::schemaIndex, EmptyPolicy::exportSilence,
          { "PRJ_Full Mix.wav", "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Choir.wav", "STEMS/PRJ_03_Bass.wav" },
          { "01 Drums", "03 Bass" }, "02 Choir" },
    };

    const auto tracks = noiseTracks ({ "Drums", "Bass" });

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        output().deleteRecursively();

        auto preset = makeRenderPreset ({ "Drums", "Choir", "Bass" });
        preset.exportSettings.emptyStemPolicy = c.policy;
        preset.exportSettings.naming.numbering = c.numbering;

        const auto report = render (planRequest (preset, tracks, output()));
        ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
        ASSERT_EQ (listFiles (output()), c.files);

        BatchReport batch;
        batch.cues.push_back (report);
        const auto html = buildHtmlReport (batch);
        const auto text = report.toText();
        const auto lines = juce::StringArray::fromLines (text.removeCharacters ("\r"));

        for (const auto& row : c.stemRows)
        {
            const auto number = row.upToFirstOccurrenceOf (" ", false, false);
            const auto name = row.fromFirstOccurrenceOf (" ", false, false);
            EXPECT_TRUE (html.contains ("<td>" + number + "</td><td><bdi>" + name + "</bdi></td>")) << row;
            EXPECT_TRUE (std::any_of (lines.begin(), lines.end(), [&] (const juce::String& line)
                                      { return line.startsWith ("  " + number + "  " + name + " "); }))
                << row << "\n" << text;
        }

        const auto note = lines.indexOf ("Please note - these stems were in the preset and had nothing assigned:");
        ASSERT_GE (note, 0) << text;
        EXPECT_EQ (lines[note + 1], "  " + c.choir);
        EXPECT_EQ (lines[note + 2], "");

        // The HTML note says no file was produced, so it names only a stem that has none.
        if (c.policy == EmptyPolicy::skip)
            EXPECT_TRUE (html.contains ("<p class=\"muted\"><bdi>Choir</bdi></p>\n")) << html;
        else
            EXPECT_FALSE (html.contains ("no file was produced")) << html;
    }
}

TEST_F (CueRenderTest, BothReportsOfACueStoppedAfterItsFirstStemNumberOnlyThatStem)
{
    // Rendered again over an earlier delivery: its files 02 to 05 are still in the folder,
    // so a number on a stem this run did not write would point at one of them.
    enum class Stop { cancelled, takeChanged, writeFailed };

    struct Case
    {
        const char* what;
        Stop stop;
    };

    const Case cases[] {
        { "cancelled before the second stem", Stop::cancelled },
        { "a take changed since it was summed", Stop::takeChanged },
        { "the second stem's file could not be written", Stop::writeFailed },
    };

    const juce::StringArray names { "Drums", "Brass", "Strings", "Piano", "Bass" };
    auto preset = makeRenderPreset (names);
    preset.exportSettings.naming.collisionPolicy = CollisionPolicy::overwrite;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        output().deleteRecursively();

        const auto tracks = noiseTracks (names);
        const auto request = planRequest (preset, tracks, output());
        ASSERT_TRUE (render (request).completed);
        ASSERT_TRUE (output().getChildFile ("STEMS/PRJ_05_Bass.wav").existsAsFile());

        if (c.stop == Stop::writeFailed)
        {
            const auto brass = output().getChildFile ("STEMS/PRJ_02_Brass.wav");
            ASSERT_TRUE (brass.deleteFile() && brass.createDirectory());
        }

        std::atomic<bool> stop { false };
        RenderContext stopped (request, [&] { return stop.load(); },
                               [&] (double, const juce::String& text, Phase)
                               {
                                   if (c.stop == Stop::cancelled && text == "Writing Brass...")
                                       stop = true;

                                   if (c.stop == Stop::takeChanged && text == "Measuring the mix...")
                                       writeWav (tracks[1].file, makeNoise (2, 3 * second / 2, 0.2f, 9));
                               });
        const auto report = stopped.run();

        ASSERT_FALSE (report.completed);
        EXPECT_EQ (report.cancelled, c.stop == Stop::cancelled);
        EXPECT_EQ (report.errors.isEmpty(), c.stop == Stop::cancelled) << report.errors.joinIntoString ("\n");
        ASSERT_EQ (report.files.size(), 1u);
        EXPECT_EQ (report.files[0].file, output().getChildFile ("STEMS/PRJ_01_Drums.wav"));

        BatchReport batch;
        batch.cues.push_back (report);
        const auto html = buildHtmlReport (batch);
        const auto text = report.toText();
        const auto lines = juce::StringArray::fromLines (text.removeCharacters ("\r"));

        // "  NN  Name ..." with the number's column two wide.
        const auto stemLine = [&lines] (const juce::String& name)
        {
            for (const auto& line : lines)
                if (line.contains (" track(s)  peak ") && line.substring (6).startsWith (name + " "))
                    return line;

            return juce::String();
        };

        // The written stem carries its file's number, as its file does.
        EXPECT_TRUE (stemLine ("Drums").startsWith ("  01  Drums ")) << text;
        EXPECT_FALSE (stemLine ("Drums").contains ("not written")) << text;
        EXPECT_TRUE (html.contains ("<tr><td>01</td><td><bdi>Drums</bdi></td>")) << html;

        for (int i = 1; i < names.size(); ++i)
        {
            SCOPED_TRACE (names[i]);
            const auto planned = juce::String (i + 1).paddedLeft ('0', 2);

            // In the number's column of the text, blanks; in the page, an empty cell.
            const auto line = stemLine (names[i]);
            EXPECT_TRUE (line.startsWith ("      " + names[i] + " ")) << text;
            EXPECT_TRUE (line.endsWith ("   not written")) << text;

            const auto row = html.fromFirstOccurrenceOf ("<td><bdi>" + names[i] + "</bdi></td>", true, false)
                                 .upToFirstOccurrenceOf ("</tr>", false, false);
            EXPECT_TRUE (html.contains ("><td></td><td><bdi>" + names[i] + "</bdi></td>")) << html;
            EXPECT_TRUE (row.contains ("<td>not written")) << row;

            // No line of either report carries the number it was planned to have.
            for (const auto& l : lines)
                EXPECT_FALSE (l.contains (planned + "  " + names[i]) || l.contains (planned + " " + names[i])) << l;

            EXPECT_FALSE (html.contains ("<td>" + planned + "</td>")) << html;
            EXPECT_FALSE (html.contains (planned + " <bdi>" + names[i])) << html;
            EXPECT_FALSE (html.contains (planned + "  " + names[i])) << "in the page's plain-text log";
        }
    }
}

TEST_F (CueRenderTest, AStartTrimCutsTheMixAndEveryStemAtOneCrossing)
{
    const auto preset = makeRenderPreset ({ "Drums", "Bass" });
    auto request = planRequest (preset, noiseTracks ({ "Drums", "Bass" }, 4 * second), output());
    request.trimStartSeconds = 2.5;

    const auto report = render (request);
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    const auto cut = (juce::int64) std::llround (report.trimmedSeconds * second);
    EXPECT_NEAR (report.trimmedSeconds, 2.5, 0.02);
    EXPECT_EQ (report.lengthFrames, 4 * second - cut);

    for (const auto& file : report.files)
    {
        const auto audio = readBack (file.file);
        EXPECT_EQ (audio.getNumSamples(), report.lengthFrames) << file.file.getFileName();
        EXPECT_LT (std::abs (audio.getSample (0, 0)), 1.0e-6) << "the fade-in starts at zero";
    }

    EXPECT_EQ (report.reconstruction.state, State::passed) << report.reconstruction.detail;
}

TEST_F (CueRenderTest, GatedTracksAreListedOnceAndSilentOnesWarned)
{
    auto preset = makeRenderPreset ({ "Drums", "Bass" });
    auto& gate = preset.exportSettings.silenceGate;
    gate.enabled = true;
    gate.thresholdDb = -60.0;
    gate.minimumSeconds = 0.25;

    auto gappy = makeNoise (2, 2 * second, 0.3f, 7);
    gappy.clear (second / 2, second);   // one second of silence in the middle
    juce::AudioBuffer<float> silence (2, 2 * second);
    silence.clear();

    const std::vector<Track> tracks { makeTrack (writeTrack ("Drums.wav", gappy), "stem-Drums"),
                                      makeTrack (writeTrack ("Bass quiet.wav", silence), "stem-Bass") };

    const auto report = render (planRequest (preset, tracks, output()));
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    ASSERT_EQ (report.gatedTracks.size(), 2u);
    EXPECT_EQ (report.gatedTracks[0].fileName, "Drums.wav");
    EXPECT_EQ (report.gatedTracks[0].stemName, "Drums");
    EXPECT_EQ (report.gatedTracks[0].gatedRuns, 1);
    EXPECT_NEAR (report.gatedTracks[0].lengthSeconds, 2.0, 1e-9);
    EXPECT_FALSE (report.gatedTracks[0].overview.minima.empty());
    EXPECT_TRUE (report.gatedTracks[1].wholeFileSilent);

    const auto warning = juce::String ("'Bass quiet.wav' was below the silence threshold from start to finish "
                                       "and is now digital silence.");
    EXPECT_EQ (std::count (report.warnings.begin(), report.warnings.end(), warning), 1);
}

TEST_F (CueRenderTest, AFixedGainIsAppliedAsGivenAndLevelsFollowIt)
{
    const auto preset = makeRenderPreset ({ "Strings" });
    const auto amplitude = (float) std::pow (10.0, -6.0 / 20.0);
    const std::vector<Track> tracks { makeTrack (writeTrack ("Strings.wav", makeLowSine (2, second, amplitude)),
                                                 "stem-Strings") };

    auto request = planRequest (preset, tracks, output());
    request.useFixedGain = true;
    request.fixedGainDb = -1.0;

    const auto report = render (request);
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

    EXPECT_EQ (report.gain.gainDb, -1.0);
    EXPECT_NEAR (report.gain.measuredDb, -6.0, 0.01);
    EXPECT_NEAR (report.gain.predictedDb, -7.0, 0.01);
    EXPECT_FALSE (report.gain.heldByAttenuateOnly);
    EXPECT_NEAR (report.stems[0].peakAfterDb, -7.0, 0.01);

    const auto& mixFile = report.files.back();
    ASSERT_EQ (mixFile.kind, FileKind::fullMix);
    EXPECT_NEAR (mixFile.levelDb, -7.0, 0.01);
    EXPECT_NEAR (linearPeakToDb (samplePeak (readBack (mixFile.file))), -7.0, 0.01);
}

TEST_F (CueRenderTest, ClippingIsWarnedAndEveryFileStillWritten)
{
    const auto preset = makeRenderPreset ({ "Strings" });
    const std::vector<Track> tracks { makeTrack (writeTrack ("Strings.wav", makeLowSine (2, second, 0.5f)),
                                                 "stem-Strings") };

    auto request = planRequest (preset, tracks, output());
    request.useFixedGain = true;
    request.fixedGainDb = 12.0;

    const auto report = render (request);

    EXPECT_GT (report.clippedSamples, 0);
    EXPECT_TRUE (report.warnings.contains (juce::String (report.clippedSamples)
                                           + " sample(s) reach or exceed full scale after the global gain."));
    EXPECT_EQ (report.files.size(), 2u);
    EXPECT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
}

TEST_F (CueRenderTest, AStemDrivenOverFullScaleIsCountedInItsFileTheWarningsAndBothReports)
{
    // Two stems that nearly cancel: the mix is quiet, so the gain that brings it to the
    // target drives both stems far past full scale while the mix itself stays below it.
    const auto preset = makeRenderPreset ({ "Strings", "Basses" });
    const std::vector<Track> tracks {
        makeTrack (writeTrack ("Strings.wav", makeLowSine (2, second, 0.9f)), "stem-Strings"),
        makeTrack (writeTrack ("Basses.wav", makeLowSine (2, second, -0.8f)), "stem-Basses"),
    };

    const auto report = render (planRequest (preset, tracks, output()));

    EXPECT_GT (report.gain.gainDb, 15.0);
    EXPECT_EQ (report.clippedSamples, 0) << "the mix does not clip";
    ASSERT_EQ (report.files.size(), 3u);

    BatchReport batch;
    batch.cues.push_back (report);
    const auto text = report.toText();
    const auto html = buildHtmlReport (batch);

    for (const auto& written : report.files)
    {
        SCOPED_TRACE (written.file.getFileName());

        if (written.kind == FileKind::fullMix)
        {
            EXPECT_EQ (written.clippedSamples, 0);
            continue;
        }

        // What went to the file: the track with the cue's gain.
        auto gained = readBack (tracks[written.label == "Strings" ? 0 : 1].file);
        gained.applyGain (report.gain.linearGain);
        const auto expected = countSamplesAtOrAbove (gained, 1.0);
        ASSERT_GT (expected, 0);
        EXPECT_EQ (written.clippedSamples, expected);

        const auto count = juce::String (expected);
        const auto name = written.file.getFileName();
        EXPECT_TRUE (report.warnings.contains (count + " sample(s) of 'STEMS/" + name + "' reach or exceed full scale."))
            << report.warnings.joinIntoString ("\n");
        EXPECT_TRUE (text.contains ("  " + name + "   [" + written.formatDescription + "]   CLIPPING " + count
                                    + " samples at or above full scale\r\n"));
        EXPECT_TRUE (html.fromFirstOccurrenceOf ("<bdi>" + name + "</bdi>", false, false)
                         .upToFirstOccurrenceOf ("</div>", false, false)
                         .contains ("<span class=\"bad\">Clipping: " + count + " sample(s) at or above full scale</span>"));
    }

    EXPECT_EQ (report.warnings.size(), 2) << report.warnings.joinIntoString ("\n");
}

TEST_F (CueRenderTest, ClippingInTwoFormatsIsWarnedOncePerFileByItsPathBelowTheRunsFolder)
{
    // 16-bit and float files of one name, each in a sub-folder of its format.
    auto preset = makeRenderPreset ({ "Strings" });
    preset.exportSettings.formats = { { true, Codec::wav, SampleFormat::pcm16, 0.0, 320, Dither::tpdf, "WAV16" },
                                      { true, Codec::wav, SampleFormat::float32, 0.0, 320, Dither::none, "FLOAT" } };

    const std::vector<Track> tracks { makeTrack (writeTrack ("Strings.wav", makeLowSine (2, second, 0.5f)),
                                                 "stem-Strings") };

    // The cue's own folder inside the run's, as in a run of several cues.
    auto request = planRequest (preset, tracks, output().getChildFile ("Cue"));
    request.exportFolder = output();
    request.useFixedGain = true;
    request.fixedGainDb = 12.0;

    const auto report = render (request);
    ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
    ASSERT_EQ (report.files.size(), 4u);
    ASSERT_GT (report.clippedSamples, 0);

    BatchReport batch;
    batch.cues.push_back (report);
    const auto text = report.toText();
    const auto html = buildHtmlReport (batch);

    juce::StringArray expectedWarnings { juce::String (report.clippedSamples)
                                         + " sample(s) reach or exceed full scale after the global gain." };
    int htmlFrom = html.indexOf ("<h3>Files written");

    for (const auto& written : report.files)
    {
        const auto path = written.file.getRelativePathFrom (output()).replaceCharacter ('\\', '/');
        SCOPED_TRACE (path);
        ASSERT_TRUE (path.startsWith ("Cue/WAV16/") || path.startsWith ("Cue/FLOAT/"));
        ASSERT_EQ (written.clippedSamples, report.clippedSamples);   // one stem: each file holds the mix
        const auto count = juce::String (written.clippedSamples);

        // Every format is held to full scale, the float one too: each file was clipped.
        EXPECT_LE (samplePeak (readBack (written.file)), 1.0);
        expectedWarnings.add (count + " sample(s) of '" + path + "' reach or exceed full scale.");

        // Both reports mark each file, in writing order.
        EXPECT_TRUE (text.contains ("  " + written.file.getFileName() + "   [" + written.formatDescription + "]   CLIPPING "
                                    + count + " samples at or above full scale\r\n")) << text;

        const auto head = html.indexOf (htmlFrom, "<div class=\"file-head\">");
        ASSERT_GE (head, 0);
        htmlFrom = html.indexOf (head, "  </div>\n");
        const auto block = html.substring (head, htmlFrom);
        EXPECT_TRUE (block.contains (written.formatDescription)) << block;
        EXPECT_TRUE (block.contains ("<span class=\"bad\">Clipping: " + count + " sample(s) at or above full scale</span>"))
            << block;
    }

    // One sentence for each file, no two alike.
    EXPECT_EQ (report.warnings.joinIntoString ("\n"), expectedWarnings.joinIntoString ("\n"));
}

TEST_F (CueRenderTest, AlternativeMixesAreSummedFromTheWrittenStems)
{
    const double target = std::pow (10.0, -6.0 / 20.0);

    const struct
    {
        const char* name;
        bool exportSubmixes;
        bool independent;
        juce::StringArray files;   // alternative mixes written
        std::vector<double> values;
    } cases[] {
        { "own gain", true, true, { "02_Low_Low.wav", "03_Bass Only_BO.wav" }, { target, target } },
        { "exact sum", true, false, { "02_Low_Low.wav", "03_Bass Only_BO.wav" }, { 0.3, 0.2 } },
        { "mixes off", false, true, {}, {} },
    };

    const auto constant = [] (float value)
    {
        juce::AudioBuffer<float> samples (2, second / 10);

        for (int ch = 0; ch < 2; ++ch)
            juce::FloatVectorOperations::fill (samples.getWritePointer (ch), value, second / 10);

        return samples;
    };

    const std::vector<Track> tracks { makeTrack (writeTrack ("Drums.wav", constant (0.1f)), "stem-Drums"),
                                      makeTrack (writeTrack ("Bass.wav", constant (0.2f)), "stem-Bass") };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        output().deleteRecursively();

        auto preset = makeRenderPreset ({ "Drums", "Bass", "Keys" });
        auto& settings = preset.exportSettings;
        settings.formats[0].sampleFormat = SampleFormat::float32;
        settings.formats[0].dither = Dither::none;
        settings.stemsSubFolder = {};
        settings.headroom.peakMode = PeakMode::samplePeak;
        settings.headroom.targetDb = -6.0;
        settings.headroom.submixesReachTargetIndependently = c.independent;
        settings.exportSubmixes = c.exportSubmixes;
        settings.naming.mixTemplate = "{stemIndex}_{stemName}_{stemCode}";
        settings.fullMixIndex = 1;
        preset.schema.submixes = { { "m1", "Ghost", "GH", { "stem-Keys" } },
                                   { "m2", "Low", "", { "stem-Drums", "stem-Bass", "stem-Drums" } },
                                   { "m3", "Bass Only", "BO", { "stem-Bass" } } };

        auto request = planRequest (preset, tracks, output());
        request.useFixedGain = true;   // 0 dB: the stems keep their values
        request.fixedGainDb = 0.0;

        ProgressLog log;
        const auto report = render (request, {}, &log);
        ASSERT_TRUE (report.completed) << report.errors.joinIntoString ("\n");

        juce::StringArray mixTexts;

        for (const auto& entry : log.entries())
            if (entry.fraction == 0.92)
                mixTexts.add (entry.text);

        const auto ghostWarning = "Alternative mix 'Ghost' has no stems with audio in them and was not written.";
        EXPECT_EQ (mixTexts, c.exportSubmixes ? juce::StringArray ({ "Writing Ghost...", "Writing Low...", "Writing Bass Only..." })
                                              : juce::StringArray());
        EXPECT_EQ (report.warnings.contains (ghostWarning), c.exportSubmixes);

        std::vector<const WrittenFile*> mixes;

        for (const auto& file : report.files)
            if (file.kind == FileKind::alternativeMix)
                mixes.push_back (&file);

        ASSERT_EQ ((int) mixes.size(), c.files.size());

        for (size_t i = 0; i < mixes.size(); ++i)
        {
            const auto audio = readBack (mixes[i]->file);
            EXPECT_EQ (mixes[i]->file.getFileName(), c.files[(int) i]);
            EXPECT_EQ (mixes[i]->ownGain, c.independent);
            EXPECT_NEAR (mixes[i]->levelDb, 20.0 * std::log10 (c.values[i]), 1e-5);
            EXPECT_EQ (audio.getNumSamples(), second / 10);
            EXPECT_NEAR (audio.getSample (1, 100), c.values[i], 1e-6);
        }
    }
}

//==============================================================================
TEST_F (CueRenderTest, ACancelWhileWritingStemThreeStopsBeforeItsFile)
{
    const juce::StringArray names { "S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8" };
    const auto request = planRequest (makeRenderPreset (names), noiseTracks (names, second / 4), output());

    std::atomic<bool> stop { false };
    ProgressLog log;
    auto record = log.callback();

    RenderContext context (request, [&] { return stop.load(); },
                           [&] (double fraction, const juce::String& text, Phase phase)
                           {
                               record (fraction, text, phase);

                               if (text == "Writing S3...")
                                   stop = true;
                           });
    const auto report = context.run();

    EXPECT_TRUE (report.cancelled);
    EXPECT_FALSE (report.completed);
    EXPECT_TRUE (report.errors.isEmpty()) << report.errors.joinIntoString ("\n");
    EXPECT_EQ (listFiles (output()), juce::StringArray ({ "STEMS/PRJ_01_S1.wav", "STEMS/PRJ_02_S2.wav" }));
    EXPECT_EQ (report.files.size(), 2u);
    EXPECT_EQ (report.reconstruction.state, State::notRun);
    EXPECT_EQ (log.texts()[log.texts().size() - 1], "Cancelled.");

    // Every stem was summed and measured; only the first two reached the disk.
    EXPECT_TRUE (report.levelsMeasured && report.afterGainKnown);
    ASSERT_EQ (report.stems.size(), 8u);

    for (size_t i = 0; i < 8; ++i)
    {
        EXPECT_TRUE (report.stems[i].measured) << i;
        EXPECT_EQ (report.stems[i].filesWritten, i < 2 ? 1 : 0) << i;
    }
}

TEST_F (CueRenderTest, AFailedReadLeavesTheLaterStemsPlannedButUnmeasured)
{
    const juce::StringArray names { "Drums", "Bass", "Strings", "Choir" };
    auto tracks = noiseTracks ({ "Drums", "Bass", "Strings" });
    const auto request = planRequest (makeRenderPreset (names), tracks, output());
    tracks[1].file.deleteFile();

    const auto report = render (request);

    EXPECT_FALSE (report.completed);
    EXPECT_FALSE (report.levelsMeasured);
    EXPECT_FALSE (report.afterGainKnown);
    EXPECT_EQ (report.assignedStemsText(), "3 stems assigned");
    ASSERT_EQ (report.stems.size(), 4u);

    struct Expected { const char* name; bool measured; int errors; bool empty; };
    const Expected expected[] { { "Drums", true, 0, false }, { "Bass", false, 1, false },
                                { "Strings", false, 0, false }, { "Choir", false, 0, true } };

    for (size_t i = 0; i < 4; ++i)
    {
        const auto& stem = report.stems[i];
        EXPECT_EQ (stem.displayName, expected[i].name);
        EXPECT_EQ (stem.measured, expected[i].measured) << stem.displayName;
        EXPECT_EQ (stem.errors.size(), expected[i].errors) << stem.displayName;
        EXPECT_EQ (stem.empty, expected[i].empty) << stem.displayName;
        EXPECT_EQ (stem.filesWritten, 0) << stem.displayName;
    }
}

TEST_F (CueRenderTest, ATrackChangedSinceImportFailsTheCueSayingWhatChanged)
{
    // The take as it was imported: one second of stereo at the project rate.
    const auto imported = makeNoise (2, second, 0.2f, 7);

    // The same take bounced again: what was there stays, and more may follow.
    const auto bouncedAgain = [&imported] (int channels, int frames)
    {
        auto now = makeNoise (channels, frames, 0.2f, 8);

        for (int channel = 0; channel < channels; ++channel)
            now.copyFrom (channel, 0, imported, channel, 0, juce::jmin (frames, second));

        return now;
    };

    enum class When { beforeTheRun, afterSumming };

    struct Case
    {
        const char* name;
        juce::AudioBuffer<float> now;
        double rate;
        When when;
        bool analysis;
        const char* change;
    };

    const Case cases[] {
        { "grown", bouncedAgain (2, 3 * second / 2), 48000.0, When::beforeTheRun, false, "now 0:01.500 long, was 0:01.000" },
        { "grown, analysed", bouncedAgain (2, 3 * second / 2), 48000.0, When::beforeTheRun, true,
          "now 0:01.500 long, was 0:01.000" },
        { "shortened", bouncedAgain (2, second / 2), 48000.0, When::beforeTheRun, false, "now 0:00.500 long, was 0:01.000" },
        { "shortened, analysed", bouncedAgain (2, second / 2), 48000.0, When::beforeTheRun, true,
          "now 0:00.500 long, was 0:01.000" },
        { "one sample longer", bouncedAgain (2, second + 1), 48000.0, When::beforeTheRun, false,
          "now 48001 samples long, was 48000 samples" },
        { "another rate", makeNoise (2, 44100, 0.2f, 9), 44100.0, When::beforeTheRun, false,
          "now 44100 samples long, was 48000 samples; now 44.1 kHz, was 48 kHz" },
        { "mono now", bouncedAgain (1, second), 48000.0, When::beforeTheRun, false, "now mono, was stereo" },
        { "grown while the cue renders", bouncedAgain (2, 3 * second / 2), 48000.0, When::afterSumming, false,
          "now 0:01.500 long, was 0:01.000" },
    };

    const auto preset = makeRenderPreset ({ "Drums", "Bass" });

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        output().deleteRecursively();

        const auto drums = writeTrack ("Drums.wav", imported);
        const std::vector<Track> tracks { makeTrack (drums, "stem-Drums"),
                                          makeTrack (writeTrack ("Bass.wav", makeLowSine (2, second, 0.2f)), "stem-Bass") };
        const auto request = planRequest (preset, tracks, output(), "Cue", c.analysis);

        if (c.when == When::beforeTheRun)
            writeWav (drums, c.now, c.rate);

        // Between summing the mix and reading the stem again to write it.
        RenderContext context (request, {}, [&] (double, const juce::String& text, Phase)
                               {
                                   if (c.when == When::afterSumming && text == "Measuring the mix...")
                                       writeWav (drums, c.now, c.rate);
                               });
        const auto report = context.run();

        const juce::String sentence = "'Drums.wav' has changed since it was imported (" + juce::String (c.change)
                                    + "); remove it from the track list and import it again.";

        EXPECT_FALSE (report.completed);
        EXPECT_EQ (report.errors, juce::StringArray ("Drums: " + sentence));
        ASSERT_NE (stemNamed (report, "Drums"), nullptr);
        EXPECT_EQ (stemNamed (report, "Drums")->errors, juce::StringArray (sentence));
        EXPECT_TRUE (report.files.empty());
        EXPECT_TRUE (listFiles (output()).isEmpty()) << listFiles (output()).joinIntoString ("\n");
        EXPECT_TRUE (report.toText().contains (sentence));
    }
}

TEST_F (CueRenderTest, ACancelStopsALongReadWithinABlock)
{
    const auto preset = makeRenderPreset ({ "Drums" });
    const auto request = planRequest (preset, noiseTracks ({ "Drums" }, 40 * second), output(), "Cue", true);

    const auto readStarted = [] (const juce::String& text) { return text == "Summing Drums..."; };
    const auto now = [] { return juce::Time::getMillisecondCounterHiRes(); };

    // How long the whole read takes here.
    double readFrom = 0.0;
    RenderContext whole (request, {}, [&] (double, const juce::String& text, Phase)
                         {
                             if (readStarted (text))
                                 readFrom = now();
                         });
    ASSERT_TRUE (whole.run().completed);
    const auto wholeReadMs = now() - readFrom;

    // The first two tests are the cue's own cancel points before the read; the later
    // ones are asked by the reader between its blocks.
    int calls = 0;
    double firedAt = 0.0;
    RenderContext stopped (request,
                           [&] {
                               if (++calls < 6)
                                   return false;

                               firedAt = now();
                               return true;
                           },
                           {});
    const auto report = stopped.run();
    const auto stopMs = now() - firedAt;

    EXPECT_TRUE (report.cancelled);
    EXPECT_TRUE (report.errors.isEmpty()) << report.errors.joinIntoString ("\n");
    EXPECT_EQ (calls, 6) << "the cancel is latched";
    EXPECT_LT (stopMs, wholeReadMs / 5.0) << "whole read " << wholeReadMs << " ms";
}

TEST_F (CueRenderTest, ACancelInsideAnEncodeLeavesNoTemporaryFile)
{
    const auto preset = makeRenderPreset ({ "Drums", "Bass" });
    const auto request = planRequest (preset, noiseTracks ({ "Drums", "Bass" }, 20 * second), output());

    // Fires once the full mix's temporary file has appeared, that is while it is encoded.
    std::atomic<bool> writingMix { false };
    const auto mixIsBeingWritten = [&]
    {
        if (! writingMix)
            return false;

        for (const auto& path : listFiles (output()))
            if (! path.startsWith ("STEMS/") && path.startsWith ("."))
                return true;

        return false;
    };

    RenderContext context (request, mixIsBeingWritten,
                           [&] (double, const juce::String& text, Phase)
                           {
                               if (text == "Writing the full mix...")
                                   writingMix = true;
                           });
    const auto report = context.run();

    EXPECT_TRUE (report.cancelled);
    EXPECT_TRUE (report.errors.isEmpty()) << report.errors.joinIntoString ("\n");
    EXPECT_EQ (listFiles (output()), juce::StringArray ({ "STEMS/PRJ_01_Drums.wav", "STEMS/PRJ_02_Bass.wav" }));

    for (const auto& file : report.files)
        EXPECT_EQ (readBack (file.file).getNumSamples(), 20 * second) << "a listed file is complete";
}

//==============================================================================
TEST_F (CueRenderTest, TheCheckComparesTheFilesOfOneEntryWithThatEntrysWordLength)
{
    auto preset = makeRenderPreset ({ "Drums", "Bass", "Strings", "Choir" });
    auto sixteen = preset.exportSettings.formats[0];
    sixteen.sampleFormat = SampleFormat::pcm16;
    sixteen.dither = Dither::tpdf;
    sixteen.subFolder = "WAV16";
    auto twentyFour = preset.exportSettings.formats[0];
    twentyFour.subFolder = "WAV24";
    preset.exportSettings.formats = { sixteen, twentyFour };

    const auto report = render (planRequest (preset, noiseTracks ({ "Drums", "Bass", "Strings", "Choir" }), output()));

    EXPECT_EQ (report.files.size(), 10u);
    EXPECT_EQ (report.reconstruction.state, State::passed) << report.reconstruction.detail;
    EXPECT_EQ (report.reconstruction.stemFilesCompared, 4);
    EXPECT_NEAR (report.reconstruction.toleranceDb, expectedResidualDb (16, 4, Dither::tpdf), 1e-9);
    EXPECT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
}

TEST_F (CueRenderTest, StemsSharingADisplayNameBothTakePartInTheCheck)
{
    auto preset = makeRenderPreset ({ "High", "Low" });

    for (auto& stem : preset.schema.stems)
    {
        stem.fileNameToken = "Strings " + stem.displayName;
        stem.displayName = "Strings";
    }

    const auto report = render (planRequest (preset, noiseTracks ({ "High", "Low" }), output()));

    EXPECT_EQ (report.reconstruction.state, State::passed) << report.reconstruction.detail;
    EXPECT_EQ (report.reconstruction.stemFilesCompared, 2);
    EXPECT_TRUE (report.completed) << report.errors.joinIntoString ("\n");
}

TEST_F (CueRenderTest, ADamagedFlacTrackFailsTheCueWithTheReadersSentenceAndWritesNothing)
{
    const auto preset = makeRenderPreset ({ "Drums", "Bass" });
    auto tracks = noiseTracks ({ "Bass" });

    // A frame in the middle with flipped bytes: its header is whole, so the track imports.
    auto bytes = test::flacBytes (test::integerNoise (2, second, 16, 21), 16, 48000, 1152);

    for (size_t i = bytes.getSize() / 2; i < bytes.getSize() / 2 + 4; ++i)
        bytes[i] = (char) ~bytes[i];

    const auto drums = sourceFile ("Drums.flac");
    ASSERT_TRUE (test::writeBytes (drums, bytes));
    tracks.insert (tracks.begin(), makeTrack (drums, "stem-Drums"));

    const auto report = render (planRequest (preset, tracks, output()));

    EXPECT_FALSE (report.completed);
    EXPECT_TRUE (report.errors.contains ("Drums: Drums.flac: The audio data could not be read; the file may be truncated or damaged."))
        << report.errors.joinIntoString ("\n");
    EXPECT_TRUE (listFiles (output()).isEmpty()) << listFiles (output()).joinIntoString ("\n");
}

TEST_F (CueRenderTest, ACueTooLargeForMemoryFailsBeforeAnythingIsAllocated)
{
    const auto preset = makeRenderPreset ({ "Drums" });
    auto request = planRequest (preset, noiseTracks ({ "Drums" }), output());
    request.channels = 64;
    request.lengthFrames = 1000000000;   // 477 GB per buffer of doubles

    const auto report = render (request);

    EXPECT_FALSE (report.completed);
    ASSERT_EQ (report.errors.size(), 1);
    EXPECT_TRUE (report.errors[0].startsWith ("This cue needs about ")) << report.errors[0];
    EXPECT_TRUE (report.errors[0].endsWith (" may be used.")) << report.errors[0];
    EXPECT_TRUE (listFiles (output()).isEmpty());

    // The stem is still reported as planned, with nothing measured or written.
    ASSERT_EQ (report.stems.size(), 1u);
    EXPECT_EQ (report.stems[0].trackCount, 1);
    EXPECT_FALSE (report.stems[0].measured);
    EXPECT_EQ (report.stems[0].filesWritten, 0);
    EXPECT_FALSE (report.levelsMeasured);
}

TEST (RenderMemory, CountsWhatTheCueHoldsAndWhatEachPieceAtOnceAdds)
{
    auto preset = rendertest::makeRenderPreset ({ "A", "B", "C" });
    RenderRequest request;
    request.preset = preset;
    request.channels = 2;
    request.lengthFrames = 48000;
    request.sampleRate = 48000.0;

    for (const auto& stem : preset.schema.stems)
    {
        RequestStem requestStem;
        requestStem.id = stem.id;
        requestStem.trackFiles.push_back (juce::File ("/tmp/x.wav"));
        request.stems.push_back (requestStem);
    }

    const juce::int64 unit = 2 * 48000 * 8;

    // Held: the mix and the check's sum; per piece: a stem and a track read whole.
    EXPECT_EQ (cueFixedBytes (request), 2 * unit);
    EXPECT_EQ (bytesPerPiece (request), 3 * unit);
    EXPECT_EQ (cueRenderMemoryBytes (request), 5 * unit);
    EXPECT_EQ (cueRenderMemoryBytes (request, 4), 14 * unit);

    auto& submixes = request.preset.schema.submixes;
    submixes.push_back ({ "m", "Mix", "", { "stem-A", "stem-B" } });
    EXPECT_EQ (cueFixedBytes (request), 2 * unit) << "the mix being summed, no stem kept";

    submixes.push_back ({ "n", "Other", "", { "stem-B", "stem-A", "stem-C" } });
    EXPECT_EQ (cueFixedBytes (request), 4 * unit) << "two mixes, and A waits for B in the second";

    request.preset.exportSettings.exportSubmixes = false;
    EXPECT_EQ (cueFixedBytes (request), 2 * unit);
    request.preset.exportSettings.exportSubmixes = true;

    request.preset.exportSettings.formats[0].sampleRate = 192000.0;
    EXPECT_EQ (bytesPerPiece (request), 5 * unit) << "a copy at four times the rate replaces the track";

    request.analysisOnly = true;
    EXPECT_EQ (cueFixedBytes (request), unit);
    EXPECT_EQ (bytesPerPiece (request), 3 * unit);

    // As many pieces as fit, at most one per worker; none when not even one fits.
    const auto budget = cueRenderMemoryBytes (request, 2);
    EXPECT_EQ (piecesThatFit (request, budget, 8), 2);
    EXPECT_EQ (piecesThatFit (request, budget, 1), 1);
    EXPECT_EQ (piecesThatFit (request, budget + 3 * unit, 8), 3);
    EXPECT_EQ (piecesThatFit (request, cueRenderMemoryBytes (request, 1) - 1, 8), 0);

    juce::String error;
    EXPECT_TRUE (checkCueRenderMemory (request, cueRenderMemoryBytes (request, 1), error));
    EXPECT_FALSE (checkCueRenderMemory (request, cueRenderMemoryBytes (request, 1) - 1, error));
    EXPECT_EQ (error, "This cue needs about 0.0 GB of memory to render and at most 0.0 GB may be used.");

    // A track at twice the project rate: itself, plus its converted copy.
    AudioFileInfo track;
    track.numChannels = 2;
    track.lengthInSamples = 96000;
    track.sampleRate = 96000.0;
    EXPECT_EQ (trackReadBytes (track, 48000.0), 3 * unit);
    EXPECT_EQ (trackReadBytes (track, 96000.0), 2 * unit);

    const auto held = 100 * unit;
    EXPECT_TRUE (checkTrackReadMemory (track, 48000.0, held, held + 3 * unit, error));
    EXPECT_FALSE (checkTrackReadMemory (track, 48000.0, held + 1, held + 3 * unit, error));
    EXPECT_TRUE (error.startsWith ("Reading it would take the render to about ")) << error;

    request.channels = 64;
    request.lengthFrames = 1000000000;
    EXPECT_FALSE (checkCueRenderMemory (request, audioMemoryBudgetBytes(), error));
    EXPECT_FALSE (error.isEmpty());
}

} // namespace
} // namespace korvid
