#include "core/model/BuiltInPresets.h"

#include "core/model/DefaultSchema.h"

namespace korvid
{

namespace
{
    OutputFormat makeFormat (bool enabled, SampleFormat sampleFormat, Dither dither)
    {
        OutputFormat format;
        format.enabled = enabled;
        format.codec = Codec::wav;
        format.sampleFormat = sampleFormat;
        format.sampleRate = 0.0;
        format.mp3Bitrate = 320;
        format.dither = dither;
        format.subFolder = {};
        return format;
    }

    void applyBuiltInDeliverySettings (Preset& preset)
    {
        preset.kind = PresetKind::publisher;
        preset.isBuiltIn = true;
        preset.metadata.version = "v1";

        auto& settings = preset.exportSettings;
        settings.masterSampleRate = 48000.0;
        settings.formats = { makeFormat (true, SampleFormat::pcm24, Dither::tpdfShaped),
                             makeFormat (false, SampleFormat::float32, Dither::none) };
        settings.headroom.targetDb = -3.0;
        settings.headroom.peakMode = PeakMode::truePeak;
        settings.headroom.gainMode = GainMode::alwaysReachTarget;

        preset.modifiedUtcMs = juce::Time::currentTimeMillis();
    }

    // One per stem of the default schema, in schema order. The library rewrites a stored
    // built-in whenever it differs from a fresh one, and stems compare by id: random ids
    // would rewrite the file at every start and change the ids under every open session.
    // Never change these.
    const char* const hybridStemIds[] = {
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e01",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e02",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e03",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e04",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e05",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e06",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e07",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e08",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e09",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e10",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e11",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e12",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e13",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e14",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e15",
        "6f1c2a4e-93b0-4d57-8e21-0c5a7b3d9e16",
    };
} // namespace

Preset makeEmptyPreset()
{
    Preset preset;
    preset.id = "builtin-empty";
    preset.name = "Empty";
    preset.description = "No stems. Add the ones your publisher asks for, in the order they ask for them.";
    applyBuiltInDeliverySettings (preset);
    return preset;
}

Preset makeHybridOrchestraExamplePreset()
{
    Preset preset;
    preset.id = "builtin-hybrid-orchestra-example";
    preset.name = "Hybrid Orchestra Example";
    preset.description = "A worked 16 stem layout for a hybrid orchestral delivery, with WAV 24-bit at -3 dBTP. "
                         "Duplicate it and change what your publisher wants different.";
    preset.schema = makeDefaultSchema();
    preset.metadata.publisher = "Osmerine";

    auto& stems = preset.schema.stems;
    jassert (stems.size() == std::size (hybridStemIds));

    for (size_t i = 0; i < stems.size() && i < std::size (hybridStemIds); ++i)
        stems[i].id = hybridStemIds[i];

    applyBuiltInDeliverySettings (preset);
    return preset;
}

} // namespace korvid
