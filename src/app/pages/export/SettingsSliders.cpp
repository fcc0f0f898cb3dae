#include "app/pages/export/SettingsSliders.h"

#include <cmath>

namespace korvid::ui
{
    bool parseDecimalNumber (const juce::String& text, double& value)
    {
        const auto trimmed = text.trim();
        int digits = 0, marks = 0;

        for (int i = 0; i < trimmed.length(); ++i)
        {
            const auto c = trimmed[i];

            if (c >= '0' && c <= '9')
                ++digits;
            else if (c == '.' || c == ',')
                ++marks;
            else if (! ((c == '-' || c == '+') && i == 0))
                return false;
        }

        if (digits == 0 || marks > 1)
            return false;

        const auto number = trimmed.replaceCharacter (',', '.').getDoubleValue();

        if (! std::isfinite (number))
            return false;

        value = number;
        return true;
    }

    namespace
    {
        /** The text without a unit typed after the number. */
        juce::String withoutUnit (const juce::String& text, const juce::String& unit)
        {
            auto trimmed = text.trim();

            if (unit.isNotEmpty() && trimmed.endsWithIgnoreCase (unit))
                trimmed = trimmed.dropLastCharacters (unit.length());

            return trimmed;
        }
    }

    SettingsSlider::SettingsSlider (double minimum, double maximum, double interval, const juce::String& suffix)
        : WheelOnFocusSlider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight)
    {
        setRange (minimum, maximum, interval);
        setTextValueSuffix (suffix);
        setTextBoxStyle (juce::Slider::TextBoxRight, false, 80, 22);
    }

    double SettingsSlider::getValueFromText (const juce::String& text)
    {
        double value = 0.0;
        return parseDecimalNumber (withoutUnit (text, getTextValueSuffix().trim()), value) ? value : getValue();
    }

    FloorSlider::FloorSlider()
        : SettingsSlider (-80.0, -1.0, 1.0, {})
    {
    }

    double FloorSlider::getValueFromText (const juce::String& text)
    {
        if (text.containsIgnoreCase ("inf") || text.containsChar ((juce::juce_wchar) 0x221e))
            return getMinimum();

        double value = 0.0;
        return parseDecimalNumber (withoutUnit (text, "dB"), value) ? value : getValue();
    }

    juce::String FloorSlider::getTextFromValue (double value)
    {
        if (value <= getMinimum())
            return juce::String (juce::CharPointer_UTF8 ("-\xe2\x88\x9e dB"));

        return juce::String (juce::roundToInt (value)) + " dB";
    }
}
