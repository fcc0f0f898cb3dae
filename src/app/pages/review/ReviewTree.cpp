#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "app/pages/review/ReviewCounts.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

// The assignment tree: building it from the session, what it shows, what is selected, the
// cue and filter choosers, the stem menu and the status line.
namespace korvid::ui
{
    void ReviewPage::rebuildTree()
    {
        rebuildItems();
        updateStatusLine();
    }

    void ReviewPage::rebuildItems()
    {
        const juce::ScopedValueSetter<bool> guard (rebuilding, true);

        refreshCueChooser();
        refreshMixChooser();

        const auto& session = appState.session;
        const auto& stems = session.getPreset().schema.stems;

        // One pass sorts the shown tracks by stem id, in session order within each.
        std::map<juce::String, std::vector<juce::String>> rowsOfStem;

        for (const auto& track : session.getTracks())
            if (passesFilter (track))
                rowsOfStem[track.stemId].push_back (track.id);

        std::vector<GroupSpec> groups;
        groups.reserve (stems.size() + 1);
        groups.push_back ({ {}, "Unassigned", colours::bad.getARGB(), 0 });

        std::vector<const Stem*> order;
        order.reserve (stems.size());

        for (const auto& stem : stems)
            order.push_back (&stem);

        if (appState.getStemsAlphabetical())
            std::stable_sort (order.begin(), order.end(), [] (const Stem* a, const Stem* b)
            {
                return a->displayName.compareIgnoreCase (b->displayName) < 0;
            });

        for (const auto* stem : order)
            groups.push_back ({ stem->id, stem->displayName, stem->colour, stem->index });

        const auto rowsOf = [&rowsOfStem] (const juce::String& stemId) -> const std::vector<juce::String>&
        {
            static const std::vector<juce::String> none;
            const auto found = rowsOfStem.find (stemId);
            return found != rowsOfStem.end() ? found->second : none;
        };

        // The same groups as shown: only the groups whose rows differ are filled again, so
        // a correction of a few tracks or a step of the undo history touches a few groups,
        // and the open states, the scroll position and the other rows stay as they are.
        if (showsGroups (groups))
        {
            for (int g = 0; g < root->getNumSubItems(); ++g)
                refillGroup (*static_cast<StemNode*> (root->getSubItem (g)), rowsOf (groups[(size_t) g].stemId));

            // Rows draw their track as the session holds it now: a row that stayed may show a
            // new file name, lock or confidence, so the shown rows paint again.
            tree.repaint();
            return;
        }

        const auto state = tree.getOpennessState (true);
        root->clearSubItems();

        // A group is filled before it joins the tree, so each row costs the tree nothing.
        for (const auto& spec : groups)
        {
            auto group = std::make_unique<StemNode> (*this, spec.stemId, spec.name, spec.colour, spec.index);

            for (const auto& trackId : rowsOf (spec.stemId))
                group->addSubItem (new TrackNode (*this, trackId));

            root->addSubItem (group.release());
        }

        if (state != nullptr)
            restoreTreeState (*state);
    }

    bool ReviewPage::showsGroups (const std::vector<GroupSpec>& groups) const
    {
        if (root->getNumSubItems() != (int) groups.size())
            return false;

        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            const auto* group = static_cast<const StemNode*> (root->getSubItem (g));
            const auto& spec = groups[(size_t) g];

            if (group->stemId != spec.stemId || group->displayName != spec.name
                || group->colour != spec.colour || group->index != spec.index)
                return false;
        }

        return true;
    }

    void ReviewPage::refillGroup (StemNode& group, const std::vector<juce::String>& trackIds)
    {
        const int count = group.getNumSubItems();
        bool same = count == (int) trackIds.size();

        for (int r = 0; same && r < count; ++r)
            same = static_cast<const TrackNode*> (group.getSubItem (r))->trackId == trackIds[(size_t) r];

        if (same)
            return;

        // A row that stays in its group keeps its selection; one that came from another
        // group is a new item there and comes in unselected, as after a whole rebuild.
        std::set<juce::String> selected;

        for (int r = 0; r < count; ++r)
            if (const auto* row = static_cast<const TrackNode*> (group.getSubItem (r)); row->isSelected())
                selected.insert (row->trackId);

        group.clearSubItems();

        for (const auto& trackId : trackIds)
        {
            auto* row = new TrackNode (*this, trackId);
            group.addSubItem (row);

            if (selected.count (trackId) > 0)
                row->setSelected (true, false);
        }

        group.repaintItem();
    }

    void ReviewPage::restoreTreeState (juce::XmlElement& state)
    {
        // The tree's own restore of the selection searches from the root for every selected
        // item, making strings at each step (seconds for thousands of rows), and opens every
        // group on the way. So the tree restores open states and scroll position, and the
        // selection is matched here by identifier in one walk, leaving closed groups closed.
        std::set<juce::String> selected;

        for (auto* item : state.getChildWithTagNameIterator ("SELECTED"))
            selected.insert (item->getStringAttribute ("id"));

        state.deleteAllChildElementsWithTagName ("SELECTED");
        tree.restoreOpennessState (state, true);

        if (selected.empty())
            return;

        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            auto* group = root->getSubItem (g);
            const auto groupId = group->getItemIdentifierString();

            if (selected.count (groupId) > 0)
                group->setSelected (true, false);

            for (int r = 0; r < group->getNumSubItems(); ++r)
            {
                auto* row = group->getSubItem (r);

                if (selected.count (row->getItemIdentifierString()) > 0)
                    row->setSelected (true, false);
            }
        }
    }

    bool ReviewPage::passesFilter (const Track& track) const
    {
        if (cueId.isNotEmpty() && track.cueId != cueId)
            return false;

        switch (filter)
        {
            case needsAttention:
                return track.stemId.isEmpty() || track.confidence == Confidence::review
                       || track.confidence == Confidence::ambiguous;
            case unassignedOnly:
                return track.stemId.isEmpty();
            case ambiguousOnly:
                return track.confidence == Confidence::ambiguous;
            default:
                return true;
        }
    }

    juce::StringArray ReviewPage::selectedTrackIds() const
    {
        // Groups and rows are walked once, checking each item's own flag: asking the tree for
        // its n-th selected item searches from the root every time. A selected group adds its
        // rows and skips their flags, and a track has one row, so no id comes twice.
        juce::StringArray ids;

        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            const auto* group = root->getSubItem (g);
            const bool wholeGroup = group->isSelected();

            for (int r = 0; r < group->getNumSubItems(); ++r)
                if (const auto* row = dynamic_cast<const TrackNode*> (group->getSubItem (r)))
                    if (wholeGroup || row->isSelected())
                        ids.add (row->trackId);
        }

        return ids;
    }

    ReviewPage::StemNode* ReviewPage::findGroup (const juce::String& stemId) const
    {
        for (int g = 0; g < root->getNumSubItems(); ++g)
            if (auto* group = dynamic_cast<StemNode*> (root->getSubItem (g)); group != nullptr && group->stemId == stemId)
                return group;

        return nullptr;
    }

    ReviewPage::TrackNode* ReviewPage::findRow (const juce::String& trackId) const
    {
        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            const auto* group = root->getSubItem (g);

            for (int r = 0; r < group->getNumSubItems(); ++r)
                if (auto* row = dynamic_cast<TrackNode*> (group->getSubItem (r)); row != nullptr && row->trackId == trackId)
                    return row;
        }

        return nullptr;
    }

    void ReviewPage::selectTracks (const juce::StringArray& trackIds)
    {
        tree.clearSelectedItems();
        const std::set<juce::String> wanted (trackIds.begin(), trackIds.end());

        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            auto* group = root->getSubItem (g);

            for (int r = 0; r < group->getNumSubItems(); ++r)
                if (auto* row = dynamic_cast<TrackNode*> (group->getSubItem (r)); row != nullptr && wanted.count (row->trackId) > 0)
                    row->setSelected (true, false);
        }
    }

    //==============================================================================
    void ReviewPage::refreshCueChooser()
    {
        // Counting the stems of every cue walks every track: done again only after the
        // session changed, not for a choice of cue or filter.
        if (cueChoicesStale)
        {
            shownCueChoices = cueChoices (appState.session);
            cueChoicesStale = false;
        }

        const auto& choices = shownCueChoices;
        cuesWithTracksCount = (int) choices.size();

        const bool several = cuesWithTracksCount > 1;

        if (cueBox.isVisible() != several)
        {
            cueBox.setVisible (several);
            cueLabel.setVisible (several);
            resized();
        }

        if (! several)
        {
            cueId.clear();
            cueBox.clear (juce::dontSendNotification);
            cueBoxIds.clear();
            cueBoxTexts.clear();
            return;
        }

        juce::StringArray ids, texts;

        for (const auto& choice : choices)
        {
            ids.add (choice.cueId);
            texts.add (choice.text);
        }

        // The box's texts are those it was filled with (reading them back from the box costs a
        // walk of its items per item). Equal texts are not enough: a cue replaced by another
        // of the same name and stem count must not leave the page on the gone id.
        if (texts != cueBoxTexts || ids != cueBoxIds)
        {
            cueBox.clear (juce::dontSendNotification);
            cueBox.addItem ("All cues", 1);

            for (int i = 0; i < texts.size(); ++i)
                cueBox.addItem (texts[i], i + 2);

            cueBoxIds = ids;
            cueBoxTexts = texts;

            // The chooser is as wide as its longest cue.
            resized();
        }

        // The chosen cue is checked against the list on every rebuild, not only on a refill.
        if (cueId.isNotEmpty() && ! cueBoxIds.contains (cueId))
            cueId.clear();

        if (cueId.isEmpty() && ! cueChosen)
            cueId = cueBoxIds[0];

        const int itemId = cueId.isEmpty() ? 1 : cueBoxIds.indexOf (cueId) + 2;

        if (cueBox.getSelectedId() != itemId)
            cueBox.setSelectedId (itemId, juce::dontSendNotification);

        updateCueTooltip();
    }

    void ReviewPage::cueBoxChanged()
    {
        cueChosen = true;
        const int position = cueBox.getSelectedId() - 2;
        cueId = juce::isPositiveAndBelow (position, cueBoxIds.size()) ? cueBoxIds[position] : juce::String();
        updateCueTooltip();

        appState.preview.stop();
        rebuildTree();
        showTrackWaveform();
    }

    void ReviewPage::filterBoxChanged()
    {
        switch (filterBox.getSelectedId())
        {
            case 2:  filter = needsAttention; break;
            case 3:  filter = unassignedOnly; break;
            case 4:  filter = ambiguousOnly; break;
            default: filter = everything; break;
        }

        rebuildTree();
    }

    //==============================================================================
    void ReviewPage::updateStatusLine()
    {
        updateStatusLine (selectedTrackIds());
    }

    void ReviewPage::updateStatusLine (const juce::StringArray& selectedIds)
    {
        const auto& session = appState.session;
        undoButton.setEnabled (session.getUndoIndex() > 0);
        redoButton.setEnabled (session.getUndoIndex() + 1 < session.getUndoDepth());

        const bool anySelected = ! selectedIds.isEmpty();
        setAllEnabled ({ &assignButton, &lockButton, &unlockButton, &ruleButton }, anySelected);
        trackButton.setEnabled (anySelected && appState.preview.deviceOpen);
        mixButton.setEnabled (appState.preview.deviceOpen && ! mixTrackFiles().isEmpty());

        juce::String cueName;

        if (const auto* cue = session.findCue (cueId))
            cueName = cue->name;

        const auto text = reviewStatusText (cueName, countReviewTracks (session, cueId),
                                            cueId.isEmpty() && cuesWithTracksCount > 1);
        statusLabel.setText (text, juce::dontSendNotification);
    }

    //==============================================================================
    void ReviewPage::setAllGroupsOpen (bool open)
    {
        for (int g = 0; g < root->getNumSubItems(); ++g)
            root->getSubItem (g)->setOpen (open);
    }

    void ReviewPage::setStemsAlphabetical (bool on)
    {
        if (on == appState.getStemsAlphabetical())
            return;

        appState.setStemsAlphabetical (on);
        rebuildTree();
    }

    juce::PopupMenu ReviewPage::createStemMenu() const
    {
        juce::PopupMenu menu;
        menu.addItem (sortStemsId, "Sort stems alphabetically", true, appState.getStemsAlphabetical());
        menu.addSeparator();
        menu.addItem (expandAllId, "Expand all");
        menu.addItem (collapseAllId, "Collapse all");
        return menu;
    }

    void ReviewPage::showStemMenu()
    {
        juce::Component::SafePointer<ReviewPage> safeThis (this);
        auto menu = createStemMenu();
        menu.setLookAndFeel (&getLookAndFeel());

        // At the mouse: the heading that was right-clicked is where the user looks.
        menu.showMenuAsync (popupMenuOptions (*this), [safeThis] (int result)
        {
            if (safeThis != nullptr)
                safeThis->stemMenuItemChosen (result);
        });
    }

    void ReviewPage::stemMenuItemChosen (int result)
    {
        switch (result)
        {
            case sortStemsId:   setStemsAlphabetical (! appState.getStemsAlphabetical()); break;
            case expandAllId:   setAllGroupsOpen (true); break;
            case collapseAllId: setAllGroupsOpen (false); break;
            default:            break;
        }
    }

    void ReviewPage::onSelectionChanged()
    {
        // A track audition belongs to the selection it was started for; a mix plays on. The
        // rebuild's own reselection stops nothing.
        auto& engine = appState.preview;

        if (! rebuilding && engine.getCurrentKey().startsWith ("track:") && ! engine.isCurrent (selectionKey()))
            engine.stop();

        showTrackWaveform();
    }
}
