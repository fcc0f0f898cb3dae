#include "core/model/BuiltInPresets.h"
#include "core/render/RenderPlanning.h"
#include "core/render/RenderPlanningCache.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
// The analysis plan the export page builds after every change of the session: 2048 tracks
// spread over a number of cues, every track assigned to one of the 16 stems of the
// built-in example. Nothing is read from disk while planning, so the tracks need no files.
struct PlanningInput
{
    explicit PlanningInput (int cueCount)
        : preset (korvid::makeHybridOrchestraExamplePreset())
    {
        const auto root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-planning-bench");

        for (int c = 0; c < cueCount; ++c)
        {
            korvid::Cue cue;
            cue.folder = root.getChildFile ("Cue " + juce::String (c + 1));
            cue.id = korvid::cueIdForFolder (cue.folder);
            cue.name = "1M" + juce::String (c + 1).paddedLeft ('0', 3);
            cue.relativeFolder = cue.folder.getFileName();
            cues.push_back (cue);
        }

        const auto& stems = preset.schema.stems;

        for (int i = 0; i < korvid::maxTracksPerRequest; ++i)
        {
            const auto& cue = cues[(size_t) (i % cueCount)];
            korvid::Track track;
            track.id = juce::Uuid().toString();
            track.file = cue.folder.getChildFile ("Track " + juce::String (i) + ".wav");
            track.cueId = cue.id;
            track.info.formatName = "WAV";
            track.info.sampleRate = 48000.0;
            track.info.bitsPerSample = 24;
            track.info.numChannels = 2;
            track.info.lengthInSamples = 48000 * 180;
            track.stemId = stems[(size_t) i % stems.size()].id;
            track.source = korvid::AssignmentSource::automatic;
            track.confidence = korvid::Confidence::confident;
            tracks.push_back (track);
        }
    }

    korvid::Preset preset;
    std::vector<korvid::Cue> cues;
    std::vector<korvid::Track> tracks;
};

// A plan from nothing: the preset checked, every cue planned.
void planAnalysis (benchmark::State& state)
{
    const PlanningInput input ((int) state.range (0));
    const auto exportFolder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-planning-out");

    for (auto _ : state)
    {
        auto plan = korvid::buildRenderRequests (input.preset, input.tracks, input.cues, exportFolder, true);
        benchmark::DoNotOptimize (plan);
    }
}

BENCHMARK (planAnalysis)->Name ("PlanAnalysis/2048tracks/cues")->Arg (16)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond);

// What the Levels & export page's planner does after a change: of a setting off the names
// (only the settings checked again), of the naming (every cue's names checked again) and
// of one cue's name (only its names checked); every plan is made anew.
enum class Change { settings, naming, cue };

void planAgain (benchmark::State& state, Change kind)
{
    const PlanningInput input ((int) state.range (0));
    const auto exportFolder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-planning-out");
    auto presets = std::vector<korvid::Preset> { input.preset, input.preset };

    if (kind == Change::naming)
        presets[1].exportSettings.naming.separator = "-";
    else
        presets[1].exportSettings.headroom.targetDb = -6.0;
    auto cues = input.cues;
    korvid::RenderPlanningCache cache;
    int change = 0;

    // The page's planner has planned the session as it was before the change.
    for (const auto& name : { "1M001 take 0", "1M001 take 1" })
    {
        cues.front().name = name;
        benchmark::DoNotOptimize (cache.plan (input.preset, input.tracks, cues, exportFolder, true));
    }

    for (auto _ : state)
    {
        ++change;

        if (kind != Change::cue)
            benchmark::DoNotOptimize (cache.plan (presets[(size_t) (change % 2)], input.tracks, cues, exportFolder, true));
        else
        {
            cues.front().name = "1M001 take " + juce::String (change % 2);
            benchmark::DoNotOptimize (cache.plan (input.preset, input.tracks, cues, exportFolder, true));
        }
    }
}

BENCHMARK_CAPTURE (planAgain, settings, Change::settings)->Name ("PlanAgain/2048tracks/settingsChange/cues")
    ->Arg (16)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (planAgain, naming, Change::naming)->Name ("PlanAgain/2048tracks/namingChange/cues")
    ->Arg (16)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond);
BENCHMARK_CAPTURE (planAgain, cue, Change::cue)->Name ("PlanAgain/2048tracks/cueRenamed/cues")
    ->Arg (16)->Arg (512)->Arg (2048)->Unit (benchmark::kMillisecond);
} // namespace
