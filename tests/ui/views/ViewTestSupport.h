#pragma once

#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>
#include <vector>

namespace korvid::ui::viewtesting
{
    using InkTest = std::function<bool (juce::Colour)>;

    /** The smallest box holding every pixel of a region that passes the ink test; empty when none does. */
    inline juce::Rectangle<int> inkBounds (const juce::Image& image, juce::Rectangle<int> region, const InkTest& isInk)
    {
        region = region.getIntersection (image.getBounds());
        int left = region.getRight(), top = region.getBottom(), right = region.getX(), bottom = region.getY();

        for (int y = region.getY(); y < region.getBottom(); ++y)
            for (int x = region.getX(); x < region.getRight(); ++x)
                if (isInk (image.getPixelAt (x, y)))
                {
                    left = juce::jmin (left, x);
                    top = juce::jmin (top, y);
                    right = juce::jmax (right, x + 1);
                    bottom = juce::jmax (bottom, y + 1);
                }

        return right > left ? juce::Rectangle<int>::leftTopRightBottom (left, top, right, bottom) : juce::Rectangle<int>();
    }

    inline juce::Rectangle<int> inkBounds (const juce::Image& image, const InkTest& isInk)
    {
        return inkBounds (image, image.getBounds(), isInk);
    }

    /** Where a text would leave ink: drawn in a colour on black, in a box, over whatever
        else the view draws beneath it. */
    inline juce::Rectangle<int> expectedTextInk (juce::Point<int> imageSize, const juce::String& text, const juce::Font& font,
                                                 juce::Colour colour, juce::Rectangle<float> box,
                                                 juce::Justification justification, const InkTest& isInk,
                                                 const std::function<void (juce::Graphics&)>& drawUnderneath = {})
    {
        juce::Image reference (juce::Image::ARGB, imageSize.x, imageSize.y, true);
        juce::Graphics g (reference);
        g.fillAll (juce::Colours::black);

        if (drawUnderneath)
            drawUnderneath (g);

        g.setColour (colour);
        g.setFont (font);
        g.drawText (text, box, justification);
        return inkBounds (reference, isInk);
    }

    /** Pixels of a pure red text on black (the test palette's disabled text). */
    inline bool isRedInk (juce::Colour c) { return c.getRed() > 90 && c.getGreen() < 30 && c.getBlue() < 30; }

    /** Pixels of white text on a dark ground. */
    inline bool isWhiteInk (juce::Colour c)
    {
        return c.getRed() > 120 && std::abs ((int) c.getRed() - (int) c.getGreen()) < 12
            && std::abs ((int) c.getRed() - (int) c.getBlue()) < 12;
    }

    inline juce::MouseEvent mouseEventWith (juce::Component& component, float x, float y, juce::ModifierKeys mods)
    {
        const juce::Point<float> position (x, y);
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                 juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                 juce::MouseInputSource::defaultTiltY, &component, &component, now, position, now, 1, false };
    }

    /** Puts a view in a window with the real pointer over it at a local point and delivers the
        move the way the window system would, so the view knows the mouse is over it. */
    class PointerOver
    {
    public:
        PointerOver (juce::Component& viewToHover, juce::Point<int> local)
            : view (viewToHover)
        {
            testsupport::prepareDisplayForWindows();
            view.addToDesktop (0);
            view.setVisible (true);
            juce::Desktop::setMousePosition (view.localPointToGlobal (local));

            if (auto* peer = view.getPeer())
                peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, local.toFloat(), {},
                                        juce::MouseInputSource::defaultPressure,
                                        juce::MouseInputSource::defaultOrientation,
                                        juce::Time::currentTimeMillis());
        }

        ~PointerOver()
        {
            view.removeFromDesktop();
        }

    private:
        juce::Component& view;
    };

    /** The rules every position setter of the views follows, as a sequence of calls and the
        value stored after each. */
    template <typename View>
    void checkPositionSetter (const char* name, void (View::*set) (double), double (View::*get)() const)
    {
        SCOPED_TRACE (name);
        View view;
        EXPECT_EQ ((view.*get)(), -1.0) << "hidden at first";

        struct Step { double input; double stored; };
        const Step steps[] = {
            { 0.5, 0.5 },
            { 0.50005, 0.5 },       // moved by less than 1e-4: kept
            { 0.5002, 0.5002 },
            { 1.7, 1.0 },           // past the end sits at the end
            { 1.0, 1.0 },
            { -0.2, -1.0 },         // any negative hides it
            { -5.0, -1.0 },
            { 0.0, 0.0 },
            { std::numeric_limits<double>::quiet_NaN(), -1.0 },
            { 0.00005, 0.00005 },   // 1e-4 away from the hidden -1 is far
            { 0.0, 0.00005 },
        };

        for (const auto& step : steps)
        {
            (view.*set) (step.input);
            EXPECT_DOUBLE_EQ ((view.*get)(), step.stored) << "after " << step.input;
        }
    }

    struct GestureLog
    {
        std::vector<double> hovers, seeks, rightClicks;
        std::vector<std::pair<float, double>> wheels;

        template <typename View>
        void attach (View& view)
        {
            view.onHover = [this] (double f) { hovers.push_back (f); };
            view.onSeek = [this] (double f) { seeks.push_back (f); };
            view.onRightClick = [this] (double f) { rightClicks.push_back (f); };
            view.onWheel = [this] (float delta, double f) { wheels.emplace_back (delta, f); };
        }
    };

    /** The mouse handlers of a view 206 pixels wide, whose drawing width is 200 from x = 3. */
    template <typename View>
    void checkGestures()
    {
        const auto none = juce::ModifierKeys();
        const auto left = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);
        const auto right = juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier);

        struct Case { float x; double fraction; };
        const Case positions[] = { { 3.0f, 0.0 }, { 53.0f, 0.25 }, { 103.0f, 0.5 }, { 153.5f, 0.7525 },
                                   { 203.0f, 1.0 }, { 0.0f, 0.0 }, { 260.0f, 1.0 }, { -40.0f, 0.0 } };

        for (const auto& c : positions)
        {
            SCOPED_TRACE (c.x);
            View view;
            view.setSize (206, 60);
            GestureLog log;
            log.attach (view);

            view.mouseMove (mouseEventWith (view, c.x, 30.0f, none));
            EXPECT_DOUBLE_EQ (view.getHoverFraction(), c.fraction);
            view.mouseDown (mouseEventWith (view, c.x, 30.0f, left));
            view.mouseDrag (mouseEventWith (view, c.x, 30.0f, left));
            view.mouseDown (mouseEventWith (view, c.x, 30.0f, right));
            view.mouseDrag (mouseEventWith (view, c.x, 30.0f, right));   // a right drag never seeks
            view.mouseWheelMove (mouseEventWith (view, c.x, 30.0f, none), juce::MouseWheelDetails { 0.0f, -0.5f, false, false, false });
            view.mouseExit (mouseEventWith (view, c.x, 30.0f, none));
            view.mouseExit (mouseEventWith (view, c.x, 30.0f, none));    // already hidden: no second report

            EXPECT_EQ (log.hovers, (std::vector<double> { c.fraction, -1.0 }));
            EXPECT_EQ (log.seeks, (std::vector<double> { c.fraction, c.fraction }));
            EXPECT_EQ (log.rightClicks, std::vector<double> { c.fraction });
            ASSERT_EQ (log.wheels.size(), 1u);
            EXPECT_EQ (log.wheels[0].first, -0.5f);
            EXPECT_DOUBLE_EQ (log.wheels[0].second, c.fraction);
            EXPECT_EQ (view.getHoverFraction(), -1.0);
        }

        // Without callbacks nothing breaks.
        View quiet;
        quiet.setSize (206, 60);
        quiet.mouseMove (mouseEventWith (quiet, 50.0f, 30.0f, none));
        quiet.mouseDown (mouseEventWith (quiet, 50.0f, 30.0f, right));
        quiet.mouseDown (mouseEventWith (quiet, 50.0f, 30.0f, left));
        quiet.mouseDrag (mouseEventWith (quiet, 50.0f, 30.0f, left));
        quiet.mouseWheelMove (mouseEventWith (quiet, 50.0f, 30.0f, none), {});
        quiet.mouseExit (mouseEventWith (quiet, 50.0f, 30.0f, none));
    }

    /** Drives every gesture of a view without a drawing width and returns what was reported. */
    template <typename View>
    GestureLog gesturesOnANarrowView (int width)
    {
        View view;
        view.setSize (width, 40);
        GestureLog log;
        log.attach (view);
        const auto left = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);
        const auto right = juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier);

        view.mouseMove (mouseEventWith (view, 2.0f, 20.0f, {}));
        view.mouseDown (mouseEventWith (view, 2.0f, 20.0f, left));
        view.mouseDrag (mouseEventWith (view, 2.0f, 20.0f, left));
        view.mouseDown (mouseEventWith (view, 2.0f, 20.0f, right));
        view.mouseWheelMove (mouseEventWith (view, 2.0f, 20.0f, {}), juce::MouseWheelDetails { 0.0f, 1.0f, false, false, false });
        return log;
    }
}
