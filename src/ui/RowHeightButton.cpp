#include "ui/RowHeightButton.h"

namespace korvid::ui
{
    void RowHeightButton::drawIcon (juce::Graphics& g, float x, float y, float width, float height)
    {
        const float m = juce::jmin (width, height);
        const float cx = x + width / 2.0f;
        const float cy = y + height / 2.0f;
        const float l = 0.3f * m;
        const float bar = 1.4f;

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
