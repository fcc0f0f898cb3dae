#include "ui/LookAndFeel.h"
#include "ui/AlertText.h"

#include "ui/PopupCoverRepaint.h"

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

        // How much of its colour a disabled control keeps.
        constexpr float disabledOpacity = 0.4f;

        /** The triangle or disc of an alert's icon, with its sign cut out of it. */
        juce::Path alertIcon (juce::MessageBoxIconType type, juce::Rectangle<float> area)
        {
            juce::Path icon;
            char sign = '?';

            if (type == juce::MessageBoxIconType::WarningIcon)
            {
                sign = '!';
                icon.addTriangle (area.getCentreX(), area.getY(), area.getRight(), area.getBottom(),
                                  area.getX(), area.getBottom());
                icon = icon.createPathWithRoundedCorners (4.0f);
            }
            else
            {
                if (type == juce::MessageBoxIconType::InfoIcon)
                    sign = 'i';

                icon.addEllipse (area);
            }

            // The sign sits a little low in the triangle, where it is widest.
            const auto signArea = type == juce::MessageBoxIconType::WarningIcon
                                    ? area.withTrimmedTop (area.getHeight() * 0.25f)
                                    : area;
            juce::GlyphArrangement glyphs;
            glyphs.addFittedText (juce::Font (juce::Font::getDefaultSansSerifFontName(), area.getHeight() * 0.62f,
                                              juce::Font::bold),
                                  juce::String::charToString ((juce::juce_wchar) (juce::uint8) sign),
                                  signArea.getX(), signArea.getY(), signArea.getWidth(), signArea.getHeight(),
                                  juce::Justification::centred, 1);
            glyphs.createPath (icon);
            icon.setUsingNonZeroWinding (false);
            return icon;
        }
    }

    /** A slider's value box that hands the wheel on to its slider, where JUCE's own box
        keeps it: the slider's rule for the wheel then holds over the box as well. */
    class SliderValueBox final : public juce::Label
    {
    public:
        std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override
        {
            return createIgnoredAccessibilityHandler (*this);   // the slider speaks for it
        }
    };

    namespace
    {
        // The chevron takes the right 18 px of a box; the text stops 5 px before it.
        juce::Rectangle<int> comboBoxLabelBounds (int boxWidth, int boxHeight)
        {
            return { 1, 1, juce::jmax (0, boxWidth - 22), juce::jmax (0, boxHeight - 2) };
        }

        const juce::BorderSize<int> comboBoxLabelBorder { 1, 5, 1, 2 };
    }

    juce::Rectangle<int> AppLookAndFeel::comboBoxTextArea (int boxWidth, int boxHeight)
    {
        return comboBoxLabelBorder.subtractedFrom (comboBoxLabelBounds (boxWidth, boxHeight))
                   .withPosition (1 + comboBoxLabelBorder.getLeft(), 1 + comboBoxLabelBorder.getTop());
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
        // A chooser that cannot be used must not look as if it could.
        const bool faded = ! box.isEnabled();

        if (faded)
            g.beginTransparencyLayer (disabledOpacity);

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

        if (faded)
            g.endTransparencyLayer();
    }

    void AppLookAndFeel::positionComboBoxText (juce::ComboBox& box, juce::Label& label)
    {
        label.setBounds (comboBoxLabelBounds (box.getWidth(), box.getHeight()));
        label.setBorderSize (comboBoxLabelBorder);
        label.setFont (getComboBoxFont (box));
        // Squeezed letters read as a fault: a choice that does not fit wraps onto a second
        // line when the box has room for one, and otherwise ends in an ellipsis.
        label.setMinimumHorizontalScale (1.0f);
    }

    juce::Font AppLookAndFeel::getPopupMenuFont()
    {
        return bodyFont();
    }

    void AppLookAndFeel::preparePopupMenuWindow (juce::Component& newWindow)
    {
        repaintWhatItCoversOnceClosed (newWindow);
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

    void AppLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                           float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                           juce::Slider& slider)
    {
        // A slider that cannot be used must not look as if it could.
        const bool faded = ! slider.isEnabled();

        if (faded)
            g.beginTransparencyLayer (disabledOpacity);

        juce::LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos,
                                                style, slider);

        if (faded)
            g.endTransparencyLayer();
    }

    juce::Label* AppLookAndFeel::createSliderTextBox (juce::Slider& slider)
    {
        // JUCE's box, made for its settings, which the wheel-passing box takes over.
        const std::unique_ptr<juce::Label> configured (juce::LookAndFeel_V4::createSliderTextBox (slider));
        auto* box = new SliderValueBox();
        box->setJustificationType (configured->getJustificationType());
        box->setKeyboardType (juce::TextInputTarget::decimalKeyboard);

        for (const int id : { (int) juce::Label::textColourId, (int) juce::Label::backgroundColourId,
                              (int) juce::Label::outlineColourId, (int) juce::TextEditor::textColourId,
                              (int) juce::TextEditor::backgroundColourId, (int) juce::TextEditor::outlineColourId,
                              (int) juce::TextEditor::highlightColourId })
            if (configured->isColourSpecified (id))
                box->setColour (id, configured->findColour (id));

        return box;
    }

    void AppLookAndFeel::drawLabel (juce::Graphics& g, juce::Label& label)
    {
        juce::LookAndFeel_V4::drawLabel (g, label);

        // A slider's value box: its accent border says the slider has the focus, so the
        // wheel and the arrow keys now move it.
        if (auto* slider = dynamic_cast<juce::Slider*> (label.getParentComponent()))
        {
            if (slider->hasKeyboardFocus (true) && ! label.isBeingEdited())
            {
                g.setColour (colours::accent);
                g.drawRect (label.getLocalBounds().toFloat().reduced (0.8f), 1.6f);
            }
        }
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

    juce::AlertWindow* AppLookAndFeel::createAlertWindow (const juce::String& title, const juce::String& message,
                                                          const juce::String& button1, const juce::String& button2,
                                                          const juce::String& button3, juce::MessageBoxIconType iconType,
                                                          int numButtons, juce::Component* associatedComponent)
    {
        auto* window = LookAndFeel_V4::createAlertWindow (title, message, button1, button2, button3, iconType,
                                                          numButtons, associatedComponent);

        // The framework wraps the text to the widest box it allows and only then adds the
        // icon's column, so a long message ran past the box's right edge. Broken here to the
        // width that is left, the box takes its lines whole.
        if (window != nullptr && iconType != juce::MessageBoxIconType::NoIcon)
        {
            constexpr float widestShare = 0.7f;   // of the screen, as the framework allows
            constexpr int margins = 40;
            const auto width = (float) ((int) ((float) window->getParentWidth() * widestShare) - alertIconColumn - margins);
            window->setMessage (wrapToWidth (message, getAlertWindowMessageFont(), width));
        }

        return window;
    }

    void AppLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert, const juce::Rectangle<int>&,
                                       juce::TextLayout& textLayout)
    {
        constexpr float corner = 4.0f;
        g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
        g.drawRoundedRectangle (alert.getLocalBounds().toFloat(), corner, 2.0f);

        const auto bounds = alert.getLocalBounds().reduced (1);
        g.reduceClipRegion (bounds);
        g.setColour (alert.findColour (juce::AlertWindow::backgroundColourId));
        g.fillRoundedRectangle (bounds.toFloat(), corner);

        int textLeft = bounds.getX();
        const auto type = alert.getAlertType();

        if (type != juce::MessageBoxIconType::NoIcon)
        {
            // The window keeps a column free for the icon; the icon stays inside it and
            // inside the box, level with the title.
            const juce::Rectangle<float> iconArea ((float) bounds.getX() + 16.0f, 24.0f, 48.0f, 48.0f);
            g.setColour (type == juce::MessageBoxIconType::WarningIcon ? colours::warning : colours::accent);
            g.fillPath (alertIcon (type, iconArea));
            textLeft += alertIconColumn;
        }

        g.setColour (alert.findColour (juce::AlertWindow::textColourId));
        textLayout.draw (g, juce::Rectangle<int> (textLeft, 30, juce::jmax (0, bounds.getRight() - textLeft),
                                                  juce::jmax (0, bounds.getHeight() - getAlertWindowButtonHeight() - 20))
                                .toFloat());
    }
}
