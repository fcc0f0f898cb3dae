#include "core/codec/JuceFileEncoder.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

constexpr int benchFrames = 480000;   // 10 s of stereo at 48 kHz
constexpr int benchChannels = 2;

// A low-level mix with some noise: every sample is dithered (no digital silence).
const juce::AudioBuffer<double>& mixBuffer()
{
    static const auto buffer = []
    {
        juce::Random random (23);
        juce::AudioBuffer<double> b (benchChannels, benchFrames);

        for (int ch = 0; ch < benchChannels; ++ch)
            for (int i = 0; i < benchFrames; ++i)
                b.setSample (ch, i, 0.4 * std::sin (0.031 * i + ch) + 0.05 * (random.nextDouble() - 0.5));

        return b;
    }();

    return buffer;
}

// Shaped dither, quantisation and the framework writer, written through the safe
// temporary file (sync to disk included). Bytes are those of the audio words written.
void encodeBench (benchmark::State& state, korvid::Codec codec, korvid::SampleFormat format)
{
    const auto& buffer = mixBuffer();
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getNonexistentChildFile ("velvane-encoder-bench", {}, false);
    folder.createDirectory();
    const auto target = folder.getChildFile ("bench" + korvid::codecExtension (codec));

    korvid::EncoderSettings settings;
    settings.codec = codec;
    settings.sampleFormat = format;
    settings.sampleRate = 48000.0;
    settings.dither = korvid::Dither::tpdfShaped;
    settings.ditherSeed = 1;

    korvid::JuceFileEncoder encoder (codec);
    juce::String error;

    for (auto _ : state)
    {
        if (! encoder.encode (buffer, target, settings, error))
        {
            state.SkipWithError (error.toRawUTF8());
            break;
        }
    }

    const auto bytesPerFrame = (juce::int64) benchChannels * korvid::bitsPerSample (format) / 8;
    state.SetBytesProcessed (state.iterations() * benchFrames * bytesPerFrame);
    state.counters["file MB"] = (double) target.getSize() / 1.0e6;
    folder.deleteRecursively();
}

void BM_EncodeWav24 (benchmark::State& state)  { encodeBench (state, korvid::Codec::wav, korvid::SampleFormat::pcm24); }
void BM_EncodeAiff24 (benchmark::State& state) { encodeBench (state, korvid::Codec::aiff, korvid::SampleFormat::pcm24); }
void BM_EncodeFlac16 (benchmark::State& state) { encodeBench (state, korvid::Codec::flac, korvid::SampleFormat::pcm16); }
void BM_EncodeFlac24 (benchmark::State& state) { encodeBench (state, korvid::Codec::flac, korvid::SampleFormat::pcm24); }

BENCHMARK (BM_EncodeWav24)->Unit (benchmark::kMillisecond)->UseRealTime();
BENCHMARK (BM_EncodeAiff24)->Unit (benchmark::kMillisecond)->UseRealTime();
BENCHMARK (BM_EncodeFlac16)->Unit (benchmark::kMillisecond)->UseRealTime();
BENCHMARK (BM_EncodeFlac24)->Unit (benchmark::kMillisecond)->UseRealTime();

} // namespace
