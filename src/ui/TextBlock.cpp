#include "ui/TextBlock.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/TextFit.h"

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

    void TextBlock::setCutLinesInTheMiddle (bool shouldCutInTheMiddle)
    {
        cutInTheMiddle = shouldCutInTheMiddle;

        // Only a block whose lines can be read whole in a tooltip needs the pointer.
        setInterceptsMouseClicks (cutInTheMiddle, false);
        repaint();
    }

    juce::String TextBlock::shownLine (int index) const
    {
        const auto all = lines();

        if (! juce::isPositiveAndBelow (index, all.size()))
            return {};

        return shown (all[index]);
    }

    juce::String TextBlock::shown (const juce::String& line) const
    {
        return cutInTheMiddle ? elideMiddle (line, font, (float) getWidth()) : line;
    }

    juce::String TextBlock::tooltipAt (juce::Point<int> position) const
    {
        if (! cutInTheMiddle || position.y < 0 || ! juce::isPositiveAndBelow (position.x, getWidth()))
            return {};

        const int index = position.y / juce::jmax (1, rowHeight());
        const auto whole = lines()[index];
        return shown (whole) != whole ? whole : juce::String();
    }

    juce::String TextBlock::getTooltip()
    {
        return tooltipAt (getMouseXYRelative());
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

            g.drawText (shown (line), 0, y, getWidth(), row, juce::Justification::centredLeft, true);
            y += row;
        }
    }
}
