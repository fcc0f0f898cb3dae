#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** A buffered file stream that remembers every write, seek or flush that failed.

    The framework's audio writers finish a file in their destructors (header sizes,
    the FLAC stream information) and ignore failures there, and its file stream drops
    the result of the buffer flush done by a seek or a flush. This stream keeps its own
    buffer over an unbuffered file stream, so every failure reaches it, and it reports
    them through a flag that outlives the stream (the writer that owns it deletes it).
    After the first failure it writes nothing more (the file is to be discarded).
    Destroying the stream flushes, syncs to disk and closes the file. */
class CheckedFileOutputStream : public juce::OutputStream
{
public:
    CheckedFileOutputStream (const juce::File& file, size_t bufferSize, bool& failureFlag);
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
    bool& failed;

    JUCE_DECLARE_NON_COPYABLE (CheckedFileOutputStream)
};

} // namespace korvid
