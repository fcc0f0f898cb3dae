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
}
}
