#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** A slider that the mouse wheel moves only while it holds the keyboard focus, because
        the user clicked or tabbed into it. Otherwise the wheel goes on to whatever holds the
        slider, so a page scrolls over its sliders instead of quietly changing a setting on
        the way. The value box hands its wheel to the slider and so follows the same rule. */
    class WheelOnFocusSlider : public juce::Slider
    {
    public:
        WheelOnFocusSlider();
        WheelOnFocusSlider (SliderStyle style, TextEntryBoxPosition textBoxPosition);

        void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    protected:
        // The look and feel marks a focused slider; these keep the mark current (a change
        // inside the value box already repaints).
        void focusGained (FocusChangeType cause) override;
        void focusLost (FocusChangeType cause) override;
    };
}
