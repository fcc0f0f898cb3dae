#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The page's title and one line below it, at the top left of the area: the body a
        page shows until its own controls are built. */
    void drawPagePlaceholder (juce::Graphics& g, juce::Rectangle<int> area,
                              const juce::String& title, const juce::String& line);
}
