#pragma once

#include "core/model/Preset.h"
#include "core/model/Types.h"
#include "core/model/ValidationResult.h"

#include <juce_core/juce_core.h>

#include <map>
#include <optional>
#include <vector>

namespace korvid
{

class Session;

/** The largest project file that is read, in bytes (32 MiB; exactly this is accepted). */
constexpr juce::int64 maxProjectFileBytes = 33554432;

/** Most folders, cues and tracks a project may name; exactly this many are read. */
constexpr int maxProjectEntries = 2048;

/** One saved track. */
struct ProjectTrack
{
    juce::String path;                                  // the track file's full path
    juce::String stemId;                                // empty when unassigned
    AssignmentSource source = AssignmentSource::none;
    bool locked = false;
};

/** One saved cue. */
struct ProjectCue
{
    juce::String folder;                                // full path
    juce::String name;
    bool included = true;
    double trimStartSeconds = 0.0;
    std::map<juce::String, juce::StringArray> submixOverrides;   // mix id -> member stem ids

    // Where the cue sat below its import root, so its output folders stay the same after
    // reopening. Absent in documents written without it: then the import decides.
    std::optional<juce::String> relativeFolder;
};

/** What a project holds for the Session. */
struct ProjectFile
{
    Preset preset;
    juce::Array<juce::File> importedFolders;            // the saved folders that still exist, in saved order
    bool recurseSubfolders = true;
    juce::File outputFolder;                            // empty when none was saved
    std::vector<ProjectTrack> tracks;
    std::vector<ProjectCue> cues;
};

/** What reading a project gives. */
struct ProjectLoadResult
{
    bool ok = false;                                    // no error found
    ValidationResult validation;                        // the embedded preset's findings included
    ProjectFile project;
    juce::StringArray missingFolders;                   // saved folder paths that are no folders now, as written
};

/** The project document of the Session: its preset, the folders of its cues, the cues'
    settings and every track's assignment. Never fails. */
juce::String writeProjectFile (const Session& session, const juce::String& outputFolder, bool recurseSubfolders);

/** Reads a project document. Only a document that cannot be a project, or whose preset
    cannot be read, is refused; a preset that reads but does not pass validation (as while
    it is being edited) opens, its findings given as warnings. */
ProjectLoadResult readProjectFile (const juce::String& documentText);

/** Reads a project file of at most maxProjectFileBytes; the size is checked before anything
    is read. */
ProjectLoadResult loadProjectFile (const juce::File& file);

/** Writes the Session's project document through writeFileSafely. */
bool saveProjectFile (const Session& session, const juce::String& outputFolder, const juce::File& target,
                      juce::String& error);

/** The member's value when `object` is a JSON object holding `key` as true or false;
    the default in every other case, without a message. */
bool readProjectBool (const juce::var& object, const juce::String& key, bool defaultValue);

} // namespace korvid
