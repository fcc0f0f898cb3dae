#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    inline constexpr const char* productLogoName = "velvane_logo.png";

    /** The product logo at the left of the header, or the product name when the logo is
        missing. It ignores the mouse. */
    class TitleBanner : public juce::Component
    {
    public:
        TitleBanner();

        /** The width the banner wants at this height: the logo scaled to it without
            enlarging, or the name's width in the title font. */
        static int wantedWidth (int height);

        void paint (juce::Graphics& g) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TitleBanner)
    };
}
