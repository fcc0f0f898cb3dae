#include "app/pages/export/ExportBlockMoves.h"
#include "app/pages/export/ExportPageTestSupport.h"
#include "ui/DraggingHandCursor.h"
#include "ui/PointerGestures.h"
#include "ui/UiTestSupport.h"

namespace korvid::ui::exporttest
{
    using testsupport::PointerGestures;
    using testsupport::valueBoxOf;

    /** The page in a window of its own, so the wheel and clicks travel as they do on screen. */
    class ExportWheelTest : public ExportPageTest,
                            private Session::Listener
    {
    protected:
        void SetUp() override
        {
            ExportPageTest::SetUp();
            lookAndFeel.emplace();
            makePage();
            state->session.addListener (this);
            testsupport::prepareDisplayForWindows();
            page->addToDesktop (0);
            page->setVisible (true);
            pump (30);
        }

        void TearDown() override
        {
            state->session.removeListener (this);
            ExportPageTest::TearDown();
            lookAndFeel.reset();
        }

        /** Scrolls the body so that the control shows a little below the top of the view,
            with room left to scroll up. */
        void bringIntoView (juce::Component& control)
        {
            const auto inBody = body().getLocalArea (&control, control.getLocalBounds());
            page->getViewport().setViewPosition (0, juce::jmax (0, inBody.getY() - 80));
        }

        int viewTop()   { return page->getViewport().getViewPositionY(); }

        bool focusAvailable()
        {
            page->toFront (true);
            pump (100);
            auto& probe = body().fullMixNameEditor;
            return pumpUntil ([&] { probe.grabKeyboardFocus(); return probe.hasKeyboardFocus (false); }, 1000);
        }

        std::optional<testsupport::ScopedAppLookAndFeel> lookAndFeel;
        int presetChanges = 0;

    private:
        void presetChanged() override   { ++presetChanges; }
    };

    TEST_F (ExportWheelTest, TheWheelScrollsThePageOverEveryKindOfControl)
    {
        auto& c = body();
        ASSERT_GT (c.getHeight(), page->getViewport().getHeight()) << "the body must be taller than its view";

        const auto before = state->session.getPreset();
        auto& slider = c.targetSlider;
        const juce::Rectangle<int> track = slider.getLookAndFeel().getSliderLayout (slider).sliderBounds;

        struct Case
        {
            const char* name;
            juce::Component* under;   // what the pointer lies over
            juce::Point<int> at;
        };

        const Case cases[] = {
            { "a slider", &slider, track.getCentre() },
            { "a slider's value box", &valueBoxOf (slider), PointerGestures::centreOf (valueBoxOf (slider)) },
            { "a chooser", &c.numberingBox, PointerGestures::centreOf (c.numberingBox) },
            { "a chooser of a format row", &row (0).ditherBox, PointerGestures::centreOf (row (0).ditherBox) },
            { "a text field", &c.fullMixNameEditor, PointerGestures::centreOf (c.fullMixNameEditor) },
            { "a disabled slider's value box", &valueBoxOf (c.floorSlider), PointerGestures::centreOf (valueBoxOf (c.floorSlider)) },
        };

        for (const auto& k : cases)
        {
            SCOPED_TRACE (k.name);
            bringIntoView (*k.under);
            const int top = viewTop();
            ASSERT_GT (top, 0);

            PointerGestures::wheelAt (*k.under, k.at, 0.25f);
            pump();

            EXPECT_LT (viewTop(), top) << "the page did not move";
            EXPECT_EQ (presetChanges, 0);
            EXPECT_TRUE (state->session.getPreset().exportSettings == before.exportSettings);
        }
    }

    TEST_F (ExportWheelTest, BlockHandlesAndNameChipsShowOurOwnDraggingHand)
    {
        // The wheel carries the pointer over these; JUCE's own dragging hand would then be
        // decoded from its GIF, a read out of bounds.
        auto& c = body();
        juce::Array<juce::Component*> grips;

        for (const auto& placement : c.getPlacements())
            grips.add (c.handleFor (placement.key));

        for (auto* editor : { &c.stemTemplateEditor, &c.mixTemplateEditor })
            for (auto* chips : { &editor->getSequence().chips, &editor->getPalette().chips })
                for (auto* chip : *chips)
                    if (chip->isShowing())
                        grips.add (chip);

        ASSERT_GT (grips.size(), c.getPlacements().size()) << "no name chip shows";

        for (auto* grip : grips)
        {
            ASSERT_NE (grip, nullptr);
            SCOPED_TRACE (grips.indexOf (grip));
            bringIntoView (*grip);
            pump();

            // Late events of the display's real pointer can carry it elsewhere: move again.
            auto mouse = juce::Desktop::getInstance().getMainMouseSource();
            ASSERT_TRUE (pumpUntil ([&] {
                PointerGestures::moveTo (*grip, { 4, grip->getHeight() / 2 });
                pump();
                return mouse.getComponentUnderMouse() == grip;
            }, 3000));

            auto* under = mouse.getComponentUnderMouse();
            EXPECT_TRUE (under->getMouseCursor() == getDraggingHandCursor());
            EXPECT_TRUE (under->getMouseCursor() != juce::MouseCursor::DraggingHandCursor);
        }
    }

    TEST_F (ExportWheelTest, ASliderTheUserClickedOrTabbedIntoTakesTheWheel)
    {
        if (! focusAvailable())
            GTEST_SKIP() << "the display gives no keyboard focus";

        auto& slider = body().targetSlider;
        auto& valueBox = valueBoxOf (slider);

        struct Case
        {
            const char* name;
            std::function<void()> enter;
        };

        const Case cases[] = {
            { "clicked into its value box", [&] { PointerGestures::clickAt (valueBox, PointerGestures::centreOf (valueBox)); } },
            { "clicked on its track", [&] { PointerGestures::clickAt (slider, { slider.getWidth() / 4, slider.getHeight() / 2 }); } },
            { "tabbed into", [&] { slider.grabKeyboardFocus(); } },
        };

        for (const auto& k : cases)
        {
            SCOPED_TRACE (k.name);
            juce::Component::unfocusAllComponents();
            bringIntoView (slider);
            k.enter();
            pump();
            ASSERT_TRUE (slider.hasKeyboardFocus (true));

            const int top = viewTop();
            const double value = slider.getValue();
            PointerGestures::wheelAt (valueBox, PointerGestures::centreOf (valueBox), 0.25f);
            pump();

            EXPECT_GT (slider.getValue(), value);
            EXPECT_EQ (viewTop(), top) << "a focused slider keeps the wheel";
            EXPECT_DOUBLE_EQ (state->session.getPreset().exportSettings.headroom.targetDb, slider.getValue())
                << "the change is written to the preset";
        }
    }
}
