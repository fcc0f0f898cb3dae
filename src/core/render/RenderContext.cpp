#include "core/render/RenderContext.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/ExpectedResidual.h"
#include "core/audio/GainDecision.h"
#include "core/audio/LeadingSilence.h"
#include "core/audio/PeakLevels.h"
#include "core/audio/ReconstructionCheck.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/StartTrim.h"
#include "core/audio/WaveformOverview.h"
#include "core/audio/ZeroCrossing.h"
#include "core/model/PresetChecks.h"
#include "core/render/OutputFiles.h"
#include "core/render/RenderMemory.h"
#include "core/report/ReportText.h"

#include <cmath>

namespace korvid
{

namespace
{
using Phase = RenderJob::Phase;

constexpr float leadingSilenceThreshold = 0.0002f;
constexpr int gatedTrackOverviewBuckets = 3000;

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

bool isMemberOfAnyMix (const Preset& preset, const juce::String& stemId)
{
    for (const auto& submix : preset.schema.submixes)
        if (submix.stems.contains (stemId))
            return true;

    return false;
}
} // namespace

RenderContext::RenderContext (const RenderRequest& requestToRender,
                              CancelTest cancelTest,
                              RenderJob::ProgressCallback progressCallback,
                              juce::StringArray* runWrittenPaths,
                              RenderBufferPool* runBufferPool)
    : request (requestToRender),
      shouldCancel (std::move (cancelTest)),
      progress (std::move (progressCallback)),
      writtenPaths (runWrittenPaths != nullptr ? *runWrittenPaths : ownWrittenPaths),
      bufferPool (runBufferPool)
{
}

RenderContext::~RenderContext()
{
    giveBack (mix);
    giveBack (stemWork);
    giveBack (trackWork);
    giveBack (conversionWork);
    releaseKeptStems();
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

    if (! sumStems())
    {
        finish (startMs);
        return report;
    }

    if (request.analysisOnly)
    {
        report.completed = ! isCancelled();
        finish (startMs);
        return report;
    }

    if (! writeOutputs())
    {
        finish (startMs);
        return report;
    }

    verifyReconstruction();
    report.completed = ! isCancelled() && report.errors.isEmpty();
    finish (startMs);
    return report;
}

//==============================================================================
void RenderContext::listPlannedStems()
{
    // Every stem is listed from the start, so a cue that stops early still reports
    // the stems it was asked for; each one's figures and files fill in as it is reached.
    for (const auto& stem : request.stems)
    {
        StemResult planned;
        planned.stemId = stem.id;
        planned.displayName = stem.displayName;
        planned.index = stem.index;
        planned.trackCount = (int) stem.trackFiles.size();
        planned.empty = stem.trackFiles.empty();
        planned.digitalSilence = planned.empty;
        report.stems.push_back (planned);
    }
}

bool RenderContext::sumStems()
{
    juce::String error;

    // One check for everything the cue will hold, before the first buffer is allocated.
    borrowIfEmpty (mix);

    if (! checkCueRenderMemory (request, error) || ! prepareRenderBuffer (mix, request.channels, request.lengthFrames, error))
    {
        report.errors.add (error);
        return false;
    }

    const auto& settings = request.preset.exportSettings;
    const auto stemCount = request.stems.size();

    for (size_t i = 0; i < stemCount; ++i)
    {
        const auto& stem = request.stems[i];

        if (isCancelled())
            return false;

        reportProgress (0.02 + 0.43 * (double) i / (double) juce::jmax ((size_t) 1, stemCount),
                        "Summing " + stem.displayName + "...", Phase::summing);

        if (stem.trackFiles.empty())
            continue;

        auto& result = report.stems[i];

        if (! readStemTracks (stem, stemWork, result, true))
            return false;

        const auto peak = samplePeak (stemWork, latchedCancelTest());

        if (isCancelled())
            return false;

        result.peakBeforeDb = linearPeakToDb (peak);
        result.digitalSilence = peak == 0.0;
        result.measured = true;

        if (peak == 0.0)
            report.warnings.add ("Stem '" + stem.displayName + "' has tracks assigned but is digital silence.");

        mixBufferInto (mix, stemWork);

        // A stem an alternative mix needs is held until the mixes are written anyway, so
        // it is kept from here instead of being read a second time for writing.
        if (keepsForAlternativeMixes (stem))
            keptStems[stem.id] = std::move (stemWork);
    }

    if (isCancelled())
        return false;

    const auto rate = request.sampleRate;
    report.leadingSilenceSeconds = leadingSilenceSeconds (mix, rate, leadingSilenceThreshold);

    if (request.trimStartSeconds > 0.0)
    {
        trimmedFrames = findZeroCrossingNear (mix, rate, request.trimStartSeconds);
        report.trimmedSeconds = rate > 0.0 ? (double) trimmedFrames / rate : 0.0;

        if (trimmedFrames > 0)
        {
            trimBufferStart (mix, trimmedFrames, rate);
            report.lengthFrames = mix.getNumSamples();
        }
    }

    renderLength = request.lengthFrames - trimmedFrames;

    reportProgress (0.46, "Measuring the mix...", Phase::measuring);

    const auto& headroom = settings.headroom;
    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    report.peakMode = headroom.peakMode;

    const auto peaks = measurePeaks (mix, truePeakMode, headroom.truePeakOversampling, latchedCancelTest());

    if (isCancelled())
        return false;

    report.mixSamplePeak = peaks.samplePeak;
    report.mixTruePeak = peaks.truePeak;

    if (request.useFixedGain)
    {
        GainDecision gain;
        gain.targetDb = headroom.targetDb;
        gain.measuredDb = peaks.samplePeak == 0.0 ? -400.0
                                                  : linearPeakToDb (truePeakMode ? peaks.truePeak : peaks.samplePeak);
        gain.gainDb = request.fixedGainDb;
        gain.linearGain = request.fixedGainDb <= -400.0 ? 0.0 : std::pow (10.0, request.fixedGainDb / 20.0);
        gain.predictedDb = request.fixedGainDb + gain.measuredDb;
        gain.silent = peaks.samplePeak == 0.0;
        gain.heldByAttenuateOnly = false;
        report.gain = gain;
    }
    else
    {
        report.gain = computeGain (peaks, headroom);
    }

    report.levelsMeasured = true;

    for (auto& stem : report.stems)
        stem.peakAfterDb = stem.peakBeforeDb <= -399.0 ? -400.0 : stem.peakBeforeDb + report.gain.gainDb;

    if (report.gain.silent)
        report.warnings.add ("The full mix is silent; no gain was applied.");

    return true;
}

bool RenderContext::readStemTracks (const RequestStem& stem, juce::AudioBuffer<double>& stemBuffer,
                                    StemResult& result, bool recordGateResults)
{
    juce::String error;
    borrowIfEmpty (stemBuffer);

    if (! prepareRenderBuffer (stemBuffer, request.channels, request.lengthFrames, error))
    {
        addStemError (stem, result, error);
        return false;
    }

    const auto rate = request.sampleRate;
    const auto& gate = request.preset.exportSettings.silenceGate;

    for (const auto& file : stem.trackFiles)
    {
        if (isCancelled())
            return false;

        // A file at a higher rate than the project takes more memory than the cue's own
        // check foresaw; refuse it before the reader allocates.
        AudioFileInfo info;
        juce::String probeError;

        if (probeAudioFile (file, info, probeError)
            && ! checkTrackReadMemory (info, rate, heldAudioBytes (stemBuffer), error))
        {
            addStemError (stem, result, file.getFileName() + ": " + error);
            return false;
        }

        auto& track = trackWork;
        borrowIfEmpty (track);

        if (std::abs (info.sampleRate - rate) > 0.5)
            borrowIfEmpty (conversionWork);

        if (! readAudioFileIntoReusedBuffer (file, rate, track, error, renderFrameLimit, latchedCancelTest(),
                                             &conversionWork))
        {
            // A read stopped by the cancel is no fault of the file.
            if (! isCancelled())
                addStemError (stem, result, file.getFileName() + ": " + error);

            return false;
        }

        if (track.getNumChannels() > request.channels)
        {
            addStemError (stem, result, file.getFileName() + " has more channels than the project.");
            return false;
        }

        const auto gated = gateSilence (track, rate, gate, latchedCancelTest());

        if (isCancelled())
            return false;

        if (gate.enabled && recordGateResults)
        {
            GatedTrack entry;
            entry.file = file;
            entry.fileName = file.getFileName();
            entry.stemName = stem.displayName;
            entry.gatedRuns = gated.gatedRuns;
            entry.gatedSeconds = rate > 0.0 ? (double) gated.gatedFrames / rate : 0.0;
            entry.lengthSeconds = rate > 0.0 ? (double) track.getNumSamples() / rate : 0.0;
            entry.wholeFileSilent = gated.wholeFileSilent;
            entry.regions = gated.regions;
            entry.overview = makeWaveformOverview (track, rate, gatedTrackOverviewBuckets, latchedCancelTest());

            if (isCancelled())
                return false;

            report.gatedTracks.push_back (std::move (entry));

            if (gated.wholeFileSilent)
                report.warnings.add ("'" + file.getFileName()
                                     + "' was below the silence threshold from start to finish and is now digital silence.");
        }

        mixBufferInto (stemBuffer, track);
    }

    return true;
}

//==============================================================================
bool RenderContext::writeOutputs()
{
    const auto& settings = request.preset.exportSettings;
    const auto& headroom = settings.headroom;
    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    const auto linearGain = report.gain.linearGain;

    mix.applyGain (linearGain);

    if (headroom.verifyLevelAfterGain)
    {
        const auto after = measurePeaks (mix, truePeakMode, headroom.truePeakOversampling, latchedCancelTest());

        if (isCancelled())
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

    report.clippedSamples = countSamplesAtOrAbove (mix, 1.0, latchedCancelTest());

    if (isCancelled())
        return false;

    if (report.clippedSamples > 0)
        report.warnings.add (juce::String (report.clippedSamples)
                             + " sample(s) reach or exceed full scale after the global gain.");

    assignFileIndices();

    for (size_t i = 0; i < request.stems.size(); ++i)
        if (! writeStem (i))
            return false;

    if (isCancelled())
        return false;

    if (settings.exportFullMix)
    {
        reportProgress (0.90, "Writing the full mix...", Phase::writing);

        const auto chosenPeak = truePeakMode ? report.afterGainTruePeak : report.afterGainSamplePeak;
        const auto level = report.afterGainSamplePeak == 0.0 ? -400.0 : linearPeakToDb (chosenPeak);

        if (! writeOutputFile (mix, settings.naming.mixTemplate, settings.fullMixName, settings.fullMixCode,
                               settings.fullMixIndex, settings.fullMixName, FileKind::fullMix, level, false, {}))
            return false;
    }

    if (! writeAlternativeMixes())
        return false;

    releaseKeptStems();
    return true;
}

bool RenderContext::writeStem (size_t stemIndex)
{
    const auto& stem = request.stems[stemIndex];
    auto& result = report.stems[stemIndex];

    if (isCancelled())
        return false;

    reportProgress (0.48 + 0.42 * (double) stemIndex / (double) juce::jmax ((size_t) 1, request.stems.size()),
                    "Writing " + stem.displayName + "...", Phase::writing);

    juce::AudioBuffer<double> taken;
    auto* audio = &stemWork;
    juce::String error;

    if (stem.trackFiles.empty())
    {
        switch (stem.emptyPolicy)
        {
            case EmptyPolicy::skip:
                result.skipped = true;
                return true;

            case EmptyPolicy::failExport:
                report.errors.add ("Stem '" + stem.displayName + "' is empty.");
                return false;

            case EmptyPolicy::exportSilence:
                borrowIfEmpty (stemWork);

                if (! prepareRenderBuffer (stemWork, request.channels, renderLength, error))
                {
                    report.errors.add (error);
                    return false;
                }
                break;
        }
    }
    else
    {
        if (const auto kept = keptStems.find (stem.id); kept != keptStems.end())
        {
            taken = std::move (kept->second);
            keptStems.erase (kept);
            audio = &taken;
        }
        else if (! readStemTracks (stem, stemWork, result, false))
        {
            return false;
        }

        trimBufferStart (*audio, trimmedFrames, request.sampleRate);
        audio->applyGain (report.gain.linearGain);
    }

    const auto filesBefore = report.files.size();
    const bool written = writeOutputFile (*audio, stem.namingTemplate, stem.fileNameToken, stem.shortCode,
                                          fileIndices[stemIndex], stem.displayName, FileKind::stem, -400.0, false,
                                          stem.id);
    // Counted on failure too: a stop between two formats leaves the first one's file.
    result.filesWritten = (int) (report.files.size() - filesBefore);

    if (! written)
        return false;

    if (request.preset.exportSettings.exportSubmixes && isMemberOfAnyMix (request.preset, stem.id))
        keptStems[stem.id] = std::move (*audio);
    else if (audio == &taken)
        giveBack (taken);

    return true;
}

bool RenderContext::keepsForAlternativeMixes (const RequestStem& stem) const
{
    return ! request.analysisOnly && request.preset.exportSettings.exportSubmixes
        && isMemberOfAnyMix (request.preset, stem.id);
}

//==============================================================================
void RenderContext::verifyReconstruction()
{
    auto& check = report.reconstruction;

    if (isCancelled())
    {
        check.state = ReconstructionResult::State::skipped;
        check.detail = "The render was cancelled.";
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
    // The cue's own buffers are done with once every file is written.
    borrowIfEmpty (stemWork);
    check = verifyWrittenFiles (inputs.stemFiles, inputs.mixFile, tolerance, latchedCancelTest(),
                                { mix, stemWork, trackWork });

    if (isCancelled())
    {
        check.state = ReconstructionResult::State::skipped;
        check.detail = "The render was cancelled.";
        return;
    }

    if (check.state == ReconstructionResult::State::failed)
        report.errors.add ("Reconstruction check failed: " + check.detail);

    reportProgress (0.99, "Verification finished.", Phase::verifying);
}

void RenderContext::finish (double startMs)
{
    report.elapsedSeconds = (nowMs() - startMs) / 1000.0;
    reportProgress (1.0, report.cancelled ? "Cancelled." : "Finished.", Phase::finished);
}

bool RenderContext::isCancelled()
{
    if (report.cancelled)
        return true;

    if (shouldCancel != nullptr && shouldCancel())
    {
        report.cancelled = true;
        return true;
    }

    return false;
}

//==============================================================================
bool RenderContext::writeOutputFile (const juce::AudioBuffer<double>& buffer, const juce::String& namingTemplate,
                                     const juce::String& fileNameToken, const juce::String& shortCode, int fileIndex,
                                     const juce::String& label, FileKind kind, double levelDb, bool ownGain,
                                     const juce::String& stemId)
{
    const CueOutput output { request, report, writtenPaths, latchedCancelTest() };
    const auto filesBefore = report.files.size();

    const bool written = korvid::writeOutputFile (output, buffer, namingTemplate, fileNameToken, shortCode,
                                                  fileIndex, label, kind, levelDb, ownGain);

    // The entries are written in list order and each adds one file, so the n-th new file
    // belongs to the n-th enabled entry.
    const auto& formats = request.preset.exportSettings.formats;
    const auto considered = juce::jmin ((int) formats.size(), writtenFormatCount);
    fileOrigins.resize (filesBefore);

    for (int i = 0; i < considered && fileOrigins.size() < report.files.size(); ++i)
        if (formats[(size_t) i].enabled)
            fileOrigins.push_back ({ i + 1, stemId });

    noteOriginsOfNewFiles();
    return written;
}

void RenderContext::assignFileIndices()
{
    fileIndices = korvid::assignFileIndices (request);
}

bool RenderContext::writeAlternativeMixes()
{
    // The full mix is written by now, so its buffer sums the alternative mixes.
    const CueOutput output { request, report, writtenPaths, latchedCancelTest(), &mix };

    const bool written = korvid::writeAlternativeMixes (output, keptStems, renderLength,
                                                        [this] (double fraction, const juce::String& text)
                                                        {
                                                            reportProgress (fraction, text, Phase::writing);
                                                        });
    noteOriginsOfNewFiles();
    return written;
}

//==============================================================================
void RenderContext::reportProgress (double fraction, const juce::String& text, RenderJob::Phase phase)
{
    if (progress != nullptr)
        progress (fraction, text, phase);
}

CancelTest RenderContext::latchedCancelTest()
{
    return [this] { return isCancelled(); };
}

void RenderContext::addStemError (const RequestStem& stem, StemResult& result, const juce::String& text)
{
    result.errors.add (text);
    report.errors.add (stem.displayName + ": " + text);
}

juce::int64 RenderContext::heldAudioBytes (const juce::AudioBuffer<double>& stemBuffer) const
{
    const auto bytesOf = [] (const juce::AudioBuffer<double>& buffer)
    {
        return audioBufferBytes (buffer.getNumChannels(), buffer.getNumSamples(), (int) sizeof (double));
    };

    auto held = bytesOf (mix) + bytesOf (stemBuffer);

    for (const auto& kept : keptStems)
        held += bytesOf (kept.second);

    return held;
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

void RenderContext::releaseKeptStems()
{
    for (auto& kept : keptStems)
        giveBack (kept.second);

    keptStems.clear();
}

void RenderContext::noteOriginsOfNewFiles()
{
    // Alternative mixes take no part in the check; their origin stays unknown.
    if (fileOrigins.size() < report.files.size())
        fileOrigins.resize (report.files.size());
}

} // namespace korvid
