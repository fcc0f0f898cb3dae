#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/StemDialogs.h"
#include "app/TrackDialogs.h"
#include "ui/LayoutHelpers.h"

#include <algorithm>
#include <vector>

// The right-click menu of the track table: assign, unassign, new stem, rename.
namespace korvid::ui
{
    ImportPage::AssignMenuContext ImportPage::takeAssignMenuContext() const
    {
        AssignMenuContext context;
        context.trackIds = getSelectedTrackIds();

        for (const auto& stem : appState.session.getPreset().schema.stems)
            context.stemIds.add (stem.id);

        return context;
    }

    juce::PopupMenu ImportPage::createAssignMenu (const AssignMenuContext& context) const
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addSectionHeader (juce::String (context.trackIds.size()) + " track(s) selected");
        menu.addItem (unassignId, "Unassigned");
        menu.addSeparator();

        const auto& stems = appState.session.getPreset().schema.stems;
        std::vector<int> order;

        for (int i = 0; i < (int) stems.size(); ++i)
            order.push_back (i);

        if (appState.getStemsAlphabetical())
            std::stable_sort (order.begin(), order.end(), [&stems] (int a, int b)
            {
                return stems[(size_t) a].displayName.compareIgnoreCase (stems[(size_t) b].displayName) < 0;
            });

        for (const int position : order)
        {
            const auto& stem = stems[(size_t) position];
            menu.addItem (firstStemId + position, juce::String (stem.index).paddedLeft ('0', 2) + "  " + stem.displayName);
        }

        if (stems.empty())
            menu.addItem (noStemsId, "This preset has no stems", false);

        addNewStemMenuItems (menu, appState);
        menu.addSeparator();
        menu.addItem (renameFileId, "Rename file", context.trackIds.size() == 1);
        menu.addItem (sortAlphabeticallyId, "Sort stems alphabetically", true, appState.getStemsAlphabetical());
        return menu;
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
        if (result < 1)
            return;

        if (handleNewStemMenuResult (result, appState, this, context.trackIds))
            return;

        if (result == sortAlphabeticallyId)
        {
            appState.setStemsAlphabetical (! appState.getStemsAlphabetical());
            return;
        }

        if (result == renameFileId)
        {
            if (! context.trackIds.isEmpty())
                askToRenameTrackFile (appState, this, context.trackIds[0]);

            return;
        }

        if (result == unassignId)
        {
            appState.session.assignTracks (context.trackIds, {}, false);
            return;
        }

        // The stem the item showed when the menu opened; a stem deleted since does nothing
        // (the session ignores ids its schema no longer holds).
        const int position = result - firstStemId;

        if (juce::isPositiveAndBelow (position, context.stemIds.size()))
            appState.session.assignTracks (context.trackIds, context.stemIds[position], false);
    }
}
