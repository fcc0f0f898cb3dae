#include "core/audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace korvid
{
namespace
{

juce::AudioBuffer<double> constantBuffer (int channels, int frames, double value)
{
    juce::AudioBuffer<double> buffer (channels, frames);

    for (int c = 0; c < channels; ++c)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (c), value, frames);

    return buffer;
}

juce::AudioBuffer<double> sineBuffer (int frames, double frequency, double rate, double amplitude = 0.5)
{
    juce::AudioBuffer<double> buffer (1, frames);

    for (int i = 0; i < frames; ++i)
        buffer.setSample (0, i, amplitude * std::sin (juce::MathConstants<double>::twoPi * frequency * i / rate));

    return buffer;
}

double rmsBetween (const juce::AudioBuffer<double>& buffer, int from, int to)
{
    double sum = 0.0;

    for (int i = from; i < to; ++i)
        sum += buffer.getSample (0, i) * buffer.getSample (0, i);

    return std::sqrt (sum / (to - from));
}

TEST (Resampler, OutputLengthsAreExact)
{
    struct Case { int frames; double from, to; int expected; };
    const Case cases[] = {
        { 48000, 48000.0, 44100.0, 44100 },
        { 44100, 44100.0, 48000.0, 48000 },
        { 1, 48000.0, 96000.0, 2 },
        { 96000, 96000.0, 44100.0, 44100 },
        { 1000, 44100.0, 44100.5, 1001 },   // 1000.0113... rounds up
        { 0, 48000.0, 44100.0, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.frames) + " frames " + juce::String (c.from) + " -> " + juce::String (c.to));
        EXPECT_EQ (resampledLength (c.frames, c.from, c.to), c.expected);

        const auto output = resampleBuffer (constantBuffer (2, c.frames, 0.25), c.from, c.to);
        EXPECT_EQ (output.getNumChannels(), 2);
        EXPECT_EQ (output.getNumSamples(), c.expected);
    }
}

TEST (Resampler, InvalidRatesOrNoChannelsGiveAnEmptyBuffer)
{
    const auto input = constantBuffer (2, 100, 0.5);

    for (const auto& [from, to] : { std::pair { 0.0, 44100.0 }, { 48000.0, 0.0 }, { -48000.0, 44100.0 }, { 48000.0, -1.0 } })
    {
        const auto output = resampleBuffer (input, from, to);
        EXPECT_EQ (output.getNumChannels(), 0);
        EXPECT_EQ (output.getNumSamples(), 0);
    }

    const auto noChannels = resampleBuffer (juce::AudioBuffer<double>(), 48000.0, 44100.0);
    EXPECT_EQ (noChannels.getNumChannels(), 0);
}

TEST (Resampler, RatesWithinHalfAHertzGiveAnExactCopy)
{
    const auto input = sineBuffer (1000, 997.0, 44100.0);

    const auto copy = resampleBuffer (input, 44100.0, 44100.4);
    ASSERT_EQ (copy.getNumSamples(), input.getNumSamples());

    for (int i = 0; i < input.getNumSamples(); ++i)
        ASSERT_EQ (copy.getSample (0, i), input.getSample (0, i));

    // Half a hertz apart already goes through the filter.
    const auto filtered = resampleBuffer (input, 44100.0, 44100.5);
    EXPECT_EQ (filtered.getNumSamples(), 1001);
}

TEST (Resampler, SineMatchesTheAnalyticSineAtTheNewRate)
{
    for (const auto& [from, to] : { std::pair { 48000.0, 44100.0 }, { 44100.0, 48000.0 } })
    {
        SCOPED_TRACE (juce::String (from) + " -> " + juce::String (to));
        const double frequency = 1000.0;
        const auto output = resampleBuffer (sineBuffer ((int) from / 10, frequency, from), from, to);

        double worst = 0.0;

        // Away from the ends, where taps reach outside the input.
        for (int i = 64; i < output.getNumSamples() - 64; ++i)
        {
            const double expected = 0.5 * std::sin (juce::MathConstants<double>::twoPi * frequency * i / to);
            worst = std::max (worst, std::abs (output.getSample (0, i) - expected));
        }

        EXPECT_LT (worst, 2e-6);
    }
}

TEST (Resampler, GoingDownRemovesWhatTheNewRateCannotHold)
{
    // 23.5 kHz fits 48 kHz but not 44.1 kHz; it must not fold back as a 20.6 kHz tone.
    const auto output = resampleBuffer (sineBuffer (48000, 23500.0, 48000.0), 48000.0, 44100.0);
    const double rms = rmsBetween (output, 1000, output.getNumSamples() - 1000);

    EXPECT_LT (juce::Decibels::gainToDecibels (rms / (0.5 / std::sqrt (2.0))), -70.0);
}

TEST (Resampler, ConstantStaysConstantAwayFromTheEnds)
{
    const auto output = resampleBuffer (constantBuffer (1, 4800, 0.5), 48000.0, 44100.0);
    const int n = output.getNumSamples();

    for (int i = 40; i < n - 40; ++i)
        ASSERT_NEAR (output.getSample (0, i), 0.5, 1e-12) << "at " << i;

    // Near the ends the taps reach outside the input, which counts as silence.
    EXPECT_LT (output.getSample (0, 0), 0.49);
    EXPECT_LT (output.getSample (0, n - 1), 0.499);
}

TEST (Resampler, EveryChannelGoesThroughTheSameFilter)
{
    auto input = sineBuffer (4410, 440.0, 44100.0);
    input.setSize (2, input.getNumSamples(), true);

    for (int i = 0; i < input.getNumSamples(); ++i)
        input.setSample (1, i, -input.getSample (0, i));

    const auto output = resampleBuffer (input, 44100.0, 96000.0);

    for (int i = 0; i < output.getNumSamples(); ++i)
        ASSERT_EQ (output.getSample (1, i), -output.getSample (0, i));
}

TEST (Resampler, TableSizesAreClampedAndRowsSumToOne)
{
    const Resampler small (48000.0, 44100.0, 1, 4);
    EXPECT_EQ (small.halfTaps, 2);
    EXPECT_EQ (small.phases, 16);
    EXPECT_EQ (small.taps, 4);
    EXPECT_EQ (small.table.size(), (size_t) 17 * 4);

    const Resampler wide (44100.0, 48000.0, 1000, 16);
    EXPECT_EQ (wide.halfTaps, 256);
    const Resampler fine (44100.0, 48000.0, 2, 100000);
    EXPECT_EQ (fine.phases, 8192);
    EXPECT_EQ (fine.table.size(), (size_t) 8193 * 4);

    const Resampler system (48000.0, 44100.0, 32, 1024);
    EXPECT_DOUBLE_EQ (system.ratio, 44100.0 / 48000.0);

    for (int p = 0; p <= system.phases; ++p)
    {
        double sum = 0.0;

        for (int k = 0; k < system.taps; ++k)
            sum += system.table[(size_t) (p * system.taps + k)];

        ASSERT_NEAR (sum, 1.0, 1e-12) << "row " << p;
    }
}

TEST (Resampler, ProcessWithoutInputGivesSilence)
{
    const Resampler resampler (48000.0, 44100.0, 32, 1024);
    double output[8] = { 1, 1, 1, 1, 1, 1, 1, 1 };

    EXPECT_TRUE (resampler.process (nullptr, 0, output, 8));

    for (double sample : output)
        EXPECT_EQ (sample, 0.0);
}

TEST (Resampler, APieceAtATimeGivesTheSameSamplesAsTheWhole)
{
    // Pieces of odd sizes at odd places, over both ends and the inside.
    const auto input = sineBuffer (20000, 997.0, 44100.0);
    const auto whole = resampleBuffer (input, 44100.0, 48000.0);
    const auto resampler = makeAudioResampler (44100.0, 48000.0);
    ASSERT_EQ (whole.getNumSamples(), 21769);

    std::vector<double> pieces ((size_t) whole.getNumSamples());

    for (int first = 0, size = 1; first < whole.getNumSamples(); first += size, size = size * 3 + 2)
    {
        const int count = std::min (size, whole.getNumSamples() - first);
        ASSERT_TRUE (resampler.process (input.getReadPointer (0), input.getNumSamples(), pieces.data() + first, count, {},
                                        first));
    }

    EXPECT_EQ (std::memcmp (pieces.data(), whole.getReadPointer (0), pieces.size() * sizeof (double)), 0);
}

TEST (Resampler, CancelStopsTheConversion)
{
    int asked = 0;
    const auto output = resampleBuffer (sineBuffer (96000, 440.0, 48000.0), 48000.0, 44100.0,
                                        [&asked] { return ++asked > 2; });

    EXPECT_EQ (output.getNumChannels(), 0);
    EXPECT_EQ (asked, 3);
}

TEST (Resampler, BesselI0MatchesKnownValues)
{
    EXPECT_DOUBLE_EQ (besselI0 (0.0), 1.0);
    EXPECT_NEAR (besselI0 (1.0), 1.2660658777520082, 1e-15);
    EXPECT_NEAR (besselI0 (12.0) / 18948.925349296308, 1.0, 1e-13);
}

} // namespace
} // namespace korvid
