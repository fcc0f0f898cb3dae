#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    namespace
    {
        // Cuts never reach past what is left of the row, so nothing gets a negative size.
        juce::Rectangle<int> cutLeft (juce::Rectangle<int>& row, int width)
        {
            return row.removeFromLeft (juce::jmin (width, row.getWidth()));
        }

        juce::Rectangle<int> cutRight (juce::Rectangle<int>& row, int width)
        {
            return row.removeFromRight (juce::jmin (width, row.getWidth()));
        }

        juce::Rectangle<int> insetVertically (juce::Rectangle<int> area, int inset)
        {
            return area.reduced (0, juce::jmin (inset, area.getHeight() / 2));
        }
    }

    ReviewPage::ReviewPage (AppState& state)
        : appState (state)
    {
        buildControls();

        appState.session.addListener (this);
        appState.waveforms.listeners.add (this);
        rebuildTree();
        startTimerHz (timerHz);
    }

    ReviewPage::~ReviewPage()
    {
        stopTimer();
        appState.session.removeListener (this);
        appState.waveforms.listeners.remove (this);
        tree.setRootItem (nullptr);
    }

    void ReviewPage::buildControls()
    {
        addAllAndMakeVisible (*this, { &rerunButton, &undoButton, &redoButton, &assignButton, &lockButton,
                                       &unlockButton, &ruleButton, &expandButton, &collapseButton, &trackButton,
                                       &mixButton, &mixBox, &player, &filterLabel, &filterBox, &cueLabel, &cueBox,
                                       &tree, &statusLabel, &auditionLabel });

        rerunButton.setTooltip ("Run the keyword engine again. Locked assignments are left alone.");
        assignButton.setTooltip ("Move every selected track to one stem.");
        lockButton.setTooltip ("Pin the selected assignments so automatic passes cannot change them.");
        ruleButton.setTooltip ("Turn a correction into a keyword rule in this session's preset. "
                               "The preset library is only changed when you save it.");

        trackButton.setTooltip ("Audition the selection, or stop it. A track plays on its own. A stem heading plays "
                                "everything under it, summed.");
        mixButton.setTooltip ("Audition the sum of every assigned track in the chosen cue, or stop it. Choose a cue "
                              "first: separate cues are separate pieces of music and are never summed together.");
        mixBox.setTooltip ("What the Mix button plays: everything, or one of the alternative mixes defined in step 2.");
        player.setTooltip ("What is being auditioned. Click anywhere to jump to that point.");
        player.setEmptyText ("Press Track or Mix to audition");

        filterLabel.setJustificationType (juce::Justification::centredRight);
        cueLabel.setJustificationType (juce::Justification::centredRight);
        setLabelTone (filterLabel, 1);
        setLabelTone (cueLabel, 1);
        setLabelTone (statusLabel, 1);
        setLabelTone (auditionLabel, 1);

        cueBox.setTooltip ("Which cue this page is about. Each one is a separate delivery, so what you hear here "
                           "is what that cue alone will contain.");
        cueBox.onChange = [this] { cueBoxChanged(); };

        filterBox.addItem ("Everything", 1);
        filterBox.addItem ("Needs attention", 2);
        filterBox.addItem ("Unassigned only", 3);
        filterBox.addItem ("Ambiguous only", 4);
        filterBox.setSelectedId (1, juce::dontSendNotification);
        filterBox.onChange = [this] { filterBoxChanged(); };

        rerunButton.onClick = [this] { appState.session.autoAssignAll(); };
        undoButton.onClick = [this] { appState.session.undo(); };
        redoButton.onClick = [this] { appState.session.redo(); };
        assignButton.onClick = [this] { buildAssignMenu (false); };
        lockButton.onClick = [this] { setSelectedLocked (true); };
        unlockButton.onClick = [this] { setSelectedLocked (false); };
        ruleButton.onClick = [this] { showRuleMenu(); };
        trackButton.onClick = [this] { auditionSelection (std::nullopt); };
        mixButton.onClick = [this] { auditionMix(); };
        mixBox.onChange = [this] { mixBoxChanged(); };
        player.onSeek = [this] (double fraction) { seekFromPlayer (fraction); };
        expandButton.onClick = [this] { setAllGroupsOpen (true); };
        collapseButton.onClick = [this] { setAllGroupsOpen (false); };

        tree.setDefaultOpenness (true);
        tree.setMultiSelectEnabled (true);
        tree.setRootItemVisible (false);
        tree.setIndentSize (indentSize);
        root = std::make_unique<RootNode>();
        tree.setRootItem (root.get());
    }

    //==============================================================================
    void ReviewPage::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);
    }

    void ReviewPage::resized()
    {
        auto content = getLocalBounds().reduced (12);

        auto toolbar = content.removeFromTop (juce::jmin (30, content.getHeight()));
        rerunButton.setBounds (cutLeft (toolbar, 150));
        cutLeft (toolbar, 5);
        undoButton.setBounds (cutLeft (toolbar, 64));
        cutLeft (toolbar, 5);
        redoButton.setBounds (cutLeft (toolbar, 64));
        cutLeft (toolbar, 12);
        assignButton.setBounds (cutLeft (toolbar, 110));
        cutLeft (toolbar, 5);
        lockButton.setBounds (cutLeft (toolbar, 64));
        cutLeft (toolbar, 5);
        unlockButton.setBounds (cutLeft (toolbar, 74));
        cutLeft (toolbar, 5);
        ruleButton.setBounds (cutLeft (toolbar, 130));

        filterBox.setBounds (cutRight (toolbar, 160));
        filterLabel.setBounds (cutRight (toolbar, 46));

        if (cueBox.isVisible())
        {
            cutRight (toolbar, 12);
            cueBox.setBounds (cutRight (toolbar, 200));
            cueLabel.setBounds (cutRight (toolbar, 40));
        }

        content.removeFromTop (juce::jmin (6, content.getHeight()));
        auto transport = content.removeFromTop (juce::jmin (38, content.getHeight()));
        trackButton.setBounds (insetVertically (cutLeft (transport, 110), 4));
        cutLeft (transport, 5);
        mixButton.setBounds (insetVertically (cutLeft (transport, 86), 4));
        cutLeft (transport, 5);
        mixBox.setBounds (insetVertically (cutLeft (transport, 170), 5));
        cutLeft (transport, 12);

        collapseButton.setBounds (insetVertically (cutRight (transport, 110), 4));
        cutRight (transport, 5);
        expandButton.setBounds (insetVertically (cutRight (transport, 100), 4));
        cutRight (transport, 12);

        auditionLabel.setBounds (cutRight (transport, juce::jmin (240, transport.getWidth() / 3)));
        cutRight (transport, 6);
        player.setBounds (transport);

        content.removeFromTop (juce::jmin (6, content.getHeight()));
        statusLabel.setBounds (content.removeFromBottom (juce::jmin (22, content.getHeight())));
        content.removeFromBottom (juce::jmin (6, content.getHeight()));
        tree.setBounds (content);
    }

    //==============================================================================
    void ReviewPage::visibilityChanged()
    {
        if (isVisible())
            timerCallback();
    }

    void ReviewPage::tracksChanged()      { rebuildPending = cueChoicesStale = true; }
    void ReviewPage::assignmentsChanged() { rebuildPending = cueChoicesStale = true; }
    void ReviewPage::presetChanged()      { rebuildPending = cueChoicesStale = true; }
    void ReviewPage::waveformsChanged()   { updatePlayer(); }

    void ReviewPage::timerCallback()
    {
        // Behind another page of the window the tree waits: it catches up as the page shows.
        if (getParentComponent() != nullptr && ! isVisible())
            return;

        if (rebuildPending)
        {
            rebuildPending = false;
            rebuildItems();
        }

        // One walk over the selection serves the status line, the buttons and the player.
        const auto selectedIds = selectedTrackIds();
        updateStatusLine (selectedIds);
        updatePlayer (selectedIds);
        updateAuditionLabel();
    }
}
