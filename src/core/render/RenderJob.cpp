#include "core/render/RenderJob.h"

#include "core/audio/GainDecision.h"
#include "core/render/RenderContext.h"
#include "core/render/RenderWorkers.h"

#include <algorithm>

namespace korvid
{

namespace
{
// Share of the progress bar the shared-gain pre-pass takes.
constexpr double prePassShare = 0.35;

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

bool usesSharedGain (const std::vector<RenderRequest>& requests)
{
    if (requests.size() < 2)
        return false;

    const auto& first = requests.front();
    return first.preset.exportSettings.batch.gainMode == GainScope::sharedAcrossBatch && ! first.analysisOnly;
}
} // namespace

RenderJob::RenderJob()
    : juce::Thread ("Velvane render")
{
}

RenderJob::~RenderJob()
{
    signalThreadShouldExit();
    stopThread (10000);
    onFinished = nullptr;
    requests.clear();
}

bool RenderJob::start (std::vector<RenderRequest> requestsToRender, FinishedCallback onFinishedToCall)
{
    if (isThreadRunning() || requestsToRender.empty())
        return false;

    requests = std::move (requestsToRender);
    onFinished = std::move (onFinishedToCall);
    publishProgress (0.0, "Starting...", Phase::starting);
    return startThread (juce::Thread::Priority::normal);
}

RenderStatus RenderJob::getStatus() const
{
    RenderStatus status;
    status.progress = progress.load();

    {
        const juce::ScopedLock lock (statusLock);
        status.text = statusText;
        status.phase = (Phase) phase.load();
    }

    status.running = isThreadRunning();
    return status;
}

void RenderJob::cancel()
{
    signalThreadShouldExit();
}

bool RenderJob::waitUntilFinished (int timeoutMs)
{
    return waitForThreadToExit (timeoutMs);
}

void RenderJob::publishProgress (double fraction, const juce::String& text, Phase newPhase)
{
    progress.store (juce::jlimit (0.0, 1.0, fraction));

    // The phase is stored with the text so that a poll never pairs one step's text
    // with another step's phase.
    const juce::ScopedLock lock (statusLock);
    statusText = text;
    phase.store ((int) newPhase);
}

void RenderJob::run()
{
    auto ownRequests = requests;

    const CancelTest shouldCancel = [this] { return threadShouldExit(); };
    const ProgressCallback sink = [this] (double fraction, const juce::String& text, Phase newPhase)
    {
        publishProgress (fraction, text, newPhase);
    };

    auto report = runQueue (std::move (ownRequests), shouldCancel, sink);

    if (threadShouldExit())
        report.cancelled = true;

    if (onFinished != nullptr)
        onFinished (report);
}

BatchReport RenderJob::runQueue (std::vector<RenderRequest> requestsToRender,
                                 const CancelTest& shouldCancel,
                                 const ProgressCallback& progressCallback)
{
    RenderWorkers workers (machineRenderCapacity());
    return runQueue (std::move (requestsToRender), shouldCancel, progressCallback, workers);
}

BatchReport RenderJob::runQueue (std::vector<RenderRequest> requestsToRender,
                                 const CancelTest& shouldCancel,
                                 const ProgressCallback& progressCallback,
                                 RenderWorkers& workers)
{
    BatchReport report;
    const auto startMs = nowMs();

    if (requestsToRender.empty())
    {
        report.runErrors.add ("There is nothing to render.");
        return report;
    }

    report.outputRoot = requestsToRender.front().exportFolder;

    const auto count = (int) requestsToRender.size();
    double base = 0.0;

    // Buffers one cue has finished with serve the next, for the length of this run.
    RenderBufferPool bufferPool;

    if (usesSharedGain (requestsToRender))
    {
        base = prePassShare;
        const auto& first = requestsToRender.front();
        const bool truePeakMode = first.preset.exportSettings.headroom.peakMode == PeakMode::truePeak;
        double loudest = 0.0;

        for (int i = 0; i < count; ++i)
        {
            if (isCancelled (shouldCancel))
            {
                report.cancelled = true;
                return report;
            }

            auto analysis = requestsToRender[(size_t) i];
            analysis.analysisOnly = true;
            const auto cueName = analysis.cueName;

            RenderContext context (analysis, shouldCancel,
                                   [&] (double x, const juce::String& text, Phase)
                                   {
                                       if (progressCallback != nullptr)
                                           progressCallback ((i + x) * prePassShare / count,
                                                             "Measuring " + cueName + ": " + text,
                                                             Phase::measuring);
                                   },
                                   nullptr, &bufferPool, &workers);

            const auto cue = context.run();

            // A cue stopped half-way has no levels to share.
            if (cue.cancelled)
            {
                report.cancelled = true;
                return report;
            }

            loudest = juce::jmax (loudest, truePeakMode ? cue.mixTruePeak : cue.mixSamplePeak);
        }

        PeakLevels peaks;
        peaks.samplePeak = loudest;
        peaks.truePeak = loudest;

        report.sharedGain = computeGain (peaks, first.preset.exportSettings.headroom);
        report.sharedGainApplied = true;

        for (auto& request : requestsToRender)
        {
            request.fixedGainDb = report.sharedGain.gainDb;
            request.useFixedGain = true;
        }
    }

    // No output of this run may replace another one, even from an earlier cue.
    juce::StringArray writtenThisRun;

    for (int i = 0; i < count; ++i)
    {
        if (isCancelled (shouldCancel))
        {
            report.cancelled = true;
            break;
        }

        const auto& request = requestsToRender[(size_t) i];
        const auto prefix = count >= 2 ? "[" + juce::String (i + 1) + "/" + juce::String (count) + "] "
                                             + request.cueName + ": "
                                       : juce::String();

        RenderContext context (request, shouldCancel,
                               [&] (double x, const juce::String& text, Phase innerPhase)
                               {
                                   if (progressCallback != nullptr)
                                       progressCallback (base + (i + x) * (1.0 - base) / count,
                                                         prefix + text, innerPhase);
                               },
                               &writtenThisRun, &bufferPool, &workers);

        auto cue = context.run();

        if (cue.cancelled)
            report.cancelled = true;

        report.cues.push_back (std::move (cue));
    }

    report.allCompleted = ! report.cancelled && ! report.cues.empty()
                       && std::all_of (report.cues.begin(), report.cues.end(),
                                       [] (const CueReport& cue) { return cue.completed; });
    report.elapsedSeconds = (nowMs() - startMs) / 1000.0;
    return report;
}

} // namespace korvid
