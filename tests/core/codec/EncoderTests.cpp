#include "core/audio/AudioReading.h"
#include "core/codec/EncoderFactory.h"
#include "core/codec/FloatWavWriter.h"
#include "core/codec/JuceFileEncoder.h"

#include "core/audio/AudioTestFiles.h"
#include "core/codec/PcmTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/FileSizeCap.h"

namespace korvid
{
namespace
{

using test::folderEntries;
using test::readBack;
using test::TempFolder;

EncoderSettings settingsFor (Codec codec, SampleFormat format, double rate = 48000.0, int channels = 2)
{
    EncoderSettings settings;
    settings.codec = codec;
    settings.sampleFormat = format;
    settings.sampleRate = rate;
    settings.channels = channels;
    settings.dither = Dither::none;
    return settings;
}

juce::AudioBuffer<double> sineBuffer (int channels, int frames, double amplitude = 0.5)
{
    juce::AudioBuffer<double> buffer (channels, frames);

    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < frames; ++i)
            buffer.setSample (ch, i, amplitude * std::sin (0.01 * i + 0.7 * ch));

    return buffer;
}

juce::AudioBuffer<double> bufferOf (const std::vector<std::vector<double>>& channels)
{
    juce::AudioBuffer<double> buffer ((int) channels.size(), (int) channels.front().size());

    for (size_t ch = 0; ch < channels.size(); ++ch)
        for (size_t i = 0; i < channels[ch].size(); ++i)
            buffer.setSample ((int) ch, (int) i, channels[ch][i]);

    return buffer;
}

juce::String extensionOf (Codec codec)
{
    return codecExtension (codec);
}

bool encodeFile (Codec codec, const juce::AudioBuffer<double>& buffer, const juce::File& target,
                 const EncoderSettings& settings, juce::String& error, const CancelTest& cancel = {})
{
    JuceFileEncoder encoder (codec);
    return encoder.encode (buffer, target, settings, error, cancel);
}

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}

TEST (Encoder, SettingsTextNamesCodecWordLengthRateAndChannels)
{
    struct Case { EncoderSettings settings; const char* expected; };
    auto mp3 = settingsFor (Codec::mp3, SampleFormat::pcm16);
    mp3.mp3Bitrate = 320;

    const Case cases[] = {
        { settingsFor (Codec::wav, SampleFormat::pcm24), "WAV 24bit 48kHz 2ch" },
        { settingsFor (Codec::flac, SampleFormat::pcm16, 44100.0, 1), "FLAC 16bit 44.1kHz 1ch" },
        { settingsFor (Codec::wav, SampleFormat::float32, 96000.0), "WAV 32bit float 96kHz 2ch" },
        { settingsFor (Codec::aiff, SampleFormat::pcm16, 176400.0, 6), "AIFF 16bit 176.4kHz 6ch" },
        { mp3, "MP3 320kbps 48kHz 2ch" },
    };

    for (const auto& c : cases)
        EXPECT_EQ (c.settings.toText(), c.expected);

    EXPECT_EQ (EncoderSettings().toText(), "WAV 24bit 48kHz 2ch");
    EXPECT_EQ (EncoderSettings().dither, Dither::tpdfShaped);
}

TEST (Encoder, FactoryMakesTheThreeLosslessEncodersOnly)
{
    struct Case { Codec codec; const char* name; const char* error; };
    const Case cases[] = {
        { Codec::wav, "JUCE WAV encoder", "" },
        { Codec::aiff, "JUCE AIFF encoder", "" },
        { Codec::flac, "JUCE FLAC encoder", "" },
        { Codec::mp3, nullptr, "MP3 is not an export format in this build; Velvane delivers lossless only. Choose WAV, AIFF or FLAC." },
        { (Codec) 17, nullptr, "This codec is not available in this build." },
    };

    for (const auto& c : cases)
    {
        juce::String error = "stale";
        const auto encoder = makeEncoder (c.codec, error);
        EXPECT_EQ (error, c.error);

        if (c.name == nullptr)
        {
            EXPECT_EQ (encoder, nullptr);
        }
        else
        {
            ASSERT_NE (encoder, nullptr);
            EXPECT_EQ (encoder->name(), c.name);
        }
    }
}

// Every refusal leaves an existing target as it was and no temporary file behind.
TEST (Encoder, RefusalsLeaveTheOldFileAndNoTemporary)
{
    TempFolder temp;
    const auto longName = juce::String::repeatedString ("n", 260) + ".wav";
    int asked = 0;
    const CancelTest cancelOnSecondBlock = [&asked] { return ++asked > 1; };

    struct Case
    {
        const char* name;
        Codec encoderCodec;
        EncoderSettings settings;
        int channels;
        juce::String fileName;
        CancelTest cancel;
        juce::String expected;
    };

    auto aiffSettings = settingsFor (Codec::aiff, SampleFormat::pcm24);

    const Case cases[] = {
        { "codec mismatch", Codec::wav, aiffSettings, 2, "t.wav", {}, "This encoder was created for wav, not aiff." },
        { "aiff float", Codec::aiff, settingsFor (Codec::aiff, SampleFormat::float32), 2, "t.aif", {}, "AIFF cannot store float32." },
        { "flac float", Codec::flac, settingsFor (Codec::flac, SampleFormat::float32), 2, "t.flac", {}, "FLAC cannot store float32." },
        { "22.05 kHz", Codec::wav, settingsFor (Codec::wav, SampleFormat::pcm24, 22050.0), 2, "t.wav", {}, "WAV cannot store 22.1 kHz." },
        { "32 kHz", Codec::flac, settingsFor (Codec::flac, SampleFormat::pcm16, 32000.0), 2, "t.flac", {}, "FLAC cannot store 32.0 kHz." },
        { "no channels", Codec::wav, settingsFor (Codec::wav, SampleFormat::pcm24), 0, "t.wav", {}, "Unsupported channel count: 0." },
        { "65 channels", Codec::wav, settingsFor (Codec::wav, SampleFormat::pcm24), 65, "t.wav", {}, "Unsupported channel count: 65." },
        { "flac beyond 8 channels", Codec::flac, settingsFor (Codec::flac, SampleFormat::pcm16), 9, "t.flac", {},
          "The FLAC writer rejected these settings (FLAC 16bit 48kHz 2ch)." },
        { "path too long", Codec::wav, settingsFor (Codec::wav, SampleFormat::pcm24), 2, longName, {},
          "The destination path is too long." },
        { "cancelled between blocks", Codec::wav, settingsFor (Codec::wav, SampleFormat::pcm24), 2, "t.wav",
          cancelOnSecondBlock, "Writing the audio was cancelled." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        asked = 0;
        const auto target = temp.file (c.fileName);
        const bool targetCanExist = c.fileName.length() < 200;

        if (targetCanExist)
        {
            ASSERT_TRUE (target.replaceWithText ("old"));
        }

        juce::String error;
        EXPECT_FALSE (encodeFile (c.encoderCodec, sineBuffer (c.channels, 40000), target, c.settings, error, c.cancel));
        EXPECT_EQ (error, c.expected);

        if (targetCanExist)
        {
            EXPECT_EQ (target.loadFileAsString(), "old");
            EXPECT_EQ (folderEntries (temp.folder), juce::StringArray (c.fileName));
            target.deleteFile();
        }
        else
        {
            EXPECT_TRUE (folderEntries (temp.folder).isEmpty());
        }
    }
}

TEST (Encoder, AcceptsARateWithinHalfAHertzAndWritesTheBufferChannelCount)
{
    TempFolder temp;
    juce::String error;
    const auto target = temp.file ("r.wav");
    EXPECT_TRUE (encodeFile (Codec::wav, sineBuffer (3, 100), target, settingsFor (Codec::wav, SampleFormat::pcm16, 48000.3, 2), error)) << error;
    EXPECT_TRUE (error.isEmpty());

    const auto back = readBack (target);
    ASSERT_TRUE (back.ok);
    EXPECT_EQ (back.integers.size(), 3u);
    EXPECT_EQ (back.sampleRate, 48000.0);
}

// Integer sources come back bit-exact for every codec and word length, extremes included.
TEST (Encoder, IntegerRoundTripIsBitExact)
{
    TempFolder temp;

    for (auto codec : { Codec::wav, Codec::aiff, Codec::flac })
    {
        for (int bits : { 16, 24 })
        {
            const auto label = toString (codec) + " " + juce::String (bits);
            SCOPED_TRACE (label.toStdString());

            const auto source = temp.file ("source" + juce::String (bits) + extensionOf (codec));
            const auto output = temp.file ("out" + juce::String (bits) + extensionOf (codec));
            const auto samples = test::randomPcm (2, 70000, bits, 11 + bits);   // more than two blocks
            ASSERT_TRUE (test::writePcmFile (source, samples, 44100.0, bits));

            juce::AudioBuffer<double> buffer;
            juce::String error;
            ASSERT_TRUE (readWholeAudioFile (source, buffer, error)) << error;

            const auto format = bits == 16 ? SampleFormat::pcm16 : SampleFormat::pcm24;
            ASSERT_TRUE (encodeFile (codec, buffer, output, settingsFor (codec, format, 44100.0), error)) << error;

            const auto back = readBack (output);
            ASSERT_TRUE (back.ok);
            EXPECT_EQ (back.formatName, readBack (source).formatName);
            EXPECT_EQ (back.bitsPerSample, bits);
            EXPECT_EQ (back.integers, samples);
        }
    }
}

TEST (Encoder, Float32WavKeepsEverySampleAndClampsBeyondFullScale)
{
    TempFolder temp;
    juce::Random random (5);
    std::vector<std::vector<double>> channels (2, std::vector<double> (40000));

    for (auto& channel : channels)
        for (auto& value : channel)
            value = (double) (float) (random.nextDouble() * 2.0 - 1.0);

    channels[0][0] = 1.0;
    channels[0][1] = -1.0;
    channels[0][2] = (double) 1.0e-30f;   // tiny values survive too
    channels[1][0] = 1.5;             // beyond full scale: clamped
    channels[1][1] = -7.0;
    channels[1][2] = std::numeric_limits<double>::quiet_NaN();
    channels[1][3] = std::numeric_limits<double>::infinity();

    const auto target = temp.file ("f.wav");
    juce::String error;
    ASSERT_TRUE (encodeFile (Codec::wav, bufferOf (channels), target, settingsFor (Codec::wav, SampleFormat::float32), error)) << error;

    const auto back = readBack (target);
    ASSERT_TRUE (back.ok);
    EXPECT_TRUE (back.floatingPoint);
    EXPECT_EQ (back.bitsPerSample, 32);

    channels[1][0] = 1.0;
    channels[1][1] = -1.0;
    channels[1][2] = 0.0;
    channels[1][3] = 1.0;

    for (size_t ch = 0; ch < 2; ++ch)
        for (size_t i = 0; i < channels[ch].size(); ++i)
            ASSERT_EQ ((double) back.floats[ch][i], channels[ch][i]) << "channel " << ch << " frame " << i;
}

// A float file carries the format chunk's extension (cbSize) and a fact chunk with the
// frame count; multichannel layouts stay extensible; sizes past 32 bits make it RF64.
TEST (Encoder, Float32WavHeaderIsTheStandardOne)
{
    TempFolder temp;
    const auto target = temp.file ("float.wav");
    juce::String error;
    const auto source = sineBuffer (2, 1000);
    ASSERT_TRUE (encodeFile (Codec::wav, source, target, settingsFor (Codec::wav, SampleFormat::float32), error)) << error;

    const auto bytes = bytesOf (target);
    ASSERT_EQ (bytes.getSize(), 58u + 8000u);
    const auto* data = static_cast<const char*> (bytes.getData());
    const auto word = [data] (int at) { return (juce::uint32) juce::ByteOrder::littleEndianInt (data + at); };
    const auto half = [data] (int at) { return (int) juce::ByteOrder::littleEndianShort (data + at); };
    const auto tag = [data] (int at) { return juce::String (data + at, 4); };

    EXPECT_EQ (tag (0), "RIFF");
    EXPECT_EQ (word (4), 58u + 8000u - 8u);
    EXPECT_EQ (tag (8), "WAVE");
    EXPECT_EQ (tag (12), "fmt ");
    EXPECT_EQ (word (16), 18u);
    EXPECT_EQ (half (20), 3);           // IEEE float
    EXPECT_EQ (half (22), 2);
    EXPECT_EQ (word (24), 48000u);
    EXPECT_EQ (word (28), 48000u * 8u);
    EXPECT_EQ (half (32), 8);
    EXPECT_EQ (half (34), 32);
    EXPECT_EQ (half (36), 0);           // cbSize
    EXPECT_EQ (tag (38), "fact");
    EXPECT_EQ (word (42), 4u);
    EXPECT_EQ (word (46), 1000u);
    EXPECT_EQ (tag (50), "data");
    EXPECT_EQ (word (54), 8000u);

    juce::AudioBuffer<double> back;
    ASSERT_TRUE (readWholeAudioFile (target, back, error)) << error;

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 1000; ++i)
            ASSERT_EQ (back.getSample (ch, i), (double) (float) source.getSample (ch, i));

    const auto surround = floatWavHeader (6, 48000.0, 10);
    const auto* six = static_cast<const char*> (surround.getData());
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (six + 16), 40u);
    EXPECT_EQ (juce::ByteOrder::littleEndianShort (six + 20), 0xfffe);
    EXPECT_EQ (juce::ByteOrder::littleEndianShort (six + 36), 22);           // cbSize
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (six + 40), 0x3fu);         // 5.1
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (six + 44), 3u);            // IEEE float sub-format
    EXPECT_EQ (juce::String (six + 60, 4), "fact");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (six + 68), 10u);

    const juce::uint64 long64 = 600000000;   // 4.8 GB of stereo floats
    const auto large = floatWavHeader (2, 48000.0, long64);
    const auto* big = static_cast<const char*> (large.getData());
    ASSERT_EQ (large.getSize(), 94u);
    EXPECT_EQ (juce::String (big, 4), "RF64");
    EXPECT_EQ (juce::String (big + 12, 4), "ds64");
    EXPECT_EQ ((juce::uint64) juce::ByteOrder::littleEndianInt64 (big + 20), 94u - 8u + long64 * 8u);
    EXPECT_EQ ((juce::uint64) juce::ByteOrder::littleEndianInt64 (big + 28), long64 * 8u);
    EXPECT_EQ ((juce::uint64) juce::ByteOrder::littleEndianInt64 (big + 36), long64);
    EXPECT_EQ (juce::String (big + 48, 4), "fmt ");
    EXPECT_EQ (juce::String (big + 74, 4), "fact");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (big + 82), 600000000u);
    EXPECT_EQ (juce::String (big + 86, 4), "data");
    EXPECT_EQ (juce::ByteOrder::littleEndianInt (big + 90), 0xffffffffu);
}

// Integer WAV stays exactly what the framework's writer makes of the same words.
TEST (Encoder, IntegerWavIsTheFrameworksFileByteForByte)
{
    TempFolder temp;

    for (int bits : { 16, 24 })
    {
        SCOPED_TRACE (bits);
        const auto samples = test::randomPcm (2, 5000, bits, 3 + bits);
        const auto framework = temp.file ("framework" + juce::String (bits) + ".wav");
        ASSERT_TRUE (test::writePcmFile (framework, samples, 48000.0, bits));

        juce::AudioBuffer<double> buffer;
        juce::String error;
        ASSERT_TRUE (readWholeAudioFile (framework, buffer, error)) << error;

        const auto ours = temp.file ("ours" + juce::String (bits) + ".wav");
        const auto format = bits == 16 ? SampleFormat::pcm16 : SampleFormat::pcm24;
        ASSERT_TRUE (encodeFile (Codec::wav, buffer, ours, settingsFor (Codec::wav, format), error)) << error;
        EXPECT_EQ (bytesOf (ours), bytesOf (framework));
    }
}

// Quantisation rounds halves away from zero and clamps to the word's range.
TEST (Encoder, IntegerWordsRoundHalvesAwayFromZeroAndClamp)
{
    TempFolder temp;
    struct Case { double steps; int expected16; int expected24; };
    const double nan = std::numeric_limits<double>::quiet_NaN();

    const Case cases[] = {
        { 0.5, 1, 1 },      { -0.5, -1, -1 },   { 1.5, 2, 2 },     { -1.5, -2, -2 },  { 2.5, 3, 3 },
        { 0.49, 0, 0 },     { -0.49, 0, 0 },    { 0.51, 1, 1 },    { 0.0, 0, 0 },
    };

    for (int bits : { 16, 24 })
    {
        const double lsb = std::ldexp (1.0, -(bits - 1));
        const int top = (1 << (bits - 1)) - 1;
        std::vector<double> input;
        std::vector<int> expected;

        for (const auto& c : cases)
        {
            input.push_back (c.steps * lsb);
            expected.push_back (bits == 16 ? c.expected16 : c.expected24);
        }

        // Full scale and beyond, and the top of the range minus half a step.
        const std::pair<double, int> edges[] = {
            { 1.0, top }, { -1.0, -top - 1 }, { 1.5, top }, { -3.0, -top - 1 },
            { (top + 0.5) * lsb, top }, { (-top - 0.5) * lsb, -top - 1 }, { nan, 0 },
        };

        for (const auto& [value, level] : edges)
        {
            input.push_back (value);
            expected.push_back (level);
        }

        const auto target = temp.file ("q" + juce::String (bits) + ".wav");
        const auto format = bits == 16 ? SampleFormat::pcm16 : SampleFormat::pcm24;
        juce::String error;
        ASSERT_TRUE (encodeFile (Codec::wav, bufferOf ({ input }), target, settingsFor (Codec::wav, format, 48000.0, 1), error)) << error;

        const auto back = readBack (target);
        ASSERT_TRUE (back.ok);
        EXPECT_EQ (back.integers.front(), expected) << bits << " bits";
    }
}

TEST (Encoder, DitherIsReproducibleBySeedAndStaysWithinItsSteps)
{
    TempFolder temp;
    const auto buffer = sineBuffer (2, 50000, 0.01);

    auto encodeWith = [&] (Dither dither, std::uint64_t seed, const juce::String& name)
    {
        auto settings = settingsFor (Codec::flac, SampleFormat::pcm16);
        settings.dither = dither;
        settings.ditherSeed = seed;
        juce::String error;
        const auto target = temp.file (name);
        EXPECT_TRUE (encodeFile (Codec::flac, buffer, target, settings, error)) << error;
        return target;
    };

    for (auto dither : { Dither::tpdf, Dither::tpdfShaped })
    {
        SCOPED_TRACE (toString (dither).toStdString());
        const auto once = bytesOf (encodeWith (dither, 1, "a.flac"));
        EXPECT_EQ (once, bytesOf (encodeWith (dither, 1, "b.flac"))) << "same seed, same file";
        EXPECT_NE (once, bytesOf (encodeWith (dither, 0, "c.flac")));
        EXPECT_NE (bytesOf (encodeWith (dither, 0, "c.flac")), bytesOf (encodeWith (dither, 0, "d.flac"))) << "seed 0 is fresh";
        EXPECT_NE (once, bytesOf (encodeWith (Dither::none, 1, "e.flac"))) << "dither changed the words";
    }

    // Plain dither adds under one step of noise before rounding.
    const auto back = readBack (encodeWith (Dither::tpdf, 3, "p.flac"));
    ASSERT_TRUE (back.ok);
    double largest = 0.0;

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            largest = std::max (largest, std::abs (back.integers[(size_t) ch][(size_t) i] - buffer.getSample (ch, i) * 32768.0));

    EXPECT_LT (largest, 1.5);
    EXPECT_GT (largest, 0.5);
}

#if ! JUCE_WINDOWS
using test::FileSizeCap;

// A write that fails while the file is being finished (everything before it sat in
// the stream's buffer), part-way through, or a target that cannot be replaced: the
// old file stays and no temporary file is left.
TEST (Encoder, FailureWhileWritingOrFinishingKeepsTheOldFile)
{
    struct Case { const char* name; Codec codec; int frames; bool targetIsFolder; const char* expected; };
    const Case cases[] = {
        { "wav finish", Codec::wav, 500, false, "Finishing the file failed; the disk may be full." },
        { "aiff finish", Codec::aiff, 500, false, "Finishing the file failed; the disk may be full." },
        { "flac finish", Codec::flac, 500, false, "Finishing the file failed; the disk may be full." },
        { "wav part-way", Codec::wav, 400000, false, "Writing failed part-way through; the disk may be full." },
        { "target is a folder", Codec::wav, 500, true, nullptr },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TempFolder temp;
        const auto target = temp.file ("take" + codecExtension (c.codec));

        if (c.targetIsFolder)
        {
            ASSERT_TRUE (target.createDirectory().wasOk());
            ASSERT_TRUE (target.getChildFile ("inside.txt").replaceWithText ("kept"));
        }
        else
        {
            ASSERT_TRUE (target.replaceWithText ("old"));
        }

        juce::String error;
        bool encoded = false;
        const auto buffer = sineBuffer (2, c.frames);
        const auto settings = settingsFor (c.codec, SampleFormat::pcm24);

        if (c.targetIsFolder)
        {
            encoded = encodeFile (c.codec, buffer, target, settings, error);
        }
        else
        {
            const FileSizeCap cap (300);
            encoded = encodeFile (c.codec, buffer, target, settings, error);
        }

        EXPECT_FALSE (encoded);
        EXPECT_EQ (folderEntries (temp.folder), juce::StringArray (target.getFileName()));

        if (c.targetIsFolder)
        {
            EXPECT_EQ (error, "Could not replace '" + target.getFullPathName() + "'.");
            EXPECT_EQ (target.getChildFile ("inside.txt").loadFileAsString(), "kept");
        }
        else
        {
            EXPECT_EQ (error, c.expected);
            EXPECT_EQ (target.loadFileAsString(), "old");
        }
    }
}
#endif

} // namespace
} // namespace korvid
