#include "core/session/Session.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioProbe.h"
#include "core/model/Uuid.h"
#include "core/model/OutputNaming.h"
#include "core/platform/FileIdentity.h"
#include "core/session/TrackFiles.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace korvid
{

namespace
{
    // Listing order differs between file systems; name order keeps imports predictable.
    void sortByName (juce::Array<juce::File>& files)
    {
        std::sort (files.begin(), files.end(), [] (const juce::File& a, const juce::File& b)
        {
            const auto byName = a.getFileName().compareIgnoreCase (b.getFileName());
            return byName != 0 ? byName < 0 : a.getFileName().compare (b.getFileName()) < 0;
        });
    }

    // Extensions are matched in any letter case ("TAKE.WAV"), so list everything and filter.
    juce::Array<juce::File> audioFilesIn (const juce::File& folder)
    {
        auto files = folder.findChildFiles (juce::File::findFiles, false, "*", juce::File::FollowSymlinks::yes);
        files.removeIf ([] (const juce::File& f) { return ! matchesAudioFileWildcard (f); });
        sortByName (files);
        return files;
    }

    bool holdsAudioFiles (const juce::File& folder)
    {
        for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*",
                                                       juce::File::FollowSymlinks::yes))
            if (matchesAudioFileWildcard (file))
                return true;

        return false;
    }

    // Files by a hash of the lower-cased path with links resolved. Files the framework
    // calls equal always share that hash, so only those are compared, whatever the
    // platform's rule; two spellings of one file meet here as one.
    class HeldFiles
    {
    public:
        void add (const juce::File& resolved, const juce::File& listedAs)
        {
            byPath.emplace (keyOf (resolved), Entry { resolved, listedAs });
        }

        /** The path the file is held under, or null when it is not held. */
        const juce::File* find (const juce::File& resolved) const
        {
            const auto range = byPath.equal_range (keyOf (resolved));

            for (auto it = range.first; it != range.second; ++it)
                if (it->second.resolved == resolved)
                    return &it->second.listedAs;

            return nullptr;
        }

    private:
        struct Entry
        {
            juce::File resolved, listedAs;
        };

        static juce::int64 keyOf (const juce::File& file)
        {
            return file.getFullPathName().toLowerCase().hashCode64();
        }

        std::unordered_multimap<juce::int64, Entry> byPath;
    };

    const juce::File& resolvedOrSelf (const juce::File& resolved, const juce::File& file)
    {
        return resolved == juce::File() ? file : resolved;
    }

    juce::String kiloHertz (double hz)
    {
        return juce::String (hz / 1000.0, 1);
    }


    // The folder walk: which files an import would take, in the order it takes them.
    struct ImportScan
    {
        ImportScan (bool recurseIntoFolders, PreparedImport& into)
            : recurse (recurseIntoFolders), prepared (into) {}

        void addPath (const juce::String& path)
        {
            if (! juce::File::isAbsolutePath (path))
            {
                // A relative path would be resolved against whatever the working folder is.
                if (! isFull())
                    prepared.scanned.problems.add ("'" + path + "' is neither a file nor a folder.");

                return;
            }

            const juce::File item (path);
            juce::File root = item.getParentDirectory();

            if (item.isDirectory())
                root = holdsAudioFiles (item) ? item.getParentDirectory() : item;
            else if (item.existsAsFile())
                root = item.getParentDirectory().getParentDirectory();

            scan (item, root, 0);
        }

        void scan (const juce::File& item, const juce::File& root, int depth)
        {
            if (isFull())
                return;

            if (item.existsAsFile())
            {
                addFile (item, root);
                return;
            }

            if (! item.isDirectory())
            {
                prepared.scanned.problems.add ("'" + item.getFullPathName() + "' is neither a file nor a folder.");
                return;
            }

            if (depth > Session::maxFolderDepth)
            {
                prepared.scanned.problems.add ("Stopped scanning below '" + item.getFileName()
                                               + "': the folder tree is deeper than "
                                               + juce::String (Session::maxFolderDepth) + " levels.");
                return;
            }

            for (const auto& file : audioFilesIn (item))
            {
                if (isFull())
                    return;

                addFile (file, root);
            }

            if (! recurse)
                return;

            auto folders = item.findChildFiles (juce::File::findDirectories, false, "*",
                                                juce::File::FollowSymlinks::yes);
            sortByName (folders);

            for (const auto& folder : folders)
                scan (folder, root, depth + 1);
        }

        void addFile (const juce::File& file, const juce::File& root)
        {
            if (isSplitSource (file))
            {
                prepared.scanned.alreadySplit.add (file.getFileName());
                return;
            }

            ImportCandidate candidate;
            candidate.file = file;
            candidate.root = root;
            prepared.candidates.push_back (std::move (candidate));
        }

        bool isFull() const { return prepared.candidates.size() >= (size_t) Session::maxPendingFiles; }

        const bool recurse;
        PreparedImport& prepared;
    };

    void probe (ImportCandidate& candidate)
    {
        candidate.probed = true;
        candidate.readable = probeAudioFile (candidate.file, candidate.info, candidate.error);
    }
} // namespace

//==============================================================================
PreparedImport prepareImport (ImportRequest request, const CancelTest& shouldCancel)
{
    PreparedImport prepared;
    prepared.request = std::move (request);
    ImportScan scan (prepared.request.recurse, prepared);

    for (const auto& path : prepared.request.paths)
    {
        if (isCancelled (shouldCancel))
        {
            prepared.cancelled = true;
            return prepared;
        }

        scan.addPath (path);
    }

    HeldFiles held;
    const auto& listed = prepared.request.heldFiles;
    const auto& listedResolved = prepared.request.heldResolvedFiles;

    for (size_t i = 0; i < listed.size(); ++i)
        held.add (i < listedResolved.size() ? listedResolved[i] : listed[i], listed[i]);

    int probed = 0;

    for (auto& candidate : prepared.candidates)
    {
        if (probed >= prepared.request.room)
            break;

        if (isCancelled (shouldCancel))
        {
            prepared.cancelled = true;
            break;
        }

        // A file met twice in one import, under one path or two, becomes one track.
        candidate.resolvedFile = fileWithLinksResolved (candidate.file);

        if (held.find (candidate.resolvedFile) != nullptr)
            continue;

        held.add (candidate.resolvedFile, candidate.file);
        probe (candidate);
        ++probed;
    }

    const PreparedSchema schema (prepared.request.schema);
    const auto matchName = [&prepared, &schema] (const juce::String& name)
    {
        if (prepared.matchesByName.count (name) == 0)
            matchFileName (prepared.request.matcher, prepared.matchesByName[name], schema, name);
    };

    for (const auto& file : prepared.request.heldFiles)
    {
        if (isCancelled (shouldCancel))
        {
            prepared.cancelled = true;
            return prepared;
        }

        matchName (file.getFileName());
    }

    for (const auto& candidate : prepared.candidates)
    {
        if (isCancelled (shouldCancel))
        {
            prepared.cancelled = true;
            return prepared;
        }

        if (candidate.readable)
            matchName (candidate.file.getFileName());
    }

    return prepared;
}

ImportRequest Session::makeImportRequest (const juce::StringArray& paths, bool recurse) const
{
    ImportRequest request;
    request.paths = paths;
    request.recurse = recurse;
    request.heldFiles.reserve (tracks.size());
    request.heldResolvedFiles.reserve (tracks.size());

    for (const auto& track : tracks)
    {
        request.heldFiles.push_back (track.file);
        request.heldResolvedFiles.push_back (resolvedOrSelf (track.resolvedFile, track.file));
    }

    request.room = juce::jmax (0, maxTracks - (int) tracks.size());
    request.listGeneration = listGeneration;
    request.schema = preset.schema;
    request.matcher = matcherSettings;
    return request;
}

ImportResult Session::importFiles (const juce::StringArray& paths, bool recurse)
{
    return finishImport (prepareImport (makeImportRequest (paths, recurse)));
}

ImportResult Session::finishImport (const PreparedImport& prepared)
{
    auto result = prepared.scanned;
    const double masterRate = preset.exportSettings.masterSampleRate;
    HeldFiles heldFiles;
    int listedUnderAnotherPath = 0;

    for (const auto& track : tracks)
        heldFiles.add (resolvedOrSelf (track.resolvedFile, track.file), track.file);

    for (const auto& found : prepared.candidates)
    {
        if (tracks.size() >= (size_t) maxTracks)
        {
            result.problems.add ("Stopped at the limit of " + juce::String (maxTracks) + " tracks.");
            break;
        }

        // Left unlooked at by the scan: it was in the list then, or past the room there was.
        auto candidate = found;

        if (candidate.resolvedFile == juce::File())
            candidate.resolvedFile = fileWithLinksResolved (candidate.file);

        if (const auto* listedAs = heldFiles.find (candidate.resolvedFile))
        {
            ++result.alreadyInList;

            if (*listedAs != candidate.file)
                ++listedUnderAnotherPath;

            continue;
        }

        if (! candidate.probed)
            probe (candidate);

        Track track;
        track.id = newUuidString();
        track.file = candidate.file;
        track.resolvedFile = candidate.resolvedFile;
        track.cueId = cueForFolder (candidate.file, candidate.root).id;

        if (candidate.readable)
        {
            track.info = candidate.info;
            ++result.imported;
            const double rate = track.info.sampleRate;

            if (std::abs (rate - masterRate) > 0.5)
                track.notes.add ("Sample rate is " + kiloHertz (rate) + " kHz; it will be converted to "
                                 + kiloHertz (masterRate) + " kHz.");

            if (track.info.numChannels > 2)
                track.notes.add (juce::String (track.info.numChannels)
                                 + " channels; check that the delivery expects this width.");
        }
        else
        {
            track.error = candidate.error;
            ++result.unreadable;
            result.problems.add (track.file.getFileName() + ": " + candidate.error);
        }

        heldFiles.add (track.resolvedFile, track.file);
        trackPositions.emplace (track.id, tracks.size());
        tracks.push_back (std::move (track));
    }

    // Said once, however many: a linked folder brings every take of the folder again.
    if (listedUnderAnotherPath == 1)
        result.problems.add ("One file is already in the list under another path (a link leads to it), "
                             "so it was not added again.");
    else if (listedUnderAnotherPath > 1)
        result.problems.add (juce::String (listedUnderAnotherPath) + " files are already in the list under "
                             "other paths (links lead to them), so they were not added again.");

    notifyTracksChanged();

    if (result.imported > 0)
        assignAutomatically (&prepared);

    return result;
}

const Cue& Session::cueForFolder (const juce::File& file, const juce::File& root)
{
    const auto folder = file.getParentDirectory();
    const auto id = cueIdForFolder (folder);

    if (const auto* cue = findCue (id))
        return *cue;

    Cue cue;
    cue.id = id;
    cue.folder = folder;
    cue.name = folder.getFileName();

    const auto folderPath = folder.getFullPathName();
    const auto rootPath = root.getFullPathName();
    const auto separator = juce::File::getSeparatorString();
    // A volume root already ends with the separator.
    const auto prefix = rootPath.endsWith (separator) ? rootPath : rootPath + separator;

    if (! folderPath.equalsIgnoreCase (rootPath) && folderPath.length() > prefix.length()
        && folderPath.startsWithIgnoreCase (prefix))
    {
        juce::StringArray parts;
        parts.addTokens (folderPath.substring (prefix.length()), "/\\", {});
        parts.removeEmptyStrings (false);

        for (auto& part : parts)
            part = sanitiseFileName (part, "-", "untitled", 120);

        cue.relativeFolder = parts.joinIntoString ("/");
    }

    if (cue.name.trim().isEmpty())
        cue.name = root.getFileName();

    cuePositions.emplace (cue.id, cues.size());
    cues.push_back (std::move (cue));
    return cues.back();
}

bool isSplitSource (const juce::File& file)
{
    auto base = file.getFileNameWithoutExtension();
    int end = base.length();

    while (end > 0 && base[end - 1] >= '0' && base[end - 1] <= '9')
        --end;

    return base.substring (0, end).endsWithIgnoreCase ("_splitted");
}

} // namespace korvid
