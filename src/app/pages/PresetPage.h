#pragma once

#include "core/session/Session.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class AppState;

    /** The Preset & stems step: the preset's stems, rules, alternative mixes and metadata,
        and the preset library. */
    class PresetPage : public juce::Component,
                       private Session::Listener
    {
    public:
        explicit PresetPage (AppState& state);

        /** Unregisters from the session first. */
        ~PresetPage() override;

        /** The space-key action: stops this page's stem or mix audition while it plays,
            otherwise auditions the selected stem. */
        void toggleAudition();

        void paint (juce::Graphics& g) override;

    private:
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;

        void refresh();

        AppState& appState;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetPage)
    };
}
