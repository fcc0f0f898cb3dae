#include "app/pages/preset/PresetDrawing.h"

#include "ui/Palette.h"

namespace korvid::ui
{
    void drawTickBox (juce::Graphics& g, juce::Rectangle<int> column, bool ticked)
    {
        const int left = column.getCentreX() - 7;
        const int top = column.getCentreY() - 7;
        const auto box = juce::Rectangle<int> (left, top, 15, 15).toFloat();

        g.setColour (ticked ? colours::accent : colours::controlBackground);
        g.fillRoundedRectangle (box, 3.0f);
        g.setColour (ticked ? colours::accent : colours::outline);
        g.drawRoundedRectangle ((float) left + 0.5f, (float) top + 0.5f, 14.0f, 14.0f, 3.0f, 1.0f);

        if (! ticked)
            return;

        const auto l = (float) left, t = (float) top;
        juce::Path tick;
        tick.startNewSubPath (l + 3.5f, t + 7.5f);
        tick.lineTo (l + 6.5f, t + 11.0f);
        tick.lineTo (l + 11.5f, t + 4.0f);
        g.setColour (textColourOn (colours::accent));
        g.strokePath (tick, juce::PathStrokeType (1.8f));
    }

    void drawPlaySymbol (juce::Graphics& g, juce::Rectangle<int> area, bool playing)
    {
        const auto symbol = area.toFloat().withSizeKeepingCentre (14.0f, 14.0f);
        const float left = symbol.getX(), top = symbol.getY();
        g.setColour (playing ? colours::accent : colours::textSecondary);

        if (playing)
        {
            g.fillRoundedRectangle (left + 3.5f, top + 3.5f, 7.0f, 7.0f, 1.5f);
            return;
        }

        juce::Path triangle;
        triangle.addTriangle (left + 4.0f, top + 2.0f, left + 4.0f, top + 12.0f, left + 11.0f, top + 7.0f);
        g.fillPath (triangle);
    }
}
