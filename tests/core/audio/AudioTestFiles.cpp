#include "AudioTestFiles.h"

#include <cmath>
#include <filesystem>

namespace korvid::test
{

TempFolder::TempFolder()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("velvane-audio-test-" + juce::Uuid().toString()))
{
    // A unique name: test processes run side by side and must never share a folder.
    folder.createDirectory();
}

TempFolder::~TempFolder()
{
    folder.deleteRecursively();
}

bool writeAudioFile (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                     int bitsPerSample)
{
    std::unique_ptr<juce::AudioFormat> format;
    const auto extension = file.getFileExtension().toLowerCase();

    if (extension == ".wav")
        format = std::make_unique<juce::WavAudioFormat>();
    else if (extension == ".aif" || extension == ".aiff")
        format = std::make_unique<juce::AiffAudioFormat>();
    else if (extension == ".flac")
        format = std::make_unique<juce::FlacAudioFormat>();
    else
        return false;

    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);

    if (! stream->openedOk())
        return false;

    std::unique_ptr<juce::AudioFormatWriter> writer (format->createWriterFor (stream.get(), sampleRate,
                                                                             (unsigned int) samples.getNumChannels(),
                                                                             bitsPerSample, {}, 0));
    if (writer == nullptr)
        return false;

    stream.release(); // owned by the writer now
    return writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
}

void writeHeaderOnlyWav (const juce::File& file, int channels, juce::uint32 sampleRate, int bitsPerSample,
                         juce::uint64 frames)
{
    const auto blockAlign = (juce::uint64) channels * (juce::uint64) (bitsPerSample / 8);
    const juce::uint64 dataBytes = frames * blockAlign;
    const bool rf64 = dataBytes >= 0xffffffffull - 64;

    juce::MemoryOutputStream out;
    out.write (rf64 ? "RF64" : "RIFF", 4);
    out.writeInt (rf64 ? -1 : (int) (juce::uint32) (dataBytes + 36));
    out.write ("WAVE", 4);

    if (rf64)
    {
        out.write ("ds64", 4);
        out.writeInt (28);
        out.writeInt64 ((juce::int64) (dataBytes + 72)); // RIFF size
        out.writeInt64 ((juce::int64) dataBytes);
        out.writeInt64 ((juce::int64) frames);
        out.writeInt (0); // table length
    }

    out.write ("fmt ", 4);
    out.writeInt (16);
    out.writeShort (1); // PCM
    out.writeShort ((short) channels);
    out.writeInt ((int) sampleRate);
    out.writeInt ((int) (sampleRate * blockAlign));
    out.writeShort ((short) blockAlign);
    out.writeShort ((short) bitsPerSample);

    out.write ("data", 4);
    out.writeInt (rf64 ? -1 : (int) (juce::uint32) dataBytes);

    file.deleteFile();
    file.replaceWithData (out.getData(), out.getDataSize());
}

void makeSparseFile (const juce::File& file, juce::int64 bytes)
{
    file.deleteFile();
    file.create();
    std::error_code ignored;
    std::filesystem::resize_file (file.getFullPathName().toStdString(), (std::uintmax_t) bytes, ignored);
}

void truncateFile (const juce::File& file, juce::int64 bytes)
{
    std::error_code ignored;
    std::filesystem::resize_file (file.getFullPathName().toStdString(), (std::uintmax_t) bytes, ignored);
}

juce::AudioBuffer<float> makeSine (int channels, int frames, double frequency, double sampleRate, float amplitude)
{
    juce::AudioBuffer<float> buffer (channels, frames);

    for (int channel = 0; channel < channels; ++channel)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (channel, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / sampleRate
                                                                      + 0.7 * channel));

    return buffer;
}

} // namespace korvid::test
