#pragma once

#include "core/audio/AudioFileInfo.h"
#include "core/audio/CancelTest.h"
#include "core/model/StemSchema.h"
#include "core/session/ImportResult.h"
#include "core/session/KeywordMatcher.h"

#include <juce_core/juce_core.h>

#include <map>
#include <vector>

namespace korvid
{

/** What an import needs to know of the session before it goes to disk: the paths, the
    sub-folder flag, the files already in the list (they are not probed again), how many
    tracks still fit, and the schema and matcher settings the names are matched with.
    Taken on the message thread (Session::makeImportRequest). */
struct ImportRequest
{
    juce::StringArray paths;
    bool recurse = false;
    std::vector<juce::File> heldFiles;
    std::vector<juce::File> heldResolvedFiles;   // the same files with links resolved
    int room = 0;
    int listGeneration = 0;   // the session's, when the request was made
    StemSchema schema;
    KeywordMatcher matcher;
};

/** One file the scan found, and its probe once it was read. */
struct ImportCandidate
{
    juce::File file;
    juce::File root;          // the folder the scan started from: the cue's relative folder
    juce::File resolvedFile;  // the file with links resolved, once the scan looked at it
    bool probed = false;
    bool readable = false;
    AudioFileInfo info;
    juce::String error;       // the probe's sentence when it was not readable
};

/** The disk's side of an import: the files found, in scan order, with the probes of those
    that may become tracks, and what the scan already had to report (split sources,
    folders it could not use). Session::finishImport turns it into tracks. */
struct PreparedImport
{
    ImportRequest request;
    std::vector<ImportCandidate> candidates;
    ImportResult scanned;
    // The automatic assignment after the import, done ahead: the match of every readable
    // file's name and every held file's name, by file name, with the request's schema.
    std::map<juce::String, MatchResult> matchesByName;
    bool cancelled = false;
};

/** Scans the folders, probes the files and matches their names. Touches no session, so it
    may run on any thread; a file of `heldFiles` is not probed, and probing stops once
    `room` files were read, as the rest cannot be imported. Stops early, marked cancelled,
    when asked. */
PreparedImport prepareImport (ImportRequest request, const CancelTest& shouldCancel = {});

} // namespace korvid
