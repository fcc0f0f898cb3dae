#include "RenderTestSupport.h"

#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/AudioTestFiles.h"
#include "core/model/BuiltInPresets.h"
#include "core/model/Uuid.h"
#include "core/session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvid::rendertest
{

juce::AudioBuffer<float> makeNoise (int channels, int frames, float amplitude, int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<float> buffer (channels, frames);

    for (int channel = 0; channel < channels; ++channel)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (channel, i, amplitude * (2.0f * random.nextFloat() - 1.0f));

    return buffer;
}

juce::AudioBuffer<float> makeLowSine (int channels, int frames, float amplitude)
{
    juce::AudioBuffer<float> buffer (channels, frames);

    // 50 Hz at 48 kHz: a crest every 960 frames, landing on a sample.
    for (int channel = 0; channel < channels; ++channel)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (channel, i, amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * i / 960.0));

    return buffer;
}

void writeWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate, int bits)
{
    file.getParentDirectory().createDirectory();
    ASSERT_TRUE (test::writeAudioFile (file, samples, sampleRate, bits)) << file.getFullPathName();
}

Track makeTrack (const juce::File& file, const juce::String& stemId)
{
    Track track;
    track.id = newUuidString();
    track.file = file;
    track.stemId = stemId;
    track.source = AssignmentSource::manual;

    juce::String error;
    EXPECT_TRUE (probeAudioFile (file, track.info, error)) << error;
    track.error = error;
    return track;
}

Preset makeRenderPreset (const juce::StringArray& stemNames)
{
    std::vector<Stem> stems;

    for (const auto& name : stemNames)
        stems.push_back (test::makeTestStem (name, { name.toLowerCase() }));

    auto preset = test::makeTestPreset (std::move (stems));
    preset.metadata.project = "PRJ";
    return preset;
}

RenderRequest planRequest (const Preset& preset, const std::vector<Track>& tracks, const juce::File& outputFolder,
                           const juce::String& cueName, bool analysisOnly)
{
    auto planned = makeRenderRequest (preset, tracks, outputFolder, analysisOnly);
    EXPECT_TRUE (planned.usable) << planned.issues.toText();
    planned.request.cueName = cueName;
    return planned.request;
}

juce::StringArray listFiles (const juce::File& folder)
{
    juce::StringArray paths;

    // Hidden files are listed too: a temporary file left behind must show.
    for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFiles))
        paths.add (entry.getFile().getRelativePathFrom (folder).replaceCharacter ('\\', '/'));

    paths.sort (false);
    return paths;
}

juce::AudioBuffer<double> readBack (const juce::File& file)
{
    juce::AudioBuffer<double> buffer;
    juce::String error;
    EXPECT_TRUE (readWholeAudioFile (file, buffer, error)) << error;
    return buffer;
}

RenderJob::ProgressCallback ProgressLog::callback()
{
    return [this] (double fraction, const juce::String& text, RenderJob::Phase phase)
    {
        const juce::ScopedLock scoped (lock);
        recorded.push_back ({ fraction, text, phase });
    };
}

std::vector<ProgressEntry> ProgressLog::entries() const
{
    const juce::ScopedLock scoped (lock);
    return recorded;
}

juce::StringArray ProgressLog::texts() const
{
    juce::StringArray result;

    for (const auto& entry : entries())
        result.add (entry.text);

    return result;
}

} // namespace korvid::rendertest
