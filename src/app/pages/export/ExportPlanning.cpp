#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"

namespace korvid::ui
{
    PlanningInputs ExportPage::planningInputs (bool analysisOnly)
    {
        const auto& session = appState.session;

        if (plannedPreset == nullptr)
            plannedPreset = std::make_shared<const Preset> (session.getPreset());

        if (plannedTracks == nullptr)
            plannedTracks = std::make_shared<const std::vector<Track>> (tracksForPlanning (session.getTracks()));

        if (plannedCues == nullptr)
            plannedCues = std::make_shared<const std::vector<Cue>> (session.cuesWithTracks());

        PlanningInputs inputs;
        inputs.preset = plannedPreset;
        inputs.tracks = plannedTracks;
        inputs.cues = plannedCues;
        inputs.exportFolder = appState.outputFolder;
        inputs.analysisOnly = analysisOnly;
        inputs.sessionVersion = sessionVersion;
        return inputs;
    }

    void ExportPage::markPlanOutOfDate()
    {
        ++sessionVersion;
    }

    void ExportPage::requestPlan (bool analysisOnly)
    {
        if (analysisOnly)
            cancelPendingUpdate();

        // Runs on the worker: it only posts the plan, which reaches the page through a weak
        // reference made here, on the message thread.
        juce::Component::SafePointer<ExportPage> safeThis (this);
        const int number = planner->request (planningInputs (analysisOnly), [safeThis] (std::shared_ptr<PlannedDelivery> delivery)
        {
            juce::MessageManager::callAsync ([safeThis, delivery]() mutable
            {
                if (auto* page = safeThis.getComponent())
                    page->showPlan (std::move (delivery));
            });
        });

        (analysisOnly ? newestAnalysisPlan : newestRenderPlan) = number;
    }

    void ExportPage::handleAsyncUpdate()
    {
        requestPlan (true);
    }

    bool ExportPage::isPlanCurrent() const
    {
        return shownPlan != nullptr && shownPlan->sessionVersion == sessionVersion
            && shownPlan->exportFolder == appState.outputFolder;
    }

    void ExportPage::showPlan (std::shared_ptr<PlannedDelivery> delivery)
    {
        if (delivery == nullptr)
            return;

        const bool current = delivery->sessionVersion == sessionVersion && delivery->exportFolder == appState.outputFolder;
        // An import, a split or a project on its way: the plan is of a session about to change.
        const bool sessionBusy = appState.sessionJobs.isBusy();

        if (! delivery->analysisOnly)
        {
            if (delivery->number != newestRenderPlan || waitingRun != WaitingRun::render)
            {
                planner->discard (std::move (delivery));
                return;
            }

            // The session changed after the press: what stands in the way may have too. While
            // it is about to change, the plan is made again once it has.
            if (! current || sessionBusy)
            {
                planner->discard (std::move (delivery));

                if (! sessionBusy)
                    requestPlan (false);

                return;
            }

            waitingRun = WaitingRun::none;
            auto planned = std::make_shared<std::vector<PlannedRequest>> (std::move (delivery->plan.requests));
            auto preset = delivery->preset;
            const auto issues = delivery->plan.issues;
            const auto plannedVersion = delivery->sessionVersion;
            const auto plannedFolder = delivery->exportFolder;
            planner->discard (std::move (delivery));
            juce::Component::SafePointer<ExportPage> safeThis (this);

            showBlockingIssues (issues, [safeThis, planned, preset, plannedVersion, plannedFolder]
            {
                auto* page = safeThis.getComponent();

                if (page == nullptr || page->isRendering() || page->exporting || page->analysing
                    || page->waitingRun != WaitingRun::none)
                    return;

                // The session changed while the warnings were open (an import or a split that
                // ended, an edit): the plan no longer describes it, so it is made again and its
                // own warnings asked about.
                if (plannedVersion != page->sessionVersion || plannedFolder != page->appState.outputFolder
                    || page->appState.sessionJobs.isBusy())
                {
                    page->waitingRun = WaitingRun::render;

                    if (! page->appState.sessionJobs.isBusy())
                        page->requestPlan (false);

                    return;
                }

                page->exporting = true;
                page->startRun (std::move (*planned), *preset, false);
            });

            return;
        }

        // An analysis plan older than one asked for since: the newer one is on its way.
        if (delivery->number != newestAnalysisPlan)
        {
            planner->discard (std::move (delivery));
            return;
        }

        showIssues (delivery->plan);
        showNamingPreview (delivery->namingPreview);
        std::swap (shownPlan, delivery);
        planner->discard (std::move (delivery));

        if (waitingRun == WaitingRun::analysis && ! sessionBusy)
        {
            if (current)
            {
                waitingRun = WaitingRun::none;
                runAnalysis();
            }
            else
            {
                requestPlan (true);
            }
        }
    }
}
