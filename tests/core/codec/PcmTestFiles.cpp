#include "PcmTestFiles.h"

#include <cstring>
#include <memory>

namespace korvid::test
{

namespace
{
    std::unique_ptr<juce::AudioFormat> formatForExtension (const juce::File& file)
    {
        const auto extension = file.getFileExtension().toLowerCase();

        if (extension == ".wav")
            return std::make_unique<juce::WavAudioFormat>();
        if (extension == ".aif" || extension == ".aiff")
            return std::make_unique<juce::AiffAudioFormat>();
        if (extension == ".flac")
            return std::make_unique<juce::FlacAudioFormat>();

        return nullptr;
    }
} // namespace

bool writePcmFile (const juce::File& file, const PcmChannels& samples, double sampleRate, int bitsPerSample)
{
    auto format = formatForExtension (file);

    if (format == nullptr || samples.empty())
        return false;

    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream> (file);

    if (! stream->openedOk())
        return false;

    std::unique_ptr<juce::AudioFormatWriter> writer (format->createWriterFor (stream.get(), sampleRate,
                                                                             (unsigned int) samples.size(),
                                                                             bitsPerSample, {}, 0));
    if (writer == nullptr)
        return false;

    stream.release();

    const auto frames = samples.front().size();
    std::vector<std::vector<int>> justified (samples.size(), std::vector<int> (frames));
    std::vector<const int*> pointers;

    for (size_t ch = 0; ch < samples.size(); ++ch)
    {
        for (size_t i = 0; i < frames; ++i)
            justified[ch][i] = samples[ch][i] * (1 << (32 - bitsPerSample));

        pointers.push_back (justified[ch].data());
    }

    pointers.push_back (nullptr);
    return writer->write (pointers.data(), (int) frames);
}

ReadBack readBack (const juce::File& file)
{
    ReadBack result;
    juce::AudioFormatManager manager;
    manager.registerBasicFormats();
    std::unique_ptr<juce::AudioFormatReader> reader (manager.createReaderFor (file));

    if (reader == nullptr)
        return result;

    result.formatName = reader->getFormatName();
    result.bitsPerSample = (int) reader->bitsPerSample;
    result.floatingPoint = reader->usesFloatingPointData;
    result.sampleRate = reader->sampleRate;

    const int channels = (int) reader->numChannels;
    const int frames = (int) reader->lengthInSamples;
    std::vector<std::vector<int>> raw ((size_t) channels, std::vector<int> ((size_t) frames));
    std::vector<int*> pointers;

    for (auto& channel : raw)
        pointers.push_back (channel.data());

    if (! reader->read (pointers.data(), channels, 0, frames, false))
        return result;

    for (auto& channel : raw)
    {
        if (result.floatingPoint)
        {
            std::vector<float> values (channel.size());
            std::memcpy (values.data(), channel.data(), channel.size() * sizeof (float));
            result.floats.push_back (std::move (values));
        }
        else
        {
            for (auto& value : channel)
                value >>= 32 - result.bitsPerSample;

            result.integers.push_back (std::move (channel));
        }
    }

    result.ok = true;
    return result;
}

PcmChannels randomPcm (int channels, int frames, int bits, juce::int64 seed)
{
    juce::Random random (seed);
    const auto range = (juce::uint64) 1 << bits;
    const int lowest = -(1 << (bits - 1));
    PcmChannels samples ((size_t) channels, std::vector<int> ((size_t) frames));

    for (auto& channel : samples)
    {
        for (auto& value : channel)
            value = lowest + (int) ((juce::uint64) random.nextInt64() % range);

        if (frames >= 2)
        {
            channel[0] = lowest;
            channel[1] = -lowest - 1;
        }
    }

    return samples;
}

juce::StringArray folderEntries (const juce::File& folder)
{
    juce::StringArray names;

    for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
        names.add (child.getFileName());

    names.sort (false);
    return names;
}

} // namespace korvid::test
