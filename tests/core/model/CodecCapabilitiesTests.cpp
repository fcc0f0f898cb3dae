#include "core/model/CodecCapabilities.h"

#include <gtest/gtest.h>

using namespace korvid;

TEST (CodecCapabilities, TablesPerCodec)
{
    using SF = SampleFormat;

    struct Row
    {
        Codec codec;
        bool available, lossless, bitrate;
        std::vector<SampleFormat> formats;
        SampleFormat defaultFormat;
        std::vector<double> rates;
    };

    const std::vector<double> lossless { 44100, 48000, 88200, 96000, 176400, 192000 };

    const Row rows[] {
        { Codec::wav,  true,  true,  false, { SF::pcm16, SF::pcm24, SF::float32 }, SF::pcm24, lossless },
        { Codec::aiff, true,  true,  false, { SF::pcm16, SF::pcm24 },              SF::pcm24, lossless },
        { Codec::flac, true,  true,  false, { SF::pcm16, SF::pcm24 },              SF::pcm24, lossless },
        { Codec::mp3,  false, false, true,  {},                                    SF::pcm16, { 32000, 44100, 48000 } },
        { (Codec) 9,   false, true,  false, {},                                    SF::pcm24, lossless },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE ((int) row.codec);
        EXPECT_EQ (isCodecAvailable (row.codec), row.available);
        EXPECT_EQ (isLosslessCodec (row.codec), row.lossless);
        EXPECT_EQ (usesBitrate (row.codec), row.bitrate);
        EXPECT_EQ (supportedSampleFormats (row.codec), row.formats);
        EXPECT_EQ (defaultSampleFormat (row.codec), row.defaultFormat);
        EXPECT_EQ (supportedSampleRates (row.codec), row.rates);

        for (auto format : { SF::pcm16, SF::pcm24, SF::float32 })
        {
            const bool listed = std::find (row.formats.begin(), row.formats.end(), format) != row.formats.end();
            EXPECT_EQ (supportsSampleFormat (row.codec, format), listed);
            EXPECT_EQ (coerceSampleFormat (row.codec, format), listed ? format : row.defaultFormat);
        }
    }

    EXPECT_EQ (losslessSampleRates(), lossless);
    EXPECT_EQ (offeredCodecs(), (std::vector<Codec> { Codec::wav, Codec::aiff, Codec::flac }));
}

TEST (CodecCapabilities, SampleRateSupportAndNearest)
{
    EXPECT_TRUE (supportsSampleRate (Codec::flac, 44100.4));
    EXPECT_FALSE (supportsSampleRate (Codec::flac, 44100.5));
    EXPECT_TRUE (supportsSampleRate (Codec::mp3, 32000));
    EXPECT_FALSE (supportsSampleRate (Codec::wav, 32000));

    const struct { Codec codec; double rate, expected; } cases[] {
        { Codec::wav,  0,        48000 },    // no rate
        { Codec::wav,  -5,       48000 },
        { Codec::wav,  44100.3,  44100.3 },  // listed: the rate itself
        { Codec::wav,  352800,   176400 },   // largest whole divisor
        { Codec::wav,  384000,   192000 },
        { Codec::mp3,  96000,    48000 },
        { Codec::wav,  22050,    44100 },    // nearest
        { Codec::wav,  46050,    44100 },    // tie goes to the first listed
        { Codec::flac, 1000000,  192000 },
        { Codec::aiff, 32000,    44100 },
    };

    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ (nearestSupportedSampleRate (c.codec, c.rate), c.expected) << c.rate;
}

TEST (CodecCapabilities, Mp3BitratesAndMessages)
{
    const std::pair<int, int> cases[] { { 144, 128 }, { 145, 160 }, { 0, 128 }, { 320, 320 }, { 999, 320 }, { 240, 224 }, { -50, 128 } };

    for (const auto& [requested, expected] : cases)
        EXPECT_EQ (nearestMp3Bitrate (requested), expected) << requested;

    EXPECT_TRUE (codecUnavailableMessage (Codec::wav).isEmpty());
    EXPECT_TRUE (codecUnavailableMessage (Codec::flac).isEmpty());
    EXPECT_EQ (codecUnavailableMessage (Codec::mp3),
               "MP3 is not an export format in this build; Velvane delivers lossless only. Choose WAV, AIFF or FLAC.");
    EXPECT_EQ (codecUnavailableMessage ((Codec) 7), "This codec is not available in this build.");
}
