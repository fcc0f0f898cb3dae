#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    /** Once `popup` is hidden or deleted, repaints the part of every other window that it
        covered. Without a compositor the window system does not always ask for that area
        again, and a closed menu stays drawn over the window until something under it
        repaints. Watches the popup for the rest of its life; message thread only. */
    void repaintWhatItCoversOnceClosed (juce::Component& popup);

    /** Runs `open`, which puts up windows of its own (a message box, a prompt, a file
        chooser, a call-out box), and watches every window it added to the desktop as
        repaintWhatItCoversOnceClosed() does. */
    void openRepaintingWhatItCovers (const std::function<void()>& open);
}
