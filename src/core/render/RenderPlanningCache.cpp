#include "core/render/RenderPlanningCache.h"

#include "core/model/IdHash.h"
#include "core/model/OutputNameClashes.h"
#include "core/model/PresetChecks.h"
#include "core/render/PlanningFindings.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace korvid
{

namespace
{

    // Memories of cue names and exceptions are dropped past this size and built again.
    constexpr size_t mostRemembered = 4096;

    // Preset equality for the checks: every member they read, numbers compared exactly.
    bool sameForChecks (const Preset& a, const Preset& b)
    {
        if (! presetsFullyEqual (a, b))
            return false;

        const auto& x = a.exportSettings;
        const auto& y = b.exportSettings;

        if (x.masterSampleRate != y.masterSampleRate || x.headroom.targetDb != y.headroom.targetDb)
            return false;

        for (size_t i = 0; i < x.formats.size(); ++i)
            if (x.formats[i].sampleRate != y.formats[i].sampleRate)
                return false;

        return true;
    }

    // What the output names read of a preset besides its metadata: a copy with everything
    // else set to defaults, so a change of gain, gate or anything else off the names keeps
    // the names already checked. Leaving out too little only checks the names again.
    Preset namingView (const Preset& preset)
    {
        Preset view;
        const auto& settings = preset.exportSettings;
        auto& viewed = view.exportSettings;
        viewed.masterSampleRate = settings.masterSampleRate;
        viewed.formats = settings.formats;

        for (auto& format : viewed.formats)
            format.dither = Dither::none;

        viewed.naming = settings.naming;
        viewed.naming.collisionPolicy = {};
        viewed.exportFullMix = settings.exportFullMix;
        viewed.exportSubmixes = settings.exportSubmixes;
        viewed.stemsSubFolder = settings.stemsSubFolder;
        viewed.fullMixName = settings.fullMixName;
        viewed.fullMixCode = settings.fullMixCode;
        viewed.fullMixIndex = settings.fullMixIndex;

        for (const auto& stem : preset.schema.stems)
        {
            Stem named;
            named.id = stem.id;
            named.index = stem.index;
            named.displayName = stem.displayName;
            named.shortCode = stem.shortCode;
            named.fileNameToken = stem.fileNameToken;
            named.namingTemplate = stem.namingTemplate;
            view.schema.stems.push_back (std::move (named));
        }

        for (const auto& mix : preset.schema.submixes)
        {
            Submix named;
            named.id = mix.id;
            named.name = mix.name;
            named.shortCode = mix.shortCode;
            view.schema.submixes.push_back (std::move (named));
        }

        return view;
    }

    bool sameSchema (const StemSchema& a, const StemSchema& b)
    {
        return a.matchPlurals == b.matchPlurals && a.publisher == b.publisher && a.name == b.name
            && a.description == b.description && a.stems == b.stems && a.submixes == b.submixes;
    }

    juce::String membersKey (const Preset& preset)
    {
        juce::StringArray lists;

        for (const auto& submix : preset.schema.submixes)
            lists.add (submix.stems.joinIntoString ("\x1f"));

        return lists.joinIntoString ("\x1e");
    }

    // The preset as one cue renders it: its own alternative-mix members, and its name where
    // the preset takes the folder name.
    Preset presetForCue (const Preset& preset, const std::set<juce::String>& stemIds, const Cue& cue)
    {
        auto cuePreset = preset;

        // A cue's own list may still name stems deleted since; they are passed over, not
        // erased, so the exception comes back intact with a preset that has them again.
        for (auto& submix : cuePreset.schema.submixes)
        {
            juce::StringArray members;

            for (const auto& stemId : cue.stemsForSubmix (submix))
                if (stemIds.count (stemId) > 0)
                    members.add (stemId);

            submix.stems = members;
        }

        const auto target = preset.exportSettings.batch.folderNameTarget;

        if (target == FolderNameTarget::cue)
            cuePreset.metadata.cue = cue.name;
        else if (target == FolderNameTarget::project)
            cuePreset.metadata.project = cue.name;

        return cuePreset;
    }

    juce::String metadataKey (const PresetMetadata& metadata)
    {
        return juce::StringArray { metadata.publisher, metadata.project, metadata.cue, metadata.composer,
                                   metadata.version }.joinIntoString ("\x1f");
    }
}

void RenderPlanningCache::usePreset (const Preset& preset)
{
    if (checkedPreset.has_value() && sameForChecks (*checkedPreset, preset))
        return;

    // Each part is checked again only when what it reads changed.
    if (! checkedPreset.has_value() || ! sameSchema (checkedPreset->schema, preset.schema))
    {
        checkedMembers = membersKey (preset);
        stemIds.clear();

        for (const auto& stem : preset.schema.stems)
            stemIds.insert (stem.id);

        schema = validatePresetSchema (preset);
        schemaByMembers.clear();
    }

    auto view = namingView (preset);

    if (! checkedNames.has_value() || ! sameForChecks (*checkedNames, view))
    {
        checkedNames = std::move (view);
        clashesByMetadata.clear();
    }

    checkedPreset = preset;
    identity = validatePresetIdentity (preset);
    settings = validatePresetSettings (preset);
}

ValidationResult RenderPlanningCache::checkCuePreset (const Preset& cuePreset)
{
    auto result = identity;
    const auto members = membersKey (cuePreset);

    if (members == checkedMembers)
    {
        appendFindings (result, schema);
    }
    else
    {
        if (schemaByMembers.size() >= mostRemembered)
            schemaByMembers.clear();

        auto found = schemaByMembers.find (members);

        if (found == schemaByMembers.end())
            found = schemaByMembers.emplace (members, validatePresetSchema (cuePreset)).first;

        appendFindings (result, found->second);
    }

    appendFindings (result, settings);

    if (clashesByMetadata.size() >= mostRemembered)
        clashesByMetadata.clear();

    const auto key = metadataKey (cuePreset.metadata);
    auto clashes = clashesByMetadata.find (key);

    if (clashes == clashesByMetadata.end())
        clashes = clashesByMetadata.emplace (key, findNameClashes (cuePreset)).first;

    result.errors.addArray (clashes->second.presetErrors);
    result.errors.addArray (clashes->second.deliveryErrors);
    return result;
}

RenderPlan RenderPlanningCache::plan (const Preset& preset,
                                      const std::vector<Track>& tracks,
                                      const std::vector<Cue>& cues,
                                      const juce::File& exportFolder,
                                      bool analysisOnly,
                                      const CancelTest& cancelled)
{
    usePreset (preset);

    RenderPlan plan;
    plan.multiCue = cues.size() >= 2;

    if (cues.empty())
    {
        std::vector<const Track*> all;
        all.reserve (tracks.size());

        for (const auto& track : tracks)
            all.push_back (&track);

        auto findings = all.size() > (size_t) maxTracksPerRequest ? ValidationResult() : checkCuePreset (preset);
        auto planned = makeRenderRequest (preset, all, exportFolder, analysisOnly, findings);
        appendFindings (plan.issues, planned.issues);
        plan.ok = planned.usable;
        plan.requests.push_back (std::move (planned));
        return plan;
    }

    std::set<juce::String> usedFolderKeys;
    const auto& batch = preset.exportSettings.batch;

    // The tracks of every cue, gathered in one pass over the tracks (in track order).
    std::unordered_map<juce::String, std::vector<const Track*>, IdHash> tracksByCue;

    for (const auto& cue : cues)
        if (cue.included)
            tracksByCue.try_emplace (cue.id);

    for (const auto& track : tracks)
        if (const auto found = tracksByCue.find (track.cueId); found != tracksByCue.end())
            found->second.push_back (&track);

    for (const auto& cue : cues)
    {
        if (isCancelled (cancelled))
            return {};

        if (! cue.included)
            continue;

        const auto found = tracksByCue.find (cue.id);

        if (found == tracksByCue.end() || found->second.empty())
            continue;

        const auto& cueTracks = found->second;
        auto cuePreset = presetForCue (preset, stemIds, cue);
        const auto cueFolder = cueOutputFolder (cue, exportFolder, batch.mirrorFolderStructure, batch.folderPerCue);

        // Past the track limit a request holds only that error.
        auto findings = cueTracks.size() > (size_t) maxTracksPerRequest ? ValidationResult() : checkCuePreset (cuePreset);
        auto planned = makeRenderRequest (std::move (cuePreset), cueTracks, cueFolder, analysisOnly, findings);
        planned.request.exportFolder = exportFolder;
        planned.request.cueName = cue.name;
        planned.request.sourceFolder = cue.relativeFolder;
        planned.request.cueId = cue.id;
        planned.request.trimStartSeconds = cue.trimStartSeconds;

        if (plan.multiCue)
        {
            const auto key = cueFolder.getFullPathName().toLowerCase();

            if (usedFolderKeys.count (key) > 0)
                addFinding (planned.issues,
                            "'" + cue.name + "' would be written into the same folder as another cue. "
                            "Give it a different name, turn on 'mirror the source folder structure', "
                            "or import the cues separately.",
                            analysisOnly);
            else
                usedFolderKeys.insert (key);

            planned.usable = planned.issues.isValid();
        }

        appendPrefixed (plan.issues, planned.issues, cue.name);
        plan.requests.push_back (std::move (planned));
    }

    if (plan.requests.empty())
    {
        const bool anyIncluded = std::any_of (cues.begin(), cues.end(), [] (const Cue& cue) { return cue.included; });
        plan.issues.errors.add (anyIncluded
                                    ? juce::String ("No cue has any usable track.")
                                    : juce::String ("Every cue is unticked, so there is nothing to write. "
                                                    "Tick at least one in the list below."));
        plan.ok = false;
        return plan;
    }

    plan.ok = std::all_of (plan.requests.begin(), plan.requests.end(),
                           [] (const PlannedRequest& planned) { return planned.usable; });
    return plan;
}

} // namespace korvid
