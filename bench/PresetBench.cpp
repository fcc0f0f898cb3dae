#include "core/model/BuiltInPresets.h"
#include "core/session/Session.h"
#include "core/storage/PresetStore.h"

#include <benchmark/benchmark.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

// What the Preset & stems page asks of the core on every edit, at the limits: a session of
// 2048 tracks against a schema of 256 stems, and a 256-stem preset read back and compared.
namespace
{
constexpr int trackCount = korvid::Session::maxTracks;
constexpr int stemCount = 256;

korvid::Preset makeLargePreset()
{
    auto preset = korvid::makeEmptyPreset().duplicate ("Large", korvid::PresetKind::publisher);

    for (int i = 0; i < stemCount; ++i)
    {
        const auto n = juce::String (i + 1);
        preset.schema.addStem (korvid::Stem ("Stem " + n, "S" + n, korvid::autoStemColour (i), false, 0,
                                             { korvid::KeywordRule ("word" + n), korvid::KeywordRule ("part " + n) },
                                             { "skip" + n }));
    }

    for (int i = 0; i < korvid::StemSchema::maxSubmixes; ++i)
        preset.schema.addSubmix ("Mix " + juce::String (i + 1));

    return preset;
}

// 2048 short WAV files named after the stems' words, in 16 cue folders, made once per run.
struct LargeSession
{
    LargeSession()
        : root (juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getNonexistentChildFile ("velvane-preset-bench", {}, false))
    {
        juce::WavAudioFormat wav;
        juce::AudioBuffer<float> samples (1, 480);
        samples.clear();
        samples.setSample (0, 10, 0.25f);

        for (int i = 0; i < trackCount; ++i)
        {
            const auto folder = root.getChildFile ("Cue " + juce::String (i % 16 + 1));
            folder.createDirectory();
            auto stream = std::make_unique<juce::FileOutputStream> (
                folder.getChildFile ("word" + juce::String (i % stemCount + 1) + "_take" + juce::String (i) + ".wav"));

            if (! stream->openedOk())
                continue;

            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 1, 24, {}, 0));

            if (writer == nullptr)
                continue;

            stream.release();
            writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
        }

        session.setPreset (makeLargePreset());
        session.importFiles ({ root.getFullPathName() }, true);
    }

    ~LargeSession() { root.deleteRecursively(); }

    juce::File root;
    korvid::Session session;
};

LargeSession& largeSession()
{
    static LargeSession instance;
    return instance;
}

// A colour step: the fingerprint stays, so nothing is matched again.
void BM_UpdatePresetSameFingerprint (benchmark::State& state)
{
    auto& session = largeSession().session;
    int step = 0;

    for (auto _ : state)
    {
        auto preset = session.getPreset();
        preset.schema.stems[0].colour = 0xff000000u | (juce::uint32) (++step & 0xffffff);
        session.updatePreset (std::move (preset));
    }

    state.counters["tracks"] = (double) session.getTracks().size();
}
BENCHMARK (BM_UpdatePresetSameFingerprint)->Unit (benchmark::kMillisecond);

// A typed rule: the fingerprint changes, so every automatic track is matched again.
void BM_UpdatePresetFingerprintChanged (benchmark::State& state)
{
    auto& session = largeSession().session;
    int step = 0;

    for (auto _ : state)
    {
        auto preset = session.getPreset();
        preset.schema.stems[0].rules[1].pattern = (++step % 2 == 0) ? "part 1" : "part one";
        session.updatePreset (std::move (preset));
    }

    state.counters["tracks"] = (double) session.getTracks().size();
}
BENCHMARK (BM_UpdatePresetFingerprintChanged)->Unit (benchmark::kMillisecond);

// What telling a modified preset from its stored copy cost before the copy was kept in
// memory: reading and checking the file, then the full comparison.
void BM_LoadAndCompare256StemPreset (benchmark::State& state)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("velvane-preset-bench-store", {}, false);
    korvid::PresetStore store (folder);
    const auto preset = makeLargePreset();
    juce::String error;

    if (! store.savePreset (preset, error))
    {
        state.SkipWithError (error.toRawUTF8());
        folder.deleteRecursively();
        return;
    }

    const auto current = store.loadPreset (preset.id).preset;

    for (auto _ : state)
    {
        const auto loaded = store.loadPreset (preset.id);
        benchmark::DoNotOptimize (korvid::presetsFullyEqual (loaded.preset, current));
    }

    folder.deleteRecursively();
}
BENCHMARK (BM_LoadAndCompare256StemPreset)->Unit (benchmark::kMillisecond);

// The comparison alone, as it runs now with the stored copy in memory.
void BM_FullComparison256StemPreset (benchmark::State& state)
{
    const auto a = makeLargePreset();
    auto b = a;
    b.schema.stems.back().colour ^= 1u;

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::presetsFullyEqual (a, b));
}
BENCHMARK (BM_FullComparison256StemPreset)->Unit (benchmark::kMicrosecond);
}
