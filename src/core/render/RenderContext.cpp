#include "core/render/RenderContext.h"

#include "core/audio/AudioMemoryBudget.h"
#include "core/render/RenderMemory.h"

namespace korvid
{

namespace
{
using Phase = RenderJob::Phase;

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}
} // namespace

RenderContext::RenderContext (const RenderRequest& requestToRender,
                              CancelTest cancelTest,
                              RenderJob::ProgressCallback progressCallback,
                              juce::StringArray* runWrittenPaths,
                              RenderBufferPool* runBufferPool,
                              RenderWorkers* runWorkers)
    : request (requestToRender),
      shouldCancel (std::move (cancelTest)),
      progress (std::move (progressCallback)),
      writtenPaths (runWrittenPaths != nullptr ? *runWrittenPaths : ownWrittenPaths),
      bufferPool (runBufferPool),
      ownWorkers (runWorkers == nullptr ? std::make_unique<RenderWorkers> (RenderCapacity { 1, audioMemoryBudgetBytes() })
                                        : nullptr),
      workers (runWorkers != nullptr ? *runWorkers : *ownWorkers)
{
}

RenderContext::~RenderContext()
{
    giveBack (mix);
    giveBack (checkSum);

    for (auto& buffers : pieceBuffers)
    {
        giveBack (buffers.audio);
        giveBack (buffers.track);
        giveBack (buffers.sourceRate);
    }
}

//==============================================================================
CueReport RenderContext::run()
{
    const auto startMs = nowMs();

    report.channels = request.channels;
    report.lengthFrames = request.lengthFrames;
    report.sampleRate = request.sampleRate;
    report.unassignedTracks = request.unassignedTracks;
    report.cueName = request.cueName;
    report.cueId = request.cueId;
    report.sourceFolder = request.sourceFolder;
    report.outputFolder = request.outputFolder;
    listPlannedStems();

    const auto validation = validateRenderRequest (request);
    report.warnings.addArray (validation.warnings);

    if (! validation.errors.isEmpty())
    {
        report.errors.addArray (validation.errors);
        finish (startMs);
        return report;
    }

    // As many pieces at once as there are workers and the budget has room for; the check
    // refuses the cue when not even one fits.
    juce::String error;
    const auto budget = workers.capacity().memoryBudgetBytes;

    if (! checkCueRenderMemory (request, budget, error))
    {
        report.errors.add (error);
        finish (startMs);
        return report;
    }

    piecesAtOnce = juce::jmax (1, piecesThatFit (request, budget, workers.capacity().workers));
    pieceBuffers.resize ((size_t) piecesAtOnce);

    if (! sumStems())
    {
        finish (startMs);
        return report;
    }

    if (request.analysisOnly)
    {
        report.completed = ! cueCancelled();
        finish (startMs);
        return report;
    }

    if (! writeOutputs())
    {
        finish (startMs);
        return report;
    }

    verifyReconstruction();
    report.completed = ! cueCancelled() && report.errors.isEmpty();
    finish (startMs);
    return report;
}

void RenderContext::finish (double startMs)
{
    report.elapsedSeconds = (nowMs() - startMs) / 1000.0;
    reportProgress (1.0, report.cancelled ? "Cancelled." : "Finished.", Phase::finished);
}

//==============================================================================
bool RenderContext::cueCancelled()
{
    if (report.cancelled)
        return true;

    if (cancelRequested())
    {
        report.cancelled = true;
        return true;
    }

    return false;
}

bool RenderContext::cancelRequested()
{
    if (cancelSeen.load())
        return true;

    const std::lock_guard<std::mutex> lock (cancelTestLock);

    if (cancelSeen.load())
        return true;

    if (shouldCancel != nullptr && shouldCancel())
    {
        cancelSeen = true;
        return true;
    }

    return false;
}

CancelTest RenderContext::pieceCancelTest (int piece)
{
    return [this, piece] { return piece >= firstStoppedPiece.load() || cancelRequested(); };
}

void RenderContext::stopPiecesFrom (int piece)
{
    auto first = firstStoppedPiece.load();

    while (piece < first && ! firstStoppedPiece.compare_exchange_weak (first, piece))
    {
    }
}

void RenderContext::startStep()
{
    firstStoppedPiece = std::numeric_limits<int>::max();
}

CueOutput RenderContext::cueOutput()
{
    return { request, report, writtenPaths, [this] { return cueCancelled(); }, &pathsBeingWritten, &sweptFolders };
}

//==============================================================================
void RenderContext::reportProgress (double fraction, const juce::String& text, RenderJob::Phase phase)
{
    if (progress != nullptr)
        progress (fraction, text, phase);
}

void RenderContext::addStemError (const RequestStem& stem, StemResult& result, const juce::String& text)
{
    result.errors.add (text);
    report.errors.add (stem.displayName + ": " + text);
}

RenderContext::PieceBuffers& RenderContext::buffersFor (int piece)
{
    // At most `piecesAtOnce` pieces run at once and they finish in order, so a piece never
    // shares its buffers with one still running.
    return pieceBuffers[(size_t) piece % pieceBuffers.size()];
}

void RenderContext::borrowIfEmpty (juce::AudioBuffer<double>& buffer)
{
    if (bufferPool != nullptr && buffer.getNumChannels() == 0)
        buffer = bufferPool->take();
}

void RenderContext::giveBack (juce::AudioBuffer<double>& buffer)
{
    if (bufferPool != nullptr)
        bufferPool->give (std::move (buffer));
    else
        buffer = {};
}

} // namespace korvid
