#pragma once

#include <juce_graphics/juce_graphics.h>

namespace korvid::ui
{
    /** True when all four corners are opaque (alpha 250 or more) and nearly black (red,
        green and blue 12 or less): the picture was drawn on a black background. */
    bool hasOpaqueBlackCorners (const juce::Image& image);

    /** A new ARGB copy in which every pixel takes the largest of its red, green and blue as
        its alpha: black vanishes, dark tones fade, bright colours stay opaque. */
    juce::Image keyBlackBackground (const juce::Image& image);

    /** The part of the picture inside any uniform border that matches the top-left pixel
        (within 6 per channel, or both nearly transparent). */
    juce::Rectangle<int> findLogoContentBounds (const juce::Image& image);

    /** Keys an opaque black background away and trims the uniform border. Pictures under
        2 x 2 pixels, and invalid ones, come back unchanged. */
    juce::Image prepareLogoImage (const juce::Image& decoded);
}
