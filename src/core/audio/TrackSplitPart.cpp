#include "core/audio/TrackSplitPart.h"

#include "core/audio/AudioFormats.h"
#include "core/codec/FloatWavWriter.h"

#include <algorithm>

namespace korvid
{

namespace
{
    constexpr size_t streamBufferBytes = 1 << 20;
} // namespace

bool TrackSplitPart::open (const juce::File& target, Codec codec, int bits, bool floatingPoint, double sampleRate,
                           int channels, juce::int64 frames, juce::String& error)
{
    // The shared formats' writers are the framework's own.
    auto* frameworkFormat = codec == Codec::mp3 ? nullptr
                                                : audioFormatManager().findFormatForFileExtension (codecExtension (codec));

    if (frameworkFormat == nullptr)
    {
        error = "Only WAV, AIFF and FLAC parts can be written.";
        return false;
    }

    safeWriter = std::make_unique<SafeFileWriter> (target);

    if (safeWriter->temporary == nullptr)
    {
        error = safeWriter->error;
        return false;
    }

    auto stream = safeWriter->createOutputStream (streamBufferBytes);

    if (stream == nullptr)
    {
        error = "Could not open '" + safeWriter->temporaryFile().getFullPathName() + "' for writing.";
        return false;
    }

    // 32-bit WAV words (float, or integer, which the framework cannot write) get a header of
    // their own; every other file is the framework's.
    if (codec == Codec::wav && bits == 32)
        writer = std::make_unique<FloatWavWriter> (stream.get(), sampleRate, channels, frames,
                                                   floatingPoint ? WavWords32::ieeeFloat : WavWords32::integer);
    else if (! floatingPoint)
        writer.reset (frameworkFormat->createWriterFor (stream.get(), sampleRate, (unsigned int) channels, bits, {}, 0));

    if (writer == nullptr)
    {
        error = "The " + toString (codec).toUpperCase() + " writer rejected these settings ("
              + toString (codec).toUpperCase() + " " + formatBitDepth (bits, floatingPoint) + " "
              + formatSampleRate (sampleRate) + " " + juce::String (channels) + " ch).";
        return false;
    }

    stream.release();   // the writer owns it now
    channelList.assign ((size_t) channels + 1, nullptr);
    return true;
}

bool TrackSplitPart::write (const int* const* channels, int count, juce::String& error)
{
    if (writer == nullptr)
    {
        error = "The part was never opened for writing.";
        return false;
    }

    // The framework's writers take a list that ends in a null pointer.
    std::copy (channels, channels + (channelList.size() - 1), channelList.begin());

    if (! writer->write (channelList.data(), count) || safeWriter->writeFailed())
    {
        error = "Writing failed part-way through; the disk may be full.";
        return false;
    }

    return true;
}

bool TrackSplitPart::finish (juce::String& error)
{
    // Finishing writes the header sizes (and FLAC's stream information); then the stream
    // flushes, syncs and closes, and any failure there leaves the target name alone.
    writer.reset();

    if (safeWriter == nullptr || safeWriter->temporary == nullptr || safeWriter->writeFailed())
    {
        error = "Finishing the file failed; the disk may be full.";
        return false;
    }

    return true;
}

bool TrackSplitPart::commit (juce::String& error)
{
    const auto target = safeWriter->target;

    switch (safeWriter->commitAsNewFile (target))
    {
        case NewName::claimed:
            return true;

        case NewName::taken:
            error = "There is already a file with one of those names.";
            return false;

        case NewName::failed:
            break;
    }

    error = safeWriter->error;
    return false;
}

} // namespace korvid
