#include "ui/AlertText.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    TEST (AlertText, LinesBreakWhereAReaderExpectsAndNothingIsLost)
    {
        const juce::Font font (15.0f);
        const float width = font.getStringWidthFloat ("/home/composer/Music/Film");

        const struct
        {
            const char* label;
            juce::String text;
            juce::String breakAfter;   // the first line ends with this
        } cases[] = {
            { "a sentence breaks at a space", "Its name ends in _splitted, which marks the original of a split.", "" },
            { "a path breaks after a slash", "/home/composer/Music/Film_score/Opening/Take.wav", "/" },
            { "a word with nothing to break at", juce::String::repeatedString ("x", 80), "x" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.label);
            const auto wrapped = juce::StringArray::fromLines (wrapToWidth (c.text, font, width));
            ASSERT_GT (wrapped.size(), 1);

            for (const auto& line : wrapped)
                EXPECT_LE (font.getStringWidthFloat (line), width) << line;

            if (c.breakAfter.isNotEmpty())
            {
                EXPECT_TRUE (wrapped[0].endsWith (c.breakAfter)) << wrapped[0];
            }

            // Only the spaces the breaks took are gone.
            EXPECT_EQ (wrapped.joinIntoString ("").removeCharacters (" "), c.text.removeCharacters (" "));
        }

        EXPECT_EQ (wrapToWidth ("Short.\n\nAlso short.", font, width), "Short.\n\nAlso short.");
    }
}
}
