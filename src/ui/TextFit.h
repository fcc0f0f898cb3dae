#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** Puts the text of a one-line field in the middle of its box, as a label is, rather
        than at the top where JUCE leaves it. */
    void centreTextInField (juce::TextEditor& field);

    /** Whether `text` comes out whole, neither squeezed nor cut short, when a label draws
        it in `font` inside an area of this width and room for `lines` lines. */
    bool fitsWhole (const juce::String& text, const juce::Font& font, float width, int lines);

    /** The fewest lines, from 1 to `maxLines`, in which `text` fits whole at this width;
        0 when even `maxLines` do not hold it. */
    int linesToFitWhole (const juce::String& text, const juce::Font& font, float width, int maxLines);

    /** The height that shows every item of the combo box whole at this width: the given
        single-line height, plus a line for each further line the longest item needs (at
        most three lines). The look and feel wraps the text of a box this tall. */
    int comboBoxHeightFor (juce::ComboBox& box, int width, int singleLineHeight);

    /** Whether the combo box shows the text of its present choice whole, as the look and
        feel draws it at the box's present size. */
    bool comboBoxShowsTextWhole (juce::ComboBox& box);

    /** The narrowest width at which the combo box shows every item whole on one line. */
    int comboBoxWidthFor (juce::ComboBox& box);

    /** The width a text button needs to show its text whole between its usual margins. */
    int textButtonWidth (juce::TextButton& button);

    /** The width a label needs to show its text whole on one line inside its border. */
    int labelWidthFor (juce::Label& label);

    /** The text as it fits on one line of this width: whole when it fits, otherwise its
        start and its end with an ellipsis between them, for names that differ at the end.
        Only the ellipsis is left when not even a character a side fits. */
    juce::String elideMiddle (const juce::String& text, const juce::Font& font, float width);

    /** The text as it fits on one line of this width: whole when it fits, otherwise as much
        of its start as fits before an ellipsis. Only the ellipsis is left when not even a
        character fits. */
    juce::String elideEnd (const juce::String& text, const juce::Font& font, float width);
}
