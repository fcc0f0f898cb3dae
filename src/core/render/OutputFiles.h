#pragma once

#include "core/audio/CancelTest.h"
#include "core/model/Preset.h"
#include "core/render/RenderPlanning.h"
#include "core/report/CueReport.h"
#include "core/report/FileKind.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>
#include <map>
#include <vector>

namespace korvid
{

// Buckets of the overview kept with every written file.
constexpr int writtenFileOverviewBuckets = 1400;

/** What writing one cue's files works on. The cue render owns all of it and keeps it
    alive while a call runs; its members of the same names forward here. */
struct CueOutput
{
    const RenderRequest& request;
    CueReport& report;                // errors, warnings and written files go here
    juce::StringArray& writtenPaths;  // full paths written so far; never overwritten
    CancelTest isCancelled;           // the cue's latched cancel test; may be empty
    juce::AudioBuffer<double>* mixScratch = nullptr;   // lent for summing the alternative mixes
};

/** Progress of the alternative mixes: a fraction and a text, phase writing. */
using WritingProgress = std::function<void (double fraction, const juce::String& text)>;

/** The folder a file of this kind goes to for one format entry, created with its
    parents. On failure one sentence goes to the report's errors. */
bool prepareOutputFolder (const CueOutput& output, const OutputFormat& format, FileKind kind,
                          juce::File& folder);

/** Writes the buffer (at the project rate) once for each enabled entry among the first
    two of the preset's format list and lists every file written in the report. True when
    all of them were written, and when none is enabled. On failure the report holds why,
    except for a cancel, which the cue reports itself. */
bool writeOutputFile (const CueOutput& output,
                      const juce::AudioBuffer<double>& buffer,
                      const juce::String& namingTemplate,
                      const juce::String& fileNameToken,
                      const juce::String& shortCode,
                      int fileIndex,
                      const juce::String& label,
                      FileKind kind,
                      double levelDb,
                      bool ownGain);

/** A stem writes a file when it has tracks or its empty policy asks for silence. */
bool isStemExported (const RequestStem& stem);

/** The {stemIndex} of every request stem, in order; 0 for a stem that writes no file
    under consecutive numbering. */
std::vector<int> assignFileIndices (const RenderRequest& request);

/** Sums and writes every alternative mix of the request's preset from the kept gained
    stems (stem id -> buffer). A mix without any kept member is skipped with a warning. */
bool writeAlternativeMixes (const CueOutput& output,
                            const std::map<juce::String, juce::AudioBuffer<double>>& keptStems,
                            juce::int64 renderLength,
                            const WritingProgress& progress);

} // namespace korvid
