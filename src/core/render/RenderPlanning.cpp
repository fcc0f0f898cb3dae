#include "core/render/RenderPlanning.h"

#include "core/model/PathGuards.h"
#include "core/model/PresetChecks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

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

void appendFindings (ValidationResult& target, const ValidationResult& source)
{
    target.errors.addArray (source.errors);
    target.warnings.addArray (source.warnings);
}

void addFinding (ValidationResult& target, const juce::String& message, bool asWarning)
{
    (asWarning ? target.warnings : target.errors).add (message);
}

} // namespace

PlannedRequest makeRenderRequest (const Preset& preset,
                                  const std::vector<Track>& tracks,
                                  const juce::File& outputFolder,
                                  bool analysisOnly)
{
    PlannedRequest planned;
    auto& request = planned.request;
    request.preset = preset;
    request.outputFolder = outputFolder;
    request.exportFolder = outputFolder;
    request.analysisOnly = analysisOnly;
    request.sampleRate = preset.exportSettings.masterSampleRate;

    if (tracks.size() > (size_t) maxTracksPerRequest)
    {
        planned.issues.errors.add ("This project has more than " + juce::String (maxTracksPerRequest) + " tracks.");
        return planned;
    }

    int channels = 0;
    juce::int64 lengthFrames = 0;
    bool anyMono = false, anyMulti = false;

    for (const auto& track : tracks)
    {
        if (! isAssignedAndUsable (track))
            continue;

        channels = std::max (channels, track.info.numChannels);
        lengthFrames = std::max (lengthFrames, framesAtProjectRate (track, request.sampleRate));
        anyMono = anyMono || track.info.numChannels == 1;
        anyMulti = anyMulti || track.info.numChannels >= 2;
    }

    request.channels = std::max (channels, 1);
    request.lengthFrames = lengthFrames;

    if (anyMono && anyMulti)
        planned.issues.warnings.add ("This project mixes mono and multi-channel tracks. "
                                     "Mono tracks are copied to every channel at unity gain.");

    const auto& settings = preset.exportSettings;

    for (const auto& stem : preset.schema.stems)
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

        for (const auto& track : tracks)
            if (track.isUsable() && track.stemId == stem.id)
            {
                requestStem.trackFiles.push_back (track.file);
                requestStem.trackInfos.push_back (track.info);
            }

        request.stems.push_back (std::move (requestStem));
    }

    for (const auto& track : tracks)
    {
        if (! track.isUsable())
            planned.issues.warnings.add ("'" + track.file.getFileName() + "' could not be read and is excluded: "
                                         + track.error);
        else if (track.stemId.isEmpty())
            request.unassignedTracks.add (track.file.getFileName());
    }

    appendFindings (planned.issues, validateRenderRequest (request));
    planned.usable = planned.issues.isValid();
    return planned;
}

ValidationResult validateRenderRequest (const RenderRequest& request)
{
    ValidationResult result = validatePreset (request.preset);

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

RenderPlan buildRenderRequests (const Preset& preset,
                                const std::vector<Track>& tracks,
                                const std::vector<Cue>& cues,
                                const juce::File& exportFolder,
                                bool analysisOnly)
{
    RenderPlan plan;
    plan.multiCue = cues.size() >= 2;

    if (cues.empty())
    {
        auto planned = makeRenderRequest (preset, tracks, exportFolder, analysisOnly);
        appendFindings (plan.issues, planned.issues);
        plan.ok = planned.usable;
        plan.requests.push_back (std::move (planned));
        return plan;
    }

    std::set<juce::String> usedFolderKeys;
    const auto& batch = preset.exportSettings.batch;

    // The tracks of every cue, gathered in one pass over the tracks (in track order).
    std::map<juce::String, std::vector<Track>> tracksByCue;

    for (const auto& cue : cues)
        if (cue.included)
            tracksByCue.try_emplace (cue.id);

    for (const auto& track : tracks)
        if (const auto found = tracksByCue.find (track.cueId); found != tracksByCue.end())
            found->second.push_back (track);

    for (const auto& cue : cues)
    {
        if (! cue.included)
            continue;

        const auto found = tracksByCue.find (cue.id);

        if (found == tracksByCue.end() || found->second.empty())
            continue;

        const auto& cueTracks = found->second;

        auto cuePreset = preset;

        // A cue's own list may still name stems deleted since; they are passed over, not
        // erased, so the exception comes back intact with a preset that has them again.
        for (auto& submix : cuePreset.schema.submixes)
        {
            juce::StringArray members;

            for (const auto& stemId : cue.stemsForSubmix (submix))
                if (preset.schema.findStem (stemId) != nullptr)
                    members.add (stemId);

            submix.stems = members;
        }

        if (batch.folderNameTarget == FolderNameTarget::cue)
            cuePreset.metadata.cue = cue.name;
        else if (batch.folderNameTarget == FolderNameTarget::project)
            cuePreset.metadata.project = cue.name;

        const auto cueFolder = cueOutputFolder (cue, exportFolder, batch.mirrorFolderStructure, batch.folderPerCue);

        auto planned = makeRenderRequest (cuePreset, cueTracks, cueFolder, analysisOnly);
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
