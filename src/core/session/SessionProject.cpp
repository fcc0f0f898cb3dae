#include "core/session/Session.h"

#include "core/audio/AudioFormats.h"
#include "core/platform/FileIdentity.h"
#include "core/session/TrackFiles.h"
#include "core/storage/ProjectFile.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace korvid
{

namespace
{
    juce::int64 pathKey (const juce::File& file)
    {
        return file.getFullPathName().toLowerCase().hashCode64();
    }

    // Saved paths are looked up by a hash of the lower-cased path; files the framework
    // calls equal always share it, so only those few are compared.
    class TrackFinder
    {
    public:
        explicit TrackFinder (const std::vector<Track>& sessionTracks) : tracks (sessionTracks)
        {
            for (size_t i = 0; i < tracks.size(); ++i)
            {
                byPath.emplace (pathKey (tracks[i].file), i);

                if (tracks[i].resolvedFile != juce::File())
                    byResolvedPath.emplace (pathKey (tracks[i].resolvedFile), i);
            }
        }

        /** The first track whose file equals the path, or else the first that reads the
            same file through another path; null when none does. */
        const Track* find (const juce::String& path) const
        {
            // A relative path would be resolved against the working folder.
            if (! juce::File::isAbsolutePath (path))
                return nullptr;

            const juce::File file (path);

            if (const auto* track = first (byPath, file, &Track::file))
                return track;

            // Only a take not found under its own path costs a look at the disk.
            return first (byResolvedPath, fileWithLinksResolved (file), &Track::resolvedFile);
        }

    private:
        using PathIndex = std::unordered_multimap<juce::int64, size_t>;

        const Track* first (const PathIndex& index, const juce::File& file, juce::File Track::* member) const
        {
            const auto range = index.equal_range (pathKey (file));
            const Track* found = nullptr;

            for (auto it = range.first; it != range.second; ++it)
                if (tracks[it->second].*member == file && (found == nullptr || &tracks[it->second] < found))
                    found = &tracks[it->second];

            return found;
        }

        const std::vector<Track>& tracks;
        PathIndex byPath;
        PathIndex byResolvedPath;
    };
} // namespace

ImportRequest makeProjectImportRequest (const ProjectFile& project, const KeywordMatcher& matcher)
{
    ImportRequest request;

    for (const auto& folder : project.importedFolders)
        request.paths.add (folder.getFullPathName());

    request.recurse = project.recurseSubfolders;
    request.room = Session::maxTracks;
    request.schema = project.preset.schema;
    request.matcher = matcher;
    return request;
}

juce::String whySavedTakeIsNotListed (const juce::File& take, const ProjectFile& project, bool listIsFull)
{
    if (isSplitSource (take))
        return "Its name ends in _splitted, which marks the original of a split, and imports skip such names.";

    if (! matchesAudioFileWildcard (take))
        return "Its name is not that of a WAV, AIFF or FLAC file, so imports do not take it.";

    const auto folder = take.getParentDirectory();
    const bool inProjectFolders = std::any_of (project.importedFolders.begin(), project.importedFolders.end(),
                                               [&] (const juce::File& imported)
    {
        return folder == imported || (project.recurseSubfolders && folder.isAChildOf (imported));
    });

    if (! inProjectFolders)
        return "Its folder is not one of the folders the project imports.";

    if (listIsFull)
        return "The list reached its limit of " + juce::String (Session::maxTracks) + " tracks before it.";

    return "The import of its folder did not take it.";
}

void Session::applyProject (const ProjectFile& project, juce::StringArray& missingSources)
{
    applyProject (project, prepareImport (makeProjectImportRequest (project, matcherSettings)), missingSources);
}

void Session::applyProject (const ProjectFile& project, const PreparedImport& folders, juce::StringArray& missingSources)
{
    startProject (project);

    if (! project.importedFolders.isEmpty())
        finishImport (folders);

    restoreProjectSettings (project, missingSources);
}

void Session::startProject (const ProjectFile& project)
{
    // The list is replaced even when it was empty already.
    ++listGeneration;
    clear();
    setPreset (project.preset);
}

void Session::restoreProjectSettings (const ProjectFile& project, juce::StringArray& missingSources)
{
    bool outputLayoutChanged = false;

    for (const auto& saved : project.cues)
    {
        if (! juce::File::isAbsolutePath (saved.folder))
            continue;

        const auto cueId = cueIdForFolder (juce::File (saved.folder));
        auto* cue = findCueForEdit (cueId);

        if (cue == nullptr)
            continue;

        // Folders imported one by one lose the part of their path below the original import
        // root; the saved one keeps the cue's output folders where they were.
        if (saved.relativeFolder.has_value() && cue->relativeFolder != *saved.relativeFolder)
        {
            cue->relativeFolder = *saved.relativeFolder;
            outputLayoutChanged = true;
        }

        renameCue (cueId, saved.name);
        setCueIncluded (cueId, saved.included);
        setCueTrimStart (cueId, saved.trimStartSeconds);

        for (const auto& submix : preset.schema.submixes)
        {
            const auto savedMembers = saved.submixOverrides.find (submix.id);

            if (savedMembers == saved.submixOverrides.end())
                continue;

            for (const auto& stem : preset.schema.stems)
                setSubmixOverride (cueId, submix, stem.id, savedMembers->second.contains (stem.id));
        }
    }

    if (outputLayoutChanged)
        notifyTracksChanged();

    std::map<juce::String, juce::StringArray> tracksByStem;   // ascending stem ids
    juce::StringArray tracksToLock;
    const TrackFinder finder (tracks);

    for (const auto& saved : project.tracks)
    {
        const auto* track = finder.find (saved.path);

        if (track == nullptr)
        {
            missingSources.addIfNotAlreadyThere (saved.path);
            continue;
        }

        // Automatic assignments are left to the matching that ran on import.
        if ((saved.source == AssignmentSource::manual || saved.source == AssignmentSource::locked)
            && saved.stemId.isNotEmpty())
            tracksByStem[saved.stemId].add (track->id);

        if (saved.locked)
            tracksToLock.add (track->id);
    }

    for (const auto& [stemId, trackIds] : tracksByStem)
        assignTracks (trackIds, stemId, false);

    if (! tracksToLock.isEmpty())
        setTracksLocked (tracksToLock, true);
}

} // namespace korvid
