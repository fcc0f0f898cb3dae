#include "core/platform/FileIdentity.h"
#include "core/audio/AudioTestFiles.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

// Two spellings of one file must come out as one path; a path that does not exist yet keeps
// its tail, so a name about to be taken is compared the same way.
TEST (FileIdentity, EverySpellingOfAFileGivesOnePath)
{
    TempFolder temp;
    const auto folder = temp.file ("Takes");
    ASSERT_TRUE (folder.getChildFile ("Strings.wav").create());
    ASSERT_TRUE (folder.createSymbolicLink (temp.file ("Linked"), true));
    ASSERT_TRUE (folder.getChildFile ("Strings.wav").createSymbolicLink (temp.file ("Strings link.wav"), true));

    const auto real = fileWithLinksResolved (folder.getChildFile ("Strings.wav"));
    const auto realFolder = fileWithLinksResolved (folder);

    const struct
    {
        const char* label;
        juce::File spelling;
        juce::File expected;
    } cases[] = {
        { "the file itself", folder.getChildFile ("Strings.wav"), real },
        { "through a linked folder", temp.file ("Linked").getChildFile ("Strings.wav"), real },
        { "a link to the file", temp.file ("Strings link.wav"), real },
        { "a name not yet taken, through the link", temp.file ("Linked").getChildFile ("New.wav"),
          realFolder.getChildFile ("New.wav") },
        { "a folder that is not there", temp.file ("Nowhere").getChildFile ("New.wav"),
          fileWithLinksResolved (temp.folder).getChildFile ("Nowhere").getChildFile ("New.wav") },
    };

    for (const auto& c : cases)
        EXPECT_EQ (fileWithLinksResolved (c.spelling).getFullPathName(), c.expected.getFullPathName()) << c.label;

    EXPECT_EQ (fileWithLinksResolved (juce::File()), juce::File());
}
