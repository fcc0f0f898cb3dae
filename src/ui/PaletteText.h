#pragma once

#include "ui/Palette.h"

namespace korvid::ui
{
    /** The text a custom palette is kept as in the settings: "key:aarrggbb" for every role
        in role order, joined with single spaces. */
    juce::String paletteToText (const Palette& palette);

    /** Reads that text over the default palette: unknown keys and malformed items are
        skipped, a role named twice takes the later value. Never fails. */
    Palette paletteFromText (const juce::String& text);
}
