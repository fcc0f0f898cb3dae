#include "app/pages/PagePlaceholder.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    void drawPagePlaceholder (juce::Graphics& g, juce::Rectangle<int> area,
                              const juce::String& title, const juce::String& line)
    {
        auto inner = area.reduced (24, 20);

        g.setColour (colours::textPrimary);
        g.setFont (headingFont());
        g.drawText (title, inner.removeFromTop (26), juce::Justification::centredLeft, true);

        inner.removeFromTop (6);
        g.setColour (colours::textSecondary);
        g.setFont (bodyFont());
        g.drawText (line, inner.removeFromTop (22), juce::Justification::centredLeft, true);
    }
}
