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
            return cancelledReconstruction (toleranceDb);

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
    if (stemFiles.empty())
        return nothingToVerify (toleranceDb);

    if (isCancelled (shouldCancel))
        return cancelledReconstruction (toleranceDb);

    WrittenFilesCheck check (toleranceDb, scratch.sum);
    juce::String error;
    const bool mixRead = readAudioFileIntoReusedBuffer (mixFile, 0.0, scratch.mix, error, renderFrameLimit, shouldCancel);

    if (! mixRead && isCancelled (shouldCancel))
        return cancelledReconstruction (toleranceDb);

    if (! check.takeMix (mixRead, scratch.mix, error))
        return check.result;

    for (const auto& stemFile : stemFiles)
    {
        if (isCancelled (shouldCancel))
            return cancelledReconstruction (toleranceDb);

        const bool stemRead = readAudioFileIntoReusedBuffer (stemFile, 0.0, scratch.stem, error, renderFrameLimit,
                                                             shouldCancel);

        if (! stemRead && isCancelled (shouldCancel))
            return cancelledReconstruction (toleranceDb);

        if (! check.takeStem (stemFile, stemRead, scratch.stem, error))
            return check.result;
    }

    return check.finish (scratch.mix, shouldCancel);
}

ReconstructionResult nothingToVerify (double toleranceDb)
{
    ReconstructionResult result;
    result.toleranceDb = toleranceDb;
    result.state = ReconstructionResult::State::skipped;
    result.detail = "No lossless stems were written, so there is nothing to verify.";
    return result;
}

ReconstructionResult cancelledReconstruction (double toleranceDb)
{
    ReconstructionResult result;
    result.toleranceDb = toleranceDb;
    result.state = ReconstructionResult::State::skipped;
    result.detail = cancelledSentence;
    return result;
}

//==============================================================================
WrittenFilesCheck::WrittenFilesCheck (double toleranceDb, juce::AudioBuffer<double>& sumToFill)
    : sum (sumToFill)
{
    result.toleranceDb = toleranceDb;
}

bool WrittenFilesCheck::end (const juce::String& sentence)
{
    result.state = ReconstructionResult::State::failed;
    result.detail = sentence;
    return false;
}

bool WrittenFilesCheck::takeMix (bool read, const juce::AudioBuffer<double>& mix, const juce::String& readError)
{
    if (! read)
        return end ("Could not read the exported full mix back: " + readError);

    // The sum is as large as the mix, and both are held together.
    const auto heldBytes = audioBufferBytes (2 * (juce::int64) mix.getNumChannels(), mix.getNumSamples(), (int) sizeof (double));
    juce::String error;

    if (! checkAudioMemoryBudget (heldBytes, error))
        return end ("Could not compare the stems with the exported full mix: " + error);

    mixFrames = mix.getNumSamples();
    mixChannels = mix.getNumChannels();
    sum.setSize (mixChannels, mixFrames, false, false, true);
    sum.clear();
    return true;
}

bool WrittenFilesCheck::takeStem (const juce::File& file, bool read, const juce::AudioBuffer<double>& stem,
                                  const juce::String& readError)
{
    if (! read)
        return end ("Could not read '" + file.getFileName() + "' back: " + readError);

    if (stem.getNumSamples() > mixFrames)
        return end ("'" + file.getFileName() + "' is longer than the exported full mix.");

    // Channels beyond the mix's would be dropped by the sum and never compared.
    if (stem.getNumChannels() > 1 && stem.getNumChannels() > mixChannels)
        return end ("'" + file.getFileName() + "' has more channels than the exported full mix.");

    mixBufferInto (sum, stem);
    ++result.stemFilesCompared;
    return true;
}

ReconstructionResult WrittenFilesCheck::finish (const juce::AudioBuffer<double>& mix, const CancelTest& shouldCancel)
{
    auto compared = compareStemsWithMix (sum, mix, result.toleranceDb, shouldCancel);
    compared.stemFilesCompared = result.stemFilesCompared;
    return compared;
}

} // namespace korvid
