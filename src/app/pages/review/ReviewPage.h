#pragma once

#include "core/session/Session.h"
#include "ui/WaveformCache.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace korvid::ui
{
    class AppState;

    /** The Review step: the assignment of tracks to stems, corrected and locked by hand. */
    class ReviewPage : public juce::Component,
                       private Session::Listener,
                       private WaveformCache::Listener,
                       private juce::Timer
    {
    public:
        explicit ReviewPage (AppState& state);

        /** Stops the timer and unregisters from the session and the waveform cache first. */
        ~ReviewPage() override;

        /** The space-key action: auditions the selected tracks together. Without a start
            (a fraction of the take) it starts at the first sound and stops an audition of
            the same selection instead. */
        void auditionSelection (std::optional<double> startFraction);

        void paint (juce::Graphics& g) override;

    private:
        // Session changes only mark the page; the timer rebuilds it once for a burst of them.
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;
        void waveformsChanged() override;
        void timerCallback() override;

        AppState& appState;
        bool rebuildPending = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReviewPage)
    };
}
