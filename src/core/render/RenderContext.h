#pragma once

#include "core/audio/CancelTest.h"
#include "core/render/ReconstructionInputs.h"
#include "core/render/RenderBufferPool.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/report/CueReport.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <map>
#include <vector>

namespace korvid
{

/** Renders one request into one cue report: reads and gates the tracks, sums stems and
    the full mix, trims the start, measures and decides the gain, writes every stem and
    mix and checks that the written stems add up to the written mix. Made per request on
    the render thread, run once and dropped, so a cue's audio never outlives it.

    It holds the mix and one stem at a time; a stem an alternative mix needs is kept from
    summing until the mixes are written, every other stem is read again for writing.

    Cancelling is latched: once the cancel test fired the cue is reported cancelled and
    stops at the next cancel point (long reads, gates, measurements and encodes also stop
    within a block), keeping the files it had written. */
class RenderContext
{
public:
    /** The request is kept by reference and must outlive the context; both callbacks may
        be empty. `runWrittenPaths`, when given, lists every file the run has written so
        far: the cue never replaces one of them and adds its own. `runBufferPool`, when
        given, lends buffers earlier cues of the run have finished with. */
    RenderContext (const RenderRequest& requestToRender,
                   CancelTest cancelTest,
                   RenderJob::ProgressCallback progressCallback,
                   juce::StringArray* runWrittenPaths = nullptr,
                   RenderBufferPool* runBufferPool = nullptr);

    /** Hands the cue's buffers to the run's pool, when there is one. */
    ~RenderContext();

    CueReport run();

private:
    void listPlannedStems();
    bool sumStems();
    bool readStemTracks (const RequestStem& stem, juce::AudioBuffer<double>& stemBuffer,
                         StemResult& result, bool recordGateResults);
    bool writeOutputs();
    bool writeStem (size_t stemIndex);
    void verifyReconstruction();
    void finish (double startMs);
    bool isCancelled();

    bool writeOutputFile (const juce::AudioBuffer<double>& buffer, const juce::String& namingTemplate,
                          const juce::String& fileNameToken, const juce::String& shortCode, int fileIndex,
                          const juce::String& label, FileKind kind, double levelDb, bool ownGain,
                          const juce::String& stemId);
    void assignFileIndices();
    bool writeAlternativeMixes();

    void reportProgress (double fraction, const juce::String& text, RenderJob::Phase phase);
    CancelTest latchedCancelTest();
    void addStemError (const RequestStem& stem, StemResult& result, const juce::String& text);
    void noteOriginsOfNewFiles();
    juce::int64 heldAudioBytes (const juce::AudioBuffer<double>& stemBuffer) const;
    void borrowIfEmpty (juce::AudioBuffer<double>& buffer);
    void giveBack (juce::AudioBuffer<double>& buffer);
    void releaseKeptStems();
    bool keepsForAlternativeMixes (const RequestStem& stem) const;

    juce::int64 trimmedFrames = 0;
    juce::int64 renderLength = 0;
    const RenderRequest& request;
    CancelTest shouldCancel;
    RenderJob::ProgressCallback progress;
    juce::AudioBuffer<double> mix;
    juce::StringArray ownWrittenPaths;
    juce::StringArray& writtenPaths;                 // the run's list, or this cue's own
    std::vector<int> fileIndices;
    std::map<juce::String, juce::AudioBuffer<double>> keptStems;   // summed, then gained once written
    CueReport report;
    juce::AudioBuffer<double> stemWork;             // the stem being summed or written, reused
    juce::AudioBuffer<double> trackWork;            // the track being read, reused for every track
    juce::AudioBuffer<double> conversionWork;       // a track at its own rate before conversion
    std::vector<WrittenFileOrigin> fileOrigins;   // parallel to report.files
    RenderBufferPool* bufferPool = nullptr;

    JUCE_DECLARE_NON_COPYABLE (RenderContext)
};

} // namespace korvid
