#include "PageBenchSupport.h"

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

// What the page keeps the message thread busy with for each thing a user does, from the
// input until the page has settled and painted once: 2048 takes over 256 stems in 16 to
// 2048 cues.
struct ImportBench
{
    explicit ImportBench (korvid::ui::AppState& appState)
        : state (appState)
    {
        page = std::make_unique<korvid::ui::ImportPage> (state);
        page->setSize (korvid::bench::pageWidth, korvid::bench::pageHeight);
        korvid::bench::showOnDesktop (*page);
        korvid::bench::letTheWindowSettle();
    }

    ~ImportBench()
    {
        page->getSearchField().setText ({}, false);
    }

    korvid::ui::AppState& state;
    std::unique_ptr<korvid::ui::ImportPage> page;
};

// 256 rows picked in the table, moved to one stem from the right-click menu.
void BM_ImportAssignFromMenu (benchmark::State& bench)
{
    ImportBench import (korvid::bench::pageBenchWorld().stateWith ((int) bench.range (0)));
    juce::SparseSet<int> picked;
    picked.addRange ({ 0, 256 });
    int stem = 0;

    for (auto _ : bench)
    {
        bench.PauseTiming();
        import.page->getTrackTable().setSelectedRows (picked, juce::dontSendNotification);
        const auto context = import.page->takeAssignMenuContext();
        bench.ResumeTiming();

        import.page->assignMenuItemChosen (korvid::ui::ImportPage::firstStemId + (stem++ % korvid::bench::pageStemCount),
                                           context);
        korvid::bench::letTheWindowSettle();
    }
}
BENCHMARK (BM_ImportAssignFromMenu)->Apply (korvid::bench::pageCueCounts);

// A search that lists a few rows, then cleared: every row comes back.
void BM_ImportClearSearch (benchmark::State& bench)
{
    ImportBench import (korvid::bench::pageBenchWorld().stateWith ((int) bench.range (0)));
    auto& field = import.page->getSearchField();
    const auto all = import.state.session.getTracks().size();

    for (auto _ : bench)
    {
        bench.PauseTiming();
        field.setText ("take01", true);
        korvid::bench::pumpUntil ([&] { return import.page->getRows().size() < all; });
        korvid::bench::letTheWindowSettle();
        bench.ResumeTiming();

        field.setText ({}, true);
        korvid::bench::pumpUntil ([&] { return import.page->getRows().size() == all; });
        korvid::bench::letTheWindowSettle();
    }
}
BENCHMARK (BM_ImportClearSearch)->Apply (korvid::bench::pageCueCounts);

// Choosing a preset makes it the session's and assigns every track anew.
void BM_ImportChoosePreset (benchmark::State& bench)
{
    ImportBench import (korvid::bench::pageBenchWorld().stateWith ((int) bench.range (0)));
    const auto preset = korvid::bench::manyStemsPreset();

    for (auto _ : bench)
    {
        import.state.session.setPreset (preset);
        korvid::bench::letTheWindowSettle();
    }
}
BENCHMARK (BM_ImportChoosePreset)->Apply (korvid::bench::pageCueCounts);

// Every cue folder of the album dropped on an empty page at once, until its tracks are
// listed: the scan and the probes run on the page's import thread, outside the CPU column.
void BM_ImportFolders (benchmark::State& bench)
{
    const auto folders = korvid::bench::pageBenchAlbum ((int) bench.range (0));
    korvid::bench::pageBenchWorld();

    for (auto _ : bench)
    {
        bench.PauseTiming();
        auto state = std::make_unique<korvid::ui::AppState> (korvid::ui::PreviewEngine::OutputMode::none);
        state->session.setPreset (korvid::bench::manyStemsPreset());
        auto import = std::make_unique<ImportBench> (*state);
        bench.ResumeTiming();

        import->page->importPaths (folders);
        korvid::bench::pumpUntil ([&] { return ! import->page->isImporting(); });
        korvid::bench::letTheWindowSettle();

        bench.PauseTiming();
        import.reset();
        state.reset();
        bench.ResumeTiming();
    }
}
BENCHMARK (BM_ImportFolders)->Apply (korvid::bench::pageCueCounts);

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
