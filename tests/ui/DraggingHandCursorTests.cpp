#include "ui/DraggingHandCursor.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    TEST (DraggingHandCursor, IsAnOpenHandOfOurOwnMadeOnceAndShared)
    {
        const auto image = drawDraggingHandImage();
        ASSERT_TRUE (image.isValid());
        ASSERT_EQ (image.getFormat(), juce::Image::ARGB);
        ASSERT_EQ (image.getBounds(), juce::Rectangle<int> (0, 0, 20, 20));

        // Transparent around the hand, white where the pointer's spot lies, and a dark edge
        // met in every direction before the outside.
        for (const auto corner : { juce::Point<int> (0, 0), { 19, 0 }, { 0, 19 }, { 19, 19 } })
            EXPECT_EQ (image.getPixelAt (corner.x, corner.y).getAlpha(), 0) << corner.toString();

        const juce::Point<int> spot (10, 10);
        EXPECT_EQ (image.getPixelAt (spot.x, spot.y), juce::Colours::white);

        for (const auto step : { juce::Point<int> (1, 0), { -1, 0 }, { 0, 1 }, { 0, -1 } })
        {
            SCOPED_TRACE (step.toString());
            bool edgeMet = false;

            for (auto p = spot; image.getBounds().contains (p) && image.getPixelAt (p.x, p.y).getAlpha() >= 128; p += step)
                edgeMet = edgeMet || image.getPixelAt (p.x, p.y).getBrightness() < 0.6f;

            EXPECT_TRUE (edgeMet);
        }

        const auto& cursor = getDraggingHandCursor();
        EXPECT_EQ (&cursor, &getDraggingHandCursor());
        EXPECT_TRUE (juce::MouseCursor (cursor) == getDraggingHandCursor()) << "copies share the one native cursor";
        EXPECT_TRUE (cursor != juce::MouseCursor::DraggingHandCursor);
        EXPECT_TRUE (cursor != juce::MouseCursor::NormalCursor);
    }
}
}
