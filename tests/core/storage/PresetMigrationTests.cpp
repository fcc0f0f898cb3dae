#include "core/storage/PresetMigration.h"

#include "core/storage/PresetDocument.h"
#include "core/storage/PresetDocumentTestUtils.h"

#include <gtest/gtest.h>

#include <climits>

using namespace korvid;

namespace
{
    const char* const versionOneDocument = R"({
  "schemaVersion": 1,
  "preset": {
    "id": "old-1",
    "name": "Old Delivery",
    "kind": "publisher",
    "schema": {
      "publisher": "Osmerine",
      "stems": [
        { "id": "s1", "index": 1, "displayName": "Strings", "shortCode": "STR", "colour": "#00ff00",
          "keywords": ["string pads", "violin"], "exclude": ["synth"], "rules": [true] },
        { "id": "s2", "index": 2, "displayName": "Brass", "keywords": [] }
      ]
    },
    "export": {
      "masterSampleRate": 48000,
      "headroomDb": -6,
      "peakMode": "samplePeak",
      "exportFullMix": false,
      "fullMixName": "Everything",
      "naming": { "stemTemplate": "{cue}_{stemName}" }
    }
  }
})";

    const char* const expectedVersionThreeTree = R"({
  "korvid": { "schemaVersion": 3, "application": "Velvane" },
  "preset": {
    "id": "old-1",
    "name": "Old Delivery",
    "kind": "publisher",
    "schema": {
      "publisher": "Osmerine",
      "stems": [
        { "id": "s1", "index": 1, "displayName": "Strings", "shortCode": "STR", "colour": "#00ff00",
          "rules": [ { "pattern": "string pads", "mode": "phrase", "priority": 0 },
                     { "pattern": "violin", "mode": "token", "priority": 0 } ],
          "excludeKeywords": ["synth"] },
        { "id": "s2", "index": 2, "displayName": "Brass", "rules": [] }
      ]
    },
    "export": {
      "masterSampleRate": 48000,
      "headroom": { "targetDb": -6, "peakMode": "samplePeak" },
      "fullMix": { "export": false, "name": "Everything" },
      "naming": { "stemTemplate": "{cue}_{stemName}" }
    }
  }
})";

    juce::var parse (const juce::String& text)
    {
        return juce::JSON::parse (text);
    }
} // namespace

TEST (PresetMigration, VersionOneBecomesTheExactVersionThreeTree)
{
    auto root = parse (versionOneDocument);
    juce::StringArray errors;

    ASSERT_TRUE (migratePresetJson (root, 1, 3, errors));
    EXPECT_TRUE (errors.isEmpty());
    EXPECT_TRUE (test::sameJsonTree (root, parse (expectedVersionThreeTree))) << juce::JSON::toString (root);
}

TEST (PresetMigration, VersionOneDocumentReadsAsAPreset)
{
    const auto result = parsePresetJson (versionOneDocument);

    ASSERT_TRUE (result.ok) << result.validation.toText();
    EXPECT_EQ (result.schemaVersion, 1);
    EXPECT_TRUE (result.migrated);

    const auto& preset = result.preset;
    ASSERT_EQ (preset.schema.stems.size(), 2u);
    const auto& rules = preset.schema.stems[0].rules;
    ASSERT_EQ (rules.size(), 2u);
    EXPECT_EQ (rules[0].pattern, "string pads");
    EXPECT_EQ (rules[0].mode, KeywordMode::phrase);
    EXPECT_EQ (rules[1].mode, KeywordMode::token);
    EXPECT_EQ (preset.schema.stems[0].excludeKeywords, juce::StringArray ("synth"));
    EXPECT_EQ (preset.schema.stems[0].colour, 0xff00ff00u);

    const auto& settings = preset.exportSettings;
    EXPECT_EQ (settings.headroom.targetDb, -6.0);
    EXPECT_EQ (settings.headroom.peakMode, PeakMode::samplePeak);
    EXPECT_FALSE (settings.headroom.submixesReachTargetIndependently);
    EXPECT_FALSE (settings.exportFullMix);
    EXPECT_EQ (settings.fullMixName, "Everything");
    EXPECT_EQ (settings.naming.numbering, Numbering::schemaIndex);
    EXPECT_EQ (settings.stemsSubFolder, "");
}

TEST (PresetMigration, ExportGroupsAreMadeOnlyFromMembersThatArePresent)
{
    auto root = parse (R"({"schemaVersion": 1, "preset": {"export": {"headroomDb": -6, "headroom": {"keep": 1}}}})");
    juce::StringArray errors;
    ASSERT_TRUE (migratePresetV1ToV2 (root, errors));
    EXPECT_TRUE (test::sameJsonTree (root["preset"]["export"], parse (R"({"headroom": {"targetDb": -6}})")));

    root = parse (R"({"schemaVersion": 1, "preset": {"export": {"headroom": {"keep": 1}}, "schema": 5}})");
    ASSERT_TRUE (migratePresetV1ToV2 (root, errors));
    EXPECT_TRUE (test::sameJsonTree (root["preset"], parse (R"({"export": {"headroom": {"keep": 1}}, "schema": 5})")));
    EXPECT_TRUE (test::sameJsonTree (root["korvid"], parse (R"({"schemaVersion": 2, "application": "Velvane"})")));
    EXPECT_FALSE (root.getDynamicObject()->hasProperty ("schemaVersion"));
    EXPECT_TRUE (errors.isEmpty());
}

TEST (PresetMigration, LaterVersionsOnlyChangeTheNumber)
{
    juce::StringArray errors;

    auto versionTwo = parse (R"({"korvid": {"schemaVersion": 2, "application": "Velvane"}, "preset": {"a": 1}})");
    ASSERT_TRUE (migratePresetJson (versionTwo, 2, 3, errors));
    EXPECT_TRUE (test::sameJsonTree (versionTwo, parse (R"({"korvid": {"schemaVersion": 3, "application": "Velvane"},
                                                           "preset": {"a": 1}})")));

    const char* const rootVersionTwo = R"({"schemaVersion": 2, "preset": {"a": 1}})";
    auto atRoot = parse (rootVersionTwo);
    ASSERT_TRUE (migratePresetJson (atRoot, 2, 3, errors));
    EXPECT_TRUE (test::sameJsonTree (atRoot, parse (rootVersionTwo)));

    auto current = parse (R"({"korvid": {"schemaVersion": 3}})");
    ASSERT_TRUE (migratePresetJson (current, 3, 3, errors));
    EXPECT_TRUE (test::sameJsonTree (current, parse (R"({"korvid": {"schemaVersion": 3}})")));
    EXPECT_TRUE (errors.isEmpty());

    // A version-2 document holding its version at the root is upgraded and read.
    const auto read = parsePresetJson (R"({"schemaVersion": 2, "preset": {"name": "Two", "schema": {}, "export": {}}})");
    EXPECT_TRUE (read.ok) << read.validation.toText();
    EXPECT_TRUE (read.migrated);
    EXPECT_EQ (read.schemaVersion, 2);
}

TEST (PresetMigration, FailuresGiveExactlyOneSentence)
{
    struct Case
    {
        const char* name;
        const char* text;
        int from;
        const char* expected;
    };

    const Case cases[] {
        { "root not an object", "[1]", 1, "Migration 1->2: the document root is not an object." },
        { "root not an object from 2", "[1]", 2, "Migration 2->3: the document root is not an object." },
        { "no preset", R"({"schemaVersion": 1})", 1, "Migration 1->2: the 'preset' object is missing." },
        { "stem not an object", R"({"preset": {"schema": {"stems": [7]}}})", 1,
          "Migration 1->2: a stem entry is not an object." },
        { "keywords not an array", R"({"preset": {"schema": {"stems": [{"keywords": "violin"}]}}})", 1,
          "Migration 1->2: 'keywords' must be an array of strings." },
        { "keyword not a string", R"({"preset": {"schema": {"stems": [{"keywords": ["violin", 3]}]}}})", 1,
          "Migration 1->2: 'keywords' must contain only strings." },
        { "unknown version", R"({})", 0, "No migration path from schema version 0." },
        { "negative version", R"({})", -7, "No migration path from schema version -7." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto root = parse (c.text);
        juce::StringArray errors;
        EXPECT_FALSE (migratePresetJson (root, c.from, 3, errors));
        EXPECT_EQ (errors.joinIntoString ("\n"), juce::String (c.expected));
    }

    const auto rejected = parsePresetJson (R"({"schemaVersion": 1, "preset": {"schema": {"stems": [{"keywords": [1]}]}}})");
    EXPECT_FALSE (rejected.ok);
    EXPECT_EQ (rejected.validation.errors.joinIntoString ("\n"), "Migration 1->2: 'keywords' must contain only strings.");
}

TEST (PresetMigration, DeclaredVersion)
{
    struct Case
    {
        const char* text;
        int expected;
    };

    const Case cases[] {
        { R"({"korvid": {"schemaVersion": 3}, "schemaVersion": 1})", 3 },
        { R"({"korvid": {"schemaVersion": "3"}, "schemaVersion": 1})", 1 },
        { R"({"korvid": {}, "schemaVersion": 2.9})", 2 },
        { R"({"korvid": 3})", 0 },
        { R"({"schemaVersion": true})", 0 },
        { R"({"korvid": {"schemaVersion": 1e10}})", INT_MAX },
        { R"({"korvid": {"schemaVersion": 1e999}})", INT_MAX },
        { R"({"korvid": {"schemaVersion": -1e10}})", INT_MIN },
        { R"({"korvid": {"schemaVersion": 9000000000000000000}})", INT_MAX },
        { R"([{"schemaVersion": 3}])", 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        EXPECT_EQ (readPresetSchemaVersion (parse (c.text)), c.expected);
    }

    EXPECT_EQ (readPresetSchemaVersion (juce::var ("3")), 0);
}
