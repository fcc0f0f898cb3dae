#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class AppState;

    /** The Report step: the results of the last render, its delivered files and reports. */
    class ReportPage : public juce::Component,
                       private juce::ChangeListener
    {
    public:
        explicit ReportPage (AppState& state);

        /** Stops listening to the application state first. */
        ~ReportPage() override;

        /** The space-key action: stops the selected delivered file while it plays,
            otherwise shows and plays it. */
        void togglePlay();

        void paint (juce::Graphics& g) override;

    private:
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;

        AppState& appState;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReportPage)
    };
}
