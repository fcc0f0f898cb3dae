#include "app/AssignMenu.h"

#include "app/AppState.h"
#include "app/StemDialogs.h"
#include "app/TrackDialogs.h"

#include <algorithm>
#include <vector>

namespace korvid::ui
{
    AssignMenuContext makeAssignMenuContext (const Session& session, const juce::StringArray& trackIds)
    {
        AssignMenuContext context;
        context.trackIds = trackIds;

        for (const auto& stem : session.getPreset().schema.stems)
            context.stemIds.add (stem.id);

        return context;
    }

    juce::PopupMenu createAssignMenu (AppState& state, const AssignMenuContext& context, bool sayWhenNoStems,
                                      juce::LookAndFeel& lookAndFeel)
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&lookAndFeel);
        menu.addSectionHeader (juce::String (context.trackIds.size()) + " track(s) selected");
        menu.addItem (assignMenuIds::unassign, "Unassigned");
        menu.addSeparator();

        // Item ids follow the schema's positions; the shown order may be alphabetical.
        const auto& stems = state.session.getPreset().schema.stems;
        const bool alphabetical = state.getStemsAlphabetical();
        std::vector<int> order;

        for (int i = 0; i < (int) stems.size(); ++i)
            order.push_back (i);

        if (alphabetical)
            std::stable_sort (order.begin(), order.end(), [&stems] (int a, int b)
            {
                return stems[(size_t) a].displayName.compareIgnoreCase (stems[(size_t) b].displayName) < 0;
            });

        for (const int position : order)
        {
            const auto& stem = stems[(size_t) position];
            menu.addItem (assignMenuIds::firstStem + position,
                          juce::String (stem.index).paddedLeft ('0', 2) + "  " + stem.displayName);
        }

        if (stems.empty() && sayWhenNoStems)
            menu.addItem (assignMenuIds::noStems, "This preset has no stems", false);

        addNewStemMenuItems (menu, state);
        menu.addSeparator();
        menu.addItem (assignMenuIds::renameFile, "Rename file", context.trackIds.size() == 1);
        menu.addItem (assignMenuIds::sortAlphabetically, "Sort stems alphabetically", true, alphabetical);
        return menu;
    }

    AssignMenuOutcome assignMenuItemChosen (int result, AppState& state, juce::Component* parent,
                                            const AssignMenuContext& context)
    {
        if (result < 1)
            return AssignMenuOutcome::nothing;

        if (handleNewStemMenuResult (result, state, parent, context.trackIds))
            return AssignMenuOutcome::done;

        if (result == assignMenuIds::sortAlphabetically)
        {
            state.setStemsAlphabetical (! state.getStemsAlphabetical());
            return AssignMenuOutcome::sortOrderChanged;
        }

        if (result == assignMenuIds::renameFile)
        {
            if (! context.trackIds.isEmpty())
                askToRenameTrackFile (state, parent, context.trackIds[0]);

            return AssignMenuOutcome::done;
        }

        if (result == assignMenuIds::unassign)
        {
            state.session.assignTracks (context.trackIds, {}, false);
            return AssignMenuOutcome::done;
        }

        // A stem removed since the menu opened does nothing: the session ignores ids its
        // schema no longer holds.
        const int position = result - assignMenuIds::firstStem;

        if (! juce::isPositiveAndBelow (position, context.stemIds.size()))
            return AssignMenuOutcome::nothing;

        state.session.assignTracks (context.trackIds, context.stemIds[position], false);
        return AssignMenuOutcome::done;
    }
}
