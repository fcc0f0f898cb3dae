#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The component property under which a label keeps its tone, so that its text colour
        follows palette switches. Tones: 0 primary text, 1 secondary text, 2 disabled text,
        3 warning; any other value shows primary text but is kept as given. */
    extern const juce::Identifier labelToneProperty;

    /** The colour of a tone in the current palette. */
    juce::Colour labelToneColour (int tone);

    /** Stores the tone on the label and colours its text from the current palette. */
    void setLabelTone (juce::Label& label, int tone);

    /** Recolours every label with a tone in this component and its children, depth first.
        Labels without a tone keep whatever colour they were given. */
    void reapplyLabelTones (juce::Component& component);
}
