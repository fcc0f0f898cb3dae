#pragma once

#include "core/model/StemSchema.h"

#include <juce_core/juce_core.h>

#include <map>

namespace korvid
{

/** One folder of tracks: one piece of music in the delivery. */
struct Cue
{
    juce::String id;                 // cueIdForFolder (folder)
    juce::String name;               // shown, and used for output folders and names
    juce::File folder;
    juce::String relativeFolder;     // below the import root, parts joined with "/"; may be empty
    bool included = true;            // rendered when true
    double trimStartSeconds = 0.0;   // cut from the start of the cue's render

    // Alternative-mix id -> the member stem ids this cue uses instead of the mix's own.
    std::map<juce::String, juce::StringArray> submixOverrides;

    /** The cue's override for the mix when it has one, else the mix's own members. */
    juce::StringArray stemsForSubmix (const Submix& submix) const;
};

/** The lower-case hex of a 64-bit hash of the lower-cased full path, so two paths that
    differ only in letter case give the same cue. */
juce::String cueIdForFolder (const juce::File& folder);

/** Where the cue's delivery goes below the export folder: its mirrored import folders
    (the last one named after the cue), or a folder named after the cue, or the export
    folder itself. */
juce::File cueOutputFolder (const Cue& cue, const juce::File& exportFolder,
                            bool mirrorFolderStructure, bool folderPerCue);

} // namespace korvid
