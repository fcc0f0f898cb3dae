#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <initializer_list>

namespace korvid::ui
{
    /** The background of a page block or list; nothing for an empty area. */
    void drawPanel (juce::Graphics& g, juce::Rectangle<int> area);

    /** Menu options that open the menu at the mouse inside the main window, rather than
        as a desktop window of its own. The component must be a real one. */
    juce::PopupMenu::Options popupMenuOptions (juce::Component& openedFrom);

    // Each of these skips null pointers.
    void addAllAndMakeVisible (juce::Component& parent, std::initializer_list<juce::Component*> children);
    void addAllChildren (juce::Component& parent, std::initializer_list<juce::Component*> children);
    void setAllBounds (std::initializer_list<juce::Component*> components, juce::Rectangle<int> bounds);
    void setAllEnabled (std::initializer_list<juce::Component*> components, bool enabled);
}
