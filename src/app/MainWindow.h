#pragma once

#include "app/MainComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace korvid::ui
{
    /** The one top-level window: native title bar, resizable between 1100 x 720 and
        8000 x 6000, owning the main component as its content. */
    class MainWindow : public juce::DocumentWindow
    {
    public:
        static constexpr int minimumWidth = 1100;
        static constexpr int minimumHeight = 720;
        static constexpr int maximumWidth = 8000;
        static constexpr int maximumHeight = 6000;

        /** Puts the empty window on the desktop, not yet visible. */
        MainWindow();
        ~MainWindow() override;

        /** Takes the component as owned content at its own size, centres the window on
            that size and shows it. */
        void showMainComponent (std::unique_ptr<MainComponent> component);

        MainComponent* getMainComponent() const noexcept { return content.getComponent(); }

        /** Lets the main component ask first (while a render runs), then quits. */
        void closeButtonPressed() override;

    private:
        juce::Component::SafePointer<MainComponent> content;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };
}
