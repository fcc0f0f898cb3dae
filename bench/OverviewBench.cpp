#include "core/audio/Spectrogram.h"
#include "core/audio/WaveformOverview.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace
{

constexpr double benchRate = 48000.0;

/** 24-bit stereo WAV files of music-like content (a tone with noise), written once in a
    temporary folder that is removed at exit. */
class BenchFiles
{
public:
    BenchFiles()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("velvane-overview-bench", {}, false))
    {
        folder.createDirectory();
        tenMinutes = writeStereo ("ten-minutes.wav", 600.0);
        fiveMinutes = writeStereo ("five-minutes.wav", 300.0);
    }

    ~BenchFiles() { folder.deleteRecursively(); }

    static const BenchFiles& get()
    {
        static const BenchFiles files;
        return files;
    }

    juce::File tenMinutes, fiveMinutes;

private:
    juce::File writeStereo (const juce::String& name, double seconds) const
    {
        const auto file = folder.getChildFile (name);
        const auto frames = (juce::int64) (seconds * benchRate);
        const int blockFrames = 65536;

        juce::WavAudioFormat wav;
        auto stream = std::make_unique<juce::FileOutputStream> (file);
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), benchRate, 2, 24, {}, 0));

        if (writer == nullptr)
            return {};

        stream.release(); // owned by the writer now
        juce::AudioBuffer<float> block (2, blockFrames);
        juce::Random random (7);

        for (juce::int64 done = 0; done < frames; done += blockFrames)
        {
            const int count = (int) juce::jmin ((juce::int64) blockFrames, frames - done);

            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < count; ++i)
                    block.setSample (channel, i, 0.4f * (float) std::sin (0.0577 * (double) (done + i) + channel)
                                                     + 0.1f * (random.nextFloat() - 0.5f));

            writer->writeFromAudioSampleBuffer (block, 0, count);
        }

        return file;
    }

    juce::File folder;
};

void setFramesPerSecond (benchmark::State& state, juce::int64 framesPerIteration)
{
    state.SetItemsProcessed (state.iterations() * framesPerIteration);
    state.counters["ns/frame"] = benchmark::Counter ((double) framesPerIteration,
                                                     benchmark::Counter::kIsIterationInvariantRate
                                                         | benchmark::Counter::kInvert);
}

// What the waveform cache does for every imported file: 2000 buckets of a whole file.
void BM_WaveformOverviewOfTenMinuteFile (benchmark::State& state)
{
    const auto& files = BenchFiles::get();
    juce::String error;

    for (auto _ : state)
    {
        const auto overview = korvid::readWaveformOverview (files.tenMinutes, 2000, error);
        benchmark::DoNotOptimize (overview.peak);
    }

    if (error.isNotEmpty())
        state.SkipWithError (error.toRawUTF8());

    setFramesPerSecond (state, (juce::int64) (600.0 * benchRate));
}
BENCHMARK (BM_WaveformOverviewOfTenMinuteFile)->Unit (benchmark::kMillisecond);

// The bucketing alone, from memory: one minute of stereo.
void BM_WaveformOverviewOfBuffer (benchmark::State& state)
{
    const int frames = (int) (60.0 * benchRate);
    juce::AudioBuffer<double> buffer (2, frames);
    juce::Random random (3);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (channel, i, random.nextDouble() * 2.0 - 1.0);

    const int buckets = (int) state.range (0);

    for (auto _ : state)
    {
        const auto overview = korvid::makeWaveformOverview (buffer, benchRate, buckets);
        benchmark::DoNotOptimize (overview.peak);
    }

    setFramesPerSecond (state, frames);
}
BENCHMARK (BM_WaveformOverviewOfBuffer)->Arg (700)->Arg (2000)->Arg (20000)->Unit (benchmark::kMillisecond);

// What the Import and Report pages ask for: 1024 points, at most 700 frames, a whole file.
void BM_SpectrogramOfFiveMinuteFile (benchmark::State& state)
{
    const auto& files = BenchFiles::get();
    juce::String error;

    for (auto _ : state)
    {
        const auto data = korvid::readSpectrogram (files.fiveMinutes, error, 10, 700);
        benchmark::DoNotOptimize (data.magnitudes.data());
    }

    if (error.isNotEmpty())
        state.SkipWithError (error.toRawUTF8());

    setFramesPerSecond (state, (juce::int64) (300.0 * benchRate));
}
BENCHMARK (BM_SpectrogramOfFiveMinuteFile)->Unit (benchmark::kMillisecond);

} // namespace
