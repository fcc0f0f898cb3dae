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
