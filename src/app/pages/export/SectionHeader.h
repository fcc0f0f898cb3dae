#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The title line of a settings block: a heading, an optional caption after it and a
        thin rule to the right edge. Ignores the mouse, so a handle lying over it gets the
        press. */
    class SectionHeader : public juce::Component
    {
    public:
        SectionHeader (const juce::String& title, const juce::String& subtitle);

        const juce::String title;
        const juce::String subtitle;

        void paint (juce::Graphics& g) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SectionHeader)
    };
}
