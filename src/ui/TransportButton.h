#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The play/stop button of the players: a play triangle, a stop square or three dots
        while audio is prepared, optionally followed by a caption. The owner handles clicks
        and mirrors the preview engine's playing and loading flags into the setters. */
    class TransportButton : public juce::Button
    {
    public:
        explicit TransportButton (const juce::String& caption);

        void setPlaying (bool shouldShowPlaying);
        void setLoading (bool shouldShowLoading);

        bool isPlaying() const noexcept { return playing; }
        bool isLoading() const noexcept { return loading; }
        const juce::String& getCaption() const noexcept { return caption; }

    protected:
        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    private:
        juce::String caption;
        bool playing = false;
        bool loading = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransportButton)
    };
}
