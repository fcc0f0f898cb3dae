#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/TextFit.h"
#include "ui/WidthSqueeze.h"

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

        const char* const cueBoxTooltip = "Which cue this page is about. Each one is a separate delivery, so what you "
                                          "hear here is what that cue alone will contain.";
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

        cueBox.setTooltip (cueBoxTooltip);
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

        layoutToolbar (content.removeFromTop (juce::jmin (30, content.getHeight())));

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

    void ReviewPage::layoutToolbar (juce::Rectangle<int> toolbar)
    {
        // The buttons at their own widths, the filter at the right end and the cue chooser
        // before it, as wide as its longest cue. A row short of room narrows the buttons
        // first, down to their texts, then the filter down to its longest choice, and only
        // then the cue chooser: its cue is still read whole in its list, its tooltip and the
        // status line.
        const std::pair<juce::TextButton*, int> buttons[] = {
            { &rerunButton, 150 }, { &undoButton, 64 }, { &redoButton, 64 }, { &assignButton, 110 },
            { &lockButton, 64 }, { &unlockButton, 74 }, { &ruleButton, 130 }
        };
        const int gapsAfter[] = { 5, 5, 12, 5, 5, 5, 0 };
        constexpr int filterWidth = 160, filterLabelWidth = 46, cueGap = 12;

        const bool withCue = cueBox.isVisible();
        const int cueLabelWidth = juce::jmax (40, labelWidthFor (cueLabel));
        int fixed = filterLabelWidth + (withCue ? 2 * cueGap + cueLabelWidth : 0);
        std::vector<SqueezableWidth> items;

        for (size_t i = 0; i < std::size (buttons); ++i)
        {
            items.push_back ({ buttons[i].second, juce::jmin (buttons[i].second, textButtonWidth (*buttons[i].first)), 0 });
            fixed += gapsAfter[i];
        }

        items.push_back ({ filterWidth, juce::jmin (filterWidth, comboBoxWidthFor (filterBox)), 1 });

        if (withCue)
            items.push_back ({ juce::jmax (200, comboBoxWidthFor (cueBox)), 0, 2 });

        const auto widths = squeezeWidths (items, toolbar.getWidth() - fixed);

        filterBox.setBounds (cutRight (toolbar, widths[std::size (buttons)]));
        filterLabel.setBounds (cutRight (toolbar, filterLabelWidth));

        if (withCue)
        {
            cutRight (toolbar, cueGap);
            cueBox.setBounds (cutRight (toolbar, widths.back()));
            cueLabel.setBounds (cutRight (toolbar, cueLabelWidth));
            cutRight (toolbar, cueGap);
        }

        for (size_t i = 0; i < std::size (buttons); ++i)
        {
            buttons[i].first->setBounds (cutLeft (toolbar, widths[i]));
            cutLeft (toolbar, gapsAfter[i]);
        }

        updateCueTooltip();
    }

    void ReviewPage::updateCueTooltip()
    {
        // A cue too long for the box is read whole in its tooltip.
        const bool cut = cueBox.isVisible() && ! comboBoxShowsTextWhole (cueBox);
        cueBox.setTooltip (cut ? cueBox.getText() + "\n" + cueBoxTooltip : juce::String (cueBoxTooltip));
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
