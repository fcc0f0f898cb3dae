#include "ui/TransportButton.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    TransportButton::TransportButton (const juce::String& captionText)
        : juce::Button (captionText.isEmpty() ? juce::String ("Play") : captionText),
          caption (captionText)
    {
        setTooltip ("Play. Press it again while it is playing to stop.");
    }

    void TransportButton::setPlaying (bool shouldShowPlaying)
    {
        if (shouldShowPlaying == playing)
            return;

        playing = shouldShowPlaying;
        setTooltip (playing ? "Stop" : "Play");
        repaint();
    }

    void TransportButton::setLoading (bool shouldShowLoading)
    {
        if (shouldShowLoading == loading)
            return;

        loading = shouldShowLoading;
        repaint();
    }

    void TransportButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
    {
        const auto bounds = getLocalBounds().toFloat();
        const juce::Rectangle<float> r (bounds.getX() + 0.5f, bounds.getY() + 0.5f,
                                        juce::jmax (0.0f, bounds.getWidth() - 1.0f),
                                        juce::jmax (0.0f, bounds.getHeight() - 1.0f));
        const bool enabled = isEnabled();

        auto fill = playing ? colours::accent.withAlpha (0.28f) : colours::controlBackground;

        if (shouldDrawButtonAsDown)
            fill = fill.brighter (0.25f);
        else if (shouldDrawButtonAsHighlighted)
            fill = fill.brighter (0.12f);

        if (! enabled)
            fill = fill.withMultipliedAlpha (0.5f);

        g.setColour (fill);
        g.fillRoundedRectangle (r, 4.0f);

        if (playing)
            g.setColour (colours::accent);
        else
            g.setColour (hasKeyboardFocus (false) ? colours::accent : colours::outline);

        g.drawRoundedRectangle (r, 4.0f, playing ? 1.6f : 1.0f);

        const auto side = juce::jmin (r.getHeight() * 0.45f, 12.0f);
        const auto icon = caption.isNotEmpty()
                              ? juce::Rectangle<float> (r.getX() + 10.0f, r.getCentreY() - side * 0.5f, side, side)
                              : juce::Rectangle<float> (side, side).withCentre (r.getCentre());

        g.setColour (! enabled ? colours::textDisabled : (playing ? colours::accent : colours::textPrimary));

        if (loading)
        {
            const auto d = 0.24f * side;

            for (int dot = 0; dot < 3; ++dot)
                g.fillEllipse (icon.getX() + (float) dot * 1.8f * d, icon.getCentreY() - d * 0.5f, d, d);
        }
        else if (playing)
        {
            g.fillRoundedRectangle (icon, 1.5f);
        }
        else
        {
            juce::Path triangle;
            triangle.addTriangle (icon.getTopLeft(), icon.getBottomLeft(), { icon.getRight(), icon.getCentreY() });
            g.fillPath (triangle);
        }

        if (caption.isNotEmpty())
        {
            const auto left = icon.getRight() + 8.0f;
            const juce::Rectangle<int> box (juce::roundToInt (left), juce::roundToInt (r.getY()),
                                            juce::roundToInt (juce::jmax (0.0f, r.getRight() - left)),
                                            juce::roundToInt (r.getHeight()));
            g.setFont (bodyFont());
            g.setColour (enabled ? colours::textPrimary : colours::textDisabled);
            g.drawText (caption, box, juce::Justification::centredLeft, true);
        }
    }
}
