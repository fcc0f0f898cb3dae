#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    inline constexpr const char* companyName = "Osmerine";
    inline constexpr const char* companyLogoName = "osmerine_logo.png";
    inline constexpr const char* makerWebSite = "https://osmerine.example";

    /** The company logo at the right end of the footer; a click opens the maker's web site. */
    class CompanyMark : public juce::Component,
                        public juce::SettableTooltipClient
    {
    public:
        CompanyMark();

        /** Called when the browser could not be started, so the owner can say so. */
        std::function<void (const juce::URL& address)> onOpenFailed;

        /** The width the mark wants at this height: the logo scaled to it without
            enlarging, or the company name's width in the small font. */
        static int wantedWidth (int height);

        void paint (juce::Graphics& g) override;
        void mouseUp (const juce::MouseEvent& e) override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CompanyMark)
    };
}
