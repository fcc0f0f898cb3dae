#include "ui/Fonts.h"
#include "ui/TextFit.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    TEST (TextFitTests, ANameTooLongForItsRoomKeepsItsStartAndItsEnd)
    {
        const auto font = bodyFont();
        const juce::String ellipsis = juce::String::charToString ((juce::juce_wchar) 0x2026);
        const juce::String name ("1M01 The Long Goodbye Across The Northern Sea Opening Titles_02_Strings.wav");
        const float whole = font.getStringWidthFloat (name);

        struct Case
        {
            const char* what;
            juce::String text;
            float width;
        };

        const Case cases[] = {
            { "room to spare", name, whole + 50.0f },
            { "exactly its room", name, whole },
            { "a pixel short", name, whole - 1.0f },
            { "half its room", name, whole * 0.5f },
            { "a table's narrowest name", name, 140.0f },
            { "room for a few letters", name, font.getStringWidthFloat ("1M" + ellipsis + "av") + 1.0f },
            { "short and whole", "Mix.wav", 200.0f },
            { "no text", {}, 10.0f },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const auto shown = elideMiddle (c.text, font, c.width);
            EXPECT_LE (font.getStringWidthFloat (shown), c.width);

            if (font.getStringWidthFloat (c.text) <= c.width)
            {
                EXPECT_EQ (shown, c.text);
                continue;
            }

            // Some of the start, the ellipsis, and the end, which tells such names apart.
            const auto parts = juce::StringArray::fromTokens (shown, ellipsis, {});
            ASSERT_EQ (parts.size(), 2) << shown;
            EXPECT_TRUE (parts[0].isNotEmpty() && c.text.startsWith (parts[0])) << shown;
            EXPECT_TRUE (parts[1].isNotEmpty() && c.text.endsWith (parts[1])) << shown;
            EXPECT_LT (parts[0].length() + parts[1].length(), c.text.length());

            // As much as the room holds: a character more on either side would not fit.
            const auto head = c.text.substring (0, parts[0].length() + 1);
            const auto tail = c.text.substring (c.text.length() - parts[1].length() - 1);
            EXPECT_GT (font.getStringWidthFloat (parts[0] + ellipsis + tail), c.width) << shown;
            EXPECT_TRUE (font.getStringWidthFloat (head + ellipsis + parts[1]) > c.width
                         || font.getStringWidthFloat (head) > c.width * 0.5f) << shown;
        }

        // The end of a delivered file's name survives where the table is narrowest.
        EXPECT_TRUE (elideMiddle (name, font, 200.0f).endsWith ("Strings.wav"));

        // Too little room even for a letter a side: the ellipsis alone says something is there.
        EXPECT_EQ (elideMiddle (name, font, font.getStringWidthFloat (ellipsis) + 2.0f), ellipsis);
    }

    TEST (TextFitTests, AFigureOrWordTooLongForItsRoomKeepsItsStartBeforeAnEllipsis)
    {
        const auto font = bodyFont();
        const juce::String ellipsis = juce::String::charToString ((juce::juce_wchar) 0x2026);

        struct Case
        {
            const char* what;
            juce::String text;
            float width;
            juce::String shown;   // empty: as much of the start as fits, then the ellipsis
        };

        const Case cases[] = {
            { "room to spare", "-13.8 dB", font.getStringWidthFloat ("-13.8 dB") + 20.0f, "-13.8 dB" },
            { "exactly its room", "49.4 MB", font.getStringWidthFloat ("49.4 MB"), "49.4 MB" },
            { "a pixel short", "49.4 MB", font.getStringWidthFloat ("49.4 MB") - 1.0f, {} },
            { "half its room", "WAV 24bit 48kHz 2ch", font.getStringWidthFloat ("WAV 24bit 48kHz 2ch") * 0.5f, {} },
            { "a cut after a space drops the space", "own gain, not the exact sum",
              font.getStringWidthFloat ("own gain, " + ellipsis) + 1.0f, "own gain," + ellipsis },
            { "no room for a letter", "stem", font.getStringWidthFloat (ellipsis) + 1.0f, ellipsis },
            { "no text", {}, 10.0f, {} },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            const auto shown = elideEnd (c.text, font, c.width);
            EXPECT_LE (font.getStringWidthFloat (shown), c.width);

            if (c.shown.isNotEmpty() || c.text.isEmpty())
            {
                EXPECT_EQ (shown, c.shown);
                continue;
            }

            // The start of the text, the ellipsis, and no room for the next letter (past any
            // space the cut left out).
            ASSERT_TRUE (shown.endsWith (ellipsis)) << shown;
            const auto start = shown.dropLastCharacters (1);
            EXPECT_TRUE (start.isNotEmpty() && c.text.startsWith (start)) << shown;
            int next = start.length();

            while (c.text[next] == ' ')
                ++next;

            EXPECT_GT (font.getStringWidthFloat (c.text.substring (0, next + 1) + ellipsis), c.width) << shown;
        }
    }
}
}
