#pragma once

#include "core/audio/CancelTest.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

// Whether the written stems add up to the written full mix.
struct ReconstructionResult
{
    enum class State : int { notRun, passed, failed, skipped };

    State state = State::notRun;
    double residualPeakDb = -400.0;  // peak of (stems - mix), never below -400
    double residualRmsDb = -400.0;   // RMS of (stems - mix) over all channels and frames
    double toleranceDb = -100.0;     // what the residual peak was held against
    juce::int64 comparedFrames = 0;  // the shorter of the two lengths
    int stemFilesCompared = 0;
    juce::String detail;             // one or two sentences for the user
};

// Compares summed stems with the mix. Passes only when the lengths are equal
// and the residual peak is at or below the tolerance; differing channel counts
// fail without figures, an empty mix is skipped. A residual that is not a
// finite number fails. A cancelled comparison is skipped.
ReconstructionResult compareStemsWithMix (const juce::AudioBuffer<double>& summedStems,
                                          const juce::AudioBuffer<double>& mix,
                                          double toleranceDb,
                                          const CancelTest& shouldCancel = {});

// Reads the written stem files and the written full mix back at their own
// rates, sums the stems (a mono stem into every channel) and compares them
// with the mix. A stem that cannot be read, is longer than the mix or has more
// channels than it ends the check as failed. A cancelled check is skipped.
ReconstructionResult verifyWrittenFiles (const std::vector<juce::File>& stemFiles,
                                         const juce::File& mixFile,
                                         double toleranceDb,
                                         const CancelTest& shouldCancel = {});

// The buffers the check reads and sums into. A caller holding large buffers it no longer
// needs lends them, so the check touches no fresh memory; their content is replaced.
struct ReconstructionScratch
{
    juce::AudioBuffer<double>& mix;
    juce::AudioBuffer<double>& sum;
    juce::AudioBuffer<double>& stem;
};

ReconstructionResult verifyWrittenFiles (const std::vector<juce::File>& stemFiles,
                                         const juce::File& mixFile,
                                         double toleranceDb,
                                         const CancelTest& shouldCancel,
                                         ReconstructionScratch scratch);

/** The check of `verifyWrittenFiles` fed one file at a time, in its order (the mix, then
    each stem), for a caller that reads the files itself, several at once. A file that
    ends the check leaves its failure in `result`; the sum is summed in `sum`. */
class WrittenFilesCheck
{
public:
    WrittenFilesCheck (double toleranceDb, juce::AudioBuffer<double>& sum);

    /** The full mix as read back, or the reader's sentence; false when the check ended. */
    bool takeMix (bool read, const juce::AudioBuffer<double>& mix, const juce::String& readError);

    /** One stem file as read back, or the reader's sentence; false when the check ended. */
    bool takeStem (const juce::File& file, bool read, const juce::AudioBuffer<double>& stem,
                   const juce::String& readError);

    /** Compares the sum of every stem taken with the mix taken. */
    ReconstructionResult finish (const juce::AudioBuffer<double>& mix, const CancelTest& shouldCancel);

    ReconstructionResult result;

private:
    bool end (const juce::String& sentence);

    juce::AudioBuffer<double>& sum;
    int mixFrames = 0;
    int mixChannels = 0;
};

/** The result when no stem file was given, and when the check was cancelled. */
ReconstructionResult nothingToVerify (double toleranceDb);
ReconstructionResult cancelledReconstruction (double toleranceDb);

} // namespace korvid
