#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "ui/LayoutHelpers.h"

// Corrections: the assign menu, locks, the track drag onto groups.
namespace korvid::ui
{
    ReviewPage::AssignMenuContext ReviewPage::takeAssignMenuContext() const
    {
        return makeAssignMenuContext (appState.session, selectedTrackIds());
    }

    juce::PopupMenu ReviewPage::createAssignMenu (const AssignMenuContext& context) const
    {
        return ui::createAssignMenu (appState, context, false, getLookAndFeel());
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
        // The tree lists its stems in the menu's order, so it follows a switch at once.
        if (ui::assignMenuItemChosen (result, appState, this, context) == AssignMenuOutcome::sortOrderChanged)
            rebuildTree();
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
