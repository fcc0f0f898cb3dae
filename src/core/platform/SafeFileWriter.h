#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace korvid
{

/** Writes one file through a hidden temporary file beside the target, which
    replaces the target only on commit. Until then the target keeps its old
    content (or stays absent); a writer destroyed without a successful commit
    removes its temporary file.

    Usage: construct, stop with `error` when `temporary` is null, write into
    temporaryFile() (or the stream of createOutputStream()), destroy the stream,
    then commit(). Works for any bytes, text or audio. */
class SafeFileWriter
{
public:
    explicit SafeFileWriter (const juce::File& targetFile);
    ~SafeFileWriter();

    /** The file to write into, or an empty file when none was made. */
    juce::File temporaryFile() const;

    /** Opens a stream on the temporary file. Null (and a sentence in `error`)
        when there is no temporary file or it cannot be opened. The stream must be
        destroyed before commit(). */
    std::unique_ptr<juce::FileOutputStream> createOutputStream (size_t bufferSize = 16384);

    /** Replaces the target with the temporary file; false with a sentence in `error`. */
    bool commit();

    juce::File target;
    std::unique_ptr<juce::TemporaryFile> temporary;
    juce::String error;
    bool committed = false;

private:
    JUCE_DECLARE_NON_COPYABLE (SafeFileWriter)
};

/** Writes the text as UTF-8 without a byte-order mark, every carriage return
    dropped, through a SafeFileWriter. True on success with `error` emptied; on
    failure `error` holds one sentence and the target is untouched. */
bool writeFileSafely (const juce::File& target, const juce::String& text, juce::String& error);

} // namespace korvid
