#include "SessionTestSupport.h"

#include "core/model/PathGuards.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    // Other.wav is imported; Take.wav and a folder named Dir.wav stand beside it.
    struct RenameFixture
    {
        RenameFixture()
        {
            writeShortWav (cue().getChildFile ("Other.wav"));
            writeTextFile (cue().getChildFile ("Take.wav"), "someone else's take");
            cue().getChildFile ("Dir.wav").createDirectory();
            session.importFiles ({ cue().getChildFile ("Other.wav").getFullPathName() }, false);
            trackId = trackIds (session)[0];
        }

        juce::File cue() const { return temp.file ("Cue"); }
        juce::File trackFile() const { return session.findTrack (trackId)->file; }

        TempFolder temp;
        Session session;
        juce::String trackId;
    };
} // namespace

TEST (SessionTrackFile, RefusedRenamesChangeNothingAndNeverReplaceAnotherFile)
{
    const struct
    {
        const char* label;
        const char* newName;
        const char* error;
    } cases[] = {
        { "nothing usable", " ..//.. ", "That name has nothing in it that can be used for a file name." },
        { "another file", "Take", "There is already a file called 'Take.wav' in that folder." },
        { "another file in other letter case", "take", "There is already a file called 'take.wav' in that folder." },
        { "a folder", "DIR", "There is already a file called 'DIR.wav' in that folder." },
        // Imports skip these, a project's reopening too: the take would drop out of the list.
        { "a name imports skip", "Other_splitted",
          "Names ending in _splitted mark files that were split before. Choose another name." },
        { "a numbered one in other letter case", "Other_SPLITTED2",
          "Names ending in _splitted mark files that were split before. Choose another name." },
    };

    for (const auto& c : cases)
    {
        RenameFixture fixture;
        RecordingListener listener (fixture.session);
        juce::String error;

        EXPECT_FALSE (fixture.session.renameTrackFile (fixture.trackId, c.newName, error)) << c.label;
        EXPECT_EQ (error, c.error) << c.label;
        EXPECT_EQ (fixture.trackFile().getFileName(), "Other.wav") << c.label;
        EXPECT_TRUE (fixture.trackFile().existsAsFile()) << c.label;
        EXPECT_EQ (fixture.cue().getChildFile ("Take.wav").loadFileAsString(), "someone else's take") << c.label;
        EXPECT_EQ (fixture.cue().findChildFiles (juce::File::findFilesAndDirectories, false).size(), 3) << c.label;
        EXPECT_EQ (listener.take(), "") << c.label;
    }
}

TEST (SessionTrackFile, RefusesUnknownTracksMissingFilesAndOverlongPaths)
{
    RenameFixture fixture;
    auto& session = fixture.session;
    juce::String error;

    EXPECT_FALSE (session.renameTrackFile ("no-such-track", "Name", error));
    EXPECT_EQ (error, "That track is no longer in the list.");

    // A deep folder and the longest name the cleaning keeps (120 characters) pass 240.
    const auto deep = fixture.temp.file (juce::String::repeatedString ("d", 100)).getChildFile ("Cue");
    writeShortWav (deep.getChildFile ("Short.wav"));
    session.importFiles ({ deep.getChildFile ("Short.wav").getFullPathName() }, false);
    ASSERT_GT (deep.getFullPathName().length() + 1 + 120 + 4, maxPathLength);

    EXPECT_FALSE (session.renameTrackFile (trackIdOf (session, "Short.wav"),
                                           juce::String::repeatedString ("n", 300), error));
    EXPECT_EQ (error, "That name makes the path too long for this system.");
    EXPECT_TRUE (deep.getChildFile ("Short.wav").existsAsFile());

    fixture.trackFile().moveFileTo (fixture.cue().getChildFile ("Moved.wav"));
    EXPECT_FALSE (session.renameTrackFile (fixture.trackId, "Name", error));
    EXPECT_EQ (error, "That file is not where it was imported from. It may have been moved or renamed since it "
                      "was added to the list.");
}

TEST (SessionTrackFile, RenamesInPlaceKeepingTheExtension)
{
    RenameFixture fixture;
    auto& session = fixture.session;
    RecordingListener listener (session);
    const int depth = session.getUndoDepth();
    juce::String error;

    // The current name: nothing happens.
    EXPECT_TRUE (session.renameTrackFile (fixture.trackId, " Other ", error));
    EXPECT_EQ (listener.take(), "");

    // Letter case alone renames the file itself.
    EXPECT_TRUE (session.renameTrackFile (fixture.trackId, "OTHER", error)) << error;
    EXPECT_EQ (fixture.trackFile().getFileName(), "OTHER.wav");
    EXPECT_TRUE (fixture.trackFile().existsAsFile());
    EXPECT_EQ (listener.take(), "T");

    EXPECT_TRUE (session.renameTrackFile (fixture.trackId, "Cello: take 2", error)) << error;
    EXPECT_EQ (fixture.trackFile(), fixture.cue().getChildFile ("Cello- take 2.wav"));
    EXPECT_TRUE (fixture.trackFile().existsAsFile());
    EXPECT_FALSE (fixture.cue().getChildFile ("OTHER.wav").exists());
    EXPECT_EQ (listener.take(), "T");
    EXPECT_EQ (session.getUndoDepth(), depth);
}

// A take gone from the disk still names its track's file: taking its name would leave two
// tracks reading one file, and the render would deliver that audio twice.
TEST (SessionTrackFile, ANameAnotherTrackUsesIsRefusedEvenWhenItsFileIsGone)
{
    RenameFixture fixture;
    auto& session = fixture.session;
    const auto gone = fixture.cue().getChildFile ("Gone.wav");
    writeShortWav (gone);
    session.importFiles ({ gone.getFullPathName() }, false);
    ASSERT_TRUE (gone.deleteFile());

    for (const auto* name : { "Gone", "GONE" })
    {
        juce::String error;
        EXPECT_FALSE (session.renameTrackFile (fixture.trackId, name, error)) << name;
        EXPECT_EQ (error, "Another track in the list already uses the name '" + juce::String (name) + ".wav'.");
        EXPECT_EQ (fixture.trackFile().getFileName(), "Other.wav");
        EXPECT_FALSE (gone.exists());
    }
}

// Through a linked folder, another path names the same files: a rename there must still see
// the listed take whose file is gone, or two tracks would end up reading one file.
TEST (SessionTrackFile, ANameTakenThroughALinkIsRefusedToo)
{
    RenameFixture fixture;
    auto& session = fixture.session;
    const auto linked = fixture.temp.file ("Linked");
    ASSERT_TRUE (fixture.cue().createSymbolicLink (linked, true));

    const auto gone = fixture.cue().getChildFile ("Gone.wav");
    writeShortWav (gone);
    writeShortWav (fixture.cue().getChildFile ("Brass.wav"));
    session.importFiles ({ gone.getFullPathName(), linked.getChildFile ("Brass.wav").getFullPathName() }, false);
    ASSERT_EQ (session.getTracks().size(), 3u);
    ASSERT_TRUE (gone.deleteFile());

    const auto brass = trackIdOf (session, "Brass.wav");
    juce::String error;
    EXPECT_FALSE (session.renameTrackFile (brass, "gone", error));
    EXPECT_EQ (error, "Another track in the list already uses the name 'gone.wav'.");
    EXPECT_EQ (session.findTrack (brass)->file, linked.getChildFile ("Brass.wav"));
    EXPECT_TRUE (fixture.cue().getChildFile ("Brass.wav").existsAsFile());

    EXPECT_TRUE (session.isFileOfAnotherTrack (linked.getChildFile ("Other.wav")));
    EXPECT_FALSE (session.isFileOfAnotherTrack (linked.getChildFile ("Other.wav"), fixture.trackId));
}
