#include "ui/PaletteText.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    TEST (PaletteTextTests, TheDefaultPaletteWritesEveryRoleInOrder)
    {
        const auto text = paletteToText (defaultPalette());
        juce::StringArray items;
        items.addTokens (text, " ", {});

        ASSERT_EQ (items.size(), paletteRoleCount);
        EXPECT_FALSE (text.startsWithChar (' ') || text.endsWithChar (' ') || text.contains ("  "));
        EXPECT_EQ (items[0], "windowBackground:ff1c1e20");
        EXPECT_EQ (items[1], "panelBackground:ff232629");
        EXPECT_EQ (items[20], "spectrogramPeak:ff5fd0e8");

        for (int i = 0; i < paletteRoleCount; ++i)
            EXPECT_TRUE (items[i].startsWith (juce::String (paletteEntries()[(size_t) i].key) + ":")) << i;

        // Every custom palette comes back as it was written.
        auto custom = defaultPalette();
        custom.accent = juce::Colour (0x80a1b2c3);
        custom.textPrimary = juce::Colour (0xff000001);
        const auto back = paletteFromText (paletteToText (custom));

        for (const auto& entry : paletteEntries())
            EXPECT_EQ (back.*(entry.member), custom.*(entry.member)) << entry.key;
    }

    TEST (PaletteTextTests, ReadingTakesWellFormedKnownItemsAndSkipsTheRest)
    {
        const auto defaults = defaultPalette();

        struct Case { const char* text; juce::uint32 expectedAccent; };
        const Case cases[] = {
            { "accent:FF102030", 0xff102030 },
            { "  accent:ff102030   ", 0xff102030 },
            { "accent:ff10203", defaults.accent.getARGB() },        // 7 digits
            { "accent:ff1020300", defaults.accent.getARGB() },      // 9 digits
            { ":ff102030", defaults.accent.getARGB() },
            { "Accent:ff102030", defaults.accent.getARGB() },       // keys keep their case
            { "accent:ff10203g", defaults.accent.getARGB() },
            { "accent", defaults.accent.getARGB() },
            { "accent:ff000000 accent:ffffffff", 0xffffffff },      // the later one wins
            { "", defaults.accent.getARGB() },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.text);
            const auto palette = paletteFromText (c.text);
            EXPECT_EQ (palette.accent.getARGB(), c.expectedAccent);

            for (const auto& entry : paletteEntries())
            {
                if (juce::String (entry.key) != "accent")
                {
                    EXPECT_EQ (palette.*(entry.member), defaults.*(entry.member)) << entry.key;
                }
            }
        }

        const auto two = paletteFromText ("warning:ff010203 nonsense:ff000000 bad:00ffffff");
        EXPECT_EQ (two.warning.getARGB(), 0xff010203u);
        EXPECT_EQ (two.bad.getARGB(), 0x00ffffffu);
    }
}
}
