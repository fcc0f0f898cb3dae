#include "ui/RowHeightButton.h"

#include "ui/IconKey.h"

namespace korvid::ui
{
    RowHeightButton::RowHeightButton (const juce::String& name, int kindToShow)
        : juce::Button (name), kind (kindToShow)
    {
    }

    void RowHeightButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
    {
        const auto bounds = getLocalBounds().toFloat();
        const auto iconColour = drawIconKey (g, bounds, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown,
                                             isEnabled());

        const float innerWidth = bounds.getWidth() - 2.0f;
        const float innerHeight = bounds.getHeight() - 2.0f;
        const float m = juce::jmin (innerWidth, innerHeight);

        if (m <= 0.0f)
            return;

        const float cx = bounds.getX() + 1.0f + innerWidth / 2.0f;
        const float cy = bounds.getY() + 1.0f + innerHeight / 2.0f;
        const float l = 0.3f * m;
        const float bar = 1.4f;

        g.setColour (iconColour);
        g.fillRect (cx - l, cy - l, 2.0f * l, bar);
        g.fillRect (cx - l, cy + l - bar, 2.0f * l, bar);

        const float u = 0.62f * l;
        const float top = kind == taller ? cy - u : cy - 0.25f * u;
        const float bottom = kind == taller ? cy + u : cy + 0.25f * u;
        g.fillRect (cx - bar / 2.0f, top, bar, bottom - top);

        const float a = 0.34f * l;
        const float d = kind == taller ? a : -a;
        juce::Path heads;
        heads.addTriangle (cx - a, top + d, cx + a, top + d, cx, top);
        heads.addTriangle (cx - a, bottom - d, cx + a, bottom - d, cx, bottom);
        g.fillPath (heads);
    }
}
