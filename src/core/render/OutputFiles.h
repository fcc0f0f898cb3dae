#pragma once

#include "core/audio/CancelTest.h"
#include "core/codec/EncoderSettings.h"
#include "core/model/Preset.h"
#include "core/render/RenderPlanning.h"
#include "core/report/CueReport.h"
#include "core/report/FileKind.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

// Buckets of the overview kept with every written file.
constexpr int writtenFileOverviewBuckets = 1400;

/** What writing one cue's files works on. The cue render owns all of it and keeps it
    alive while a call runs. */
struct CueOutput
{
    const RenderRequest& request;
    CueReport& report;                // errors, warnings and written files go here
    juce::StringArray& writtenPaths;  // full paths written (or being written) in this run
    CancelTest isCancelled;           // the cue's latched cancel test; may be empty
    juce::StringArray* stillBeingWritten = nullptr;   // paths planned but not yet recorded
    juce::StringArray* sweptFolders = nullptr;        // folders already cleared of leftovers
    bool createsFolders = true;       // false to name files without touching the disk
};

/** The folder a file of this kind goes to for one format entry, created with its
    parents (unless the output only names files). On failure `error` holds one sentence. */
bool prepareOutputFolder (const CueOutput& output, const OutputFormat& format, FileKind kind,
                          juce::File& folder, juce::String& error);

/** One file of a buffer for one format entry: decided before the audio is ready (folder,
    free name, rate, encoder settings), then written, then recorded in the report. */
struct PlannedFile
{
    int position = 0;                     // 1 or 2 in the preset's format list
    Codec codec = Codec::wav;
    juce::File namedFile;                 // as the template names it, before a free name was found
    juce::File file;                      // the name reserved for it
    double writtenRate = 0.0;
    EncoderSettings settings;             // channels are filled in from the audio written
    juce::String rateWarning;             // the report gets each warning once per cue
    juce::StringArray namingWarnings;
    juce::String planningError;           // planning stopped here: nothing of this entry is written

    // Filled in by writing.
    bool reached = false;                 // no cancel came before this entry
    bool converted = false;               // its audio at the written rate was ready
    bool written = false;
    WrittenFile result;                   // its file is the name claimed, which another run may have moved on
};

/** One buffer's files, from planning to the report. Planning and recording run on the
    cue's own thread in file order; writing touches nothing but this record and the disk,
    so several buffers may be written at once. */
struct BufferFiles
{
    juce::String label;                   // stem display name, full mix name or alternative mix name
    FileKind kind = FileKind::stem;
    double levelDb = -400.0;
    bool ownGain = false;
    std::vector<PlannedFile> files;       // in format-list order; the last may hold a planning error

    // Filled in by writing.
    juce::String writingError;            // a failure other than a cancel
};

/** Plans the files of one buffer for each enabled entry among the first two of the format
    list, reserving their names in `writtenPaths` (and in `stillBeingWritten`). Stops at the
    first entry that cannot be written; its sentence waits in that entry. Each folder met
    is cleared once of temporary files that writers no longer running left there. */
BufferFiles planBufferFiles (const CueOutput& output, const juce::String& namingTemplate,
                             const juce::String& fileNameToken, const juce::String& shortCode, int fileIndex,
                             const juce::String& label, FileKind kind, double levelDb, bool ownGain);

/** Writes the planned files of a buffer at the project rate, converted to each written rate
    once; stops at the first failure or cancel. Safe on any thread.

    A file takes its final name only once it is complete. Under the overwrite policy it
    replaces whatever has the name; otherwise the name is claimed so that a file another
    run made there since planning is never replaced: incrementVersion moves on to the next
    free name (the report then lists that one), abort fails the file. */
void writeBufferFiles (const RenderRequest& request, const juce::AudioBuffer<double>& buffer, BufferFiles& files,
                       const CancelTest& isCancelled);

/** Hands the outcome to the report in file order: warnings, written files and the first
    error; names reserved for files that were not written are given back. True when every
    planned file was written (also when none was planned). */
bool recordBufferFiles (const CueOutput& output, const BufferFiles& files);

/** Settles the name reserved for a planned file once its writing is over: the reservation
    goes, and the name it was written under, when it was, stays taken for the run. */
void settleReservedName (const CueOutput& output, const PlannedFile& planned);

/** A stem writes a file when it has tracks or its empty policy asks for silence. */
bool isStemExported (const RequestStem& stem);

/** The {stemIndex} of every request stem, in order; 0 for a stem that writes no file
    under consecutive numbering. */
std::vector<int> assignFileIndices (const RenderRequest& request);

} // namespace korvid
