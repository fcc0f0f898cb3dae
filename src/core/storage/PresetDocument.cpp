#include "core/storage/PresetDocument.h"
#include "core/storage/TextDecoding.h"

#include "core/model/PresetChecks.h"
#include "core/model/Uuid.h"
#include "core/storage/JsonFieldReaders.h"
#include "core/storage/JsonParsing.h"
#include "core/storage/PresetMigration.h"
#include "core/storage/PresetSections.h"
#include "core/platform/SafeFileWriter.h"

#include <climits>
#include <cmath>

namespace korvid
{

namespace
{
    const juce::String presetPath ("preset");
    const juce::String schemaPath ("preset.schema");

    juce::var metadataToJson (const PresetMetadata& metadata)
    {
        auto* object = new juce::DynamicObject();
        juce::var value (object);
        object->setProperty ("publisher", metadata.publisher);
        object->setProperty ("project", metadata.project);
        object->setProperty ("cue", metadata.cue);
        object->setProperty ("composer", metadata.composer);
        object->setProperty ("version", metadata.version);
        return value;
    }

    juce::var schemaToJson (const StemSchema& schema)
    {
        juce::Array<juce::var> stems;

        for (const auto& stem : schema.stems)
            stems.add (stemToJson (stem));

        juce::Array<juce::var> submixes;

        for (const auto& submix : schema.submixes)
            submixes.add (submixToJson (submix));

        auto* object = new juce::DynamicObject();
        juce::var value (object);
        object->setProperty ("matchPlurals", schema.matchPlurals);
        object->setProperty ("publisher", schema.publisher);
        object->setProperty ("name", schema.name);
        object->setProperty ("description", schema.description);
        object->setProperty ("stems", stems);
        object->setProperty ("submixes", submixes);
        return value;
    }

    PresetMetadata readMetadata (juce::StringArray& errors, const juce::var& object)
    {
        const juce::String path ("preset.metadata");
        PresetMetadata metadata;
        metadata.publisher = readTextField (errors, object, "publisher", path, {});
        metadata.project = readTextField (errors, object, "project", path, {});
        metadata.cue = readTextField (errors, object, "cue", path, {});
        metadata.composer = readTextField (errors, object, "composer", path, {});
        metadata.version = readTextField (errors, object, "version", path, "v1");
        return metadata;
    }

    void readSchema (juce::StringArray& errors, const juce::var& object, StemSchema& schema)
    {
        schema.matchPlurals = readBoolField (errors, object, "matchPlurals", schemaPath, false);
        schema.publisher = readTextField (errors, object, "publisher", schemaPath, {});
        schema.name = readTextField (errors, object, "name", schemaPath, {});
        schema.description = readTextField (errors, object, "description", schemaPath, {});

        // Entries with errors are kept too, so later positions keep their paths.
        const auto stems = readArrayField (errors, object, "stems", schemaPath, maxDocumentStems);

        for (int i = 0; i < stems.size(); ++i)
            schema.stems.push_back (readStemJson (errors, stems.getReference (i),
                                                 schemaPath + ".stems[" + juce::String (i) + "]"));

        schema.renumberStems();

        const auto submixes = readArrayField (errors, object, "submixes", schemaPath, maxDocumentSubmixes);

        for (int i = 0; i < submixes.size(); ++i)
            schema.submixes.push_back (readSubmixJson (errors, submixes.getReference (i),
                                                      schemaPath + ".submixes[" + juce::String (i) + "]"));

        schema.pruneSubmixMembers();
    }

    // The declared version as the document wrote it, so a huge number is not shown clipped.
    juce::String versionText (const juce::var& root, int version)
    {
        if (version != INT_MAX)
            return juce::String (version);

        const auto number = readPresetSchemaVersionNumber (root);

        if (std::abs (number) < 9.0e18)
            return juce::String ((juce::int64) number);

        return juce::String (number);
    }

    juce::String notSavedMessage (const ValidationResult& findings)
    {
        return "The preset is not valid and was not saved:\n" + findings.toText();
    }

    // validatePreset first, then the reader on the document itself: whatever the
    // reader would refuse (over-long texts, lists, out-of-range numbers) is refused here.
    ValidationResult checkDocument (const Preset& preset, const juce::String& document)
    {
        auto findings = validatePreset (preset);

        if (! findings.isValid())
            return findings;

        return parsePresetJson (document).validation;
    }
} // namespace

juce::String presetToJson (const Preset& preset)
{
    auto* korvid = new juce::DynamicObject();
    juce::var korvidValue (korvid);
    korvid->setProperty ("schemaVersion", currentPresetSchemaVersion);
    korvid->setProperty ("application", "Velvane");

    auto* object = new juce::DynamicObject();
    juce::var presetValue (object);
    object->setProperty ("id", preset.id);
    object->setProperty ("name", preset.name);
    object->setProperty ("description", preset.description);
    object->setProperty ("kind", presetKindName (preset.kind));
    object->setProperty ("basedOnPresetId", preset.basedOnPresetId);
    object->setProperty ("basedOnPresetName", preset.basedOnPresetName);
    object->setProperty ("isBuiltIn", preset.isBuiltIn);
    object->setProperty ("modifiedUtcMs", preset.modifiedUtcMs);
    object->setProperty ("metadata", metadataToJson (preset.metadata));
    object->setProperty ("schema", schemaToJson (preset.schema));
    object->setProperty ("export", exportSettingsToJson (preset.exportSettings));

    auto* root = new juce::DynamicObject();
    juce::var rootValue (root);
    root->setProperty ("korvid", korvidValue);
    root->setProperty ("preset", presetValue);

    return juce::JSON::toString (rootValue, false, 15);
}

PresetLoadResult parsePresetJsonUnchecked (const juce::String& text)
{
    PresetLoadResult result;
    auto& errors = result.validation.errors;

    juce::var root;
    juce::String parseError;

    if (! parseJsonDocument (text, root, parseError))
    {
        errors.add (parseError);
        return result;
    }

    if (! isJsonObject (root))
    {
        errors.add ("The preset file must contain a JSON object.");
        return result;
    }

    const auto version = readPresetSchemaVersion (root);
    result.schemaVersion = version;

    if (version <= 0)
    {
        errors.add ("The preset file does not declare a schema version.");
        return result;
    }

    if (version > currentPresetSchemaVersion)
    {
        errors.add ("This preset was written by a newer version of Velvane (schema version "
                    + versionText (root, version) + ", this build understands up to "
                    + juce::String (currentPresetSchemaVersion) + ").");
        return result;
    }

    if (version < currentPresetSchemaVersion)
    {
        if (! migratePresetJson (root, version, currentPresetSchemaVersion, errors))
            return result;

        result.migrated = true;
    }

    const auto& object = root["preset"];

    if (! isJsonObject (object))
    {
        errors.add ("The 'preset' object is missing.");
        return result;
    }

    Preset preset;
    preset.id = readTextField (errors, object, "id", presetPath, {});
    preset.name = readRequiredTextField (errors, object, "name", presetPath);
    preset.description = readTextField (errors, object, "description", presetPath, {});
    preset.kind = readEnumField (errors, object, "kind", presetPath, PresetKind::publisher, parsePresetKind);
    preset.basedOnPresetId = readTextField (errors, object, "basedOnPresetId", presetPath, {});
    preset.basedOnPresetName = readTextField (errors, object, "basedOnPresetName", presetPath, {});
    preset.isBuiltIn = readBoolField (errors, object, "isBuiltIn", presetPath, false);
    preset.modifiedUtcMs = readInt64Field (errors, object, "modifiedUtcMs", presetPath, 0);

    if (preset.id.trim().isEmpty())
        preset.id = newUuidString();

    if (hasJsonField (object, "metadata"))
        preset.metadata = readMetadata (errors, object["metadata"]);

    const auto& schema = object["schema"];

    if (! isJsonObject (schema))
    {
        errors.add ("The 'preset.schema' object is missing.");
        return result;
    }

    readSchema (errors, schema, preset.schema);
    preset.exportSettings = readExportSettingsJson (errors, object["export"], "preset.export");

    result.preset = std::move (preset);
    result.ok = errors.isEmpty();
    return result;
}

PresetLoadResult parsePresetJson (const juce::String& text)
{
    auto result = parsePresetJsonUnchecked (text);

    if (! result.ok)
    {
        result.preset = {};
        return result;
    }

    const auto findings = validatePreset (result.preset);
    result.validation.errors.addArray (findings.errors);
    result.validation.warnings.addArray (findings.warnings);

    if (! findings.errors.isEmpty())
    {
        result.ok = false;
        result.preset = {};
    }

    return result;
}

PresetLoadResult loadPresetFile (const juce::File& file)
{
    PresetLoadResult result;

    if (! file.existsAsFile())
    {
        result.validation.errors.add ("The preset file does not exist: " + file.getFullPathName());
        return result;
    }

    const auto size = file.getSize();

    if (size <= 0)
    {
        result.validation.errors.add ("The preset file is empty.");
        return result;
    }

    if (size > maxPresetFileBytes)
    {
        result.validation.errors.add ("The preset file is larger than the " + juce::String (maxPresetFileBytes / 1024)
                                      + " kB limit.");
        return result;
    }

    return parsePresetJson (loadTextFile (file));
}

ValidationResult checkPresetForWriting (const Preset& preset)
{
    return checkDocument (preset, presetToJson (preset));
}

bool savePresetFile (const Preset& preset, const juce::File& target, juce::String& error)
{
    const auto document = presetToJson (preset);
    const auto findings = checkDocument (preset, document);

    if (! findings.isValid())
    {
        error = notSavedMessage (findings);
        return false;
    }

    return writeFileSafely (target, document, error);
}

} // namespace korvid
