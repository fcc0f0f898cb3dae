#pragma once

#include "ui/Dialogs.h"

namespace korvid::ui
{
    /** Shows the boxes asked for in its lifetime over `component` instead of the dialogs'
        usual owner, then puts that owner back. The boxes read their owner when they are
        asked for, so this only needs to span the call that asks. A null or deleted
        component leaves the usual owner in place. */
    class ScopedDialogOwner
    {
    public:
        ScopedDialogOwner (Dialogs& dialogsToUse, juce::Component* component)
            : dialogs (dialogsToUse), previous (dialogsToUse.getOwner())
        {
            if (component != nullptr)
                dialogs.setOwner (component);
        }

        ~ScopedDialogOwner()   { dialogs.setOwner (previous.getComponent()); }

    private:
        Dialogs& dialogs;
        juce::Component::SafePointer<juce::Component> previous;

        JUCE_DECLARE_NON_COPYABLE (ScopedDialogOwner)
    };
}
