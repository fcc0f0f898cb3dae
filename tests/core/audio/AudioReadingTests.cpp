#include "AudioTestFiles.h"

#include "core/audio/AudioBuffers.h"
#include "core/audio/AudioFormats.h"
#include "core/audio/AudioProbe.h"
#include "core/audio/AudioReading.h"
#include "core/audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace korvid
{
namespace
{

using namespace korvid::test;

const juce::String truncated = "The audio data could not be read; the file may be truncated or damaged.";
const juce::String cancelled = "Reading the audio was cancelled.";
constexpr juce::int64 renderFrameLimitForTests = 1000000000;

class AudioReading : public ::testing::Test
{
protected:
    /** A float WAV whose samples are read back exactly. */
    juce::File writeFloatWav (const juce::String& name, int channels, int frames, double rate)
    {
        source = makeSine (channels, frames, 441.0, rate);
        const auto file = temp.file (name);
        EXPECT_TRUE (writeAudioFile (file, source, rate, 32));
        return file;
    }

    void expectSourceFrames (const juce::AudioBuffer<double>& buffer, int sourceStart)
    {
        ASSERT_EQ (buffer.getNumChannels(), source.getNumChannels());

        for (int c = 0; c < buffer.getNumChannels(); ++c)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                ASSERT_EQ (buffer.getSample (c, i), (double) source.getSample (c, sourceStart + i))
                    << "channel " << c << " frame " << i;
    }

    static juce::AudioBuffer<double> marker()
    {
        juce::AudioBuffer<double> buffer (1, 3);
        buffer.clear();
        buffer.setSample (0, 1, 7.0);
        return buffer;
    }

    static void expectMarker (const juce::AudioBuffer<double>& buffer)
    {
        ASSERT_EQ (buffer.getNumChannels(), 1);
        ASSERT_EQ (buffer.getNumSamples(), 3);
        EXPECT_EQ (buffer.getSample (0, 1), 7.0);
    }

    TempFolder temp;
    juce::AudioBuffer<float> source;
};

TEST_F (AudioReading, WholeFileArrivesAsDoublesAtItsOwnRate)
{
    const auto file = writeFloatWav ("take.wav", 2, 70000, 44100.0); // more than one block

    juce::AudioBuffer<double> buffer;
    juce::String error = "stale";
    ASSERT_TRUE (readWholeAudioFile (file, buffer, error));
    EXPECT_TRUE (error.isEmpty());
    EXPECT_EQ (buffer.getNumSamples(), 70000);
    expectSourceFrames (buffer, 0);
}

TEST_F (AudioReading, ReusedBufferTakesEveryFileWhole)
{
    // A long stereo file, then a shorter one, a mono one, one at another rate and a failure,
    // all read into one buffer: each read leaves exactly that file's frames.
    const auto longFile = writeFloatWav ("long.wav", 2, 90000, 48000.0);
    const auto shortFile = writeFloatWav ("short.wav", 2, 20000, 48000.0);
    const auto monoFile = writeFloatWav ("mono.wav", 1, 30000, 48000.0);
    const auto slowFile = writeFloatWav ("slow.wav", 2, 44100, 44100.0);

    juce::AudioBuffer<double> reused;
    juce::String error;

    for (const auto& file : { longFile, shortFile, monoFile })
    {
        SCOPED_TRACE (file.getFileName().toStdString());
        juce::AudioBuffer<double> whole;
        ASSERT_TRUE (readWholeAudioFile (file, whole, error));
        ASSERT_TRUE (readAudioFileIntoReusedBuffer (file, 48000.0, reused, error, renderFrameLimitForTests));
        ASSERT_EQ (reused.getNumChannels(), whole.getNumChannels());
        ASSERT_EQ (reused.getNumSamples(), whole.getNumSamples());

        for (int c = 0; c < whole.getNumChannels(); ++c)
            for (int i = 0; i < whole.getNumSamples(); ++i)
                ASSERT_EQ (reused.getSample (c, i), whole.getSample (c, i)) << c << ", " << i;
    }

    juce::AudioBuffer<double> converted;
    ASSERT_TRUE (readAudioFileForRender (slowFile, 48000.0, converted, error, renderFrameLimitForTests));
    ASSERT_TRUE (readAudioFileIntoReusedBuffer (slowFile, 48000.0, reused, error, renderFrameLimitForTests));
    ASSERT_EQ (reused.getNumSamples(), 48000);
    EXPECT_EQ (reused.getSample (1, 24000), converted.getSample (1, 24000));

    EXPECT_FALSE (readAudioFileIntoReusedBuffer (temp.file ("missing.wav"), 48000.0, reused, error, renderFrameLimitForTests));
    EXPECT_FALSE (error.isEmpty());
}

TEST_F (AudioReading, FormatFollowsTheExtensionAsBefore)
{
    // AIFF data under a WAV name is refused, as the format manager's own file reader does.
    const auto aiff = temp.file ("real.aiff");
    ASSERT_TRUE (writeAudioFile (aiff, makeSine (1, 1000, 441.0, 48000.0), 48000.0, 16));
    const auto misnamed = temp.file ("misnamed.wav");
    ASSERT_TRUE (aiff.copyFileTo (misnamed));

    juce::AudioBuffer<double> buffer;
    juce::String error;
    EXPECT_TRUE (readWholeAudioFile (aiff, buffer, error));
    EXPECT_FALSE (readWholeAudioFile (misnamed, buffer, error));
    EXPECT_NE (createBufferedReaderFor (aiff), nullptr);
    EXPECT_EQ (createBufferedReaderFor (misnamed), nullptr);
}

TEST_F (AudioReading, IntegerFilesAreScaledToFullScale)
{
    source = makeSine (2, 2000, 1000.0, 48000.0, 0.9f);

    for (const auto& [name, bits] : { std::pair { "pcm16.wav", 16 }, { "pcm24.aif", 24 }, { "pcm24.flac", 24 } })
    {
        SCOPED_TRACE (name);
        const auto file = temp.file (name);
        ASSERT_TRUE (writeAudioFile (file, source, 48000.0, bits));

        juce::AudioBuffer<double> buffer;
        juce::String error;
        ASSERT_TRUE (readWholeAudioFile (file, buffer, error)) << error;
        ASSERT_EQ (buffer.getNumSamples(), 2000);

        const double step = 2.0 / (double) (1 << bits);

        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < 2000; ++i)
                ASSERT_NEAR (buffer.getSample (c, i), source.getSample (c, i), 2.0 * step);
    }
}

TEST_F (AudioReading, RenderReadConvertsOnlyMoreThanHalfAHertzAway)
{
    const auto file = writeFloatWav ("take.wav", 2, 4410, 44100.0);

    juce::AudioBuffer<double> wholeAtFileRate;
    juce::String error;
    ASSERT_TRUE (readWholeAudioFile (file, wholeAtFileRate, error));

    struct Case { double target; int frames; bool converted; };
    const Case cases[] = {
        { 0.0, 4410, false },
        { -48000.0, 4410, false },
        { 44100.4, 4410, false },
        { 44100.5, 4410, false },
        { 44101.0, 4411, true },
        { 48000.0, 4800, true },
        { 22050.0, 2205, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.target);
        juce::AudioBuffer<double> buffer;
        ASSERT_TRUE (readAudioFileForRender (file, c.target, buffer, error, 1000000000)) << error;
        ASSERT_EQ (buffer.getNumSamples(), c.frames);

        if (! c.converted)
        {
            expectSourceFrames (buffer, 0);
            continue;
        }

        const auto expected = resampleBuffer (wholeAtFileRate, 44100.0, c.target);

        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < c.frames; ++i)
                ASSERT_EQ (buffer.getSample (ch, i), expected.getSample (ch, i));
    }
}

TEST_F (AudioReading, RenderReadRefusesFilesBeyondTheFrameLimit)
{
    const auto file = writeFloatWav ("take.wav", 1, 4410, 44100.0);
    auto buffer = marker();
    juce::String error;

    EXPECT_FALSE (readAudioFileForRender (file, 0.0, buffer, error, 4409));
    EXPECT_EQ (error, "The file is too long to render (4410 frames).");
    expectMarker (buffer);

    EXPECT_TRUE (readAudioFileForRender (file, 0.0, buffer, error, 4410));

    buffer = marker();
    EXPECT_FALSE (readAudioFileForRender (file, 48000.0, buffer, error, 4799));
    EXPECT_EQ (error, "The file is too long once converted to the project sample rate.");
    expectMarker (buffer);
}

TEST_F (AudioReading, RangeReads)
{
    const auto file = writeFloatWav ("take.wav", 2, 48000, 48000.0);

    struct Case { double start, length; int firstFrame, frames; };
    const Case cases[] = {
        { 0.5, 0.25, 24000, 12000 },
        { 0.5, 0.0, 24000, 24000 },     // no length: to the end
        { 0.5, -1.0, 24000, 24000 },
        { -1.0, 0.1, 0, 4800 },         // a negative start reads from the beginning
        { 0.9, 1.0, 43200, 4800 },      // the end cuts the length
        { 0.0, 0.0, 0, 48000 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.start) + " + " + juce::String (c.length));
        juce::AudioBuffer<double> buffer;
        juce::String error = "stale";
        ASSERT_TRUE (readAudioRange (file, 0.0, c.start, c.length, buffer, error)) << error;
        EXPECT_TRUE (error.isEmpty());
        EXPECT_EQ (buffer.getNumSamples(), c.frames);
        expectSourceFrames (buffer, c.firstFrame);
    }

    for (double start : { 1.0, 2.0, 1.0e300 })
    {
        auto buffer = marker();
        juce::String error;
        EXPECT_FALSE (readAudioRange (file, 0.0, start, 0.0, buffer, error));
        EXPECT_EQ (error, "The requested range starts past the end of the file.");
        expectMarker (buffer);
    }
}

TEST_F (AudioReading, RangeReadConvertsToTheTargetRate)
{
    const auto file = writeFloatWav ("take.wav", 1, 48000, 48000.0);

    juce::AudioBuffer<double> range;
    juce::String error;
    ASSERT_TRUE (readAudioRange (file, 0.0, 0.5, 0.25, range, error));

    juce::AudioBuffer<double> converted;
    ASSERT_TRUE (readAudioRange (file, 24000.0, 0.5, 0.25, converted, error)) << error;
    ASSERT_EQ (converted.getNumSamples(), 6000);

    const auto expected = resampleBuffer (range, 48000.0, 24000.0);

    for (int i = 0; i < 6000; ++i)
        ASSERT_EQ (converted.getSample (0, i), expected.getSample (0, i));

    ASSERT_TRUE (readAudioRange (file, 48000.3, 0.5, 0.25, converted, error));
    EXPECT_EQ (converted.getNumSamples(), 12000);
}

TEST_F (AudioReading, FailuresPassTheProbeSentenceOnAndKeepTheOutput)
{
    auto buffer = marker();
    juce::String error;

    EXPECT_FALSE (readWholeAudioFile (temp.file ("missing.wav"), buffer, error));
    EXPECT_EQ (error, "The file does not exist.");
    expectMarker (buffer);

    writeHeaderOnlyWav (temp.file ("wide.wav"), 65, 48000, 8, 100);
    EXPECT_FALSE (readAudioRange (temp.file ("wide.wav"), 0.0, 0.0, 0.0, buffer, error));
    EXPECT_EQ (error, "The file has 65 channels, the limit is 64.");
    expectMarker (buffer);
}

TEST_F (AudioReading, RefusesBuffersBeyondTheMemoryBudget)
{
    // 64 channels x 900 million frames: far more memory than any budget allows.
    const auto file = temp.file ("huge.wav");
    writeHeaderOnlyWav (file, 64, 768000, 8, 900000000ull);

    auto buffer = marker();
    juce::String error;

    EXPECT_FALSE (readAudioFileForRender (file, 0.0, buffer, error, 1000000000));
    EXPECT_TRUE (error.startsWith ("There is not enough memory for this audio: it needs ")) << error;
    expectMarker (buffer);

    EXPECT_FALSE (readAudioRange (file, 0.0, 0.0, 0.0, buffer, error));
    EXPECT_TRUE (error.startsWith ("There is not enough memory for this audio: it needs ")) << error;
    expectMarker (buffer);
}

TEST_F (AudioReading, RefusesRangesTooLongForOneBuffer)
{
    // Three billion frames do not fit one buffer's 32-bit frame count.
    const auto longFile = temp.file ("long.wav");
    writeHeaderOnlyWav (longFile, 1, 768000, 8, 3000000000ull);

    auto buffer = marker();
    juce::String error;

    EXPECT_FALSE (readAudioRange (longFile, 0.0, 0.0, 0.0, buffer, error));
    EXPECT_EQ (error, "The requested range is too long to read at once (3000000000 frames).");
    expectMarker (buffer);

    EXPECT_FALSE (readAudioFileForRender (longFile, 0.0, buffer, error, 1000000000));
    EXPECT_EQ (error, "The file is too long to render (3000000000 frames).");

    EXPECT_FALSE (readAudioFileForRender (longFile, 0.0, buffer, error, std::numeric_limits<juce::int64>::max()));
    EXPECT_EQ (error, "The file is too long to render (3000000000 frames).");

    // 100 million frames at 8 kHz become 9.6 billion at 768 kHz.
    const auto slowFile = temp.file ("slow.wav");
    writeHeaderOnlyWav (slowFile, 1, 8000, 8, 100000000ull);

    EXPECT_FALSE (readAudioRange (slowFile, 768000.0, 0.0, 0.0, buffer, error));
    EXPECT_EQ (error, "The requested range is too long once converted to the requested sample rate (9600000000 frames).");

    EXPECT_FALSE (readAudioFileForRender (slowFile, 768000.0, buffer, error, 1000000000));
    EXPECT_EQ (error, "The file is too long once converted to the project sample rate.");
    expectMarker (buffer);
}

TEST_F (AudioReading, FileShorterThanItsHeaderIsReportedTruncated)
{
    const auto file = temp.file ("cut.wav");
    source = makeSine (1, 48000, 440.0, 48000.0);
    ASSERT_TRUE (writeAudioFile (file, source, 48000.0, 16));
    truncateFile (file, file.getSize() / 2);

    AudioFileInfo info;
    juce::String error;
    ASSERT_TRUE (probeAudioFile (file, info, error)); // the header still claims every frame

    auto buffer = marker();
    EXPECT_FALSE (readWholeAudioFile (file, buffer, error));
    EXPECT_EQ (error, truncated);
    expectMarker (buffer);

    EXPECT_FALSE (readAudioRange (file, 0.0, 0.9, 0.1, buffer, error));
    EXPECT_EQ (error, truncated);

    // What is still there can be read.
    EXPECT_TRUE (readAudioRange (file, 0.0, 0.0, 0.1, buffer, error)) << error;
    EXPECT_EQ (buffer.getNumSamples(), 4800);

    const auto headerOnly = temp.file ("header only.wav");
    writeHeaderOnlyWav (headerOnly, 2, 48000, 16, 48000);
    EXPECT_FALSE (readWholeAudioFile (headerOnly, buffer, error));
    EXPECT_EQ (error, truncated);
}

TEST_F (AudioReading, AddingAFileEqualsAddingTheBufferReadFromIt)
{
    // Noise with signed zeros in it: adding onto a cleared buffer copies the first channel
    // and adds the others onto zeros, which keeps a -0 only in the first.
    const auto writeNoise = [this] (const juce::String& name, int channels, int frames, double rate = 48000.0)
    {
        juce::Random random (channels * 7 + frames);
        juce::AudioBuffer<float> samples (channels, frames);

        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < frames; ++i)
                samples.setSample (c, i, i % 5 == 0 ? -0.0f : random.nextFloat() - 0.5f);

        const auto file = temp.file (name);
        EXPECT_TRUE (writeAudioFile (file, samples, rate, 32));
        return file;
    };

    enum class Start { cleared, holding, unspecified };

    struct Case { const char* name; int fileChannels; int frames; double rate; int bufferChannels; Start start; };
    const Case cases[] = {
        { "stereo onto cleared, longer than the file", 2, 70000, 48000.0, 2, Start::cleared },
        { "stereo onto samples", 2, 70000, 48000.0, 2, Start::holding },
        { "stereo filling", 2, 70000, 48000.0, 2, Start::unspecified },
        { "mono into every channel", 1, 70000, 48000.0, 3, Start::cleared },
        { "mono filling three channels", 1, 70000, 48000.0, 3, Start::unspecified },
        { "stereo into three channels", 2, 70000, 48000.0, 3, Start::holding },
        { "stereo filling three channels", 2, 70000, 48000.0, 3, Start::unspecified },
        { "longer than the buffer", 2, 150000, 48000.0, 2, Start::unspecified },
        { "converted onto samples", 2, 70000, 44100.0, 2, Start::holding },
        { "converted, mono filling three channels", 1, 70000, 44100.0, 3, Start::unspecified },
        { "converted, longer than the buffer", 2, 120000, 96000.0, 2, Start::cleared },
    };

    constexpr int bufferFrames = 100000;
    juce::AudioBuffer<double> scratch;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = writeNoise (juce::String (c.name) + ".wav", c.fileChannels, c.frames, c.rate);

        juce::AudioBuffer<double> expected (c.bufferChannels, bufferFrames), added (c.bufferChannels, bufferFrames);
        expected.clear();
        added.clear();

        if (c.start == Start::holding)
            for (auto* buffer : { &expected, &added })
                for (int ch = 0; ch < c.bufferChannels; ++ch)
                    for (int i = 0; i < bufferFrames; ++i)
                        buffer->setSample (ch, i, 0.25 * ch - 0.001 * (i % 7));

        if (c.start == Start::unspecified)
            for (int ch = 0; ch < c.bufferChannels; ++ch)
                juce::FloatVectorOperations::fill (added.getWritePointer (ch), std::nan (""), bufferFrames);

        juce::AudioBuffer<double> whole;
        juce::String error;
        ASSERT_TRUE (readAudioFileForRender (file, 48000.0, whole, error, renderFrameLimitForTests)) << error;
        mixBufferInto (expected, whole);

        ASSERT_TRUE (addAudioFileInto (file, 48000.0, added, error, renderFrameLimitForTests, {},
                                       c.start == Start::unspecified ? AddOnto::nothing : AddOnto::content, &scratch)) << error;

        for (int ch = 0; ch < c.bufferChannels; ++ch)
            EXPECT_EQ (std::memcmp (expected.getReadPointer (ch), added.getReadPointer (ch), bufferFrames * sizeof (double)), 0)
                << "channel " << ch;
    }

    // Refusals and a stop come with the readers' own sentences.
    const auto stereo = writeNoise ("stereo.wav", 2, 70000);
    juce::AudioBuffer<double> mono (1, 1000);
    juce::String error;
    EXPECT_FALSE (addAudioFileInto (stereo, 48000.0, mono, error, renderFrameLimitForTests));
    EXPECT_EQ (error, "The file has more channels than the buffer it is added to.");

    juce::AudioBuffer<double> buffer (2, 70000);
    EXPECT_FALSE (addAudioFileInto (stereo, 48000.0, buffer, error, 1000));
    EXPECT_EQ (error, "The file is too long to render (70000 frames).");

    int calls = 0;
    EXPECT_FALSE (addAudioFileInto (stereo, 48000.0, buffer, error, renderFrameLimitForTests, [&] { return ++calls > 1; }));
    EXPECT_EQ (error, cancelled);
    EXPECT_EQ (calls, 2) << "asked before each block";

    const auto cut = temp.file ("cut.wav");
    ASSERT_TRUE (stereo.copyFileTo (cut));
    truncateFile (cut, cut.getSize() / 2);
    EXPECT_FALSE (addAudioFileInto (cut, 48000.0, buffer, error, renderFrameLimitForTests));
    EXPECT_EQ (error, truncated);
}

TEST_F (AudioReading, CancelStopsBetweenBlocks)
{
    const auto file = writeFloatWav ("ten seconds.wav", 2, 480000, 48000.0);

    struct Case { const char* name; int allowedCalls; double target; };
    const Case cases[] = {
        { "before the first block", 0, 0.0 },
        { "between blocks", 3, 0.0 },
        { "while converting", 9, 44100.0 },   // eight blocks read, then the conversion asks
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        int calls = 0;
        const CancelTest stopAfter = [&] { return ++calls > c.allowedCalls; };

        auto buffer = marker();
        juce::String error;
        EXPECT_FALSE (readAudioFileForRender (file, c.target, buffer, error, 1000000000, stopAfter));
        EXPECT_EQ (error, cancelled);
        EXPECT_GT (calls, c.allowedCalls);
        EXPECT_LE (calls, c.allowedCalls + 2); // stopped at once, asked once more for the sentence
        expectMarker (buffer);

        calls = 0;
        EXPECT_FALSE (readAudioRange (file, c.target, 0.0, 0.0, buffer, error, stopAfter));
        EXPECT_EQ (error, cancelled);
        expectMarker (buffer);
    }

    juce::AudioBuffer<double> buffer;
    juce::String error;
    EXPECT_TRUE (readAudioFileForRender (file, 44100.0, buffer, error, 1000000000, [] { return false; }));
    EXPECT_EQ (buffer.getNumSamples(), 441000);
}

} // namespace
} // namespace korvid
