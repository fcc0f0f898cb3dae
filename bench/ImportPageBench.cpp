#include "app/pages/import/ImportPage.h"
#include "app/pages/import/ImportRows.h"
#include "core/session/Session.h"

#include <benchmark/benchmark.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <cmath>
#include <memory>

// What the Import page does on the message thread (rebuilding its rows and status line)
// and on its worker (the range spectrogram of a zoomed view). The split is in
// TrackSplitBench.cpp.
namespace
{
juce::File benchFolder (const juce::String& name)
{
    auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("velvane-import-bench")
                      .getChildFile (name);
    folder.createDirectory();
    return folder;
}

/** A WAV file of `seconds` of a quiet tone, written once and kept between runs. */
juce::File toneFile (const juce::String& name, double seconds, double rate, int channels, int bits)
{
    const auto file = benchFolder ("takes").getChildFile (name);

    if (file.existsAsFile())
        return file;

    juce::WavAudioFormat wav;
    auto stream = std::make_unique<juce::FileOutputStream> (file);
    std::unique_ptr<juce::AudioFormatWriter> writer (
        wav.createWriterFor (stream.get(), rate, (unsigned int) channels, bits, {}, 0));

    if (writer == nullptr)
        return {};

    stream.release();
    const auto total = (juce::int64) std::llround (seconds * rate);
    juce::AudioBuffer<float> block (channels, 65536);

    for (juce::int64 done = 0; done < total; done += block.getNumSamples())
    {
        const int count = (int) juce::jmin ((juce::int64) block.getNumSamples(), total - done);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < count; ++i)
                block.setSample (c, i, 0.2f * std::sin (0.01f * (float) (done + i)));

        writer->writeFromAudioSampleBuffer (block, 0, count);
    }

    return file;
}

/** 2048 one-track cues, the page's worst case for a rebuild. */
struct ManyCues
{
    ManyCues()
    {
        const auto root = benchFolder ("many-cues");
        juce::StringArray folders;

        for (int i = 0; i < korvid::Session::maxTracks; ++i)
        {
            const auto folder = root.getChildFile ("Cue " + juce::String (i));
            const auto file = folder.getChildFile ("take " + juce::String (i) + ".wav");

            if (! file.existsAsFile())
            {
                folder.createDirectory();
                juce::WavAudioFormat wav;
                auto stream = std::make_unique<juce::FileOutputStream> (file);
                std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 48000.0, 1, 16, {}, 0));

                if (writer != nullptr)
                {
                    stream.release();
                    juce::AudioBuffer<float> samples (1, 48);
                    samples.clear();
                    writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
                }
            }

            folders.add (folder.getFullPathName());
        }

        session.importFiles (folders, false);
    }

    korvid::Session session;
};

ManyCues& manyCues()
{
    static ManyCues cues;
    return cues;
}

void BM_ImportRowsOf2048Cues (benchmark::State& state)
{
    auto& session = manyCues().session;
    const int column = (int) state.range (0);

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::ui::buildImportRows (session, {}, column, true));

    state.counters["tracks"] = (double) session.getTracks().size();
}
BENCHMARK (BM_ImportRowsOf2048Cues)->Arg (korvid::ui::importColumn::file)->Arg (korvid::ui::importColumn::stem)
    ->Arg (korvid::ui::importColumn::duration)->Unit (benchmark::kMillisecond);

void BM_ImportStatusLineOf2048Cues (benchmark::State& state)
{
    auto& session = manyCues().session;

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::ui::importStatusText (korvid::ui::countImportTracks (session),
                                                                 (int) session.getTracks().size()));
}
BENCHMARK (BM_ImportStatusLineOf2048Cues)->Unit (benchmark::kMillisecond);

// The zoomed view reads only its range: 6 s at the end of an hour should cost what 6 s at
// the end of a minute costs.
void BM_ImportRangeSpectrogram (benchmark::State& state)
{
    const double minutes = (double) state.range (0);
    const auto file = toneFile (juce::String ((int) minutes) + " minutes.wav", minutes * 60.0, 8000.0, 1, 16);
    const auto path = file.getFullPathName();
    const double start = minutes * 60.0 - 6.0;

    for (auto _ : state)
        benchmark::DoNotOptimize (korvid::ui::ImportPage::SpectrogramJob::analyse (path, start, 6.0, [] { return false; }));

    state.SetLabel (juce::String ((int) minutes).toStdString() + "-minute file, last 6 s");
}
BENCHMARK (BM_ImportRangeSpectrogram)->Arg (1)->Arg (60)->Unit (benchmark::kMillisecond);

} // namespace
