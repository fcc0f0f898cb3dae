#pragma once

#include <juce_graphics/juce_graphics.h>

namespace korvid::ui
{
    // The shared text fonts. Every call builds a new font; the typefaces are named so that
    // layouts and screenshots come out the same on every machine.
    inline constexpr const char* sansTypefaceName = "DejaVu Sans";
    inline constexpr const char* monoTypefaceName = "DejaVu Sans Mono";

    juce::Font bodyFont();        // ordinary text, buttons, combo boxes, menus, progress bars
    juce::Font strongFont();      // emphasised text
    juce::Font captionFont();     // descriptions and captions
    juce::Font headingFont();     // page headings
    juce::Font titleFont();       // the product name in the title banner
    juce::Font smallFont();       // the status line and the company mark
    juce::Font tinyFont();        // axis labels, time bubbles, table cells
    juce::Font stepTitleFont();   // step names in the step bar
    juce::Font stepNumberFont();  // the "STEP " numbers of the step bar
    juce::Font monoFont();        // monospaced text on the import and report pages
    juce::Font smallMonoFont();   // text blocks
}
