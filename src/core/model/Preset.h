#pragma once

#include "core/model/StemSchema.h"
#include "core/model/Types.h"
#include "core/model/Uuid.h"
#include "core/model/ValidationResult.h"

#include <vector>

namespace korvid
{

// Texts used by the naming templates.
struct PresetMetadata
{
    juce::String publisher;
    juce::String project;
    juce::String cue;
    juce::String composer;
    juce::String version { "v1" };
};

bool operator== (const PresetMetadata& a, const PresetMetadata& b);

struct OutputFormat
{
    bool enabled = true;
    Codec codec = Codec::wav;
    SampleFormat sampleFormat = SampleFormat::pcm24;
    double sampleRate = 0.0;          // Hz; 0 means the master sample rate
    int mp3Bitrate = 320;             // kbit/s
    Dither dither = Dither::tpdfShaped;
    juce::String subFolder;           // relative; empty for none
};

struct SilenceGateSettings
{
    bool enabled = false;
    double thresholdDb = -90.0;
    double minimumSeconds = 1.0;
    double fadeOutSeconds = 0.15;
    double fadeInSeconds = 0.15;
    double floorDb = -400.0;          // -400 dB stands for silence
};

// Equal when the switch and all five numbers are exactly equal (a NaN never is).
bool operator== (const SilenceGateSettings& a, const SilenceGateSettings& b);

struct HeadroomSettings
{
    double targetDb = -3.0;
    PeakMode peakMode = PeakMode::truePeak;
    GainMode gainMode = GainMode::alwaysReachTarget;
    int truePeakOversampling = 4;
    bool submixesReachTargetIndependently = true;
    bool verifyLevelAfterGain = false;
};

struct NamingSettings
{
    juce::String stemTemplate { "{project}_{cue}_{stemIndex}_{stemName}" };
    juce::String mixTemplate { "{project}_{cue}_{stemName}" };
    int indexPadding = 2;
    Numbering numbering = Numbering::consecutiveExported;
    bool numberMixesFirst = false;
    CollisionPolicy collisionPolicy = CollisionPolicy::incrementVersion;
    juce::String replacementChar { "-" };
    juce::String separator { "_" };
};

struct BatchSettings
{
    FolderNameTarget folderNameTarget = FolderNameTarget::cue;
    GainScope gainMode = GainScope::perTrack;
    bool mirrorFolderStructure = true;
    bool folderPerCue = true;
};

struct ExportSettings
{
    double masterSampleRate = 48000.0;
    std::vector<OutputFormat> formats { OutputFormat {} };
    HeadroomSettings headroom;
    NamingSettings naming;
    BatchSettings batch;
    EmptyPolicy emptyStemPolicy = EmptyPolicy::skip;
    SilenceGateSettings silenceGate;
    bool exportFullMix = true;
    bool exportSubmixes = true;
    juce::String stemsSubFolder { "STEMS" };
    juce::String fullMixName { "Full Mix" };
    juce::String fullMixCode { "MIX" };
    int fullMixIndex = 1;
    bool requireDecisionOnUnassigned = true;
};

// Rates within 0.5 Hz and target levels within 1e-9 dB count as equal; the rest is exact.
bool operator== (const ExportSettings& a, const ExportSettings& b);

struct Preset
{
    juce::String id;
    juce::String name;
    juce::String description;
    PresetKind kind = PresetKind::publisher;
    juce::String basedOnPresetId;
    juce::String basedOnPresetName;
    bool isBuiltIn = false;
    StemSchema schema;
    ExportSettings exportSettings;
    PresetMetadata metadata;
    juce::int64 modifiedUtcMs = 0;    // milliseconds since 1970-01-01 UTC

    // A copy with a new id, not built in; stems and alternative mixes keep their ids, so
    // assignments and cue exceptions made against this preset still hold for the copy.
    // A blank name gives this preset's name + " copy".
    Preset copyUnderNewId (const juce::String& newName, PresetKind newKind) const;

    // As copyUnderNewId, with new stem ids as well (alternative mixes follow them): for a
    // copy that has to live beside the original, as an imported preset does.
    Preset duplicate (const juce::String& newName, PresetKind newKind) const;

    void markModifiedNow();
};

// Narrow equality: the schema's plural flag, its alternative mixes and the
// modification time take no part.
bool operator== (const Preset& a, const Preset& b);

// a == b, plus the plural flag and every alternative mix (id, name, short code,
// members, in order). Used to tell a preset from its stored copy.
bool presetsFullyEqual (const Preset& a, const Preset& b);

} // namespace korvid
