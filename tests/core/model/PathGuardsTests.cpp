#include "core/model/PathGuards.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    struct TemporaryFolder
    {
        TemporaryFolder()  { folder.createDirectory(); }
        ~TemporaryFolder() { folder.deleteRecursively(); }

        juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getChildFile ("velvane-paths-" + juce::Uuid().toString());
    };
}

TEST (PathGuards, IsWithinFolder)
{
    const struct { const char* folder; const char* path; bool inside; } cases[] {
        { "/out",      "/out/cue/a.wav",   true },
        { "/out/",     "/out/cue/a.wav",   true },    // a trailing separator does not matter
        { "/out",      "/out",             true },    // the folder itself
        { "/out",      "/output/a.wav",    false },   // a longer name is not a sub-folder
        { "/out",      "/",                false },
        { "/out/cue",  "/out/a.wav",       false },
        { "/out",      "/out/../etc/x",    false },   // resolved by juce::File before the test
        { "/out",      "/OUT/a.wav",       false },   // Linux names are case-sensitive
        { "/",         "/out/a.wav",       true },    // a root already ends with the separator
        { "/",         "/",                true },
    };

    for (const auto& c : cases)
        EXPECT_EQ (isWithinFolder (juce::File (c.folder), juce::File (c.path)), c.inside) << c.folder << " " << c.path;

    EXPECT_FALSE (isWithinFolder (juce::File(), juce::File ("/out/a.wav")));
    EXPECT_FALSE (isWithinFolder (juce::File ("/out"), juce::File()));
}

TEST (PathGuards, PathLength)
{
    // "/" + name: the full path has exactly the requested number of characters.
    const auto pathOfLength = [] (int length) { return juce::File ("/" + juce::String::repeatedString ("a", length - 1)); };

    EXPECT_TRUE (isPathLengthAllowed (pathOfLength (240)));
    EXPECT_FALSE (isPathLengthAllowed (pathOfLength (241)));

    // Characters, not bytes: 240 accented letters still pass.
    EXPECT_TRUE (isPathLengthAllowed (juce::File ("/" + juce::String::repeatedString (juce::CharPointer_UTF8 ("\xc3\xa9"), 239))));
}

TEST (PathGuards, CheckOutputFolder)
{
    TemporaryFolder temp;
    juce::String error = "old";

    EXPECT_FALSE (checkOutputFolder (juce::File(), error));
    EXPECT_EQ (error, "No output folder has been chosen.");

    EXPECT_FALSE (checkOutputFolder (juce::File ("/"), error));
    EXPECT_EQ (error, "Writing a delivery to the root of a volume is not allowed.");

    const auto file = temp.folder.getChildFile ("taken.txt");
    ASSERT_TRUE (file.replaceWithText ("x"));
    EXPECT_FALSE (checkOutputFolder (file, error));
    EXPECT_EQ (error, "The output folder is an existing file.");

    const auto missing = temp.folder.getChildFile ("a").getChildFile ("b");
    EXPECT_TRUE (checkOutputFolder (missing, error));
    EXPECT_TRUE (error.isEmpty());
    EXPECT_TRUE (missing.isDirectory());

    const auto underFile = file.getChildFile ("sub");
    EXPECT_FALSE (checkOutputFolder (underFile, error));
    EXPECT_TRUE (error.startsWith ("The output folder could not be created: ")) << error;

    if (! juce::SystemStats::getLogonName().equalsIgnoreCase ("root"))
    {
        const auto locked = temp.folder.getChildFile ("locked");
        ASSERT_TRUE (locked.createDirectory().wasOk());
        ASSERT_TRUE (locked.setReadOnly (true));
        EXPECT_FALSE (checkOutputFolder (locked, error));
        EXPECT_EQ (error, "The output folder is not writable.");
        locked.setReadOnly (false);
    }

    // A folder no one may write into, not even the administrator, although the access
    // check says otherwise.
    const juce::File procFolder ("/proc/self");

    if (procFolder.isDirectory())
    {
        EXPECT_FALSE (checkOutputFolder (procFolder, error));
        EXPECT_EQ (error, "The output folder is not writable.");
    }

    // The check leaves nothing behind in a folder it accepts.
    EXPECT_TRUE (checkOutputFolder (missing, error));
    EXPECT_EQ (missing.getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*")
                   + missing.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 0);
}
