#include "core/audio/PeakLevels.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/TruePeak.h"

#include <benchmark/benchmark.h>

namespace
{

constexpr int benchFrames = 1 << 20;   // about 22 s at 48 kHz

juce::AudioBuffer<double> fullScaleNoise (int channels, int frames)
{
    juce::Random random (17);
    juce::AudioBuffer<double> buffer (channels, frames);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, random.nextDouble() * 2.0 - 1.0);
    return buffer;
}

const juce::AudioBuffer<double>& noiseBuffer()
{
    static const auto buffer = fullScaleNoise (1, benchFrames);
    return buffer;
}

// One channel of full-scale noise: nearly every frame passes the half-peak test,
// so this is the costly case. Reported per sample.
void BM_TruePeakOfChannel (benchmark::State& state)
{
    const auto& buffer = noiseBuffer();
    const int oversampling = (int) state.range (0);

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::truePeakOfChannel (buffer.getReadPointer (0), buffer.getNumSamples(), oversampling));

    state.SetItemsProcessed (state.iterations() * buffer.getNumSamples());
    state.counters["ns/sample"] = benchmark::Counter ((double) buffer.getNumSamples(),
                                                      benchmark::Counter::kIsIterationInvariantRate
                                                          | benchmark::Counter::kInvert);
}
BENCHMARK (BM_TruePeakOfChannel)->Arg (2)->Arg (4)->Arg (8)->Unit (benchmark::kMillisecond);

void BM_SamplePeak (benchmark::State& state)
{
    static const auto buffer = fullScaleNoise (2, benchFrames);

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::samplePeak (buffer));

    state.SetItemsProcessed (state.iterations() * buffer.getNumSamples() * buffer.getNumChannels());
    state.counters["ns/sample"] = benchmark::Counter ((double) buffer.getNumSamples() * buffer.getNumChannels(),
                                                      benchmark::Counter::kIsIterationInvariantRate
                                                          | benchmark::Counter::kInvert);
}
BENCHMARK (BM_SamplePeak)->Unit (benchmark::kMicrosecond);

// Stereo track, alternating 2 s of signal and 2 s of a -100 dB floor, default
// settings with the gate on: finding the runs and fading them.
void BM_SilenceGate (benchmark::State& state)
{
    const double rate = 48000.0;
    juce::AudioBuffer<double> source (2, benchFrames);
    juce::Random random (5);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < benchFrames; ++i)
            source.setSample (ch, i, ((i / 96000) % 2 == 0) ? random.nextDouble() - 0.5 : 1.0e-5);

    korvid::SilenceGateSettings settings;
    settings.enabled = true;
    juce::AudioBuffer<double> work (2, benchFrames);

    for (auto _ : state)
    {
        state.PauseTiming();
        work.makeCopyOf (source, true);
        state.ResumeTiming();
        benchmark::DoNotOptimize (korvid::gateSilence (work, rate, settings).gatedFrames);
    }

    state.SetItemsProcessed (state.iterations() * benchFrames);
    state.counters["ns/frame"] = benchmark::Counter ((double) benchFrames,
                                                     benchmark::Counter::kIsIterationInvariantRate
                                                         | benchmark::Counter::kInvert);
}
BENCHMARK (BM_SilenceGate)->Unit (benchmark::kMillisecond);

} // namespace
