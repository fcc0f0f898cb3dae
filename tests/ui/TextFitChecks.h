#pragma once

#include "ui/TextFit.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>
#include <functional>

namespace korvid::ui::testsupport
{
    /** Calls `visit` for every component below `root` that is visible as far up as `root`
        (whether or not `root` itself is shown). */
    inline void forEachVisibleBelow (juce::Component& root, const std::function<void (juce::Component&)>& visit)
    {
        for (auto* child : root.getChildren())
        {
            if (! child->isVisible())
                continue;

            visit (*child);
            forEachVisibleBelow (*child, visit);
        }
    }

    /** Every choice of the combo box that it cannot show whole, as JUCE draws the box's
        text: the label's font, the area inside its border, and the lines that area has room
        for. Each entry names the choice and the box's size. */
    inline juce::StringArray choicesCutIn (juce::ComboBox& box)
    {
        juce::StringArray cut;

        for (auto* child : box.getChildren())
        {
            if (auto* label = dynamic_cast<juce::Label*> (child))
            {
                const auto area = label->getBorderSize().subtractedFrom (label->getLocalBounds());
                const auto font = label->getFont();
                const int lines = juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight()));

                for (int i = 0; i < box.getNumItems(); ++i)
                    if (! fitsWhole (box.getItemText (i), font, (float) area.getWidth(), lines))
                        cut.add ("\"" + box.getItemText (i) + "\" in a box " + juce::String (box.getWidth())
                                 + " x " + juce::String (box.getHeight()));
            }
        }

        return cut;
    }

    /** Every choice of every visible combo box below `root` that its box cannot show whole. */
    inline juce::StringArray choicesCutBelow (juce::Component& root)
    {
        juce::StringArray cut;

        forEachVisibleBelow (root, [&] (juce::Component& c)
        {
            if (auto* box = dynamic_cast<juce::ComboBox*> (&c); box != nullptr && box->getWidth() > 0)
                cut.addArray (choicesCutIn (*box));
        });

        return cut;
    }

    /** Whether the label shows its text whole, as JUCE draws it: the label's font, the area
        inside its border, and the lines that area has room for. */
    inline bool labelShowsWhole (juce::Label& label)
    {
        const auto area = label.getBorderSize().subtractedFrom (label.getLocalBounds());
        const auto font = label.getLookAndFeel().getLabelFont (label);
        const int lines = juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight()));
        return label.isVisible() && fitsWhole (label.getText(), font, (float) area.getWidth(), lines);
    }

    /** Whether the button shows its text whole on one line, between the margins JUCE's
        look and feel keeps at each side of a button's text. */
    inline bool buttonShowsWhole (juce::TextButton& button)
    {
        const auto font = button.getLookAndFeel().getTextButtonFont (button, button.getHeight());
        const int cornerSize = juce::jmin (button.getHeight(), button.getWidth()) / 2;
        const int margin = juce::jmin (juce::roundToInt (font.getHeight() * 0.6f), 2 + cornerSize / 2);
        return fitsWhole (button.getButtonText(), font, (float) (button.getWidth() - 2 * margin), 1);
    }

    /** Every visible one-line text field below `root` whose text (its caret) does not sit in
        the middle of its box, give or take a pixel. */
    inline juce::StringArray fieldsOffCentreBelow (juce::Component& root)
    {
        juce::StringArray offCentre;

        forEachVisibleBelow (root, [&] (juce::Component& c)
        {
            auto* field = dynamic_cast<juce::TextEditor*> (&c);

            if (field == nullptr || field->isMultiLine() || field->getHeight() < 20)
                return;

            const auto caret = field->getCaretRectangle().toFloat();

            if (std::abs (caret.getCentreY() - (float) field->getHeight() / 2.0f) > 1.5f)
                offCentre.add ("a field " + field->getBounds().toString() + " with its caret at " + caret.toString());
        });

        return offCentre;
    }
}
