#include "core/render/RenderContext.h"

#include "core/audio/AudioLimits.h"
#include "core/audio/AudioReading.h"
#include "core/audio/ExpectedResidual.h"
#include "core/audio/ReconstructionCheck.h"
#include "core/render/OrderedWork.h"

namespace korvid
{

namespace
{
using Phase = RenderJob::Phase;

// One file read back by the check.
struct ReadBack
{
    bool read = false;
    juce::String error;
};
} // namespace

void RenderContext::verifyReconstruction()
{
    auto& check = report.reconstruction;

    const auto skipAsCancelled = [&check]
    {
        check.state = ReconstructionResult::State::skipped;
        check.detail = "The render was cancelled.";
    };

    if (cueCancelled())
    {
        skipAsCancelled();
        return;
    }

    reportProgress (0.93, "Verifying that the stems reconstruct the mix...", Phase::verifying);

    // The files compared and the tolerance both come from one format entry, so the
    // residual is held against the word length and dither those files really have.
    const auto inputs = chooseReconstructionInputs (request, report.files, fileOrigins);

    if (! inputs.hasMix())
    {
        check.state = ReconstructionResult::State::skipped;
        check.detail = "No lossless full mix was written at the project sample rate.";
        return;
    }

    const auto tolerance = expectedResidualDb (inputs.bits, (int) inputs.stemFiles.size(), inputs.dither);

    if (inputs.stemFiles.empty())
    {
        check = nothingToVerify (tolerance);
        return;
    }

    // The mix read back goes into the mix's own buffer, done with once every file is
    // written; the stems are read side by side and summed in their order.
    borrowIfEmpty (checkSum);
    WrittenFilesCheck files (tolerance, checkSum);
    std::vector<ReadBack> readBacks (inputs.stemFiles.size() + 1);
    bool checkedSoFar = true;

    const auto bufferOf = [this] (int piece) -> juce::AudioBuffer<double>&
    {
        return piece == 0 ? mix : buffersFor (piece).audio;
    };

    OrderedSteps steps;

    steps.prepare = [&] (int piece)
    {
        if (cueCancelled())
            return PieceStart::none;

        if (piece > 0)
            borrowIfEmpty (bufferOf (piece));

        return PieceStart::start;
    };

    steps.work = [&] (int piece)
    {
        const auto& file = piece == 0 ? inputs.mixFile : inputs.stemFiles[(size_t) piece - 1];
        auto& readBack = readBacks[(size_t) piece];
        readBack.read = readAudioFileIntoReusedBuffer (file, 0.0, bufferOf (piece), readBack.error, renderFrameLimit,
                                                       pieceCancelTest (piece));
    };

    steps.finish = [&] (int piece)
    {
        const auto& readBack = readBacks[(size_t) piece];

        if (! checkedSoFar || (! readBack.read && cueCancelled()))
            return false;

        checkedSoFar = piece == 0 ? files.takeMix (readBack.read, mix, readBack.error)
                                  : files.takeStem (inputs.stemFiles[(size_t) piece - 1], readBack.read,
                                                    bufferOf (piece), readBack.error);

        if (! checkedSoFar)
            stopPiecesFrom (piece + 1);

        return checkedSoFar;
    };

    startStep();
    runInOrder (workers, (int) readBacks.size(), piecesAtOnce, steps);

    if (cueCancelled())
    {
        check = cancelledReconstruction (tolerance);
        return;
    }

    check = checkedSoFar ? files.finish (mix, [this] { return cueCancelled(); }) : files.result;

    if (cueCancelled())
    {
        skipAsCancelled();
        return;
    }

    if (check.state == ReconstructionResult::State::failed)
        report.errors.add ("Reconstruction check failed: " + check.detail);

    reportProgress (0.99, "Verification finished.", Phase::verifying);
}

} // namespace korvid
