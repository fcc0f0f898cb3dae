#include "core/platform/FileMoves.h"

#include <filesystem>
#include <system_error>

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
 #include <cerrno>
 #include <cstdio>
 #include <fcntl.h>
 #include <unistd.h>
#endif

namespace korvid
{

NewName moveToNewName (const juce::File& from, const juce::File& to)
{
   #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    const auto* source = from.getFullPathName().toRawUTF8();
    const auto* destination = to.getFullPathName().toRawUTF8();

   #if JUCE_LINUX
    if (::renameat2 (AT_FDCWD, source, AT_FDCWD, destination, RENAME_NOREPLACE) == 0)
        return NewName::claimed;

    if (errno == EEXIST)
        return NewName::taken;

    // Only a file system without the flag goes on to the hard link below.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return NewName::failed;
   #endif

    // A hard link fails when the name exists; the old name then goes.
    if (::link (source, destination) == 0)
    {
        ::unlink (source);
        return NewName::claimed;
    }

    if (errno == EEXIST)
        return NewName::taken;

    // Folders without hard links (some shared and removable volumes): an empty file made
    // exclusively takes the name, and the moved file then replaces that placeholder.
    const int placeholder = ::open (destination, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);

    if (placeholder < 0)
        return errno == EEXIST ? NewName::taken : NewName::failed;

    ::close (placeholder);

    if (::rename (source, destination) == 0)
        return NewName::claimed;

    ::unlink (destination);
    return NewName::failed;
   #else
    // No single call here refuses an existing name, so a name taken between the test and
    // the move may be lost; the test keeps that moment short.
    if (to.exists())
        return NewName::taken;

    return from.moveFileTo (to) ? NewName::claimed : NewName::failed;
   #endif
}

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
    const auto outcome = moveToNewName (from, to);

    if (outcome == NewName::claimed)
        return true;

    // Only a change of letter case on a volume that ignores case finds its own file there.
    if (outcome != NewName::taken || ! isSameFile (from, to))
        return false;

    // The aside name holds the user's own file, not a copy: it carries no writer's mark, so
    // the leftover cleaner never takes it, and every way out of here gives the file a name
    // it had or was meant to have.
    const auto aside = from.getParentDirectory().getNonexistentChildFile (".velvane-rename", ".tmp", false);

    if (moveToNewName (from, aside) != NewName::claimed)
        return false;

    if (moveToNewName (aside, to) == NewName::claimed)
        return true;

    moveToNewName (aside, from);
    return false;
}

} // namespace korvid
