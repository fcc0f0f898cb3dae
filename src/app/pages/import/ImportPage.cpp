#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/pages/import/ImportRows.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"
#include "ui/TextFit.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr const char* recurseKey = "importRecurse";
        constexpr const char* autoplayKey = "importAutoplay";
        constexpr const char* jumpSilenceKey = "importJumpSilence";

        int toggleWidth (const juce::Button& toggle)
        {
            return (int) std::ceil (bodyFont().getStringWidthFloat (toggle.getButtonText())) + 30;
        }
    }

    ImportPage::ImportPage (AppState& state)
        : appState (state)
    {
        buildControls();

        shownListGeneration = appState.session.getListGeneration();
        appState.session.addListener (this);
        appState.waveforms.listeners.add (this);
        rebuildRows();
        updateTransport();
        startTimerHz (15);
    }

    ImportPage::~ImportPage()
    {
        stopTimer();
        zoomSettleTimer->stopTimer();
        ++generation;
        spectrogramPool.removeAllJobs (true, 3000);

        // They run on the session's worker, which waits for them when it goes: a running
        // split stops at its next block and puts the original back.
        for (const auto job : importJobs)
            appState.sessionJobs.stop (job);

        withdrawSplit();
        appState.trackBeingSplit.clear();
        appState.splitFileNames.clear();
        appState.waveforms.listeners.remove (this);
        appState.session.removeListener (this);
        trackTable.setModel (nullptr);
    }

    void ImportPage::buildControls()
    {
        addAllAndMakeVisible (*this, { &addFilesButton, &addFolderButton, &removeButton, &clearButton, &recurseToggle,
                                       &searchLabel, &searchField, &trackTable, &statusLabel, &dropHintLabel,
                                       &fileNameLabel, &transportButton, &autoplayToggle, &jumpSilenceToggle,
                                       &spectrogramView, &waveformView, &timeLabel });

        addFilesButton.setTooltip ("Add individual audio files (WAV, AIFF, FLAC).");
        addFolderButton.setTooltip ("Add every audio file in a folder.");
        removeButton.setTooltip ("Remove the selected tracks from the list. The files on disk are never touched.");
        clearButton.setTooltip ("Empty the track list.");
        recurseToggle.setTooltip ("Look inside sub-folders too. Every folder with audio in it becomes a cue of its own, "
                                  "and each cue is rendered separately.");
        searchField.setTooltip ("Filter the list by file name.");
        centreTextInField (searchField);
        autoplayToggle.setTooltip ("Audition each file as soon as it is selected.");
        jumpSilenceToggle.setTooltip ("Start playback at the first sound instead of the top of the file, past the "
                                      "silence the DAW wrote before the first note.");

        auto& settings = *appState.settings;
        recurseToggle.setToggleState (settings.getBoolValue (recurseKey, true), juce::dontSendNotification);
        autoplayToggle.setToggleState (settings.getBoolValue (autoplayKey, false), juce::dontSendNotification);
        jumpSilenceToggle.setToggleState (settings.getBoolValue (jumpSilenceKey, true), juce::dontSendNotification);

        searchField.addListener (this);
        searchField.setTextToShowWhenEmpty ("file name...", colours::textDisabled);

        searchLabel.setJustificationType (juce::Justification::centredRight);
        setLabelTone (searchLabel, 1);
        setLabelTone (statusLabel, 1);
        fileNameLabel.setFont (headingFont());
        setLabelTone (timeLabel, 1);
        timeLabel.setJustificationType (juce::Justification::centredRight);
        timeLabel.setFont (monoFont());
        waveformView.setEmptyText ("No file selected");
        dropHintLabel.setJustificationType (juce::Justification::centred);
        setLabelTone (dropHintLabel, 2);
        dropHintLabel.setInterceptsMouseClicks (false, false);

        zoomSettleTimer = std::make_unique<ZoomSettleTimer> (*this);
        zoomInButton = std::make_unique<MagnifierButton> ("zoom in", MagnifierButton::zoomIn);
        zoomOutButton = std::make_unique<MagnifierButton> ("zoom out", MagnifierButton::zoomOut);
        wholeFileButton = std::make_unique<MagnifierButton> ("whole file", MagnifierButton::wholeTake);
        zoomInButton->setTooltip ("Show less of the file, in more detail. The wheel over either display does the same.");
        zoomOutButton->setTooltip ("Show more of the file.");
        wholeFileButton->setTooltip ("Back to the whole file.");
        wholeFileButton->setEnabled (false);
        addAllAndMakeVisible (*this, { zoomInButton.get(), zoomOutButton.get(), wholeFileButton.get() });

        zoomInButton->onClick = [this] { zoomBy (0.5, 0.5); };
        zoomOutButton->onClick = [this] { zoomBy (2.0, 0.5); };
        wholeFileButton->onClick = [this] { setVisibleRange (0.0, 1.0); };
        addFilesButton.onClick = [this] { chooseFiles(); };
        addFolderButton.onClick = [this] { showAddFolderMenu(); };
        removeButton.onClick = [this] { removeSelectedTracks(); };
        clearButton.onClick = [this] { askToClearList(); };
        recurseToggle.onClick = [this] { appState.settings->setValue (recurseKey, recurseToggle.getToggleState()); };
        autoplayToggle.onClick = [this] { appState.settings->setValue (autoplayKey, autoplayToggle.getToggleState()); };
        jumpSilenceToggle.onClick = [this]
        {
            appState.settings->setValue (jumpSilenceKey, jumpSilenceToggle.getToggleState());
        };
        transportButton.onClick = [this] { togglePlay(); };

        const auto onSeek = [this] (double viewFraction) { seekFromView (viewFraction); };
        const auto onRightClick = [this] (double viewFraction) { offerSplitAt (fileFractionForView (viewFraction)); };
        const auto onWheel = [this] (float delta, double viewFraction)
        {
            if (std::abs (delta) < 0.000001f)
                return;

            zoomBy (delta > 0.0f ? 0.8 : 1.25, viewFraction);
        };

        waveformView.onSeek = spectrogramView.onSeek = onSeek;
        waveformView.onRightClick = spectrogramView.onRightClick = onRightClick;
        waveformView.onWheel = spectrogramView.onWheel = onWheel;
        waveformView.onHover = [this] (double fraction) { spectrogramView.setHoverFraction (fraction); };
        spectrogramView.onHover = [this] (double fraction) { waveformView.setHoverFraction (fraction); };

        trackTable.setModel (this);
        trackTable.setMultipleSelectionEnabled (true);
        trackTable.setRowHeight (rowHeight);
        trackTable.getViewport()->setScrollBarsShown (true, false);

        addColumns();
    }

    //==============================================================================
    void ImportPage::resized()
    {
        auto content = getLocalBounds().reduced (12);

        auto panel = content.removeFromBottom (auditionPanelHeight);
        auto inner = panel.reduced (12, 6);
        auto firstRow = inner.removeFromTop (30);

        transportButton.setBounds (firstRow.removeFromLeft (96));
        firstRow.removeFromLeft (12);

        wholeFileButton->setBounds (firstRow.removeFromRight (30));
        firstRow.removeFromRight (3);
        zoomOutButton->setBounds (firstRow.removeFromRight (30));
        firstRow.removeFromRight (3);
        zoomInButton->setBounds (firstRow.removeFromRight (30));
        firstRow.removeFromRight (6);
        jumpSilenceToggle.setBounds (firstRow.removeFromRight (toggleWidth (jumpSilenceToggle)));
        firstRow.removeFromRight (6);
        autoplayToggle.setBounds (firstRow.removeFromRight (toggleWidth (autoplayToggle)));
        timeLabel.setBounds (firstRow.removeFromRight (juce::jmin (170, firstRow.getWidth())));
        firstRow.removeFromRight (juce::jmin (6, firstRow.getWidth()));
        fileNameLabel.setBounds (firstRow);

        inner.removeFromTop (juce::jmin (6, inner.getHeight()));
        const auto waveformArea = inner.removeFromBottom (juce::jmin (44, inner.getHeight()));
        waveformView.setBounds (waveformArea);
        inner.removeFromBottom (juce::jmin (5, inner.getHeight()));
        spectrogramView.setBounds (inner);

        content.removeFromBottom (juce::jmin (6, content.getHeight()));
        auto toolbar = content.removeFromTop (juce::jmin (30, content.getHeight()));
        const auto toolbarCopy = toolbar;
        addFilesButton.setBounds (toolbar.removeFromLeft (110));
        toolbar.removeFromLeft (6);
        addFolderButton.setBounds (toolbar.removeFromLeft (120));
        toolbar.removeFromLeft (6);
        removeButton.setBounds (toolbar.removeFromLeft (140));
        toolbar.removeFromLeft (6);
        clearButton.setBounds (toolbar.removeFromLeft (100));
        toolbar.removeFromLeft (12);
        recurseToggle.setBounds (toolbar.removeFromLeft (270));

        auto searchRow = toolbarCopy;
        searchField.setBounds (searchRow.removeFromRight (220));
        searchLabel.setBounds (searchRow.removeFromRight (56));

        content.removeFromTop (juce::jmin (6, content.getHeight()));
        statusLabel.setBounds (content.removeFromBottom (juce::jmin (22, content.getHeight())));
        content.removeFromBottom (juce::jmin (6, content.getHeight()));
        trackTable.setBounds (content);

        if (content.getHeight() < 42)
            dropHintLabel.setBounds (content);
        else
            dropHintLabel.setBounds (content.withSizeKeepingCentre (content.getWidth(), 40));

        updateStatusLine();
    }

    void ImportPage::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);

        auto panel = getLocalBounds().removeFromBottom (auditionPanelHeight + 12);
        panel = panel.withTrimmedLeft (12).withTrimmedRight (12).withTrimmedBottom (12);
        const auto area = panel.toFloat();

        g.setColour (colours::panelBackground);
        g.fillRoundedRectangle (area, 4.0f);
        g.setColour (colours::subtleOutline);
        g.drawRoundedRectangle (area.reduced (0.5f), 4.0f, 1.0f);

        if (dragHighlight)
        {
            const auto highlight = getLocalBounds().reduced (4).toFloat();
            g.setColour (colours::accent.withAlpha (0.12f));
            g.fillRoundedRectangle (highlight, 8.0f);
            g.setColour (colours::accent);
            g.drawRoundedRectangle (highlight, 8.0f, 2.0f);
        }
    }

    //==============================================================================
    void ImportPage::tracksChanged()
    {
        // Removed from the list (by hand, by an undo, with the whole list): the split is no
        // longer wanted.
        if (isSplitting() && appState.session.findTrack (getSplittingTrackId()) == nullptr)
            withdrawSplit();

        forgetTrackOfAnotherList();

        if (const auto* track = appState.session.findTrack (currentTrackId))
            if (track->file != juce::File (currentPath))
                showTrack (track->file.getFullPathName(), track->id);

        rebuildRows();
    }

    void ImportPage::forgetTrackOfAnotherList()
    {
        // A list emptied or replaced (Clear list, a project) takes the panel with it; a take
        // only removed from the list stays shown and playable.
        if (shownListGeneration == appState.session.getListGeneration())
            return;

        shownListGeneration = appState.session.getListGeneration();

        if (appState.preview.isCurrent (getTrackPreviewKey()))
            appState.preview.stop();

        showTrack ({}, {});
    }

    // Neither changes which tracks are listed; the order only under the columns that sort by them.
    void ImportPage::assignmentsChanged()
    {
        refreshRows (importOrderFollowsAssignments (sortColumnId), Remeasure::assignments);
    }

    void ImportPage::presetChanged()
    {
        // A project over an empty list brings its preset before any track.
        forgetTrackOfAnotherList();
        refreshRows (importOrderFollowsPreset (sortColumnId), Remeasure::assignments);
    }

    void ImportPage::waveformsChanged()
    {
        trackTable.repaint();
        refreshWaveform();
    }

    void ImportPage::textEditorTextChanged (juce::TextEditor&)
    {
        // The order is that of the whole list; a filter only leaves rows out.
        refreshRows (false, Remeasure::all);
    }

    void ImportPage::timerCallback()
    {
        updateTransport();
    }

    void ImportPage::showWarning (const juce::String& title, const juce::String& message)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
    }
}
