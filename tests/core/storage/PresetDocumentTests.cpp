#include "core/storage/PresetDocument.h"

#include "core/storage/ScratchFolder.h"
#include "core/model/BuiltInPresets.h"
#include "core/model/PresetChecks.h"
#include "core/storage/PresetDocumentTestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace korvid;

namespace
{
    Preset makeSmallPreset()
    {
        Preset preset;
        preset.id = "p1";
        preset.name = "Small";

        Stem stem;
        stem.id = "s1";
        stem.displayName = "Strings";
        stem.shortCode = "STR";
        stem.rules.push_back (KeywordRule ("violin"));
        preset.schema.addStem (stem);
        return preset;
    }

    juce::var documentOf (const Preset& preset)
    {
        return juce::JSON::parse (presetToJson (preset));
    }

    PresetLoadResult readMutated (const std::function<void (juce::var&)>& mutate)
    {
        auto root = documentOf (makeSmallPreset());
        mutate (root);
        return parsePresetJson (juce::JSON::toString (root));
    }

    juce::DynamicObject& presetObject (const juce::var& root)    { return test::objectAt (root, { "preset" }); }
    juce::DynamicObject& exportObject (const juce::var& root)    { return test::objectAt (root, { "preset", "export" }); }
    juce::DynamicObject& headroomObject (const juce::var& root)  { return test::objectAt (root, { "preset", "export", "headroom" }); }

    juce::DynamicObject& firstStem (const juce::var& root)
    {
        const auto& stems = test::objectAt (root, { "preset", "schema" }).getProperty ("stems");
        return *stems[0].getDynamicObject();
    }

    juce::var arrayOf (int count, const juce::var& entry)
    {
        juce::Array<juce::var> array;

        for (int i = 0; i < count; ++i)
            array.add (entry);

        return array;
    }

    juce::var ruleObject (const juce::String& pattern)
    {
        auto* rule = new juce::DynamicObject();
        rule->setProperty ("pattern", pattern);
        return juce::var (rule);
    }

    void writeBytes (const juce::File& file, const juce::String& text)
    {
        ASSERT_TRUE (file.replaceWithData (text.toRawUTF8(), text.getNumBytesAsUTF8()));
    }

    juce::StringArray lines (std::initializer_list<const char*> texts)
    {
        juce::StringArray result;

        for (const auto* text : texts)
            result.add (juce::String::fromUTF8 (text));

        return result;
    }
} // namespace

//==============================================================================
TEST (PresetDocument, BuiltInsAndARichPresetSurviveARoundTrip)
{
    const std::pair<const char*, Preset> presets[] {
        { "empty", makeEmptyPreset() },
        { "hybrid", makeHybridOrchestraExamplePreset() },
        { "rich", test::makeRichPreset() },
    };

    for (const auto& [name, original] : presets)
    {
        SCOPED_TRACE (name);
        ASSERT_TRUE (validatePreset (original).isValid()) << validatePreset (original).toText();

        const auto result = parsePresetJson (presetToJson (original));

        ASSERT_TRUE (result.ok) << result.validation.toText();
        EXPECT_EQ (result.schemaVersion, 3);
        EXPECT_FALSE (result.migrated);
        EXPECT_TRUE (result.validation.errors.isEmpty());
        EXPECT_TRUE (result.preset == original);
        EXPECT_TRUE (presetsFullyEqual (result.preset, original));
        EXPECT_EQ (result.preset.modifiedUtcMs, original.modifiedUtcMs);
        EXPECT_EQ (presetToJson (result.preset), presetToJson (original)) << "writing is stable";
    }
}

TEST (PresetDocument, SavedFileLoadsBackEqualWithLineFeedsOnly)
{
    test::ScratchFolder temp;
    const auto file = temp.file ("Presets").getChildFile ("Rich.korvid.json");
    const auto original = test::makeRichPreset();

    juce::String error;
    ASSERT_TRUE (savePresetFile (original, file, error)) << error;
    EXPECT_TRUE (error.isEmpty());

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    const auto text = bytes.toString();
    EXPECT_FALSE (text.containsChar ('\r'));
    EXPECT_TRUE (text.startsWithChar ('{')) << "no byte-order mark";

    const auto loaded = loadPresetFile (file);
    ASSERT_TRUE (loaded.ok) << loaded.validation.toText();
    EXPECT_TRUE (presetsFullyEqual (loaded.preset, original));
    EXPECT_EQ (loaded.preset.modifiedUtcMs, original.modifiedUtcMs);
}

TEST (PresetDocument, WriterLayout)
{
    auto preset = test::makeRichPreset();
    preset.schema.stems[1].emptyPolicy.reset();
    const auto root = documentOf (preset);

    const auto keysOf = [] (juce::DynamicObject& object)
    {
        juce::StringArray keys;

        for (const auto& member : object.getProperties())
            keys.add (member.name.toString());

        return keys.joinIntoString (",");
    };

    EXPECT_EQ (keysOf (*root.getDynamicObject()), "korvid,preset");
    EXPECT_EQ (keysOf (test::objectAt (root, { "korvid" })), "schemaVersion,application");
    EXPECT_TRUE (test::objectAt (root, { "korvid" }).getProperty ("schemaVersion").equalsWithSameType (3));
    EXPECT_EQ (test::objectAt (root, { "korvid" }).getProperty ("application").toString(), "Velvane");
    EXPECT_EQ (keysOf (presetObject (root)), "id,name,description,kind,basedOnPresetId,basedOnPresetName,isBuiltIn,"
                                             "modifiedUtcMs,metadata,schema,export");
    EXPECT_EQ (keysOf (exportObject (root)), "masterSampleRate,formats,headroom,naming,batch,emptyStemPolicy,fullMix,"
                                             "silenceGate,stemsSubFolder,requireDecisionOnUnassigned,reconstructionCheck");
    EXPECT_EQ (keysOf (firstStem (root)), "id,index,displayName,shortCode,fileNameToken,colour,required,priority,"
                                          "namingTemplate,emptyPolicy,rules,excludeKeywords");

    const auto& stems = test::objectAt (root, { "preset", "schema" }).getProperty ("stems");
    EXPECT_FALSE (stems[1].getDynamicObject()->hasProperty ("emptyPolicy")) << "written only when the stem has one";
    EXPECT_EQ (firstStem (root).getProperty ("colour").toString(), "80123abc");
    EXPECT_TRUE (firstStem (root).getProperty ("index").isInt());

    EXPECT_TRUE (presetObject (root).getProperty ("modifiedUtcMs").isInt64());
    EXPECT_TRUE (exportObject (root).getProperty ("masterSampleRate").isDouble());
    EXPECT_EQ (presetObject (root).getProperty ("kind").toString(), "project");

    const auto& check = test::objectAt (root, { "preset", "export", "reconstructionCheck" });
    EXPECT_TRUE (check.getProperty ("enabled").equalsWithSameType (true));
    EXPECT_TRUE (check.getProperty ("toleranceDb").equalsWithSameType (-100.0));
}

//==============================================================================
TEST (PresetDocument, StructuralFaultsStopReadingWithOneSentence)
{
    struct Case
    {
        const char* name;
        juce::String text;
        juce::String expected;
        int schemaVersion;
    };

    const auto withVersion = [] (const char* korvid)
    {
        return juce::String ("{\"korvid\": ") + korvid + ", \"preset\": {\"name\": 5}}";
    };

    const Case cases[] {
        { "empty text", "", "The preset file must contain a JSON object.", 0 },
        { "array", "[1, 2]", "The preset file must contain a JSON object.", 0 },
        { "no version", "{\"preset\": {}}", "The preset file does not declare a schema version.", 0 },
        { "version as text", withVersion ("{\"schemaVersion\": \"3\"}"),
          "The preset file does not declare a schema version.", 0 },
        { "version zero", withVersion ("{\"schemaVersion\": 0}"), "The preset file does not declare a schema version.", 0 },
        { "newer", withVersion ("{\"schemaVersion\": 4}"),
          "This preset was written by a newer version of Velvane (schema version 4, this build understands up to 3).", 4 },
        { "huge version", withVersion ("{\"schemaVersion\": 1e10}"),
          "This preset was written by a newer version of Velvane (schema version 10000000000, this build understands up to 3).",
          std::numeric_limits<int>::max() },
        { "huge integer version", withVersion ("{\"schemaVersion\": 99999999999}"),
          "This preset was written by a newer version of Velvane (schema version 99999999999, this build understands up to 3).",
          std::numeric_limits<int>::max() },
        { "no preset", "{\"korvid\": {\"schemaVersion\": 3}}", "The 'preset' object is missing.", 3 },
        { "preset not an object", "{\"korvid\": {\"schemaVersion\": 3}, \"preset\": []}", "The 'preset' object is missing.", 3 },
        { "no schema", "{\"korvid\": {\"schemaVersion\": 3}, \"preset\": {\"name\": \"x\", \"schema\": 1}}",
          "The 'preset.schema' object is missing.", 3 },
        { "failed migration", "{\"schemaVersion\": 1, \"preset\": {\"schema\": {\"stems\": [{\"keywords\": [1]}]}}}",
          "Migration 1->2: 'keywords' must contain only strings.", 1 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = parsePresetJson (c.text);
        EXPECT_FALSE (result.ok);
        EXPECT_EQ (result.validation.errors.joinIntoString ("\n"), c.expected);
        EXPECT_TRUE (result.validation.warnings.isEmpty());
        EXPECT_EQ (result.schemaVersion, c.schemaVersion);
        EXPECT_TRUE (result.preset == Preset {});
    }

    const auto broken = parsePresetJson ("{\"korvid\": ");
    ASSERT_EQ (broken.validation.errors.size(), 1);
    EXPECT_TRUE (broken.validation.errors[0].startsWith ("This is not valid JSON: ")) << broken.validation.errors[0];
}

TEST (PresetDocument, EveryBadValueIsReportedWithItsPath)
{
    struct Case
    {
        const char* name;
        std::function<void (juce::var&)> mutate;
        juce::StringArray expected;
    };

    const auto longText = juce::String::repeatedString ("x", 4097);

    const Case cases[] {
        { "unknown enum",
          [] (juce::var& r) { test::put (headroomObject (r), "peakMode", "loudest"); },
          lines ({ "preset.export.headroom.peakMode: 'loudest' is not a value this version understands." }) },
        { "enum of the wrong type",
          [] (juce::var& r) { test::put (exportObject (r), "emptyStemPolicy", 2); },
          lines ({ "preset.export.emptyStemPolicy must be a string." }) },
        { "kind is not trimmed",
          [] (juce::var& r) { test::put (presetObject (r), "kind", " project"); },
          lines ({ "preset.kind: ' project' is not a value this version understands." }) },
        { "colour of five digits",
          [] (juce::var& r) { test::put (firstStem (r), "colour", "12345"); },
          lines ({ "preset.schema.stems[0]: colour must be 6 or 8 hexadecimal digits." }) },
        { "colour with a g",
          [] (juce::var& r) { test::put (firstStem (r), "colour", "12g456"); },
          lines ({ "preset.schema.stems[0]: colour contains a non-hexadecimal character." }) },
        { "colour of the wrong type",
          [] (juce::var& r) { test::put (firstStem (r), "colour", 255); },
          lines ({ "preset.schema.stems[0].colour must be a string." }) },
        { "too many rules",
          [] (juce::var& r) { test::put (firstStem (r), "rules", arrayOf (2001, "violin")); },
          lines ({ "preset.schema.stems[0].rules has 2001 entries, the limit is 2000." }) },
        { "too many stems",
          [] (juce::var& r) { test::put (test::objectAt (r, { "preset", "schema" }), "stems", arrayOf (257, 1)); },
          lines ({ "preset.schema.stems has 257 entries, the limit is 256." }) },
        { "too many alternative mixes",
          [] (juce::var& r) { test::put (test::objectAt (r, { "preset", "schema" }), "submixes", arrayOf (11, 1)); },
          lines ({ "preset.schema.submixes has 11 entries, the limit is 10." }) },
        { "too many formats",
          [] (juce::var& r) { test::put (exportObject (r), "formats", arrayOf (33, 1)); },
          lines ({ "preset.export.formats has 33 entries, the limit is 32." }) },
        { "too many exclusions",
          [] (juce::var& r) { test::put (firstStem (r), "excludeKeywords", arrayOf (257, "synth")); },
          lines ({ "preset.schema.stems[0].excludeKeywords has 257 entries, the limit is 256." }) },
        { "exclusions that are not strings",
          [] (juce::var& r) { test::put (firstStem (r), "excludeKeywords", arrayOf (2, 7)); },
          lines ({ "preset.schema.stems[0].excludeKeywords must contain only strings.",
                   "preset.schema.stems[0].excludeKeywords must contain only strings." }) },
        { "over-long exclusion",
          [longText] (juce::var& r) { test::put (firstStem (r), "excludeKeywords", arrayOf (1, longText)); },
          lines ({ "preset.schema.stems[0].excludeKeywords contains an over-long entry." }) },
        { "over-long text",
          [longText] (juce::var& r) { test::put (presetObject (r), "description", longText); },
          lines ({ "preset.description is longer than the 4096 character limit." }) },
        { "name as a number",
          [] (juce::var& r) { test::put (presetObject (r), "name", 12); },
          lines ({ "preset.name must be a string.", "preset.name must not be empty." }) },
        { "name missing",
          [] (juce::var& r) { presetObject (r).removeProperty ("name"); },
          lines ({ "preset.name is missing." }) },
        { "rule of the wrong type",
          [] (juce::var& r) { test::put (firstStem (r), "rules", arrayOf (1, true)); },
          lines ({ "preset.schema.stems[0].rules[0] must be a string or an object." }) },
        { "over-long plain string rule",
          [longText] (juce::var& r) { test::put (firstStem (r), "rules", arrayOf (1, longText)); },
          lines ({ "preset.schema.stems[0].rules[0] is longer than the 4096 character limit." }) },
        { "stem that is not an object",
          [] (juce::var& r) { test::put (test::objectAt (r, { "preset", "schema" }), "stems", arrayOf (1, "x")); },
          lines ({ "preset.schema.stems[0] must be an object." }) },
        { "format that is not an object",
          [] (juce::var& r) { test::put (exportObject (r), "formats", arrayOf (1, "wav")); },
          lines ({ "preset.export.formats[0] must be an object." }) },
        { "export missing",
          [] (juce::var& r) { presetObject (r).removeProperty ("export"); },
          lines ({ "preset.export must be an object." }) },
        { "oversampling out of range",
          [] (juce::var& r) { test::put (headroomObject (r), "truePeakOversampling", 0); },
          lines ({ "preset.export.headroom.truePeakOversampling must be between 1 and 16." }) },
        { "huge integer",
          [] (juce::var& r) { test::put (headroomObject (r), "truePeakOversampling", 1.0e10); },
          lines ({ "preset.export.headroom.truePeakOversampling must be between 1 and 16." }) },
        { "huge stem index",
          [] (juce::var& r) { test::put (firstStem (r), "index", 1.0e300); },
          lines ({ "preset.schema.stems[0].index must be between 0 and 256." }) },
        { "huge negative priority",
          [] (juce::var& r) { test::put (firstStem (r), "priority", (juce::int64) -5000000000LL); },
          lines ({ "preset.schema.stems[0].priority must be between -1000 and 1000." }) },
        { "rate out of range",
          [] (juce::var& r) { test::put (exportObject (r), "masterSampleRate", 7999); },
          lines ({ "preset.export.masterSampleRate is out of range." }) },
        { "rate as text",
          [] (juce::var& r) { test::put (exportObject (r), "masterSampleRate", "48000"); },
          lines ({ "preset.export.masterSampleRate must be a number." }) },
        { "boolean of the wrong type",
          [] (juce::var& r) { test::put (presetObject (r), "isBuiltIn", 1); },
          lines ({ "preset.isBuiltIn must be true or false." }) },
        { "modification time as text",
          [] (juce::var& r) { test::put (presetObject (r), "modifiedUtcMs", "today"); },
          lines ({ "preset.modifiedUtcMs must be a number." }) },
        { "modification time beyond 64 bits",
          [] (juce::var& r) { test::put (presetObject (r), "modifiedUtcMs", 1.0e30); },
          lines ({ "preset.modifiedUtcMs is out of range." }) },
        { "reconstruction check is only validated",
          [] (juce::var& r) { test::put (test::objectAt (r, { "preset", "export", "reconstructionCheck" }), "toleranceDb", 3.0); },
          lines ({ "preset.export.reconstructionCheck.toleranceDb is out of range." }) },
        { "every fault at once, in reading order",
          [] (juce::var& r)
          {
              test::put (presetObject (r), "description", 1);
              test::put (firstStem (r), "colour", "#12");
              test::put (headroomObject (r), "targetDb", 6.0);
          },
          lines ({ "preset.description must be a string.",
                   "preset.schema.stems[0]: colour must be 6 or 8 hexadecimal digits.",
                   "preset.export.headroom.targetDb is out of range." }) },
        { "preset check runs after a clean read",
          [] (juce::var& r) { test::put (exportObject (r), "masterSampleRate", 22050); },
          lines ({ "Export settings: Unsupported project sample rate: 22050" }) },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = readMutated (c.mutate);
        EXPECT_FALSE (result.ok);
        EXPECT_EQ (result.validation.errors.joinIntoString ("\n"), c.expected.joinIntoString ("\n"));
        EXPECT_TRUE (result.preset == Preset {});
    }
}

TEST (PresetDocument, ValuesTheReaderAcceptsAndAdjusts)
{
    struct Case
    {
        const char* name;
        std::function<void (juce::var&)> mutate;
        std::function<void (const Preset&)> check;
    };

    const Case cases[] {
        { "enum in capitals with blanks",
          [] (juce::var& r) { test::put (headroomObject (r), "peakMode", "  TRUEPEAK "); },
          [] (const Preset& p) { EXPECT_EQ (p.exportSettings.headroom.peakMode, PeakMode::truePeak); } },
        { "oversampling clamped",
          [] (juce::var& r) { test::put (headroomObject (r), "truePeakOversampling", 16); },
          [] (const Preset& p) { EXPECT_EQ (p.exportSettings.headroom.truePeakOversampling, 8); } },
        { "oversampling fraction cut off",
          [] (juce::var& r) { test::put (headroomObject (r), "truePeakOversampling", 3.9); },
          [] (const Preset& p) { EXPECT_EQ (p.exportSettings.headroom.truePeakOversampling, 3); } },
        { "full mix index raised",
          [] (juce::var& r) { test::put (test::objectAt (r, { "preset", "export", "fullMix" }), "index", 0); },
          [] (const Preset& p) { EXPECT_EQ (p.exportSettings.fullMixIndex, 1); } },
        { "empty headroom and naming groups take the document defaults",
          [] (juce::var& r)
          {
              test::put (exportObject (r), "headroom", new juce::DynamicObject());
              test::put (exportObject (r), "naming", new juce::DynamicObject());
              exportObject (r).removeProperty ("stemsSubFolder");
          },
          [] (const Preset& p)
          {
              EXPECT_FALSE (p.exportSettings.headroom.submixesReachTargetIndependently);
              EXPECT_EQ (p.exportSettings.naming.numbering, Numbering::schemaIndex);
              EXPECT_EQ (p.exportSettings.stemsSubFolder, "");
          } },
        { "absent groups keep the record defaults",
          [] (juce::var& r)
          {
              exportObject (r).removeProperty ("headroom");
              exportObject (r).removeProperty ("naming");
          },
          [] (const Preset& p)
          {
              EXPECT_TRUE (p.exportSettings.headroom.submixesReachTargetIndependently);
              EXPECT_EQ (p.exportSettings.naming.numbering, Numbering::consecutiveExported);
          } },
        { "stems renumbered by position",
          [] (juce::var& r) { test::put (firstStem (r), "index", 7); },
          [] (const Preset& p) { EXPECT_EQ (p.schema.stems[0].index, 1); } },
        { "colour with a hash and capitals",
          [] (juce::var& r) { test::put (firstStem (r), "colour", " #00FF00 "); },
          [] (const Preset& p) { EXPECT_EQ (p.schema.stems[0].colour, 0xff00ff00u); } },
        { "plain string rules",
          [] (juce::var& r)
          {
              juce::Array<juce::var> rules { "string pads", "violin" };
              test::put (firstStem (r), "rules", rules);
          },
          [] (const Preset& p)
          {
              const auto& rules = p.schema.stems[0].rules;
              ASSERT_EQ (rules.size(), 2u);
              EXPECT_EQ (rules[0].pattern, "string pads");
              EXPECT_EQ (rules[0].mode, KeywordMode::phrase);
              EXPECT_EQ (rules[1].mode, KeywordMode::token);
              EXPECT_EQ (rules[1].priority, 0);
          } },
        { "rule object without a mode",
          [] (juce::var& r) { test::put (firstStem (r), "rules", arrayOf (1, ruleObject ("solo cello"))); },
          [] (const Preset& p) { EXPECT_EQ (p.schema.stems[0].rules[0].mode, KeywordMode::phrase); } },
        { "blank exclusions skipped",
          [] (juce::var& r)
          {
              juce::Array<juce::var> words { "", "  ", " brass" };
              test::put (firstStem (r), "excludeKeywords", words);
          },
          [] (const Preset& p) { EXPECT_EQ (p.schema.stems[0].excludeKeywords, juce::StringArray (" brass")); } },
        { "null exclusions read as none",
          [] (juce::var& r) { test::put (firstStem (r), "excludeKeywords", juce::var()); },
          [] (const Preset& p) { EXPECT_TRUE (p.schema.stems[0].excludeKeywords.isEmpty()); } },
        { "empty format list",
          [] (juce::var& r) { test::put (exportObject (r), "formats", juce::Array<juce::var>()); },
          [] (const Preset& p)
          {
              ASSERT_EQ (p.exportSettings.formats.size(), 1u);
              const auto& f = p.exportSettings.formats[0];
              EXPECT_TRUE (f.enabled);
              EXPECT_EQ (f.codec, Codec::wav);
              EXPECT_EQ (f.sampleFormat, SampleFormat::pcm24);
              EXPECT_EQ (f.sampleRate, 0.0);
              EXPECT_EQ (f.mp3Bitrate, 320);
              EXPECT_EQ (f.dither, Dither::tpdfShaped);
          } },
        { "format without dither",
          [] (juce::var& r) { test::put (exportObject (r), "formats", arrayOf (1, new juce::DynamicObject())); },
          [] (const Preset& p) { EXPECT_EQ (p.exportSettings.formats[0].dither, Dither::tpdf); } },
        { "single fade time",
          [] (juce::var& r)
          {
              auto& gate = test::objectAt (r, { "preset", "export", "silenceGate" });
              gate.removeProperty ("fadeOutSeconds");
              gate.removeProperty ("fadeInSeconds");
              gate.setProperty ("fadeSeconds", 0.5);
          },
          [] (const Preset& p)
          {
              EXPECT_EQ (p.exportSettings.silenceGate.fadeOutSeconds, 0.5);
              EXPECT_EQ (p.exportSettings.silenceGate.fadeInSeconds, 0.5);
          } },
        { "alternative mix members deduplicated and pruned",
          [] (juce::var& r)
          {
              auto* mix = new juce::DynamicObject();
              mix->setProperty ("name", "Strings only");
              mix->setProperty ("stems", juce::Array<juce::var> { "s1", "s1", "nope", "" });
              test::put (test::objectAt (r, { "preset", "schema" }), "submixes", arrayOf (1, mix));
          },
          [] (const Preset& p)
          {
              ASSERT_EQ (p.schema.submixes.size(), 1u);
              EXPECT_EQ (p.schema.submixes[0].stems, juce::StringArray ("s1"));
              EXPECT_EQ (p.schema.submixes[0].id.length(), 36) << "an empty id gets a new one";
          } },
        { "blank ids replaced",
          [] (juce::var& r)
          {
              test::put (presetObject (r), "id", "  ");
              firstStem (r).removeProperty ("id");
          },
          [] (const Preset& p)
          {
              EXPECT_EQ (p.id.length(), 36);
              EXPECT_EQ (p.schema.stems[0].id.length(), 36);
          } },
        { "modification time with a fraction",
          [] (juce::var& r) { test::put (presetObject (r), "modifiedUtcMs", 1712345678901.75); },
          [] (const Preset& p) { EXPECT_EQ (p.modifiedUtcMs, 1712345678901); } },
        { "4096 characters are allowed",
          [] (juce::var& r) { test::put (presetObject (r), "description", juce::String::repeatedString ("y", 4096)); },
          [] (const Preset& p) { EXPECT_EQ (p.description.length(), 4096); } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = readMutated (c.mutate);
        ASSERT_TRUE (result.ok) << result.validation.toText();
        c.check (result.preset);
    }
}

TEST (PresetDocument, ExtremeModificationTimesRoundTrip)
{
    for (const auto time : { std::numeric_limits<juce::int64>::max(), -std::numeric_limits<juce::int64>::max() })
    {
        auto preset = makeSmallPreset();
        preset.modifiedUtcMs = time;
        const auto result = parsePresetJson (presetToJson (preset));
        ASSERT_TRUE (result.ok) << result.validation.toText();
        EXPECT_EQ (result.preset.modifiedUtcMs, time);
    }

    // -2^63 as a double fits a 64-bit integer but could not be read back once written.
    const auto refused = readMutated ([] (juce::var& r)
                                      { test::put (presetObject (r), "modifiedUtcMs", -9223372036854775808.0); });
    EXPECT_EQ (refused.validation.errors.joinIntoString ("\n"), "preset.modifiedUtcMs is out of range.");
}

TEST (PresetDocument, HostileTextIsRefusedWithASentence)
{
    const juce::String deep = juce::String::repeatedString ("[", 100000);
    const juce::String cases[] {
        deep,
        "{\"korvid\": {\"schemaVersion\": 123456789012345678901234567890}}",
        "{\"korvid\": {\"schemaVersion\": 1e99999999999}}",
        "{\"korvid\": {\"schemaVersion\": -",
        "{\"korvid\": {\"schemaVersion\": 3}, \"preset\": [-",
    };

    for (const auto& text : cases)
    {
        SCOPED_TRACE (text.substring (0, 60));
        const auto result = parsePresetJson (text);
        EXPECT_FALSE (result.ok);
        ASSERT_EQ (result.validation.errors.size(), 1);
        EXPECT_TRUE (result.validation.errors[0].endsWithChar ('.'));
    }
}

//==============================================================================
TEST (PresetDocument, LoaderLimits)
{
    test::ScratchFolder temp;

    const auto missing = temp.file ("missing.korvid.json");
    EXPECT_EQ (loadPresetFile (missing).validation.errors,
               juce::StringArray ("The preset file does not exist: " + missing.getFullPathName()));
    EXPECT_EQ (loadPresetFile (temp.folder).validation.errors,
               juce::StringArray ("The preset file does not exist: " + temp.folder.getFullPathName()));

    const auto empty = temp.file ("empty.korvid.json");
    ASSERT_TRUE (empty.create().wasOk());
    EXPECT_EQ (loadPresetFile (empty).validation.errors, juce::StringArray ("The preset file is empty."));

    // A valid document padded with blanks to the limit is read; one byte more is not.
    const auto document = presetToJson (makeSmallPreset());
    const auto atLimit = temp.file ("at-limit.korvid.json");
    writeBytes (atLimit, document + juce::String::repeatedString (" ", 4194304 - document.length()));
    ASSERT_EQ (atLimit.getSize(), 4194304);
    const auto read = loadPresetFile (atLimit);
    EXPECT_TRUE (read.ok) << read.validation.toText();

    const auto overLimit = temp.file ("over-limit.korvid.json");
    writeBytes (overLimit, document + juce::String::repeatedString (" ", 4194305 - document.length()));
    const auto refused = loadPresetFile (overLimit);
    EXPECT_FALSE (refused.ok);
    EXPECT_EQ (refused.validation.errors, juce::StringArray ("The preset file is larger than the 4096 kB limit."));
    EXPECT_EQ (refused.schemaVersion, 0);
}

//==============================================================================
TEST (PresetDocument, SavingRefusesWhatReadingWouldRefuseAndLeavesTheFile)
{
    struct Case
    {
        const char* name;
        std::function<void (Preset&)> change;
        juce::String finding;
    };

    const auto longText = juce::String::repeatedString ("d", 4097);

    const Case cases[] {
        { "no name", [] (Preset& p) { p.name = "  "; }, "ERROR   The preset has no name." },
        { "over-long description", [longText] (Preset& p) { p.description = longText; },
          "ERROR   preset.description is longer than the 4096 character limit." },
        { "over-long stem name", [longText] (Preset& p) { p.schema.stems[0].displayName = longText; },
          "ERROR   preset.schema.stems[0].displayName is longer than the 4096 character limit." },
        { "too many rules",
          [] (Preset& p)
          {
              for (int i = 0; i < 2001; ++i)
                  p.schema.stems[0].rules.push_back (KeywordRule ("word" + juce::String (i)));
          },
          "ERROR   preset.schema.stems[0].rules has 2002 entries, the limit is 2000." },
        { "too many exclusions",
          [] (Preset& p)
          {
              for (int i = 0; i < 257; ++i)
                  p.schema.stems[0].excludeKeywords.add ("not" + juce::String (i));
          },
          "ERROR   preset.schema.stems[0].excludeKeywords has 257 entries, the limit is 256." },
        { "too many rule exclusions",
          [] (Preset& p)
          {
              for (int i = 0; i < 257; ++i)
                  p.schema.stems[0].rules[0].excludes.add ("not" + juce::String (i));
          },
          "ERROR   preset.schema.stems[0].rules[0].excludes has 257 entries, the limit is 256." },
        { "too many stems",
          [] (Preset& p)
          {
              for (int i = 0; i < 256; ++i)
                  p.schema.addStem (Stem ("Stem " + juce::String (i), {}, 0xff000000, false, 0));
          },
          "ERROR   preset.schema.stems has 257 entries, the limit is 256." },
        { "too many formats",
          [] (Preset& p) { p.exportSettings.formats.resize (33); },
          "ERROR   preset.export.formats has 33 entries, the limit is 32." },
        { "gate threshold above 0 dB",
          [] (Preset& p) { p.exportSettings.silenceGate.thresholdDb = 5.0; },
          "ERROR   preset.export.silenceGate.thresholdDb is out of range." },
        { "fade longer than 10 s",
          [] (Preset& p) { p.exportSettings.silenceGate.fadeInSeconds = 11.0; },
          "ERROR   preset.export.silenceGate.fadeInSeconds is out of range." },
        { "target level that is not a number",
          [] (Preset& p) { p.exportSettings.headroom.targetDb = std::numeric_limits<double>::quiet_NaN(); },
          "ERROR   preset.export.headroom.targetDb must be a number." },
        { "full mix index beyond 256",
          [] (Preset& p) { p.exportSettings.fullMixIndex = 300; },
          "ERROR   preset.export.fullMix.index must be between 0 and 256." },
        { "stem priority beyond 1000",
          [] (Preset& p) { p.schema.stems[0].priority = 5000; },
          "ERROR   preset.schema.stems[0].priority must be between -1000 and 1000." },
        { "rule priority beyond 1000",
          [] (Preset& p) { p.schema.stems[0].rules[0].priority = -1001; },
          "ERROR   preset.schema.stems[0].rules[0].priority must be between -1000 and 1000." },
        { "bit rate out of range",
          [] (Preset& p) { p.exportSettings.formats[0].mp3Bitrate = 0; },
          "ERROR   preset.export.formats[0].mp3Bitrate must be between 8 and 640." },
    };

    test::ScratchFolder temp;
    const auto target = temp.file ("Small.korvid.json");

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto preset = makeSmallPreset();
        c.change (preset);

        ASSERT_TRUE (target.replaceWithText ("previous"));
        juce::String error;
        EXPECT_FALSE (savePresetFile (preset, target, error));
        EXPECT_TRUE (error.startsWith ("The preset is not valid and was not saved:\n")) << error;
        EXPECT_TRUE (error.contains (c.finding)) << error;
        EXPECT_EQ (target.loadFileAsString(), "previous");
        EXPECT_EQ (temp.folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 1);

        EXPECT_FALSE (checkPresetForWriting (preset).isValid());
        EXPECT_FALSE (parsePresetJson (presetToJson (preset)).ok) << "the check agrees with the reader";
    }

    juce::String error;
    EXPECT_TRUE (checkPresetForWriting (makeSmallPreset()).isValid());
    EXPECT_TRUE (savePresetFile (makeSmallPreset(), target, error)) << error;
    EXPECT_TRUE (loadPresetFile (target).ok);
}

TEST (PresetDocument, SavingReportsTheWritersSentence)
{
    test::ScratchFolder temp;
    const auto blocker = temp.file ("file");
    ASSERT_TRUE (blocker.replaceWithText ("x"));

    juce::String error;
    EXPECT_FALSE (savePresetFile (makeSmallPreset(), blocker.getChildFile ("p.korvid.json"), error));
    EXPECT_TRUE (error.startsWith ("Could not create '" + blocker.getFullPathName() + "': ")) << error;
}
