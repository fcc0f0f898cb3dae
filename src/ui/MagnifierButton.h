#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** A small key with a magnifying glass: plus (zoom in), minus (zoom out) or plain (back
        to the whole take). The owner sets the tooltip and the click action. */
    class MagnifierButton : public juce::Button
    {
    public:
        enum Kind : int
        {
            zoomIn = 0,
            zoomOut = 1,
            wholeTake = 2
        };

        MagnifierButton (const juce::String& name, int kindToShow);

        int kind = zoomIn;

    protected:
        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MagnifierButton)
    };
}
