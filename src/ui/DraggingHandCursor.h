#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** An open hand, white with a dark outline on a transparent ground, drawn at run time.
        JUCE builds its own dragging hand on Linux by decoding a small GIF, and that decoder
        reads out of bounds; this one is drawn instead. */
    juce::Image drawDraggingHandImage();

    /** The cursor over things dragged to move them: made from that image on first use and
        shared by every component that shows it. Message thread only; released when JUCE
        shuts down, before the window system it was made for. */
    const juce::MouseCursor& getDraggingHandCursor();
}
