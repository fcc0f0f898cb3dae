#include "ui/LookAndFeel.h"

namespace korvid::ui
{
    namespace
    {
        juce::Rectangle<float> halfPixelInset (juce::Rectangle<float> bounds)
        {
            return { bounds.getX() + 0.5f, bounds.getY() + 0.5f,
                     juce::jmax (0.0f, bounds.getWidth() - 1.0f), juce::jmax (0.0f, bounds.getHeight() - 1.0f) };
        }

        void drawControlBorder (juce::Graphics& g, juce::Rectangle<float> shape, bool focused)
        {
            g.setColour (focused ? colours::accent : colours::outline);
            g.drawRoundedRectangle (shape, 4.0f, focused ? 1.6f : 1.0f);
        }
    }

    AppLookAndFeel::AppLookAndFeel()
    {
        // Text drawn with JUCE's default font (labels, editors) uses the same face as ours.
        setDefaultSansSerifTypefaceName (sansTypefaceName);
        applyPaletteColours();
    }

    void AppLookAndFeel::applyPaletteColours()
    {
        const auto& p = currentPalette;

        // Setting the scheme resets every colour id, so it goes first.
        setColourScheme ({ p.windowBackground, p.panelBackground, p.raisedBackground, p.outline,
                           p.textPrimary, p.accent, p.textPrimary, p.windowBackground, p.textPrimary });

        const auto selection = p.accent.withAlpha (0.35f);

        setColour (juce::ResizableWindow::backgroundColourId, p.windowBackground);
        setColour (juce::DocumentWindow::textColourId, p.textPrimary);

        setColour (juce::Label::textColourId, p.textPrimary);
        setColour (juce::Label::backgroundColourId, juce::Colour (0x00000000));

        setColour (juce::TextButton::buttonColourId, p.controlBackground);
        setColour (juce::TextButton::buttonOnColourId, selection);
        setColour (juce::TextButton::textColourOffId, p.textPrimary);
        setColour (juce::TextButton::textColourOnId, p.textPrimary);

        setColour (juce::ToggleButton::textColourId, p.textPrimary);
        setColour (juce::ToggleButton::tickColourId, p.accent);
        setColour (juce::ToggleButton::tickDisabledColourId, p.outline);

        setColour (juce::ComboBox::backgroundColourId, p.controlBackground);
        setColour (juce::ComboBox::textColourId, p.textPrimary);
        setColour (juce::ComboBox::outlineColourId, p.outline);
        setColour (juce::ComboBox::arrowColourId, p.textSecondary);

        setColour (juce::PopupMenu::backgroundColourId, p.raisedBackground);
        setColour (juce::PopupMenu::textColourId, p.textPrimary);
        setColour (juce::PopupMenu::highlightedBackgroundColourId, selection);
        setColour (juce::PopupMenu::highlightedTextColourId, p.textPrimary);

        setColour (juce::TextEditor::backgroundColourId, p.controlBackground);
        setColour (juce::TextEditor::textColourId, p.textPrimary);
        setColour (juce::TextEditor::outlineColourId, p.outline);
        setColour (juce::TextEditor::focusedOutlineColourId, p.accent);
        setColour (juce::TextEditor::highlightColourId, selection);

        setColour (juce::ListBox::backgroundColourId, p.panelBackground);
        setColour (juce::ListBox::outlineColourId, p.subtleOutline);

        setColour (juce::TableHeaderComponent::backgroundColourId, p.raisedBackground);
        setColour (juce::TableHeaderComponent::textColourId, p.textSecondary);
        setColour (juce::TableHeaderComponent::outlineColourId, p.subtleOutline);
        setColour (juce::TableHeaderComponent::highlightColourId, p.controlHover);

        setColour (juce::TreeView::backgroundColourId, p.panelBackground);
        setColour (juce::TreeView::linesColourId, p.subtleOutline);
        setColour (juce::TreeView::selectedItemBackgroundColourId, p.accent.withAlpha (0.25f));

        setColour (juce::ScrollBar::thumbColourId, p.outline);
        setColour (juce::ScrollBar::trackColourId, p.panelBackground);

        setColour (juce::ProgressBar::backgroundColourId, p.controlBackground);
        setColour (juce::ProgressBar::foregroundColourId, p.accent);

        setColour (juce::TooltipWindow::backgroundColourId, p.raisedBackground);
        setColour (juce::TooltipWindow::textColourId, p.textPrimary);
        setColour (juce::TooltipWindow::outlineColourId, p.outline);

        setColour (juce::AlertWindow::backgroundColourId, p.panelBackground);
        setColour (juce::AlertWindow::textColourId, p.textPrimary);
        setColour (juce::AlertWindow::outlineColourId, p.outline);

        setColour (juce::Slider::backgroundColourId, p.controlBackground);
        setColour (juce::Slider::thumbColourId, p.accent);
        setColour (juce::Slider::trackColourId, p.outline);
        setColour (juce::Slider::textBoxTextColourId, p.textPrimary);
        setColour (juce::Slider::textBoxBackgroundColourId, p.controlBackground);
        setColour (juce::Slider::textBoxOutlineColourId, p.outline);
    }

    int AppLookAndFeel::getDefaultScrollbarWidth()
    {
        return 11;
    }

    void AppLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour& backgroundColour,
                                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
    {
        auto colour = backgroundColour;

        if (shouldDrawButtonAsDown)
            colour = colour.brighter (0.25f);
        else if (shouldDrawButtonAsHighlighted)
            colour = colour.brighter (0.12f);

        if (! button.isEnabled())
            colour = colour.withMultipliedAlpha (0.5f);

        const auto shape = halfPixelInset (button.getLocalBounds().toFloat());
        g.setColour (colour);
        g.fillRoundedRectangle (shape, 4.0f);
        drawControlBorder (g, shape, button.hasKeyboardFocus (false));
    }

    juce::Font AppLookAndFeel::getTextButtonFont (juce::TextButton&, int)
    {
        return bodyFont();
    }

    juce::Font AppLookAndFeel::getComboBoxFont (juce::ComboBox&)
    {
        return bodyFont();
    }

    void AppLookAndFeel::drawComboBox (juce::Graphics& g, int width, int height, bool, int, int, int, int, juce::ComboBox& box)
    {
        const juce::Rectangle<float> shape (0.5f, 0.5f, (float) width - 1.0f, (float) height - 1.0f);
        g.setColour (box.findColour (juce::ComboBox::backgroundColourId));
        g.fillRoundedRectangle (shape, 4.0f);
        drawControlBorder (g, shape, box.hasKeyboardFocus (false));

        const auto middle = (float) (height / 2);
        juce::Path arrow;
        arrow.startNewSubPath ((float) width - 18.0f, middle - 2.0f);
        arrow.lineTo ((float) width - 14.0f, middle + 3.0f);
        arrow.lineTo ((float) width - 10.0f, middle - 2.0f);
        g.setColour (colours::textSecondary);
        g.strokePath (arrow, juce::PathStrokeType (1.6f));
    }

    juce::Font AppLookAndFeel::getPopupMenuFont()
    {
        return bodyFont();
    }

    juce::Slider::SliderLayout AppLookAndFeel::getSliderLayout (juce::Slider& slider)
    {
        auto layout = juce::LookAndFeel_V4::getSliderLayout (slider);

        if (slider.getSliderStyle() == juce::Slider::IncDecButtons)
        {
            auto& bounds = layout.sliderBounds;
            bounds.setX (bounds.getX() + 3);
            bounds.setWidth (juce::jmax (0, bounds.getWidth() - 3));
        }

        return layout;
    }

    void AppLookAndFeel::drawProgressBar (juce::Graphics& g, juce::ProgressBar& bar, int width, int height,
                                          double progress, const juce::String& textToShow)
    {
        const juce::Rectangle<float> track (0.0f, 0.0f, (float) width, (float) height);
        g.setColour (bar.findColour (juce::ProgressBar::backgroundColourId));
        g.fillRoundedRectangle (track, 4.0f);

        // A negative progress means "unknown": only the track is shown, without animation.
        if (progress >= 0.0)
        {
            g.setColour (bar.findColour (juce::ProgressBar::foregroundColourId));
            g.fillRoundedRectangle (track.withWidth ((float) (width * juce::jmin (progress, 1.0))), 4.0f);
        }

        if (textToShow.isNotEmpty())
        {
            g.setColour (colours::textPrimary);
            g.setFont (bodyFont());
            g.drawText (textToShow, track, juce::Justification::centred, true);
        }
    }
}
