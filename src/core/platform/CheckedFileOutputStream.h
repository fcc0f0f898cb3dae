#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** A buffered file stream that remembers every write, seek, flush or sync that failed
    and how long the file must be.

    The framework's audio writers finish a file in their destructors (header sizes, the
    FLAC stream information) and ignore failures there, and its file stream drops the
    result of the buffer flush done by a seek or a flush, so a write cut short by a full
    disk goes unnoticed. This stream keeps its own buffer over an unbuffered file stream,
    so every short write reaches it, and reports through an outcome that outlives the
    stream (the writer that owns it deletes it). After the first failure it writes nothing
    more (the file is to be discarded). Destroying the stream flushes, syncs the file to
    disk and closes it. */
class CheckedFileOutputStream : public juce::OutputStream
{
public:
    /** What the stream found, kept by whoever made it. */
    struct Outcome
    {
        bool failed = false;
        juce::String reason;        // the system's text for the failure, when it gave one
        juce::int64 length = 0;     // the furthest byte written: what the file must hold
    };

    CheckedFileOutputStream (const juce::File& file, size_t bufferSize, Outcome& outcome);
    ~CheckedFileOutputStream() override;

    bool openedOk() const;

    void flush() override;
    bool setPosition (juce::int64 newPosition) override;
    juce::int64 getPosition() override;
    bool write (const void* data, size_t numBytes) override;

private:
    bool flushBuffer();
    bool fail();

    juce::FileOutputStream file;
    juce::HeapBlock<char> buffer;
    size_t bufferSize = 0;
    size_t bytesInBuffer = 0;
    juce::int64 position = 0;
    Outcome& outcome;

    JUCE_DECLARE_NON_COPYABLE (CheckedFileOutputStream)
};

} // namespace korvid
