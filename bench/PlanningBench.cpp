#include "core/model/BuiltInPresets.h"
#include "core/render/RenderPlanning.h"

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

BENCHMARK (planAnalysis)->Name ("PlanAnalysis/2048tracks/cues")->Arg (16)->Arg (512)->Unit (benchmark::kMillisecond);
} // namespace
