#pragma once

#include "ui/IconKeyButton.h"

namespace korvid::ui
{
    /** A key with two bars and arrows: taller rows (arrows outwards) or shorter rows (arrows
        inwards). */
    class RowHeightButton : public IconKeyButton
    {
    public:
        enum Kind : int
        {
            taller = 0,
            shorter = 1
        };

        using IconKeyButton::IconKeyButton;

    protected:
        void drawIcon (juce::Graphics& g, float x, float y, float width, float height) override;
    };
}
