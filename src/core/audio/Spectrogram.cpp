#include "core/audio/Spectrogram.h"

#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioFormats.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <memory>

namespace korvid
{

namespace
{
constexpr int framesPerBlock = 65536;
constexpr float floorLevelDb = -90.0f;

const char* const cannotOpenSentence = "The file could not be opened for reading.";
const char* const cancelledSentence = "Reading the audio was cancelled.";

int fftSizeForOrder (int fftOrder)
{
    return 1 << juce::jlimit (6, 14, fftOrder);
}

int clampFrameCount (int maxFrames)
{
    return juce::jlimit (16, 4000, maxFrames);
}

/** Fills `result` unless the cancel test stops it; false when cancelled. */
bool computeInto (const std::vector<float>& samples, double sampleRate, int fftOrder, int maxFrames,
                  SpectrogramData& result, const CancelTest& shouldCancel)
{
    result = {};

    const int size = fftSizeForOrder (fftOrder);
    const auto sampleCount = (juce::int64) samples.size();

    if (sampleCount < size || ! (sampleRate > 0.0))
        return true;

    const juce::int64 frameLimit = clampFrameCount (maxFrames);
    const juce::int64 hop = juce::jmax ((juce::int64) 1, (sampleCount - size) / juce::jmax (frameLimit - 1, (juce::int64) 1));
    const auto frames = (int) juce::jmin ((sampleCount - size) / hop + 1, frameLimit);
    const int bins = size / 2;

    SpectrogramData data;
    data.numFrames = frames;
    data.numBins = bins;
    data.fftSize = size;
    data.sampleRate = sampleRate;
    data.durationSeconds = (double) sampleCount / sampleRate;
    data.magnitudes.assign ((size_t) frames * (size_t) bins, floorLevelDb);

    std::vector<double> window ((size_t) size);

    for (int i = 0; i < size; ++i)
        window[(size_t) i] = (1.0 - std::cos (2.0 * juce::MathConstants<double>::pi * i / (size - 1))) / 2.0;

    std::vector<double> real ((size_t) size);
    std::vector<double> imaginary ((size_t) size);
    const double amplitudeScale = 2.0 / size;

    for (int frame = 0; frame < frames; ++frame)
    {
        if (isCancelled (shouldCancel))
            return false;

        const juce::int64 start = frame * hop;

        for (int i = 0; i < size; ++i)
        {
            const auto index = start + i;
            real[(size_t) i] = index < sampleCount ? (double) samples[(size_t) index] * window[(size_t) i] : 0.0;
            imaginary[(size_t) i] = 0.0;
        }

        fftInPlace (real, imaginary);

        float* row = data.magnitudes.data() + (size_t) frame * (size_t) bins;

        for (int bin = 0; bin < bins; ++bin)
        {
            const double amplitude = std::sqrt (real[(size_t) bin] * real[(size_t) bin]
                                                + imaginary[(size_t) bin] * imaginary[(size_t) bin])
                                   * amplitudeScale;
            const double level = amplitude > 0.0 ? 20.0 * std::log10 (amplitude) : (double) floorLevelDb;
            row[bin] = (float) juce::jlimit ((double) floorLevelDb, 0.0, level);
        }
    }

    result = std::move (data);
    return true;
}

/** How many samples the decimation keeps: every k-th frame of each block, counted from the
    block's start. */
juce::int64 keptSampleCount (juce::int64 length, juce::int64 step)
{
    const auto keptPerBlock = [step] (juce::int64 frames) { return (frames + step - 1) / step; };
    return (length / framesPerBlock) * keptPerBlock (framesPerBlock) + keptPerBlock (length % framesPerBlock);
}
} // namespace

double SpectrogramData::binFrequency (int bin) const
{
    if (fftSize < 1)
        return 0.0;

    return (bin + 0.5) * sampleRate / fftSize;
}

float SpectrogramData::valueAt (int frame, int bin) const
{
    if (frame < 0 || frame >= numFrames || bin < 0 || bin >= numBins)
        return floorDb;

    const auto index = (size_t) frame * (size_t) numBins + (size_t) bin;
    return index < magnitudes.size() ? magnitudes[index] : floorDb;
}

SpectrogramData computeSpectrogram (const std::vector<float>& samples, double sampleRate, int fftOrder, int maxFrames,
                                    const CancelTest& shouldCancel)
{
    SpectrogramData result;
    computeInto (samples, sampleRate, fftOrder, maxFrames, result, shouldCancel);
    return result;
}

SpectrogramData spectrogramOfBuffer (const juce::AudioBuffer<double>& buffer, double sampleRate, int fftOrder,
                                     int maxFrames, const CancelTest& shouldCancel)
{
    return computeSpectrogram (monoMixOf (buffer), sampleRate, fftOrder, maxFrames, shouldCancel);
}

std::vector<float> monoMixOf (const juce::AudioBuffer<double>& buffer)
{
    const int channels = buffer.getNumChannels();
    const int frames = buffer.getNumSamples();
    std::vector<float> mono ((size_t) juce::jmax (frames, 0), 0.0f);

    if (channels <= 0)
        return mono;

    const double share = 1.0 / channels;

    for (int channel = 0; channel < channels; ++channel)
    {
        const double* source = buffer.getReadPointer (channel);

        for (int i = 0; i < frames; ++i)
            mono[(size_t) i] += (float) (share * source[i]);
    }

    return mono;
}

SpectrogramData readSpectrogram (const juce::File& file, juce::String& error, int fftOrder, int maxFrames,
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

    // The file may have changed since the probe.
    if (! checkReaderLimits (*reader, error))
        return {};

    const juce::int64 size = fftSizeForOrder (fftOrder);
    const juce::int64 frameLimit = clampFrameCount (maxFrames);
    const juce::int64 length = reader->lengthInSamples;
    const int channels = (int) reader->numChannels;

    // Long files are thinned to about frameLimit x size samples; no low-pass filter, so
    // content above half the reduced rate folds back into the picture.
    const auto step = (int) juce::jmax ((juce::int64) 1, length / (frameLimit * size));
    const auto keptCount = keptSampleCount (length, step);
    const auto blockFrames = juce::jmin ((juce::int64) framesPerBlock, length);

    const auto bytes = audioBufferBytes (channels, blockFrames, (int) sizeof (float))
                     + audioBufferBytes (1, keptCount, (int) sizeof (float))
                     + audioBufferBytes (frameLimit, size / 2, (int) sizeof (float))
                     + audioBufferBytes (3, size, (int) sizeof (double));

    if (! checkAudioMemoryBudget (bytes, error))
        return {};

    std::vector<float> kept;
    kept.reserve ((size_t) keptCount);
    juce::AudioBuffer<float> block (channels, (int) blockFrames);
    const float share = 1.0f / (float) juce::jmax (channels, 1);

    for (juce::int64 done = 0; done < length;)
    {
        if (isCancelled (shouldCancel))
        {
            error = cancelledSentence;
            return {};
        }

        const int count = (int) juce::jmin ((juce::int64) framesPerBlock, length - done);
        block.clear();

        // A block that cannot be read ends the picture where the readable audio ends.
        if (! reader->read (block.getArrayOfWritePointers(), channels, done, count))
            break;

        const float* const* source = block.getArrayOfReadPointers();

        for (int i = 0; i < count; i += step)
        {
            float sum = 0.0f;

            for (int channel = 0; channel < channels; ++channel)
                sum += source[channel][i];

            kept.push_back (sum * share);
        }

        done += count;
    }

    const double fileRate = reader->sampleRate;
    SpectrogramData result;

    if (! computeInto (kept, fileRate / step, fftOrder, maxFrames, result, shouldCancel))
    {
        error = cancelledSentence;
        return {};
    }

    result.durationSeconds = fileRate > 0.0 ? (double) length / fileRate : 0.0;
    return result;
}

} // namespace korvid
