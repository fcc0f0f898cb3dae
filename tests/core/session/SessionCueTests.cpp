#include "SessionTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvid;
using namespace korvid::test;

namespace
{
    // Two cues: "Opening" with two tracks, "Finale" with one.
    struct TwoCues
    {
        TwoCues()
        {
            writeShortWav (temp.file ("Opening").getChildFile ("a.wav"));
            writeShortWav (temp.file ("Opening").getChildFile ("b.wav"));
            writeShortWav (temp.file ("Finale").getChildFile ("c.wav"));
            session.importFiles ({ temp.file ("Opening").getFullPathName(), temp.file ("Finale").getFullPathName() },
                                 false);
        }

        juce::String cueId (const juce::String& name) const
        {
            for (const auto& cue : session.getCues())
                if (cue.name == name)
                    return cue.id;

            return {};
        }

        TempFolder temp;
        Session session;
    };
} // namespace

TEST (SessionCues, CueIdsHashTheLowerCasedPath)
{
    // h = '/' = 47, then 47 * 101 + 'a' = 4844 = 0x12ec.
    EXPECT_EQ (cueIdForFolder (juce::File ("/a")), "12ec");
    EXPECT_EQ (cueIdForFolder (juce::File ("/Music/Cue 01")), cueIdForFolder (juce::File ("/music/CUE 01")));
    EXPECT_NE (cueIdForFolder (juce::File ("/music/cue 01")), cueIdForFolder (juce::File ("/music/cue 02")));
}

TEST (SessionCues, OutputFolderFollowsMirrorAndFolderPerCue)
{
    const juce::File exportFolder ("/deliveries/out");

    Cue cue;
    cue.name = "Opening";
    cue.relativeFolder = "Album/Cue 01";

    const struct
    {
        const char* name;
        const char* relativeFolder;
        bool mirror;
        bool perCue;
        const char* expected;   // below the export folder
    } cases[] = {
        { "Opening", "Album/Cue 01", true, true, "Album/Opening" },
        { "Opening", "Album/Cue 01", false, true, "Opening" },
        { "Opening", "Album/Cue 01", false, false, "" },
        { "Opening", "  ", true, true, "Opening" },                 // nothing to mirror
        { "  ", "Album/Cue 01", true, false, "Album/Cue 01" },      // a blank name keeps the folder's
        { "A/B: C", "..//x", true, false, "untitled/A-B- C" },      // every part made safe
        { "Opening", "//", true, false, "" },                       // no parts at all
    };

    for (const auto& c : cases)
    {
        cue.name = c.name;
        cue.relativeFolder = c.relativeFolder;
        const auto expected = juce::String (c.expected).isEmpty() ? exportFolder : exportFolder.getChildFile (c.expected);
        EXPECT_EQ (cueOutputFolder (cue, exportFolder, c.mirror, c.perCue).getFullPathName(),
                   expected.getFullPathName())
            << c.name << " / " << c.relativeFolder;
    }
}

TEST (SessionCues, RenameAcceptsOnlySafeNames)
{
    TwoCues fixture;
    auto& session = fixture.session;
    const auto id = fixture.cueId ("Opening");
    RecordingListener listener (session);

    const struct
    {
        juce::String name;
        bool accepted;
    } refused[] = {
        { "", false }, { "   ", false }, { "a/b", false }, { "a\\b", false }, { "a..b", false },
        { "a\tb", false }, { juce::String ("a") + juce::String::charToString (127) + "b", false },
        { juce::String::repeatedString ("x", Session::maxCueNameLength + 1), false },
    };

    for (const auto& c : refused)
        EXPECT_FALSE (session.renameCue (id, c.name)) << c.name;

    EXPECT_EQ (listener.take(), "");

    const int depth = session.getUndoDepth();
    EXPECT_TRUE (session.renameCue (id, "Opening"));          // unchanged: true, nothing told
    EXPECT_EQ (listener.take(), "");
    EXPECT_EQ (session.getUndoDepth(), depth);

    EXPECT_TRUE (session.renameCue (id, "  Main Title  "));
    EXPECT_EQ (session.findCue (id)->name, "Main Title");
    EXPECT_EQ (listener.take(), "T");
    EXPECT_EQ (session.getUndoDepth(), depth + 1);
    EXPECT_FALSE (session.renameCue ("no-such-cue", "Name"));

    // Cue names are part of the undo history.
    session.undo();
    EXPECT_EQ (session.findCue (id)->name, "Opening");
    session.redo();
    EXPECT_EQ (session.findCue (id)->name, "Main Title");
}

TEST (SessionCues, IncludedFlagAndTrimChangeOnlyWhenDifferent)
{
    TwoCues fixture;
    auto& session = fixture.session;
    const auto id = fixture.cueId ("Finale");
    RecordingListener listener (session);
    const int depth = session.getUndoDepth();

    session.setCueIncluded (id, true);
    session.setCueTrimStart (id, 0.0);
    EXPECT_EQ (listener.take(), "");

    session.setCueIncluded (id, false);
    EXPECT_FALSE (session.findCue (id)->included);
    session.setCueTrimStart (id, 1.5);
    EXPECT_EQ (session.findCue (id)->trimStartSeconds, 1.5);
    EXPECT_EQ (listener.take(), "TT");
    EXPECT_EQ (session.getUndoDepth(), depth + 2);

    for (double bad : { -2.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity() })
    {
        session.setCueTrimStart (id, 1.5);
        session.setCueTrimStart (id, bad);
        EXPECT_EQ (session.findCue (id)->trimStartSeconds, 0.0) << bad;
    }

    listener.take();
    session.setCueTrimStart (id, 0.0);
    session.setCueIncluded ("no-such-cue", true);
    EXPECT_EQ (listener.take(), "");
}

TEST (SessionCues, SubmixOverridesStartFromTheMixAndChangeOnlyOnADifference)
{
    TwoCues fixture;
    auto& session = fixture.session;
    const auto id = fixture.cueId ("Opening");
    RecordingListener listener (session);

    Submix mix;
    mix.id = "mix-1";
    mix.stems = { "s1", "s2" };

    EXPECT_EQ (session.findCue (id)->stemsForSubmix (mix), mix.stems);

    // Already a member: the override is created from the mix, nothing is told.
    session.setSubmixOverride (id, mix, "s1", true);
    EXPECT_EQ (session.findCue (id)->submixOverrides.count ("mix-1"), 1u);
    EXPECT_EQ (listener.take(), "");

    session.setSubmixOverride (id, mix, "s1", false);
    session.setSubmixOverride (id, mix, "s3", true);
    EXPECT_EQ (session.findCue (id)->stemsForSubmix (mix).joinIntoString ("|"), "s2|s3");
    EXPECT_EQ (listener.take(), "TT");

    // Overrides are not part of the undo history.
    session.undo();
    EXPECT_EQ (session.findCue (id)->stemsForSubmix (mix).joinIntoString ("|"), "s2|s3");

    session.setSubmixOverride ("no-such-cue", mix, "s9", true);
    EXPECT_EQ (session.findCue (fixture.cueId ("Finale"))->stemsForSubmix (mix), mix.stems);
}

TEST (SessionCues, RemovingTracksDropsEmptyCuesAndClearTellsOnlyWhenThereIsSomething)
{
    TwoCues fixture;
    auto& session = fixture.session;
    RecordingListener listener (session);
    const int depth = session.getUndoDepth();

    session.removeTracks ({ "no-such-track" });
    EXPECT_EQ (listener.take(), "");
    EXPECT_EQ (session.getUndoDepth(), depth);

    session.removeTracks ({ trackIdOf (session, "c.wav"), trackIdOf (session, "a.wav") });
    EXPECT_EQ (listener.take(), "T");
    EXPECT_EQ (session.getUndoDepth(), depth + 1);
    ASSERT_EQ (session.getCues().size(), 1u);
    EXPECT_EQ (session.getCues()[0].name, "Opening");
    EXPECT_EQ (session.cuesWithTracks().size(), 1u);
    EXPECT_EQ (trackIds (session).size(), 1);

    session.clear();
    EXPECT_EQ (listener.take(), "T");
    EXPECT_TRUE (session.getTracks().empty());
    EXPECT_TRUE (session.getCues().empty());

    session.clear();
    EXPECT_EQ (listener.take(), "");
    EXPECT_EQ (session.getUndoDepth(), depth + 2);
}

TEST (SessionCues, LookupsByIdFollowEveryChangeOfTheList)
{
    TwoCues fixture;
    auto& session = fixture.session;
    const auto a = trackIdOf (session, "a.wav");
    const auto b = trackIdOf (session, "b.wav");
    const auto c = trackIdOf (session, "c.wav");
    const auto opening = fixture.cueId ("Opening");
    const auto finale = fixture.cueId ("Finale");

    const auto nameOf = [&session] (const juce::String& id)
    {
        const auto* track = session.findTrack (id);
        return track != nullptr ? track->file.getFileName() : juce::String ("-");
    };

    // A removal in the middle moves the tracks behind it.
    session.removeTracks ({ b });
    EXPECT_EQ (nameOf (a) + nameOf (b) + nameOf (c), "a.wav-c.wav");
    ASSERT_NE (session.findCue (finale), nullptr);
    EXPECT_EQ (session.findCue (finale)->name, "Finale");

    session.removeTracks ({ a });
    EXPECT_EQ (session.findCue (opening), nullptr);
    EXPECT_EQ (session.findCue (finale)->name, "Finale");
    EXPECT_EQ (nameOf (c), "c.wav");

    // Assignments reach the track the id names, not the one at its old position.
    auto preset = makeTestPreset ({ makeTestStem ("Keys", { "zzz" }) });
    session.setPreset (preset);
    session.assignTracks ({ c }, "stem-Keys", false);
    EXPECT_EQ (session.findTrack (c)->stemId, "stem-Keys");

    session.clear();
    EXPECT_EQ (session.findTrack (c), nullptr);
    EXPECT_EQ (session.findCue (finale), nullptr);

    // Imported again: new ids, found; the old ones stay gone.
    session.importFiles ({ fixture.temp.file ("Opening").getFullPathName() }, false);
    EXPECT_EQ (nameOf (trackIdOf (session, "b.wav")), "b.wav");
    EXPECT_EQ (session.findTrack (b), nullptr);
    EXPECT_EQ (session.findCue (opening)->name, "Opening");
}
