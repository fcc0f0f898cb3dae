#include "core/storage/ProjectPresetReader.h"

#include "core/model/PresetChecks.h"
#include "core/storage/JsonFieldReaders.h"
#include "core/storage/JsonParsing.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/PresetMigration.h"
#include "core/storage/PresetSections.h"

namespace korvid
{

namespace
{
    // A blank preset name, stem name or rule pattern is refused by the document reader,
    // yet it is also what validation reports, and an ordinary state while editing.
    bool isBlankRequiredText (const juce::String& message)
    {
        return message.endsWith (" must not be empty.");
    }

    void readSchema (juce::StringArray& errors, const juce::var& object, StemSchema& schema)
    {
        const juce::String path ("preset.schema");
        schema.matchPlurals = readBoolField (errors, object, "matchPlurals", path, false);
        schema.publisher = readTextField (errors, object, "publisher", path, {});
        schema.name = readTextField (errors, object, "name", path, {});
        schema.description = readTextField (errors, object, "description", path, {});

        const auto stems = readArrayField (errors, object, "stems", path, maxDocumentStems);

        for (int i = 0; i < stems.size(); ++i)
            schema.stems.push_back (readStemJson (errors, stems.getReference (i),
                                                 path + ".stems[" + juce::String (i) + "]"));

        schema.renumberStems();

        const auto submixes = readArrayField (errors, object, "submixes", path, maxDocumentSubmixes);

        for (int i = 0; i < submixes.size(); ++i)
            schema.submixes.push_back (readSubmixJson (errors, submixes.getReference (i),
                                                      path + ".submixes[" + juce::String (i) + "]"));

        schema.pruneSubmixMembers();
    }

    // The preset reader's steps without its closing validation: true when the document
    // holds nothing worse than blank required texts.
    bool readWithoutValidation (const juce::String& text, Preset& preset)
    {
        juce::var root;
        juce::String parseError;

        if (! parseJsonDocument (text, root, parseError) || ! isJsonObject (root))
            return false;

        juce::StringArray errors;
        const auto version = readPresetSchemaVersion (root);

        if (version <= 0 || version > currentPresetSchemaVersion)
            return false;

        if (version < currentPresetSchemaVersion
            && ! migratePresetJson (root, version, currentPresetSchemaVersion, errors))
            return false;

        const auto& object = root["preset"];

        if (! isJsonObject (object) || ! isJsonObject (object["schema"]))
            return false;

        const juce::String path ("preset");
        Preset read;
        read.id = readTextField (errors, object, "id", path, {});
        read.name = readRequiredTextField (errors, object, "name", path);
        read.description = readTextField (errors, object, "description", path, {});
        read.kind = readEnumField (errors, object, "kind", path, PresetKind::publisher, parsePresetKind);
        read.basedOnPresetId = readTextField (errors, object, "basedOnPresetId", path, {});
        read.basedOnPresetName = readTextField (errors, object, "basedOnPresetName", path, {});
        read.isBuiltIn = readBoolField (errors, object, "isBuiltIn", path, false);
        read.modifiedUtcMs = readInt64Field (errors, object, "modifiedUtcMs", path, 0);

        if (read.id.trim().isEmpty())
            read.id = newUuidString();

        if (hasJsonField (object, "metadata"))
        {
            const auto& metadata = object["metadata"];
            const juce::String metadataPath ("preset.metadata");
            read.metadata.publisher = readTextField (errors, metadata, "publisher", metadataPath, {});
            read.metadata.project = readTextField (errors, metadata, "project", metadataPath, {});
            read.metadata.cue = readTextField (errors, metadata, "cue", metadataPath, {});
            read.metadata.composer = readTextField (errors, metadata, "composer", metadataPath, {});
            read.metadata.version = readTextField (errors, metadata, "version", metadataPath, "v1");
        }

        readSchema (errors, object["schema"], read.schema);
        read.exportSettings = readExportSettingsJson (errors, object["export"], "preset.export");

        errors.strings.removeIf (isBlankRequiredText);

        if (! errors.isEmpty())
            return false;

        preset = std::move (read);
        return true;
    }
} // namespace

bool readProjectPreset (const juce::var& presetDocument, Preset& preset, ValidationResult& findings)
{
    const auto text = juce::JSON::toString (presetDocument, true, 15);
    const auto loaded = parsePresetJson (text);

    if (loaded.ok)
    {
        preset = loaded.preset;
        findings.warnings.addArray (loaded.validation.warnings);
        return true;
    }

    Preset unchecked;

    if (! readWithoutValidation (text, unchecked))
    {
        findings.errors.addArray (loaded.validation.errors);
        findings.warnings.addArray (loaded.validation.warnings);
        return false;
    }

    const auto checks = validatePreset (unchecked);
    findings.warnings.addArray (checks.errors);
    findings.warnings.addArray (checks.warnings);
    preset = std::move (unchecked);
    return true;
}

} // namespace korvid
