#include "core/audio/WaveformOverview.h"

#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioFormats.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReadSentences.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <memory>

namespace korvid
{

namespace
{
constexpr int framesPerBlock = 65536;

const char* const cannotOpenSentence = "The file could not be opened for reading.";
const char* const noAudioSentence = "The file contains no audio.";
const char* const cancelledSentence = "Reading the audio was cancelled.";

int clampBucketCount (juce::int64 requested)
{
    return (int) juce::jlimit ((juce::int64) 1, (juce::int64) 20000, requested);
}

WaveformOverview emptyBuckets (int numBuckets, double sampleRate, juce::int64 sourceFrames, int numChannels)
{
    WaveformOverview overview;
    overview.minima.assign ((size_t) numBuckets, 0.0f);
    overview.maxima.assign ((size_t) numBuckets, 0.0f);
    overview.sampleRate = sampleRate;
    overview.lengthSeconds = sampleRate > 0.0 ? (double) sourceFrames / sampleRate : 0.0;
    overview.numChannels = numChannels;
    return overview;
}

/** Sorts frames into the buckets of an overview: of N frames, frame j belongs to bucket
    j * B / N. The frames of one bucket are taken as a run, so a bucket costs one division
    and its minimum and maximum come from the vector routines. */
class BucketFiller
{
public:
    BucketFiller (WaveformOverview& target, juce::int64 sourceFrames)
        : overview (target),
          numBuckets ((juce::int64) target.minima.size()),
          totalFrames (sourceFrames),
          filled ((size_t) numBuckets, false)
    {
    }

    /** `channels[c][i]` is the sample of channel c at frame `firstFrame` + i. */
    template <typename Sample>
    void add (const Sample* const* channels, int numChannels, juce::int64 firstFrame, int count)
    {
        if (numBuckets <= 0 || totalFrames <= 0 || numChannels <= 0)
            return;

        for (int offset = 0; offset < count;)
        {
            const juce::int64 frame = firstFrame + offset;
            const auto bucket = juce::jlimit ((juce::int64) 0, numBuckets - 1, frame * numBuckets / totalFrames);
            const juce::int64 nextBucketStart = ((bucket + 1) * totalFrames + numBuckets - 1) / numBuckets;
            const int run = (int) juce::jlimit ((juce::int64) 1, (juce::int64) (count - offset), nextBucketStart - frame);

            auto range = juce::FloatVectorOperations::findMinAndMax (channels[0] + offset, run);
            float lowest = (float) range.getStart();
            float highest = (float) range.getEnd();

            for (int channel = 1; channel < numChannels; ++channel)
            {
                range = juce::FloatVectorOperations::findMinAndMax (channels[channel] + offset, run);
                lowest = juce::jmin (lowest, (float) range.getStart());
                highest = juce::jmax (highest, (float) range.getEnd());
            }

            const auto index = (size_t) bucket;

            if (filled[index])
            {
                overview.minima[index] = juce::jmin (overview.minima[index], lowest);
                overview.maxima[index] = juce::jmax (overview.maxima[index], highest);
            }
            else
            {
                overview.minima[index] = lowest;
                overview.maxima[index] = highest;
                filled[index] = true;
            }

            offset += run;
        }
    }

private:
    WaveformOverview& overview;
    const juce::int64 numBuckets;
    const juce::int64 totalFrames;
    std::vector<bool> filled;
};

enum class ReadOutcome : int
{
    complete,
    brokenOff,
    cancelled
};

/** Reads `frames` frames from `startFrame` on, block by block, into the buckets. */
ReadOutcome readIntoBuckets (juce::AudioFormatReader& reader, juce::int64 startFrame, juce::int64 frames,
                             BucketFiller& filler, juce::String& error, const CancelTest& shouldCancel)
{
    const int channels = (int) reader.numChannels;
    juce::AudioBuffer<float> block (channels, (int) juce::jmin ((juce::int64) framesPerBlock, frames));

    for (juce::int64 done = 0; done < frames;)
    {
        if (isCancelled (shouldCancel))
        {
            error = cancelledSentence;
            return ReadOutcome::cancelled;
        }

        const int count = (int) juce::jmin ((juce::int64) framesPerBlock, frames - done);
        block.clear();

        if (! reader.read (block.getArrayOfWritePointers(), channels, startFrame + done, count))
        {
            error = damagedAudioSentence;
            return ReadOutcome::brokenOff;
        }

        filler.add (block.getArrayOfReadPointers(), channels, done, count);
        done += count;
    }

    return ReadOutcome::complete;
}

/** The overview of `frames` frames of a checked reader from `startFrame` on, once the memory
    budget allows it. */
WaveformOverview summariseReader (juce::AudioFormatReader& reader, juce::int64 startFrame, juce::int64 frames,
                                  int numBuckets, juce::String& error, const CancelTest& shouldCancel)
{
    const auto blockFrames = juce::jmin ((juce::int64) framesPerBlock, frames);
    const auto bytes = audioBufferBytes (reader.numChannels, blockFrames, (int) sizeof (float))
                     + audioBufferBytes (2, numBuckets, (int) sizeof (float));

    if (! checkAudioMemoryBudget (bytes, error))
        return {};

    auto overview = emptyBuckets (numBuckets, reader.sampleRate, reader.lengthInSamples, (int) reader.numChannels);
    BucketFiller filler (overview, frames);

    if (readIntoBuckets (reader, startFrame, frames, filler, error, shouldCancel) == ReadOutcome::cancelled)
        return {};

    overview.updatePeak();
    return overview;
}

double clampedFraction (double fraction)
{
    return std::isnan (fraction) ? 0.0 : juce::jlimit (0.0, 1.0, fraction);
}
} // namespace

double WaveformOverview::firstSoundPosition (float thresholdFraction, double leadInSeconds) const
{
    if (minima.empty() || ! (peak > 0.0f) || ! (lengthSeconds > 0.0))
        return 0.0;

    const float threshold = peak * juce::jlimit (0.0f, 1.0f, thresholdFraction);
    const auto numBuckets = minima.size();
    const auto count = juce::jmin (minima.size(), maxima.size());

    for (size_t i = 0; i < count; ++i)
    {
        if (juce::jmax (std::abs (minima[i]), std::abs (maxima[i])) > threshold)
        {
            const double position = ((double) i * lengthSeconds / (double) numBuckets - leadInSeconds) / lengthSeconds;
            return position > 0.0 ? juce::jmin (position, 1.0) : 0.0;
        }
    }

    return 0.0;
}

void WaveformOverview::updatePeak()
{
    peak = 0.0f;

    for (const auto value : minima)
        peak = juce::jmax (peak, std::abs (value));

    for (const auto value : maxima)
        peak = juce::jmax (peak, std::abs (value));
}

WaveformOverview makeWaveformOverview (const juce::AudioBuffer<double>& buffer, double sampleRate, int numBuckets,
                                       const CancelTest& shouldCancel)
{
    const int channels = buffer.getNumChannels();
    const int frames = buffer.getNumSamples();

    if (channels <= 0 || frames <= 0)
        return {};

    auto overview = emptyBuckets (clampBucketCount (numBuckets), sampleRate, frames, channels);
    BucketFiller filler (overview, frames);
    std::vector<const double*> pointers ((size_t) channels);

    for (int done = 0; done < frames; done += framesPerBlock)
    {
        if (isCancelled (shouldCancel))
            return {};

        for (int channel = 0; channel < channels; ++channel)
            pointers[(size_t) channel] = buffer.getReadPointer (channel, done);

        filler.add (pointers.data(), channels, done, juce::jmin (framesPerBlock, frames - done));
    }

    overview.updatePeak();
    return overview;
}

WaveformOverview readWaveformOverview (const juce::File& file, int numBuckets, juce::String& error,
                                       const CancelTest& shouldCancel)
{
    error.clear();
    AudioFileInfo info;

    if (! probeAudioFile (file, info, error))
        return {};

    auto reader = createBufferedReaderFor (file);

    if (reader == nullptr)
    {
        error = cannotOpenSentence;
        return {};
    }

    if (reader->lengthInSamples <= 0)
    {
        error = noAudioSentence;
        return {};
    }

    // The file may have changed since the probe.
    if (! checkReaderLimits (*reader, error))
        return {};

    return summariseReader (*reader, 0, reader->lengthInSamples, clampBucketCount (numBuckets), error, shouldCancel);
}

WaveformOverview readWaveformWindow (const juce::File& file, double startFraction, double endFraction, int maxBuckets,
                                     juce::String& error, const CancelTest& shouldCancel)
{
    error.clear();
    juce::String refusal;
    auto reader = createBufferedReaderFor (file, refusal);

    if (reader == nullptr)
    {
        error = refusal.isNotEmpty() ? refusal : juce::String (cannotOpenSentence);
        return {};
    }

    const juce::int64 length = reader->lengthInSamples;

    if (length <= 0)
    {
        error = noAudioSentence;
        return {};
    }

    // Nothing probed this file, and a corrupt header can claim any size.
    if (! checkReaderLimits (*reader, error))
        return {};

    const double low = juce::jmin (clampedFraction (startFraction), clampedFraction (endFraction));
    const double high = juce::jmax (clampedFraction (startFraction), clampedFraction (endFraction));

    const auto start = (juce::int64) ((double) length * low);
    const auto end = juce::jmax (start + 1, (juce::int64) ((double) length * high));
    const juce::int64 frames = juce::jmin (length, end) - start;

    if (frames <= 0)
        return {};

    const int numBuckets = clampBucketCount (juce::jmin (frames, (juce::int64) maxBuckets));
    return summariseReader (*reader, start, frames, numBuckets, error, shouldCancel);
}

} // namespace korvid
