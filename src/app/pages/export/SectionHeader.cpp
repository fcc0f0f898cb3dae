#include "app/pages/export/SectionHeader.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    SectionHeader::SectionHeader (const juce::String& titleText, const juce::String& subtitleText)
        : title (titleText), subtitle (subtitleText)
    {
        setInterceptsMouseClicks (false, false);
    }

    void SectionHeader::paint (juce::Graphics& g)
    {
        const int textRow = juce::jmin (getHeight(), 23);
        const int width = getWidth();

        const auto heading = headingFont();
        const int titleWidth = juce::jmin (width, (int) std::ceil (heading.getStringWidthFloat (title)) + 10);
        g.setFont (heading);
        g.setColour (colours::textPrimary);
        g.drawText (title, 0, 0, titleWidth, textRow, juce::Justification::centredLeft, false);

        int used = titleWidth;

        if (subtitle.isNotEmpty())
        {
            const auto caption = captionFont();
            const int subtitleWidth = juce::jmin (width - used, (int) std::ceil (caption.getStringWidthFloat (subtitle)) + 12);
            g.setFont (caption);
            g.setColour (colours::textDisabled);
            g.drawText (subtitle, used, 0, subtitleWidth, textRow, juce::Justification::centredLeft, true);
            used += subtitleWidth;
        }

        if (width - used >= 9)
        {
            g.setColour (colours::subtleOutline);
            g.fillRect (used + 4, textRow / 2, width - used - 4, 1);
        }
    }
}
