#include "support/MessageLoop.h"
#include "ui/JuceDialogs.h"
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

    /** The part of the window that other windows cover, in its own coordinates. */
    juce::Rectangle<int> coveredPartOf (const juce::Component& window)
    {
        return window.getLocalArea (nullptr, areaOfWindowsBesides (window)).getIntersection (window.getLocalBounds());
    }

    void showPaintedWindow (PaintedWindow& window, juce::LookAndFeel& lookAndFeel)
    {
        testsupport::prepareDisplayForWindows();
        window.setLookAndFeel (&lookAndFeel);
        window.setBounds (100, 100, 700, 500);
        window.addToDesktop (0);
        window.setVisible (true);
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! window.painted.isEmpty(); }, 5000));
    }

    TEST (PopupCoverRepaintTests, AClosedMenuHasTheWindowUnderItRepainted)
    {
        AppLookAndFeel lookAndFeel;
        PaintedWindow window;
        showPaintedWindow (window, lookAndFeel);

        juce::PopupMenu menu;
        menu.setLookAndFeel (&lookAndFeel);

        for (auto* item : { "Everything", "Needs attention", "Unassigned only", "Ambiguous only" })
            menu.addItem (item, [] {});

        menu.showMenuAsync (juce::PopupMenu::Options().withTargetScreenArea ({ 150, 120, 100, 20 }));
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! areaOfWindowsBesides (window).isEmpty(); }, 5000));
        const auto covered = coveredPartOf (window);
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

    // A file chooser, a prompt or a message box that goes leaves no picture of itself behind.
    TEST (PopupCoverRepaintTests, AClosedDialogHasTheWindowUnderItRepainted)
    {
        AppLookAndFeel lookAndFeel;
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
        PaintedWindow window;
        showPaintedWindow (window, lookAndFeel);
        JuceDialogs dialogs;

        const std::vector<std::pair<const char*, std::function<void()>>> opens {
            { "file chooser", [&] { dialogs.chooseFile ({ false, true, "Choose the export folder", {}, {} }, [] (juce::File) {}); } },
            { "text prompt", [&] { dialogs.askForText ("Rename", "A new name", "Strings", [] (std::optional<juce::String>) {}); } },
            { "message", [&] { dialogs.showMessage (juce::MessageBoxIconType::WarningIcon, "The stem was not split", "The disk is full.", {}); } },
        };

        for (const auto& [name, open] : opens)
        {
            SCOPED_TRACE (name);
            open();
            ASSERT_TRUE (test::pumpMessagesUntil ([&] { return ! coveredPartOf (window).isEmpty(); }, 5000));
            const auto covered = coveredPartOf (window);

            window.painted = {};
            auto* modal = juce::Component::getCurrentlyModalComponent();
            ASSERT_NE (modal, nullptr);
            modal->exitModalState (0);

            EXPECT_TRUE (test::pumpMessagesUntil ([&] { return areaOfWindowsBesides (window).isEmpty()
                                                            && window.painted.contains (covered); }, 5000))
                << "painted " << window.painted.toString() << ", covered " << covered.toString();
        }

        window.removeFromDesktop();
        window.setLookAndFeel (nullptr);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }
}
}
