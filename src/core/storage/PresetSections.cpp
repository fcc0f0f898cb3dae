#include "core/storage/PresetSections.h"

#include "core/model/Uuid.h"
#include "core/storage/JsonFieldReaders.h"

namespace korvid
{

namespace
{
    constexpr juce::uint32 defaultStemColour = 0xff8a8a8a;

    // Builds a JSON object whose members keep the order they are set in.
    struct ObjectBuilder
    {
        juce::DynamicObject* object = new juce::DynamicObject();
        juce::var value { object };

        ObjectBuilder& set (const char* key, const juce::var& member)
        {
            object->setProperty (key, member);
            return *this;
        }
    };

    juce::String indexedPath (const juce::String& path, const char* key, int position)
    {
        return path + "." + key + "[" + juce::String (position) + "]";
    }

    KeywordMode modeForPattern (const juce::String& pattern)
    {
        return pattern.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token;
    }

    void readHeadroom (juce::StringArray& errors, const juce::var& group, const juce::String& path,
                       HeadroomSettings& headroom)
    {
        headroom.targetDb = readNumberField (errors, group, "targetDb", path, -3.0, -120.0, 0.0);
        headroom.peakMode = readEnumField (errors, group, "peakMode", path, PeakMode::truePeak, fromString);
        headroom.gainMode = readEnumField (errors, group, "gainMode", path, GainMode::alwaysReachTarget, fromString);
        headroom.truePeakOversampling = juce::jlimit (2, 8, readIntField (errors, group, "truePeakOversampling",
                                                                          path, 4, 1, 16));
        headroom.submixesReachTargetIndependently = readBoolField (errors, group, "submixesReachTargetIndependently",
                                                                   path, false);
        headroom.verifyLevelAfterGain = readBoolField (errors, group, "verifyLevelAfterGain", path, false);
    }

    void readNaming (juce::StringArray& errors, const juce::var& group, const juce::String& path,
                     NamingSettings& naming)
    {
        const NamingSettings defaults;
        naming.stemTemplate = readTextField (errors, group, "stemTemplate", path, defaults.stemTemplate);
        naming.mixTemplate = readTextField (errors, group, "mixTemplate", path, defaults.mixTemplate);
        naming.indexPadding = readIntField (errors, group, "indexPadding", path, 2, 1, 6);
        naming.numbering = readEnumField (errors, group, "numbering", path, Numbering::schemaIndex, fromString);
        naming.numberMixesFirst = readBoolField (errors, group, "numberMixesFirst", path, false);
        naming.collisionPolicy = readEnumField (errors, group, "collisionPolicy", path,
                                                CollisionPolicy::incrementVersion, fromString);
        naming.replacementChar = readTextField (errors, group, "replacementChar", path, defaults.replacementChar);
        naming.separator = readTextField (errors, group, "separator", path, defaults.separator);
    }

    void readBatch (juce::StringArray& errors, const juce::var& group, const juce::String& path, BatchSettings& batch)
    {
        batch.folderNameTarget = readEnumField (errors, group, "folderNameTarget", path, FolderNameTarget::cue,
                                                fromString);
        batch.gainMode = readEnumField (errors, group, "gainMode", path, GainScope::perTrack, fromString);
        batch.mirrorFolderStructure = readBoolField (errors, group, "mirrorFolderStructure", path, true);
        batch.folderPerCue = readBoolField (errors, group, "folderPerCue", path, true);
    }

    void readSilenceGate (juce::StringArray& errors, const juce::var& group, const juce::String& path,
                          SilenceGateSettings& gate)
    {
        const SilenceGateSettings defaults;
        gate.enabled = readBoolField (errors, group, "enabled", path, false);
        gate.thresholdDb = readNumberField (errors, group, "thresholdDb", path, defaults.thresholdDb, -140.0, 0.0);
        gate.minimumSeconds = readNumberField (errors, group, "minimumSeconds", path, defaults.minimumSeconds,
                                               0.0, 600.0);
        // An older single fade time stands in for either fade that is not given.
        const auto fade = readNumberField (errors, group, "fadeSeconds", path, defaults.fadeOutSeconds, 0.0, 10.0);
        gate.fadeOutSeconds = readNumberField (errors, group, "fadeOutSeconds", path, fade, 0.0, 10.0);
        gate.fadeInSeconds = readNumberField (errors, group, "fadeInSeconds", path, fade, 0.0, 10.0);
        gate.floorDb = readNumberField (errors, group, "floorDb", path, defaults.floorDb, -400.0, 0.0);
    }

    void readFullMix (juce::StringArray& errors, const juce::var& group, const juce::String& path,
                      ExportSettings& settings)
    {
        const ExportSettings defaults;
        settings.exportFullMix = readBoolField (errors, group, "export", path, true);
        settings.exportSubmixes = readBoolField (errors, group, "exportSubmixes", path, true);
        settings.fullMixName = readTextField (errors, group, "name", path, defaults.fullMixName);
        settings.fullMixCode = readTextField (errors, group, "code", path, defaults.fullMixCode);
        settings.fullMixIndex = juce::jmax (1, readIntField (errors, group, "index", path, 1, 0, 256));
    }

    // Carries no setting: read only so that a wrong type or range is reported.
    void readReconstructionCheck (juce::StringArray& errors, const juce::var& group, const juce::String& path)
    {
        readBoolField (errors, group, "enabled", path, true);
        readNumberField (errors, group, "toleranceDb", path, -100.0, -300.0, 0.0);
    }
} // namespace

//==============================================================================
juce::var stringArrayToJson (const juce::StringArray& strings)
{
    juce::Array<juce::var> array;

    for (const auto& text : strings)
        array.add (text);

    return array;
}

juce::String colourToText (juce::uint32 argb)
{
    return juce::String::toHexString ((juce::int64) argb).paddedLeft ('0', 8);
}

juce::var keywordRuleToJson (const KeywordRule& rule)
{
    ObjectBuilder builder;
    builder.set ("pattern", rule.pattern)
        .set ("mode", toString (rule.mode))
        .set ("priority", rule.priority)
        .set ("note", rule.note)
        .set ("excludes", stringArrayToJson (rule.excludes));
    return builder.value;
}

juce::var stemToJson (const Stem& stem)
{
    juce::Array<juce::var> rules;

    for (const auto& rule : stem.rules)
        rules.add (keywordRuleToJson (rule));

    ObjectBuilder builder;
    builder.set ("id", stem.id)
        .set ("index", stem.index)
        .set ("displayName", stem.displayName)
        .set ("shortCode", stem.shortCode)
        .set ("fileNameToken", stem.fileNameToken)
        .set ("colour", colourToText (stem.colour))
        .set ("required", stem.required)
        .set ("priority", stem.priority)
        .set ("namingTemplate", stem.namingTemplate);

    if (stem.emptyPolicy.has_value())
        builder.set ("emptyPolicy", toString (*stem.emptyPolicy));

    builder.set ("rules", rules)
        .set ("excludeKeywords", stringArrayToJson (stem.excludeKeywords));
    return builder.value;
}

juce::var submixToJson (const Submix& submix)
{
    ObjectBuilder builder;
    builder.set ("id", submix.id)
        .set ("name", submix.name)
        .set ("shortCode", submix.shortCode)
        .set ("stems", stringArrayToJson (submix.stems));
    return builder.value;
}

juce::var outputFormatToJson (const OutputFormat& format)
{
    ObjectBuilder builder;
    builder.set ("enabled", format.enabled)
        .set ("codec", toString (format.codec))
        .set ("sampleFormat", toString (format.sampleFormat))
        .set ("sampleRate", format.sampleRate)
        .set ("mp3Bitrate", format.mp3Bitrate)
        .set ("dither", toString (format.dither))
        .set ("subFolder", format.subFolder);
    return builder.value;
}

juce::var exportSettingsToJson (const ExportSettings& settings)
{
    juce::Array<juce::var> formats;

    for (const auto& format : settings.formats)
        formats.add (outputFormatToJson (format));

    const auto& headroom = settings.headroom;
    ObjectBuilder headroomObject;
    headroomObject.set ("targetDb", headroom.targetDb)
        .set ("peakMode", toString (headroom.peakMode))
        .set ("gainMode", toString (headroom.gainMode))
        .set ("truePeakOversampling", headroom.truePeakOversampling)
        .set ("submixesReachTargetIndependently", headroom.submixesReachTargetIndependently)
        .set ("verifyLevelAfterGain", headroom.verifyLevelAfterGain);

    const auto& naming = settings.naming;
    ObjectBuilder namingObject;
    namingObject.set ("stemTemplate", naming.stemTemplate)
        .set ("mixTemplate", naming.mixTemplate)
        .set ("indexPadding", naming.indexPadding)
        .set ("numbering", toString (naming.numbering))
        .set ("numberMixesFirst", naming.numberMixesFirst)
        .set ("collisionPolicy", toString (naming.collisionPolicy))
        .set ("replacementChar", naming.replacementChar)
        .set ("separator", naming.separator);

    const auto& batch = settings.batch;
    ObjectBuilder batchObject;
    batchObject.set ("folderNameTarget", toString (batch.folderNameTarget))
        .set ("gainMode", toString (batch.gainMode))
        .set ("mirrorFolderStructure", batch.mirrorFolderStructure)
        .set ("folderPerCue", batch.folderPerCue);

    ObjectBuilder fullMixObject;
    fullMixObject.set ("export", settings.exportFullMix)
        .set ("exportSubmixes", settings.exportSubmixes)
        .set ("name", settings.fullMixName)
        .set ("code", settings.fullMixCode)
        .set ("index", settings.fullMixIndex);

    const auto& gate = settings.silenceGate;
    ObjectBuilder gateObject;
    gateObject.set ("enabled", gate.enabled)
        .set ("thresholdDb", gate.thresholdDb)
        .set ("minimumSeconds", gate.minimumSeconds)
        .set ("fadeOutSeconds", gate.fadeOutSeconds)
        .set ("fadeInSeconds", gate.fadeInSeconds)
        .set ("floorDb", gate.floorDb);

    // The check itself is not configurable; the constants keep the document's layout.
    ObjectBuilder reconstructionObject;
    reconstructionObject.set ("enabled", true)
        .set ("toleranceDb", -100.0);

    ObjectBuilder builder;
    builder.set ("masterSampleRate", settings.masterSampleRate)
        .set ("formats", formats)
        .set ("headroom", headroomObject.value)
        .set ("naming", namingObject.value)
        .set ("batch", batchObject.value)
        .set ("emptyStemPolicy", toString (settings.emptyStemPolicy))
        .set ("fullMix", fullMixObject.value)
        .set ("silenceGate", gateObject.value)
        .set ("stemsSubFolder", settings.stemsSubFolder)
        .set ("requireDecisionOnUnassigned", settings.requireDecisionOnUnassigned)
        .set ("reconstructionCheck", reconstructionObject.value);
    return builder.value;
}

//==============================================================================
juce::uint32 parseColourText (const juce::String& text, juce::StringArray& errors, const juce::String& stemPath,
                              juce::uint32 defaultColour)
{
    const auto digits = text.trim().removeCharacters ("#");

    if (digits.length() != 6 && digits.length() != 8)
    {
        errors.add (stemPath + ": colour must be 6 or 8 hexadecimal digits.");
        return defaultColour;
    }

    if (! digits.containsOnly ("0123456789abcdefABCDEF"))
    {
        errors.add (stemPath + ": colour contains a non-hexadecimal character.");
        return defaultColour;
    }

    const auto value = (juce::uint32) digits.getHexValue32();
    return digits.length() == 6 ? (0xff000000u | value) : value;
}

KeywordRule readKeywordRuleJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path)
{
    KeywordRule rule;

    if (entry.isString())
    {
        // The short form: the pattern exactly as written. It is held to the same length
        // as the object form, which is what it is written back as.
        rule.pattern = entry.toString();
        rule.mode = modeForPattern (rule.pattern);

        if (rule.pattern.length() > maxDocumentTextLength)
        {
            errors.add (path + " is longer than the " + juce::String (maxDocumentTextLength) + " character limit.");
            rule.pattern.clear();
        }

        return rule;
    }

    if (! isJsonObject (entry))
    {
        errors.add (path + " must be a string or an object.");
        return rule;
    }

    rule.pattern = readRequiredTextField (errors, entry, "pattern", path);
    rule.mode = readEnumField (errors, entry, "mode", path, modeForPattern (rule.pattern), fromString);
    rule.priority = readIntField (errors, entry, "priority", path, 0, -1000, 1000);
    rule.note = readTextField (errors, entry, "note", path, {});
    rule.excludes = readTextListField (errors, entry, "excludes", path, maxDocumentKeywordListSize);
    return rule;
}

Stem readStemJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path)
{
    Stem stem;

    if (! isJsonObject (entry))
    {
        errors.add (path + " must be an object.");
        return stem;
    }

    stem.id = readTextField (errors, entry, "id", path, {});
    stem.index = readIntField (errors, entry, "index", path, 1, 0, 256);
    stem.displayName = readRequiredTextField (errors, entry, "displayName", path);
    stem.shortCode = readTextField (errors, entry, "shortCode", path, {});
    stem.fileNameToken = readTextField (errors, entry, "fileNameToken", path, {});
    stem.required = readBoolField (errors, entry, "required", path, false);
    stem.priority = readIntField (errors, entry, "priority", path, 0, -1000, 1000);
    stem.namingTemplate = readTextField (errors, entry, "namingTemplate", path, {});

    const auto colourText = readTextField (errors, entry, "colour", path, colourToText (defaultStemColour));
    stem.colour = parseColourText (colourText, errors, path, defaultStemColour);

    if (hasJsonField (entry, "emptyPolicy") && ! entry["emptyPolicy"].isVoid())
    {
        const auto errorsBefore = errors.size();
        const auto policy = readEnumField (errors, entry, "emptyPolicy", path, EmptyPolicy::skip, fromString);

        if (errors.size() == errorsBefore)
            stem.emptyPolicy = policy;
    }

    stem.excludeKeywords = readTextListField (errors, entry, "excludeKeywords", path, maxDocumentKeywordListSize);

    const auto rules = readArrayField (errors, entry, "rules", path, maxDocumentRulesPerStem);

    for (int i = 0; i < rules.size(); ++i)
        stem.rules.push_back (readKeywordRuleJson (errors, rules.getReference (i), indexedPath (path, "rules", i)));

    if (stem.id.trim().isEmpty())
        stem.id = newUuidString();

    return stem;
}

Submix readSubmixJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path)
{
    Submix submix;
    submix.id = readTextField (errors, entry, "id", path, {});

    if (submix.id.isEmpty())
        submix.id = newUuidString();

    submix.name = readTextField (errors, entry, "name", path, {});
    submix.shortCode = readTextField (errors, entry, "shortCode", path, {});
    submix.stems.clear();

    for (const auto& member : readArrayField (errors, entry, "stems", path, maxDocumentSubmixMembers))
    {
        const auto id = member.toString();

        if (id.isNotEmpty() && ! submix.stems.contains (id))
            submix.stems.add (id);
    }

    return submix;
}

OutputFormat readOutputFormatJson (juce::StringArray& errors, const juce::var& entry, const juce::String& path)
{
    OutputFormat format;

    if (! isJsonObject (entry))
    {
        errors.add (path + " must be an object.");
        return format;
    }

    format.enabled = readBoolField (errors, entry, "enabled", path, true);
    format.codec = readEnumField (errors, entry, "codec", path, Codec::wav, fromString);
    format.sampleFormat = readEnumField (errors, entry, "sampleFormat", path, SampleFormat::pcm24, fromString);
    format.sampleRate = readNumberField (errors, entry, "sampleRate", path, 0.0, 0.0, 768000.0);
    format.mp3Bitrate = readIntField (errors, entry, "mp3Bitrate", path, 320, 8, 640);
    format.dither = readEnumField (errors, entry, "dither", path, Dither::tpdf, fromString);
    format.subFolder = readTextField (errors, entry, "subFolder", path, {});
    return format;
}

ExportSettings readExportSettingsJson (juce::StringArray& errors, const juce::var& exportObject,
                                       const juce::String& path)
{
    ExportSettings settings;

    if (! isJsonObject (exportObject))
    {
        errors.add (path + " must be an object.");
        return settings;
    }

    // A group that is present but not an object reads as one whose keys are all absent.
    const auto readGroup = [&] (const char* key, auto&& reader)
    {
        if (hasJsonField (exportObject, key))
            reader (exportObject[key], path + "." + key);
    };

    settings.masterSampleRate = readNumberField (errors, exportObject, "masterSampleRate", path, 48000.0,
                                                 8000.0, 768000.0);

    settings.formats.clear();
    const auto formats = readArrayField (errors, exportObject, "formats", path, maxDocumentFormats);

    for (int i = 0; i < formats.size(); ++i)
        settings.formats.push_back (readOutputFormatJson (errors, formats.getReference (i),
                                                          indexedPath (path, "formats", i)));

    if (settings.formats.empty())
        settings.formats.push_back (OutputFormat {});

    readGroup ("headroom", [&] (const juce::var& group, const juce::String& groupPath)
               { readHeadroom (errors, group, groupPath, settings.headroom); });
    readGroup ("naming", [&] (const juce::var& group, const juce::String& groupPath)
               { readNaming (errors, group, groupPath, settings.naming); });
    readGroup ("batch", [&] (const juce::var& group, const juce::String& groupPath)
               { readBatch (errors, group, groupPath, settings.batch); });

    settings.emptyStemPolicy = readEnumField (errors, exportObject, "emptyStemPolicy", path, EmptyPolicy::skip,
                                              fromString);

    readGroup ("silenceGate", [&] (const juce::var& group, const juce::String& groupPath)
               { readSilenceGate (errors, group, groupPath, settings.silenceGate); });
    readGroup ("fullMix", [&] (const juce::var& group, const juce::String& groupPath)
               { readFullMix (errors, group, groupPath, settings); });

    settings.stemsSubFolder = readTextField (errors, exportObject, "stemsSubFolder", path, {});
    settings.requireDecisionOnUnassigned = readBoolField (errors, exportObject, "requireDecisionOnUnassigned",
                                                          path, true);

    readGroup ("reconstructionCheck", [&] (const juce::var& group, const juce::String& groupPath)
               { readReconstructionCheck (errors, group, groupPath); });

    return settings;
}

} // namespace korvid
