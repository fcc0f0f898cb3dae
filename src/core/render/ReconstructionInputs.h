#pragma once

#include "core/render/RenderPlanning.h"
#include "core/report/CueReport.h"

#include <vector>

namespace korvid
{

/** Where a written file came from: kept beside the report's files, one per file. */
struct WrittenFileOrigin
{
    int formatPosition = 0;   // 1 or 2 in the preset's format list; 0 when not known
    juce::String stemId;      // the request stem a stem file belongs to; empty for mixes
};

/** The files the reconstruction check compares, all of one format entry, and the word
    length and dither those files were written with. */
struct ReconstructionInputs
{
    int formatPosition = 0;             // 0: no entry writes lossless files at the project rate
    int bits = 0;                       // 16 or 24; 0 for floating point
    Dither dither = Dither::none;
    juce::File mixFile;                 // the entry's full mix; empty when none was written
    std::vector<juce::File> stemFiles;  // one per stem that wrote a file for the entry, in stem order

    bool hasMix() const { return mixFile != juce::File(); }
};

/** The first enabled lossless entry among the first two of the format list whose files are
    written at the project rate, with its full mix and, for every request stem, that stem's
    first file of the entry. `origins` runs parallel to `files`. */
ReconstructionInputs chooseReconstructionInputs (const RenderRequest& request,
                                                 const std::vector<WrittenFile>& files,
                                                 const std::vector<WrittenFileOrigin>& origins);

} // namespace korvid
