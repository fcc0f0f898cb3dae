#include "core/audio/Resampler.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

// Ten seconds of stereo noise-like material at the source rate.
juce::AudioBuffer<double> makeInput (double rate)
{
    const int frames = (int) (rate * 10.0);
    juce::AudioBuffer<double> buffer (2, frames);
    juce::Random random (1234);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (c, i, 0.5 * std::sin (0.01 * i) + 0.1 * (random.nextDouble() - 0.5));

    return buffer;
}

// "ns/sample": nanoseconds per output sample of one channel (table building included).
void convert (benchmark::State& state, double from, double to)
{
    const auto input = makeInput (from);
    juce::int64 outputSamples = 0;

    for (auto _ : state)
    {
        auto output = korvid::resampleBuffer (input, from, to);
        benchmark::DoNotOptimize (output.getReadPointer (0));
        outputSamples += output.getNumSamples() * output.getNumChannels();
    }

    state.counters["ns/sample"] = benchmark::Counter ((double) outputSamples,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed (outputSamples);
}

void BM_Resample48kTo44k1 (benchmark::State& state) { convert (state, 48000.0, 44100.0); }
void BM_Resample44k1To48k (benchmark::State& state) { convert (state, 44100.0, 48000.0); }

BENCHMARK (BM_Resample48kTo44k1)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_Resample44k1To48k)->Unit (benchmark::kMillisecond);

} // namespace
