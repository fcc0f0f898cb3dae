#include "core/audio/AudioReading.h"

#include "core/audio/AudioFormats.h"
#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReadSentences.h"
#include "core/audio/Resampler.h"
#include "core/audio/StreamCapacity.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <memory>

namespace korvid
{

namespace
{
constexpr int framesPerBlock = 65536;

const char* const cancelledSentence = "Reading the audio was cancelled.";

bool needsConversion (double targetRate, double fileRate)
{
    return targetRate > 0.0 && std::abs (targetRate - fileRate) > 0.5;
}

/** Probes the file, then opens the reader that delivers the data and checks it again. */
std::unique_ptr<juce::AudioFormatReader> openForReading (const juce::File& file, juce::String& error)
{
    error.clear();
    AudioFileInfo info;

    if (! probeAudioFile (file, info, error))
        return nullptr;

    juce::String refusal;
    auto reader = createBufferedReaderFor (file, refusal);

    if (reader == nullptr)
    {
        error = refusal.isNotEmpty() ? refusal : juce::String ("The file became unreadable between the two passes.");
        return nullptr;
    }

    if (! checkReaderLimits (*reader, error))
        return nullptr;

    return reader;
}

/** Memory for the samples as doubles, the converted copy and the block read as floats. */
bool fitsMemory (int channels, juce::int64 frames, juce::int64 convertedFrames, juce::String& error)
{
    const auto doubleBytes = (int) sizeof (double);
    const auto total = audioBufferBytes (channels, frames, doubleBytes)
                     + audioBufferBytes (channels, convertedFrames, doubleBytes)
                     + audioBufferBytes (channels, framesPerBlock, (int) sizeof (float));

    return checkAudioMemoryBudget (total, error);
}

/** Reads `frames` frames from `startFrame` on into `destination`, widened to double,
    one block at a time. */
bool readFrames (juce::AudioFormatReader& reader, juce::int64 startFrame, int frames,
                 juce::AudioBuffer<double>& destination, juce::String& error, const CancelTest& shouldCancel)
{
    const int channels = (int) reader.numChannels;
    juce::AudioBuffer<float> block (channels, juce::jmin (frames, framesPerBlock));

    for (int done = 0; done < frames;)
    {
        if (isCancelled (shouldCancel))
        {
            error = cancelledSentence;
            return false;
        }

        const int count = juce::jmin (framesPerBlock, frames - done);
        block.clear();

        if (! reader.read (block.getArrayOfWritePointers(), channels, startFrame + done, count))
        {
            error = damagedAudioSentence;
            return false;
        }

        for (int channel = 0; channel < channels; ++channel)
        {
            const float* source = block.getReadPointer (channel);
            double* target = destination.getWritePointer (channel, done);

            for (int i = 0; i < count; ++i)
                target[i] = (double) source[i];
        }

        done += count;
    }

    return true;
}

/** What the output buffer may be used for while reading. */
enum class OutputUse
{
    assignedOnSuccess,   // keeps what it held when the read fails
    reusedMemory         // read into directly; its memory is reused when large enough
};

/** Reads the frames and converts them when the target rate asks for it. With reused
    memory, `sourceScratch` (when given) holds the frames at the file's rate. */
bool readAndConvert (const juce::File& file, juce::AudioFormatReader& reader, juce::int64 startFrame, int frames,
                     double targetRate, juce::AudioBuffer<double>& output, juce::String& error,
                     const CancelTest& shouldCancel, OutputUse use = OutputUse::assignedOnSuccess,
                     juce::AudioBuffer<double>* sourceScratch = nullptr)
{
    if (! fileMayHoldFrames (file, reader, startFrame + frames))
    {
        error = damagedAudioSentence;
        return false;
    }

    // Fresh memory costs a page fault per page on first touch, which for long files is
    // more than the reading itself; a buffer that is read into again and again avoids it.
    if (use == OutputUse::reusedMemory)
    {
        const bool converts = needsConversion (targetRate, reader.sampleRate);
        juce::AudioBuffer<double> ownScratch;
        auto& samples = ! converts ? output : (sourceScratch != nullptr ? *sourceScratch : ownScratch);
        samples.setSize ((int) reader.numChannels, frames, false, false, true);

        if (! readFrames (reader, startFrame, frames, samples, error, shouldCancel))
            return false;

        if (converts && ! resampleBufferInto (samples, reader.sampleRate, targetRate, output, shouldCancel))
        {
            error = isCancelled (shouldCancel) ? juce::String (cancelledSentence)
                                               : juce::String ("The audio could not be converted to the requested sample rate.");
            return false;
        }

        return true;
    }

    juce::AudioBuffer<double> samples ((int) reader.numChannels, frames);

    if (! readFrames (reader, startFrame, frames, samples, error, shouldCancel))
        return false;

    if (! needsConversion (targetRate, reader.sampleRate))
    {
        output = std::move (samples);
        return true;
    }

    auto converted = resampleBuffer (samples, reader.sampleRate, targetRate, shouldCancel);

    if (converted.getNumChannels() != samples.getNumChannels())
    {
        error = isCancelled (shouldCancel) ? juce::String (cancelledSentence)
                                           : juce::String ("The audio could not be converted to the requested sample rate.");
        return false;
    }

    output = std::move (converted);
    return true;
}

/** The refusals of a whole read, in order: too long, too long once converted, too large
    for memory. `convertedLength` becomes the length at the target rate (0 when the file
    keeps its own rate). */
bool checkWholeRead (const juce::AudioFormatReader& reader, double targetRate, juce::int64 maxFrames,
                     juce::int64& convertedLength, juce::String& error)
{
    const juce::int64 length = reader.lengthInSamples;
    const juce::int64 frameLimit = juce::jmin (maxFrames, maxBufferFrames);
    convertedLength = 0;

    if (length > frameLimit)
    {
        error = "The file is too long to render (" + juce::String (length) + " frames).";
        return false;
    }

    if (needsConversion (targetRate, reader.sampleRate))
    {
        convertedLength = resampledLength (length, reader.sampleRate, targetRate);

        if (convertedLength > frameLimit)
        {
            error = "The file is too long once converted to the project sample rate.";
            return false;
        }
    }

    return fitsMemory ((int) reader.numChannels, length, convertedLength, error);
}

bool readWholeFile (const juce::File& file, double targetRate, juce::AudioBuffer<double>& output,
                    juce::String& error, juce::int64 maxFrames, const CancelTest& shouldCancel, OutputUse use,
                    juce::AudioBuffer<double>* sourceScratch = nullptr)
{
    auto reader = openForReading (file, error);

    if (reader == nullptr)
        return false;

    const juce::int64 length = reader->lengthInSamples;
    juce::int64 convertedLength = 0;

    if (! checkWholeRead (*reader, targetRate, maxFrames, convertedLength, error))
        return false;

    return readAndConvert (file, *reader, 0, (int) length, targetRate, output, error, shouldCancel, use, sourceScratch);
}
} // namespace

bool addAudioFileInto (const juce::File& file, double targetRate, juce::AudioBuffer<double>& destination,
                       juce::String& error, juce::int64 maxFrames, const CancelTest& shouldCancel, AddOnto onto,
                       juce::AudioBuffer<double>* sourceRateScratch)
{
    auto reader = openForReading (file, error);

    if (reader == nullptr)
        return false;

    // The refusals of a whole read, so a file is refused alike on either path.
    const juce::int64 length = reader->lengthInSamples;
    const bool converts = needsConversion (targetRate, reader->sampleRate);
    juce::int64 convertedLength = 0;

    if (! checkWholeRead (*reader, targetRate, maxFrames, convertedLength, error))
        return false;

    const int channels = (int) reader->numChannels;

    if (channels > destination.getNumChannels())
    {
        error = "The file has more channels than the buffer it is added to.";
        return false;
    }

    if (! fileMayHoldFrames (file, *reader, length))
    {
        error = damagedAudioSentence;
        return false;
    }

    const int frames = (int) juce::jmin (converts ? convertedLength : length, (juce::int64) destination.getNumSamples());
    const bool fills = onto == AddOnto::nothing;

    if (frames < 1)
    {
        if (fills)
            destination.clear();

        return true;
    }

    // As juce::AudioBuffer::addFrom onto a cleared buffer: its first channel is copied
    // (keeping the sign of a zero), every other one added onto the zeros. Filling writes
    // the same values, zeros where the file has nothing, without clearing first.
    const bool copyFirstChannel = fills || destination.hasBeenCleared();

    const auto addBlock = [&] (const auto& block, int start, int count)
    {
        for (int channel = 0; channel < destination.getNumChannels(); ++channel)
        {
            double* target = destination.getWritePointer (channel, start);

            if (channel >= channels && channels != 1)
            {
                if (! fills)
                    break;

                juce::FloatVectorOperations::clear (target, count);
                continue;
            }

            const auto* source = block.getReadPointer (channels == 1 ? 0 : channel);

            if (channel == 0 && copyFirstChannel)
                for (int i = 0; i < count; ++i)
                    target[i] = (double) source[i];
            else if (fills)
                for (int i = 0; i < count; ++i)
                    target[i] = 0.0 + (double) source[i];
            else
                for (int i = 0; i < count; ++i)
                    target[i] += (double) source[i];
        }
    };

    if (! converts)
    {
        juce::AudioBuffer<float> block (channels, juce::jmin (frames, framesPerBlock));

        for (int done = 0; done < frames;)
        {
            if (isCancelled (shouldCancel))
            {
                error = cancelledSentence;
                return false;
            }

            const int count = juce::jmin (framesPerBlock, frames - done);
            block.clear();

            if (! reader->read (block.getArrayOfWritePointers(), channels, done, count))
            {
                error = damagedAudioSentence;
                return false;
            }

            addBlock (block, done, count);
            done += count;
        }
    }
    else
    {
        // The file is held at its own rate; its converted frames are made a block at a
        // time, each the same as a whole conversion's, and added as they come.
        juce::AudioBuffer<double> ownScratch;
        auto& samples = sourceRateScratch != nullptr ? *sourceRateScratch : ownScratch;
        samples.setSize (channels, (int) length, false, false, true);

        if (! readFrames (*reader, 0, (int) length, samples, error, shouldCancel))
            return false;

        const auto resampler = makeAudioResampler (reader->sampleRate, targetRate);
        juce::AudioBuffer<double> block (channels, juce::jmin (frames, framesPerBlock));

        for (int done = 0; done < frames;)
        {
            const int count = juce::jmin (framesPerBlock, frames - done);

            for (int channel = 0; channel < channels; ++channel)
            {
                if (! resampler.process (samples.getReadPointer (channel), (int) length, block.getWritePointer (channel),
                                         count, shouldCancel, done))
                {
                    error = cancelledSentence;
                    return false;
                }
            }

            addBlock (block, done, count);
            done += count;
        }
    }

    if (fills)
        for (int channel = 0; channel < destination.getNumChannels(); ++channel)
            juce::FloatVectorOperations::clear (destination.getWritePointer (channel, frames),
                                                destination.getNumSamples() - frames);

    return true;
}

std::unique_ptr<juce::AudioFormatReader> openAudioFileForReading (const juce::File& file, juce::String& error)
{
    return openForReading (file, error);
}

bool readAudioFileForRender (const juce::File& file, double targetRate, juce::AudioBuffer<double>& output,
                             juce::String& error, juce::int64 maxFrames, const CancelTest& shouldCancel)
{
    return readWholeFile (file, targetRate, output, error, maxFrames, shouldCancel, OutputUse::assignedOnSuccess);
}

bool readAudioFileIntoReusedBuffer (const juce::File& file, double targetRate, juce::AudioBuffer<double>& buffer,
                                    juce::String& error, juce::int64 maxFrames, const CancelTest& shouldCancel,
                                    juce::AudioBuffer<double>* sourceRateScratch)
{
    return readWholeFile (file, targetRate, buffer, error, maxFrames, shouldCancel, OutputUse::reusedMemory,
                          sourceRateScratch);
}

bool readWholeAudioFile (const juce::File& file, juce::AudioBuffer<double>& output, juce::String& error,
                         const CancelTest& shouldCancel)
{
    return readAudioFileForRender (file, 0.0, output, error, renderFrameLimit, shouldCancel);
}

bool readAudioRange (const juce::File& file, double targetRate, double startSeconds, double lengthSeconds,
                     juce::AudioBuffer<double>& output, juce::String& error, const CancelTest& shouldCancel)
{
    auto reader = openForReading (file, error);

    if (reader == nullptr)
        return false;

    const double rate = reader->sampleRate;
    const juce::int64 length = reader->lengthInSamples;

    // Clamped as doubles first so that no huge or invalid time can overflow the conversion.
    const double startPosition = startSeconds > 0.0 ? juce::jmin (startSeconds * rate, (double) length) : 0.0;
    const auto start = juce::jlimit ((juce::int64) 0, length, (juce::int64) startPosition);

    const juce::int64 count = lengthSeconds > 0.0
                                ? (juce::int64) juce::jmin (lengthSeconds * rate, (double) length)
                                : length;

    const juce::int64 frames = juce::jmin (length - start, count);

    if (frames <= 0)
    {
        error = "The requested range starts past the end of the file.";
        return false;
    }

    if (frames > maxBufferFrames)
    {
        error = "The requested range is too long to read at once (" + juce::String (frames) + " frames).";
        return false;
    }

    juce::int64 convertedLength = 0;

    if (needsConversion (targetRate, rate))
    {
        convertedLength = resampledLength (frames, rate, targetRate);

        if (convertedLength > maxBufferFrames)
        {
            error = "The requested range is too long once converted to the requested sample rate ("
                  + juce::String (convertedLength) + " frames).";
            return false;
        }
    }

    if (! fitsMemory ((int) reader->numChannels, frames, convertedLength, error))
        return false;

    return readAndConvert (file, *reader, start, (int) frames, targetRate, output, error, shouldCancel);
}

} // namespace korvid
