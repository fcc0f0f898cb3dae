#include "core/audio/AudioFormats.h"

#include "core/audio/AudioFileReaders.h"

namespace korvid
{

namespace
{
/** A framework format whose readers are this system's exact ones; its writers stay the
    framework's. Memory-mapped readers would bypass them, so there are none. */
template <typename FrameworkFormat, AudioFileKind kind>
class ExactReadingFormat final : public FrameworkFormat
{
public:
    juce::AudioFormatReader* createReaderFor (juce::InputStream* stream, bool deleteStreamIfOpeningFails) override
    {
        juce::String ignored;
        return openAudioStream (kind, stream, deleteStreamIfOpeningFails, ignored).release();
    }

    juce::MemoryMappedAudioFormatReader* createMemoryMappedReader (const juce::File&) override
    {
        return nullptr;
    }

    juce::MemoryMappedAudioFormatReader* createMemoryMappedReader (juce::FileInputStream* stream) override
    {
        delete stream;
        return nullptr;
    }
};

// The manager's formats, in the order they are registered.
constexpr AudioFileKind registeredKinds[] = { AudioFileKind::wav, AudioFileKind::aiff, AudioFileKind::flac };
} // namespace

juce::AudioFormatManager& audioFormatManager()
{
    struct SharedFormats : juce::AudioFormatManager
    {
        SharedFormats()
        {
            registerFormat (new ExactReadingFormat<juce::WavAudioFormat, AudioFileKind::wav>(), true);
            registerFormat (new ExactReadingFormat<juce::AiffAudioFormat, AudioFileKind::aiff>(), false);
            registerFormat (new ExactReadingFormat<juce::FlacAudioFormat, AudioFileKind::flac>(), false);
        }
    };

    static SharedFormats manager;
    return manager;
}

std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file, juce::String& refusal)
{
    constexpr int readBufferBytes = 1 << 18;
    auto& manager = audioFormatManager();
    refusal.clear();

    for (int i = 0; i < manager.getNumKnownFormats(); ++i)
    {
        if (! manager.getKnownFormat (i)->canHandleFile (file))
            continue;

        auto fileStream = file.createInputStream();

        if (fileStream == nullptr)
            continue;

        auto* buffered = new juce::BufferedInputStream (fileStream.release(), readBufferBytes, true);

        if (auto reader = openAudioStream (registeredKinds[i], buffered, true, refusal))
            return reader;

        if (refusal.isNotEmpty())
            return nullptr;
    }

    return nullptr;
}

std::unique_ptr<juce::AudioFormatReader> createBufferedReaderFor (const juce::File& file)
{
    juce::String ignored;
    return createBufferedReaderFor (file, ignored);
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
