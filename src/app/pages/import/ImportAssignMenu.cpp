#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "ui/LayoutHelpers.h"

// The right-click menu of the track table.
namespace korvid::ui
{
    ImportPage::AssignMenuContext ImportPage::takeAssignMenuContext() const
    {
        return makeAssignMenuContext (appState.session, getSelectedTrackIds());
    }

    juce::PopupMenu ImportPage::createAssignMenu (const AssignMenuContext& context) const
    {
        return ui::createAssignMenu (appState, context, true, getLookAndFeel());
    }

    void ImportPage::showAssignMenu (juce::Point<int> screenPosition)
    {
        auto context = takeAssignMenuContext();

        if (context.trackIds.isEmpty())
            return;

        const auto target = juce::Rectangle<int> (screenPosition.x - 1, screenPosition.y - 1, 2, 2);
        juce::Component::SafePointer<ImportPage> safeThis (this);

        createAssignMenu (context).showMenuAsync (popupMenuOptions (*this).withTargetScreenArea (target),
                                                  [safeThis, context] (int result)
                                                  {
                                                      if (safeThis != nullptr)
                                                          safeThis->assignMenuItemChosen (result, context);
                                                  });
    }

    void ImportPage::assignMenuItemChosen (int result, const AssignMenuContext& context)
    {
        ui::assignMenuItemChosen (result, appState, this, context);
    }
}
