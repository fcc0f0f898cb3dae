#include "support/MessageLoop.h"
#include "ui/LookAndFeel.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    /** A window that notes which of its parts were painted. */
    class PaintedWindow : public juce::Component
    {
    public:
        void paint (juce::Graphics& g) override
        {
            g.fillAll (juce::Colours::black);
            painted = painted.getUnion (g.getClipBounds());
        }

        juce::Rectangle<int> painted;
    };

    /** The screen area of every other window on the desktop that shows. */
    juce::Rectangle<int> areaOfWindowsBesides (const juce::Component& window)
    {
        auto& desktop = juce::Desktop::getInstance();
        juce::Rectangle<int> area;

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* c = desktop.getComponent (i); c != nullptr && c != &window && c->isShowing())
                area = area.getUnion (c->getScreenBounds());

        return area;
    }

    TEST (PopupCoverRepaintTests, AClosedMenuHasTheWindowUnderItRepainted)
    {
        testsupport::prepareDisplayForWindows();
        AppLookAndFeel lookAndFeel;
        PaintedWindow window;
        window.setLookAndFeel (&lookAndFeel);
        window.setBounds (100, 100, 400, 300);
        window.addToDesktop (0);
        window.setVisible (true);
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! window.painted.isEmpty(); }, 5000));

        juce::PopupMenu menu;
        menu.setLookAndFeel (&lookAndFeel);

        for (auto* item : { "Everything", "Needs attention", "Unassigned only", "Ambiguous only" })
            menu.addItem (item, [] {});

        menu.showMenuAsync (juce::PopupMenu::Options().withTargetScreenArea ({ 150, 120, 100, 20 }));
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! areaOfWindowsBesides (window).isEmpty(); }, 5000));
        const auto covered = window.getLocalArea (nullptr, areaOfWindowsBesides (window))
                                 .getIntersection (window.getLocalBounds());
        ASSERT_FALSE (covered.isEmpty());

        // Nothing else asks the window to paint: whatever paints it now is the menu closing.
        window.painted = {};
        juce::PopupMenu::dismissAllActiveMenus();

        EXPECT_TRUE (test::pumpMessagesUntil ([&] { return areaOfWindowsBesides (window).isEmpty()
                                                        && window.painted.contains (covered); }, 5000))
            << "painted " << window.painted.toString() << ", covered " << covered.toString();

        window.removeFromDesktop();
        window.setLookAndFeel (nullptr);
    }
}
}
