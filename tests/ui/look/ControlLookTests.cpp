#include "support/MessageLoop.h"
#include "ui/LookAndFeel.h"
#include "ui/UiTestSupport.h"
#include "ui/WheelOnFocusSlider.h"

#include <gtest/gtest.h>

#include <functional>

namespace korvid::ui
{
namespace
{
    using testsupport::coloursNear;
    using testsupport::ScopedPalette;

    /** The smallest rectangle holding every pixel of the image that passes the test. */
    juce::Rectangle<int> boundsOfPixels (const juce::Image& image, juce::Rectangle<int> within,
                                         const std::function<bool (juce::Colour)>& test)
    {
        juce::Rectangle<int> found;

        for (int y = within.getY(); y < within.getBottom(); ++y)
            for (int x = within.getX(); x < within.getRight(); ++x)
                if (test (image.getPixelAt (x, y)))
                    found = found.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : found.getUnion ({ x, y, 1, 1 });

        return found;
    }

    bool anyPixel (const juce::Image& image, juce::Colour colour)
    {
        return ! boundsOfPixels (image, image.getBounds(), [colour] (juce::Colour c) { return coloursNear (c, colour, 12); })
                     .isEmpty();
    }

    TEST (ControlLookTests, DisabledSlidersAndChoosersAreDrawnFaded)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        AppLookAndFeel lookAndFeel;

        for (const bool enabled : { true, false })
        {
            SCOPED_TRACE (enabled ? "enabled" : "disabled");
            juce::Component holder;
            holder.setLookAndFeel (&lookAndFeel);
            holder.setEnabled (enabled);

            juce::Slider slider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight);
            slider.setRange (0.0, 10.0);
            slider.setValue (5.0);
            slider.setBounds (0, 0, 300, 26);
            juce::ComboBox box;
            box.addItem ("Sample peak", 1);
            box.setSelectedId (1);
            box.setBounds (0, 40, 200, 30);
            holder.setBounds (0, 0, 300, 80);
            holder.addAndMakeVisible (slider);
            holder.addAndMakeVisible (box);

            // The thumb is drawn in the accent, the chooser's border in the outline.
            const auto thumb = slider.createComponentSnapshot (slider.getLocalBounds());
            EXPECT_EQ (anyPixel (thumb, colours::accent), enabled);

            const auto chooser = box.createComponentSnapshot (box.getLocalBounds());
            EXPECT_EQ (coloursNear (chooser.getPixelAt (0, 15), colours::outline), enabled);

            holder.setLookAndFeel (nullptr);
        }
    }

    TEST (ControlLookTests, ASliderWithTheFocusMarksItsValueBox)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        testsupport::prepareDisplayForWindows();
        AppLookAndFeel lookAndFeel;
        juce::Component window;
        WheelOnFocusSlider slider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight);
        juce::TextButton other ("Other");
        window.setLookAndFeel (&lookAndFeel);
        slider.setBounds (0, 0, 300, 26);
        other.setBounds (0, 40, 80, 30);
        window.setBounds (0, 0, 300, 80);
        window.addAndMakeVisible (slider);
        window.addAndMakeVisible (other);
        window.addToDesktop (0);
        window.setVisible (true);

        const auto valueBoxEdge = [&]
        {
            const auto image = slider.createComponentSnapshot (slider.getLocalBounds());
            const auto box = slider.getLookAndFeel().getSliderLayout (slider).textBoxBounds;
            return image.getPixelAt (box.getX() + 1, box.getCentreY());
        };

        EXPECT_FALSE (coloursNear (valueBoxEdge(), colours::accent)) << "not focused yet";

        window.toFront (true);
        slider.grabKeyboardFocus();

        if (! test::pumpMessagesUntil ([&] { slider.grabKeyboardFocus(); return slider.hasKeyboardFocus (true); }, 1000))
        {
            window.removeFromDesktop();
            window.setLookAndFeel (nullptr);
            GTEST_SKIP() << "the display gives no keyboard focus";
        }

        EXPECT_TRUE (coloursNear (valueBoxEdge(), colours::accent));

        other.grabKeyboardFocus();
        EXPECT_FALSE (coloursNear (valueBoxEdge(), colours::accent)) << "the mark goes with the focus";

        window.removeFromDesktop();
        window.setLookAndFeel (nullptr);
    }

    TEST (ControlLookTests, AlertIconsStayInsideTheBoxAndLeftOfTheText)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        AppLookAndFeel lookAndFeel;

        const std::pair<juce::MessageBoxIconType, juce::Colour> types[] = {
            { juce::MessageBoxIconType::WarningIcon, colours::warning },
            { juce::MessageBoxIconType::QuestionIcon, colours::accent },
            { juce::MessageBoxIconType::InfoIcon, colours::accent },
        };

        for (const auto& [type, iconColour] : types)
        {
            SCOPED_TRACE ((int) type);
            juce::AlertWindow alert ("The export cannot start",
                                     "1M01 Opening Titles: 1 track(s) are still unassigned and the preset requires an "
                                     "explicit decision.", type);
            alert.setLookAndFeel (&lookAndFeel);
            alert.addButton ("OK", 1);

            const auto image = alert.createComponentSnapshot (alert.getLocalBounds());
            const auto textRows = image.getBounds().withTrimmedBottom (60);   // above the buttons
            const auto icon = boundsOfPixels (image, textRows, [c = iconColour] (juce::Colour p) { return coloursNear (p, c, 12); });
            const auto text = boundsOfPixels (image, textRows, [] (juce::Colour p) { return coloursNear (p, colours::textPrimary, 60); });

            ASSERT_FALSE (icon.isEmpty()) << "the icon takes its colour from the palette";
            ASSERT_FALSE (text.isEmpty());
            EXPECT_GE (icon.getX(), 8) << icon.toString();
            EXPECT_GE (icon.getY(), 8) << icon.toString();
            EXPECT_LT (icon.getRight() + 8, text.getX()) << "icon " << icon.toString() << ", text " << text.toString();
            alert.setLookAndFeel (nullptr);
        }
    }

    // The framework wraps a long message to the widest box it allows and adds the icon's
    // column after: the text ran past the right edge. Every line must end inside the box.
    TEST (ControlLookTests, ALongAlertMessageEndsInsideTheBox)
    {
        const ScopedPalette scoped (testsupport::distinctPalette());
        AppLookAndFeel lookAndFeel;
        juce::StringArray lines { "These takes are where the project says, but the list lacks them; a save now leaves "
                                  "them and their assignments out of the project:", "" };

        for (int i = 0; i < 6; ++i)
            lines.add ("/home/composer/Music/Film score/1M01 Opening titles/Alternate_take_with_a_long_name_" + juce::String (i)
                       + ".wav: Its name ends in _splitted, which marks the original of a split, and imports skip such names.");

        lines.add ("/home/composer/Music/" + juce::String::repeatedString ("VeryLongFolderNameWithoutSpaces", 6) + "/Take.wav");

        std::unique_ptr<juce::AlertWindow> alert (lookAndFeel.createAlertWindow (
            "Some takes were left out of the list", lines.joinIntoString ("\n"), "OK", {}, {},
            juce::MessageBoxIconType::WarningIcon, 1, nullptr));
        ASSERT_NE (alert, nullptr);
        alert->setLookAndFeel (&lookAndFeel);

        const auto image = alert->createComponentSnapshot (alert->getLocalBounds());
        const auto textRows = image.getBounds().withTrimmedBottom (60);
        const auto text = boundsOfPixels (image, textRows, [] (juce::Colour p) { return coloursNear (p, colours::textPrimary, 60); });

        ASSERT_FALSE (text.isEmpty());
        EXPECT_LE (text.getRight(), image.getWidth() - 8) << "text " << text.toString() << " in a box "
                                                           << image.getWidth() << " wide";
        EXPECT_TRUE (alert->getDescription().contains ("Take.wav")) << "nothing of the text is lost";
        alert->setLookAndFeel (nullptr);
    }
}
}
