#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/TextBlock.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvid::ui
{
namespace
{
    bool rowHasColour (const juce::Image& image, int top, int bottom, juce::Colour colour)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                if (testsupport::coloursNear (image.getPixelAt (x, y), colour, 40))
                    return true;

        return false;
    }

    TEST (TextBlockTests, RowsFollowTheFontAndSpacingAndStopAtTheBottom)
    {
        TextBlock block;
        EXPECT_EQ (block.font.getHeight(), smallMonoFont().getHeight());
        EXPECT_EQ (block.colour, colours::textPrimary);
        bool clicks = true, childClicks = true;
        block.getInterceptsMouseClicks (clicks, childClicks);
        EXPECT_FALSE (clicks);

        const int row = (int) std::ceil (block.font.getHeight());
        block.text = "Gain  -3.00 dB\nPeak  -1.00 dB\nCheck passed";
        EXPECT_EQ (block.getPreferredHeight (1), 3 * row + 2);
        EXPECT_EQ (block.getPreferredHeight (5), 5 * row + 2);

        block.lineSpacing = 1.3f;
        const int spaced = (int) std::ceil (block.font.getHeight() * 1.3f);
        EXPECT_EQ (block.getPreferredHeight (0), 3 * spaced + 2);

        // Two rows fit: the third is not drawn into the second.
        block.lineSpacing = 1.0f;
        block.colour = juce::Colour (0xffff0000);
        block.text = "MMMMMMMM\nMMMMMMMM\nMMMMMMMM";
        block.setSize (200, 2 * row);
        auto image = block.createComponentSnapshot (block.getLocalBounds(), false, 1.0f);
        EXPECT_TRUE (rowHasColour (image, 0, row, block.colour));
        EXPECT_TRUE (rowHasColour (image, row, 2 * row, block.colour));

        block.text.clear();
        image = block.createComponentSnapshot (block.getLocalBounds(), false, 1.0f);
        EXPECT_FALSE (rowHasColour (image, 0, 2 * row, block.colour));
    }

    TEST (TextBlockTests, NamesCutInTheMiddleKeepWhatTellsThemApartAndReadWholeInTheirTooltips)
    {
        const juce::String ellipsis = juce::String::charToString ((juce::juce_wchar) 0x2026);
        const juce::String cue ("1M01 Opening Titles And The Long Road Home Across Plains Xyz");
        const juce::StringArray names { cue + "_01_Brass.wav", cue + "_02_Strings.wav", "Mix.wav" };

        TextBlock block;
        block.lineSpacing = 1.5f;
        block.text = names.joinIntoString ("\n");
        const int row = (int) std::ceil (block.font.getHeight() * block.lineSpacing);
        const auto lineAt = [row] (int index) { return juce::Point<int> (20, index * row + row / 2); };
        block.setSize ((int) block.font.getStringWidthFloat (cue) / 2, block.getPreferredHeight (3));

        // By default a line is drawn as it is (JUCE ends it in an ellipsis), with no tooltip
        // and no pointer taken from what lies below.
        EXPECT_EQ (block.shownLine (0), names[0]);
        EXPECT_EQ (block.tooltipAt (lineAt (0)), "");

        block.setCutLinesInTheMiddle (true);
        bool clicks = false, childClicks = true;
        block.getInterceptsMouseClicks (clicks, childClicks);
        EXPECT_TRUE (clicks);

        for (int i = 0; i < names.size(); ++i)
        {
            SCOPED_TRACE (names[i]);
            const auto shown = block.shownLine (i);
            EXPECT_LE (block.font.getStringWidthFloat (shown), (float) block.getWidth());

            if (names[i] == "Mix.wav")
            {
                EXPECT_EQ (shown, names[i]);
                EXPECT_EQ (block.tooltipAt (lineAt (i)), "");
                continue;
            }

            // The cue's start, the ellipsis, and the end that tells the files apart: the
            // number and the stem after the cue and its separator.
            EXPECT_TRUE (shown.startsWith ("1M01 ")) << shown;
            EXPECT_TRUE (shown.contains (ellipsis)) << shown;
            EXPECT_TRUE (shown.endsWith (names[i].substring (cue.length() + 1))) << shown;
            EXPECT_EQ (block.tooltipAt (lineAt (i)), names[i]);
        }

        // Below the last line, and outside the block, there is nothing to read.
        EXPECT_EQ (block.tooltipAt (lineAt (4)), "");
        EXPECT_EQ (block.tooltipAt ({ -5, row / 2 }), "");

        // Wide enough, every line is whole and needs no tooltip.
        block.setSize (2 * (int) block.font.getStringWidthFloat (names[1]), block.getHeight());

        for (int i = 0; i < names.size(); ++i)
        {
            EXPECT_EQ (block.shownLine (i), names[i]);
            EXPECT_EQ (block.tooltipAt (lineAt (i)), "");
        }
    }
}
}
