#pragma once

#include "app/SessionJobs.h"
#include "app/pages/export/DeliveryPlanner.h"
#include "core/model/Preset.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/report/BatchReport.h"
#include "core/session/Session.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Levels & export step: the delivery settings of the session's preset in a
        scrolling body, the output folder and formats, analysis and render runs on a render
        job with progress and cancel, and the summary of the last run.

        Holds no model of its own: every setting is written into the session's preset at
        once, the folder lives in the application state. Message thread only; the delivery
        is planned on a worker after every change, and the plan, like the render job's
        completion, comes back through a weak reference made on the message thread. */
    class ExportPage : public juce::Component,
                       private juce::Timer,
                       private Session::Listener,
                       private SessionJobs::Listener,
                       private juce::ChangeListener,
                       private juce::AsyncUpdater
    {
    public:
        // The parts of the page, each in a file pair of its own beside this one.
        class RenderBar;        // ExportRenderBar.h: run buttons, folder line, phase bar
        class Content;          // ExportContent.h: the scrolling settings body
        class FormatRow;        // ExportFormatRow.h: one output format
        class FormatCaptions;   // ExportFormatRow.h: the column captions above the rows
        class CueResultList;    // CueResultList.h: the cues of the last run
        class GatedTrackList;   // GatedTrackList.h: the tracks the silence gate touched
        class BlockHandle;      // ExportBlockMoves.h: the grip over a block's header
        class ColumnSplitter;   // ExportBlockMoves.h: the gap between two columns
        class CleanedAuditionJob;   // ExportAudition.h: renders a track as the cleanup leaves it

        static constexpr int renderBarHeight = 96;
        static constexpr int minimumContentWidth = 880;
        static constexpr int unboundedContentHeight = 32768;
        static constexpr int renderStopTimeoutMs = 10000;
        static constexpr int pollHz = 10;

        explicit ExportPage (AppState& state);

        /** Cancels a run still going and waits for its thread (up to 10 s): closing the
            program relies on this. A completion already posted finds no page and does
            nothing. */
        ~ExportPage() override;

        /** Called on the message thread after a render that was not cancelled; its report
            is stored in the application state by then. */
        std::function<void()> onExportFinished;

        /** True while the page holds a render job whose thread runs. */
        bool isRendering() const;

        /** The space key: takes back a cleaned version being prepared, stops the preview
            while it loads or plays, or plays the cleaned track heard last (or the first one). */
        void toggleAudition();

        /** The arrow keys: true only when a gated-track audition moved. */
        bool jumpGatedAudition (bool forward);

        /** Plays a track as the cleanup leaves it, rendering it first when no cached version
            of these settings exists. `toggle` stops it instead when it is the one playing. */
        void auditionGated (const juce::File& source, const juce::String& name, double seconds, bool toggle);
        juce::File cleanedPreviewFile (const juce::File& source) const;
        /** A cleaned render's end, on the message thread. */
        void cleanedAuditionFinished (int id, const juce::File& cached, const juce::String& name, bool written,
                                      const juce::String& error);
        bool isPreparingAudition() const noexcept   { return pendingAudition.id != 0; }
        int auditionJobCount() const                { return auditionPool != nullptr ? auditionPool->getNumJobs() : 0; }

        /** Forgets the stored block arrangement and column widths; the body shows the
            automatic arrangement at once. */
        void resetBlockLayout();

        /** The stored block arrangement and column widths, read and handed to the body. */
        void loadBlockLayout();
        void loadColumnWidths();
        void storeBlockLayout (const juce::String& text);
        void storeColumnWidths (const juce::String& text);

        //==============================================================================
        // Operations the controls start; public so that tests can drive them.

        /** Every control takes the value of the session's preset; no change is reported. */
        void refreshFromPreset();
        /** Fills both format rows from the session's preset. */
        void rebuildFormatRows();
        /** Writes every control into the session's preset. */
        void commitSettings();
        void refreshDependentControls();
        void refreshNamingPreview();

        /** The user's own words for file names, shared by both template editors. */
        void loadNameVocabulary();
        void addVocabularyWord (const juce::String& word);
        void forgetVocabularyWord (const juce::String& word);
        const juce::StringArray& getNameVocabulary() const noexcept   { return nameVocabulary; }

        /** Which run buttons can be pressed (none while a session job is about to change the
            session: their tooltip says which), and a plan of the session as it stands for the
            issue list and the naming preview: they follow when the worker has made it. */
        void refreshIssueList();
        void refreshCueLine();
        void refreshPresetLine();
        void refreshFolderLine();

        /** What a plan is made from now: the session's preset, tracks and cues with tracks as
            planning reads them (copied again only after they changed) and the output folder. */
        PlanningInputs planningInputs (bool analysisOnly);
        /** Shows a plan the worker made: an analysis plan in the issue list and the naming
            preview, and either kind to the run that waits for it. Older plans are dropped. */
        void showPlan (std::shared_ptr<PlannedDelivery> delivery);
        /** True while the plan shown is the plan of the session as it stands. */
        bool isPlanCurrent() const;
        /** True while a run waits for its plan. */
        bool isRunWaitingForPlan() const noexcept   { return waitingRun != WaitingRun::none; }

        /** Analyses with the plan of the session as it stands; without one, as soon as the
            worker has made it. While an import, a split or a project being opened is about to
            change the session, it waits for that and plans again from what it left. */
        void runAnalysis();
        /** Plans the render on the worker and then asks what stands in its way; waits as an
            analysis does. A plan is rendered only while it is the plan of the session as it
            stands, also after the warnings were confirmed. */
        void startExport();
        void cancelRun();
        void showBlockingIssues (const ValidationResult& issues, std::function<void()> proceed);
        void handleAnalysisFinished (BatchReport report);
        void handleExportFinished (BatchReport report);
        /** One tick's look at the render job: phase bar and status line. */
        void pollRenderJob();

        /** Starts the job; the render job's own start unless a test puts another here. */
        std::function<bool (RenderJob&, std::vector<RenderRequest>, RenderJob::FinishedCallback)> startJob;

        /** Shows what a run found: the summary text, the cue rows, the gated tracks. */
        void showDeliverySummary (const BatchReport& report);

        void chooseOutputFolder();
        /** A folder answered by the chooser: used when the core accepts it. */
        void useChosenOutputFolder (const juce::File& folder);

        void savePresetFromHere();
        /** An empty name overwrites the library's preset, any other stores a new one. */
        void storePreset (Preset preset, const juce::String& newName);

        //==============================================================================
        // What the page shows, for tests.
        RenderBar& getRenderBar() noexcept              { return *renderBar; }
        Content& getContent() noexcept                  { return *content; }
        juce::Viewport& getViewport() noexcept          { return viewport; }
        RenderJob* getRenderJob() noexcept              { return renderJob.get(); }
        bool isExporting() const noexcept               { return exporting; }
        bool isAnalysing() const noexcept               { return analysing; }
        bool didSessionChangeDuringRun() const noexcept { return sessionChangedDuringRun; }
        int getNewestAnalysisPlan() const noexcept      { return newestAnalysisPlan; }

        void paint (juce::Graphics& g) override;
        void resized() override;

    private:
        void timerCallback() override;
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;
        void sessionJobsChanged() override;
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;
        void handleAsyncUpdate() override;

        void wireControls();
        void wireSettingsControls();
        void showSettings();
        void commitFrom (juce::Component& control);
        bool wasTouched (const juce::Component& control) const;
        void storeVocabulary();
        void shareVocabulary();
        void wireResultLists();
        void rememberAudition (const juce::File& file, const juce::String& name, double seconds);
        void withdrawPendingAudition();
        void removeOlderAuditions (const juce::File& newest);
        void stopAuditions();
        void sessionChanged();
        void markPlanOutOfDate();
        void requestPlan (bool analysisOnly);
        void showIssues (const RenderPlan& plan);
        void showNamingPreview (const juce::String& text);
        void analyse (RenderPlan plan, const Preset& plannedWith);
        void startRun (std::vector<PlannedRequest> planned, const Preset& plannedWith, bool analysisOnly);
        void finishRun();
        void setStatusLine (const juce::String& text, bool standing);
        /** The status line between runs: what a run waits for, else how the last one ended. */
        void showIdleStatus();
        void setRunReadingTracks (bool reading);
        void resetPhaseBar();
        void setBodyEnabled (bool enabled);
        void showWarning (const juce::String& title, const juce::String& message);

        /** A cleaned render the page waits for to play it. */
        struct PendingAudition
        {
            int id = 0;
            juce::File cached;
            juce::String name, key;
            double seconds = 0.0;
            double rate = 48000.0;
        };

        // Declaration order is construction order.
        std::unique_ptr<juce::ThreadPool> auditionPool;
        bool applyingEdit = false;      // the page itself is writing into the session
        bool refreshPending = false;    // the next tick refreshes what an edit changed
        bool sliderDragging = false;    // a settings slider commits at the end of its drag
        juce::File lastAuditionFile;
        juce::String lastAuditionName;
        double lastAuditionSeconds = 0.0;
        juce::StringArray nameVocabulary;
        PendingAudition pendingAudition;
        int auditionRequests = 0;
        juce::File playingAudition;            // the cached file last handed to the preview engine
        juce::StringArray cachedAuditions;     // the cleaned versions this page wrote

        // The controls the user changed since they last showed the preset: only their
        // fields are written, so a value no control can show survives other edits.
        std::set<const juce::Component*> touchedControls;

        AppState& appState;

        std::unique_ptr<Content> content;
        std::unique_ptr<RenderBar> renderBar;
        juce::Viewport viewport;

        std::unique_ptr<RenderJob> renderJob;
        bool exporting = false;
        bool analysing = false;

        // The preset the current or last run was planned with, and whether the session told
        // of any change while it ran: then its figures no longer describe the session.
        Preset runPreset;
        bool sessionChangedDuringRun = false;

        // A cancel text or a failed start stays on the status line until the next run.
        bool statusStanding = false;

        // Planning on the worker. Every change of what a plan reads counts up sessionVersion;
        // a plan is the session's as it stands only when made at the current count.
        enum class WaitingRun { none, analysis, render };
        std::unique_ptr<DeliveryPlanner> planner;
        int sessionVersion = 0;
        int newestAnalysisPlan = 0;                      // the number of the last analysis request
        int newestRenderPlan = 0;
        std::shared_ptr<PlannedDelivery> shownPlan;      // the analysis plan on show
        WaitingRun waitingRun = WaitingRun::none;
        std::shared_ptr<const Preset> plannedPreset;     // the inputs, copied again after a change
        std::shared_ptr<const std::vector<Track>> plannedTracks;
        std::shared_ptr<const std::vector<Cue>> plannedCues;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ExportPage)
    };
}
