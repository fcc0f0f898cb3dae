#include "core/audio/AudioReading.h"

#include <FLAC/stream_encoder.h>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

// A range read of a FLAC file costs the range, not its place in the file: the same 6 seconds
// read at the end of a 60-minute file and at its start. Reported, not asserted.
namespace
{

constexpr juce::uint32 benchRate = 48000;
constexpr double fileSeconds = 3600.0;
constexpr double rangeSeconds = 6.0;

/** A 60-minute stereo 16-bit FLAC file at the reference encoder's fastest level (1152-frame
    blocks), written once in a temporary folder that is removed at exit. */
class LongFlacFile
{
public:
    LongFlacFile()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("velvane-flac-bench-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
        file = folder.getChildFile ("sixty-minutes.flac");

        if (! write())
            file = juce::File();
    }

    ~LongFlacFile() { folder.deleteRecursively(); }

    static const LongFlacFile& get()
    {
        static const LongFlacFile flac;
        return flac;
    }

    juce::File file;

private:
    bool write() const
    {
        auto* encoder = FLAC__stream_encoder_new();

        if (encoder == nullptr)
            return false;

        FLAC__stream_encoder_set_channels (encoder, 2);
        FLAC__stream_encoder_set_bits_per_sample (encoder, 16);
        FLAC__stream_encoder_set_sample_rate (encoder, benchRate);
        FLAC__stream_encoder_set_compression_level (encoder, 0);
        FLAC__stream_encoder_set_blocksize (encoder, 1152);

        bool ok = FLAC__stream_encoder_init_file (encoder, file.getFullPathName().toRawUTF8(), nullptr, nullptr)
                  == FLAC__STREAM_ENCODER_INIT_STATUS_OK;

        const auto totalFrames = (juce::int64) (fileSeconds * benchRate);
        const int blockFrames = (int) benchRate;
        std::vector<FLAC__int32> interleaved ((size_t) blockFrames * 2);

        for (juce::int64 done = 0; ok && done < totalFrames; done += blockFrames)
        {
            const int count = (int) juce::jmin ((juce::int64) blockFrames, totalFrames - done);

            for (int i = 0; i < count; ++i)
            {
                const auto t = (double) (done + i);
                interleaved[(size_t) (2 * i)] = (FLAC__int32) (12000.0 * std::sin (0.0577 * t));
                interleaved[(size_t) (2 * i + 1)] = (FLAC__int32) (9000.0 * std::sin (0.0311 * t + 1.0));
            }

            ok = FLAC__stream_encoder_process_interleaved (encoder, interleaved.data(), (uint32_t) count);
        }

        ok = FLAC__stream_encoder_finish (encoder) && ok;
        FLAC__stream_encoder_delete (encoder);
        return ok;
    }

    juce::File folder;
};

void readSixSecondsAt (benchmark::State& state, double startSeconds)
{
    const auto& flac = LongFlacFile::get();

    if (flac.file == juce::File())
    {
        state.SkipWithError ("The FLAC file could not be written.");
        return;
    }

    juce::AudioBuffer<double> range;
    juce::String error;

    for (auto _ : state)
    {
        if (! korvid::readAudioRange (flac.file, 0.0, startSeconds, rangeSeconds, range, error))
        {
            state.SkipWithError (error.toRawUTF8());
            return;
        }

        benchmark::DoNotOptimize (range.getReadPointer (0));
    }

    state.SetItemsProcessed (state.iterations() * (juce::int64) (rangeSeconds * benchRate));
}

void BM_FlacRangeOfSixSecondsAtTheStart (benchmark::State& state)
{
    readSixSecondsAt (state, 0.0);
}

void BM_FlacRangeOfSixSecondsAtTheEnd (benchmark::State& state)
{
    readSixSecondsAt (state, fileSeconds - rangeSeconds);
}

BENCHMARK (BM_FlacRangeOfSixSecondsAtTheStart)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_FlacRangeOfSixSecondsAtTheEnd)->Unit (benchmark::kMillisecond);

} // namespace
