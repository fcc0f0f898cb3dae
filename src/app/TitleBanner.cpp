#include "app/TitleBanner.h"

#include "ui/Fonts.h"
#include "ui/Logos.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        const juce::String productName ("Velvane");
    }

    TitleBanner::TitleBanner()
    {
        setInterceptsMouseClicks (false, false);
    }

    int TitleBanner::wantedWidth (int height)
    {
        const auto logo = getLogo (productLogoName);

        if (! logo.isValid())
            return (int) std::ceil (titleFont().getStringWidthFloat (productName));

        if (logo.getHeight() <= 0)
            return 0;

        const double scale = juce::jmin ((double) height / logo.getHeight(), 1.0);
        return juce::roundToInt (logo.getWidth() * scale);
    }

    void TitleBanner::paint (juce::Graphics& g)
    {
        if (! drawLogoFitted (g, productLogoName, getLocalBounds()).isEmpty())
            return;

        g.setColour (colours::textPrimary);
        g.setFont (titleFont());
        g.drawText (productName, getLocalBounds(), juce::Justification::centredLeft, false);
    }
}
