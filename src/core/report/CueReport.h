#pragma once

#include "core/audio/GainDecision.h"
#include "core/audio/ReconstructionCheck.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/WaveformOverview.h"
#include "core/model/Types.h"
#include "core/report/FileKind.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid
{

// One file the render wrote.
struct WrittenFile
{
    juce::File file;
    juce::String label;               // stem display name, full mix name or alternative mix name
    juce::String formatDescription;   // e.g. "WAV 24bit 48kHz 2ch"
    double sampleRate = 0.0;          // Hz, the rate the file was written at
    bool lossless = false;
    FileKind kind = FileKind::stem;
    juce::int64 sizeBytes = 0;        // after writing
    WaveformOverview overview;        // of the written audio at the project rate
    double levelDb = -400.0;          // peak after gain for mixes; -400 for stems, which are not measured
    bool ownGain = false;             // an alternative mix that got its own gain, so it is not the exact sum of its stems
    juce::int64 clippedSamples = 0;   // samples given to the file at or above full scale, where it holds them (float32 too)
};

// One track read while the silence gate was on.
struct GatedTrack
{
    juce::File file;
    juce::String fileName;
    juce::String stemName;            // display name of the track's stem
    int gatedRuns = 0;
    double gatedSeconds = 0.0;        // at the project rate
    double lengthSeconds = 0.0;       // at the project rate
    bool wholeFileSilent = false;
    std::vector<GatedRegion> regions;
    WaveformOverview overview;        // of the gated audio
};

// One stem of a cue.
struct StemResult
{
    juce::String stemId;
    juce::String displayName;
    int index = 0;                    // in the schema
    int trackCount = 0;
    bool empty = false;               // no track is assigned
    bool skipped = false;             // empty and not written, by its empty-stem policy
    bool digitalSilence = false;      // every summed sample is zero; also true when empty
    double peakBeforeDb = -400.0;     // sample peak of the summed stem before gain
    double peakAfterDb = -400.0;
    juce::StringArray errors;         // read errors of this stem's tracks
    bool measured = false;            // its tracks were summed, so peakBeforeDb is a measurement
    int filesWritten = 0;             // files of this stem the render put on disk
    int fileNumber = 0;               // the {stemIndex} its files carry; 0 while it has written none

    // Whether this run put a file of the stem on disk. A stem written as digital silence was.
    bool wasWritten() const   { return filesWritten > 0; }

    // The number a report shows: the one its files carry, or its place in the schema. A
    // stem that wrote no file has none (0): the planned number may be on a file of an
    // earlier run, or of another stem.
    int shownNumber() const;
    // shownNumber as two digits ("02"); empty when it has none.
    juce::String shownNumberText() const;
};

// One cue's result.
struct CueReport
{
    bool completed = false;
    bool cancelled = false;
    juce::String cueName;             // empty for a run without cues
    juce::String cueId;
    juce::String sourceFolder;        // relative to the imported root
    juce::File outputFolder;
    PeakMode peakMode = PeakMode::truePeak;
    double mixSamplePeak = 0.0;       // linear, before gain
    double mixTruePeak = 0.0;         // linear, before gain
    GainDecision gain;
    double afterGainSamplePeak = 0.0; // linear
    double afterGainTruePeak = 0.0;   // linear
    bool levelRemeasured = false;     // the after-gain peaks were measured, not predicted
    bool levelsMeasured = false;      // the mix was measured and its gain decided
    bool afterGainKnown = false;      // the after-gain peaks were measured or predicted
    juce::int64 clippedSamples = 0;
    double leadingSilenceSeconds = 0.0;
    double trimmedSeconds = 0.0;
    int channels = 0;
    juce::int64 lengthFrames = 0;
    double sampleRate = 0.0;          // the project rate
    std::vector<StemResult> stems;    // every stem of the request, in stem order, whether reached or not
    std::vector<GatedTrack> gatedTracks;
    std::vector<WrittenFile> files;   // in writing order
    juce::StringArray unassignedTracks;
    juce::StringArray warnings;       // whole sentences
    juce::StringArray errors;         // whole sentences
    ReconstructionResult reconstruction;
    double elapsedSeconds = 0.0;

    int assignedStemCount() const;
    int emptyStemCount() const;

    // "3 stems assigned", "1 stem assigned".
    juce::String assignedStemsText() const;
    // "2 empty stems", "1 empty stem".
    juce::String emptyStemsText() const;

    // Has an error, was cancelled, did not complete or failed the reconstruction check.
    bool needsAttention() const;

    // Stopped by a cancel or a failure: only what it reached is measured or on disk.
    bool stoppedEarly() const   { return cancelled || ! completed; }

    // Whether the figures may be shown: always for a finished cue, else only once measured.
    bool showsLevels() const            { return ! stoppedEarly() || levelsMeasured; }
    bool showsAfterGain() const         { return ! stoppedEarly() || afterGainKnown; }
    bool showsPeakBefore (const StemResult& stem) const   { return ! stoppedEarly() || stem.measured; }
    bool showsPeakAfter (const StemResult& stem) const    { return showsPeakBefore (stem) && showsLevels(); }

    // "Delivery" for a cue without a name.
    juce::String labelText() const;

    // The plain-text render report, "\r\n" between lines, stamped with the
    // current local time or the given one.
    juce::String toText() const;
    juce::String toText (const juce::Time& when) const;
};

} // namespace korvid
