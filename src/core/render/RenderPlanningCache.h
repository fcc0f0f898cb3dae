#pragma once

#include "core/audio/CancelTest.h"
#include "core/model/OutputNameClashes.h"
#include "core/render/RenderPlanning.h"

#include <map>
#include <optional>
#include <set>

namespace korvid
{

/** Plans a delivery again and again as the session changes, redoing only what a change
    touches: the preset's own checks are made once for as long as the preset stays the
    same, the names of a cue's outputs once per cue name and the schema once per set of cue
    exceptions, so a change of tracks, assignments or cues never checks the preset again.
    A plan is what buildRenderRequests gives for the same inputs. One thread at a time. */
class RenderPlanningCache
{
public:
    /** As buildRenderRequests. A cancel test that answers true stops between two cues with
        an empty plan, which is to be dropped. */
    RenderPlan plan (const Preset& preset,
                     const std::vector<Track>& tracks,
                     const std::vector<Cue>& cues,
                     const juce::File& exportFolder,
                     bool analysisOnly,
                     const CancelTest& cancelled = {});

private:
    /** Checks again the parts of the preset that differ from the one checked last. */
    void usePreset (const Preset& preset);

    /** validateRequestPreset of the preset in use as one cue adjusts it: other
        alternative-mix members and other metadata, nothing else. */
    ValidationResult checkCuePreset (const Preset& cuePreset);

    std::optional<Preset> checkedPreset;
    std::optional<Preset> checkedNames;       // what the output names read of it
    juce::String checkedMembers;
    std::set<juce::String> stemIds;
    ValidationResult identity, schema, settings;
    std::map<juce::String, ValidationResult> schemaByMembers;
    std::map<juce::String, OutputNameClashes> clashesByMetadata;
};

} // namespace korvid
