#include "ui/MagnifierButton.h"

#include "ui/IconKey.h"

namespace korvid::ui
{
    MagnifierButton::MagnifierButton (const juce::String& name, int kindToShow)
        : juce::Button (name), kind (kindToShow)
    {
    }

    void MagnifierButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
    {
        const auto bounds = getLocalBounds().toFloat();
        const auto iconColour = drawIconKey (g, bounds, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown,
                                             isEnabled());

        const float innerWidth = bounds.getWidth() - 2.0f;
        const float innerHeight = bounds.getHeight() - 2.0f;
        const float m = juce::jmin (innerWidth, innerHeight);

        if (m <= 0.0f)
            return;

        const float cx = bounds.getX() + 1.0f + innerWidth / 2.0f - 1.5f;
        const float cy = bounds.getY() + 1.0f + innerHeight / 2.0f - 1.5f;
        const float r = 0.26f * m;

        g.setColour (iconColour);
        g.drawEllipse (cx - r, cy - r, 2.0f * r, 2.0f * r, 1.4f);

        const float handle = cx + 0.72f * r;
        const float handleY = cy + 0.72f * r;
        g.drawLine (handle, handleY, handle + 4.0f, handleY + 4.0f, 1.6f);

        const float s = 0.52f * r;

        if (kind == zoomIn || kind == zoomOut)
            g.drawLine (cx - s, cy, cx + s, cy, 1.4f);

        if (kind == zoomIn)
            g.drawLine (cx, cy - s, cx, cy + s, 1.4f);
    }
}
