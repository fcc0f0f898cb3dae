#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportRenderBar.h"
#include "ui/Logos.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    ExportPage::ExportPage (AppState& state)
        : appState (state),
          runPreset (state.session.getPreset())
    {
        startJob = [] (RenderJob& job, std::vector<RenderRequest> requests, RenderJob::FinishedCallback onFinished)
        {
            return job.start (std::move (requests), std::move (onFinished));
        };

        planner = std::make_unique<DeliveryPlanner>();
        content = std::make_unique<Content>();
        renderBar = std::make_unique<RenderBar>();

        addAndMakeVisible (viewport);
        addAndMakeVisible (*renderBar);
        viewport.setViewedComponent (content.get(), false);
        viewport.setScrollBarsShown (true, false);

        wireControls();

        appState.session.addListener (this);
        appState.sessionJobs.listeners.add (this);
        appState.addChangeListener (this);

        refreshFromPreset();
        rebuildFormatRows();
        startTimerHz (pollHz);
    }

    ExportPage::~ExportPage()
    {
        stopTimer();
        cancelPendingUpdate();
        planner.reset();
        appState.removeChangeListener (this);
        appState.sessionJobs.listeners.remove (this);
        appState.session.removeListener (this);
        stopAuditions();

        if (renderJob != nullptr)
        {
            renderJob->cancel();
            renderJob->waitUntilFinished (renderStopTimeoutMs);
        }

        viewport.setViewedComponent (nullptr, false);
        renderJob.reset();
        setRunReadingTracks (false);
    }

    void ExportPage::wireControls()
    {
        auto& bar = *renderBar;
        bar.saveButton.setTooltip ("Keep the formats, naming, headroom and cue rules in the preset. Next delivery for "
                                   "this publisher starts here.");
        bar.saveButton.onClick = [this] { savePresetFromHere(); };
        bar.chooseFolderButton.onClick = [this] { chooseOutputFolder(); };
        bar.openFolderButton.onClick = [this]
        {
            if (appState.outputFolder.isDirectory())
                openFolder (appState.outputFolder);
        };

        wireSettingsControls();
        content->onLayoutChanged = [this] { resized(); };
        content->onBlockLayoutChanged = [this] (const juce::String& text) { storeBlockLayout (text); };
        content->onColumnWidthsChanged = [this] (const juce::String& text) { storeColumnWidths (text); };

        loadBlockLayout();
        loadColumnWidths();
        loadNameVocabulary();

        wireResultLists();

        bar.analyseButton.onClick = [this] { runAnalysis(); };
        bar.renderButton.onClick = [this] { startExport(); };
        bar.cancelButton.onClick = [this] { cancelRun(); };
    }

    //==============================================================================
    bool ExportPage::isRendering() const
    {
        return renderJob != nullptr && renderJob->isThreadRunning();
    }

    //==============================================================================
    void ExportPage::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);
    }

    void ExportPage::resized()
    {
        auto area = getLocalBounds();
        renderBar->setBounds (area.removeFromBottom (juce::jmin (renderBarHeight, area.getHeight())));
        viewport.setBounds (area);

        // Laid out against an unbounded height first, then given the height it needs. The
        // scroll bar can come or go with the new height, so the width is checked once more.
        for (int pass = 0; pass < 2; ++pass)
        {
            const int width = juce::jmax (minimumContentWidth, viewport.getMaximumVisibleWidth());
            content->setSize (width, unboundedContentHeight);
            content->setSize (width, content->getRequiredHeight());

            if (juce::jmax (minimumContentWidth, viewport.getMaximumVisibleWidth()) == width)
                break;
        }
    }

    //==============================================================================
    void ExportPage::tracksChanged()        { sessionChanged(); }
    void ExportPage::assignmentsChanged()   { sessionChanged(); }

    void ExportPage::sessionChanged()
    {
        plannedTracks.reset();
        plannedCues.reset();
        markPlanOutOfDate();

        if (exporting || analysing)
            sessionChangedDuringRun = true;

        // Undo, redo and an opened project change cue names behind the rows' back.
        const auto& cues = appState.session.getCues();

        if (content->cueTable->syncWithSession (cues))
            resized();

        for (const auto& cue : cues)
            content->gatedList->renameCue (cue.id, cue.name);

        refreshNamingPreview();
        refreshIssueList();
    }

    void ExportPage::presetChanged()
    {
        // Also for the page's own edits: a plan made before one no longer holds.
        plannedPreset.reset();
        markPlanOutOfDate();

        if (exporting || analysing)
            sessionChangedDuringRun = true;

        if (applyingEdit)
            return;

        rebuildFormatRows();
        refreshFromPreset();
    }

    void ExportPage::sessionJobsChanged()
    {
        refreshIssueList();

        if (! exporting && ! analysing)
            showIdleStatus();

        // What a pressed run waited for has changed the session: plan again from it.
        if (! appState.sessionJobs.isBusy() && waitingRun != WaitingRun::none)
            requestPlan (waitingRun == WaitingRun::analysis);
    }

    void ExportPage::changeListenerCallback (juce::ChangeBroadcaster*)
    {
        // The folder and the current library preset can change behind the page's back: a
        // project that opens sets both after its preset has reached the session.
        const auto shown = renderBar->folderLabel.getTooltip();
        refreshFolderLine();

        if (renderBar->folderLabel.getTooltip() != shown)
            refreshIssueList();
        else
            refreshPresetLine();
    }

    void ExportPage::refreshFromPreset()
    {
        showSettings();
        refreshFolderLine();
        refreshDependentControls();
        refreshCueLine();
        refreshPresetLine();
        refreshNamingPreview();
        refreshIssueList();
    }

    void ExportPage::timerCallback()
    {
        if (refreshPending)
        {
            refreshPending = false;
            refreshPresetLine();
            refreshNamingPreview();
            refreshIssueList();
        }

        if (content->gatedList->isVisible() && appState.preview.playing.load())
            content->gatedList->repaint();

        pollRenderJob();
    }

    void ExportPage::showWarning (const juce::String& title, const juce::String& message)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
    }
}
