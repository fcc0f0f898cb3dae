#pragma once

#include "core/audio/AudioFileInfo.h"
#include "core/model/Types.h"
#include "core/session/KeywordMatcher.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid
{

/** One imported audio file and its assignment to a stem. */
struct Track
{
    juce::String id;                          // a UUID given at import
    juce::File file;
    juce::File resolvedFile;                  // the file with links resolved: what the list knows it by
    AudioFileInfo info;                       // zeros when the file could not be read
    juce::String cueId;                       // the cue of the file's folder
    juce::String error;                       // the probe's sentence; empty when the file was read
    juce::StringArray notes;                  // warnings: rate conversion, channel width
    juce::String stemId;                      // empty when unassigned
    AssignmentSource source = AssignmentSource::none;
    Confidence confidence = Confidence::unassigned;
    juce::String reason;                      // why the track has its assignment
    juce::StringArray matchedKeywords;        // the rule patterns that chose the stem
    std::vector<MatchCandidate> candidates;   // ranked stems of the last automatic match

    /** Read without error and at least one sample long. */
    bool isUsable() const noexcept { return error.isEmpty() && info.lengthInSamples >= 1; }
};

} // namespace korvid
