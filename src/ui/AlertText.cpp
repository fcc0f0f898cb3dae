#include "ui/AlertText.h"

namespace korvid::ui
{
    namespace
    {
        float widthOf (const juce::String& text, const juce::Font& font)
        {
            return font.getStringWidthFloat (text);
        }

        // The longest start of `line` that fits, broken where a reader expects it.
        int breakPoint (const juce::String& line, const juce::Font& font, float width)
        {
            int fits = 1;   // at least one character a line, so every line moves on

            while (fits < line.length() && widthOf (line.substring (0, fits + 1), font) <= width)
                ++fits;

            const auto start = line.substring (0, fits + 1);

            if (const int space = start.lastIndexOfChar (' '); space > 0)
                return space;   // the space itself is dropped

            if (const int slash = line.substring (0, fits).lastIndexOfChar ('/'); slash > 0)
                return slash + 1;

            return fits;
        }
    }

    juce::String wrapToWidth (const juce::String& text, const juce::Font& font, float width)
    {
        juce::StringArray wrapped;

        for (auto line : juce::StringArray::fromLines (text))
        {
            while (widthOf (line, font) > width && line.length() > 1)
            {
                const int cut = breakPoint (line, font, width);
                wrapped.add (line.substring (0, cut).trimEnd());
                line = line.substring (cut).trimStart();
            }

            wrapped.add (line);
        }

        return wrapped.joinIntoString ("\n");
    }
}
