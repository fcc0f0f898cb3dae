#include "core/platform/PrivateFolders.h"

#include "core/storage/ScratchFolder.h"
#include "support/ScopedEnvironmentVariable.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace korvid;

namespace
{
    int modeOf (const juce::File& file)
    {
        struct stat info {};
        lstat (file.getFullPathName().toRawUTF8(), &info);
        return (int) (info.st_mode & 0777);
    }
}

TEST (PrivateFolders, AFolderOnlyThisUserCanEnter)
{
    test::ScratchFolder scratch;

    // Made when missing, parents included, with no access for anyone else.
    const auto made = scratch.file ("a").getChildFile ("private");
    juce::String error;
    ASSERT_TRUE (preparePrivateFolder (made, error)) << error;
    EXPECT_TRUE (made.isDirectory());
    EXPECT_EQ (modeOf (made), 0700);

    // An existing one of this user loses what others could do there.
    const auto open = scratch.file ("open");
    ASSERT_TRUE (open.createDirectory().wasOk());
    chmod (open.getFullPathName().toRawUTF8(), 0777);
    ASSERT_TRUE (preparePrivateFolder (open, error)) << error;
    EXPECT_EQ (modeOf (open), 0700);

    // A link or a file in its place is never used.
    const auto link = scratch.file ("link");
    ASSERT_TRUE (made.createSymbolicLink (link, true));
    EXPECT_FALSE (preparePrivateFolder (link, error));
    EXPECT_EQ (error, "The folder for temporary files, " + link.getFullPathName() + ", cannot be used.");

    const auto file = scratch.file ("file");
    ASSERT_TRUE (file.replaceWithText ("x"));
    EXPECT_FALSE (preparePrivateFolder (file, error));
}

TEST (PrivateFolders, TheRuntimeFolderIsUsedOnlyWhenItIsTheUsersOwn)
{
    test::ScratchFolder scratch;
    const auto runtime = scratch.file ("runtime");
    ASSERT_TRUE (runtime.createDirectory().wasOk());

    {
        // Each program gets a folder of its own there, never the shared runtime folder itself.
        test::ScopedEnvironmentVariable variable ("XDG_RUNTIME_DIR", runtime.getFullPathName());
        EXPECT_EQ (privateBaseFolder ("Velvane"), runtime.getChildFile ("Velvane"));
        EXPECT_EQ (privateBaseFolder ("Other"), runtime.getChildFile ("Other"));
    }

    const auto appData = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("Velvane");

    ASSERT_TRUE (runtime.createSymbolicLink (scratch.file ("link"), true));

    for (const auto& refused : { scratch.file ("missing").getFullPathName(), scratch.file ("link").getFullPathName(),
                                 juce::String ("relative/path") })
    {
        test::ScopedEnvironmentVariable variable ("XDG_RUNTIME_DIR", refused);
        EXPECT_EQ (privateBaseFolder ("Velvane"), appData) << refused;
    }
}
