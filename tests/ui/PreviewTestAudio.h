#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <filesystem>
#include <functional>

// Audio fixtures for the player and cache tests, written with the JUCE writers.
namespace korvid::test
{

/** A fresh folder below the temporary folder, deleted with everything in it. */
struct TempAudioFolder
{
    TempAudioFolder()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("velvane-ui-audio-test-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
    }

    ~TempAudioFolder() { folder.deleteRecursively(); }

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    juce::File folder;
};

/** Writes a 32-bit float WAV (exact samples) or, with `bits` 16, a 16-bit one. */
inline bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                      int bits = 32)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);

    if (! stream->openedOk())
        return false;

    juce::WavAudioFormat format;
    std::unique_ptr<juce::AudioFormatWriter> writer (
        format.createWriterFor (stream.get(), sampleRate, (unsigned int) samples.getNumChannels(), bits, {}, 0));

    if (writer == nullptr)
        return false;

    stream.release(); // the writer owns it now
    return writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
}

/** `frames` frames whose sample in channel c at frame i is `value (c, i)`. */
inline juce::AudioBuffer<float> makeSignal (int channels, int frames, const std::function<float (int, int)>& value)
{
    juce::AudioBuffer<float> buffer (channels, frames);

    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (c, i, value (c, i));

    return buffer;
}

/** A constant level per channel. */
inline juce::AudioBuffer<float> makeConstant (int channels, int frames, float level)
{
    juce::AudioBuffer<float> buffer (channels, frames);

    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), level, frames);

    return buffer;
}

/** Cuts a file down to `bytes` bytes, so its header claims more data than it holds. */
inline void truncateFile (const juce::File& file, juce::int64 bytes)
{
    std::filesystem::resize_file (file.getFullPathName().toStdString(), (std::uintmax_t) bytes);
}

} // namespace korvid::test
