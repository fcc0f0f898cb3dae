#pragma once

#include <juce_graphics/juce_graphics.h>

namespace korvid::ui
{
    /** The rounded key behind the small icon buttons: pressed, hovered and resting fills in
        the control colours, a subtle outline. Gives the icon colour for the enabled state. */
    juce::Colour drawIconKey (juce::Graphics& g, juce::Rectangle<float> bounds, bool highlighted, bool down,
                              bool enabled);

    /** Every colour channel c becomes 255 - (255 - c) / (1 + amount); alpha stays. */
    juce::Colour brightenedKeyColour (juce::Colour colour, float amount);
}
