#pragma once

#include "core/model/Types.h"

#include <vector>

namespace korvid
{

// What each codec can store. The tables are constant; every query is pure and
// may run on any thread.

// The codecs offered for export, in the order shown: wav, aiff, flac.
const std::vector<Codec>& offeredCodecs();

// True for wav, aiff and flac: MP3 is known to the model but never encoded.
bool isCodecAvailable (Codec codec);
// True for every codec but mp3.
bool isLosslessCodec (Codec codec);
// True for mp3 only: it takes a bit rate instead of a word length.
bool usesBitrate (Codec codec);

// The word lengths the codec stores; empty for mp3 and unknown values.
const std::vector<SampleFormat>& supportedSampleFormats (Codec codec);
bool supportsSampleFormat (Codec codec, SampleFormat format);
// pcm16 for mp3, pcm24 for every other codec.
SampleFormat defaultSampleFormat (Codec codec);
// The format when the codec stores it, else the codec's default.
SampleFormat coerceSampleFormat (Codec codec, SampleFormat format);

// 44100, 48000, 88200, 96000, 176400 and 192000 Hz, in this order.
const std::vector<double>& losslessSampleRates();
// The mp3 rates for mp3, the lossless rates for every other value.
const std::vector<double>& supportedSampleRates (Codec codec);
// A listed rate lies within 0.5 Hz.
bool supportsSampleRate (Codec codec, double rate);
// 48000 for no rate; the rate itself when listed; else the largest listed rate
// it is a whole multiple of; else the nearest listed rate (the first on a tie).
double nearestSupportedSampleRate (Codec codec, double rate);

// 128, 160, 192, 224, 256 and 320 kbit/s.
const std::vector<int>& mp3Bitrates();
// The nearest listed bit rate, the lower one on a tie.
int nearestMp3Bitrate (int kbps);

// Empty for the codecs that can be written, else the sentence explaining why not.
juce::String codecUnavailableMessage (Codec codec);

} // namespace korvid
