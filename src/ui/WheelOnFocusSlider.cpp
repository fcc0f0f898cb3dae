#include "ui/WheelOnFocusSlider.h"

namespace korvid::ui
{
    WheelOnFocusSlider::WheelOnFocusSlider()
    {
        setWantsKeyboardFocus (true);
    }

    WheelOnFocusSlider::WheelOnFocusSlider (SliderStyle style, TextEntryBoxPosition textBoxPosition)
        : juce::Slider (style, textBoxPosition)
    {
        setWantsKeyboardFocus (true);
    }

    void WheelOnFocusSlider::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
    {
        if (hasKeyboardFocus (true))
            juce::Slider::mouseWheelMove (e, wheel);
        else
            juce::Component::mouseWheelMove (e, wheel);   // on to the parent, up to the viewport
    }

    void WheelOnFocusSlider::focusGained (FocusChangeType)   { repaint(); }
    void WheelOnFocusSlider::focusLost (FocusChangeType)     { repaint(); }
}
