#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** A small key with two bars and arrows: taller rows (arrows outwards) or shorter rows
        (arrows inwards). The owner sets the tooltip and the click action. */
    class RowHeightButton : public juce::Button
    {
    public:
        enum Kind : int
        {
            taller = 0,
            shorter = 1
        };

        RowHeightButton (const juce::String& name, int kindToShow);

        int kind = taller;

    protected:
        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RowHeightButton)
    };
}
