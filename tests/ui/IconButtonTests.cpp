#include "ui/MagnifierButton.h"
#include "ui/Palette.h"
#include "ui/RowHeightButton.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
    namespace
    {
        /** Pixels of the icon colour (exactly, fully opaque) inside the button's picture. */
        int pixelsOf (juce::Component& button, juce::Colour colour)
        {
            const auto image = button.createComponentSnapshot (button.getLocalBounds(), false, 1.0f);
            int count = 0;

            for (int y = 0; y < image.getHeight(); ++y)
                for (int x = 0; x < image.getWidth(); ++x)
                    count += image.getPixelAt (x, y) == colour ? 1 : 0;

            return count;
        }
    }

    TEST (IconButtons, EachKindDrawsItsOwnIconInTheStateColour)
    {
        MagnifierButton zoomIn ("zoom in", MagnifierButton::zoomIn);
        MagnifierButton zoomOut ("zoom out", MagnifierButton::zoomOut);
        MagnifierButton whole ("whole file", MagnifierButton::wholeTake);
        RowHeightButton taller ("taller", RowHeightButton::taller);
        RowHeightButton shorter ("shorter", RowHeightButton::shorter);

        for (juce::Component* button : { (juce::Component*) &zoomIn, (juce::Component*) &zoomOut,
                                         (juce::Component*) &whole, (juce::Component*) &taller,
                                         (juce::Component*) &shorter })
            button->setSize (30, 30);

        const auto in = pixelsOf (zoomIn, colours::textPrimary);
        const auto out = pixelsOf (zoomOut, colours::textPrimary);
        const auto lens = pixelsOf (whole, colours::textPrimary);
        EXPECT_GT (lens, 0);
        EXPECT_GT (out, lens) << "the minus adds a stroke";
        EXPECT_GT (in, out) << "the plus adds another";

        EXPECT_GT (pixelsOf (taller, colours::textPrimary), 0);
        EXPECT_NE (taller.createComponentSnapshot ({ 0, 0, 30, 30 }).getPixelAt (15, 9),
                   shorter.createComponentSnapshot ({ 0, 0, 30, 30 }).getPixelAt (15, 9))
            << "the shaft reaches the bars only when taller";

        zoomIn.setEnabled (false);
        EXPECT_EQ (pixelsOf (zoomIn, colours::textPrimary), 0);
        EXPECT_GT (pixelsOf (zoomIn, colours::textDisabled), 0);
        EXPECT_EQ (zoomIn.createComponentSnapshot ({ 0, 0, 30, 30 }).getPixelAt (3, 15), colours::controlBackground)
            << "a disabled key keeps its normal colour";
    }

    TEST (IconButtons, TinyButtonsDrawOnlyTheirKey)
    {
        MagnifierButton magnifier ("zoom in", MagnifierButton::zoomIn);
        RowHeightButton rows ("taller", RowHeightButton::taller);

        for (juce::Component* button : { (juce::Component*) &magnifier, (juce::Component*) &rows })
        {
            button->setSize (2, 2);
            EXPECT_EQ (pixelsOf (*button, colours::textPrimary), 0);
            button->setSize (0, 0);
            juce::Image image (juce::Image::ARGB, 1, 1, true);
            juce::Graphics g (image);
            button->paintEntireComponent (g, false);
        }
    }
}
