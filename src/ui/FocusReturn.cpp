#include "ui/FocusReturn.h"

namespace korvid::ui
{
    bool focusDroppedInside (const juce::Component& content)
    {
        if (juce::Component::getCurrentlyFocusedComponent() != nullptr || ! content.isShowing())
            return false;

        // A window that lost the display's focus has let go of the keyboard focus too; taking
        // it back would pull the display's focus away from the other window.
        const auto* peer = content.getPeer();
        return peer != nullptr && peer->isFocused();
    }

    void giveFocusToPage (juce::Component& page)
    {
        if (! page.isShowing())
            return;

        // JUCE gives the focus only to a component that wants it at that moment.
        const bool wanted = page.getWantsKeyboardFocus();
        page.setWantsKeyboardFocus (true);
        page.grabKeyboardFocus();
        page.setWantsKeyboardFocus (wanted);
    }
}
