#include "core/render/RenderContext.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioLimits.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/GainDecision.h"
#include "core/audio/LeadingSilence.h"
#include "core/audio/PeakLevels.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/StartTrim.h"
#include "core/audio/WaveformOverview.h"
#include "core/audio/ZeroCrossing.h"
#include "core/render/OrderedWork.h"
#include "core/render/RenderBufferClearing.h"
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

// "now X, was Y"; exact figures when the rounded texts would read alike.
juce::String nowAndThen (const juce::String& nowText, const juce::String& thenText,
                         const juce::String& nowExact, const juce::String& thenExact, const juce::String& suffix = {})
{
    const bool alike = nowText == thenText;
    return "now " + (alike ? nowExact : nowText) + suffix + ", was " + (alike ? thenExact : thenText);
}

// The render was planned from the track as it was imported: its length, rate and width
// fix the cue's length and channels. A file bounced again since then would be cut short
// or padded without a word, so it is refused with what changed; empty when nothing did.
juce::String changeSinceImport (const juce::File& file, const AudioFileInfo& imported, const AudioFileInfo& now)
{
    juce::StringArray changes;

    if (now.lengthInSamples != imported.lengthInSamples)
        changes.add (nowAndThen (now.durationText(), imported.durationText(),
                                 juce::String (now.lengthInSamples) + " samples",
                                 juce::String (imported.lengthInSamples) + " samples", " long"));

    if (now.sampleRate != imported.sampleRate)
        changes.add (nowAndThen (now.sampleRateText(), imported.sampleRateText(),
                                 juce::String (now.sampleRate) + " Hz", juce::String (imported.sampleRate) + " Hz"));

    if (now.numChannels != imported.numChannels)
        changes.add (nowAndThen (now.channelsText(), imported.channelsText(),
                                 juce::String (now.numChannels), juce::String (imported.numChannels)));

    if (changes.isEmpty())
        return {};

    return "'" + file.getFileName() + "' has changed since it was imported (" + changes.joinIntoString ("; ")
         + "); remove it from the track list and import it again.";
}
} // namespace

// What one piece of summing hands back: a stem read and measured.
struct RenderContext::SummedStem
{
    bool measured = false;
    double peak = 0.0;
    StemRead read;
};

void RenderContext::listPlannedStems()
{
    // Every stem is listed from the start, so a cue that stops early still reports
    // the stems it was asked for; each one's figures, files and number fill in as it is
    // reached.
    for (size_t i = 0; i < request.stems.size(); ++i)
    {
        const auto& stem = request.stems[i];
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
    size_t failed = 0;
    borrowIfEmpty (mix);

    if (! prepareRenderBuffers (workers, { &mix }, request.channels, request.lengthFrames, failed, error))
    {
        report.errors.add (error);
        return false;
    }

    const auto stemCount = request.stems.size();
    std::vector<SummedStem> summed (stemCount);
    bool summedSoFar = true;

    OrderedSteps steps;

    steps.prepare = [&] (int i)
    {
        const auto& stem = request.stems[(size_t) i];

        if (cueCancelled())
            return PieceStart::none;

        // A stem without tracks in this cue is not summed, so it is not named either.
        if (stem.trackFiles.empty())
            return PieceStart::start;

        reportProgress (0.02 + 0.43 * (double) i / (double) juce::jmax ((size_t) 1, stemCount),
                        "Summing " + stem.displayName + "...", Phase::summing);
        borrowIfEmpty (buffersFor (i).audio);
        return PieceStart::start;
    };

    steps.work = [&] (int i)
    {
        const auto& stem = request.stems[(size_t) i];

        if (stem.trackFiles.empty())
            return;

        auto& piece = summed[(size_t) i];
        auto& buffers = buffersFor (i);
        const auto pieceCancelled = pieceCancelTest (i);

        if (! readStemTracks (stem, buffers, true, pieceCancelled, piece.read))
            return;

        piece.peak = samplePeak (buffers.audio, pieceCancelled);
        piece.measured = ! korvid::isCancelled (pieceCancelled);
    };

    steps.finish = [&] (int i)
    {
        // Whatever a piece behind a failure did, one thread would never have got there.
        if (! summedSoFar)
            return false;

        const auto& stem = request.stems[(size_t) i];

        if (stem.trackFiles.empty())
            return true;

        auto& piece = summed[(size_t) i];
        auto& result = report.stems[(size_t) i];

        for (auto& gated : piece.read.gatedTracks)
            report.gatedTracks.push_back (std::move (gated));

        report.warnings.addArray (piece.read.warnings);

        for (const auto& text : piece.read.errors)
            addStemError (stem, result, text);

        // Asked first, so a piece that stopped for the cancel leaves the cue cancelled.
        const bool cancelled = cueCancelled();

        if (cancelled || ! piece.read.errors.isEmpty() || ! piece.measured)
        {
            summedSoFar = false;
            stopPiecesFrom (i + 1);
            return false;
        }

        result.peakBeforeDb = linearPeakToDb (piece.peak);
        result.digitalSilence = piece.peak == 0.0;
        result.measured = true;

        if (piece.peak == 0.0)
            report.warnings.add ("Stem '" + stem.displayName + "' has tracks assigned but is digital silence.");

        mixBufferInto (mix, buffersFor (i).audio);
        return true;
    };

    startStep();
    runInOrder (workers, (int) stemCount, piecesAtOnce, steps);

    if (! summedSoFar || cueCancelled())
        return false;

    return measureMix();
}

bool RenderContext::measureMix()
{
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

    const auto& headroom = request.preset.exportSettings.headroom;
    const bool truePeakMode = headroom.peakMode == PeakMode::truePeak;
    report.peakMode = headroom.peakMode;

    const auto peaks = measurePeaks (mix, truePeakMode, headroom.truePeakOversampling, [this] { return cueCancelled(); });

    if (cueCancelled())
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

bool RenderContext::readStemTracks (const RequestStem& stem, PieceBuffers& buffers, bool recordGateResults,
                                    const CancelTest& pieceCancelled, StemRead& read) const
{
    juce::String error;
    auto& stemBuffer = buffers.audio;

    // Sized but not cleared: the first track fills it, or it is cleared before that track.
    if (! sizeRenderBuffer (stemBuffer, request.channels, request.lengthFrames, error))
    {
        read.errors.add (error);
        return false;
    }

    bool blank = true;

    const auto rate = request.sampleRate;
    const auto& gate = request.preset.exportSettings.silenceGate;

    // Everything the cue may hold while this piece reads, but this read itself.
    const auto heldBytes = cueRenderMemoryBytes (request, piecesAtOnce) - trackReadAllowance (request);

    for (size_t t = 0; t < stem.trackFiles.size(); ++t)
    {
        const auto& file = stem.trackFiles[t];

        if (korvid::isCancelled (pieceCancelled))
            return false;

        AudioFileInfo info;
        juce::String probeError;
        const bool probed = probeAudioFile (file, info, probeError);

        if (probed && t < stem.trackInfos.size())
        {
            const auto change = changeSinceImport (file, stem.trackInfos[t], info);

            if (change.isNotEmpty())
            {
                read.errors.add (change);
                return false;
            }
        }

        // A file at a higher rate than the project takes more memory than the cue's own
        // check foresaw; refuse it before the reader allocates.
        if (probed && ! checkTrackReadMemory (info, rate, heldBytes, workers.capacity().memoryBudgetBytes, error))
        {
            read.errors.add (file.getFileName() + ": " + error);
            return false;
        }

        // Without a gate the file is added straight into the stem, block by block (converted
        // block by block when its rate differs), exactly as a whole read added afterwards.
        const bool addsDirectly = probed && ! gate.enabled && info.numChannels <= request.channels;

        if (addsDirectly)
        {
            if (! addAudioFileInto (file, rate, stemBuffer, error, renderFrameLimit, pieceCancelled,
                                    blank ? AddOnto::nothing : AddOnto::content, &buffers.sourceRate))
            {
                // A read stopped by the cancel is no fault of the file.
                if (! korvid::isCancelled (pieceCancelled))
                    read.errors.add (file.getFileName() + ": " + error);

                return false;
            }

            blank = false;
            continue;
        }

        if (blank)
        {
            stemBuffer.clear();
            blank = false;
        }

        auto& track = buffers.track;

        if (! readAudioFileIntoReusedBuffer (file, rate, track, error, renderFrameLimit, pieceCancelled,
                                             &buffers.sourceRate))
        {
            if (! korvid::isCancelled (pieceCancelled))
                read.errors.add (file.getFileName() + ": " + error);

            return false;
        }

        if (track.getNumChannels() > request.channels)
        {
            read.errors.add (file.getFileName() + " has more channels than the project.");
            return false;
        }

        const auto gated = gateSilence (track, rate, gate, pieceCancelled);

        if (korvid::isCancelled (pieceCancelled))
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
            entry.overview = makeWaveformOverview (track, rate, gatedTrackOverviewBuckets, pieceCancelled);

            if (korvid::isCancelled (pieceCancelled))
                return false;

            read.gatedTracks.push_back (std::move (entry));

            if (gated.wholeFileSilent)
                read.warnings.add ("'" + file.getFileName()
                                   + "' was below the silence threshold from start to finish and is now digital silence.");
        }

        mixBufferInto (stemBuffer, track);
    }

    if (blank)
        stemBuffer.clear();

    return true;
}

} // namespace korvid
