#include "core/model/Preset.h"

#include <cmath>
#include <map>

namespace korvid
{

namespace
{
    bool sameRate (double a, double b)
    {
        return std::abs (a - b) < 0.5;
    }

    bool sameFormat (const OutputFormat& a, const OutputFormat& b)
    {
        return a.enabled == b.enabled
            && a.codec == b.codec
            && a.sampleFormat == b.sampleFormat
            && sameRate (a.sampleRate, b.sampleRate)
            && a.mp3Bitrate == b.mp3Bitrate
            && a.dither == b.dither
            && a.subFolder == b.subFolder;
    }
}

// Plain == on doubles: NaN never equals itself, so a NaN setting always differs.
bool operator== (const SilenceGateSettings& a, const SilenceGateSettings& b)
{
    return a.enabled == b.enabled
        && a.thresholdDb == b.thresholdDb
        && a.minimumSeconds == b.minimumSeconds
        && a.fadeOutSeconds == b.fadeOutSeconds
        && a.fadeInSeconds == b.fadeInSeconds
        && a.floorDb == b.floorDb;
}

bool operator== (const PresetMetadata& a, const PresetMetadata& b)
{
    return a.publisher == b.publisher
        && a.project == b.project
        && a.cue == b.cue
        && a.composer == b.composer
        && a.version == b.version;
}

bool operator== (const ExportSettings& a, const ExportSettings& b)
{
    if (! sameRate (a.masterSampleRate, b.masterSampleRate))
        return false;

    if (a.formats.size() != b.formats.size())
        return false;

    for (size_t i = 0; i < a.formats.size(); ++i)
        if (! sameFormat (a.formats[i], b.formats[i]))
            return false;

    if (! (std::abs (a.headroom.targetDb - b.headroom.targetDb) < 1.0e-9))
        return false;

    const bool sameRest = a.headroom.peakMode == b.headroom.peakMode
        && a.headroom.gainMode == b.headroom.gainMode
        && a.headroom.truePeakOversampling == b.headroom.truePeakOversampling
        && a.headroom.submixesReachTargetIndependently == b.headroom.submixesReachTargetIndependently
        && a.headroom.verifyLevelAfterGain == b.headroom.verifyLevelAfterGain
        && a.naming.stemTemplate == b.naming.stemTemplate
        && a.naming.mixTemplate == b.naming.mixTemplate
        && a.naming.indexPadding == b.naming.indexPadding
        && a.naming.numbering == b.naming.numbering
        && a.naming.numberMixesFirst == b.naming.numberMixesFirst
        && a.naming.collisionPolicy == b.naming.collisionPolicy
        && a.naming.replacementChar == b.naming.replacementChar
        && a.naming.separator == b.naming.separator
        && a.batch.folderNameTarget == b.batch.folderNameTarget
        && a.batch.gainMode == b.batch.gainMode
        && a.batch.mirrorFolderStructure == b.batch.mirrorFolderStructure
        && a.batch.folderPerCue == b.batch.folderPerCue
        && a.emptyStemPolicy == b.emptyStemPolicy
        && a.exportFullMix == b.exportFullMix
        && a.exportSubmixes == b.exportSubmixes;

    return sameRest
        && a.silenceGate == b.silenceGate
        && a.stemsSubFolder == b.stemsSubFolder
        && a.fullMixName == b.fullMixName
        && a.fullMixCode == b.fullMixCode
        && a.fullMixIndex == b.fullMixIndex
        && a.requireDecisionOnUnassigned == b.requireDecisionOnUnassigned;
}

bool operator== (const Preset& a, const Preset& b)
{
    return a.id == b.id
        && a.name == b.name
        && a.description == b.description
        && a.kind == b.kind
        && a.basedOnPresetId == b.basedOnPresetId
        && a.basedOnPresetName == b.basedOnPresetName
        && a.isBuiltIn == b.isBuiltIn
        && a.exportSettings == b.exportSettings
        && a.metadata == b.metadata
        && a.schema.publisher == b.schema.publisher
        && a.schema.name == b.schema.name
        && a.schema.description == b.schema.description
        && a.schema.stems == b.schema.stems;
}

bool presetsFullyEqual (const Preset& a, const Preset& b)
{
    return a == b
        && a.schema.matchPlurals == b.schema.matchPlurals
        && a.schema.submixes == b.schema.submixes;
}

Preset Preset::copyUnderNewId (const juce::String& newName, PresetKind newKind) const
{
    Preset copy = *this;
    copy.id = newUuidString();

    const auto trimmedName = newName.trim();
    copy.name = trimmedName.isNotEmpty() ? trimmedName : name + " copy";

    copy.kind = newKind;
    copy.isBuiltIn = false;

    if (newKind == PresetKind::project && kind == PresetKind::publisher)
    {
        copy.basedOnPresetId = id;
        copy.basedOnPresetName = name;
    }

    copy.markModifiedNow();
    return copy;
}

Preset Preset::duplicate (const juce::String& newName, PresetKind newKind) const
{
    auto copy = copyUnderNewId (newName, newKind);
    std::map<juce::String, juce::String> newStemIds;

    for (auto& stem : copy.schema.stems)
    {
        const auto freshId = newUuidString();
        newStemIds.emplace (stem.id, freshId);   // a repeated old id keeps its first stem's new id
        stem.id = freshId;
    }

    for (auto& submix : copy.schema.submixes)
    {
        juce::StringArray members;

        for (const auto& memberId : submix.stems)
        {
            const auto found = newStemIds.find (memberId);

            if (found != newStemIds.end())
                members.add (found->second);
        }

        submix.stems = members;
    }

    return copy;
}

void Preset::markModifiedNow()
{
    modifiedUtcMs = juce::Time::currentTimeMillis();
}

} // namespace korvid
