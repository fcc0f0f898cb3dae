#include "core/model/BuiltInPresets.h"
#include "core/session/Session.h"

#include <benchmark/benchmark.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <iterator>
#include <memory>

namespace
{
constexpr int fileCount = korvid::Session::maxTracks;
constexpr int cueCount = 16;

// Track names as composers export them: cue code, section, instrument, articulation, take.
juce::String realisticTrackName (int index)
{
    static const char* const parts[] = {
        "Strings_Vln1_Spicc", "Strings_Vla_Legato", "Celli_Pizz", "Contrabass_Arco", "Brass_Horns_Hi",
        "Trumpets_Stacc", "Trombones_Low", "Tuba_Sus", "Perc_Taiko_Ens", "Perc_Shaker_Loop",
        "Timpani_Rolls", "Drums_Kick", "Drums_Snare_Top", "DrumKit_OH", "WW_Flute_Solo",
        "Clarinets_Runs", "Oboe_Melody", "Bassoons_Stacc", "Piano_Felt_Close", "Celesta_Sparkle",
        "Rhodes_Chords", "Guitar_Nylon_Pick", "ElectricGuitar_Chug", "Bass_Sub_808", "BassGuitar_DI",
        "Synth_Pad_Warm", "SynthLead_Saw", "Arp_Pulse_16th", "Ostinato_Seq_A", "Choir_SATB_Ooh",
        "Choir_Latin_Epic", "Vocals_Lead_Dry", "BVs_Harmony", "FX_Riser_01", "SFX_Whoosh_Rev",
        "Impact_Boom_Hit", "Drone_Low_Texture", "Atmos_Bed_Dark", "Theme_Motif_Solo", "Audio 12_bip",
    };

    const auto cue = "1M" + juce::String (index % cueCount + 1).paddedLeft ('0', 2);
    const auto part = juce::String (parts[index % (int) std::size (parts)]);
    return cue + "_" + part + "_v" + juce::String (index / (int) std::size (parts) + 1) + ".wav";
}

// 2048 short WAV files in 16 cue folders below one album folder, made once per run.
struct BenchTree
{
    BenchTree()
        : root (juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getNonexistentChildFile ("velvane-session-bench", {}, false))
    {
        juce::WavAudioFormat wav;
        juce::AudioBuffer<float> samples (2, 480);

        for (int ch = 0; ch < samples.getNumChannels(); ++ch)
            for (int i = 0; i < samples.getNumSamples(); ++i)
                samples.setSample (ch, i, 0.25f * std::sin (0.05f * (float) (i + ch)));

        for (int i = 0; i < fileCount; ++i)
        {
            const auto folder = root.getChildFile ("Album").getChildFile ("Cue " + juce::String (i % cueCount + 1));
            folder.createDirectory();
            auto stream = std::make_unique<juce::FileOutputStream> (folder.getChildFile (realisticTrackName (i)));

            if (! stream->openedOk())
                continue;

            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 2, 24, {}, 0));

            if (writer == nullptr)
                continue;

            stream.release();
            writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
        }
    }

    ~BenchTree() { root.deleteRecursively(); }

    juce::String albumPath() const { return root.getChildFile ("Album").getFullPathName(); }

    juce::File root;
};

const BenchTree& benchTree()
{
    static BenchTree tree;
    return tree;
}

// The probe of every file dominates; the empty preset keeps the automatic pass trivial.
void BM_SessionImportFiles (benchmark::State& state)
{
    const auto album = benchTree().albumPath();

    for (auto _ : state)
    {
        korvid::Session session;
        const auto result = session.importFiles ({ album }, true);
        benchmark::DoNotOptimize (result.imported);

        if (result.imported != fileCount)
            state.SkipWithError ("the bench tree was not imported whole");
    }

    state.SetItemsProcessed (state.iterations() * fileCount);
}
BENCHMARK (BM_SessionImportFiles)->Unit (benchmark::kMillisecond);

// range(0): fuzzy matching on; range(1): every one-word rule of the schema in fuzzy mode,
// so the fuzzy path does real work (the default schema has no fuzzy rules).
void BM_SessionAutoAssignAll (benchmark::State& state)
{
    const bool fuzzyOn = state.range (0) != 0;
    const bool fuzzyRules = state.range (1) != 0;

    auto preset = korvid::makeHybridOrchestraExamplePreset();

    if (fuzzyRules)
        for (auto& stem : preset.schema.stems)
            for (auto& rule : stem.rules)
                if (! rule.pattern.containsChar (' '))
                    rule.mode = korvid::KeywordMode::fuzzy;

    korvid::Session session;
    session.setPreset (preset);
    korvid::KeywordMatcher settings;
    settings.fuzzyEnabled = fuzzyOn;
    session.setMatcherSettings (settings);
    session.importFiles ({ benchTree().albumPath() }, true);

    if ((int) session.getTracks().size() != fileCount)
        state.SkipWithError ("the bench tree was not imported whole");

    for (auto _ : state)
        session.autoAssignAll();

    state.counters["assigned"] = (double) (fileCount - (int) session.unassignedTracks().size());
    state.SetItemsProcessed (state.iterations() * fileCount);
}
BENCHMARK (BM_SessionAutoAssignAll)
    ->ArgNames ({ "fuzzy", "fuzzyRules" })
    ->Args ({ 0, 0 })
    ->Args ({ 1, 0 })
    ->Args ({ 1, 1 })
    ->Unit (benchmark::kMillisecond);

} // namespace
