#include "core/audio/TrackSplit.h"
#include "core/audio/TrackSplitPart.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

// Splitting a five-minute 24-bit stereo take into two full-length parts, against two sox
// commands that write the same two parts from the same file, timed in the same run. The
// split's peak memory is reported too: it streams, so it stays the same for any length.
namespace
{

constexpr double takeSeconds = 300.0;
constexpr double takeRate = 48000.0;
constexpr double splitSeconds = 150.0;

/** The take, written once into a temporary folder that is removed at exit. */
class FiveMinuteTake
{
public:
    FiveMinuteTake()
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("velvane-split-bench-" + juce::Uuid().toString()))
    {
        folder.createDirectory();
        file = folder.getChildFile ("take.wav");

        if (! write())
            file = juce::File();
    }

    ~FiveMinuteTake() { folder.deleteRecursively(); }

    static const FiveMinuteTake& get()
    {
        static const FiveMinuteTake take;
        return take;
    }

    /** An empty folder for one run's parts. */
    juce::File partsFolder() const
    {
        const auto parts = folder.getChildFile ("parts");
        parts.deleteRecursively();
        parts.createDirectory();
        return parts;
    }

    juce::File folder, file;

private:
    bool write() const
    {
        constexpr int channels = 2, block = 65536;
        const auto frames = (juce::int64) (takeSeconds * takeRate);
        korvid::TrackSplitPart writer;
        juce::String error;

        if (! writer.open (file, korvid::Codec::wav, 24, false, takeRate, channels, frames, error))
            return false;

        std::vector<std::vector<int>> words (channels, std::vector<int> (block));
        const int* pointers[channels] = { words[0].data(), words[1].data() };
        juce::Random random (7);

        for (juce::int64 done = 0; done < frames; done += block)
        {
            const int count = (int) juce::jmin ((juce::int64) block, frames - done);

            for (int ch = 0; ch < channels; ++ch)
                for (int i = 0; i < count; ++i)
                    words[(size_t) ch][(size_t) i] = (int) (0.3 * std::sin (0.013 * (double) (done + i) + ch) * 0x7fffff00)
                                                   + (random.nextInt (256) << 8);

            if (! writer.write (pointers, count, error))
                return false;
        }

        return writer.finish (error) && writer.commit (error);
    }
};

/** The process's peak memory since the last reset, in MB; negative where the system does not say. */
double peakMegabytes()
{
    std::ifstream status ("/proc/self/status");
    std::string line;

    while (std::getline (status, line))
        if (line.rfind ("VmHWM:", 0) == 0)
            return std::stod (line.substr (6)) / 1024.0;

    return -1.0;
}

void resetPeakMemory()
{
    std::ofstream ("/proc/self/clear_refs") << "5";
}

void BM_SplitFiveMinutes24BitStereo (benchmark::State& state)
{
    const auto& take = FiveMinuteTake::get();

    if (take.file == juce::File())
    {
        state.SkipWithError ("The take could not be written.");
        return;
    }

    resetPeakMemory();

    for (auto _ : state)
    {
        state.PauseTiming();
        const auto parts = take.partsFolder();
        state.ResumeTiming();

        korvid::TrackSplitRequest request;
        request.source = take.file;
        request.splitSeconds = splitSeconds;
        request.firstPart = parts.getChildFile ("first.wav");
        request.secondPart = parts.getChildFile ("second.wav");
        const auto result = korvid::splitTrackFile (request);

        if (! result.ok)
        {
            state.SkipWithError (result.message.toRawUTF8());
            break;
        }
    }

    state.counters["peak MB"] = peakMegabytes();
    state.counters["take MB"] = (double) take.file.getSize() / 1.0e6;
}
BENCHMARK (BM_SplitFiveMinutes24BitStereo)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (5);

/** sox from the search path, or an empty string. */
juce::String soxProgram()
{
    for (const auto& folder : juce::StringArray::fromTokens (juce::SystemStats::getEnvironmentVariable ("PATH", {}), ":", {}))
        if (const auto candidate = juce::File (folder).getChildFile ("sox"); folder.isNotEmpty() && candidate.existsAsFile())
            return candidate.getFullPathName();

    return {};
}

bool runToEnd (const juce::StringArray& arguments)
{
    juce::ChildProcess process;
    return process.start (arguments, 0) && process.waitForProcessToFinish (120000) && process.getExitCode() == 0;
}

// The same two full-length parts: the audio up to the cut padded with silence to the end,
// and silence up to the cut followed by the audio after it.
void BM_SoxTrimPairFiveMinutes24BitStereo (benchmark::State& state)
{
    const auto sox = soxProgram();

    if (sox.isEmpty())
    {
        state.SkipWithError ("sox is not installed, so the split is not compared with it (scripts/setup.sh installs it).");
        return;
    }

    const auto& take = FiveMinuteTake::get();
    const auto cut = juce::String (splitSeconds);
    const auto rest = juce::String (takeSeconds - splitSeconds);

    for (auto _ : state)
    {
        state.PauseTiming();
        const auto parts = take.partsFolder();
        const auto source = take.file.getFullPathName();
        state.ResumeTiming();

        const bool ok = runToEnd ({ sox, source, parts.getChildFile ("first.wav").getFullPathName(),
                                    "trim", "0", "=" + cut, "pad", "0", rest })
                     && runToEnd ({ sox, source, parts.getChildFile ("second.wav").getFullPathName(),
                                    "trim", "=" + cut, "pad", cut, "0" });

        if (! ok)
        {
            state.SkipWithError ("sox did not write the two parts.");
            break;
        }
    }
}
BENCHMARK (BM_SoxTrimPairFiveMinutes24BitStereo)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (5);

} // namespace
