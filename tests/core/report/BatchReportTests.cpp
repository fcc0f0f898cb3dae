#include "core/report/BatchReport.h"

#include "ReportFixtures.h"
#include "core/audio/AudioTestFiles.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    void expectLines (const juce::StringArray& lines, const juce::StringArray& expected)
    {
        for (int i = 0; i < std::max (lines.size(), expected.size()); ++i)
            EXPECT_EQ (lines[i], expected[i]) << "line " << (i + 1);
    }

    juce::StringArray concatenated (std::initializer_list<juce::StringArray> parts)
    {
        juce::StringArray all;

        for (const auto& part : parts)
            all.addArray (part);

        return all;
    }
}

TEST (BatchReportText, PrintsSummaryThenEveryCueThenRunErrors)
{
    const auto text = twoCueBatch().toText();
    EXPECT_FALSE (text.replace ("\r\n", "").containsAnyOf ("\r\n"));

    const juce::String rule = juce::String::repeatedString ("=", 63);

    const auto expected = concatenated ({
        { "Velvane 0.95.0 batch report",
          "<date>",
          "Output root: /deliveries",
          "",
          "Summary",
          "  cues rendered   1 of 2",
          "  files written   4",
          "  shared gain     -1.50 dB applied to every cue in this run",
          "  NEEDS ATTENTION Delivery",
          "  elapsed         20.1 s",
          "",
          rule },
        mainTitleReportLines(),
        { "", rule },
        cancelledReportLines(),
        { "",
          "Run errors",
          "  The output folder filled up." },
    });

    expectLines (linesWithoutDates (text, "\r\n"), expected);
}

TEST (BatchReportText, OneCueGivesExactlyThatCuesReport)
{
    const juce::Time when (2026, 11, 8, 17, 15, 41, 0, true);

    BatchReport batch;
    batch.cues.push_back (mainTitleCue());
    batch.outputRoot = juce::File ("/deliveries");
    batch.sharedGainApplied = true;
    batch.runErrors.add ("Not printed for a single cue.");

    EXPECT_EQ (batch.toText (when), batch.cues.front().toText (when));
}

TEST (BatchReportText, EmptyRunPrintsZeroCountsAndItsRunErrors)
{
    BatchReport batch;
    batch.runErrors.add ("There is nothing to render.");

    expectLines (linesWithoutDates (batch.toText(), "\r\n"), {
        "Velvane 0.95.0 batch report",
        "<date>",
        "",
        "Summary",
        "  cues rendered   0 of 0",
        "  files written   0",
        "  elapsed         0.0 s",
        "",
        "Run errors",
        "  There is nothing to render.",
    });
}

TEST (BatchReportDeliveryList, ListsFilesPerCueWithColumnsOfTheirOwn)
{
    const auto text = twoCueBatch().deliveryListText();
    EXPECT_FALSE (text.containsChar ('\r'));
    EXPECT_FALSE (text.endsWithChar ('\n'));

    expectLines (linesWithoutDates (text, "\n"), {
        "4 files in 2 cues",
        "",
        "Main Title",
        "  Main Title_01_Strings.wav     stem              WAV 24bit 48kHz 2ch",
        "  Main Title_Full Mix.wav       full mix          WAV 24bit 48kHz 2ch",
        "  Main Title_Alt No Brass.wav   alternative mix   WAV 24bit 48kHz 2ch",
        "",
        "Delivery",
        "  x.aif   stem              AIFF 16bit 44.1kHz 2ch",
    });
}

TEST (BatchReportDeliveryList, SkipsCuesWithoutFilesAndIsEmptyWhenNothingWasWritten)
{
    BatchReport batch;
    batch.cues.push_back (CueReport());
    EXPECT_EQ (batch.deliveryListText(), "");

    auto single = cancelledCue();
    single.cueName = "1M01";
    single.files.front().file = juce::File ("/deliveries/a-very-long-file-name.flac");
    single.files.front().formatDescription = "FLAC 24bit 96kHz 2ch";
    batch.cues.push_back (single);
    batch.cues.push_back (CueReport());

    EXPECT_EQ (batch.deliveryListText(), "1 file in 1 cue\n"
                                         "\n"
                                         "1M01\n"
                                         "  a-very-long-file-name.flac   stem              FLAC 24bit 96kHz 2ch");
}

TEST (BatchReportCounts, CountsFilesAndCuesNeedingAttention)
{
    using State = ReconstructionResult::State;

    struct Case { const char* what; bool completed; bool cancelled; bool error; State check; bool needsAttention; };
    const Case cases[] {
        { "delivered",             true,  false, false, State::passed,  false },
        { "check skipped",         true,  false, false, State::skipped, false },
        { "check not run",         true,  false, false, State::notRun,  false },
        { "has an error",          true,  false, true,  State::passed,  true },
        { "cancelled",             true,  true,  false, State::passed,  true },
        { "not completed",         false, false, false, State::notRun,  true },
        { "check failed",          true,  false, false, State::failed,  true },
    };

    BatchReport batch;
    int expectedAttention = 0;

    for (const auto& c : cases)
    {
        CueReport cue;
        cue.cueName = c.what;
        cue.completed = c.completed;
        cue.cancelled = c.cancelled;
        cue.reconstruction.state = c.check;

        if (c.error)
            cue.errors.add ("Something went wrong.");

        cue.files.push_back (writtenFile ("/d/" + juce::String (c.what) + ".wav", FileKind::stem, "WAV"));

        BatchReport one;
        one.cues.push_back (cue);
        EXPECT_EQ (one.countNeedingAttention(), c.needsAttention ? 1 : 0) << c.what;

        batch.cues.push_back (cue);
        expectedAttention += c.needsAttention ? 1 : 0;
    }

    EXPECT_EQ (batch.countNeedingAttention(), expectedAttention);
    EXPECT_EQ (batch.filesWrittenCount(), (int) std::size (cases));
    EXPECT_EQ (twoCueBatch().filesWrittenCount(), 4);
    EXPECT_EQ (BatchReport().filesWrittenCount(), 0);
    EXPECT_EQ (BatchReport().countNeedingAttention(), 0);
}

TEST (BatchReportCounts, FirstCueFallsBackToOneSharedDefaultReport)
{
    const auto batch = twoCueBatch();
    EXPECT_EQ (&batch.firstCue(), &batch.cues.front());

    const BatchReport empty;
    const auto& fallback = empty.firstCue();
    EXPECT_EQ (&fallback, &BatchReport().firstCue());
    EXPECT_FALSE (fallback.completed);
    EXPECT_TRUE (fallback.cueName.isEmpty());
    EXPECT_EQ (fallback.peakMode, PeakMode::truePeak);
    EXPECT_EQ (fallback.gain.targetDb, -3.0);
    EXPECT_EQ (fallback.gain.measuredDb, -400.0);
    EXPECT_EQ (fallback.reconstruction.state, ReconstructionResult::State::notRun);
    EXPECT_TRUE (fallback.stems.empty() && fallback.files.empty());
}

//==============================================================================
namespace
{
    struct RenameFixture
    {
        TempFolder temp;
        juce::File folder { temp.folder };
        juce::File stem;
        juce::File neighbour;
        BatchReport batch;

        RenameFixture()
        {
            stem = folder.getChildFile ("Cue_01_Strings.wav");
            neighbour = folder.getChildFile ("Cue_02_Brass.wav");
            stem.replaceWithText ("strings");
            neighbour.replaceWithText ("brass");

            // The same file listed twice, in two cues, and another file beside it.
            CueReport first;
            first.files.push_back (writtenFile (stem.getFullPathName(), FileKind::stem, "WAV"));
            first.files.push_back (writtenFile (neighbour.getFullPathName(), FileKind::stem, "WAV"));
            CueReport second;
            second.files.push_back (writtenFile (stem.getFullPathName(), FileKind::stem, "WAV"));
            batch.cues = { first, second };
        }
    };
}

TEST (BatchReportRename, RenamesOnDiskAndEveryEntryNamingTheFile)
{
    RenameFixture fixture;
    juce::String error ("untouched");

    ASSERT_TRUE (fixture.batch.renameWrittenFile (fixture.stem, "  Cue 01: Violins?  ", error));

    const auto renamed = fixture.folder.getChildFile ("Cue 01- Violins-.wav");
    EXPECT_TRUE (renamed.existsAsFile());
    EXPECT_FALSE (fixture.stem.exists());
    EXPECT_EQ (renamed.loadFileAsString(), "strings");
    EXPECT_EQ (fixture.batch.cues[0].files[0].file, renamed);
    EXPECT_EQ (fixture.batch.cues[1].files[0].file, renamed);
    EXPECT_EQ (fixture.batch.cues[0].files[1].file, fixture.neighbour);
}

TEST (BatchReportRename, OwnNameSucceedsWithoutTouchingTheDisk)
{
    RenameFixture fixture;
    const auto modified = juce::Time (2001, 0, 1, 0, 0);
    fixture.stem.setLastModificationTime (modified);
    juce::String error;

    EXPECT_TRUE (fixture.batch.renameWrittenFile (fixture.stem, " Cue_01_Strings ", error));
    EXPECT_TRUE (fixture.stem.existsAsFile());
    EXPECT_EQ (fixture.stem.getLastModificationTime(), modified);
    EXPECT_EQ (fixture.batch.cues[0].files[0].file, fixture.stem);
}

TEST (BatchReportRename, LetterCaseAloneRenamesTheFileItself)
{
    RenameFixture fixture;
    juce::String error;

    ASSERT_TRUE (fixture.batch.renameWrittenFile (fixture.stem, "CUE_01_STRINGS", error)) << error;

    const auto renamed = fixture.folder.getChildFile ("CUE_01_STRINGS.wav");
    EXPECT_EQ (renamed.loadFileAsString(), "strings");
    EXPECT_EQ (fixture.batch.cues[0].files[0].file.getFileName(), "CUE_01_STRINGS.wav");
    EXPECT_EQ (fixture.folder.getNumberOfChildFiles (juce::File::findFiles), 2);
}

TEST (BatchReportRename, RefusalsLeaveDiskAndReportUnchanged)
{
    RenameFixture fixture;
    const auto tooLong = juce::String::repeatedString ("n", 120);
    const auto deepFolder = fixture.folder.getChildFile (juce::String::repeatedString ("d", 150));
    deepFolder.createDirectory();
    const auto deepFile = deepFolder.getChildFile ("take.wav");
    deepFile.replaceWithText ("take");
    fixture.batch.cues[1].files.push_back (writtenFile (deepFile.getFullPathName(), FileKind::stem, "WAV"));

    struct Case { juce::File file; juce::String name; const char* error; };
    const Case cases[] {
        { fixture.folder.getChildFile ("gone.wav"), "new",
          "That file is not where the report says it is. It may have been moved or renamed since it was written." },
        { fixture.folder, "new",
          "That file is not where the report says it is. It may have been moved or renamed since it was written." },
        { fixture.stem, "<>:\"|?*", "That name has nothing in it that can be used for a file name." },
        { fixture.stem, "  ...  ", "That name has nothing in it that can be used for a file name." },
        { deepFile, tooLong, "That name makes the path too long for this system." },
        { fixture.stem, "Cue_02_Brass", "There is already a file called 'Cue_02_Brass.wav' in that folder." },
        // One file on a volume that ignores letter case, where deliveries end up.
        { fixture.stem, "cue_02_BRASS", "There is already a file called 'cue_02_BRASS.wav' in that folder." },
    };

    for (const auto& c : cases)
    {
        const auto before = fixture.batch;
        juce::String error;

        EXPECT_FALSE (fixture.batch.renameWrittenFile (c.file, c.name, error)) << c.name;
        EXPECT_EQ (error, c.error);

        for (size_t i = 0; i < before.cues.size(); ++i)
            for (size_t j = 0; j < before.cues[i].files.size(); ++j)
                EXPECT_EQ (fixture.batch.cues[i].files[j].file, before.cues[i].files[j].file);
    }

    EXPECT_EQ (fixture.stem.loadFileAsString(), "strings");
    EXPECT_EQ (fixture.neighbour.loadFileAsString(), "brass");
    EXPECT_EQ (deepFile.loadFileAsString(), "take");
    EXPECT_EQ (fixture.folder.getNumberOfChildFiles (juce::File::findFiles), 2);
}
