#include "core/platform/SafeFileWriter.h"

#include "core/model/PathGuards.h"

namespace korvid
{

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
    const auto made = folder.createDirectory();

    if (made.failed())
    {
        error = "Could not create '" + folder.getFullPathName() + "': " + made.getErrorMessage();
        return;
    }

    temporary = std::make_unique<juce::TemporaryFile> (target, juce::TemporaryFile::useHiddenFile);
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

std::unique_ptr<juce::FileOutputStream> SafeFileWriter::createOutputStream (size_t bufferSize)
{
    if (temporary == nullptr)
    {
        if (error.isEmpty())
            error = "The temporary file was never created.";

        return nullptr;
    }

    auto stream = std::make_unique<juce::FileOutputStream> (temporary->getFile(), bufferSize);

    if (stream->failedToOpen())
    {
        error = "Could not open a temporary file for writing.";
        return nullptr;
    }

    return stream;
}

bool SafeFileWriter::commit()
{
    if (temporary == nullptr)
    {
        if (error.isEmpty())
            error = "The temporary file was never created.";

        return false;
    }

    if (! temporary->getFile().existsAsFile())
    {
        error = "Nothing was written to the temporary file.";
        return false;
    }

    if (! temporary->overwriteTargetFileWithTemporary())
    {
        error = "Could not replace '" + target.getFullPathName() + "'.";
        return false;
    }

    committed = true;
    return true;
}

bool writeFileSafely (const juce::File& target, const juce::String& text, juce::String& error)
{
    SafeFileWriter writer (target);

    if (writer.temporary == nullptr)
    {
        error = writer.error;
        return false;
    }

    {
        auto stream = writer.createOutputStream (16384);

        if (stream == nullptr)
        {
            error = writer.error;
            return false;
        }

        // "\n" as the line ending makes the stream drop every carriage return.
        if (! stream->writeText (text, false, false, "\n"))
        {
            error = "Writing failed, the disk may be full.";
            return false;
        }

        stream->flush();

        if (stream->getStatus().failed())
        {
            error = stream->getStatus().getErrorMessage();

            if (error.isEmpty())
                error = "Writing failed, the disk may be full.";

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
