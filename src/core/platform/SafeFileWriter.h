#pragma once

#include "core/platform/CheckedFileOutputStream.h"
#include "core/platform/FileMoves.h"

#include <juce_core/juce_core.h>

#include <memory>

namespace korvid
{

/** Writes one file through a hidden temporary file beside the target, which replaces the
    target only on commit. Until then the target keeps its old content (or stays absent);
    a writer destroyed without a successful commit removes its temporary file. The
    temporary file's name carries its writer (TemporaryFiles.h), so one left by a crash can
    be recognised and cleared later.

    Usage: construct, stop with `error` when `temporary` is null, write through the stream
    of createOutputStream(), destroy the stream, then commit() or commitAsNewFile(). Every
    write, seek and flush of that stream is checked and the file is synced to disk before
    it takes the target's name; a commit refuses a temporary file that does not hold every
    byte written to it, and syncs the folder after the rename. Works for any bytes, text or
    audio. */
class SafeFileWriter
{
public:
    explicit SafeFileWriter (const juce::File& targetFile);
    ~SafeFileWriter();

    /** The file to write into, or an empty file when none was made. */
    juce::File temporaryFile() const;

    /** Opens the checked stream on the temporary file. Null (and a sentence in `error`)
        when there is no temporary file or it cannot be opened. The stream must be
        destroyed before a commit; it may be handed to an owner that deletes it. */
    std::unique_ptr<CheckedFileOutputStream> createOutputStream (size_t bufferSize = 16384);

    /** True once a stream of createOutputStream() failed to write, seek, flush or sync. */
    bool writeFailed() const { return streamOutcome.failed; }

    /** The system's text for that failure, when it gave one. */
    const juce::String& writeFailureReason() const { return streamOutcome.reason; }

    /** Replaces the target with the temporary file; false with a sentence in `error`. */
    bool commit();

    using NewName = korvid::NewName;

    /** Gives the temporary file the name `name` only when no file has that name yet: the
        file system claims the name in one step, so of two writers only one ever gets it
        and neither replaces the other's file. `claimed` makes `name` the target; `taken`
        keeps the temporary file for another name; `failed` leaves a sentence in `error`. */
    NewName commitAsNewFile (const juce::File& name);

    juce::File target;
    std::unique_ptr<juce::TemporaryFile> temporary;
    juce::String error;
    bool committed = false;

private:
    bool readyToCommit();
    void syncFolder() const;

    CheckedFileOutputStream::Outcome streamOutcome;
    bool streamOpened = false;

    JUCE_DECLARE_NON_COPYABLE (SafeFileWriter)
};

/** The line ends a text file is written with. */
enum class LineEnds { lineFeed, carriageReturnLineFeed };

/** Writes the text as UTF-8 without a byte-order mark through a SafeFileWriter, every line
    ending in a single line feed (every carriage return dropped) or, when asked, in a
    carriage return and a line feed. True on success with `error` emptied; on failure
    `error` holds one sentence and the target is untouched. */
bool writeFileSafely (const juce::File& target, const juce::String& text, juce::String& error,
                      LineEnds lineEnds = LineEnds::lineFeed);

} // namespace korvid
