#include "core/codec/JuceFileEncoder.h"

#include "core/audio/AudioLimits.h"
#include "core/model/CodecCapabilities.h"
#include "core/codec/Dither.h"
#include "core/codec/FloatWavWriter.h"
#include "core/codec/SampleQuantiser.h"
#include "core/platform/SafeFileWriter.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace korvid
{

namespace
{
    constexpr int framesPerBlock = 32768;
    constexpr size_t streamBufferBytes = 1 << 20;

    std::unique_ptr<juce::AudioFormat> formatFor (Codec codec)
    {
        switch (codec)
        {
            case Codec::wav:  return std::make_unique<juce::WavAudioFormat>();
            case Codec::aiff: return std::make_unique<juce::AiffAudioFormat>();
            case Codec::flac: return std::make_unique<juce::FlacAudioFormat>();
            case Codec::mp3:
            default: break;
        }

        return nullptr;
    }

    juce::String upperName (Codec codec)
    {
        return toString (codec).toUpperCase();
    }
} // namespace

bool checkEncoderSettings (Codec encoderCodec, const EncoderSettings& settings, int numChannels,
                           juce::String& error)
{
    if (settings.codec != encoderCodec)
    {
        error = "This encoder was created for " + toString (encoderCodec) + ", not " + toString (settings.codec) + ".";
        return false;
    }

    if (! supportsSampleFormat (encoderCodec, settings.sampleFormat))
    {
        error = upperName (encoderCodec) + " cannot store " + toString (settings.sampleFormat) + ".";
        return false;
    }

    if (! supportsSampleRate (encoderCodec, settings.sampleRate))
    {
        error = upperName (encoderCodec) + " cannot store " + juce::String (settings.sampleRate / 1000.0, 1) + " kHz.";
        return false;
    }

    if (numChannels < 1 || numChannels > maxAudioChannels)
    {
        error = "Unsupported channel count: " + juce::String (numChannels) + ".";
        return false;
    }

    return true;
}

JuceFileEncoder::JuceFileEncoder (Codec codecToWrite)
    : codec (codecToWrite)
{
    jassert (codec == Codec::wav || codec == Codec::aiff || codec == Codec::flac);
}

juce::String JuceFileEncoder::name() const
{
    return "JUCE " + upperName (codec) + " encoder";
}

bool JuceFileEncoder::encode (const juce::AudioBuffer<double>& buffer, const juce::File& target,
                              const EncoderSettings& settings, juce::String& error,
                              const CancelTest& shouldCancel)
{
    error.clear();

    // Refused settings leave the disk untouched, folders included.
    if (! checkEncoderSettings (codec, settings, buffer.getNumChannels(), error))
        return false;

    SafeFileWriter safeWriter (target);

    if (! encodeInto (buffer, safeWriter, settings, error, shouldCancel))
        return false;

    if (! safeWriter.commit())
    {
        error = safeWriter.error;
        return false;
    }

    return true;
}

bool JuceFileEncoder::encodeInto (const juce::AudioBuffer<double>& buffer, SafeFileWriter& safeWriter,
                                  const EncoderSettings& settings, juce::String& error,
                                  const CancelTest& shouldCancel)
{
    error.clear();
    const int channels = buffer.getNumChannels();

    if (! checkEncoderSettings (codec, settings, channels, error))
        return false;

    auto format = formatFor (codec);

    if (format == nullptr)
    {
        error = codecUnavailableMessage (codec);
        return false;
    }

    const int bits = encodedBitsPerSample (settings.sampleFormat);
    const bool writesFloat = settings.sampleFormat == SampleFormat::float32;

    if (safeWriter.temporary == nullptr)
    {
        error = safeWriter.error;
        return false;
    }

    const auto temporaryFile = safeWriter.temporaryFile();
    auto stream = safeWriter.createOutputStream (streamBufferBytes);

    if (stream == nullptr)
    {
        error = "Could not open '" + temporaryFile.getFullPathName() + "' for writing.";
        return false;
    }

    // Float WAV gets a header with the format's extension and fact chunk, which the
    // framework's writer leaves out; every integer file is the framework's.
    std::unique_ptr<juce::AudioFormatWriter> writer;

    if (codec == Codec::wav && writesFloat)
        writer = std::make_unique<FloatWavWriter> (stream.get(), settings.sampleRate, channels, buffer.getNumSamples());
    else
        writer.reset (format->createWriterFor (stream.get(), settings.sampleRate, (unsigned int) channels, bits, {}, 0));

    if (writer == nullptr)
    {
        error = "The " + upperName (codec) + " writer rejected these settings (" + settings.toText() + ").";
        return false;
    }

    stream.release();   // the writer owns it now and closes it when it is destroyed

    const auto mode = appliesDither (settings.dither, settings.sampleFormat) ? settings.dither : Dither::none;
    Ditherer ditherer (mode, bits, settings.ditherSeed);

    const int total = buffer.getNumSamples();
    const int blockFrames = juce::jmin (framesPerBlock, juce::jmax (total, 1));
    std::vector<double> work ((size_t) channels * (size_t) blockFrames);
    std::vector<double*> workChannels ((size_t) channels);
    std::vector<int> integers (writesFloat ? 0 : (size_t) channels * (size_t) blockFrames);
    std::vector<float> floats (writesFloat ? (size_t) channels * (size_t) blockFrames : 0);
    std::vector<const int*> integerChannels ((size_t) channels + 1, nullptr);
    std::vector<const float*> floatChannels ((size_t) channels + 1, nullptr);

    for (int ch = 0; ch < channels; ++ch)
    {
        const auto offset = (size_t) ch * (size_t) blockFrames;
        workChannels[(size_t) ch] = work.data() + offset;

        if (writesFloat)
            floatChannels[(size_t) ch] = floats.data() + offset;
        else
            integerChannels[(size_t) ch] = integers.data() + offset;
    }

    for (int start = 0; start < total; start += framesPerBlock)
    {
        if (isCancelled (shouldCancel))
        {
            error = "Writing the audio was cancelled.";
            return false;
        }

        const int count = juce::jmin (framesPerBlock, total - start);

        for (int ch = 0; ch < channels; ++ch)
        {
            const double* source = buffer.getReadPointer (ch, start);
            std::copy (source, source + count, workChannels[(size_t) ch]);
        }

        ditherer.process (workChannels.data(), channels, count);

        for (int ch = 0; ch < channels; ++ch)
        {
            const auto offset = (size_t) ch * (size_t) blockFrames;

            if (writesFloat)
                convertToFloat (workChannels[(size_t) ch], floats.data() + offset, count);
            else
                quantiseToPcm (workChannels[(size_t) ch], integers.data() + offset, count, bits);
        }

        const bool written = writesFloat ? writer->writeFromFloatArrays (floatChannels.data(), channels, count)
                                         : writer->write (integerChannels.data(), count);

        if (! written || safeWriter.writeFailed())
        {
            error = "Writing failed part-way through; the disk may be full.";
            return false;
        }
    }

    // Finishing writes the header sizes (and FLAC's stream information), then the
    // stream flushes, syncs and closes; any failure there keeps the old target.
    writer.reset();

    if (safeWriter.writeFailed())
    {
        error = "Finishing the file failed; the disk may be full.";
        return false;
    }

    return true;
}

} // namespace korvid
