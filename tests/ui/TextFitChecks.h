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

    /** Every choice of every visible combo box below `root` that its box cannot show whole,
        as JUCE draws the box's text: the label's font, the area inside its border, and the
        lines that area has room for. Each entry names the choice and the box's width. */
    inline juce::StringArray choicesCutBelow (juce::Component& root)
    {
        juce::StringArray cut;

        forEachVisibleBelow (root, [&] (juce::Component& c)
        {
            auto* box = dynamic_cast<juce::ComboBox*> (&c);

            if (box == nullptr || box->getWidth() <= 0)
                return;

            for (auto* child : box->getChildren())
            {
                if (auto* label = dynamic_cast<juce::Label*> (child))
                {
                    const auto area = label->getBorderSize().subtractedFrom (label->getLocalBounds());
                    const auto font = label->getFont();
                    const int lines = juce::jmax (1, (int) ((float) area.getHeight() / font.getHeight()));

                    for (int i = 0; i < box->getNumItems(); ++i)
                        if (! fitsWhole (box->getItemText (i), font, (float) area.getWidth(), lines))
                            cut.add ("\"" + box->getItemText (i) + "\" in a box " + juce::String (box->getWidth())
                                     + " x " + juce::String (box->getHeight()));
                }
            }
        });

        return cut;
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
