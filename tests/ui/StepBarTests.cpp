#include "ui/StepBar.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

namespace korvid::ui
{
namespace
{
    using testsupport::coloursNear;

    struct Recorder
    {
        std::vector<int> steps;

        void attach (StepBar& bar)
        {
            bar.onStep = [this] (Page page) { steps.push_back (static_cast<int> (page)); };
        }
    };

    void enableOnly (StepBar& bar, std::initializer_list<int> steps)
    {
        for (int i = 0; i < pageCount; ++i)
            bar.setStepEnabled (i, std::find (steps.begin(), steps.end(), i) != steps.end());
    }

    TEST (StepBarTests, ClicksReportEnabledStepsInFullColumnsOnly)
    {
        StepBar bar;
        bar.setSize (503, 60);
        Recorder recorder;
        recorder.attach (bar);
        bar.setStepEnabled (2, false);

        struct Case { int x, y; std::optional<int> expected; };
        const Case cases[] = {
            { 0, 0, 0 }, { 99, 59, 0 }, { 100, 30, 1 }, { 499, 30, 4 },
            { 250, 30, std::nullopt },   // disabled step
            { 500, 30, std::nullopt },   // the 3 pixels right of the fifth column
            { 150, 60, std::nullopt },   // below the bar
            { -1, 30, std::nullopt },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.x) + "," + juce::String (c.y));
            recorder.steps.clear();
            bar.mouseUp (testsupport::mouseEventAt (bar, c.x, c.y));

            if (c.expected.has_value())
                EXPECT_EQ (recorder.steps, std::vector<int> { *c.expected });
            else
                EXPECT_TRUE (recorder.steps.empty());
        }

        // The bar does not move itself: the owner does that after switching pages.
        EXPECT_EQ (bar.getCurrentStep(), 0);
    }

    TEST (StepBarTests, StepEnabledIgnoresStepsOutsideTheFive)
    {
        StepBar bar;

        for (const int step : { -1, 5, 99 })
        {
            bar.setStepEnabled (step, false);
            EXPECT_FALSE (bar.isStepEnabled (step));
        }

        for (int i = 0; i < pageCount; ++i)
            EXPECT_TRUE (bar.isStepEnabled (i));

        EXPECT_EQ (bar.getTitle(), "Workflow steps");
        EXPECT_TRUE (bar.getWantsKeyboardFocus());
    }

    TEST (StepBarTests, ArrowKeysWalkToTheNextEnabledStepAndWrap)
    {
        struct Case { const char* name; std::initializer_list<int> enabledSteps; int current; int key; int expected; };
        const Case cases[] = {
            { "skips disabled, right", { 0, 1, 4 }, 1, juce::KeyPress::rightKey, 4 },
            { "skips disabled, left", { 0, 1, 4 }, 1, juce::KeyPress::leftKey, 0 },
            { "wraps past the last", { 0, 1, 2, 3, 4 }, 4, juce::KeyPress::rightKey, 0 },
            { "wraps past the first", { 0, 1, 2, 3, 4 }, 0, juce::KeyPress::leftKey, 4 },
            { "wraps and skips", { 1, 2 }, 2, juce::KeyPress::rightKey, 1 },
            { "nothing else enabled, right", { 3 }, 3, juce::KeyPress::rightKey, 3 },
            { "nothing else enabled, left", { 3 }, 3, juce::KeyPress::leftKey, 3 },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            StepBar bar;
            Recorder recorder;
            recorder.attach (bar);
            enableOnly (bar, c.enabledSteps);
            bar.setCurrentStep (c.current);

            EXPECT_TRUE (bar.keyPressed (juce::KeyPress (c.key)));
            EXPECT_EQ (recorder.steps, std::vector<int> { c.expected });
        }

        StepBar bar;
        EXPECT_TRUE (bar.keyPressed (juce::KeyPress (juce::KeyPress::rightKey))) << "consumed without a callback";
        EXPECT_FALSE (bar.keyPressed (juce::KeyPress (juce::KeyPress::upKey)));
        EXPECT_FALSE (bar.keyPressed (juce::KeyPress ('a')));
    }

    // Which text colour a box was drawn in: the pixel that differs most from the background.
    juce::Colour strongestInk (const juce::Image& image, juce::Rectangle<int> box, juce::Colour background)
    {
        juce::Colour strongest = background;
        int best = 0;

        for (int y = box.getY(); y < box.getBottom(); ++y)
        {
            for (int x = box.getX(); x < box.getRight(); ++x)
            {
                const auto c = image.getPixelAt (x, y);
                const auto difference = std::abs (c.getRed() - background.getRed()) + std::abs (c.getGreen() - background.getGreen())
                                      + std::abs (c.getBlue() - background.getBlue());
                if (difference > best)
                {
                    best = difference;
                    strongest = c;
                }
            }
        }

        return strongest;
    }

    // The palette's text colours are pure white, green and red, so the hue tells them apart.
    const char* inkName (juce::Colour c)
    {
        if (c.getRed() > 128 && c.getGreen() > 128)
            return "textPrimary";
        if (c.getGreen() > 100 && c.getRed() < 60)
            return "textSecondary";
        if (c.getRed() > 100 && c.getGreen() < 60)
            return "textDisabled";
        return "none";
    }

    TEST (StepBarTests, PaintShowsCurrentHoveredAndDisabledSteps)
    {
        const testsupport::ScopedPalette scoped (testsupport::distinctPalette());
        const auto& p = currentPalette;

        StepBar bar;
        bar.setSize (500, 60);
        bar.setCurrentStep (1);
        bar.setStepEnabled (3, false);
        bar.mouseMove (testsupport::mouseEventAt (bar, 250, 30));
        EXPECT_EQ (bar.getHoverStep(), 2);

        auto image = bar.createComponentSnapshot (bar.getLocalBounds());
        const auto hoverFill = p.panelBackground.interpolatedWith (p.raisedBackground, 0.5f);

        struct Probe { const char* what; int x, y; juce::Colour expected; };
        const Probe probes[] = {
            { "plain step", 50, 3, p.panelBackground },
            { "current step", 150, 3, p.raisedBackground },
            { "current step's bar", 150, 57, p.accent },
            { "current step's bar is 3 high", 150, 56, p.raisedBackground },
            { "bottom line over the bar", 150, 59, p.subtleOutline },
            { "bottom line", 50, 59, p.subtleOutline },
            { "hovered enabled step", 250, 3, hoverFill },
            { "divider", 100, 30, p.subtleOutline },
            { "divider starts at 8", 100, 7, p.raisedBackground },
            { "divider ends 8 above the bottom", 400, 52, p.panelBackground },
        };

        for (const auto& probe : probes)
            EXPECT_TRUE (coloursNear (image.getPixelAt (probe.x, probe.y), probe.expected, 3))
                << probe.what << ": " << image.getPixelAt (probe.x, probe.y).toDisplayString (true);

        // Number lines at y 6..25, names below: which colour each was written in.
        struct Ink { int step; bool name; const char* expected; };
        const Ink inks[] = {
            { 0, false, "textSecondary" }, { 0, true, "textSecondary" },
            { 1, false, "textSecondary" }, { 1, true, "textPrimary" },
            { 3, false, "textDisabled" }, { 3, true, "textDisabled" },
            { 4, false, "textSecondary" }, { 4, true, "textSecondary" },
        };

        for (const auto& ink : inks)
        {
            const juce::Rectangle<int> box (ink.step * 100 + 6, ink.name ? 25 : 6, 88, ink.name ? 29 : 19);
            const auto background = ink.step == 1 ? p.raisedBackground : p.panelBackground;
            EXPECT_STREQ (inkName (strongestInk (image, box, background)), ink.expected)
                << "step " << ink.step << (ink.name ? " name" : " number");
        }

        // Hovering a disabled step records it but draws no highlight.
        bar.mouseMove (testsupport::mouseEventAt (bar, 350, 30));
        EXPECT_EQ (bar.getHoverStep(), 3);
        image = bar.createComponentSnapshot (bar.getLocalBounds());
        EXPECT_TRUE (coloursNear (image.getPixelAt (350, 3), p.panelBackground, 3));
        EXPECT_TRUE (coloursNear (image.getPixelAt (250, 3), p.panelBackground, 3)) << "old hover still drawn";

        bar.mouseExit (testsupport::mouseEventAt (bar, 600, 30));
        EXPECT_EQ (bar.getHoverStep(), -1);
    }
}
}
