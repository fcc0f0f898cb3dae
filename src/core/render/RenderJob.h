#pragma once

#include "core/audio/CancelTest.h"
#include "core/render/RenderPlanning.h"
#include "core/report/BatchReport.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <vector>

namespace korvid
{

struct RenderStatus;
class RenderWorkers;

/** Renders a whole delivery on a thread of its own ("Velvane render"): the requests one
    after the other, with a shared-gain pre-pass when the preset asks for one gain across
    the batch. That thread coordinates; a cue's reads, encodes and checks run on worker
    threads that live as long as the run. The page polls `getStatus`; `cancel` is honoured
    at the next cancel point, within a fraction of a second also with every worker busy,
    and the completion callback is still called. */
class RenderJob : public juce::Thread
{
public:
    enum class Phase : int { starting, summing, measuring, writing, verifying, finished };

    /** A fraction from 0 to 1, a text for the user and the phase it belongs to. */
    using ProgressCallback = std::function<void (double fraction, const juce::String& text, Phase phase)>;
    /** Called once per started run, on the render thread. */
    using FinishedCallback = std::function<void (const BatchReport& report)>;

    RenderJob();
    /** Asks the thread to exit and waits up to 10 s for it; then drops the callback. */
    ~RenderJob() override;

    /** False, dropping both arguments, while a run is under way or when there is nothing
        to render. Otherwise resets the status to "Starting..." and starts the thread. */
    bool start (std::vector<RenderRequest> requestsToRender, FinishedCallback onFinishedToCall);

    /** Progress, text, phase and running flag; text and phase always belong together. */
    RenderStatus getStatus() const;

    /** Asks the thread to stop at its next cancel point; returns at once. */
    void cancel();

    /** True when the thread ended within the time. */
    bool waitUntilFinished (int timeoutMs);

    /** Renders the requests in order from the calling thread and gives the run's report;
        each cue's work is shared out over one worker per core, within the memory budget. */
    static BatchReport runQueue (std::vector<RenderRequest> requestsToRender,
                                 const CancelTest& shouldCancel,
                                 const ProgressCallback& progressCallback);

    /** The same with the run's workers given. */
    static BatchReport runQueue (std::vector<RenderRequest> requestsToRender,
                                 const CancelTest& shouldCancel,
                                 const ProgressCallback& progressCallback,
                                 RenderWorkers& workers);

    void run() override;

private:
    void publishProgress (double fraction, const juce::String& text, Phase newPhase);

    std::vector<RenderRequest> requests;
    FinishedCallback onFinished;
    juce::CriticalSection statusLock;   // guards statusText and phase together
    juce::String statusText;
    std::atomic<double> progress { 0.0 };
    std::atomic<int> phase { (int) Phase::starting };

    JUCE_DECLARE_NON_COPYABLE (RenderJob)
};

/** What the export page polls ten times a second. */
struct RenderStatus
{
    double progress = 0.0;   // 0 to 1
    juce::String text;
    RenderJob::Phase phase = RenderJob::Phase::starting;
    bool running = false;    // the render thread is running
};

} // namespace korvid
