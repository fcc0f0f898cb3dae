#include "core/storage/PresetDocumentTestUtils.h"

#include "core/model/BuiltInPresets.h"

#include <gtest/gtest.h>

namespace korvid::test
{

Preset makeRichPreset()
{
    auto preset = makeHybridOrchestraExamplePreset();
    preset.id = "7d4c9a10-5b2e-4f3a-9c61-2e8d0b7a4f55";
    preset.name = juce::String::fromUTF8 ("Rich \"Delivery\" \xc3\xa9");
    preset.isBuiltIn = false;
    preset.kind = PresetKind::project;
    preset.basedOnPresetId = "builtin-hybrid-orchestra-example";
    preset.basedOnPresetName = "Hybrid Orchestra Example";
    preset.modifiedUtcMs = 1712345678901;
    preset.metadata = { "Osmerine", "Night Train", "1m01", "A. Composer", "v7" };

    auto& schema = preset.schema;
    schema.matchPlurals = false;
    schema.name = "Hybrid";
    schema.description = "Line one\nline two";

    auto& first = schema.stems[0];
    first.emptyPolicy = EmptyPolicy::exportSilence;
    first.namingTemplate = "{cue}_{stemCode}";
    first.colour = 0x80123abc;
    first.required = true;
    first.priority = -12;
    first.rules.front().note = "from the publisher's sheet";
    first.rules.front().excludes = juce::StringArray ("synth", "pad");
    first.rules.front().priority = 7;

    schema.addSubmix ("Underscore");
    schema.addSubmix ("No Drums");
    schema.submixes[1].shortCode = "ND";
    schema.submixes[1].stems.remove (0);

    auto& settings = preset.exportSettings;
    settings.masterSampleRate = 96000.0;
    OutputFormat flac;
    flac.codec = Codec::flac;
    flac.sampleFormat = SampleFormat::pcm16;
    flac.sampleRate = 44100.0;
    flac.dither = Dither::tpdfContinuous;
    flac.subFolder = "FLAC";
    settings.formats = { settings.formats.front(), flac };
    settings.headroom.targetDb = -1.25;
    settings.headroom.peakMode = PeakMode::samplePeak;
    settings.headroom.gainMode = GainMode::attenuateOnly;
    settings.headroom.truePeakOversampling = 8;
    settings.headroom.submixesReachTargetIndependently = false;
    settings.headroom.verifyLevelAfterGain = true;
    settings.naming.stemTemplate = "{project}-{stemCode}-{stemName}";
    settings.naming.indexPadding = 3;
    settings.naming.numbering = Numbering::schemaIndex;
    settings.naming.numberMixesFirst = true;
    settings.naming.collisionPolicy = CollisionPolicy::abort;
    settings.naming.replacementChar = "_";
    settings.naming.separator = "-";
    settings.batch.folderNameTarget = FolderNameTarget::project;
    settings.batch.gainMode = GainScope::sharedAcrossBatch;
    settings.batch.mirrorFolderStructure = false;
    settings.batch.folderPerCue = false;
    settings.emptyStemPolicy = EmptyPolicy::failExport;
    settings.silenceGate = { true, -72.5, 2.5, 0.3, 0.05, -120.0 };
    settings.exportSubmixes = false;
    settings.stemsSubFolder = "Stems v2";
    settings.fullMixName = "Main Mix";
    settings.fullMixCode = "MM";
    settings.fullMixIndex = 3;
    settings.requireDecisionOnUnassigned = false;
    return preset;
}

juce::DynamicObject& objectAt (const juce::var& root, std::initializer_list<const char*> keys)
{
    auto* object = root.getDynamicObject();

    for (const auto* key : keys)
    {
        jassert (object != nullptr);
        object = object->getProperty (key).getDynamicObject();
    }

    jassert (object != nullptr);
    return *object;
}

void put (juce::DynamicObject& object, const juce::Identifier& key, const juce::var& value)
{
    object.removeProperty (key);
    object.setProperty (key, value);
}

bool sameJsonTree (const juce::var& a, const juce::var& b)
{
    if (auto* objectA = a.getDynamicObject())
    {
        auto* objectB = b.getDynamicObject();

        if (objectB == nullptr)
            return false;

        const auto& membersA = objectA->getProperties();
        const auto& membersB = objectB->getProperties();

        if (membersA.size() != membersB.size())
            return false;

        for (const auto& member : membersA)
            if (! membersB.contains (member.name) || ! sameJsonTree (member.value, membersB[member.name]))
                return false;

        return true;
    }

    if (const auto* arrayA = a.getArray())
    {
        const auto* arrayB = b.getArray();

        if (arrayB == nullptr || arrayA->size() != arrayB->size())
            return false;

        for (int i = 0; i < arrayA->size(); ++i)
            if (! sameJsonTree (arrayA->getReference (i), arrayB->getReference (i)))
                return false;

        return true;
    }

    return a.equalsWithSameType (b);
}

} // namespace korvid::test
