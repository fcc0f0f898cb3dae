#include "SessionTestSupport.h"

#include "core/model/BuiltInPresets.h"

namespace korvid::test
{

void writeShortWav (const juce::File& file, double sampleRate, int channels, int frames)
{
    file.getParentDirectory().createDirectory();
    writeAudioFile (file, makeSine (channels, frames, 440.0, sampleRate), sampleRate, 16);
}

void writeTextFile (const juce::File& file, const juce::String& text)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText (text);
}

Stem makeTestStem (const juce::String& name, const juce::StringArray& patterns, int priority)
{
    std::vector<KeywordRule> rules;

    for (const auto& pattern : patterns)
        rules.emplace_back (pattern);

    Stem stem (name, name.substring (0, 3).toUpperCase(), 0xff808080, false, priority, std::move (rules));
    stem.id = "stem-" + name;
    return stem;
}

Preset makeTestPreset (std::vector<Stem> stems)
{
    auto preset = makeEmptyPreset();
    preset.id = "test-preset";
    preset.name = "Test";
    preset.isBuiltIn = false;

    for (auto& stem : stems)
        preset.schema.addStem (std::move (stem));

    return preset;
}

juce::StringArray trackIds (const Session& session)
{
    juce::StringArray ids;

    for (const auto& track : session.getTracks())
        ids.add (track.id);

    return ids;
}

juce::String trackIdOf (const Session& session, const juce::String& fileName)
{
    for (const auto& track : session.getTracks())
        if (track.file.getFileName() == fileName)
            return track.id;

    return {};
}

} // namespace korvid::test
