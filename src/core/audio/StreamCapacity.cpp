#include "core/audio/StreamCapacity.h"

#include "core/audio/AudioMemoryBudget.h"

namespace korvid
{

namespace
{
// The smallest FLAC frame: a 6-byte header, a subframe of at least 9 bits per channel
// and a 2-byte footer; it holds at most 65536 frames.
constexpr juce::int64 flacFrameOverheadBytes = 8;
constexpr juce::int64 maxFlacBlockFrames = 65536;
} // namespace

bool fileMayHoldFrames (const juce::File& file, const juce::AudioFormatReader& reader, juce::int64 endFrame)
{
    const auto format = reader.getFormatName();
    const auto fileBytes = file.getSize();

    if (format.startsWithIgnoreCase ("FLAC"))
    {
        const auto smallestFrame = flacFrameOverheadBytes + (juce::int64) reader.numChannels;
        const auto mostBlocks = fileBytes / smallestFrame + 1;
        return endFrame <= mostBlocks * maxFlacBlockFrames;
    }

    if (format.startsWithIgnoreCase ("WAV") || format.startsWithIgnoreCase ("AIFF"))
    {
        const auto bytesPerSample = (int) (reader.bitsPerSample + 7) / 8;
        return audioBufferBytes (reader.numChannels, endFrame, bytesPerSample) <= fileBytes;
    }

    return true;
}

} // namespace korvid
