#include "core/platform/FileRenames.h"

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

bool isSameFile (const juce::File& a, const juce::File& b)
{
    if (a == b)
        return true;

    std::error_code ec;
    const bool same = std::filesystem::equivalent (std::filesystem::path (a.getFullPathName().toStdString()),
                                                   std::filesystem::path (b.getFullPathName().toStdString()), ec);
    return same && ! ec;
}

bool isFileNameTaken (const juce::File& target, const juce::File& current)
{
    if (target.exists() && ! isSameFile (target, current))
        return true;

    const auto targetName = target.getFileName();

    for (const auto& entry : target.getParentDirectory().findChildFiles (juce::File::findFilesAndDirectories, false, "*",
                                                                          juce::File::FollowSymlinks::no))
        if (entry.getFileName().equalsIgnoreCase (targetName) && ! isSameFile (entry, current))
            return true;

    return false;
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
