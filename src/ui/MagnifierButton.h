#pragma once

#include "ui/IconKeyButton.h"

namespace korvid::ui
{
    /** A key with a magnifying glass: plus (zoom in), minus (zoom out) or plain (back to the
        whole take). */
    class MagnifierButton : public IconKeyButton
    {
    public:
        enum Kind : int
        {
            zoomIn = 0,
            zoomOut = 1,
            wholeTake = 2
        };

        using IconKeyButton::IconKeyButton;

    protected:
        void drawIcon (juce::Graphics& g, float x, float y, float width, float height) override;
    };
}
