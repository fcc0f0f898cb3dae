#include "core/audio/AudioProbe.h"
#include "core/model/BuiltInPresets.h"
#include "core/platform/SafeFileWriter.h"
#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/render/RenderWorkers.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>

namespace
{

// A reference delivery: one cue of 16 stems with 2 tracks each, 60 s of stereo
// noise-like audio per track, written as 24-bit WAV.
constexpr int stemCount = 16;
constexpr int tracksPerStem = 2;
constexpr int trackSeconds = 60;

/** The generated exports, made once per source rate and deleted when the process ends. */
class ReferenceSources
{
public:
    ~ReferenceSources() { folder.deleteRecursively(); }

    static ReferenceSources& get()
    {
        static ReferenceSources sources;
        return sources;
    }

    // The 32 track files at that rate, in stem order.
    const std::vector<juce::File>& tracksAt (double rate)
    {
        auto& files = byRate[juce::roundToInt (rate)];

        if (files.empty())
            files = writeTracks (rate);

        return files;
    }

    juce::File scratch (const juce::String& name) const { return folder.getChildFile (name); }

private:
    ReferenceSources()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("velvane-render-bench", {}, false))
    {
        folder.createDirectory();
    }

    std::vector<juce::File> writeTracks (double rate) const
    {
        std::vector<juce::File> files;
        const auto frames = juce::roundToInt (rate * trackSeconds);
        const auto sourceFolder = folder.getChildFile ("Exports-" + juce::String (juce::roundToInt (rate)));
        sourceFolder.createDirectory();

        juce::AudioBuffer<float> audio (2, frames);
        juce::WavAudioFormat wav;

        for (int i = 0; i < stemCount * tracksPerStem; ++i)
        {
            juce::Random random (1000 + i);

            // Quiet noise, so 32 tracks sum to a mix below full scale.
            for (int ch = 0; ch < 2; ++ch)
            {
                auto* samples = audio.getWritePointer (ch);

                for (int f = 0; f < frames; ++f)
                    samples[f] = 0.05f * (2.0f * random.nextFloat() - 1.0f);
            }

            const auto file = sourceFolder.getChildFile ("Track " + juce::String (i + 1).paddedLeft ('0', 2) + ".wav");
            auto stream = std::make_unique<juce::FileOutputStream> (file);
            std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate, 2, 24, {}, 0));

            if (writer == nullptr)
                return {};

            stream.release();
            writer->writeFromAudioSampleBuffer (audio, 0, frames);
            files.push_back (file);
        }

        return files;
    }

    juce::File folder;
    std::map<int, std::vector<juce::File>> byRate;
};

/** The shipped 16-stem preset with two alternative mixes, WAV 24-bit with shaped dither,
    true peak at 4x oversampling. */
korvid::Preset referencePreset()
{
    auto preset = korvid::makeHybridOrchestraExamplePreset();
    preset.metadata.project = "BENCH";
    preset.exportSettings.headroom.peakMode = korvid::PeakMode::truePeak;
    preset.exportSettings.headroom.truePeakOversampling = 4;
    preset.exportSettings.formats[0].subFolder = "WAV";
    preset.exportSettings.formats.resize (1);

    auto& schema = preset.schema;
    schema.submixes.clear();

    korvid::Submix underscore;
    underscore.id = "bench-underscore";
    underscore.name = "Underscore";
    underscore.shortCode = "UND";
    korvid::Submix noPercussion;
    noPercussion.id = "bench-no-percussion";
    noPercussion.name = "No Percussion";
    noPercussion.shortCode = "NOP";

    for (int i = 0; i < (int) schema.stems.size(); ++i)
    {
        if (i < 8)
            underscore.stems.add (schema.stems[(size_t) i].id);

        if (i >= 4)
            noPercussion.stems.add (schema.stems[(size_t) i].id);
    }

    schema.submixes = { underscore, noPercussion };
    return preset;
}

korvid::RenderRequest referenceRequest (const korvid::Preset& preset, const std::vector<juce::File>& files,
                                        const juce::File& outputFolder, const juce::String& cueName)
{
    std::vector<korvid::Track> tracks;

    for (size_t i = 0; i < files.size(); ++i)
    {
        korvid::Track track;
        track.id = "track-" + juce::String ((int) i);
        track.file = files[i];
        track.stemId = preset.schema.stems[i / tracksPerStem].id;
        korvid::probeAudioFile (track.file, track.info, track.error);
        tracks.push_back (track);
    }

    auto cuePreset = preset;
    cuePreset.metadata.cue = cueName;
    auto planned = korvid::makeRenderRequest (cuePreset, tracks, outputFolder, false);
    planned.request.cueName = cueName;
    return planned.request;
}

// Peak resident memory since the last reset, in MB (Linux).
void resetPeakResidentMemory()
{
    juce::File ("/proc/self/clear_refs").replaceWithText ("5");
}

double statusValueMb (const juce::String& key)
{
    const auto status = juce::File ("/proc/self/status").loadFileAsString();

    for (const auto& line : juce::StringArray::fromLines (status))
        if (line.startsWith (key + ":"))
            return line.fromFirstOccurrenceOf (":", false, false).trim().getDoubleValue() / 1024.0;

    return 0.0;
}

/** Wall time per phase of a run, taken from the progress reports. */
struct PhaseClock
{
    std::array<double, 6> seconds {};
    double prePassSeconds = 0.0;
    double lastMs = 0.0;
    int current = -1;
    bool inPrePass = false;

    korvid::RenderJob::ProgressCallback callback()
    {
        return [this] (double, const juce::String& text, korvid::RenderJob::Phase phase)
        {
            const auto now = juce::Time::getMillisecondCounterHiRes();
            close (now);
            current = (int) phase;
            inPrePass = text.startsWith ("Measuring ") && ! text.startsWith ("Measuring the mix");
            lastMs = now;
        };
    }

    void close (double now)
    {
        if (current >= 0)
            (inPrePass ? prePassSeconds : seconds[(size_t) current]) += (now - lastMs) / 1000.0;
    }
};

/** What a render cannot go below on this machine: every input file read once and files of
    the outputs' sizes written through the encoder's kind of stream (temporary file, 1 MiB
    buffer, synced on close, then renamed), one after the other, nothing else. */
double ioFloorSeconds (const std::vector<korvid::RenderRequest>& requests, const korvid::BatchReport& rendered,
                       const juce::File& folder)
{
    folder.deleteRecursively();
    folder.createDirectory();

    constexpr size_t chunkBytes = 1 << 18;   // as the readers' buffer
    juce::HeapBlock<char> chunk (chunkBytes);
    juce::Random random (7);

    for (size_t i = 0; i < chunkBytes; ++i)
        chunk[i] = (char) random.nextInt (256);

    const auto start = juce::Time::getMillisecondCounterHiRes();
    juce::int64 bytesRead = 0;

    for (const auto& request : requests)
        for (const auto& stem : request.stems)
            for (const auto& file : stem.trackFiles)
            {
                juce::FileInputStream input (file);

                for (;;)
                {
                    const auto got = input.read (chunk.get(), (int) chunkBytes);

                    if (got <= 0)
                        break;

                    bytesRead += got;
                }
            }

    int written = 0;

    for (const auto& cue : rendered.cues)
        for (const auto& file : cue.files)
        {
            korvid::SafeFileWriter writer (folder.getChildFile ("Floor " + juce::String (++written) + ".wav"));

            {
                auto stream = writer.createOutputStream (1 << 20);

                if (stream == nullptr)
                    return -1.0;

                for (auto left = file.sizeBytes; left > 0; left -= (juce::int64) chunkBytes)
                    stream->write (chunk.get(), (size_t) juce::jmin (left, (juce::int64) chunkBytes));
            }

            if (! writer.commit())
                return -1.0;
        }

    const auto seconds = (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0;
    benchmark::DoNotOptimize (bytesRead);
    folder.deleteRecursively();
    return seconds;
}

void runDelivery (benchmark::State& state, const char* name, std::vector<korvid::RenderRequest> requests,
                  const juce::File& outputRoot)
{
    // As the application sizes a run: one worker per CPU this process may use (run it under
    // `taskset` to see a smaller machine), or VELVANE_RENDER_WORKERS of them.
    const auto capacity = korvid::machineRenderCapacity();
    const auto usableCpus = korvid::usableCpuCount();

    for (auto _ : state)
    {
        state.PauseTiming();
        outputRoot.deleteRecursively();
        outputRoot.createDirectory();
        resetPeakResidentMemory();
        const auto baseMb = statusValueMb ("VmRSS");
        PhaseClock clock;
        state.ResumeTiming();

        const auto start = juce::Time::getMillisecondCounterHiRes();
        korvid::RenderWorkers workers (capacity);
        const auto report = korvid::RenderJob::runQueue (requests, {}, clock.callback(), workers);
        const auto totalSeconds = (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0;

        state.PauseTiming();
        clock.close (juce::Time::getMillisecondCounterHiRes());

        if (! report.allCompleted)
        {
            state.SkipWithError (report.toText().toRawUTF8());
            break;
        }

        using Phase = korvid::RenderJob::Phase;
        state.counters["sum_s"] = clock.seconds[(size_t) Phase::summing];
        state.counters["measure_s"] = clock.seconds[(size_t) Phase::measuring];
        state.counters["write_s"] = clock.seconds[(size_t) Phase::writing];
        state.counters["verify_s"] = clock.seconds[(size_t) Phase::verifying];
        state.counters["prepass_s"] = clock.prePassSeconds;
        state.counters["total_s"] = totalSeconds;
        state.counters["peakRSS_MB"] = statusValueMb ("VmHWM");
        state.counters["baseRSS_MB"] = baseMb;
        state.counters["files"] = report.filesWrittenCount();
        state.counters["workers"] = capacity.workers;
        state.counters["cpus"] = usableCpus;

        // The floor in the same run, right after the render, on the same files.
        const auto peakMb = statusValueMb ("VmHWM");
        const auto floorSeconds = ioFloorSeconds (requests, report, outputRoot.getSiblingFile ("Floor"));
        state.counters["floor_s"] = floorSeconds;
        state.counters["ratio"] = floorSeconds > 0.0 ? totalSeconds / floorSeconds : 0.0;

        std::fprintf (stderr, "%s, %d workers on %d usable CPUs: summing %.2f s, measuring %.2f s, writing %.2f s, verifying %.2f s, "
                              "pre-pass %.2f s, total %.2f s, floor %.2f s, ratio %.2f, peak RSS %.0f MB (%.0f MB before)\n",
                      name, capacity.workers, usableCpus, clock.seconds[(size_t) Phase::summing],
                      clock.seconds[(size_t) Phase::measuring], clock.seconds[(size_t) Phase::writing],
                      clock.seconds[(size_t) Phase::verifying], clock.prePassSeconds, totalSeconds,
                      floorSeconds, floorSeconds > 0.0 ? totalSeconds / floorSeconds : 0.0, peakMb, baseMb);

        outputRoot.deleteRecursively();
        state.ResumeTiming();
    }
}

void BM_RenderReferenceCue (benchmark::State& state)
{
    auto& sources = ReferenceSources::get();
    const auto out = sources.scratch ("Delivery");
    runDelivery (state, "one cue", { referenceRequest (referencePreset(), sources.tracksAt (48000.0), out, "Reference") }, out);
}

void BM_RenderFourCuesSharedGain (benchmark::State& state)
{
    auto& sources = ReferenceSources::get();
    const auto out = sources.scratch ("Delivery");
    auto preset = referencePreset();
    preset.exportSettings.batch.gainMode = korvid::GainScope::sharedAcrossBatch;

    std::vector<korvid::RenderRequest> requests;

    for (auto name : { "Cue 1", "Cue 2", "Cue 3", "Cue 4" })
        requests.push_back (referenceRequest (preset, sources.tracksAt (48000.0), out.getChildFile (name), name));

    runDelivery (state, "four cues, shared gain", std::move (requests), out);
}

void BM_RenderCue44k1SourcesWavAndFlac (benchmark::State& state)
{
    auto& sources = ReferenceSources::get();
    const auto out = sources.scratch ("Delivery");
    auto preset = referencePreset();

    auto flac = preset.exportSettings.formats[0];
    flac.codec = korvid::Codec::flac;
    flac.subFolder = "FLAC";
    preset.exportSettings.formats.push_back (flac);

    runDelivery (state, "44.1 kHz sources, WAV and FLAC", { referenceRequest (preset, sources.tracksAt (44100.0), out, "Reference") }, out);
}

BENCHMARK (BM_RenderReferenceCue)->Iterations (1)->Unit (benchmark::kMillisecond)->UseRealTime();
BENCHMARK (BM_RenderFourCuesSharedGain)->Iterations (1)->Unit (benchmark::kMillisecond)->UseRealTime();
BENCHMARK (BM_RenderCue44k1SourcesWavAndFlac)->Iterations (1)->Unit (benchmark::kMillisecond)->UseRealTime();

} // namespace
