#include "ui/PositionOverlays.h"

#include "core/model/Types.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    double clampedPositionFraction (double fraction) noexcept
    {
        // "! >=" also hides NaN, which would otherwise pass every comparison below.
        if (! (fraction >= 0.0))
            return -1.0;

        return juce::jmin (fraction, 1.0);
    }

    bool storePositionFraction (double& stored, double fraction) noexcept
    {
        const auto value = clampedPositionFraction (fraction);

        if (std::abs (value - stored) < 1.0e-4)
            return false;

        stored = value;
        return true;
    }

    juce::Rectangle<int> drawingAreaOf (juce::Rectangle<int> viewBounds) noexcept
    {
        return viewBounds.reduced (3);
    }

    double fractionAcross (float x, int viewWidth) noexcept
    {
        const auto width = viewWidth - 6;

        if (width <= 0)
            return 0.0;

        return juce::jlimit (0.0, 1.0, ((double) x - 3.0) / (double) width);
    }

    int hoverLineX (juce::Rectangle<int> area, double hoverFraction) noexcept
    {
        return (int) ((double) area.getX() + hoverFraction * (double) area.getWidth());
    }

    void drawHoverLine (juce::Graphics& g, juce::Rectangle<int> area, double hoverFraction)
    {
        g.setColour (colours::warning.withAlpha (0.9f));
        g.fillRect (hoverLineX (area, hoverFraction), area.getY(), 1, area.getHeight());
    }

    void drawMarker (juce::Graphics& g, juce::Rectangle<int> area, double markerFraction)
    {
        const auto x = (float) ((double) area.getX() + markerFraction * (double) area.getWidth());
        const auto top = (float) area.getY();
        const auto bottom = (float) area.getBottom();

        g.setColour (colours::warning);
        g.fillRect (juce::Rectangle<float> (x - 1.0f, top, 2.0f, (float) area.getHeight()));
        g.fillRect (juce::Rectangle<float> (x - 4.0f, top, 9.0f, 3.0f));
        g.fillRect (juce::Rectangle<float> (x - 4.0f, bottom - 3.0f, 9.0f, 3.0f));
    }

    juce::Rectangle<float> hoverTimeBubbleBounds (juce::Rectangle<int> area, int hoverX, const juce::String& text)
    {
        const auto textWidth = std::ceil (tinyFont().getStringWidthFloat (text));
        const auto width = juce::jmax (textWidth + 8.0f, 34.0f);
        auto x = (float) hoverX + 4.0f;

        if (x + width > (float) area.getRight())
            x = (float) hoverX - 4.0f - width;

        return { x, (float) area.getY() + 2.0f, width, 13.0f };
    }

    void drawHoverTimeBubble (juce::Graphics& g, juce::Rectangle<int> area, int hoverX, double seconds)
    {
        const auto text = korvid::formatDuration (seconds);
        const auto box = hoverTimeBubbleBounds (area, hoverX, text);

        g.setColour (colours::windowBackground.withAlpha (0.78f));
        g.fillRoundedRectangle (box, 2.0f);
        g.setColour (juce::Colours::white);
        g.setFont (tinyFont());
        g.drawText (text, box, juce::Justification::centred, false);
    }
}
