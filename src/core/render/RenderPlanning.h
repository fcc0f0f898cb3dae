#pragma once

#include "core/audio/AudioFileInfo.h"
#include "core/model/Preset.h"
#include "core/model/Types.h"
#include "core/model/ValidationResult.h"
#include "core/session/Cue.h"
#include "core/session/Track.h"

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid
{

// A request refuses projects with more tracks than this.
constexpr int maxTracksPerRequest = 2048;
// Longest render, in frames at the project rate.
constexpr juce::int64 maxRenderFrames = 1000000000;
constexpr int maxRenderChannels = 64;

/** One stem of a render request, with the track files that are summed into it. */
struct RequestStem
{
    juce::String id;
    juce::String displayName;
    juce::String shortCode;
    juce::String fileNameToken;               // the stem's effective file-name token
    int index = 1;                            // the stem's index in the schema
    juce::uint32 colour = 0xff8a8a8a;         // ARGB
    std::vector<juce::File> trackFiles;       // usable assigned tracks, in track order
    std::vector<AudioFileInfo> trackInfos;    // each of them as it was probed at import
    EmptyPolicy emptyPolicy = EmptyPolicy::skip;
    juce::String namingTemplate;              // the stem's own template, else the preset's
};

/** A self-contained order for the render thread: one cue (or the whole project). */
struct RenderRequest
{
    Preset preset;                            // a full copy, adjusted for the cue
    juce::File outputFolder;                  // the cue's output folder
    juce::File exportFolder;                  // the folder chosen for the whole run
    juce::String cueName;
    juce::String sourceFolder;                // the cue's relative folder
    juce::String cueId;
    double fixedGainDb = 0.0;                 // read only when useFixedGain is set
    bool useFixedGain = false;                // set by the batch's shared-gain pass
    double trimStartSeconds = 0.0;
    std::vector<RequestStem> stems;           // one per schema stem, in schema order
    int channels = 2;
    juce::int64 lengthFrames = 0;             // at the project rate
    double sampleRate = 48000.0;              // the project rate
    juce::StringArray unassignedTracks;       // file names of usable tracks without a stem
    bool analysisOnly = false;                // measure only; write nothing
};

/** One request with its own findings (unprefixed). */
struct PlannedRequest
{
    RenderRequest request;
    ValidationResult issues;
    bool usable = false;                      // issues holds no error
};

/** The validated plan of one run. */
struct RenderPlan
{
    std::vector<PlannedRequest> requests;     // in cue order
    ValidationResult issues;                  // every request's findings, prefixed with its cue's name
    bool ok = false;                          // at least one request, and every one usable
    bool multiCue = false;                    // two or more cues were given
};

/** Plans one request from the preset and the tracks of one cue, written into the output
    folder, which is also taken as the run's folder. The cue members and the start trim are
    left for the caller. */
PlannedRequest makeRenderRequest (const Preset& preset,
                                  const std::vector<Track>& tracks,
                                  const juce::File& outputFolder,
                                  bool analysisOnly);

/** makeRenderRequest of a preset whose own findings (validateRequestPreset) were worked
    out beforehand, so that the cues of one run share one check of their preset. */
PlannedRequest makeRenderRequest (Preset preset,
                                  const std::vector<const Track*>& tracks,
                                  const juce::File& outputFolder,
                                  bool analysisOnly,
                                  const ValidationResult& presetFindings);

/** Plans one request per included cue with tracks (or one for the whole project when no
    cue is given) and gathers every problem that can be seen before the run. Planning the
    same session again and again goes faster through a RenderPlanningCache. */
RenderPlan buildRenderRequests (const Preset& preset,
                                const std::vector<Track>& tracks,
                                const std::vector<Cue>& cues,
                                const juce::File& exportFolder,
                                bool analysisOnly);

/** What the preset of a request must pass: validatePreset, and no two files of one cue
    with one name in one folder (the delivery errors of findNameClashes). */
ValidationResult validateRequestPreset (const Preset& preset);

/** The checks a request must pass before it is rendered. Outside analysis this may
    create the output folder. */
ValidationResult validateRenderRequest (const RenderRequest& request);

/** The same with the findings of validateRequestPreset on the request's preset given. */
ValidationResult validateRenderRequest (const RenderRequest& request, const ValidationResult& presetFindings);

} // namespace korvid
