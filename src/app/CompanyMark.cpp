#include "app/CompanyMark.h"

#include "ui/DesktopOpener.h"
#include "ui/Fonts.h"
#include "ui/Logos.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    CompanyMark::CompanyMark()
    {
        setMouseCursor (juce::MouseCursor::PointingHandCursor);
        setTooltip (juce::String (companyName) + " - " + makerWebSite);
    }

    int CompanyMark::wantedWidth (int height)
    {
        const auto logo = getLogo (companyLogoName);

        if (! logo.isValid())
            return (int) std::ceil (smallFont().getStringWidthFloat (companyName));

        if (logo.getHeight() <= 0)
            return 0;

        const double scale = juce::jmin ((double) height / logo.getHeight(), 1.0);
        return juce::roundToInt (logo.getWidth() * scale);
    }

    void CompanyMark::paint (juce::Graphics& g)
    {
        g.setOpacity (0.78f);

        if (! drawLogoFitted (g, companyLogoName, getLocalBounds()).isEmpty())
            return;

        g.setOpacity (1.0f);
        g.setColour (colours::textSecondary);
        g.setFont (smallFont());
        g.drawText (companyName, getLocalBounds(), juce::Justification::centredRight, false);
    }

    void CompanyMark::mouseUp (const juce::MouseEvent& e)
    {
        if (e.mouseWasDraggedSinceMouseDown())
            return;

        const juce::URL site (makerWebSite);

        if (! openWebAddress (site) && onOpenFailed)
            onOpenFailed (site);
    }
}
