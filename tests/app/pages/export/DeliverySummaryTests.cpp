#include "app/pages/export/DeliverySummary.h"
#include "core/model/BuiltInPresets.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    /** A preset of `stems` stems with the default export settings and one enabled format. */
    Preset presetOf (int stems)
    {
        auto preset = makeEmptyPreset();

        for (int i = 0; i < stems; ++i)
            preset.schema.addStem (Stem ("Stem " + juce::String (i + 1), {}, 0xff336699, false, 0, {}));

        return preset;
    }

    /** One cue's report: `filled` of the preset's stems have tracks, the rest are empty. */
    CueReport cueOf (const Preset& preset, int filled, const juce::String& name = "1M01")
    {
        CueReport cue;
        cue.completed = true;
        cue.cueName = name;
        cue.cueId = "id-" + name;
        cue.mixSamplePeak = 0.5;
        cue.mixTruePeak = 0.6;
        cue.gain.targetDb = -3.0;
        cue.gain.gainDb = 1.5;
        cue.gain.predictedDb = -2.9;
        cue.channels = 2;
        cue.lengthFrames = 48000 * 75;
        cue.sampleRate = 48000.0;

        for (size_t i = 0; i < preset.schema.stems.size(); ++i)
        {
            StemResult stem;
            stem.stemId = preset.schema.stems[i].id;
            stem.empty = (int) i >= filled;
            cue.stems.push_back (stem);
        }

        return cue;
    }

    BatchReport reportOf (std::initializer_list<CueReport> cues)
    {
        BatchReport report;
        report.cues = cues;
        return report;
    }

    juce::StringArray linesOf (const juce::String& text)
    {
        return juce::StringArray::fromLines (text);
    }

    //==============================================================================
    TEST (DeliverySummary, OneCueGivesItsFiguresInOneColumn)
    {
        const auto preset = presetOf (16);
        const auto text = deliverySummaryText (reportOf ({ cueOf (preset, 9) }), preset, false);

        EXPECT_EQ (text, "Stems to export     9 of 16 in the schema\n"
                         "Files to write      10  (1 format(s), full mix included)\n"
                         "\n"
                         "Mix peak            -6.02 dB\n"
                         "Mix true peak       -4.44 dB\n"
                         "Target              -3.00 dB\n"
                         "Global gain         1.50 dB\n"
                         "Predicted peak      -2.90 dB\n"
                         "Unassigned tracks   0\n"
                         "Length              1:15.0, 2 ch");
    }

    TEST (DeliverySummary, CountsFollowTheFormatsAndEmptyStemPoliciesTheRenderUses)
    {
        struct Case
        {
            const char* name;
            std::function<void (Preset&)> change;
            const char* stemsLine;
            const char* filesLine;
        };

        const Case cases[] = {
            { "skip", [] (Preset&) {},
              "Stems to export     9 of 16 in the schema", "Files to write      10  (1 format(s), full mix included)" },
            { "export silence", [] (Preset& p) { p.exportSettings.emptyStemPolicy = EmptyPolicy::exportSilence; },
              "Stems to export     16 of 16 in the schema", "Files to write      17  (1 format(s), full mix included)" },
            { "no full mix", [] (Preset& p) { p.exportSettings.exportFullMix = false; },
              "Stems to export     9 of 16 in the schema", "Files to write      9  (1 format(s))" },
            { "only the first two formats are written", [] (Preset& p)
              {
                  p.exportSettings.formats.assign (3, OutputFormat {});
              },
              "Stems to export     9 of 16 in the schema", "Files to write      20  (2 format(s), full mix included)" },
            { "a disabled format counts for nothing", [] (Preset& p)
              {
                  p.exportSettings.formats.assign (3, OutputFormat {});
                  p.exportSettings.formats[0].enabled = false;
              },
              "Stems to export     9 of 16 in the schema", "Files to write      10  (1 format(s), full mix included)" },
            { "a stem's own policy wins over the preset's", [] (Preset& p)
              {
                  p.schema.stems[10].emptyPolicy = EmptyPolicy::exportSilence;
                  p.schema.stems[11].emptyPolicy = EmptyPolicy::failExport;
              },
              "Stems to export     10 of 16 in the schema", "Files to write      11  (1 format(s), full mix included)" },
            { "and over a preset that exports silence", [] (Preset& p)
              {
                  p.exportSettings.emptyStemPolicy = EmptyPolicy::exportSilence;
                  p.schema.stems[10].emptyPolicy = EmptyPolicy::skip;
              },
              "Stems to export     15 of 16 in the schema", "Files to write      16  (1 format(s), full mix included)" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            auto preset = presetOf (16);
            c.change (preset);
            const auto lines = linesOf (deliverySummaryText (reportOf ({ cueOf (preset, 9) }), preset, false));
            EXPECT_EQ (lines[0], juce::String (c.stemsLine));
            EXPECT_EQ (lines[1], juce::String (c.filesLine));
        }
    }

    TEST (DeliverySummary, EdgeCasesOfTheLines)
    {
        const auto preset = presetOf (4);

        // Several cues: a count line, totals, no block of one cue.
        {
            const auto report = reportOf ({ cueOf (preset, 2, "A"), cueOf (preset, 3, "B"), cueOf (preset, 1, "C") });
            EXPECT_EQ (deliverySummaryText (report, preset, false),
                       "Cues                3\n"
                       "Stems to export     6 across all cues\n"
                       "Files to write      9  (1 format(s), full mix included)");
        }

        // Nothing rendered.
        EXPECT_EQ (deliverySummaryText (BatchReport(), preset, false),
                   "Stems to export     0 of 4 in the schema\n"
                   "Files to write      0  (1 format(s), full mix included)");

        // A silent mix, a gain held back, the shared gain of the batch.
        {
            auto cue = cueOf (preset, 4);
            cue.mixSamplePeak = 0.0;
            cue.mixTruePeak = 0.0;
            cue.gain.gainDb = 0.0;
            cue.gain.heldByAttenuateOnly = true;
            cue.gain.predictedDb = -400.0;
            auto report = reportOf ({ cue });
            report.sharedGainApplied = true;
            report.sharedGain.gainDb = -1.25;

            const auto lines = linesOf (deliverySummaryText (report, preset, false));
            EXPECT_TRUE (lines.contains ("Shared gain         -1.25 dB"));
            EXPECT_TRUE (lines.contains ("Mix peak            -inf"));
            EXPECT_TRUE (lines.contains ("Mix true peak       -inf"));
            EXPECT_TRUE (lines.contains ("Global gain         0.00 dB   (held at 0 dB: attenuate only)"));
            EXPECT_TRUE (lines.contains ("Predicted peak      -inf"));
        }

        // Unassigned tracks: a note only while the preset refuses them.
        {
            auto cue = cueOf (preset, 4);
            cue.unassignedTracks = { "a.wav", "b.wav" };
            auto refusing = preset;
            refusing.exportSettings.requireDecisionOnUnassigned = true;
            auto allowing = preset;
            allowing.exportSettings.requireDecisionOnUnassigned = false;

            const auto withNote = linesOf (deliverySummaryText (reportOf ({ cue }), refusing, false));
            EXPECT_EQ (withNote[2], "");
            EXPECT_EQ (withNote[3], "Note                2 track(s) are unassigned. The export will refuse until they are "
                                    "placed, or until 'refuse to export while tracks are unassigned' is off.");
            EXPECT_TRUE (withNote.contains ("Unassigned tracks   2"));

            const auto withoutNote = linesOf (deliverySummaryText (reportOf ({ cue }), allowing, false));
            EXPECT_FALSE (withoutNote.joinIntoString ("\n").contains ("Note"));
            EXPECT_TRUE (withoutNote.contains ("Unassigned tracks   2"));
        }

        // A session that changed during the run says so at the end.
        EXPECT_TRUE (deliverySummaryText (reportOf ({ cueOf (preset, 4) }), preset, true)
                         .endsWith ("\n\nNote                The tracks or the preset changed during the run: analyse again."));
    }

    TEST (DeliverySummary, CueRowsComeFromTheSessionAndTakeTheFiguresOfTheirReport)
    {
        const auto preset = presetOf (4);

        auto good = cueOf (preset, 3, "Good");
        good.leadingSilenceSeconds = 0.4;
        auto unassigned = cueOf (preset, 4, "Unassigned");
        unassigned.unassignedTracks = { "x.wav" };
        auto failed = cueOf (preset, 4, "Failed");
        failed.reconstruction.state = ReconstructionResult::State::failed;
        auto silent = cueOf (preset, 4, "Silent");
        silent.mixTruePeak = 0.0;
        auto gone = cueOf (preset, 4, "Gone");   // its folder has no track any more

        const auto report = reportOf ({ good, unassigned, failed, silent, gone });

        std::vector<Cue> cues;

        for (const char* name : { "Good", "Unassigned", "Failed", "Silent", "New" })
        {
            Cue cue;
            cue.id = juce::String ("id-") + name;
            cue.name = name;
            cue.included = juce::String (name) != "Silent";
            cue.trimStartSeconds = juce::String (name) == "Good" ? 0.25 : 0.0;
            cues.push_back (cue);
        }

        const auto rows = cueRowsFor (report, cues, false);
        ASSERT_EQ (rows.size(), 5u);

        EXPECT_TRUE (rows[0].analysed);
        EXPECT_FALSE (rows[0].hasProblem);
        EXPECT_EQ (rows[0].assignedStems, 3);
        EXPECT_EQ (rows[0].emptyStems, 1);
        EXPECT_DOUBLE_EQ (rows[0].durationSeconds, 75.0);
        EXPECT_NEAR (rows[0].peakDb, -4.437, 0.001);
        EXPECT_DOUBLE_EQ (rows[0].gainDb, 1.5);
        EXPECT_DOUBLE_EQ (rows[0].leadingSilenceSeconds, 0.4);
        EXPECT_DOUBLE_EQ (rows[0].trimSeconds, 0.25);

        EXPECT_TRUE (rows[1].hasProblem);
        EXPECT_TRUE (rows[2].hasProblem);
        EXPECT_EQ (rows[3].peakDb, -400.0);
        EXPECT_FALSE (rows[3].included);

        EXPECT_FALSE (rows[4].analysed);   // a cue without a report keeps blank figures
        EXPECT_EQ (rows[4].name, "New");

        for (const auto& blank : cueRowsFor (report, cues, true))
            EXPECT_FALSE (blank.analysed);
    }

    TEST (DeliverySummary, GatedRowsFollowTheReportAndNameUnnamedCuesDelivery)
    {
        const auto preset = presetOf (1);
        auto named = cueOf (preset, 1, "1M01");
        auto unnamed = cueOf (preset, 1, "");

        GatedTrack track;
        track.file = juce::File ("/tmp/Strings.wav");
        track.fileName = "Strings.wav";
        track.stemName = "Strings";
        track.gatedRuns = 2;
        track.gatedSeconds = 1.5;
        track.lengthSeconds = 10.0;
        track.regions = { { 0.0, 0.1, 0.0, 0.09 } };
        named.gatedTracks = { track, track };
        unnamed.gatedTracks = { track };

        const auto rows = gatedRowsFor (reportOf ({ named, unnamed }));
        ASSERT_EQ (rows.size(), 3u);
        EXPECT_EQ (rows[0].cueName, "1M01");
        EXPECT_EQ (rows[0].cueId, "id-1M01");
        EXPECT_EQ (rows[2].cueName, "Delivery");
        EXPECT_EQ (rows[2].gatedRuns, 2);
        EXPECT_EQ (rows[2].regions.size(), 1u);
    }
}
}
