#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

namespace korvid::test
{

/** A fresh folder below the temporary folder, deleted with everything in it. */
struct TempFolder
{
    TempFolder();
    ~TempFolder();
    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    juce::File folder;
};

/** Writes samples with the JUCE writer of the file's extension (".wav", ".aif", ".flac").
    32 bits means float WAV. */
bool writeAudioFile (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                     int bitsPerSample);

/** A WAV file holding only a header that claims `frames` frames of PCM data; RF64 when the
    data would not fit a 32-bit size. No sample data follows. */
void writeHeaderOnlyWav (const juce::File& file, int channels, juce::uint32 sampleRate, int bitsPerSample,
                         juce::uint64 frames);

/** A sparse file of exactly `bytes` bytes. */
void makeSparseFile (const juce::File& file, juce::int64 bytes);

/** Cuts a file down to `bytes` bytes. */
void truncateFile (const juce::File& file, juce::int64 bytes);

/** `frames` frames of a sine (per-channel phase offset so channels differ). */
juce::AudioBuffer<float> makeSine (int channels, int frames, double frequency, double sampleRate,
                                   float amplitude = 0.5f);

} // namespace korvid::test
