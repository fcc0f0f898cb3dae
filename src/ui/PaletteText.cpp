#include "ui/PaletteText.h"

namespace korvid::ui
{
    juce::String paletteToText (const Palette& palette)
    {
        juce::StringArray items;

        for (const auto& entry : paletteEntries())
            items.add (juce::String (entry.key) + ":" + (palette.*(entry.member)).toDisplayString (true).toLowerCase());

        return items.joinIntoString (" ");
    }

    Palette paletteFromText (const juce::String& text)
    {
        auto palette = defaultPalette();

        juce::StringArray tokens;
        tokens.addTokens (text, " ", {});
        tokens.removeEmptyStrings (true);

        for (const auto& token : tokens)
        {
            const int colon = token.indexOfChar (':');

            if (colon <= 0)
                continue;

            const auto key = token.substring (0, colon);
            const auto value = token.substring (colon + 1);

            if (value.length() != 8 || ! value.containsOnly ("0123456789abcdefABCDEF"))
                continue;

            for (const auto& entry : paletteEntries())
            {
                if (key == entry.key)
                {
                    palette.*(entry.member) = juce::Colour ((juce::uint32) value.getHexValue64());
                    break;
                }
            }
        }

        return palette;
    }
}
