#pragma once

#include <juce_graphics/juce_graphics.h>

namespace korvid::ui
{
    /** The 15 x 15 tick box of an alternative-mix column, centred in the column. */
    void drawTickBox (juce::Graphics& g, juce::Rectangle<int> column, bool ticked);

    /** The 14 x 14 play (triangle) or stop (square) symbol centred in the area. */
    void drawPlaySymbol (juce::Graphics& g, juce::Rectangle<int> area, bool playing);
}
