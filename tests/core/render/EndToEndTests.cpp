#include "DeliveryCases.h"
#include "RenderTestSupport.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioTestFiles.h"
#include "core/audio/ExpectedResidual.h"
#include "core/audio/PeakLevels.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/render/RenderWorkers.h"
#include "core/report/HtmlReport.h"
#include "core/report/ReportText.h"
#include "core/session/Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>

namespace korvid
{
namespace
{

using namespace rendertest;
using State = ReconstructionResult::State;

constexpr int second = 48000;

// A small delivery from a folder of generated exports, through the same objects the
// application uses: import, automatic assignment, planning and the render job.
struct EndToEnd : ::testing::Test
{
    test::TempFolder temp;
    Session session;

    juce::File source() const { return temp.folder.getChildFile ("Exports"); }

    std::map<juce::String, juce::AudioBuffer<float>> written;   // file name -> what was written

    void writeSource (const juce::String& cue, const juce::String& name, juce::AudioBuffer<float> audio)
    {
        writeWav (source().getChildFile (cue).getChildFile (name), audio, 48000.0, 32);
        written[name] = std::move (audio);
    }

    void SetUp() override
    {
        writeSource ("Opening", "Opening Drums.wav", makeNoise (2, second, 0.30f, 1));
        writeSource ("Opening", "Opening Bass.wav", makeLowSine (2, second, 0.25f));
        writeSource ("Opening", "Opening Strings High.wav", makeNoise (2, second, 0.10f, 2));
        writeSource ("Opening", "Opening Strings Low.wav", makeNoise (1, second / 2, 0.10f, 3));   // mono, shorter
        writeSource ("Opening", "Opening Click.wav", makeNoise (2, second, 0.05f, 4));           // no stem
        writeSource ("Finale", "Finale Drums.wav", makeNoise (2, 3 * second / 4, 0.05f, 5));
        writeSource ("Finale", "Finale Bass.wav", makeLowSine (2, 3 * second / 4, 0.06f));

        auto preset = makeRenderPreset ({ "Drums", "Bass", "Strings", "Choir" });
        preset.exportSettings.formats[0].subFolder = "WAV";
        preset.exportSettings.requireDecisionOnUnassigned = false;

        Submix underscore;
        underscore.id = "mix-underscore";
        underscore.name = "Underscore";
        underscore.shortCode = "UND";
        underscore.stems = { "stem-Bass", "stem-Strings" };
        preset.schema.submixes.push_back (underscore);

        session.setPreset (preset);
        const auto imported = session.importFiles ({ source().getFullPathName() }, true);
        ASSERT_EQ (imported.imported, 7) << imported.problems.joinIntoString ("\n");
    }

    juce::File out (const juce::String& name = "Delivery") const { return temp.folder.getChildFile (name); }

    std::vector<RenderRequest> plan (const juce::File& exportFolder, const Preset& preset)
    {
        const auto planned = buildRenderRequests (preset, session.getTracks(), session.cuesWithTracks(), exportFolder, false);
        EXPECT_TRUE (planned.ok) << planned.issues.toText();

        std::vector<RenderRequest> requests;

        for (const auto& request : planned.requests)
            requests.push_back (request.request);

        return requests;
    }

    std::vector<RenderRequest> plan (const juce::File& exportFolder) { return plan (exportFolder, session.getPreset()); }

    // Runs the job to its end and gives the report its callback received.
    static BatchReport runJob (std::vector<RenderRequest> requests)
    {
        RenderJob job;
        BatchReport received;
        std::atomic<int> calls { 0 };

        EXPECT_TRUE (job.start (std::move (requests), [&] (const BatchReport& report)
                                {
                                    received = report;
                                    ++calls;
                                }));
        EXPECT_TRUE (job.waitUntilFinished (60000));
        EXPECT_EQ (calls, 1);
        return received;
    }

    static const CueReport& cueNamed (const BatchReport& report, const juce::String& name)
    {
        for (const auto& cue : report.cues)
            if (cue.cueName == name)
                return cue;

        ADD_FAILURE() << "no cue " << name;
        return report.firstCue();
    }

    static juce::StringArray linesOf (const juce::String& text)
    {
        return juce::StringArray::fromTokens (text, "\r\n", {});
    }

    // The written stems of one cue, read back and summed, against its written full mix.
    static double stemsAgainstMixDb (const CueReport& cue)
    {
        juce::AudioBuffer<double> mix, sum;

        for (const auto& file : cue.files)
            if (file.kind == FileKind::fullMix)
                mix = readBack (file.file);

        sum.setSize (mix.getNumChannels(), mix.getNumSamples());
        sum.clear();

        for (const auto& file : cue.files)
        {
            if (file.kind != FileKind::stem)
                continue;

            const auto stem = readBack (file.file);
            EXPECT_EQ (stem.getNumSamples(), mix.getNumSamples()) << file.file.getFileName();

            for (int ch = 0; ch < sum.getNumChannels(); ++ch)
                sum.addFrom (ch, 0, stem, ch, 0, stem.getNumSamples());
        }

        for (int ch = 0; ch < sum.getNumChannels(); ++ch)
            sum.addFrom (ch, 0, mix, ch, 0, mix.getNumSamples(), -1.0);

        return linearPeakToDb (samplePeak (sum));
    }
};

const juce::StringArray firstDelivery {
    "Finale/WAV/PRJ_Finale_Full Mix.wav",
    "Finale/WAV/PRJ_Finale_Underscore.wav",
    "Finale/WAV/STEMS/PRJ_Finale_01_Drums.wav",
    "Finale/WAV/STEMS/PRJ_Finale_02_Bass.wav",
    "Opening/WAV/PRJ_Opening_Full Mix.wav",
    "Opening/WAV/PRJ_Opening_Underscore.wav",
    "Opening/WAV/STEMS/PRJ_Opening_01_Drums.wav",
    "Opening/WAV/STEMS/PRJ_Opening_02_Bass.wav",
    "Opening/WAV/STEMS/PRJ_Opening_03_Strings.wav",
};

//==============================================================================
TEST_F (EndToEnd, ADeliveryIsWrittenReportedAndReRunUnderEachCollisionPolicy)
{
    const auto report = runJob (plan (out()));

    ASSERT_TRUE (report.allCompleted) << report.toText();
    ASSERT_EQ (report.cues.size(), 2u);
    EXPECT_EQ (report.outputRoot, out());
    EXPECT_EQ (listFiles (out()), firstDelivery);
    EXPECT_EQ (report.filesWrittenCount(), 9);

    const auto& opening = cueNamed (report, "Opening");
    const auto& finale = cueNamed (report, "Finale");

    // What went where: the Drums stem is the drums export with the cue's gain, no more.
    {
        const auto drums = readBack (out().getChildFile ("Opening/WAV/STEMS/PRJ_Opening_01_Drums.wav"));
        const auto& exported = written["Opening Drums.wav"];
        double worst = 0.0;

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < second; ++i)
                worst = juce::jmax (worst, std::abs (drums.getSample (ch, i)
                                                     - opening.gain.linearGain * exported.getSample (ch, i)));

        EXPECT_LT (linearPeakToDb (worst), -110.0);
    }

    // The written stems add up to the written full mix, as the check found.
    for (const auto* cue : { &opening, &finale })
    {
        EXPECT_EQ (cue->reconstruction.state, State::passed) << cue->reconstruction.detail;
        EXPECT_LE (stemsAgainstMixDb (*cue), expectedResidualDb (24, 3, Dither::tpdfShaped)) << cue->cueName;
    }

    EXPECT_EQ (opening.reconstruction.stemFilesCompared, 3);
    EXPECT_EQ (opening.lengthFrames, second);
    EXPECT_EQ (finale.lengthFrames, 3 * second / 4);
    EXPECT_NEAR (linearPeakToDb (opening.afterGainTruePeak), -3.0, 1e-6);

    // The render report of a cue.
    const auto lines = linesOf (opening.toText());
    for (const auto& expected : { juce::String ("Cue: Opening   (Opening)"),
                                  "Output: " + out().getChildFile ("Opening").getFullPathName(),
                                  juce::String ("  length        0:01 (48000 frames)"),
                                  juce::String ("  sample rate   48.0 kHz"),
                                  juce::String ("  channels      2"),
                                  juce::String ("  target        -3.00 dB"),
                                  juce::String ("3 stems assigned, 1 empty stem"),
                                  juce::String ("Please note - these stems were in the preset and had nothing assigned:"),
                                  juce::String ("  Choir"),
                                  juce::String ("Files written (5)"),
                                  juce::String ("  PRJ_Opening_01_Drums.wav   [WAV 24bit 48kHz 2ch]"),
                                  juce::String ("Unassigned tracks (1)"),
                                  juce::String ("  Opening Click.wav"),
                                  juce::String ("Reconstruction check"),
                                  juce::String ("Render completed.") })
        EXPECT_TRUE (lines.contains (expected)) << expected << "\n" << opening.toText();

    EXPECT_TRUE (lines.contains ("  PASSED  " + opening.reconstruction.detail));

    const auto batchLines = linesOf (report.toText());
    EXPECT_TRUE (batchLines.contains ("  cues rendered   2 of 2"));
    EXPECT_TRUE (batchLines.contains ("  files written   9"));

    // The delivery list, cue by cue in render order.
    juce::StringArray expectedList { "9 files in 2 cues", "" };

    for (const auto& cue : report.cues)
    {
        if (cue.cueName != report.cues.front().cueName)
            expectedList.add ("");

        expectedList.add (cue.cueName);
        int width = 0;

        for (const auto& file : cue.files)
            width = juce::jmax (width, file.file.getFileName().length());

        for (const auto& file : cue.files)
            expectedList.add ("  " + file.file.getFileName().paddedRight (' ', width + 3)
                              + fileKindText (file.kind).paddedRight (' ', 18) + "WAV 24bit 48kHz 2ch");
    }

    EXPECT_EQ (report.deliveryListText(), expectedList.joinIntoString ("\n"));
    EXPECT_TRUE (report.deliveryListText().contains ("  PRJ_Opening_Underscore.wav   alternative mix   WAV 24bit 48kHz 2ch"));

    // Second runs into the same folder.
    auto presetWith = [&] (CollisionPolicy policy)
    {
        auto preset = session.getPreset();
        preset.exportSettings.naming.collisionPolicy = policy;
        return preset;
    };

    {
        const auto again = runJob (plan (out(), presetWith (CollisionPolicy::overwrite)));
        EXPECT_TRUE (again.allCompleted) << again.toText();
        EXPECT_EQ (listFiles (out()), firstDelivery);
    }
    {
        const auto refused = runJob (plan (out(), presetWith (CollisionPolicy::abort)));
        EXPECT_FALSE (refused.allCompleted);
        ASSERT_EQ (refused.cues.size(), 2u);

        for (const auto& cue : refused.cues)
        {
            EXPECT_TRUE (cue.files.empty());
            EXPECT_EQ (cue.errors, juce::StringArray ("'PRJ_" + cue.cueName + "_01_Drums.wav' already exists."));
        }

        EXPECT_EQ (listFiles (out()), firstDelivery);
    }
    {
        const auto versioned = runJob (plan (out(), presetWith (CollisionPolicy::incrementVersion)));
        EXPECT_TRUE (versioned.allCompleted) << versioned.toText();

        auto expected = firstDelivery;

        for (const auto& path : firstDelivery)
            expected.add (path.upToLastOccurrenceOf (".wav", false, false) + "-2.wav");

        expected.sort (false);
        EXPECT_EQ (listFiles (out()), expected);

        for (const auto& cue : versioned.cues)
            EXPECT_EQ (cue.reconstruction.state, State::passed) << cue.reconstruction.detail;
    }
}

TEST_F (EndToEnd, ReportsNameTheRunsFolderAndNumberEachStemAsItsFiles)
{
    // Choir comes first and has no track anywhere, so the files are numbered from Drums on.
    auto preset = makeRenderPreset ({ "Choir", "Drums", "Bass", "Strings" });
    preset.exportSettings.formats[0].subFolder = "WAV";
    preset.exportSettings.requireDecisionOnUnassigned = false;
    session.setPreset (preset);

    const auto report = runJob (plan (out()));
    ASSERT_TRUE (report.allCompleted) << report.toText();
    ASSERT_EQ (report.cues.size(), 2u);
    EXPECT_TRUE (listFiles (out()).contains ("Opening/WAV/STEMS/PRJ_Opening_01_Drums.wav"));

    // Both reports speak of the folder the run went into, not of the first cue's.
    EXPECT_EQ (report.outputRoot, out());
    EXPECT_EQ (reportFileName (report), "Velvane report - Delivery.html");
    const auto page = buildHtmlReport (report);
    EXPECT_TRUE (page.contains (" &middot; <bdi>" + out().getFullPathName() + "</bdi></div>\n"));
    EXPECT_TRUE (linesOf (report.toText()).contains ("Output root: " + out().getFullPathName()));

    // Every stem's number in both reports is the one in its file's name.
    int stemFiles = 0;

    for (size_t c = 0; c < report.cues.size(); ++c)
    {
        const auto& cue = report.cues[c];
        const auto section = page.fromFirstOccurrenceOf ("data-panel=\"cue" + juce::String ((int) c) + "\"", false, false)
                                 .upToFirstOccurrenceOf ("</section>", false, false);
        const auto lines = linesOf (cue.toText());

        for (const auto& written : cue.files)
        {
            if (written.kind != FileKind::stem)
                continue;

            const auto parts = juce::StringArray::fromTokens (written.file.getFileNameWithoutExtension(), "_", {});
            const auto number = parts[parts.indexOf (written.label) - 1];
            SCOPED_TRACE (written.file.getFileName());

            EXPECT_TRUE (section.contains ("<td>" + number + "</td><td><bdi>" + written.label + "</bdi></td>"));
            const auto stemLine = "  " + number + "  " + written.label.paddedRight (' ', 18);
            EXPECT_TRUE (std::any_of (lines.begin(), lines.end(),
                                      [&] (const juce::String& line) { return line.startsWith (stemLine); }));
            ++stemFiles;
        }
    }

    EXPECT_EQ (stemFiles, 5);
}

TEST_F (EndToEnd, TheDeliveryIsTheSameWithOneWorkerAndWithSeveral)
{
    const auto render = [this] (const juce::File& folder, int workerCount)
    {
        RenderWorkers workers ({ workerCount, audioMemoryBudgetBytes() });
        const auto report = RenderJob::runQueue (plan (folder), {}, {}, workers);
        EXPECT_TRUE (report.allCompleted) << report.toText();

        juce::StringArray lines;

        for (const auto& line : reportLinesWithoutTimes (report))
            lines.add (line.replace (folder.getFullPathName(), "ROOT"));

        return lines;
    };

    const auto oneWorker = render (out ("One"), 1);
    const auto fourWorkers = render (out ("Four"), 4);

    EXPECT_EQ (fourWorkers, oneWorker);
    EXPECT_EQ (listFiles (out ("One")), firstDelivery);
    EXPECT_EQ (listFiles (out ("Four")), firstDelivery);

    for (const auto& path : firstDelivery)
        EXPECT_TRUE (out ("One").getChildFile (path).hasIdenticalContentTo (out ("Four").getChildFile (path))) << path;
}

TEST_F (EndToEnd, ACancelledRunKeepsCompleteFilesAndSaysSo)
{
    auto requests = plan (out());
    ASSERT_EQ (requests.size(), 2u);
    const auto secondCue = requests[1].cueName;

    // One worker, so the stop comes exactly between two stems.
    RenderWorkers oneWorker ({ 1, audioMemoryBudgetBytes() });
    std::atomic<bool> stop { false };
    const auto report = RenderJob::runQueue (std::move (requests), [&] { return stop.load(); },
                                             [&] (double, const juce::String& text, RenderJob::Phase)
                                             {
                                                 if (text == "[2/2] " + secondCue + ": Writing Bass...")
                                                     stop = true;
                                             },
                                             oneWorker);

    EXPECT_TRUE (report.cancelled);
    EXPECT_FALSE (report.allCompleted);
    ASSERT_EQ (report.cues.size(), 2u);
    EXPECT_TRUE (report.cues[0].completed);
    EXPECT_TRUE (report.cues[1].cancelled);
    ASSERT_EQ (report.cues[1].files.size(), 1u);

    juce::StringArray expected;

    for (const auto& cue : report.cues)
        for (const auto& file : cue.files)
        {
            expected.add (file.file.getRelativePathFrom (out()));
            EXPECT_EQ (readBack (file.file).getNumSamples(), cue.lengthFrames) << file.file.getFileName();
        }

    expected.sort (false);
    EXPECT_EQ (listFiles (out()), expected) << "no temporary or half-written file";

    const auto lines = linesOf (report.cues[1].toText());
    EXPECT_TRUE (lines.contains ("Render cancelled by the user."));
    EXPECT_TRUE (linesOf (report.toText()).contains ("  NEEDS ATTENTION " + secondCue));
}

TEST_F (EndToEnd, ASharedGainLevelsTheWholeBatchByItsLoudestCue)
{
    auto preset = session.getPreset();
    preset.exportSettings.batch.gainMode = GainScope::sharedAcrossBatch;

    const auto report = runJob (plan (out(), preset));
    ASSERT_TRUE (report.allCompleted) << report.toText();
    ASSERT_TRUE (report.sharedGainApplied);

    const auto& opening = cueNamed (report, "Opening");
    const auto& finale = cueNamed (report, "Finale");

    EXPECT_EQ (opening.gain.gainDb, report.sharedGain.gainDb);
    EXPECT_EQ (finale.gain.gainDb, report.sharedGain.gainDb);
    EXPECT_NEAR (report.sharedGain.measuredDb, linearPeakToDb (opening.mixTruePeak), 1e-9) << "Opening is louder";
    EXPECT_NEAR (linearPeakToDb (opening.afterGainTruePeak), -3.0, 1e-6);
    EXPECT_LT (linearPeakToDb (finale.afterGainTruePeak), -9.0);

    for (const auto* cue : { &opening, &finale })
        EXPECT_EQ (cue->reconstruction.state, State::passed) << cue->reconstruction.detail;

    EXPECT_TRUE (linesOf (report.toText()).contains ("  shared gain     " + formatFixed (report.sharedGain.gainDb, 2)
                                                     + " dB applied to every cue in this run"));
}

} // namespace
} // namespace korvid
