#pragma once

#include "ui/Page.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

namespace korvid::ui
{
    /** The row of the five workflow steps. It only draws and reports: the owner switches
        pages and then tells the bar which step is current. */
    class StepBar : public juce::Component
    {
    public:
        StepBar();

        /** Called with the step the user chose by mouse or with the Left and Right keys. */
        std::function<void (Page)> onStep;

        void setCurrentStep (int step);
        void setStepEnabled (int step, bool shouldBeEnabled);

        int getCurrentStep() const noexcept { return currentStep; }
        int getHoverStep() const noexcept { return hoverStep; }
        bool isStepEnabled (int step) const noexcept;

        /** The step whose column holds the point, or -1. */
        int stepAt (juce::Point<int> position) const noexcept;

        void paint (juce::Graphics& g) override;
        void mouseMove (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseUp (const juce::MouseEvent& e) override;
        bool keyPressed (const juce::KeyPress& key) override;

    private:
        int currentStep = 0;
        int hoverStep = -1;
        std::array<bool, pageCount> enabled { true, true, true, true, true };

        void setHoverStep (int step);

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StepBar)
    };
}
