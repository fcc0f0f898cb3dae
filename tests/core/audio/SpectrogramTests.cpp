#include "AudioTestFiles.h"

#include "core/audio/Fft.h"
#include "core/audio/Spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace korvid
{
namespace
{

using namespace korvid::test;

const juce::String cancelled = "Reading the audio was cancelled.";

std::vector<float> sine (int count, double frequency, double rate, double amplitude)
{
    std::vector<float> samples ((size_t) count);

    for (int i = 0; i < count; ++i)
        samples[(size_t) i] = (float) (amplitude * std::sin (juce::MathConstants<double>::twoPi * frequency * i / rate));

    return samples;
}

std::vector<float> noise (int count, int seed)
{
    juce::Random random (seed);
    std::vector<float> samples ((size_t) count);

    for (auto& sample : samples)
        sample = random.nextFloat() * 2.0f - 1.0f;

    return samples;
}

void expectDefault (const SpectrogramData& data)
{
    EXPECT_EQ (data.numFrames, 0);
    EXPECT_EQ (data.numBins, 0);
    EXPECT_TRUE (data.magnitudes.empty());
    EXPECT_EQ (data.fftSize, 0);
    EXPECT_EQ (data.sampleRate, 0.0);
    EXPECT_EQ (data.floorDb, -90.0f);
}

/** The bin with the highest value in a frame. */
int loudestBin (const SpectrogramData& data, int frame)
{
    int loudest = 0;

    for (int bin = 1; bin < data.numBins; ++bin)
        if (data.valueAt (frame, bin) > data.valueAt (frame, loudest))
            loudest = bin;

    return loudest;
}

bool frameIsSilent (const SpectrogramData& data, int frame)
{
    for (int bin = 0; bin < data.numBins; ++bin)
        if (data.valueAt (frame, bin) > data.floorDb)
            return false;

    return true;
}

TEST (Fft, MatchesTheDirectTransform)
{
    for (const int size : { 2, 4, 8, 64, 512 })
    {
        SCOPED_TRACE (size);
        juce::Random random (size);
        std::vector<double> real ((size_t) size), imaginary ((size_t) size);

        for (int i = 0; i < size; ++i)
        {
            real[(size_t) i] = random.nextDouble() - 0.5;
            imaginary[(size_t) i] = random.nextDouble() - 0.5;
        }

        std::vector<std::complex<double>> expected ((size_t) size);

        for (int k = 0; k < size; ++k)
            for (int n = 0; n < size; ++n)
                expected[(size_t) k] += std::complex<double> (real[(size_t) n], imaginary[(size_t) n])
                                      * std::polar (1.0, -juce::MathConstants<double>::twoPi * k * n / size);

        fftInPlace (real, imaginary);

        for (int k = 0; k < size; ++k)
        {
            ASSERT_NEAR (real[(size_t) k], expected[(size_t) k].real(), 1.0e-9) << "bin " << k;
            ASSERT_NEAR (imaginary[(size_t) k], expected[(size_t) k].imag(), 1.0e-9) << "bin " << k;
        }
    }
}

TEST (Fft, RefusesSizesItCannotTransform)
{
    for (const auto& [realSize, imaginarySize] : { std::pair { 0, 0 }, { 1, 1 }, { 3, 3 }, { 12, 12 }, { 8, 4 } })
    {
        SCOPED_TRACE (juce::String (realSize) + " and " + juce::String (imaginarySize));
        std::vector<double> real ((size_t) realSize, 1.0), imaginary ((size_t) imaginarySize, 0.5);
        const auto realBefore = real;
        const auto imaginaryBefore = imaginary;

        fftInPlace (real, imaginary);
        EXPECT_EQ (real, realBefore);
        EXPECT_EQ (imaginary, imaginaryBefore);
    }
}

TEST (Spectrogram, GridFollowsTheFftOrderAndTheFrameLimit)
{
    struct Case
    {
        int samples, order, maxFrames;
        int fftSize, frames; // fftSize 0: the default value
    };

    const Case cases[] = {
        { 48000, 10, 700, 1024, 700 },
        { 1000, 10, 700, 0, 0 },        // shorter than one FFT
        { 1024, 10, 700, 1024, 1 },     // exactly one FFT
        { 1100, 10, 700, 1024, 77 },    // hop 1: fewer frames than asked
        { 48000, 3, 700, 64, 700 },     // order raised to 6
        { 20000, 20, 16, 16384, 16 },   // order lowered to 14
        { 48000, 10, 5, 1024, 16 },     // frame count raised to 16
        { 200000, 6, 10000, 64, 4000 }, // frame count lowered to 4000
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.samples) + " samples, order " + juce::String (c.order) + ", "
                      + juce::String (c.maxFrames) + " frames");
        const auto data = computeSpectrogram (noise (c.samples, 1), 48000.0, c.order, c.maxFrames);

        if (c.fftSize == 0)
        {
            expectDefault (data);
            continue;
        }

        EXPECT_EQ (data.fftSize, c.fftSize);
        EXPECT_EQ (data.numBins, c.fftSize / 2);
        EXPECT_EQ (data.numFrames, c.frames);
        EXPECT_EQ (data.magnitudes.size(), (size_t) c.frames * (size_t) (c.fftSize / 2));
        EXPECT_EQ (data.sampleRate, 48000.0);
        EXPECT_DOUBLE_EQ (data.durationSeconds, c.samples / 48000.0);
    }

    expectDefault (computeSpectrogram (noise (4096, 2), 0.0, 10, 700));
    expectDefault (computeSpectrogram (noise (4096, 2), -48000.0, 10, 700));
}

TEST (Spectrogram, FramesAreSpreadEvenlyOverTheSamples)
{
    // 48,000 samples and 1024 points. With 700 frames the hop is 67: frame 698 covers samples
    // 46,766..47,789 and frame 699 covers 46,833..47,856. With 16 frames the hop is 3131 and
    // the last frame covers 46,965..47,988. A burst that only one frame covers shows there alone.
    struct Case
    {
        int maxFrames, burstStart, burstEnd, soundFrame, silentFrame;
    };

    for (const auto& c : { Case { 700, 47790, 47857, 699, 698 }, Case { 700, 46800, 46833, 698, 699 },
                           Case { 16, 47900, 47988, 15, 14 } })
    {
        SCOPED_TRACE (juce::String (c.maxFrames) + " frames, burst at " + juce::String (c.burstStart));
        std::vector<float> samples (48000, 0.0f);

        for (int i = c.burstStart; i < c.burstEnd; ++i)
            samples[(size_t) i] = 1.0f;

        const auto data = computeSpectrogram (samples, 48000.0, 10, c.maxFrames);
        ASSERT_EQ (data.numFrames, c.maxFrames);
        EXPECT_FALSE (frameIsSilent (data, c.soundFrame));
        EXPECT_TRUE (frameIsSilent (data, c.silentFrame));
    }
}

TEST (Spectrogram, SineReadsItsLevelLessTheWindowLossOnItsBin)
{
    // 1500 Hz is exactly 32 periods per 1024 points at 48 kHz; the Hann window halves a
    // sine's amplitude on its own bin and passes a quarter to each neighbour.
    for (const auto& [amplitude, level] : { std::pair { 1.0, -6.02 }, { 0.1, -26.02 } })
    {
        SCOPED_TRACE (amplitude);
        const auto data = computeSpectrogram (sine (48000, 1500.0, 48000.0, amplitude), 48000.0, 10, 100);
        ASSERT_EQ (data.numFrames, 100);

        for (int frame = 0; frame < data.numFrames; ++frame)
        {
            ASSERT_EQ (loudestBin (data, frame), 32) << "frame " << frame;
            ASSERT_NEAR (data.valueAt (frame, 32), level, 0.05) << "frame " << frame;
            ASSERT_NEAR (data.valueAt (frame, 31), level - 6.02, 0.1) << "frame " << frame;
            ASSERT_NEAR (data.valueAt (frame, 33), level - 6.02, 0.1) << "frame " << frame;
            ASSERT_LT (data.valueAt (frame, 100), level - 60.0) << "frame " << frame;
        }
    }
}

TEST (Spectrogram, ValuesStayBetweenTheFloorAndZero)
{
    struct Case
    {
        const char* name;
        std::vector<float> samples;
        float lowest, highest;
    };

    const Case cases[] = {
        { "silence", std::vector<float> (8192, 0.0f), -90.0f, -90.0f },
        { "a constant beyond full scale", std::vector<float> (8192, 4.0f), -90.0f, 0.0f },
        { "full-scale noise", noise (8192, 3), -90.0f, 0.0f },
        { "samples that are not numbers", std::vector<float> (8192, std::numeric_limits<float>::quiet_NaN()), -90.0f, -90.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto data = computeSpectrogram (c.samples, 48000.0, 10, 700);
        ASSERT_FALSE (data.magnitudes.empty());

        const auto [lowest, highest] = std::minmax_element (data.magnitudes.begin(), data.magnitudes.end());
        EXPECT_GE (*lowest, c.lowest);
        EXPECT_LE (*highest, c.highest);

        if (c.lowest == c.highest)
        {
            EXPECT_EQ (*highest, c.highest);
        }
    }

    // The constant sits on bin 0 and is clamped to exactly 0 dB there.
    EXPECT_EQ (computeSpectrogram (std::vector<float> (8192, 4.0f), 48000.0, 10, 700).valueAt (0, 0), 0.0f);
}

TEST (Spectrogram, LookupsOutsideTheGridGiveTheFloor)
{
    const auto data = computeSpectrogram (sine (4096, 1500.0, 48000.0, 1.0), 48000.0, 10, 16);
    ASSERT_EQ (data.numFrames, 16);
    ASSERT_EQ (data.numBins, 512);

    for (const auto& [frame, bin] : { std::pair { -1, 32 }, { 16, 32 }, { 0, 512 }, { 0, -1 },
                                      { std::numeric_limits<int>::max(), std::numeric_limits<int>::max() } })
    {
        SCOPED_TRACE (juce::String (frame) + ", " + juce::String (bin));
        EXPECT_EQ (data.valueAt (frame, bin), -90.0f);
    }

    EXPECT_GT (data.valueAt (15, 32), -10.0f);
    EXPECT_EQ (data.valueAt (15, 32), data.magnitudes[15 * 512 + 32]);

    EXPECT_DOUBLE_EQ (data.binFrequency (0), 23.4375);
    EXPECT_DOUBLE_EQ (data.binFrequency (511), 511.5 * 48000.0 / 1024.0);
    EXPECT_EQ (SpectrogramData().binFrequency (3), 0.0);
}

TEST (Spectrogram, BuffersAreMixedToTheAverageOfTheirChannels)
{
    struct Case
    {
        const char* name;
        std::vector<double> channelValues;
        float mixed;
    };

    for (const auto& c : { Case { "one channel", { 0.3 }, 0.3f }, Case { "two channels", { 0.5, -0.25 }, 0.125f },
                           Case { "three equal channels", { 0.3, 0.3, 0.3 }, 0.3f } })
    {
        SCOPED_TRACE (c.name);
        const int channels = (int) c.channelValues.size();
        juce::AudioBuffer<double> buffer (channels, 5);

        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 5; ++i)
                buffer.setSample (ch, i, c.channelValues[(size_t) ch]);

        const auto mono = monoMixOf (buffer);
        ASSERT_EQ (mono.size(), 5u);

        for (const auto value : mono)
            EXPECT_FLOAT_EQ (value, c.mixed);
    }

    EXPECT_TRUE (monoMixOf (juce::AudioBuffer<double>()).empty());

    // Opposite channels cancel in the mix; equal ones keep the sine's level.
    const auto tone = sine (8192, 1500.0, 48000.0, 1.0);

    for (const auto& [sign, level] : { std::pair { -1.0, -90.0f }, { 1.0, -6.02f } })
    {
        SCOPED_TRACE (sign);
        juce::AudioBuffer<double> buffer (2, 8192);

        for (int i = 0; i < 8192; ++i)
        {
            buffer.setSample (0, i, tone[(size_t) i]);
            buffer.setSample (1, i, sign * tone[(size_t) i]);
        }

        const auto data = spectrogramOfBuffer (buffer, 48000.0, 10, 16);
        ASSERT_EQ (data.numFrames, 16);
        EXPECT_NEAR (data.valueAt (8, 32), level, 0.05);
    }
}

TEST (Spectrogram, ComputingStopsWhenCancelled)
{
    int calls = 0;
    const auto data = computeSpectrogram (noise (48000, 4), 48000.0, 10, 700, [&calls] { return ++calls >= 3; });
    expectDefault (data);
    EXPECT_EQ (calls, 3);
}

class SpectrogramOfFile : public ::testing::Test
{
protected:
    TempFolder temp;
};

TEST_F (SpectrogramOfFile, LongFilesAreThinnedToAboutTheFramesTimesTheFftSize)
{
    // 60 s at 48 kHz with 1024 points and 700 frames: every 4th frame is kept, 12 kHz.
    const auto file = temp.file ("minute.wav");
    ASSERT_TRUE (writeAudioFile (file, makeSine (1, 2880000, 1500.0, 48000.0, 0.5f), 48000.0, 16));

    juce::String error = "stale";
    const auto data = readSpectrogram (file, error, 10, 700);

    EXPECT_TRUE (error.isEmpty()) << error;
    EXPECT_EQ (data.sampleRate, 12000.0);
    EXPECT_EQ (data.durationSeconds, 60.0);
    EXPECT_EQ (data.fftSize, 1024);
    ASSERT_EQ (data.numFrames, 700);

    // 1500 Hz at 12 kHz is 128 periods per 1024 points.
    for (int frame = 0; frame < data.numFrames; ++frame)
    {
        ASSERT_EQ (loudestBin (data, frame), 128) << "frame " << frame;
        ASSERT_NEAR (data.valueAt (frame, 128), -12.04, 0.05) << "frame " << frame;
    }
}

TEST_F (SpectrogramOfFile, ShortFilesGiveTheSpectrogramOfTheirMix)
{
    const auto samples = makeSine (2, 100000, 1000.0, 44100.0, 0.7f);
    const auto file = temp.file ("short.wav");
    ASSERT_TRUE (writeAudioFile (file, samples, 44100.0, 32));

    juce::AudioBuffer<double> buffer (2, 100000);

    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 100000; ++i)
            buffer.setSample (c, i, (double) samples.getSample (c, i));

    juce::String error = "stale";
    const auto data = readSpectrogram (file, error, 10, 700);
    const auto expected = spectrogramOfBuffer (buffer, 44100.0, 10, 700);

    EXPECT_TRUE (error.isEmpty()) << error;
    EXPECT_EQ (data.sampleRate, 44100.0);
    ASSERT_EQ (data.numFrames, expected.numFrames);
    ASSERT_EQ (data.numBins, expected.numBins);

    for (size_t i = 0; i < expected.magnitudes.size(); ++i)
    {
        if (expected.magnitudes[i] > -80.0f)
        {
            ASSERT_NEAR (data.magnitudes[i], expected.magnitudes[i], 0.01) << "value " << i;
        }
    }
}

TEST_F (SpectrogramOfFile, UnusableFilesGiveTheDefaultValueAndASentence)
{
    const auto text = temp.file ("notes.wav");
    text.replaceWithText ("not audio at all");

    const auto tooLong = temp.file ("five-hours.wav");
    writeHeaderOnlyWav (tooLong, 2, 48000, 16, (juce::uint64) 48000 * 3600 * 5);

    const std::pair<juce::File, juce::String> cases[] = {
        { temp.file ("missing.wav"), "The file does not exist." },
        { text, "Not a readable audio file, or the format is not supported." },
        { tooLong, "The file is 300.0 minutes long, the limit is 240 minutes." },
    };

    for (const auto& [file, sentence] : cases)
    {
        SCOPED_TRACE (file.getFileName());
        juce::String error = "stale";
        expectDefault (readSpectrogram (file, error, 10, 700));
        EXPECT_EQ (error, sentence);
    }
}

TEST_F (SpectrogramOfFile, CancelStopsReadingOrComputingAndKeepsNothing)
{
    // Three blocks to read, then 700 frames to compute.
    const auto file = temp.file ("cancel.wav");
    ASSERT_TRUE (writeAudioFile (file, makeSine (1, 3 * 65536, 440.0, 48000.0), 48000.0, 16));

    for (const int stopAt : { 1, 3, 10 })
    {
        SCOPED_TRACE (stopAt);
        int calls = 0;
        juce::String error;
        expectDefault (readSpectrogram (file, error, 10, 700, [&] { return ++calls >= stopAt; }));
        EXPECT_EQ (error, cancelled);
        EXPECT_EQ (calls, stopAt);
    }
}

} // namespace
} // namespace korvid
