#include "ui/TextBlock.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    TextBlock::TextBlock()
        : font (smallMonoFont()),
          colour (colours::textPrimary)
    {
        setInterceptsMouseClicks (false, false);
    }

    int TextBlock::rowHeight() const
    {
        return (int) std::ceil (font.getHeight() * lineSpacing);
    }

    juce::StringArray TextBlock::lines() const
    {
        return juce::StringArray::fromLines (text);
    }

    int TextBlock::getPreferredHeight (int minLines) const
    {
        return juce::jmax (lines().size(), minLines) * rowHeight() + 2;
    }

    void TextBlock::paint (juce::Graphics& g)
    {
        if (text.isEmpty())
            return;

        const int row = rowHeight();
        g.setColour (colour);
        g.setFont (font);

        int y = 0;

        for (const auto& line : lines())
        {
            if (y > getHeight())
                break;

            g.drawText (line, 0, y, getWidth(), row, juce::Justification::centredLeft, true);
            y += row;
        }
    }
}
