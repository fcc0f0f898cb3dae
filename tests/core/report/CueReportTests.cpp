#include "core/report/CueReport.h"

#include "ReportFixtures.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    void expectLines (const juce::String& text, const juce::StringArray& expected)
    {
        // Every line ends in CR LF; no lone line feed or carriage return.
        EXPECT_FALSE (text.replace ("\r\n", "").containsAnyOf ("\r\n"));
        EXPECT_FALSE (text.endsWith ("\r\n"));

        const auto lines = linesWithoutDates (text, "\r\n");

        for (int i = 0; i < std::max (lines.size(), expected.size()); ++i)
            EXPECT_EQ (lines[i], expected[i]) << "line " << (i + 1);
    }
}

TEST (CueReportText, PrintsEverySectionOfADeliveredCue)
{
    expectLines (mainTitleCue().toText(), mainTitleReportLines());
}

TEST (CueReportText, PrintsACancelledCueWithoutNameStemsOrLevels)
{
    expectLines (cancelledCue().toText(), cancelledReportLines());
}

TEST (CueReportText, StampsTheGivenLocalTime)
{
    const juce::Time when (2026, 11, 8, 17, 15, 41, 0, true);
    const auto lines = juce::StringArray::fromLines (mainTitleCue().toText (when));
    EXPECT_EQ (lines[1], "8 Dec 2026 5:15:41pm");
}

TEST (CueReportText, ReconstructionStateAndOutcomeLines)
{
    using State = ReconstructionResult::State;

    struct Case { State state; bool completed; bool cancelled; const char* checkLine; const char* outcome; };
    const Case cases[] {
        { State::notRun,  false, false, "  not run",                   "Render did not complete." },
        { State::passed,  true,  false, "  PASSED  sums match",        "Render completed." },
        { State::failed,  true,  false, "  FAILED  sums match",        "Render completed." },
        { State::skipped, true,  true,  "  skipped: sums match",       "Render cancelled by the user." },
    };

    for (const auto& c : cases)
    {
        CueReport cue;
        cue.reconstruction.state = c.state;
        cue.reconstruction.detail = "sums match";
        cue.completed = c.completed;
        cue.cancelled = c.cancelled;

        const auto lines = linesWithoutDates (cue.toText(), "\r\n");
        const auto heading = lines.indexOf ("Reconstruction check");
        ASSERT_GE (heading, 0);
        EXPECT_EQ (lines[heading + 1], c.checkLine);
        EXPECT_EQ (lines[lines.size() - 2], c.outcome);
    }
}

TEST (CueReportCounts, CountsAndWordsFollowTheNumber)
{
    struct Case { int assigned; int empty; const char* assignedText; const char* emptyText; };
    const Case cases[] {
        { 0, 0, "0 stems assigned", "0 empty stems" },
        { 1, 1, "1 stem assigned",  "1 empty stem" },
        { 3, 2, "3 stems assigned", "2 empty stems" },
    };

    for (const auto& c : cases)
    {
        CueReport cue;

        for (int i = 0; i < c.empty; ++i)
            cue.stems.push_back (stemResult (i, "empty", 0, -400.0));

        for (int i = 0; i < c.assigned; ++i)
            cue.stems.push_back (stemResult (i, "used", 1, -6.0));

        EXPECT_EQ (cue.assignedStemCount(), c.assigned);
        EXPECT_EQ (cue.emptyStemCount(), c.empty);
        EXPECT_EQ (cue.assignedStemsText(), c.assignedText);
        EXPECT_EQ (cue.emptyStemsText(), c.emptyText);
    }
}

TEST (CueReportText, ACueThatStoppedShowsADashForWhatItNeverMeasured)
{
    struct Case
    {
        const char* what;
        bool completed, cancelled, levelsMeasured, afterGainKnown, stemMeasured;
        const char* mixPeak;
        const char* afterGain;
        const char* stemLine;
    };

    const Case cases[] {
        { "failed before measuring", false, false, false, false, false,
          "  mix peak      -", "  after gain     -", "  01  Strings             3 track(s)  peak        -" },
        { "failed after summing the stem", false, false, false, false, true,
          "  mix peak      -", "  after gain     -", "  01  Strings             3 track(s)  peak        -" },
        { "cancelled while measuring after the gain", false, true, true, false, true,
          "  mix peak      -6.02 dB", "  after gain     -", "  01  Strings             3 track(s)  peak    -4.50 dB" },
        { "cancelled before the stem was summed", false, true, true, true, false,
          "  mix peak      -6.02 dB", "  after gain     -3.00 dB true peak", "  01  Strings             3 track(s)  peak        -" },
        { "completed, whatever the flags", true, false, false, false, false,
          "  mix peak      -6.02 dB", "  after gain     -3.00 dB true peak", "  01  Strings             3 track(s)  peak    -4.50 dB" },
    };

    for (const auto& c : cases)
    {
        auto cue = mainTitleCue();
        cue.completed = c.completed;
        cue.cancelled = c.cancelled;
        cue.levelsMeasured = c.levelsMeasured;
        cue.afterGainKnown = c.afterGainKnown;
        cue.levelRemeasured = false;
        cue.stems[0].measured = c.stemMeasured;

        const auto lines = linesWithoutDates (cue.toText(), "\r\n");
        EXPECT_TRUE (lines.contains (c.mixPeak)) << c.what;
        EXPECT_TRUE (lines.contains (c.afterGain)) << c.what;
        EXPECT_TRUE (lines.contains (c.stemLine)) << c.what;
        EXPECT_EQ (lines.contains ("  global gain   -"), ! c.completed && ! c.levelsMeasured) << c.what;
    }
}

TEST (CueReportText, AStemWithoutAFileOfThisRunHasNoNumberAndSaysSo)
{
    // Stems as a stop while writing leaves them: written; measured but not written;
    // failed on reading again; empty. An unwritten stem's planned number may be on a file
    // of an earlier delivery in the same folder, so its column stays blank.
    auto cue = mainTitleCue();
    cue.completed = false;
    cue.cancelled = true;
    cue.levelsMeasured = true;
    cue.afterGainKnown = true;
    cue.files.resize (1);

    auto strings = stemResult (1, "Strings", 3, -4.5);
    strings.fileNumber = 7;               // the number its file carries, not its place
    auto brass = stemResult (2, "Brass", 1, -9.0);
    brass.filesWritten = 0;
    brass.fileNumber = 0;
    auto piano = stemResult (3, "Piano", 2, -400.0);
    piano.filesWritten = 0;
    piano.errors.add ("'piano.wav' has changed since it was imported.");
    auto silent = stemResult (4, "Room", 1, -400.0);
    silent.digitalSilence = true;         // measured as silence, then stopped before its file
    silent.filesWritten = 0;
    cue.stems = { strings, brass, piano, silent, stemResult (5, "Choir", 0, -400.0) };

    for (auto& stem : cue.stems)
        stem.measured = ! stem.empty;

    const auto lines = linesWithoutDates (cue.toText(), "\r\n");
    const auto heading = lines.indexOf ("4 stems assigned, 1 empty stem");
    ASSERT_GE (heading, 0);

    const juce::StringArray expected {
        "  07  Strings             3 track(s)  peak    -4.50 dB",
        "      Brass               1 track(s)  peak    -9.00 dB   not written",
        "      Piano               2 track(s)  peak     -inf dB   not written",
        "        error: 'piano.wav' has changed since it was imported.",
        "      Room                1 track(s)  peak     -inf dB   digital silence   not written",
        "",
        "Please note - these stems were in the preset and had nothing assigned:",
        "  Choir",
    };

    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ (lines[heading + 1 + i], expected[i]) << "line " << (i + 1);
}
