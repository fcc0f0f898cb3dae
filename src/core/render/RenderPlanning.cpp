#include "core/render/RenderPlanning.h"

#include "core/render/PlanningFindings.h"
#include "core/render/RenderPlanningCache.h"

#include "core/model/IdHash.h"
#include "core/model/OutputNameClashes.h"
#include "core/model/PathGuards.h"
#include "core/model/PresetChecks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace korvid
{

namespace
{


bool isAssignedAndUsable (const Track& track)
{
    return track.isUsable() && track.stemId.isNotEmpty();
}

// Frames a track takes at the project rate, rounded up. Whole-number rates are worked
// out in integers so that, say, 44100 frames at 44.1 kHz give exactly 48000 at 48 kHz.
juce::int64 framesAtProjectRate (const Track& track, double projectRate)
{
    const auto frames = track.info.lengthInSamples;
    const auto trackRate = track.info.sampleRate;

    if (trackRate <= 0.0 || projectRate <= 0.0)
        return frames;

    const bool wholeRates = projectRate == std::floor (projectRate) && trackRate == std::floor (trackRate)
                            && projectRate < 1.0e9 && trackRate < 1.0e9;
    const auto projectWhole = (juce::int64) projectRate;
    const auto trackWhole = (juce::int64) trackRate;

    if (wholeRates && trackWhole > 0 && frames <= std::numeric_limits<juce::int64>::max() / projectWhole)
    {
        const auto product = frames * projectWhole;
        return product / trackWhole + (product % trackWhole != 0 ? 1 : 0);
    }

    const auto exact = std::ceil (projectRate / trackRate * (double) frames);
    return exact >= 9.0e18 ? std::numeric_limits<juce::int64>::max() : (juce::int64) exact;
}

} // namespace

PlannedRequest makeRenderRequest (Preset preset,
                                  const std::vector<const Track*>& tracks,
                                  const juce::File& outputFolder,
                                  bool analysisOnly,
                                  const ValidationResult& presetFindings)
{
    PlannedRequest planned;
    auto& request = planned.request;
    request.preset = std::move (preset);
    request.outputFolder = outputFolder;
    request.exportFolder = outputFolder;
    request.analysisOnly = analysisOnly;
    request.sampleRate = request.preset.exportSettings.masterSampleRate;

    if (tracks.size() > (size_t) maxTracksPerRequest)
    {
        planned.issues.errors.add ("This project has more than " + juce::String (maxTracksPerRequest) + " tracks.");
        return planned;
    }

    int channels = 0;
    juce::int64 lengthFrames = 0;
    bool anyMono = false, anyMulti = false;

    for (const auto* track : tracks)
    {
        if (! isAssignedAndUsable (*track))
            continue;

        channels = std::max (channels, track->info.numChannels);
        lengthFrames = std::max (lengthFrames, framesAtProjectRate (*track, request.sampleRate));
        anyMono = anyMono || track->info.numChannels == 1;
        anyMulti = anyMulti || track->info.numChannels >= 2;
    }

    request.channels = std::max (channels, 1);
    request.lengthFrames = lengthFrames;

    if (anyMono && anyMulti)
        planned.issues.warnings.add ("This project mixes mono and multi-channel tracks. "
                                     "Mono tracks are copied to every channel at unity gain.");

    const auto& settings = request.preset.exportSettings;
    const auto& schemaStems = request.preset.schema.stems;
    request.stems.reserve (schemaStems.size());

    for (const auto& stem : schemaStems)
    {
        RequestStem requestStem;
        requestStem.id = stem.id;
        requestStem.displayName = stem.displayName;
        requestStem.shortCode = stem.shortCode;
        requestStem.fileNameToken = stem.effectiveFileNameToken();
        requestStem.index = stem.index;
        requestStem.colour = stem.colour;
        requestStem.emptyPolicy = stem.emptyPolicy.value_or (settings.emptyStemPolicy);

        const auto ownTemplate = stem.namingTemplate.trim();
        requestStem.namingTemplate = ownTemplate.isNotEmpty() ? ownTemplate : settings.naming.stemTemplate;
        request.stems.push_back (std::move (requestStem));
    }

    // Each track joins its stem in one pass, in track order.
    std::unordered_map<juce::String, std::vector<size_t>, IdHash> stemsById;

    for (size_t i = 0; i < request.stems.size(); ++i)
        stemsById[request.stems[i].id].push_back (i);

    for (const auto* track : tracks)
        if (track->isUsable())
            if (const auto found = stemsById.find (track->stemId); found != stemsById.end())
                for (const auto i : found->second)
                {
                    request.stems[i].trackFiles.push_back (track->file);
                    request.stems[i].trackInfos.push_back (track->info);
                }

    for (const auto* track : tracks)
    {
        if (! track->isUsable())
            planned.issues.warnings.add ("'" + track->file.getFileName() + "' could not be read and is excluded: "
                                         + track->error);
        else if (track->stemId.isEmpty())
            request.unassignedTracks.add (track->file.getFileName());
    }

    appendFindings (planned.issues, validateRenderRequest (request, presetFindings));
    planned.usable = planned.issues.isValid();
    return planned;
}

ValidationResult validateRenderRequest (const RenderRequest& request, const ValidationResult& presetFindings)
{
    ValidationResult result = presetFindings;

    if (request.channels < 1 || request.channels > maxRenderChannels)
        result.errors.add ("Unsupported channel count for this project: " + juce::String (request.channels) + ".");

    if (request.preset.schema.stems.empty())
        result.errors.add ("This preset has no stems, so there is nothing to deliver. "
                           "Add the stems your publisher asks for in step 2.");

    if (request.lengthFrames < 1)
        result.errors.add ("There is nothing to render: every track is empty or unusable.");

    if (request.lengthFrames > maxRenderFrames)
        result.errors.add ("This project is longer than Velvane can render in one pass.");

    if (! request.analysisOnly)
    {
        juce::String folderError;

        if (! checkOutputFolder (request.outputFolder, folderError))
            result.errors.add (folderError);
    }

    const bool anyTracks = std::any_of (request.stems.begin(), request.stems.end(),
                                        [] (const RequestStem& stem) { return ! stem.trackFiles.empty(); });

    if (! anyTracks)
        result.errors.add ("No stem has any track assigned to it.");

    for (const auto& stem : request.stems)
        if (stem.trackFiles.empty() && stem.emptyPolicy == EmptyPolicy::failExport)
            result.errors.add ("Stem '" + stem.displayName + "' is empty and the preset says that is an error.");

    if (! request.unassignedTracks.isEmpty() && request.preset.exportSettings.requireDecisionOnUnassigned)
        addFinding (result,
                    juce::String (request.unassignedTracks.size())
                        + " track(s) are still unassigned and the preset requires an explicit decision.",
                    request.analysisOnly);

    return result;
}


PlannedRequest makeRenderRequest (const Preset& preset,
                                  const std::vector<Track>& tracks,
                                  const juce::File& outputFolder,
                                  bool analysisOnly)
{
    std::vector<const Track*> pointers;
    pointers.reserve (tracks.size());

    for (const auto& track : tracks)
        pointers.push_back (&track);

    const auto findings = tracks.size() > (size_t) maxTracksPerRequest ? ValidationResult() : validateRequestPreset (preset);
    return makeRenderRequest (preset, pointers, outputFolder, analysisOnly, findings);
}

ValidationResult validateRequestPreset (const Preset& preset)
{
    auto result = validatePresetIdentity (preset);
    appendFindings (result, validatePresetSchema (preset));
    appendFindings (result, validatePresetSettings (preset));

    const auto clashes = findNameClashes (preset);
    result.errors.addArray (clashes.presetErrors);
    result.errors.addArray (clashes.deliveryErrors);
    return result;
}

ValidationResult validateRenderRequest (const RenderRequest& request)
{
    return validateRenderRequest (request, validateRequestPreset (request.preset));
}

RenderPlan buildRenderRequests (const Preset& preset,
                                const std::vector<Track>& tracks,
                                const std::vector<Cue>& cues,
                                const juce::File& exportFolder,
                                bool analysisOnly)
{
    RenderPlanningCache cache;
    return cache.plan (preset, tracks, cues, exportFolder, analysisOnly);
}

} // namespace korvid
