#include "core/render/RenderContext.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/GainDecision.h"
#include "core/audio/PeakLevels.h"
#include "core/audio/StartTrim.h"
#include "core/model/OutputNaming.h"
#include "core/render/OrderedWork.h"
#include "core/report/ReportText.h"

namespace korvid
{

namespace
{
using Phase = RenderJob::Phase;

// The gain is decided on the mix, so stems that partly cancel in it can still go past
// full scale: each file that does says so, whatever the mix's own count. Files of two
// formats share a name, so each is named by its path below the run's folder. Every
// format is held to full scale, float32 included, so each such file was clipped.
void warnOfClippedFiles (CueReport& report, const juce::File& runFolder)
{
    for (const auto& written : report.files)
    {
        if (written.clippedSamples <= 0)
            continue;

        const auto path = written.file.isAChildOf (runFolder)
                              ? written.file.getRelativePathFrom (runFolder).replaceCharacter ('\\', '/')
                              : written.file.getFileName();

        report.warnings.add (juce::String (written.clippedSamples) + " sample(s) of '" + path + "' reach or exceed full scale.");
    }
}
} // namespace

// One piece of writing: a stem, the full mix or an alternative mix, with its files.
struct RenderContext::WritingPiece
{
    enum class Source { stem, fullMix, alternativeMix };

    Source source = Source::stem;
    size_t index = 0;                 // the request stem, or the alternative mix
    bool writesNothing = false;       // a skipped empty stem, or a mix without members
    juce::String warning;             // a mix without members says so
    juce::String error;               // fails the cue before any audio is made
    bool audioReady = false;          // the audio to write was made
    StemRead read;                    // a stem's read, read again
    BufferFiles files;
};

bool RenderContext::writeOutputs()
{
    const auto& settings = request.preset.exportSettings;

    if (! measureGainedMix())
        return false;

    if (cueCancelled())
        return false;

    fileIndices = assignFileIndices (request);
    stemGain = report.gain.linearGain;

    size_t failedMix = 0;
    juce::String error;

    if (! alternativeMixes.start (alternativeMixMembers (request), request.channels, renderLength, bufferPool,
                                  workers, failedMix, error))
    {
        report.errors.add (request.preset.schema.submixes[alternativeMixes.members (failedMix).submixIndex].name
                           + ": " + error);
        return false;
    }

    std::vector<WritingPiece> pieces;

    const auto addPiece = [&pieces] (WritingPiece::Source source, size_t index)
    {
        pieces.emplace_back();
        pieces.back().source = source;
        pieces.back().index = index;
    };

    for (size_t i = 0; i < request.stems.size(); ++i)
        addPiece (WritingPiece::Source::stem, i);

    if (settings.exportFullMix)
        addPiece (WritingPiece::Source::fullMix, 0);

    for (size_t m = 0; m < alternativeMixes.size(); ++m)
        addPiece (WritingPiece::Source::alternativeMix, m);

    if (settings.naming.collisionPolicy == CollisionPolicy::abort && ! checkNamesBeforeWriting (pieces))
    {
        alternativeMixes.release();
        return false;
    }

    bool writtenSoFar = true;
    int finished = 0;

    OrderedSteps steps;
    steps.prepare = [&] (int n) { return prepareWritingPiece (pieces[(size_t) n], n); };
    steps.work = [&] (int n) { writePiece (pieces[(size_t) n], n); };
    steps.finish = [&] (int n)
    {
        // One thread would have stopped at the failure; what was written behind it is
        // listed, since it is on disk, and nothing else of it counts.
        if (! writtenSoFar)
        {
            recordFilesOfLatePiece (pieces[(size_t) n]);
            return false;
        }

        if (! finishWritingPiece (pieces[(size_t) n], n))
        {
            writtenSoFar = false;
            stopPiecesFrom (n + 1);
            return false;
        }

        ++finished;
        return true;
    };

    startStep();
    runInOrder (workers, (int) pieces.size(), piecesAtOnce, steps);
    alternativeMixes.release();
    warnOfClippedFiles (report, request.exportFolder);

    return writtenSoFar && finished == (int) pieces.size();
}

bool RenderContext::measureGainedMix()
{
    const auto& headroom = request.preset.exportSettings.headroom;
    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    const auto linearGain = report.gain.linearGain;
    const CancelTest cancelled = [this] { return cueCancelled(); };

    mix.applyGain (linearGain);

    if (headroom.verifyLevelAfterGain)
    {
        const auto after = measurePeaks (mix, truePeakMode, headroom.truePeakOversampling, cancelled);

        if (cueCancelled())
            return false;

        report.afterGainSamplePeak = after.samplePeak;
        report.afterGainTruePeak = after.truePeak;
        report.levelRemeasured = true;
    }
    else
    {
        report.afterGainSamplePeak = linearGain * report.mixSamplePeak;
        report.afterGainTruePeak = linearGain * report.mixTruePeak;
        report.levelRemeasured = false;
    }

    report.afterGainKnown = true;
    report.clippedSamples = countSamplesAtOrAbove (mix, 1.0, cancelled);

    if (cueCancelled())
        return false;

    if (report.clippedSamples > 0)
        report.warnings.add (juce::String (report.clippedSamples)
                             + " sample(s) reach or exceed full scale after the global gain.");

    return true;
}

bool RenderContext::checkNamesBeforeWriting (const std::vector<WritingPiece>& pieces)
{
    // Aborting on a clash must leave no file of the cue behind, so every name it would
    // write is found, and checked against the disk and the run, before any audio exists.
    // Nothing is reserved or created here: planning each piece does that as it comes.
    auto namesTaken = writtenPaths;
    auto namesInProgress = pathsBeingWritten;
    CueReport unused;
    CueOutput naming { request, unused, namesTaken, {}, &namesInProgress };
    naming.createsFolders = false;

    for (const auto& piece : pieces)
    {
        if (piece.source == WritingPiece::Source::stem && request.stems[piece.index].trackFiles.empty())
        {
            const auto emptyPolicy = request.stems[piece.index].emptyPolicy;

            if (emptyPolicy == EmptyPolicy::failExport)
                break;   // the cue ends at this stem; nothing after it is written

            if (emptyPolicy == EmptyPolicy::skip)
                continue;
        }

        if (piece.source == WritingPiece::Source::alternativeMix && alternativeMixes.members (piece.index).stems.empty())
            continue;

        const auto files = planPieceFiles (piece, naming);

        if (! files.files.empty() && files.files.back().planningError.isNotEmpty())
        {
            report.errors.add (files.files.back().planningError);
            return false;
        }
    }

    return true;
}

BufferFiles RenderContext::planPieceFiles (const WritingPiece& piece, const CueOutput& output) const
{
    using Source = WritingPiece::Source;
    const auto& settings = request.preset.exportSettings;

    switch (piece.source)
    {
        case Source::stem:
        {
            const auto& stem = request.stems[piece.index];
            return planBufferFiles (output, stem.namingTemplate, stem.fileNameToken, stem.shortCode,
                                    fileIndices[piece.index], stem.displayName, FileKind::stem, -400.0, false);
        }

        case Source::fullMix:
        {
            const bool truePeakMode = settings.headroom.peakMode == PeakMode::truePeak;
            const auto chosenPeak = truePeakMode ? report.afterGainTruePeak : report.afterGainSamplePeak;
            const auto level = report.afterGainSamplePeak == 0.0 ? -400.0 : linearPeakToDb (chosenPeak);

            return planBufferFiles (output, settings.naming.mixTemplate, settings.fullMixName, settings.fullMixCode,
                                    settings.fullMixIndex, settings.fullMixName, FileKind::fullMix, level, false);
        }

        case Source::alternativeMix:
        {
            const auto& submix = request.preset.schema.submixes[alternativeMixes.members (piece.index).submixIndex];

            // Mixes are numbered after the full mix, counting only those written.
            int writtenBefore = 0;

            for (size_t m = 0; m < piece.index; ++m)
                if (! alternativeMixes.members (m).stems.empty())
                    ++writtenBefore;

            const auto code = alternativeMixCode (submix);
            return planBufferFiles (output, settings.naming.mixTemplate, submix.name, code,
                                    settings.fullMixIndex + 1 + writtenBefore, submix.name, FileKind::alternativeMix,
                                    -400.0, settings.headroom.submixesReachTargetIndependently);
        }
    }

    return {};
}

PieceStart RenderContext::prepareWritingPiece (WritingPiece& piece, int number)
{
    using Source = WritingPiece::Source;

    // A mix is summed from its members as they are written; it starts once all are in.
    if (piece.source == Source::alternativeMix && ! alternativeMixes.isComplete (piece.index))
        return PieceStart::afterEarlier;

    if (cueCancelled())
        return PieceStart::none;

    switch (piece.source)
    {
        case Source::stem:
        {
            const auto& stem = request.stems[piece.index];

            // Only a stem that writes a file is named: a skipped or failing empty one is not.
            if (stem.trackFiles.empty())
            {
                switch (stem.emptyPolicy)
                {
                    case EmptyPolicy::skip:
                        piece.writesNothing = true;
                        return PieceStart::start;

                    case EmptyPolicy::failExport:
                        piece.error = "Stem '" + stem.displayName + "' is empty.";
                        return PieceStart::startAsLast;

                    case EmptyPolicy::exportSilence:
                        break;
                }
            }

            reportProgress (0.48 + 0.42 * (double) piece.index / (double) juce::jmax ((size_t) 1, request.stems.size()),
                            "Writing " + stem.displayName + "...", Phase::writing);
            borrowIfEmpty (buffersFor (number).audio);
            break;
        }

        case Source::fullMix:
            reportProgress (0.90, "Writing the full mix...", Phase::writing);
            break;

        case Source::alternativeMix:
        {
            const auto& members = alternativeMixes.members (piece.index);
            const auto& submix = request.preset.schema.submixes[members.submixIndex];
            reportProgress (0.92, "Writing " + submix.name + "...", Phase::writing);

            if (members.stems.empty())
            {
                piece.writesNothing = true;
                piece.warning = "Alternative mix '" + submix.name + "' has no stems with audio in them and was not written.";
                return PieceStart::start;
            }

            break;
        }
    }

    piece.files = planPieceFiles (piece, cueOutput());

    // A file that cannot be planned ends the cue once the files before it are written.
    const bool planningFailed = ! piece.files.files.empty() && piece.files.files.back().planningError.isNotEmpty();
    return planningFailed ? PieceStart::startAsLast : PieceStart::start;
}

void RenderContext::writePiece (WritingPiece& piece, int number)
{
    using Source = WritingPiece::Source;

    if (piece.writesNothing || piece.error.isNotEmpty())
        return;

    const auto pieceCancelled = pieceCancelTest (number);

    switch (piece.source)
    {
        case Source::stem:
            writeStemAudio (piece, buffersFor (number), pieceCancelled);
            break;

        case Source::fullMix:
            piece.audioReady = true;
            writeBufferFiles (request, mix, piece.files, pieceCancelled);
            break;

        case Source::alternativeMix:
            writeAlternativeMixAudio (piece, pieceCancelled);
            break;
    }
}

void RenderContext::writeStemAudio (WritingPiece& piece, PieceBuffers& buffers, const CancelTest& pieceCancelled) const
{
    const auto& stem = request.stems[piece.index];

    if (stem.trackFiles.empty())
    {
        if (! prepareRenderBuffer (buffers.audio, request.channels, renderLength, piece.error))
            return;
    }
    else
    {
        if (! readStemTracks (stem, buffers, false, pieceCancelled, piece.read))
            return;

        trimBufferStart (buffers.audio, trimmedFrames, request.sampleRate);
        buffers.audio.applyGain (stemGain);
    }

    piece.audioReady = true;
    writeBufferFiles (request, buffers.audio, piece.files, pieceCancelled);
}

void RenderContext::writeAlternativeMixAudio (WritingPiece& piece, const CancelTest& pieceCancelled)
{
    const auto& headroom = request.preset.exportSettings.headroom;
    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    auto& buffer = alternativeMixes.buffer (piece.index);

    const auto peaks = measurePeaks (buffer, truePeakMode, headroom.truePeakOversampling, pieceCancelled);

    if (korvid::isCancelled (pieceCancelled))
        return;

    double peak = truePeakMode ? peaks.truePeak : peaks.samplePeak;

    if (headroom.submixesReachTargetIndependently)
    {
        const auto gain = computeGain (peaks, headroom);
        buffer.applyGain (gain.linearGain);
        peak *= gain.linearGain;
    }

    piece.files.levelDb = linearPeakToDb (peak);
    piece.audioReady = true;
    writeBufferFiles (request, buffer, piece.files, pieceCancelled);
}

bool RenderContext::finishWritingPiece (WritingPiece& piece, int number)
{
    using Source = WritingPiece::Source;
    const bool isStem = piece.source == Source::stem;

    if (piece.writesNothing)
    {
        if (isStem)
            report.stems[piece.index].skipped = true;
        else
            report.warnings.add (piece.warning);

        return true;
    }

    if (piece.error.isNotEmpty())
    {
        report.errors.add (piece.error);
        return false;
    }

    if (! piece.audioReady)
    {
        if (isStem)
            for (const auto& text : piece.read.errors)
                addStemError (request.stems[piece.index], report.stems[piece.index], text);

        cueCancelled();
        return false;
    }

    const auto filesBefore = report.files.size();
    const bool complete = recordBufferFiles (cueOutput(), piece.files);
    noteOrigins (piece.files, isStem ? request.stems[piece.index].id : juce::String(), piece.source != Source::alternativeMix);

    // Counted on failure too: a stop between two formats leaves the first one's file.
    if (isStem)
        noteStemFiles (piece.index, (int) (report.files.size() - filesBefore));

    if (! complete)
    {
        cueCancelled();
        return false;
    }

    if (isStem)
        alternativeMixes.addStem (piece.index, buffersFor (number).audio);

    return true;
}

void RenderContext::recordFilesOfLatePiece (const WritingPiece& piece)
{
    int written = 0;

    const auto output = cueOutput();

    for (const auto& planned : piece.files.files)
    {
        settleReservedName (output, planned);

        if (! planned.written)
            continue;

        report.files.push_back (planned.result);
        ++written;
    }

    const bool isStem = piece.source == WritingPiece::Source::stem;
    noteOrigins (piece.files, isStem ? request.stems[piece.index].id : juce::String(),
                 piece.source != WritingPiece::Source::alternativeMix);

    if (isStem)
        noteStemFiles (piece.index, written);
}

void RenderContext::noteStemFiles (size_t stemIndex, int written)
{
    // The reports number a stem only from here, once its files are listed: a planned
    // number may be on a file of an earlier delivery in the same folder.
    auto& stem = report.stems[stemIndex];
    stem.filesWritten = written;
    stem.fileNumber = written > 0 ? fileIndices[stemIndex] : 0;
}

void RenderContext::noteOrigins (const BufferFiles& files, const juce::String& stemId, bool knownEntry)
{
    // The files were listed in entry order, each written entry adding one.
    for (const auto& planned : files.files)
        if (planned.written && fileOrigins.size() < report.files.size())
            fileOrigins.push_back (knownEntry ? WrittenFileOrigin { planned.position, stemId } : WrittenFileOrigin {});

    // Alternative mixes take no part in the check; their origin stays unknown.
    fileOrigins.resize (report.files.size());
}

} // namespace korvid
