#pragma once

#include "core/audio/CancelTest.h"
#include "core/render/AlternativeMixSums.h"
#include "core/render/OrderedWork.h"
#include "core/render/OutputFiles.h"
#include "core/render/ReconstructionInputs.h"
#include "core/render/RenderBufferPool.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/render/RenderWorkers.h"
#include "core/report/CueReport.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

namespace korvid
{

/** Renders one request into one cue report: reads and gates the tracks, sums stems and
    the full mix, trims the start, measures and decides the gain, writes every stem and
    mix and checks that the written stems add up to the written mix. Made per request on
    the render thread, run once and dropped, so a cue's audio never outlives it.

    Each step is cut into pieces (a stem, a file) that the run's workers do side by side,
    as many at once as the memory budget allows; everything a piece hands back (sums,
    report lines, file names, dither seeds) is taken in the order one thread would have
    made it, so the files and the report are the same for any number of workers. Stems are
    read again for writing; the alternative mixes are summed as their members are written.

    Cancelling is latched: once the cancel test fired the cue is reported cancelled and
    every piece stops at its next check (long reads, gates, measurements and encodes stop
    within a block), keeping the files that were complete. After a failure the pieces
    behind it stop the same way, and only the first failure is reported. */
class RenderContext
{
public:
    /** The request is kept by reference and must outlive the context; both callbacks may
        be empty, and the cancel test is never called from two threads at once.
        `runWrittenPaths`, when given, lists every file the run has written so far: the cue
        never replaces one of them and adds its own. `runBufferPool`, when given, lends
        buffers earlier cues of the run have finished with. Without `runWorkers` the cue
        does all its work on the calling thread, within the process's memory budget. */
    RenderContext (const RenderRequest& requestToRender,
                   CancelTest cancelTest,
                   RenderJob::ProgressCallback progressCallback,
                   juce::StringArray* runWrittenPaths = nullptr,
                   RenderBufferPool* runBufferPool = nullptr,
                   RenderWorkers* runWorkers = nullptr);

    /** Hands the cue's buffers to the run's pool, when there is one. */
    ~RenderContext();

    CueReport run();

private:
    // The buffers one running piece works in, reused by the pieces that follow it.
    struct PieceBuffers
    {
        juce::AudioBuffer<double> audio;        // the stem, or a file read back
        juce::AudioBuffer<double> track;        // a track read whole
        juce::AudioBuffer<double> sourceRate;   // a track at its own rate before conversion
    };

    // What reading one stem's tracks gave a piece.
    struct StemRead
    {
        juce::StringArray errors;               // for the stem's result; the report's get its name
        std::vector<GatedTrack> gatedTracks;
        juce::StringArray warnings;
    };

    struct SummedStem;
    struct WritingPiece;

    // Summing (RenderContextSumming.cpp).
    void listPlannedStems();
    bool sumStems();
    bool measureMix();
    bool readStemTracks (const RequestStem& stem, PieceBuffers& buffers, bool recordGateResults,
                         const CancelTest& pieceCancelled, StemRead& read) const;

    // Writing (RenderContextWriting.cpp).
    bool writeOutputs();
    bool measureGainedMix();
    bool checkNamesBeforeWriting (const std::vector<WritingPiece>& pieces);
    BufferFiles planPieceFiles (const WritingPiece& piece, const CueOutput& output) const;
    PieceStart prepareWritingPiece (WritingPiece& piece, int number);
    void writePiece (WritingPiece& piece, int number);
    bool finishWritingPiece (WritingPiece& piece, int number);
    void writeStemAudio (WritingPiece& piece, PieceBuffers& buffers, const CancelTest& pieceCancelled) const;
    void writeAlternativeMixAudio (WritingPiece& piece, const CancelTest& pieceCancelled);
    void recordFilesOfLatePiece (const WritingPiece& piece);
    void noteStemFiles (size_t stemIndex, int written);
    void noteOrigins (const BufferFiles& files, const juce::String& stemId, bool knownEntry);

    // Checking (RenderContextChecking.cpp).
    void verifyReconstruction();

    void finish (double startMs);
    // The latched cancel test, for the cue's own thread only: it marks the report. Pieces
    // on workers ask pieceCancelTest instead.
    bool cueCancelled();
    bool cancelRequested();
    CancelTest pieceCancelTest (int piece);
    void stopPiecesFrom (int piece);
    void startStep();
    CueOutput cueOutput();

    void reportProgress (double fraction, const juce::String& text, RenderJob::Phase phase);
    void addStemError (const RequestStem& stem, StemResult& result, const juce::String& text);
    PieceBuffers& buffersFor (int piece);
    void borrowIfEmpty (juce::AudioBuffer<double>& buffer);
    void giveBack (juce::AudioBuffer<double>& buffer);

    juce::int64 trimmedFrames = 0;
    juce::int64 renderLength = 0;
    double stemGain = 1.0;                           // the cue's gain, read by the pieces that write stems
    const RenderRequest& request;
    CancelTest shouldCancel;
    RenderJob::ProgressCallback progress;
    juce::AudioBuffer<double> mix;
    juce::StringArray ownWrittenPaths;
    juce::StringArray& writtenPaths;                 // the run's list, or this cue's own
    juce::StringArray pathsBeingWritten;             // planned, not yet recorded
    juce::StringArray sweptFolders;                  // cleared of leftover temporary files
    std::vector<int> fileIndices;
    CueReport report;
    std::vector<WrittenFileOrigin> fileOrigins;      // parallel to report.files
    AlternativeMixSums alternativeMixes;
    juce::AudioBuffer<double> checkSum;              // the stems read back, summed

    RenderBufferPool* bufferPool = nullptr;
    std::unique_ptr<RenderWorkers> ownWorkers;
    RenderWorkers& workers;
    int piecesAtOnce = 1;
    std::vector<PieceBuffers> pieceBuffers;          // one per piece that may run at once

    std::mutex cancelTestLock;                       // the caller's test is asked by one thread at a time
    std::atomic<bool> cancelSeen { false };
    std::atomic<int> firstStoppedPiece { std::numeric_limits<int>::max() };

    JUCE_DECLARE_NON_COPYABLE (RenderContext)
};

} // namespace korvid
