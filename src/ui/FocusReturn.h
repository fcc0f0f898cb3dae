#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** Whether the keyboard focus has gone from every component while `content`'s window
        keeps the display's focus: the control that had it was disabled, hidden or let go of
        it. JUCE 7 then leaves nothing focused, and keys reach none of the components that
        handle them. A focus lost to another window does not count. */
    bool focusDroppedInside (const juce::Component& content);

    /** Gives `page` the keyboard focus, so that keys reach it and every component above it.
        The page does not want the focus otherwise: a click or Tab still reaches its
        controls, and the display's focus coming back never hands the focus to the page
        over a field that has just taken it. */
    void giveFocusToPage (juce::Component& page);
}
