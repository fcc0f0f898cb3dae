#include "core/audio/TrackSplit.h"

#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReadSentences.h"
#include "core/audio/AudioReading.h"
#include "core/audio/StreamCapacity.h"
#include "core/audio/TrackSplitPart.h"
#include "core/codec/EncoderSettings.h"
#include "core/codec/JuceFileEncoder.h"
#include "core/codec/SampleQuantiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace korvid
{

namespace
{
    // Small enough that a block of 64 channels stays within a few megabytes.
    constexpr int framesPerBlock = 16384;

    const char* const cancelledSentence = "The split was cancelled.";

    std::optional<Codec> codecOfFileName (const juce::File& file)
    {
        const auto extension = file.getFileExtension().toLowerCase();

        if (extension == ".wav" || extension == ".wave")
            return Codec::wav;
        if (extension == ".aif" || extension == ".aiff" || extension == ".aifc")
            return Codec::aiff;
        if (extension == ".flac")
            return Codec::flac;

        return std::nullopt;
    }

    /** The words a part is written in. */
    struct PartWords
    {
        int bits = 24;               // 16, 24 or 32
        bool floatingPoint = false;  // 32-bit float

        // The delivery format that stands for these words where capabilities are asked.
        SampleFormat sampleFormat() const
        {
            return bits == 32 ? SampleFormat::float32 : (bits == 24 ? SampleFormat::pcm24 : SampleFormat::pcm16);
        }
    };

    // The source's own samples: float stays float, integer words keep their length (8-bit
    // ones go into 16 bits). Where the codec cannot store them (float or 32 bits outside WAV)
    // the part has 24 bits.
    PartWords partWords (Codec codec, const AudioFileInfo& source)
    {
        if (source.floatingPoint || source.bitsPerSample > 24)
            return codec == Codec::wav ? PartWords { 32, source.floatingPoint } : PartWords { 24, false };

        return { source.bitsPerSample > 16 ? 24 : 16, false };
    }

    // The grid both parts can hold a faded sample on: the shorter integer word, or float.
    PartWords coarserWords (PartWords a, PartWords b)
    {
        if (a.floatingPoint)
            return b;

        return b.floatingPoint || a.bits <= b.bits ? a : b;
    }

    EncoderSettings partSettings (Codec codec, PartWords words, double rate, int channels)
    {
        EncoderSettings settings;
        settings.codec = codec;
        settings.sampleFormat = words.sampleFormat();
        settings.sampleRate = rate;
        settings.channels = channels;
        settings.mp3Bitrate = 320;
        settings.dither = Dither::none;
        settings.ditherSeed = 1;
        return settings;
    }

    // The nearest whole number (halves away from zero), kept within 0..limit.
    juce::int64 roundedFrame (double position, juce::int64 limit)
    {
        if (std::isnan (position) || position <= 0.0)
            return 0;

        if (position >= (double) limit)
            return limit;

        return juce::jmin (limit, (juce::int64) std::llround (position));
    }

    // The sample a word read from the source stands for: a float's bits, or an integer
    // with the file's bits at the top of 32. Exact either way.
    inline double sampleOfWord (int word, bool floatWords)
    {
        if (floatWords)
        {
            float value;
            std::memcpy (&value, &word, sizeof (value));
            return value;
        }

        return (double) word * (1.0 / 2147483648.0);
    }

    // The step the written word can hold near this sample: the sample's own float
    // step for float words, the integer step otherwise. The first part's faded samples
    // are put on it, so that the source minus them is exactly representable too and
    // the two parts add up to the source without a rounding error.
    double stepNear (double sample, PartWords words)
    {
        if (! words.floatingPoint)
            return std::ldexp (1.0, -(words.bits - 1));

        int exponent = 0;
        std::frexp ((float) sample, &exponent);
        return std::ldexp (1.0, juce::jmax (exponent - 24, -149));
    }

    // One part's share of a sample inside the crossfade, where the first part keeps `gain`.
    double fadedShare (double sample, double gain, bool isFirst, PartWords grid)
    {
        // Infinity or not-a-number cannot be shared out: it goes whole to one side.
        if (! std::isfinite (sample))
            return isFirst == (gain >= 0.5) ? sample : 0.0;

        if (sample == 0.0)
            return isFirst ? sample : 0.0;

        const double step = stepNear (sample, grid);
        const double first = std::round (gain * sample / step) * step;
        return isFirst ? first : sample - first;
    }

    /** Samples into the words a part's writer takes. Float parts are never clamped: a
        take over full scale keeps its level. */
    void toPartWords (const double* samples, int* words, int count, PartWords format)
    {
        if (! format.floatingPoint)
        {
            quantiseToPcm (samples, words, count, format.bits);
            return;
        }

        for (int i = 0; i < count; ++i)
        {
            const auto value = (float) samples[i];
            std::memcpy (words + i, &value, sizeof (value));
        }
    }

    /** What one part is, and how its samples come from the source's. */
    struct PartPlan
    {
        juce::File target;
        Codec codec = Codec::wav;
        PartWords words;
        bool isFirst = true;
        bool takesSourceWords = false;   // its writer takes the source's words as they are read
    };

    /** The frames of the source and of both parts, a block at a time. */
    class SplitBlocks
    {
    public:
        SplitBlocks (int numChannels, bool floatSource, juce::int64 cutFrame, juce::int64 fadeFrames,
                     PartWords fadeGrid)
            : channels (numChannels), floatWords (floatSource), cut (cutFrame), fade (fadeFrames), grid (fadeGrid),
              source ((size_t) channels * framesPerBlock), part ((size_t) channels * framesPerBlock),
              zeros (framesPerBlock, 0), samples (framesPerBlock),
              sourceChannels ((size_t) channels), partChannels ((size_t) channels),
              zeroChannels ((size_t) channels, zeros.data())
        {
            for (int ch = 0; ch < channels; ++ch)
            {
                sourceChannels[(size_t) ch] = source.data() + (size_t) ch * framesPerBlock;
                partChannels[(size_t) ch] = part.data() + (size_t) ch * framesPerBlock;
            }
        }

        bool read (juce::AudioFormatReader& reader, juce::int64 start, int count)
        {
            blockStart = start;
            blockFrames = count;
            return reader.read (sourceChannels.data(), channels, start, count, false);
        }

        /** The block of one part, in the words its writer takes. */
        const int* const* partBlock (const PartPlan& plan)
        {
            const auto blockEnd = blockStart + blockFrames;
            const bool wholeSource = plan.isFirst ? blockEnd <= cut : blockStart >= cut + fade;
            const bool silent = plan.isFirst ? blockStart >= cut + fade : blockEnd <= cut;

            if (wholeSource && plan.takesSourceWords)
                return sourceChannels.data();

            if (silent)
                return zeroChannels.data();

            for (int ch = 0; ch < channels; ++ch)
                fillPartChannel (plan, sourceChannels[(size_t) ch], partChannels[(size_t) ch]);

            return partChannels.data();
        }

    private:
        int relative (juce::int64 frame) const
        {
            return (int) juce::jlimit ((juce::int64) 0, (juce::int64) blockFrames, frame - blockStart);
        }

        void fillPartChannel (const PartPlan& plan, const int* in, int* out)
        {
            const int fadeFrom = relative (cut), fadeTo = relative (cut + fade);
            const int copyFrom = plan.isFirst ? 0 : fadeTo, copyTo = plan.isFirst ? fadeFrom : blockFrames;
            const int zeroFrom = plan.isFirst ? fadeTo : 0, zeroTo = plan.isFirst ? blockFrames : fadeFrom;

            std::fill (out + zeroFrom, out + zeroTo, 0);

            if (plan.takesSourceWords)
            {
                std::copy (in + copyFrom, in + copyTo, out + copyFrom);
            }
            else
            {
                for (int i = copyFrom; i < copyTo; ++i)
                    samples[(size_t) (i - copyFrom)] = sampleOfWord (in[i], floatWords);

                toPartWords (samples.data(), out + copyFrom, copyTo - copyFrom, plan.words);
            }

            for (int i = fadeFrom; i < fadeTo; ++i)
            {
                const double gain = 1.0 - (double) (blockStart + i - cut) / (double) fade;
                samples[(size_t) (i - fadeFrom)] = fadedShare (sampleOfWord (in[i], floatWords), gain, plan.isFirst, grid);
            }

            toPartWords (samples.data(), out + fadeFrom, fadeTo - fadeFrom, plan.words);
        }

        const int channels;
        const bool floatWords;
        const juce::int64 cut, fade;
        const PartWords grid;

        std::vector<int> source, part, zeros;
        std::vector<double> samples;
        std::vector<int*> sourceChannels;
        std::vector<int*> partChannels;
        std::vector<int*> zeroChannels;

        juce::int64 blockStart = 0;
        int blockFrames = 0;
    };
} // namespace

TrackSplitResult TrackSplitResult::failure (const juce::String& message)
{
    return { false, message };
}

TrackSplitResult splitTrackFile (const TrackSplitRequest& request, const CancelTest& shouldCancel)
{
    if (! request.source.existsAsFile())
        return TrackSplitResult::failure ("The track's file is no longer where it was imported from.");

    if (request.firstPart.exists() || request.secondPart.exists())
        return TrackSplitResult::failure ("There is already a file with one of those names.");

    // Writing the second part would replace the first.
    if (request.firstPart == request.secondPart)
        return TrackSplitResult::failure ("The two parts need different names.");

    if (std::isnan (request.splitSeconds))
        return TrackSplitResult::failure ("The split point is not a valid time.");

    const auto firstCodec = codecOfFileName (request.firstPart);
    const auto secondCodec = codecOfFileName (request.secondPart);

    // Never write one codec's data under another codec's name.
    if (! firstCodec.has_value() || ! secondCodec.has_value())
        return TrackSplitResult::failure ("Both parts need a WAV, AIFF or FLAC file name (.wav, .aif, .aiff or .flac).");

    AudioFileInfo info;
    juce::String error;

    if (! probeAudioFile (request.source, info, error))
        return TrackSplitResult::failure (error);

    const double rate = info.sampleRate > 0.0 ? info.sampleRate : 48000.0;
    std::array<PartPlan, 2> plans;
    plans[0] = { request.firstPart, *firstCodec, partWords (*firstCodec, info), true, false };
    plans[1] = { request.secondPart, *secondCodec, partWords (*secondCodec, info), false, false };

    // Refused before anything is read.
    for (const auto& plan : plans)
        if (! checkEncoderSettings (plan.codec, partSettings (plan.codec, plan.words, rate, info.numChannels),
                                    info.numChannels, error))
            return TrackSplitResult::failure (error);

    auto reader = openAudioFileForReading (request.source, error);

    if (reader == nullptr)
        return TrackSplitResult::failure (error);

    const juce::int64 frames = reader->lengthInSamples;
    const int channels = (int) reader->numChannels;
    const bool floatSource = reader->usesFloatingPointData;
    const int sourceBits = (int) reader->bitsPerSample;

    if (frames <= 0)
        return TrackSplitResult::failure ("That track has no audio in it.");

    if (! fileMayHoldFrames (request.source, *reader, frames))
        return TrackSplitResult::failure (damagedAudioSentence);

    // A writer takes the words as read when it stores them as they are: float bits in a
    // float part, integers in a part of at least their length.
    for (auto& plan : plans)
        plan.takesSourceWords = floatSource ? plan.words.floatingPoint
                                            : ! plan.words.floatingPoint && plan.words.bits >= sourceBits;

    const auto cut = roundedFrame (rate * request.splitSeconds, frames);
    const auto fade = roundedFrame (request.crossfadeMs * 0.001 * rate, frames - cut);

    // Both parts put the faded samples on the coarser of their two word lengths.
    SplitBlocks blocks (channels, floatSource, cut, fade, coarserWords (plans[0].words, plans[1].words));
    std::array<TrackSplitPart, 2> parts;

    for (size_t p = 0; p < parts.size(); ++p)
        if (! parts[p].open (plans[p].target, plans[p].codec, plans[p].words.bits, plans[p].words.floatingPoint, rate,
                             channels, frames, error))
            return TrackSplitResult::failure (error);

    for (juce::int64 start = 0; start < frames; start += framesPerBlock)
    {
        if (isCancelled (shouldCancel))
            return TrackSplitResult::failure (cancelledSentence);

        const int count = (int) juce::jmin ((juce::int64) framesPerBlock, frames - start);

        if (! blocks.read (*reader, start, count))
            return TrackSplitResult::failure (damagedAudioSentence);

        for (size_t p = 0; p < parts.size(); ++p)
            if (! parts[p].write (blocks.partBlock (plans[p]), count, error))
                return TrackSplitResult::failure (error);
    }

    for (auto& part : parts)
        if (! part.finish (error))
            return TrackSplitResult::failure (error);

    if (isCancelled (shouldCancel))
        return TrackSplitResult::failure (cancelledSentence);

    if (! parts[0].commit (error))
        return TrackSplitResult::failure (error);

    if (! parts[1].commit (error))
    {
        request.firstPart.deleteFile();
        return TrackSplitResult::failure (error);
    }

    return { true, {} };
}

} // namespace korvid
