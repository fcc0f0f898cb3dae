#include "core/audio/TrackSplit.h"

#include "core/audio/AudioFileInfo.h"
#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/codec/EncoderFactory.h"
#include "core/codec/JuceFileEncoder.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace korvid
{

namespace
{
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

    // The source's word length; 32-bit sources stay float where the codec has float.
    SampleFormat partFormat (Codec codec, int sourceBits)
    {
        if (sourceBits >= 32)
            return codec == Codec::wav ? SampleFormat::float32 : SampleFormat::pcm24;

        return sourceBits >= 24 ? SampleFormat::pcm24 : SampleFormat::pcm16;
    }

    SampleFormat coarserFormat (SampleFormat a, SampleFormat b)
    {
        if (a == SampleFormat::pcm16 || b == SampleFormat::pcm16)
            return SampleFormat::pcm16;

        return a == SampleFormat::pcm24 || b == SampleFormat::pcm24 ? SampleFormat::pcm24 : SampleFormat::float32;
    }

    EncoderSettings partSettings (Codec codec, SampleFormat format, double rate, int channels)
    {
        EncoderSettings settings;
        settings.codec = codec;
        settings.sampleFormat = format;
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

    // The step the written word can hold near this sample: the sample's own float
    // step for float32, the integer step otherwise. The first part's faded samples
    // are put on it, so that the source minus them is exactly representable too and
    // the two parts add up to the source without a rounding error.
    double stepNear (double sample, SampleFormat format)
    {
        if (format != SampleFormat::float32)
            return std::ldexp (1.0, -(encodedBitsPerSample (format) - 1));

        int exponent = 0;
        std::frexp ((float) sample, &exponent);
        return std::ldexp (1.0, juce::jmax (exponent - 24, -149));
    }

    double fadedOnStep (double sample, double gain, SampleFormat format)
    {
        if (sample == 0.0)
            return 0.0;

        const double step = stepNear (sample, format);
        return std::round (gain * sample / step) * step;
    }

    void fillPart (const juce::AudioBuffer<double>& source, juce::AudioBuffer<double>& part, bool isFirst,
                   int cut, int fade, SampleFormat format)
    {
        const int frames = source.getNumSamples();
        part.clear();

        for (int ch = 0; ch < source.getNumChannels(); ++ch)
        {
            const double* in = source.getReadPointer (ch);
            double* out = part.getWritePointer (ch);

            if (isFirst)
                std::copy (in, in + cut, out);
            else
                std::copy (in + cut + fade, in + frames, out + cut + fade);

            for (int j = 0; j < fade; ++j)
            {
                const double gain = 1.0 - (double) j / (double) fade;
                const double s = in[cut + j];
                const double first = fadedOnStep (s, gain, format);
                out[cut + j] = isFirst ? first : s - first;
            }
        }
    }

    bool encodePart (const juce::AudioBuffer<double>& part, const juce::File& target, Codec codec,
                     const EncoderSettings& settings, juce::String& error)
    {
        auto encoder = makeEncoder (codec, error);
        return encoder != nullptr && encoder->encode (part, target, settings, error);
    }
} // namespace

TrackSplitResult TrackSplitResult::failure (const juce::String& message)
{
    return { false, message };
}

TrackSplitResult splitTrackFile (const TrackSplitRequest& request)
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
    const auto firstSettings = partSettings (*firstCodec, partFormat (*firstCodec, info.bitsPerSample), rate,
                                             info.numChannels);
    const auto secondSettings = partSettings (*secondCodec, partFormat (*secondCodec, info.bitsPerSample), rate,
                                              info.numChannels);

    // Refused before the whole file is read.
    if (! checkEncoderSettings (*firstCodec, firstSettings, info.numChannels, error)
        || ! checkEncoderSettings (*secondCodec, secondSettings, info.numChannels, error))
        return TrackSplitResult::failure (error);

    juce::AudioBuffer<double> source;

    if (! readAudioFileForRender (request.source, 0.0, source, error, renderFrameLimit))
        return TrackSplitResult::failure (error);

    const int frames = source.getNumSamples();

    if (frames <= 0)
        return TrackSplitResult::failure ("That track has no audio in it.");

    // The parts are built one after the other in one buffer beside the source.
    const auto partBytes = audioBufferBytes (source.getNumChannels(), frames, (int) sizeof (double));

    // The source and one part; channels and frames are bounded, so this cannot overflow.
    if (! checkAudioMemoryBudget (2 * partBytes, error))
        return TrackSplitResult::failure (error);

    const int cut = (int) roundedFrame (rate * request.splitSeconds, frames);
    const int fade = (int) roundedFrame (request.crossfadeMs * 0.001 * rate, frames - cut);

    // Both parts put the faded samples on the coarser of their two word lengths.
    const auto fadeFormat = coarserFormat (firstSettings.sampleFormat, secondSettings.sampleFormat);

    juce::AudioBuffer<double> part (source.getNumChannels(), frames);

    fillPart (source, part, true, cut, fade, fadeFormat);

    if (! encodePart (part, request.firstPart, *firstCodec, firstSettings, error))
        return TrackSplitResult::failure (error);

    fillPart (source, part, false, cut, fade, fadeFormat);

    if (! encodePart (part, request.secondPart, *secondCodec, secondSettings, error))
    {
        request.firstPart.deleteFile();
        return TrackSplitResult::failure (error);
    }

    return { true, {} };
}

} // namespace korvid
