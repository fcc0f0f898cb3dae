#include "app/pages/preset/PresetPageTestSupport.h"
#include "ui/PointerGestures.h"

namespace korvid::ui::presettest
{
    using testsupport::PointerGestures;
    using testsupport::valueBoxOf;

    /** The page with the application's look (its slider value boxes), in a window. */
    class PresetWheelTest : public PresetPageTest
    {
    protected:
        void SetUp() override
        {
            PresetPageTest::SetUp();
            lookAndFeel.emplace();
            makePage();
        }

        void TearDown() override
        {
            PresetPageTest::TearDown();
            lookAndFeel.reset();
        }

        std::optional<testsupport::ScopedAppLookAndFeel> lookAndFeel;
    };

    TEST_F (PresetWheelTest, TheWheelChangesTheStemPriorityOnlyOnceTheUserClickedIntoIt)
    {
        useStoredStems ({ "Bass", "Drums" });
        showOnDesktop();
        SessionCounter counter (state->session);
        auto& slider = page->getPrioritySlider();
        auto& valueBox = valueBoxOf (slider);

        for (auto* under : std::initializer_list<juce::Component*> { &slider, &valueBox, &page->getNumberingCombo() })
        {
            PointerGestures::wheelAt (*under, PointerGestures::centreOf (*under), 0.5f);
            pump();
        }

        EXPECT_EQ (counter.presetChanges, 0);
        EXPECT_EQ (schema().stems[0].priority, 0);

        page->toFront (true);
        pump (100);
        PointerGestures::clickAt (valueBox, PointerGestures::centreOf (valueBox));
        pump();

        if (! slider.hasKeyboardFocus (true))
            GTEST_SKIP() << "the display gives no keyboard focus";

        PointerGestures::wheelAt (valueBox, PointerGestures::centreOf (valueBox), 0.5f);
        pump();
        EXPECT_GT (schema().stems[0].priority, 0) << "the focused slider takes the wheel and the change is written";
    }
}
