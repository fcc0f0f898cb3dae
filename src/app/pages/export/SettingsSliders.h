#pragma once

#include "ui/WheelOnFocusSlider.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** Reads text that is one whole number: an optional sign, digits, and at most one
        decimal mark, "." or ",". Blanks around it are allowed; anything else, NaN and
        infinities are refused. */
    bool parseDecimalNumber (const juce::String& text, double& value);

    /** A settings slider whose value box takes "." or "," as the decimal mark and leaves
        the value as it is for any text that is not a number. Like every slider on a page
        that scrolls, the wheel moves it only once the user has clicked or tabbed into it. */
    class SettingsSlider : public WheelOnFocusSlider
    {
    public:
        SettingsSlider (double minimum, double maximum, double interval, const juce::String& suffix);

        double getValueFromText (const juce::String& text) override;
    };

    /** "Take down by": the bottom of its range means the stretch is removed outright, shown
        as "-∞ dB"; typed text holding "inf" or "∞" goes there. */
    class FloorSlider : public SettingsSlider
    {
    public:
        FloorSlider();

        double getValueFromText (const juce::String& text) override;
        juce::String getTextFromValue (double value) override;
    };
}
