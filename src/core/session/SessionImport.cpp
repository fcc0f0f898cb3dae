#include "core/session/Session.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioProbe.h"
#include "core/model/Uuid.h"
#include "core/model/OutputNaming.h"
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

    // The tracks' files by a hash of the lower-cased path. Files the framework calls equal
    // always share that hash, so only those are compared, whatever the platform's rule.
    class HeldFiles
    {
    public:
        explicit HeldFiles (const std::vector<Track>& tracks)
        {
            for (size_t i = 0; i < tracks.size(); ++i)
                add (tracks[i].file, i);
        }

        void add (const juce::File& file, size_t trackIndex)
        {
            byPath.emplace (keyOf (file), trackIndex);
        }

        bool contains (const juce::File& file, const std::vector<Track>& tracks) const
        {
            const auto range = byPath.equal_range (keyOf (file));

            for (auto it = range.first; it != range.second; ++it)
                if (tracks[it->second].file == file)
                    return true;

            return false;
        }

    private:
        static juce::int64 keyOf (const juce::File& file)
        {
            return file.getFullPathName().toLowerCase().hashCode64();
        }

        std::unordered_multimap<juce::int64, size_t> byPath;
    };

    juce::String kiloHertz (double hz)
    {
        return juce::String (hz / 1000.0, 1);
    }
} // namespace

//==============================================================================
struct Session::ImportScan
{
    explicit ImportScan (bool recurseIntoFolders) : recurse (recurseIntoFolders) {}

    void addPath (const juce::String& path)
    {
        if (! juce::File::isAbsolutePath (path))
        {
            // A relative path would be resolved against whatever the working folder is.
            if (! isFull())
                result.problems.add ("'" + path + "' is neither a file nor a folder.");

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
            result.problems.add ("'" + item.getFullPathName() + "' is neither a file nor a folder.");
            return;
        }

        if (depth > maxFolderDepth)
        {
            result.problems.add ("Stopped scanning below '" + item.getFileName()
                                 + "': the folder tree is deeper than " + juce::String (maxFolderDepth)
                                 + " levels.");
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
            result.alreadySplit.add (file.getFileName());
        else
            pending.push_back ({ file, root });
    }

    bool isFull() const { return pending.size() >= (size_t) maxPendingFiles; }

    const bool recurse;
    ImportResult result;
    std::vector<PendingFile> pending;
};

//==============================================================================
ImportResult Session::importFiles (const juce::StringArray& paths, bool recurse)
{
    ImportScan scan (recurse);

    for (const auto& path : paths)
        scan.addPath (path);

    auto& result = scan.result;
    const double masterRate = preset.exportSettings.masterSampleRate;
    HeldFiles heldFiles (tracks);

    for (const auto& pending : scan.pending)
    {
        if (tracks.size() >= (size_t) maxTracks)
        {
            result.problems.add ("Stopped at the limit of " + juce::String (maxTracks) + " tracks.");
            break;
        }

        if (heldFiles.contains (pending.file, tracks))
        {
            ++result.alreadyInList;
            continue;
        }

        Track track;
        track.id = newUuidString();
        track.file = pending.file;
        track.cueId = cueForFolder (pending).id;

        juce::String error;

        if (probeAudioFile (track.file, track.info, error))
        {
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
            track.error = error;
            ++result.unreadable;
            result.problems.add (track.file.getFileName() + ": " + error);
        }

        tracks.push_back (std::move (track));
        heldFiles.add (tracks.back().file, tracks.size() - 1);
    }

    notifyTracksChanged();

    if (result.imported > 0)
        autoAssignAll();

    return result;
}

const Cue& Session::cueForFolder (const PendingFile& pending)
{
    const auto folder = pending.file.getParentDirectory();
    const auto id = cueIdForFolder (folder);

    for (const auto& cue : cues)
        if (cue.id == id)
            return cue;

    Cue cue;
    cue.id = id;
    cue.folder = folder;
    cue.name = folder.getFileName();

    const auto folderPath = folder.getFullPathName();
    const auto rootPath = pending.root.getFullPathName();
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
        cue.name = pending.root.getFileName();

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
