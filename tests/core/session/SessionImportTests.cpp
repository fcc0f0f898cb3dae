#include "SessionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace korvid;
using namespace korvid::test;

namespace
{
    // One tree for every import test:
    //   Album/                     (no audio directly)
    //     Cue A/  Broken.wav Good.wav LOUD.WAV Resampled.wav splitted.wav Surround.wav
    //             Take_splitted_a.wav Strings_splitted.wav take_SPLITTED3.flac readme.txt
    //     Cue B/Nested/  Deep.aif
    class SessionImport : public ::testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            temp = new TempFolder();
            const auto cueA = album().getChildFile ("Cue A");
            writeShortWav (cueA.getChildFile ("Good.wav"));
            writeShortWav (cueA.getChildFile ("Resampled.wav"), 44100.0);
            writeShortWav (cueA.getChildFile ("Surround.wav"), 48000.0, 6);
            writeShortWav (cueA.getChildFile ("LOUD.WAV"));
            writeShortWav (cueA.getChildFile ("splitted.wav"));
            writeShortWav (cueA.getChildFile ("Take_splitted_a.wav"));
            writeShortWav (cueA.getChildFile ("Strings_splitted.wav"));
            writeTextFile (cueA.getChildFile ("take_SPLITTED3.flac"), "split source");
            writeTextFile (cueA.getChildFile ("Broken.wav"), "this is not audio");
            writeTextFile (cueA.getChildFile ("readme.txt"), "not an audio file");
            writeShortWav (album().getChildFile ("Cue B").getChildFile ("Nested").getChildFile ("Deep.aif"));
        }

        static void TearDownTestSuite()
        {
            delete temp;
            temp = nullptr;
        }

        static juce::File album() { return temp->file ("Album"); }
        static juce::String path (const juce::String& relative) { return album().getChildFile (relative).getFullPathName(); }

        static juce::String describeCues (const Session& session)
        {
            juce::StringArray lines;

            for (const auto& cue : session.getCues())
                lines.add (cue.name + "=" + cue.relativeFolder);

            return lines.joinIntoString ("|");
        }

        static juce::String describeTracks (const Session& session)
        {
            juce::StringArray names;

            for (const auto& track : session.getTracks())
                names.add (track.file.getFileName());

            return names.joinIntoString ("|");
        }

        inline static TempFolder* temp = nullptr;
    };
} // namespace

TEST_F (SessionImport, ImportsTheFixtureTreeWithNotesErrorsCuesAndSummary)
{
    Session session;
    RecordingListener listener (session);

    const auto result = session.importFiles ({ album().getFullPathName() }, true);

    EXPECT_EQ (result.imported, 7);
    EXPECT_EQ (result.unreadable, 1);
    EXPECT_EQ (result.alreadyInList, 0);
    EXPECT_EQ (result.alreadySplit.joinIntoString ("|"), "Strings_splitted.wav|take_SPLITTED3.flac");
    EXPECT_EQ (result.summaryText(), "7 imported, 2 already split, 1 could not be read");

    EXPECT_EQ (describeTracks (session),
               "Broken.wav|Good.wav|LOUD.WAV|Resampled.wav|splitted.wav|Surround.wav|Take_splitted_a.wav|Deep.aif");
    EXPECT_EQ (describeCues (session), "Cue A=Cue A|Nested=Cue B/Nested");

    // The import tells about the tracks, then the automatic assignment about assignments.
    EXPECT_EQ (listener.take(), "TA");
    EXPECT_EQ (session.getUndoDepth(), 2);

    const auto& broken = *session.findTrack (trackIdOf (session, "Broken.wav"));
    EXPECT_FALSE (broken.isUsable());
    EXPECT_TRUE (broken.error.isNotEmpty());
    EXPECT_EQ (broken.cueId, session.getCues()[0].id);    // the unreadable file still made its cue
    EXPECT_EQ (broken.reason, broken.error);
    EXPECT_EQ (result.problems.joinIntoString ("|"), "Broken.wav: " + broken.error);

    const struct
    {
        const char* fileName;
        const char* notes;
    } expectedNotes[] = {
        { "Good.wav", "" },
        { "LOUD.WAV", "" },
        { "Resampled.wav", "Sample rate is 44.1 kHz; it will be converted to 48.0 kHz." },
        { "Surround.wav", "6 channels; check that the delivery expects this width." },
        { "Deep.aif", "" },
    };

    for (const auto& expected : expectedNotes)
    {
        const auto* track = session.findTrack (trackIdOf (session, expected.fileName));
        ASSERT_NE (track, nullptr) << expected.fileName;
        EXPECT_TRUE (track->isUsable()) << expected.fileName;
        EXPECT_EQ (track->notes.joinIntoString ("|"), expected.notes) << expected.fileName;
        EXPECT_EQ (track->id.length(), 36) << expected.fileName;
    }

    EXPECT_EQ (session.usableTrackCount(), 7);
    EXPECT_EQ (session.findTrack (trackIdOf (session, "Deep.aif"))->cueId, session.getCues()[1].id);
}

TEST_F (SessionImport, ImportingTheSameFolderAgainAddsNothingAndDoesNotAssign)
{
    Session session;
    session.importFiles ({ album().getFullPathName() }, true);
    const int depth = session.getUndoDepth();
    RecordingListener listener (session);

    const auto again = session.importFiles ({ album().getFullPathName() }, true);

    EXPECT_EQ (again.summaryText(), "0 imported, 8 already in the list, 2 already split");
    EXPECT_EQ (session.getTracks().size(), 8u);
    EXPECT_EQ (session.getCues().size(), 2u);
    EXPECT_EQ (listener.take(), "T");
    EXPECT_EQ (session.getUndoDepth(), depth);
}

TEST_F (SessionImport, TheImportRootFollowsWhatWasDropped)
{
    const struct
    {
        const char* label;
        juce::StringArray paths;
        bool recurse;
        const char* cues;
        int tracks;
    } cases[] = {
        { "folder with audio", { path ("Cue A") }, false, "Cue A=Cue A", 7 },
        { "single file", { path ("Cue A/Good.wav") }, false, "Cue A=Cue A", 1 },
        { "only sub-folders, no recursion", { path ("") }, false, "", 0 },
        { "only sub-folders, recursing", { path ("Cue B") }, true, "Nested=Nested", 1 },
        { "a file and its folder", { path ("Cue A/Good.wav"), path ("Cue A") }, false, "Cue A=Cue A", 7 },
    };

    for (const auto& c : cases)
    {
        Session session;
        session.importFiles (c.paths, c.recurse);
        EXPECT_EQ (describeCues (session), c.cues) << c.label;
        EXPECT_EQ ((int) session.getTracks().size(), c.tracks) << c.label;
    }
}

TEST (SessionImportLimits, FoldersBelowEightLevelsAreNotScanned)
{
    TempFolder temp;
    auto folder = temp.file ("Top");

    for (int level = 1; level <= 10; ++level)
    {
        folder = folder.getChildFile ("L" + juce::String (level));
        // Empty files are enough to show which folders were looked into.
        writeTextFile (folder.getChildFile ("x" + juce::String (level) + ".wav"), {});
    }

    Session session;
    RecordingListener listener (session);
    const auto result = session.importFiles ({ temp.file ("Top").getFullPathName() }, true);

    EXPECT_EQ (result.problems.joinIntoString ("|"),
               "Stopped scanning below 'L9': the folder tree is deeper than 8 levels."
               "|x1.wav: The file is empty.|x2.wav: The file is empty.|x3.wav: The file is empty."
               "|x4.wav: The file is empty.|x5.wav: The file is empty.|x6.wav: The file is empty."
               "|x7.wav: The file is empty.|x8.wav: The file is empty.");
    EXPECT_EQ (result.summaryText(), "0 imported, 8 could not be read");
    EXPECT_EQ (session.getCues().back().relativeFolder, "L1/L2/L3/L4/L5/L6/L7/L8");
    EXPECT_EQ (listener.take(), "T");    // nothing read, so no automatic assignment
}

TEST (SessionImportLimits, StopsOnceAtTheTrackLimit)
{
    TempFolder temp;

    for (int i = 0; i < Session::maxTracks - 1; ++i)
        writeTextFile (temp.file ("Bulk").getChildFile ("t" + juce::String (i) + ".wav"), {});

    for (auto name : { "a.wav", "b.wav", "c.wav" })
        writeShortWav (temp.file ("New").getChildFile (name));

    Session session;
    session.importFiles ({ temp.file ("Bulk").getFullPathName() }, false);
    ASSERT_EQ ((int) session.getTracks().size(), Session::maxTracks - 1);

    const auto result = session.importFiles ({ temp.file ("New").getFullPathName() }, false);

    EXPECT_EQ (result.imported, 1);
    EXPECT_EQ (result.problems.joinIntoString ("|"), "Stopped at the limit of 2048 tracks.");
    EXPECT_EQ ((int) session.getTracks().size(), Session::maxTracks);
    EXPECT_EQ (session.getTracks().back().file.getFileName(), "a.wav");
}

TEST (SessionImportLimits, PathsThatAreNeitherFileNorFolderAreReported)
{
    TempFolder temp;
    const auto missing = temp.file ("gone").getChildFile ("x.wav").getFullPathName();

    Session session;
    const auto result = session.importFiles ({ missing, "relative/y.wav" }, true);

    EXPECT_EQ (result.problems.joinIntoString ("|"),
               "'" + missing + "' is neither a file nor a folder.|'relative/y.wav' is neither a file nor a folder.");
    EXPECT_TRUE (session.getTracks().empty());
    EXPECT_EQ (result.summaryText(), "0 imported");
}

TEST (SessionImportSummary, ListsOnlyTheCountsAboveZero)
{
    ImportResult result;
    result.imported = 3;
    result.alreadyInList = 1;
    EXPECT_EQ (result.summaryText(), "3 imported, 1 already in the list");

    result.alreadySplit = { "a_splitted.wav" };
    result.unreadable = 2;
    EXPECT_EQ (result.summaryText(), "3 imported, 1 already in the list, 1 already split, 2 could not be read");
}

// An import in two halves: the scan and probes on their own, then the tracks added, with
// the list as it is by then.
TEST_F (SessionImport, APreparedImportIsCheckedAgainstTheListWhenItIsFinished)
{
    Session session;
    session.importFiles ({ path ("Cue A/Good.wav") }, false);
    const auto goodId = trackIdOf (session, "Good.wav");

    auto prepared = prepareImport (session.makeImportRequest ({ path ("Cue A") }, false));

    // The file already listed is not probed again; the others are, the unreadable one with its sentence.
    juce::StringArray probed;

    for (const auto& candidate : prepared.candidates)
        probed.add (candidate.file.getFileName() + (candidate.probed ? (candidate.readable ? "+" : "!") : "-"));

    EXPECT_EQ (probed.joinIntoString ("|"),
               "Broken.wav!|Good.wav-|LOUD.WAV+|Resampled.wav+|splitted.wav+|Surround.wav+|Take_splitted_a.wav+");

    // Meanwhile one file comes in by another import, and the one that was listed leaves.
    session.importFiles ({ path ("Cue A/LOUD.WAV") }, false);
    session.removeTracks ({ goodId });
    RecordingListener listener (session);

    const auto result = session.finishImport (prepared);

    EXPECT_EQ (result.summaryText(), "5 imported, 1 already in the list, 2 already split, 1 could not be read");
    EXPECT_EQ (describeTracks (session),
               "LOUD.WAV|Broken.wav|Good.wav|Resampled.wav|splitted.wav|Surround.wav|Take_splitted_a.wav");
    EXPECT_TRUE (session.findTrack (trackIdOf (session, "Good.wav"))->isUsable());   // probed when it was finished
    EXPECT_EQ (session.getCues().size(), 1u);
    EXPECT_EQ (listener.take(), "TA");
}

TEST_F (SessionImport, APreparationProbesNoMoreThanFitsAndStopsWhenCancelled)
{
    Session session;
    auto request = session.makeImportRequest ({ path ("Cue A") }, false);
    EXPECT_EQ (request.room, Session::maxTracks);

    request.room = 2;
    const auto limited = prepareImport (request);
    ASSERT_EQ (limited.candidates.size(), 7u);
    EXPECT_EQ (std::count_if (limited.candidates.begin(), limited.candidates.end(),
                              [] (const ImportCandidate& c) { return c.probed; }), 2);

    int asked = 0;
    const auto cancelled = prepareImport (request, [&asked] { return ++asked > 1; });
    EXPECT_TRUE (cancelled.cancelled);
    EXPECT_FALSE (limited.cancelled);
}

TEST_F (SessionImport, TheListGenerationChangesOnlyWhenTheListIsEmptied)
{
    Session session;
    const int start = session.getListGeneration();

    session.clear();   // nothing to empty
    session.importFiles ({ path ("Cue A") }, false);
    session.removeTracks ({ trackIds (session)[0] });
    EXPECT_EQ (session.getListGeneration(), start);

    session.clear();
    EXPECT_EQ (session.getListGeneration(), start + 1);
}

TEST_F (SessionImport, NamesMatchedAheadCountOnlyWhileTheSchemaIsTheSame)
{
    const auto first = makeTestPreset ({ makeTestStem ("Good", { "good" }), makeTestStem ("Loud", { "loud" }) });
    const auto second = makeTestPreset ({ makeTestStem ("Other", { "good" }) });

    for (const bool schemaChanged : { false, true })
    {
        Session session;
        session.setPreset (first);
        const auto prepared = prepareImport (session.makeImportRequest ({ path ("Cue A") }, false));
        EXPECT_EQ (prepared.matchesByName.at ("Good.wav").stemId, "stem-Good");
        EXPECT_EQ (prepared.matchesByName.count ("Broken.wav"), 0u);   // unreadable: never matched

        if (schemaChanged)
            session.setPreset (second);

        session.finishImport (prepared);

        const auto* good = session.findTrack (trackIdOf (session, "Good.wav"));
        const auto* loud = session.findTrack (trackIdOf (session, "LOUD.WAV"));
        ASSERT_NE (good, nullptr);
        ASSERT_NE (loud, nullptr);
        EXPECT_EQ (good->stemId, schemaChanged ? "stem-Other" : "stem-Good") << schemaChanged;
        EXPECT_EQ (loud->stemId, schemaChanged ? "" : "stem-Loud") << schemaChanged;
        EXPECT_EQ (good->source, AssignmentSource::automatic);
    }
}

// A linked folder, or a link to one file, reaches files already in the list: each file stays
// one track, and the user hears why once however many were met.
TEST (SessionImportLinks, AFileIsListedOnceWhateverPathLeadsToIt)
{
    TempFolder temp;
    const auto folder = temp.file ("Cue");
    writeShortWav (folder.getChildFile ("Brass.wav"));
    writeShortWav (folder.getChildFile ("Strings.wav"));
    const auto linked = temp.file ("Linked");
    ASSERT_TRUE (folder.createSymbolicLink (linked, true));
    const auto fileLink = temp.file ("Loose").getChildFile ("Horn.wav");
    ASSERT_TRUE (fileLink.getParentDirectory().createDirectory());
    ASSERT_TRUE (folder.getChildFile ("Brass.wav").createSymbolicLink (fileLink, true));

    Session session;
    const auto first = session.importFiles ({ folder.getFullPathName() }, false);
    ASSERT_EQ (first.imported, 2);
    EXPECT_TRUE (first.problems.isEmpty()) << first.problems.joinIntoString ("\n");

    const auto again = session.importFiles ({ linked.getFullPathName(), fileLink.getFullPathName() }, false);
    EXPECT_EQ (again.imported, 0);
    EXPECT_EQ (again.alreadyInList, 3);
    EXPECT_EQ (again.problems, juce::StringArray ("3 files are already in the list under other paths (links lead "
                                                  "to them), so they were not added again."));
    EXPECT_EQ (session.getTracks().size(), 2u);

    // Both paths in one import, the link first: the files come in once, under the first path.
    Session fresh;
    const auto both = fresh.importFiles ({ linked.getFullPathName(), folder.getFullPathName() }, false);
    EXPECT_EQ (both.imported, 2);
    EXPECT_EQ (fresh.getTracks().size(), 2u);

    for (const auto& track : fresh.getTracks())
        EXPECT_EQ (track.file.getParentDirectory(), linked) << track.file.getFullPathName();

    Session one;
    one.importFiles ({ folder.getChildFile ("Strings.wav").getFullPathName() }, false);
    const auto single = one.importFiles ({ linked.getChildFile ("Strings.wav").getFullPathName() }, false);
    EXPECT_EQ (single.problems, juce::StringArray ("One file is already in the list under another path (a link "
                                                   "leads to it), so it was not added again."));
}
