#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The text with line breaks put in so that no line is wider than `width` in this
        font: a long line breaks at its last space that fits, and a word wider than the
        width (a long path) after its last "/" that fits, else after its last character that
        fits. Lines that fit are kept as they are. */
    juce::String wrapToWidth (const juce::String& text, const juce::Font& font, float width);
}
