#include "core/platform/SafeFileWriter.h"

#include "core/model/PathGuards.h"
#include "core/platform/FileMoves.h"
#include "core/platform/FolderCreation.h"
#include "core/platform/TemporaryFiles.h"

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD
 #include <cerrno>
 #include <cstdio>
 #include <fcntl.h>
 #include <unistd.h>
#endif

namespace korvid
{

namespace
{
    const char* const diskFullMessage = "Writing failed, the disk may be full.";

   #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    bool replaceWith (const juce::File& from, const juce::File& to)
    {
        // One rename: the target has its old content or the new one, never a copy half made.
        return ::rename (from.getFullPathName().toRawUTF8(), to.getFullPathName().toRawUTF8()) == 0;
    }
   #else
    bool replaceWith (const juce::File& from, const juce::File& to)
    {
        // Another program may hold the target open for a moment.
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            if (from.replaceFileIn (to))
                return true;

            juce::Thread::sleep (100);
        }

        return false;
    }
   #endif
} // namespace

SafeFileWriter::SafeFileWriter (const juce::File& targetFile)
    : target (targetFile)
{
    if (target == juce::File())
    {
        error = "No destination file was given.";
        return;
    }

    // Checked before the folders are made, so a refused path leaves nothing behind.
    if (! isPathLengthAllowed (target))
    {
        error = "The destination path is too long.";
        return;
    }

    const auto folder = target.getParentDirectory();
    const auto made = createFolderWithParents (folder);

    if (made.failed())
    {
        error = "Could not create '" + folder.getFullPathName() + "': " + made.getErrorMessage();
        return;
    }

    temporary = std::make_unique<juce::TemporaryFile> (target, temporaryFileFor (target));
}

SafeFileWriter::~SafeFileWriter()
{
    if (! committed && temporary != nullptr)
        temporary->getFile().deleteFile();

    temporary.reset();
}

juce::File SafeFileWriter::temporaryFile() const
{
    return temporary != nullptr ? temporary->getFile() : juce::File();
}

std::unique_ptr<CheckedFileOutputStream> SafeFileWriter::createOutputStream (size_t bufferSize)
{
    if (temporary == nullptr)
    {
        if (error.isEmpty())
            error = "The temporary file was never created.";

        return nullptr;
    }

    streamOpened = true;
    auto stream = std::make_unique<CheckedFileOutputStream> (temporary->getFile(), bufferSize, streamOutcome);

    if (! stream->openedOk())
    {
        error = "Could not open a temporary file for writing.";
        return nullptr;
    }

    return stream;
}

bool SafeFileWriter::readyToCommit()
{
    if (temporary == nullptr)
    {
        if (error.isEmpty())
            error = "The temporary file was never created.";

        return false;
    }

    if (writeFailed())
    {
        error = diskFullMessage;
        return false;
    }

    const auto file = temporary->getFile();

    if (! file.existsAsFile())
    {
        error = "Nothing was written to the temporary file.";
        return false;
    }

    // Whatever the stream was told, the file on disk must hold all of it.
    if (streamOpened && file.getSize() != streamOutcome.length)
    {
        error = diskFullMessage;
        return false;
    }

    return true;
}

bool SafeFileWriter::commit()
{
    if (! readyToCommit())
        return false;

    if (! replaceWith (temporary->getFile(), target))
    {
        error = "Could not replace '" + target.getFullPathName() + "'.";
        return false;
    }

    committed = true;
    syncFolder();
    return true;
}

SafeFileWriter::NewName SafeFileWriter::commitAsNewFile (const juce::File& name)
{
    if (! readyToCommit())
        return NewName::failed;

    const auto outcome = moveToNewName (temporary->getFile(), name);

    if (outcome == NewName::failed)
    {
        error = "Could not write '" + name.getFullPathName() + "'.";
        return outcome;
    }

    if (outcome == NewName::claimed)
    {
        target = name;
        committed = true;
        syncFolder();
    }

    return outcome;
}

void SafeFileWriter::syncFolder() const
{
   #if JUCE_LINUX || JUCE_MAC || JUCE_BSD
    // The rename reaches the disk with the folder. The file is in place by now whatever
    // this gives, so a failure here changes nothing for the caller.
    const int folder = ::open (target.getParentDirectory().getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

    if (folder >= 0)
    {
        ::fsync (folder);
        ::close (folder);
    }
   #endif
}

bool writeFileSafely (const juce::File& target, const juce::String& text, juce::String& error, LineEnds lineEnds)
{
    SafeFileWriter writer (target);

    if (writer.temporary == nullptr)
    {
        error = writer.error;
        return false;
    }

    auto bytes = text.removeCharacters ("\r");

    if (lineEnds == LineEnds::carriageReturnLineFeed)
        bytes = bytes.replace ("\n", "\r\n");

    {
        auto stream = writer.createOutputStream (16384);

        if (stream == nullptr)
        {
            error = writer.error;
            return false;
        }

        if (! stream->write (bytes.toRawUTF8(), bytes.getNumBytesAsUTF8()))
        {
            error = diskFullMessage;
            return false;
        }

        // Flushing writes the last buffer and syncs the file; a short write there counts.
        stream->flush();

        if (writer.writeFailed())
        {
            error = writer.writeFailureReason().isNotEmpty() ? writer.writeFailureReason() : juce::String (diskFullMessage);
            return false;
        }
    }

    if (! writer.commit())
    {
        error = writer.error;
        return false;
    }

    error.clear();
    return true;
}

} // namespace korvid
