#include "core/model/BuiltInPresets.h"
#include "core/model/DefaultSchema.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace korvid;

namespace
{
    struct BuiltInCase
    {
        std::function<Preset()> make;
        const char* id;
        const char* name;
        const char* description;
        const char* publisher;
        size_t stemCount;
    };

    const std::vector<BuiltInCase> builtIns {
        { makeEmptyPreset, "builtin-empty", "Empty",
          "No stems. Add the ones your publisher asks for, in the order they ask for them.", "", 0 },
        { makeHybridOrchestraExamplePreset, "builtin-hybrid-orchestra-example", "Hybrid Orchestra Example",
          "A worked 16 stem layout for a hybrid orchestral delivery, with WAV 24-bit at -3 dBTP. "
          "Duplicate it and change what your publisher wants different.",
          "Osmerine", 16 },
    };

    bool isUuidV4Text (const juce::String& text)
    {
        if (text.length() != 36)
            return false;

        for (int i = 0; i < 36; ++i)
        {
            const auto c = text[i];
            const bool dash = (i == 8 || i == 13 || i == 18 || i == 23);

            if (dash ? c != '-' : ! juce::String ("0123456789abcdef").containsChar (c))
                return false;
        }

        return text[14] == '4' && juce::String ("89ab").containsChar (text[19]);
    }
} // namespace

TEST (BuiltInPresets, IdentityAndSharedDeliverySettings)
{
    for (const auto& c : builtIns)
    {
        SCOPED_TRACE (c.id);
        const auto before = juce::Time::currentTimeMillis();
        const auto preset = c.make();
        const auto after = juce::Time::currentTimeMillis();

        EXPECT_EQ (preset.id, c.id);
        EXPECT_EQ (preset.name, c.name);
        EXPECT_EQ (preset.description, c.description);
        EXPECT_EQ (preset.kind, PresetKind::publisher);
        EXPECT_TRUE (preset.isBuiltIn);
        EXPECT_TRUE (preset.basedOnPresetId.isEmpty());
        EXPECT_EQ (preset.metadata.publisher, c.publisher);
        EXPECT_EQ (preset.metadata.version, "v1");
        EXPECT_EQ (preset.schema.stems.size(), c.stemCount);
        EXPECT_GE (preset.modifiedUtcMs, before);
        EXPECT_LE (preset.modifiedUtcMs, after);

        const auto& settings = preset.exportSettings;
        EXPECT_EQ (settings.masterSampleRate, 48000.0);
        EXPECT_EQ (settings.headroom.targetDb, -3.0);
        EXPECT_EQ (settings.headroom.peakMode, PeakMode::truePeak);
        EXPECT_EQ (settings.headroom.gainMode, GainMode::alwaysReachTarget);

        ASSERT_EQ (settings.formats.size(), 2u);
        const auto& main = settings.formats[0];
        EXPECT_TRUE (main.enabled);
        EXPECT_EQ (main.codec, Codec::wav);
        EXPECT_EQ (main.sampleFormat, SampleFormat::pcm24);
        EXPECT_EQ (main.sampleRate, 0.0);
        EXPECT_EQ (main.mp3Bitrate, 320);
        EXPECT_EQ (main.dither, Dither::tpdfShaped);
        EXPECT_TRUE (main.subFolder.isEmpty());

        const auto& spare = settings.formats[1];
        EXPECT_FALSE (spare.enabled);
        EXPECT_EQ (spare.codec, Codec::wav);
        EXPECT_EQ (spare.sampleFormat, SampleFormat::float32);
        EXPECT_EQ (spare.sampleRate, 0.0);
        EXPECT_EQ (spare.mp3Bitrate, 320);
        EXPECT_EQ (spare.dither, Dither::none);
        EXPECT_TRUE (spare.subFolder.isEmpty());

        // Everything not named keeps the record's defaults.
        auto expected = ExportSettings();
        expected.formats = settings.formats;
        EXPECT_TRUE (settings == expected);
    }
}

TEST (BuiltInPresets, EmptyHasTheBareSchemaRecord)
{
    const auto preset = makeEmptyPreset();

    EXPECT_TRUE (preset.schema.matchPlurals);
    EXPECT_TRUE (preset.schema.publisher.isEmpty());
    EXPECT_TRUE (preset.schema.name.isEmpty());
    EXPECT_TRUE (preset.schema.stems.empty());
    EXPECT_TRUE (preset.schema.submixes.empty());
}

TEST (BuiltInPresets, HybridHoldsTheDefaultSchemaUnderStableIds)
{
    const auto preset = makeHybridOrchestraExamplePreset();
    auto schema = makeDefaultSchema();

    EXPECT_EQ (preset.schema.name, schema.name);
    EXPECT_EQ (preset.schema.publisher, schema.publisher);
    EXPECT_EQ (preset.schema.description, schema.description);
    EXPECT_TRUE (preset.schema.matchPlurals);
    EXPECT_TRUE (preset.schema.submixes.empty());

    std::set<juce::String> ids;

    for (const auto& stem : preset.schema.stems)
    {
        EXPECT_TRUE (isUuidV4Text (stem.id)) << stem.id;
        ids.insert (stem.id);
    }

    EXPECT_EQ (ids.size(), 16u);

    ASSERT_EQ (schema.stems.size(), preset.schema.stems.size());
    for (size_t i = 0; i < schema.stems.size(); ++i)
        schema.stems[i].id = preset.schema.stems[i].id;
    EXPECT_TRUE (schema.stems == preset.schema.stems);

    // The library rewrites a stored built-in that differs from a fresh one; two fresh ones
    // must therefore be the same, stem ids included, or the file changes at every start.
    const auto again = makeHybridOrchestraExamplePreset();
    EXPECT_TRUE (presetsFullyEqual (preset, again));
    EXPECT_EQ (preset.schema.matchingFingerprint(), again.schema.matchingFingerprint());
    EXPECT_TRUE (presetsFullyEqual (makeEmptyPreset(), makeEmptyPreset()));
}
