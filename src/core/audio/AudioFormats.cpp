#include "core/audio/AudioFormats.h"

namespace korvid
{

juce::AudioFormatManager& audioFormatManager()
{
    struct SharedFormats : juce::AudioFormatManager
    {
        SharedFormats()
        {
            registerFormat (new juce::WavAudioFormat(), true);
            registerFormat (new juce::AiffAudioFormat(), false);
            registerFormat (new juce::FlacAudioFormat(), false);
        }
    };

    static SharedFormats manager;
    return manager;
}

std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file)
{
    constexpr int readBufferBytes = 1 << 18;
    auto& manager = audioFormatManager();

    for (int i = 0; i < manager.getNumKnownFormats(); ++i)
    {
        auto* format = manager.getKnownFormat (i);

        if (! format->canHandleFile (file))
            continue;

        auto fileStream = file.createInputStream();

        if (fileStream == nullptr)
            continue;

        auto* buffered = new juce::BufferedInputStream (fileStream.release(), readBufferBytes, true);

        // The format deletes the stream when it cannot open it.
        if (auto* reader = format->createReaderFor (buffered, true))
            return std::unique_ptr<juce::AudioFormatReader> (reader);
    }

    return nullptr;
}

juce::String audioFileWildcard()
{
    return "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac";
}

bool matchesAudioFileWildcard (const juce::File& file)
{
    const auto name = file.getFileName();

    for (const auto& pattern : juce::StringArray::fromTokens (audioFileWildcard(), ";", {}))
        if (name.matchesWildcard (pattern, true))
            return true;

    return false;
}

} // namespace korvid
