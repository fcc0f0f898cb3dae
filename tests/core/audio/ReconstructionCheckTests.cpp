#include "core/audio/ReconstructionCheck.h"

#include "AudioTestFiles.h"

#include <gtest/gtest.h>

#include <limits>

namespace korvid
{
namespace
{

using State = ReconstructionResult::State;

// Values on a 1/1024 grid, so sums are exact in float and double alike.
juce::AudioBuffer<double> gridSignal (int channels, int frames, int seed)
{
    juce::Random random (seed);
    juce::AudioBuffer<double> buffer (channels, frames);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, (random.nextInt (256) - 128) / 1024.0);
    return buffer;
}

juce::AudioBuffer<double> sumOf (const juce::AudioBuffer<double>& a, const juce::AudioBuffer<double>& b)
{
    auto sum = a;
    for (int ch = 0; ch < sum.getNumChannels(); ++ch)
        sum.addFrom (ch, 0, b, b.getNumChannels() == 1 ? 0 : ch, 0, b.getNumSamples());
    return sum;
}

TEST (ReconstructionCheck, ComparesBuffers)
{
    const auto mix = gridSignal (2, 1000, 1);

    auto offByOneMilli = mix;
    offByOneMilli.setSample (1, 500, mix.getSample (1, 500) + 0.001);

    juce::AudioBuffer<double> shorter (2, 999);
    for (int ch = 0; ch < 2; ++ch)
        shorter.copyFrom (ch, 0, mix, ch, 0, 999);

    struct Case
    {
        const char* name;
        juce::AudioBuffer<double> stems;
        double tolerance;
        State state;
        juce::int64 frames;
        juce::String detail;
    };
    const Case cases[] = {
        { "exact sum", mix, -400.0, State::passed, 1000,
          "Residual peak -400.00 dB (tolerance -400.00 dB), RMS -400.00 dB." },
        { "one sample 1/1000 off, within -50 dB", offByOneMilli, -50.0, State::passed, 1000,
          "Residual peak -60.00 dB (tolerance -50.00 dB), RMS -93.01 dB." },
        { "one sample 1/1000 off, beyond -100 dB", offByOneMilli, -100.0, State::failed, 1000,
          "Residual peak -60.00 dB (tolerance -100.00 dB), RMS -93.01 dB." },
        { "mix one frame longer fails even with no residual", shorter, 0.0, State::failed, 999,
          "Lengths differ: stems 999 frames, mix 1000 frames. Residual peak -400.00 dB (tolerance 0.00 dB), RMS -400.00 dB." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = compareStemsWithMix (c.stems, mix, c.tolerance);
        EXPECT_EQ (result.state, c.state);
        EXPECT_EQ (result.comparedFrames, c.frames);
        EXPECT_EQ (result.toleranceDb, c.tolerance);
        EXPECT_EQ (result.detail, c.detail);
    }
}

TEST (ReconstructionCheck, MismatchedOrMissingInputIsNotAPass)
{
    const auto stereo = gridSignal (2, 100, 2);

    const auto channels = compareStemsWithMix (gridSignal (1, 100, 2), stereo, -100.0);
    EXPECT_EQ (channels.state, State::failed);
    EXPECT_EQ (channels.detail, "Channel counts differ: the stems have 1, the mix has 2.");
    EXPECT_EQ (channels.comparedFrames, 0);
    EXPECT_EQ (channels.residualPeakDb, -400.0);

    const auto noMix = compareStemsWithMix (stereo, juce::AudioBuffer<double> (2, 0), -100.0);
    EXPECT_EQ (noMix.state, State::skipped);
    EXPECT_EQ (noMix.detail, "There is no full mix to compare against.");

    // A NaN in the stems must never read as a small residual.
    auto broken = stereo;
    broken.setSample (0, 10, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ (compareStemsWithMix (broken, stereo, 0.0).state, State::failed);

    const auto cancelled = compareStemsWithMix (stereo, stereo, -100.0, [] { return true; });
    EXPECT_EQ (cancelled.state, State::skipped);
    EXPECT_EQ (cancelled.detail, "The render was cancelled.");
}

class ReconstructionCheckFiles : public ::testing::Test
{
protected:
    juce::File write (const juce::String& name, const juce::AudioBuffer<double>& samples)
    {
        juce::AudioBuffer<float> asFloat (samples.getNumChannels(), samples.getNumSamples());
        for (int ch = 0; ch < samples.getNumChannels(); ++ch)
            for (int i = 0; i < samples.getNumSamples(); ++i)
                asFloat.setSample (ch, i, (float) samples.getSample (ch, i));

        const auto file = temp.file (name);
        EXPECT_TRUE (test::writeAudioFile (file, asFloat, 48000.0, 32));
        return file;
    }

    test::TempFolder temp;
};

TEST_F (ReconstructionCheckFiles, StemsThatSumToTheMixPass)
{
    const auto drums = gridSignal (2, 4800, 3);
    const auto bassMono = gridSignal (1, 4800, 4);
    juce::AudioBuffer<double> padShort = gridSignal (2, 2400, 5);

    auto mix = sumOf (drums, bassMono);
    for (int ch = 0; ch < 2; ++ch)
        mix.addFrom (ch, 0, padShort, ch, 0, 2400);

    const std::vector<juce::File> stems { write ("drums.wav", drums), write ("bass.wav", bassMono),
                                          write ("pad.wav", padShort) };
    const auto result = verifyWrittenFiles (stems, write ("mix.wav", mix), -140.0);

    EXPECT_EQ (result.state, State::passed) << result.detail;
    EXPECT_EQ (result.stemFilesCompared, 3);
    EXPECT_EQ (result.comparedFrames, 4800);
    EXPECT_EQ (result.residualPeakDb, -400.0);
    EXPECT_EQ (result.toleranceDb, -140.0);
}

TEST_F (ReconstructionCheckFiles, StemsThatDoNotSumToTheMixFail)
{
    const auto drums = gridSignal (2, 4800, 3);
    const auto bass = gridSignal (2, 4800, 4);
    const auto mixFile = write ("mix.wav", sumOf (drums, bass));

    const auto result = verifyWrittenFiles ({ write ("drums.wav", drums) }, mixFile, -100.0);
    EXPECT_EQ (result.state, State::failed);
    EXPECT_EQ (result.stemFilesCompared, 1);
    EXPECT_TRUE (result.detail.startsWith ("Residual peak ")) << result.detail;
    EXPECT_GT (result.residualPeakDb, -100.0);
}

TEST_F (ReconstructionCheckFiles, FilesThatCannotBeComparedEndTheCheck)
{
    const auto mix = gridSignal (2, 4800, 6);
    const auto mixFile = write ("mix.wav", mix);
    const auto okStem = write ("ok.wav", mix);

    struct Case
    {
        const char* name;
        std::vector<juce::File> stems;
        juce::File mix;
        State state;
        int stemsCompared;
        juce::String detail;
    };
    const Case cases[] = {
        { "no stems", {}, mixFile, State::skipped, 0,
          "No lossless stems were written, so there is nothing to verify." },
        { "missing mix", { okStem }, temp.file ("gone.wav"), State::failed, 0,
          "Could not read the exported full mix back: The file does not exist." },
        { "missing stem after a good one", { okStem, temp.file ("lost.wav") }, mixFile, State::failed, 1,
          "Could not read 'lost.wav' back: The file does not exist." },
        { "stem one frame longer", { okStem, write ("long.wav", gridSignal (2, 4801, 7)) }, mixFile, State::failed, 1,
          "'long.wav' is longer than the exported full mix." },
        { "stem with more channels than the mix", { write ("wide.wav", gridSignal (4, 4800, 8)) }, mixFile, State::failed, 0,
          "'wide.wav' has more channels than the exported full mix." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto result = verifyWrittenFiles (c.stems, c.mix, -120.0);
        EXPECT_EQ (result.state, c.state);
        EXPECT_EQ (result.detail, c.detail);
        EXPECT_EQ (result.stemFilesCompared, c.stemsCompared);
        EXPECT_EQ (result.toleranceDb, -120.0);
        EXPECT_EQ (result.comparedFrames, 0);
        EXPECT_EQ (result.residualPeakDb, -400.0);
    }
}

TEST_F (ReconstructionCheckFiles, CancelledCheckIsSkipped)
{
    const auto mix = gridSignal (2, 4800, 9);
    const auto result = verifyWrittenFiles ({ write ("a.wav", mix) }, write ("mix.wav", mix), -120.0,
                                            [] { return true; });
    EXPECT_EQ (result.state, State::skipped);
    EXPECT_EQ (result.detail, "The render was cancelled.");
}

} // namespace
} // namespace korvid
