#pragma once

#include <juce_graphics/juce_graphics.h>

namespace korvid::ui
{
    /** What the waveform and spectrogram views share: the drawing area, the fraction under
        the mouse, and the hover line, marker and time bubble drawn over their content. */

    /** A position an owner hands to a view: negative (or not a number) hides it as -1,
        anything past the end sits at the end. */
    double clampedPositionFraction (double fraction) noexcept;

    /** Stores a position unless it moved by less than 1e-4; tells whether it was stored. */
    bool storePositionFraction (double& stored, double fraction) noexcept;

    /** The part of a view its content is drawn in: inset by 3 pixels, never negative. */
    juce::Rectangle<int> drawingAreaOf (juce::Rectangle<int> viewBounds) noexcept;

    /** Where a local x lies across the drawing width (the view width less 6), 0..1;
        0 when there is no drawing width. */
    double fractionAcross (float x, int viewWidth) noexcept;

    /** The whole-pixel column of the hover line. */
    int hoverLineX (juce::Rectangle<int> area, double hoverFraction) noexcept;

    /** A one-pixel line over the area's height. */
    void drawHoverLine (juce::Graphics& g, juce::Rectangle<int> area, double hoverFraction);

    /** A 2-pixel bar with a tick at the top and at the bottom of the area. */
    void drawMarker (juce::Graphics& g, juce::Rectangle<int> area, double markerFraction);

    /** The time under the mouse, beside the hover line: right of it, or left of it when it
        would pass the area's right edge. */
    void drawHoverTimeBubble (juce::Graphics& g, juce::Rectangle<int> area, int hoverX, double seconds);

    /** The box drawHoverTimeBubble fills for a text. */
    juce::Rectangle<float> hoverTimeBubbleBounds (juce::Rectangle<int> area, int hoverX, const juce::String& text);
}
