#include "core/storage/DocumentReading.h"

#include "core/storage/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvid;

TEST (DocumentReading, ReadsUpToTheLimitAndRefusesBeyondIt)
{
    test::ScratchFolder scratch;
    const auto file = scratch.file ("document.json");

    struct Case
    {
        const char* content;
        DocumentRead expected;
        juce::String text;
    };

    const Case cases[] {
        { "0123456789", DocumentRead::ok, "0123456789" },
        { "0123456789A", DocumentRead::tooLarge, "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.content);
        ASSERT_TRUE (file.replaceWithData (c.content, std::strlen (c.content)));
        juce::String text ("earlier");
        EXPECT_EQ (readDocumentText (file, 10, text), c.expected);
        EXPECT_EQ (text, c.text);
    }

    juce::String text;
    EXPECT_EQ (readDocumentText (scratch.file ("missing.json"), 10, text), DocumentRead::unreadable);
    EXPECT_EQ (readDocumentText (scratch.folder, 10, text), DocumentRead::unreadable);
}
