#pragma once

// The look and feel, together with everything components share to look alike: the palette,
// the fonts, the label tones, the interface scale and the panel and layout helpers.
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/UiScale.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** JUCE's V4 look and feel coloured from the current palette, with flat buttons,
        combo boxes and progress bars. */
    class AppLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        AppLookAndFeel();

        /** Writes the current palette into the colour scheme and the colour ids. */
        void applyPaletteColours();

        int getDefaultScrollbarWidth() override;

        void drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                                   bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
        juce::Font getTextButtonFont (juce::TextButton& button, int buttonHeight) override;

        juce::Font getComboBoxFont (juce::ComboBox& box) override;
        void drawComboBox (juce::Graphics& g, int width, int height, bool isButtonDown,
                           int buttonX, int buttonY, int buttonW, int buttonH, juce::ComboBox& box) override;

        juce::Font getPopupMenuFont() override;

        juce::Slider::SliderLayout getSliderLayout (juce::Slider& slider) override;

        void drawProgressBar (juce::Graphics& g, juce::ProgressBar& bar, int width, int height,
                              double progress, const juce::String& textToShow) override;
    };
}
