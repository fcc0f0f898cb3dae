#include "core/platform/CheckedFileOutputStream.h"

#include <cstring>

namespace korvid
{

CheckedFileOutputStream::CheckedFileOutputStream (const juce::File& target, size_t size, Outcome& outcomeToFill)
    : file (target, 0),   // unbuffered: each write reports its own outcome
      buffer (juce::jmax (size, (size_t) 1)),
      bufferSize (juce::jmax (size, (size_t) 1)),
      outcome (outcomeToFill)
{
    if (file.failedToOpen())
    {
        outcome.reason = file.getStatus().getErrorMessage();
        outcome.failed = true;
    }
    else
    {
        position = file.getPosition();
        outcome.length = juce::jmax (outcome.length, position);
    }
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
    // A short write sets no error of its own; a refused one leaves the system's text.
    if (outcome.reason.isEmpty() && file.getStatus().failed())
        outcome.reason = file.getStatus().getErrorMessage();

    outcome.failed = true;
    return false;
}

bool CheckedFileOutputStream::flushBuffer()
{
    if (bytesInBuffer == 0)
        return ! outcome.failed;

    const auto count = bytesInBuffer;
    bytesInBuffer = 0;
    return (! outcome.failed && file.write (buffer.get(), count)) || fail();
}

void CheckedFileOutputStream::flush()
{
    if (outcome.failed)
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

    if (! outcome.failed && ! file.setPosition (newPosition))
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
    if (outcome.failed)
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
    outcome.length = juce::jmax (outcome.length, position);
    return true;
}

} // namespace korvid
