#include "core/platform/FileMoves.h"

#include "core/storage/ScratchFolder.h"

#include <gtest/gtest.h>

#if ! JUCE_WINDOWS
 #include <unistd.h>
#endif

using namespace korvid;

#if ! JUCE_WINDOWS
// Two names of one file (a hard link here, a change of letter case on a volume that ignores
// case) take the way through a name aside; whatever comes of it, no aside name stays.
TEST (FileMoves, AMoveOntoAnotherNameOfTheSameFileLeavesNoAsideName)
{
    test::ScratchFolder temp;
    const auto take = temp.file ("Take.wav");
    const auto sameFile = temp.file ("take.wav");
    ASSERT_TRUE (take.replaceWithText ("audio"));
    ASSERT_EQ (::link (take.getFullPathName().toRawUTF8(), sameFile.getFullPathName().toRawUTF8()), 0);
    ASSERT_TRUE (isSameFile (take, sameFile));

    EXPECT_FALSE (moveFileWithoutReplacing (take, sameFile)) << "the other name is taken on this volume";

    EXPECT_EQ (temp.entryNames(), juce::StringArray ("Take.wav", "take.wav"));
    EXPECT_EQ (take.loadFileAsString(), "audio");
}
#endif
