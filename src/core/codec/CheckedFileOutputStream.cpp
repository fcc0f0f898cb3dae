#include "core/codec/CheckedFileOutputStream.h"

#include <cstring>

namespace korvid
{

CheckedFileOutputStream::CheckedFileOutputStream (const juce::File& target, size_t size, bool& failureFlag)
    : file (target, 0),   // unbuffered: each write reports its own outcome
      buffer (juce::jmax (size, (size_t) 1)),
      bufferSize (juce::jmax (size, (size_t) 1)),
      failed (failureFlag)
{
    if (file.failedToOpen())
        failed = true;
    else
        position = file.getPosition();
}

CheckedFileOutputStream::~CheckedFileOutputStream()
{
    flush();
}

bool CheckedFileOutputStream::openedOk() const
{
    return file.openedOk();
}

bool CheckedFileOutputStream::fail()
{
    failed = true;
    return false;
}

bool CheckedFileOutputStream::flushBuffer()
{
    if (bytesInBuffer == 0)
        return ! failed;

    const auto count = bytesInBuffer;
    bytesInBuffer = 0;
    return (! failed && file.write (buffer.get(), count)) || fail();
}

void CheckedFileOutputStream::flush()
{
    if (failed)
    {
        bytesInBuffer = 0;
        return;
    }

    flushBuffer();
    file.flush();   // syncs the file to disk

    if (file.getStatus().failed())
        fail();
}

bool CheckedFileOutputStream::setPosition (juce::int64 newPosition)
{
    if (newPosition == position)
        return true;

    flushBuffer();

    if (! failed && ! file.setPosition (newPosition))
        return fail();

    position = newPosition;
    return true;
}

juce::int64 CheckedFileOutputStream::getPosition()
{
    return position;
}

bool CheckedFileOutputStream::write (const void* data, size_t numBytes)
{
    // After a failure the file is discarded anyway; positions still move so the
    // writers finishing their headers see a consistent stream.
    if (failed)
    {
        position += (juce::int64) numBytes;
        return false;
    }

    if (bytesInBuffer + numBytes <= bufferSize)
    {
        std::memcpy (buffer.get() + bytesInBuffer, data, numBytes);
        bytesInBuffer += numBytes;
    }
    else
    {
        const bool flushed = flushBuffer();

        if (flushed && numBytes <= bufferSize)
        {
            std::memcpy (buffer.get(), data, numBytes);
            bytesInBuffer = numBytes;
        }
        else if (! flushed || ! file.write (data, numBytes))
        {
            position += (juce::int64) numBytes;
            return fail();
        }
    }

    position += (juce::int64) numBytes;
    return true;
}

} // namespace korvid
