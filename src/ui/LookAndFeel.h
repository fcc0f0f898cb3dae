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
        combo boxes and progress bars. Disabled sliders and combo boxes are drawn faded; a
        slider that holds the keyboard focus (and so takes the mouse wheel) shows it on its
        value box; combo box text is never squeezed: it wraps when the box is tall enough
        for a second line, else it ends in an ellipsis. Alert windows keep their icon
        inside the box, left of the text, and their lines are broken to the width left
        beside it. A closed popup menu has the windows under it
        repainted, since without a compositor nothing else would. */
    class AppLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        /** The column an alert window keeps free for its icon, left of its text. */
        static constexpr int alertIconColumn = 80;

        /** Where a combo box of this size draws its text: left of the chevron, inside the
            border of its label. */
        static juce::Rectangle<int> comboBoxTextArea (int boxWidth, int boxHeight);

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
        void positionComboBoxText (juce::ComboBox& box, juce::Label& label) override;

        juce::Font getPopupMenuFont() override;
        void preparePopupMenuWindow (juce::Component& newWindow) override;

        juce::Slider::SliderLayout getSliderLayout (juce::Slider& slider) override;
        void drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                               float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                               juce::Slider& slider) override;
        void drawLabel (juce::Graphics& g, juce::Label& label) override;
        juce::Label* createSliderTextBox (juce::Slider& slider) override;

        juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                              const juce::String& button1, const juce::String& button2,
                                              const juce::String& button3, juce::MessageBoxIconType iconType,
                                              int numButtons, juce::Component* associatedComponent) override;
        void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>& textArea,
                           juce::TextLayout& textLayout) override;

        void drawProgressBar (juce::Graphics& g, juce::ProgressBar& bar, int width, int height,
                              double progress, const juce::String& textToShow) override;
    };
}
