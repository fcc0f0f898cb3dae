#include "support/MessageLoop.h"
#include "ui/LookAndFeel.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    using testsupport::coloursNear;
    using testsupport::ScopedPalette;

    juce::Colour labelColour (const juce::Label& label)
    {
        return label.findColour (juce::Label::textColourId);
    }

    TEST (LabelToneTests, ToneIsStoredAsGivenAndColoursFromTheCurrentPalette)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());

        const std::pair<int, juce::Colour> tones[] = {
            { 0, colours::textPrimary }, { 1, colours::textSecondary }, { 2, colours::textDisabled },
            { 3, colours::warning }, { 7, colours::textPrimary }, { -1, colours::textPrimary } };

        for (const auto& [tone, colour] : tones)
        {
            juce::Label label;
            setLabelTone (label, tone);
            EXPECT_EQ (static_cast<int> (label.getProperties()[labelToneProperty]), tone);
            EXPECT_EQ (labelColour (label), colour) << "tone " << tone;
        }
    }

    TEST (LabelToneTests, TonedLabelsFollowAPaletteSwitchAndOthersKeepTheirColour)
    {
        juce::Component window, group;
        juce::Label toned, nestedWarning, direct;
        window.setSize (200, 100);
        window.addAndMakeVisible (toned);
        window.addAndMakeVisible (group);
        group.addAndMakeVisible (nestedWarning);
        group.addAndMakeVisible (direct);
        window.addToDesktop (0);

        setLabelTone (toned, 1);
        setLabelTone (nestedWarning, 3);
        direct.setColour (juce::Label::textColourId, colours::textSecondary);
        const auto before = colours::textSecondary;

        auto custom = defaultPalette();
        custom.textSecondary = juce::Colour (0xff112233);
        custom.warning = juce::Colour (0xff445566);

        {
            const ScopedPalette scoped (custom);
            EXPECT_EQ (labelColour (toned), custom.textSecondary);
            EXPECT_EQ (labelColour (nestedWarning), custom.warning);
            EXPECT_EQ (labelColour (direct), before);
        }

        // Switching back recolours them again.
        EXPECT_EQ (labelColour (toned), defaultPalette().textSecondary);
        EXPECT_EQ (labelColour (nestedWarning), defaultPalette().warning);
        window.removeFromDesktop();
    }

    TEST (AppLookAndFeelTests, ColourIdsTakeTheirRolesAfterTheScheme)
    {
        auto custom = testsupport::distinctPalette();
        custom.controlHover = juce::Colour (0xff224466);
        const ScopedPalette scoped (custom);
        AppLookAndFeel lookAndFeel;

        const std::pair<int, juce::Colour> ids[] = {
            { juce::ResizableWindow::backgroundColourId, custom.windowBackground },
            { juce::Label::backgroundColourId, juce::Colour (0x00000000) },
            { juce::TextButton::buttonColourId, custom.controlBackground },
            { juce::TextButton::buttonOnColourId, custom.accent.withAlpha (0.35f) },
            { juce::ToggleButton::tickDisabledColourId, custom.outline },
            { juce::ComboBox::arrowColourId, custom.textSecondary },
            { juce::PopupMenu::backgroundColourId, custom.raisedBackground },
            { juce::TextEditor::focusedOutlineColourId, custom.accent },
            { juce::ListBox::backgroundColourId, custom.panelBackground },
            { juce::ListBox::outlineColourId, custom.subtleOutline },
            { juce::TableHeaderComponent::highlightColourId, custom.controlHover },
            { juce::TreeView::selectedItemBackgroundColourId, custom.accent.withAlpha (0.25f) },
            { juce::ScrollBar::thumbColourId, custom.outline },
            { juce::ProgressBar::foregroundColourId, custom.accent },
            { juce::TooltipWindow::backgroundColourId, custom.raisedBackground },
            { juce::AlertWindow::backgroundColourId, custom.panelBackground },
            { juce::Slider::trackColourId, custom.outline },
            { juce::Slider::textBoxOutlineColourId, custom.outline },
        };

        for (const auto& [id, colour] : ids)
            EXPECT_EQ (lookAndFeel.findColour (id), colour) << "colour id 0x" << juce::String::toHexString (id);

        EXPECT_EQ (lookAndFeel.getCurrentColourScheme().getUIColour (juce::LookAndFeel_V4::ColourScheme::highlightedFill),
                   custom.windowBackground);
    }

    TEST (AppLookAndFeelTests, ProgressBarFillsUpToTheClampedProgress)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        AppLookAndFeel lookAndFeel;
        double value = 0.0;
        juce::ProgressBar bar (value);
        bar.setLookAndFeel (&lookAndFeel);
        const auto track = bar.findColour (juce::ProgressBar::backgroundColourId);
        const auto fill = bar.findColour (juce::ProgressBar::foregroundColourId);

        struct Case { double progress; juce::String text; bool leftFilled, rightFilled, hasText; };
        const Case cases[] = {
            { 1.7, "", true, true, false },
            { 0.5, "", true, false, false },
            { 0.0, "", false, false, false },
            { -1.0, "", false, false, false },
            { 0.5, "Rendering", true, false, true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.progress);
            juce::Image image (juce::Image::ARGB, 200, 20, true);
            juce::Graphics g (image);
            lookAndFeel.drawProgressBar (g, bar, 200, 20, c.progress, c.text);

            EXPECT_EQ (image.getPixelAt (10, 2), c.leftFilled ? fill : track);
            EXPECT_EQ (image.getPixelAt (190, 2), c.rightFilled ? fill : track);

            bool sawText = false;
            for (int x = 0; x < 200; ++x)
                for (int y = 0; y < 20; ++y)
                    sawText = sawText || coloursNear (image.getPixelAt (x, y), colours::textPrimary, 40);

            EXPECT_EQ (sawText, c.hasText);
        }

        bar.setLookAndFeel (nullptr);
    }

    TEST (AppLookAndFeelTests, FocusedButtonGetsTheThickAccentBorder)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        AppLookAndFeel lookAndFeel;
        juce::Component window;
        juce::TextButton focused ("A"), plain ("B");
        window.setLookAndFeel (&lookAndFeel);
        window.setBounds (0, 0, 200, 60);
        focused.setBounds (10, 10, 80, 30);
        plain.setBounds (100, 10, 80, 30);
        window.addAndMakeVisible (focused);
        window.addAndMakeVisible (plain);
        window.addToDesktop (0);
        window.setVisible (true);
        window.toFront (true);
        focused.setWantsKeyboardFocus (true);

        // A window manager gives the window the display's focus only once it has mapped it.
        if (! test::pumpMessagesUntil ([&] { focused.grabKeyboardFocus(); return focused.hasKeyboardFocus (false); }, 1000))
        {
            window.removeFromDesktop();
            window.setLookAndFeel (nullptr);
            GTEST_SKIP() << "the display gives no keyboard focus";
        }

        const auto fill = colours::controlBackground;

        for (auto* button : { &focused, &plain })
        {
            const bool hasFocus = button == &focused;
            SCOPED_TRACE (hasFocus ? "focused" : "not focused");
            const auto image = button->createComponentSnapshot (button->getLocalBounds());
            const auto y = image.getHeight() / 2;
            EXPECT_TRUE (coloursNear (image.getPixelAt (0, y), hasFocus ? colours::accent : colours::outline));
            // 1.6 px from x = 0.5 reaches into the second column; 1.0 px does not.
            EXPECT_EQ (coloursNear (image.getPixelAt (1, y), fill), ! hasFocus);
        }

        window.removeFromDesktop();
        window.setLookAndFeel (nullptr);
    }

    TEST (AppLookAndFeelTests, OnlyIncDecSlidersMoveRight)
    {
        AppLookAndFeel lookAndFeel;
        juce::LookAndFeel_V4 base;

        for (const auto style : { juce::Slider::IncDecButtons, juce::Slider::LinearHorizontal })
        {
            juce::Slider slider (style, juce::Slider::TextBoxLeft);
            slider.setBounds (0, 0, 160, 24);
            const auto expected = base.getSliderLayout (slider).sliderBounds;
            const auto actual = lookAndFeel.getSliderLayout (slider).sliderBounds;

            if (style == juce::Slider::IncDecButtons)
                EXPECT_EQ (actual, expected.withTrimmedLeft (3));
            else
                EXPECT_EQ (actual, expected);
        }
    }

    TEST (LayoutHelperTests, PanelFillsAndOutlinesButDrawsNothingWithoutArea)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());

        for (const auto& area : { juce::Rectangle<int> (10, 10, 0, 30), juce::Rectangle<int> (10, 10, 30, 0) })
        {
            juce::Image image (juce::Image::ARGB, 50, 50, true);
            juce::Graphics g (image);
            drawPanel (g, area);
            EXPECT_EQ (image.getPixelAt (10, 10).getAlpha(), 0);
            EXPECT_EQ (image.getPixelAt (11, 20).getAlpha(), 0);
        }

        juce::Image image (juce::Image::ARGB, 50, 50, true);
        juce::Graphics g (image);
        drawPanel (g, { 5, 5, 40, 40 });
        EXPECT_EQ (image.getPixelAt (25, 25), colours::panelBackground);
        EXPECT_TRUE (coloursNear (image.getPixelAt (25, 5), colours::subtleOutline));
        EXPECT_EQ (image.getPixelAt (2, 25).getAlpha(), 0);
    }

    TEST (LayoutHelperTests, GroupHelpersSkipNullAndSetVisibility)
    {
        juce::Component parent, a, b;
        addAllAndMakeVisible (parent, { &a, nullptr });
        addAllChildren (parent, { nullptr, &b });
        EXPECT_EQ (parent.getNumChildComponents(), 2);
        EXPECT_EQ (parent.getChildComponent (0), &a);
        EXPECT_TRUE (a.isVisible());
        EXPECT_FALSE (b.isVisible());

        setAllBounds ({ &a, nullptr, &b }, { 1, 2, 3, 4 });
        setAllEnabled ({ &a, nullptr }, false);
        EXPECT_EQ (b.getBounds(), juce::Rectangle<int> (1, 2, 3, 4));
        EXPECT_FALSE (a.isEnabled());
        EXPECT_TRUE (b.isEnabled());
    }

    TEST (FontTests, SharedFontsUseTheNamedFaces)
    {
        struct Case { const char* name; juce::Font font; float height; bool bold; const char* face; };
        const Case cases[] = {
            { "body", bodyFont(), 14.5f, false, sansTypefaceName },
            { "strong", strongFont(), 14.5f, true, sansTypefaceName },
            { "caption", captionFont(), 12.5f, false, sansTypefaceName },
            { "heading", headingFont(), 16.0f, true, sansTypefaceName },
            { "title", titleFont(), 24.0f, true, sansTypefaceName },
            { "small", smallFont(), 13.0f, false, sansTypefaceName },
            { "tiny", tinyFont(), 12.0f, false, sansTypefaceName },
            { "step title", stepTitleFont(), 17.0f, true, sansTypefaceName },
            { "step number", stepNumberFont(), 13.5f, false, sansTypefaceName },
            { "mono", monoFont(), 13.5f, false, monoTypefaceName },
            { "small mono", smallMonoFont(), 12.0f, false, monoTypefaceName },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            EXPECT_FLOAT_EQ (c.font.getHeight(), c.height);
            EXPECT_EQ (c.font.isBold(), c.bold);
            EXPECT_EQ (c.font.getTypefaceName(), juce::String (c.face));
            // A face the system does not have draws nothing at all.
            EXPECT_GT (c.font.getStringWidthFloat ("Velvane"), 0.0f);
        }

        // The monospaced faces really are: "i" and "W" take the same width.
        EXPECT_FLOAT_EQ (monoFont().getStringWidthFloat ("iiii"), monoFont().getStringWidthFloat ("WWWW"));
    }

    TEST (UiScaleTests, ScaleIsClampedAndOversizedWindowsShrinkToTheirDisplay)
    {
        const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();

        if (display == nullptr)
            GTEST_SKIP() << "no display";

        const std::pair<int, float> scales[] = { { 50, 0.8f }, { 200, 1.2f }, { 110, 1.1f }, { 100, 1.0f } };

        for (const auto& [percent, factor] : scales)
        {
            applyUiScale (percent);
            EXPECT_FLOAT_EQ (juce::Desktop::getInstance().getGlobalScaleFactor(), factor) << percent;
        }

        juce::Component big, small;
        big.setBounds (0, 0, 20000, 30);
        small.setBounds (0, 0, 120, 80);
        big.addToDesktop (0);
        small.addToDesktop (0);

        applyUiScale (100);
        const auto area = juce::Desktop::getInstance().getDisplays().getDisplayForRect (big.getScreenBounds())->userArea;
        EXPECT_EQ (big.getWidth(), area.getWidth());
        EXPECT_EQ (big.getHeight(), 30) << "a side that fits is kept";
        EXPECT_EQ (small.getBounds().getWidth(), 120);
        EXPECT_EQ (small.getBounds().getHeight(), 80);

        big.removeFromDesktop();
        small.removeFromDesktop();
    }
}
}
