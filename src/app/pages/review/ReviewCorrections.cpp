#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "app/StemDialogs.h"
#include "app/TrackDialogs.h"
#include "ui/LayoutHelpers.h"

#include <algorithm>
#include <vector>

// Corrections: the assign menu, locks, the track drag onto groups.
namespace korvid::ui
{
    ReviewPage::AssignMenuContext ReviewPage::takeAssignMenuContext() const
    {
        AssignMenuContext context;
        context.trackIds = selectedTrackIds();

        for (const auto& stem : appState.session.getPreset().schema.stems)
            context.stemIds.add (stem.id);

        return context;
    }

    juce::PopupMenu ReviewPage::createAssignMenu (const AssignMenuContext& context) const
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addSectionHeader (juce::String (context.trackIds.size()) + " track(s) selected");
        menu.addItem (unassignId, "Unassigned");
        menu.addSeparator();

        // Item ids follow the schema's positions; the shown order may be alphabetical.
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

        addNewStemMenuItems (menu, appState);
        menu.addSeparator();
        menu.addItem (renameFileId, "Rename file", context.trackIds.size() == 1);
        menu.addItem (sortAlphabeticallyId, "Sort stems alphabetically", true, appState.getStemsAlphabetical());
        return menu;
    }

    void ReviewPage::buildAssignMenu (bool atMousePosition)
    {
        const auto context = takeAssignMenuContext();

        if (context.trackIds.isEmpty())
            return;

        auto options = popupMenuOptions (*this);

        if (! atMousePosition)
            options = options.withTargetComponent (&assignButton);

        juce::Component::SafePointer<ReviewPage> safeThis (this);
        createAssignMenu (context).showMenuAsync (options, [safeThis, context] (int result)
        {
            if (safeThis != nullptr)
                safeThis->assignMenuItemChosen (result, context);
        });
    }

    void ReviewPage::assignMenuItemChosen (int result, const AssignMenuContext& context)
    {
        if (result < 1)
            return;

        if (handleNewStemMenuResult (result, appState, this, context.trackIds))
            return;

        if (result == sortAlphabeticallyId)
        {
            setStemsAlphabetical (! appState.getStemsAlphabetical());
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

        // The stem the item showed when the menu opened, whatever moved since; a stem removed
        // since does nothing, as the session ignores ids its schema no longer holds.
        const int position = result - firstStemId;

        if (juce::isPositiveAndBelow (position, context.stemIds.size()))
            appState.session.assignTracks (context.trackIds, context.stemIds[position], false);
    }

    void ReviewPage::setSelectedLocked (bool locked)
    {
        appState.session.setTracksLocked (selectedTrackIds(), locked);
    }

    //==============================================================================
    juce::var ReviewPage::makeTrackDrag (const juce::StringArray& trackIds)
    {
        auto description = juce::DynamicObject::Ptr (new juce::DynamicObject());
        description->setProperty ("type", trackDragType);
        description->setProperty ("tracks", trackIds.joinIntoString ("\n"));
        return juce::var (description.get());
    }

    juce::StringArray ReviewPage::decodeTrackDrag (const juce::DragAndDropTarget::SourceDetails& details)
    {
        const auto* description = details.description.getDynamicObject();

        if (description == nullptr || description->getProperty ("type").toString() != trackDragType)
            return {};

        juce::StringArray entries;
        entries.addTokens (description->getProperty ("tracks").toString(), "\n", {});

        juce::StringArray ids;

        for (const auto& entry : entries)
            if (entry.trim().isNotEmpty())
                ids.add (entry);

        return ids;
    }

    juce::var ReviewPage::TrackNode::getDragSourceDescription()
    {
        // A press on a row outside the selection drags that row alone.
        auto ids = page.selectedTrackIds();

        if (! ids.contains (trackId))
            ids = juce::StringArray (trackId);

        return makeTrackDrag (ids);
    }

    void ReviewPage::TrackNode::itemClicked (const juce::MouseEvent& e)
    {
        if (! e.mods.isPopupMenu())
            return;

        if (! isSelected())
            setSelected (true, true);

        page.buildAssignMenu (true);
    }

    bool ReviewPage::StemNode::isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details)
    {
        return ! decodeTrackDrag (details).isEmpty();
    }

    void ReviewPage::StemNode::itemDropped (const juce::DragAndDropTarget::SourceDetails& details, int)
    {
        // The group's own stem id: a stem removed meanwhile is ignored by the session.
        const auto ids = decodeTrackDrag (details);

        if (! ids.isEmpty())
            page.appState.session.assignTracks (ids, stemId, false);
    }
}
