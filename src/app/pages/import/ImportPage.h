#pragma once

#include "core/session/Session.h"
#include "ui/WaveformCache.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class AppState;

    /** The Import step: bringing tracks and folders in and auditioning them. */
    class ImportPage : public juce::Component,
                       private Session::Listener,
                       private WaveformCache::Listener
    {
    public:
        explicit ImportPage (AppState& state);

        /** Unregisters from the session and the waveform cache first, so the application
            state may go after this page. */
        ~ImportPage() override;

        /** The space-key action: plays the selected track, or stops it while it loads or
            plays. Nothing without a selected track. */
        void togglePlay();

        void paint (juce::Graphics& g) override;

    private:
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;
        void waveformsChanged() override;

        void refresh();

        AppState& appState;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ImportPage)
    };
}
