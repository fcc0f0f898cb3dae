#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

#include <vector>

namespace korvid::test
{

/** Integer samples per channel, right-justified (a 16-bit word lies in -32768..32767). */
using PcmChannels = std::vector<std::vector<int>>;

/** Writes exact integer samples with the writer of the file's extension (".wav", ".aif",
    ".flac"), bypassing the framework's float conversion. */
bool writePcmFile (const juce::File& file, const PcmChannels& samples, double sampleRate, int bitsPerSample);

/** What a written file holds, read back with the framework's reader. */
struct ReadBack
{
    bool ok = false;
    juce::String formatName;            // "WAV file", "AIFF file", "FLAC file"
    int bitsPerSample = 0;
    bool floatingPoint = false;
    double sampleRate = 0.0;
    PcmChannels integers;               // right-justified, integer files only
    std::vector<std::vector<float>> floats;   // float files only
};

ReadBack readBack (const juce::File& file);

/** Full-range noise on the word's grid, including both extremes. */
PcmChannels randomPcm (int channels, int frames, int bits, juce::int64 seed);

/** Every entry of the folder, hidden ones included. */
juce::StringArray folderEntries (const juce::File& folder);

} // namespace korvid::test
