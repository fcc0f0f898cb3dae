#include "core/session/Session.h"

#include "core/model/PathGuards.h"
#include "core/session/TrackFiles.h"
#include "core/model/OutputNaming.h"

#include <filesystem>
#include <system_error>

#if JUCE_LINUX
 #include <cerrno>
 #include <cstdio>
 #include <fcntl.h>
 #include <unistd.h>
#endif

namespace korvid
{

namespace
{
    // Only the platform decides whether two names are one file: equal paths, or the
    // same file on disk (a case-insensitive volume, a hard link).
    bool isSameFile (const juce::File& a, const juce::File& b)
    {
        if (a == b)
            return true;

        std::error_code ec;
        const bool same = std::filesystem::equivalent (std::filesystem::path (a.getFullPathName().toStdString()),
                                                       std::filesystem::path (b.getFullPathName().toStdString()), ec);
        return same && ! ec;
    }

    // Windows delivers to publishers, where names differing only in case collide; so
    // another entry whose name matches ignoring case counts as taken too.
    bool isNameTakenByAnotherFile (const juce::File& folder, const juce::File& target, const juce::File& current)
    {
        if (target.exists() && ! isSameFile (target, current))
            return true;

        const auto targetName = target.getFileName();

        for (const auto& entry : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*",
                                                        juce::File::FollowSymlinks::no))
            if (entry.getFileName().equalsIgnoreCase (targetName) && ! isSameFile (entry, current))
                return true;

        return false;
    }

   #if JUCE_LINUX
    bool renameNoReplace (const juce::File& from, const juce::File& to, int& failure)
    {
        const auto source = from.getFullPathName().toStdString();
        const auto destination = to.getFullPathName().toStdString();

        if (::renameat2 (AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
            return true;

        failure = errno;

        if (failure != EINVAL && failure != ENOSYS)
            return false;

        // The file system cannot rename without replacing: a hard link fails on a taken name.
        if (::link (source.c_str(), destination.c_str()) == 0)
        {
            if (::unlink (source.c_str()) == 0)
                return true;

            ::unlink (destination.c_str());
            failure = errno;
            return false;
        }

        failure = errno;

        if (failure == EEXIST || to.exists())
            return false;

        // Neither is supported (some removable media): the name was free a moment ago.
        if (std::rename (source.c_str(), destination.c_str()) == 0)
            return true;

        failure = errno;
        return false;
    }
   #endif

} // namespace

bool Session::renameTrackFile (const juce::String& trackId, const juce::String& newName, juce::String& error)
{
    auto* track = findTrackForEdit (trackId);

    if (track == nullptr)
    {
        error = "That track is no longer in the list.";
        return false;
    }

    const auto current = track->file;

    if (! current.existsAsFile())
    {
        error = "That file is not where it was imported from. It may have been moved or renamed since it "
                "was added to the list.";
        return false;
    }

    const auto cleanName = sanitiseFileName (newName.trim(), "-", {}, 120);

    if (cleanName.isEmpty())
    {
        error = "That name has nothing in it that can be used for a file name.";
        return false;
    }

    const auto folder = current.getParentDirectory();
    const auto target = folder.getChildFile (cleanName + current.getFileExtension());

    if (target.getFullPathName() == current.getFullPathName())
    {
        error.clear();
        return true;
    }

    if (! isWithinFolder (folder, target))
    {
        error = "That name would put the file outside its own folder.";
        return false;
    }

    if (! isPathLengthAllowed (target))
    {
        error = "That name makes the path too long for this system.";
        return false;
    }

    if (isNameTakenByAnotherFile (folder, target, current))
    {
        error = "There is already a file called '" + target.getFileName() + "' in that folder.";
        return false;
    }

    if (! moveFileWithoutReplacing (current, target))
    {
        error = "The file could not be renamed. It may be open in another program.";
        return false;
    }

    track->file = target;
    error.clear();
    notifyTracksChanged();
    return true;
}

bool moveFileWithoutReplacing (const juce::File& from, const juce::File& to)
{
   #if JUCE_LINUX
    int failure = 0;

    if (renameNoReplace (from, to, failure))
        return true;

    if (failure != EEXIST || ! isSameFile (from, to))
        return false;

    const auto aside = from.getParentDirectory().getNonexistentChildFile (".velvane-rename", ".tmp", false);

    if (! renameNoReplace (from, aside, failure))
        return false;

    if (renameNoReplace (aside, to, failure))
        return true;

    renameNoReplace (aside, from, failure);
    return false;
   #else
    if (to.exists() && ! isSameFile (from, to))
        return false;

    return from.moveFileTo (to);
   #endif
}

} // namespace korvid
