#include "ui/MagnifierButton.h"

namespace korvid::ui
{
    void MagnifierButton::drawIcon (juce::Graphics& g, float x, float y, float width, float height)
    {
        const float m = juce::jmin (width, height);
        const float cx = x + width / 2.0f - 1.5f;
        const float cy = y + height / 2.0f - 1.5f;
        const float r = 0.26f * m;

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
