#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** A small icon button: a rounded key in the control colours (pressed, hovered or at
        rest, with a subtle outline) and a line icon drawn by the subclass in the colour of
        the enabled state. The owner sets the tooltip and the click action. */
    class IconKeyButton : public juce::Button
    {
    public:
        IconKeyButton (const juce::String& name, int kindToShow);

        /** Which icon of the subclass's set is shown. */
        int kind = 0;

        /** Every colour channel c becomes 255 - (255 - c) / (1 + amount); alpha stays. */
        static juce::Colour brightened (juce::Colour colour, float amount);

    protected:
        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) final;

        /** The icon inside the key; `width` and `height` are the key's, never below 1. */
        virtual void drawIcon (juce::Graphics& g, float x, float y, float width, float height) = 0;
    };
}
