#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/DeliverySummary.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportRenderBar.h"
#include "ui/LabelTones.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"

#include <memory>

namespace korvid::ui
{
    void ExportPage::refreshIssueList()
    {
        // Always the analysis form: it shows what stands in the way of either run.
        triggerAsyncUpdate();

        // An import, a split or a project on its way would change what a run reads.
        const auto waitText = appState.sessionJobs.waitText();
        const bool canRun = ! appState.session.getTracks().empty() && ! exporting && ! analysing && waitText.isEmpty();
        renderBar->analyseButton.setEnabled (canRun);
        renderBar->renderButton.setEnabled (canRun);
        renderBar->analyseButton.setTooltip (waitText);
        renderBar->renderButton.setTooltip (waitText);

        refreshCueLine();
        refreshPresetLine();
    }

    void ExportPage::showIssues (const RenderPlan& plan)
    {
        juce::StringArray lines;

        for (const auto& error : plan.issues.errors)
            lines.add ("ERROR    " + error);

        for (const auto& warning : plan.issues.warnings)
            lines.add ("warning  " + warning);

        auto& issueList = content->issueList;
        const auto text = lines.joinIntoString ("\n");
        const bool lineCountChanged = juce::StringArray::fromLines (issueList.getText()).size()
                                   != juce::StringArray::fromLines (text).size();
        issueList.setText (text, juce::dontSendNotification);

        if (plan.issues.errors.isEmpty())
        {
            setLabelTone (issueList, 1);
        }
        else
        {
            // No tone stands for the bad colour; the next refresh sets it from the palette again.
            issueList.getProperties().remove (labelToneProperty);
            issueList.setColour (juce::Label::textColourId, colours::bad);
        }

        if (lineCountChanged)
            resized();
    }

    void ExportPage::refreshCueLine()
    {
        if (plannedCues == nullptr)
            plannedCues = std::make_shared<const std::vector<Cue>> (appState.session.cuesWithTracks());

        const auto& cues = *plannedCues;
        juce::String text;

        if (cues.empty())
            text = "Nothing imported yet.";
        else if (cues.size() == 1)
            text = "One cue: " + cues.front().name;
        else
            text = juce::String ((int) cues.size()) + " cues will be rendered one after the other, never summed together.";

        content->cueLine.setText (text, juce::dontSendNotification);
    }

    //==============================================================================
    void ExportPage::runAnalysis()
    {
        // A queued completion must never end a newer run, so nothing starts until the last
        // one has been handled.
        if (isRendering() || exporting || analysing || waitingRun != WaitingRun::none)
            return;

        const bool sessionBusy = appState.sessionJobs.isBusy();

        if (sessionBusy || ! isPlanCurrent())
        {
            waitingRun = WaitingRun::analysis;

            // Otherwise planned again when the session's jobs are done.
            if (! sessionBusy)
                requestPlan (true);

            return;
        }

        auto delivery = std::move (shownPlan);
        auto plan = std::move (delivery->plan);
        const auto preset = delivery->preset;
        planner->discard (std::move (delivery));
        analyse (std::move (plan), *preset);
    }

    void ExportPage::analyse (RenderPlan plan, const Preset& plannedWith)
    {
        if (! plan.issues.errors.isEmpty())
        {
            const auto text = "Cannot analyse:\n" + plan.issues.errors.joinIntoString ("\n");

            if (content->statusText.text != text)
            {
                content->statusText.text = text;
                content->statusText.repaint();
            }

            content->cueTable->setRows ({});
            content->gatedList->setRows ({});
            renderBar->setZoomButtonsVisible (false);
            resized();
            return;
        }

        analysing = true;
        startRun (std::move (plan.requests), plannedWith, true);
    }

    void ExportPage::startExport()
    {
        if (isRendering() || exporting || analysing || waitingRun != WaitingRun::none)
            return;

        // Choosing a folder does not start the run; the user presses the button again.
        if (appState.outputFolder == juce::File())
        {
            chooseOutputFolder();
            return;
        }

        // The render's own form: it may create the cues' folders, so it is made only now,
        // and only once no import, split or project is about to change the session.
        waitingRun = WaitingRun::render;

        if (! appState.sessionJobs.isBusy())
            requestPlan (false);
    }

    void ExportPage::showBlockingIssues (const ValidationResult& issues, std::function<void()> proceed)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);

        if (! issues.errors.isEmpty())
        {
            appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "The export cannot start",
                                           issues.errors.joinIntoString ("\n"));
            return;
        }

        if (issues.warnings.isEmpty())
        {
            proceed();
            return;
        }

        appState.dialogs->confirm (juce::MessageBoxIconType::QuestionIcon, "Continue with these warnings?",
                                   issues.warnings.joinIntoString ("\n"), "OK", "Cancel",
                                   [proceed = std::move (proceed)] (bool ok)
                                   {
                                       if (ok)
                                           proceed();
                                   });
    }

    void ExportPage::startRun (std::vector<PlannedRequest> planned, const Preset& plannedWith, bool analysisOnly)
    {
        appState.preview.stop();
        setRunReadingTracks (true);
        setBodyEnabled (false);
        resetPhaseBar();
        statusStanding = false;
        renderBar->cancelButton.setEnabled (true);
        refreshIssueList();

        runPreset = plannedWith;
        sessionChangedDuringRun = false;

        std::vector<RenderRequest> requests;
        requests.reserve (planned.size());

        for (auto& entry : planned)
            requests.push_back (std::move (entry.request));

        renderJob = std::make_unique<RenderJob>();

        // Runs on the render thread: it only posts a copy of the report, which reaches the
        // page through a weak reference made here, on the message thread.
        juce::Component::SafePointer<ExportPage> safeThis (this);
        RenderJob::FinishedCallback completion = [safeThis, analysisOnly] (const BatchReport& report)
        {
            juce::MessageManager::callAsync ([safeThis, analysisOnly, copy = report]() mutable
            {
                auto* page = safeThis.getComponent();

                if (page == nullptr)
                    return;

                if (analysisOnly)
                    page->handleAnalysisFinished (std::move (copy));
                else
                    page->handleExportFinished (std::move (copy));
            });
        };

        if (startJob (*renderJob, std::move (requests), std::move (completion)))
            return;

        // No thread, so no completion will come: the page must not stay locked.
        exporting = false;
        analysing = false;
        setRunReadingTracks (false);
        setBodyEnabled (true);
        renderBar->cancelButton.setEnabled (false);
        refreshIssueList();
        setStatusLine ("The run could not be started.", true);
    }

    void ExportPage::cancelRun()
    {
        if (renderJob != nullptr)
            renderJob->cancel();
    }

    void ExportPage::finishRun()
    {
        setRunReadingTracks (false);
        setBodyEnabled (true);
        renderBar->cancelButton.setEnabled (false);
    }

    void ExportPage::handleExportFinished (BatchReport report)
    {
        if (! exporting)
            return;

        exporting = false;
        finishRun();

        if (report.cancelled)
        {
            setStatusLine ("Export cancelled.", true);
            resetPhaseBar();
            refreshIssueList();
            return;
        }

        renderBar->phaseBar.complete();

        // Stored first, so the summary reads the one copy the application keeps.
        appState.setLastReport (std::move (report));
        showDeliverySummary (appState.lastReport);
        refreshIssueList();

        if (onExportFinished)
            onExportFinished();
    }

    void ExportPage::handleAnalysisFinished (BatchReport report)
    {
        if (! analysing)
            return;

        analysing = false;
        finishRun();

        if (report.cancelled)
        {
            setStatusLine ("Analysis cancelled.", true);
            resetPhaseBar();
        }
        else
        {
            showDeliverySummary (report);
        }

        refreshIssueList();
    }

    void ExportPage::setRunReadingTracks (bool reading)
    {
        appState.runReadingTracks = reading;
    }

    void ExportPage::pollRenderJob()
    {
        if (renderJob == nullptr)
        {
            showIdleStatus();
            return;
        }

        const auto status = renderJob->getStatus();

        // The bar follows a run only while it is under way: once its end is handled the bar
        // keeps what that end made of it (full, or empty after a cancel).
        if (exporting || analysing)
        {
            renderBar->phaseBar.setProgress (status.progress, (int) status.phase);
            renderBar->phaseBar.repaint();
        }

        if (status.running)
            setStatusLine (status.text, false);
        else if (! exporting && ! analysing)
            showIdleStatus();
    }

    void ExportPage::showIdleStatus()
    {
        const auto waitText = appState.sessionJobs.waitText();

        if (waitText.isNotEmpty())
            setStatusLine (waitText, false);
        else if (! statusStanding)
            setStatusLine (renderJob != nullptr && appState.hasReport ? "Last render finished." : "", false);
    }

    void ExportPage::setStatusLine (const juce::String& text, bool standing)
    {
        statusStanding = standing;
        renderBar->phaseBar.setText (text);
    }

    void ExportPage::resetPhaseBar()
    {
        renderBar->phaseBar.reset();
    }

    void ExportPage::setBodyEnabled (bool enabled)
    {
        content->setSettingsEnabled (enabled);
    }

    //==============================================================================
    void ExportPage::showDeliverySummary (const BatchReport& report)
    {
        auto& body = *content;
        const auto text = deliverySummaryText (report, runPreset, sessionChangedDuringRun);

        if (body.statusText.text != text)
        {
            body.statusText.text = text;
            body.statusText.repaint();
        }

        body.cueTable->setRows (cueRowsFor (report, appState.session.cuesWithTracks(), sessionChangedDuringRun));
        body.gatedList->setRows (gatedRowsFor (report));
        renderBar->setZoomButtonsVisible (body.gatedList->isVisible());

        renderBar->resized();
        resized();

        const int lastTop = juce::jmax (0, body.getHeight() - viewport.getViewHeight());
        viewport.setViewPosition (viewport.getViewPositionX(), juce::jmin (lastTop, juce::jmax (0, body.getReportTop() - 12)));
    }
}
