#include "core/audio/ReconstructionCheck.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioLimits.h"
#include "core/audio/AudioMemoryBudget.h"
#include "core/audio/AudioReading.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvid
{

namespace
{
    constexpr int blockFrames = 65536;
    const char* const cancelledSentence = "The render was cancelled.";

    double levelDb (double linear)
    {
        if (! std::isfinite (linear))
            return std::numeric_limits<double>::infinity();
        if (! (linear > 0.0))
            return -400.0;
        return std::max (20.0 * std::log10 (linear), -400.0);
    }

    ReconstructionResult cancelledResult (double toleranceDb)
    {
        ReconstructionResult result;
        result.toleranceDb = toleranceDb;
        result.state = ReconstructionResult::State::skipped;
        result.detail = cancelledSentence;
        return result;
    }
} // namespace

ReconstructionResult compareStemsWithMix (const juce::AudioBuffer<double>& stems,
                                          const juce::AudioBuffer<double>& mix,
                                          double toleranceDb,
                                          const CancelTest& shouldCancel)
{
    using State = ReconstructionResult::State;

    ReconstructionResult result;
    result.toleranceDb = toleranceDb;

    if (mix.getNumSamples() <= 0 || mix.getNumChannels() <= 0)
    {
        result.state = State::skipped;
        result.detail = "There is no full mix to compare against.";
        return result;
    }

    if (stems.getNumChannels() != mix.getNumChannels())
    {
        result.state = State::failed;
        result.detail = "Channel counts differ: the stems have " + juce::String (stems.getNumChannels())
                      + ", the mix has " + juce::String (mix.getNumChannels()) + ".";
        return result;
    }

    const bool sameLength = stems.getNumSamples() == mix.getNumSamples();
    juce::String detail;
    if (! sameLength)
        detail << "Lengths differ: stems " << stems.getNumSamples() << " frames, mix "
               << mix.getNumSamples() << " frames. ";

    const int n = std::min (stems.getNumSamples(), mix.getNumSamples());
    const int channels = mix.getNumChannels();
    double peak = 0.0;
    double sumOfSquares = 0.0;
    bool finite = true;

    for (int start = 0; start < n; start += blockFrames)
    {
        if (isCancelled (shouldCancel))
            return cancelledResult (toleranceDb);

        const int count = std::min (blockFrames, n - start);
        for (int ch = 0; ch < channels; ++ch)
        {
            const double* s = stems.getReadPointer (ch, start);
            const double* m = mix.getReadPointer (ch, start);
            for (int i = 0; i < count; ++i)
            {
                const double r = s[i] - m[i];
                const double a = std::abs (r);
                finite = finite && std::isfinite (r);
                peak = std::max (peak, a);
                sumOfSquares += r * r;
            }
        }
    }

    // A NaN or infinite sample must never read as a small residual.
    if (! finite)
    {
        peak = std::numeric_limits<double>::infinity();
        sumOfSquares = std::numeric_limits<double>::infinity();
    }

    const double cells = (double) channels * (double) n;
    const double rms = cells > 0.0 ? std::sqrt (sumOfSquares / cells) : 0.0;

    result.comparedFrames = n;
    result.residualPeakDb = levelDb (peak);
    result.residualRmsDb = levelDb (rms);
    result.state = sameLength && toleranceDb >= result.residualPeakDb ? State::passed : State::failed;

    detail << "Residual peak " << juce::String (result.residualPeakDb, 2) << " dB (tolerance "
           << juce::String (toleranceDb, 2) << " dB), RMS " << juce::String (result.residualRmsDb, 2) << " dB.";
    result.detail = detail;
    return result;
}

ReconstructionResult verifyWrittenFiles (const std::vector<juce::File>& stemFiles,
                                         const juce::File& mixFile,
                                         double toleranceDb,
                                         const CancelTest& shouldCancel)
{
    juce::AudioBuffer<double> mix, sum, stem;
    return verifyWrittenFiles (stemFiles, mixFile, toleranceDb, shouldCancel, { mix, sum, stem });
}

ReconstructionResult verifyWrittenFiles (const std::vector<juce::File>& stemFiles,
                                         const juce::File& mixFile,
                                         double toleranceDb,
                                         const CancelTest& shouldCancel,
                                         ReconstructionScratch scratch)
{
    using State = ReconstructionResult::State;

    ReconstructionResult result;
    result.toleranceDb = toleranceDb;

    auto fail = [&result] (const juce::String& sentence)
    {
        result.state = State::failed;
        result.detail = sentence;
        return result;
    };

    if (stemFiles.empty())
    {
        result.state = State::skipped;
        result.detail = "No lossless stems were written, so there is nothing to verify.";
        return result;
    }

    if (isCancelled (shouldCancel))
        return cancelledResult (toleranceDb);

    auto& mix = scratch.mix;
    juce::String error;
    if (! readAudioFileIntoReusedBuffer (mixFile, 0.0, mix, error, renderFrameLimit, shouldCancel))
    {
        if (isCancelled (shouldCancel))
            return cancelledResult (toleranceDb);
        return fail ("Could not read the exported full mix back: " + error);
    }

    // The sum is as large as the mix, and both are held together.
    const auto heldBytes = audioBufferBytes (2 * (juce::int64) mix.getNumChannels(), mix.getNumSamples(), (int) sizeof (double));
    if (! checkAudioMemoryBudget (heldBytes, error))
        return fail ("Could not compare the stems with the exported full mix: " + error);

    auto& sum = scratch.sum;
    sum.setSize (mix.getNumChannels(), mix.getNumSamples(), false, false, true);
    sum.clear();

    auto& stem = scratch.stem;   // read into for every stem

    for (const auto& stemFile : stemFiles)
    {
        if (isCancelled (shouldCancel))
            return cancelledResult (toleranceDb);

        if (! readAudioFileIntoReusedBuffer (stemFile, 0.0, stem, error, renderFrameLimit, shouldCancel))
        {
            if (isCancelled (shouldCancel))
                return cancelledResult (toleranceDb);
            return fail ("Could not read '" + stemFile.getFileName() + "' back: " + error);
        }

        if (stem.getNumSamples() > mix.getNumSamples())
            return fail ("'" + stemFile.getFileName() + "' is longer than the exported full mix.");

        // Channels beyond the mix's would be dropped by the sum and never compared.
        if (stem.getNumChannels() > 1 && stem.getNumChannels() > mix.getNumChannels())
            return fail ("'" + stemFile.getFileName() + "' has more channels than the exported full mix.");

        mixBufferInto (sum, stem);
        ++result.stemFilesCompared;
    }

    auto compared = compareStemsWithMix (sum, mix, toleranceDb, shouldCancel);
    compared.stemFilesCompared = result.stemFilesCompared;
    return compared;
}

} // namespace korvid
