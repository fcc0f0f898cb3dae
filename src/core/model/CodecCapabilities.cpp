#include "core/model/CodecCapabilities.h"

#include <cmath>
#include <cstdlib>

namespace korvid
{

namespace
{
    constexpr double rateTolerance = 0.5;
    constexpr const char* productName = "Velvane";

    const std::vector<SampleFormat>& wavFormats()
    {
        static const std::vector<SampleFormat> formats { SampleFormat::pcm16, SampleFormat::pcm24, SampleFormat::float32 };
        return formats;
    }

    const std::vector<SampleFormat>& integerFormats()
    {
        static const std::vector<SampleFormat> formats { SampleFormat::pcm16, SampleFormat::pcm24 };
        return formats;
    }

    const std::vector<SampleFormat>& noFormats()
    {
        static const std::vector<SampleFormat> formats;
        return formats;
    }

    const std::vector<double>& mp3Rates()
    {
        static const std::vector<double> rates { 32000.0, 44100.0, 48000.0 };
        return rates;
    }
}

const std::vector<Codec>& offeredCodecs()
{
    static const std::vector<Codec> codecs { Codec::wav, Codec::aiff, Codec::flac };
    return codecs;
}

bool isCodecAvailable (Codec codec)
{
    return codec == Codec::wav || codec == Codec::aiff || codec == Codec::flac;
}

bool isLosslessCodec (Codec codec)   { return codec != Codec::mp3; }
bool usesBitrate (Codec codec)       { return codec == Codec::mp3; }

const std::vector<SampleFormat>& supportedSampleFormats (Codec codec)
{
    switch (codec)
    {
        case Codec::wav:  return wavFormats();
        case Codec::aiff:
        case Codec::flac: return integerFormats();
        case Codec::mp3:  break;
    }

    return noFormats();
}

bool supportsSampleFormat (Codec codec, SampleFormat format)
{
    for (auto supported : supportedSampleFormats (codec))
        if (supported == format)
            return true;

    return false;
}

SampleFormat defaultSampleFormat (Codec codec)
{
    return codec == Codec::mp3 ? SampleFormat::pcm16 : SampleFormat::pcm24;
}

SampleFormat coerceSampleFormat (Codec codec, SampleFormat format)
{
    return supportsSampleFormat (codec, format) ? format : defaultSampleFormat (codec);
}

const std::vector<double>& losslessSampleRates()
{
    static const std::vector<double> rates { 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0 };
    return rates;
}

const std::vector<double>& supportedSampleRates (Codec codec)
{
    return codec == Codec::mp3 ? mp3Rates() : losslessSampleRates();
}

bool supportsSampleRate (Codec codec, double rate)
{
    for (auto listed : supportedSampleRates (codec))
        if (std::abs (listed - rate) < rateTolerance)
            return true;

    return false;
}

double nearestSupportedSampleRate (Codec codec, double rate)
{
    // A rate that is no number at all is treated like no rate.
    if (! std::isfinite (rate) || rate <= 0.0)
        return 48000.0;

    if (supportsSampleRate (codec, rate))
        return rate;

    const auto& rates = supportedSampleRates (codec);

    // A whole multiple converts by an integer ratio: prefer the largest such rate.
    double bestMultiple = 0.0;

    for (auto listed : rates)
    {
        const double ratio = rate / listed;

        if (ratio >= 1.0 - 1.0e-9 && std::abs (ratio - std::round (ratio)) < 1.0e-9 && listed > bestMultiple)
            bestMultiple = listed;
    }

    if (bestMultiple > 0.0)
        return bestMultiple;

    double nearest = rates.front();

    for (auto listed : rates)
        if (std::abs (listed - rate) < std::abs (nearest - rate))
            nearest = listed;

    return nearest;
}

const std::vector<int>& mp3Bitrates()
{
    static const std::vector<int> bitrates { 128, 160, 192, 224, 256, 320 };
    return bitrates;
}

int nearestMp3Bitrate (int kbps)
{
    const auto& bitrates = mp3Bitrates();
    int nearest = bitrates.front();

    for (auto listed : bitrates)
        if (std::abs ((long long) listed - kbps) < std::abs ((long long) nearest - kbps))
            nearest = listed;

    return nearest;
}

juce::String codecUnavailableMessage (Codec codec)
{
    if (isCodecAvailable (codec))
        return {};

    if (codec == Codec::mp3)
        return "MP3 is not an export format in this build; " + juce::String (productName)
             + " delivers lossless only. Choose WAV, AIFF or FLAC.";

    return "This codec is not available in this build.";
}

} // namespace korvid
