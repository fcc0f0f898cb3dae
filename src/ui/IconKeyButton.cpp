#include "ui/IconKeyButton.h"

#include "ui/Palette.h"

namespace korvid::ui
{
    IconKeyButton::IconKeyButton (const juce::String& name, int kindToShow)
        : juce::Button (name), kind (kindToShow)
    {
    }

    juce::Colour IconKeyButton::brightened (juce::Colour colour, float amount)
    {
        const auto lift = [amount] (juce::uint8 c)
        {
            return (juce::uint8) juce::roundToInt (255.0f - (255.0f - (float) c) / (1.0f + amount));
        };

        return juce::Colour (lift (colour.getRed()), lift (colour.getGreen()), lift (colour.getBlue()),
                             colour.getAlpha());
    }

    void IconKeyButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
    {
        const auto bounds = getLocalBounds().toFloat();
        const juce::Rectangle<float> key (bounds.getX() + 1.0f, bounds.getY() + 1.0f,
                                          juce::jmax (0.0f, bounds.getWidth() - 2.0f),
                                          juce::jmax (0.0f, bounds.getHeight() - 2.0f));

        if (shouldDrawButtonAsDown)
            g.setColour (colours::controlHover);
        else if (shouldDrawButtonAsHighlighted)
            g.setColour (brightened (colours::controlBackground, 0.15f));
        else
            g.setColour (colours::controlBackground);

        g.fillRoundedRectangle (key, 4.0f);

        const juce::Rectangle<float> outline (key.getX() + 0.5f, key.getY() + 0.5f,
                                              juce::jmax (0.0f, key.getWidth() - 1.0f),
                                              juce::jmax (0.0f, key.getHeight() - 1.0f));
        g.setColour (colours::subtleOutline);
        g.drawRoundedRectangle (outline, 4.0f, 1.0f);

        // Too small for an icon: the key alone.
        if (juce::jmin (key.getWidth(), key.getHeight()) <= 0.0f)
            return;

        g.setColour (isEnabled() ? colours::textPrimary : colours::textDisabled);
        drawIcon (g, key.getX(), key.getY(), key.getWidth(), key.getHeight());
    }
}
