#pragma once

#include "core/audio/CancelTest.h"
#include "core/audio/Fft.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid
{

/** Short-time Fourier magnitudes in dB on a grid of time frames and frequency bins. */
struct SpectrogramData
{
    int numFrames = 0;
    int numBins = 0;                 // fftSize / 2
    std::vector<float> magnitudes;   // dB, frame after frame: frame f, bin b at f * numBins + b
    double sampleRate = 0.0;         // of the analysed samples, Hz
    double durationSeconds = 0.0;    // of the source
    int fftSize = 0;
    float floorDb = -90.0f;          // the lowest value, also that of silent bins

    /** The frequency of a bin's centre in Hz; 0 without an FFT size. */
    double binFrequency (int bin) const;

    /** The value at a frame and bin, or `floorDb` outside the grid. */
    float valueAt (int frame, int bin) const;
};

/** The spectrogram of mono samples: an FFT of 2^fftOrder points (order 6..14) with a Hann
    window, at most `maxFrames` frames (16..4000) spread evenly over the samples. Fewer samples
    than one FFT, a rate of 0 or less, or a cancel give the default value. */
SpectrogramData computeSpectrogram (const std::vector<float>& samples, double sampleRate, int fftOrder, int maxFrames,
                                    const CancelTest& shouldCancel = {});

/** The spectrogram of a buffer's mono mix. */
SpectrogramData spectrogramOfBuffer (const juce::AudioBuffer<double>& buffer, double sampleRate, int fftOrder,
                                     int maxFrames, const CancelTest& shouldCancel = {});

/** The spectrogram of a whole file. Long files are thinned out to about maxFrames x FFT size
    samples by keeping every k-th frame (without a low-pass filter), so `sampleRate` is the
    file's rate divided by k; `durationSeconds` is the whole file's. A file that cannot be used
    gives the default value and a sentence in `error`; data that breaks off part-way gives the
    spectrogram of what was read and no sentence; a cancel gives the default value and its own
    sentence. */
SpectrogramData readSpectrogram (const juce::File& file, juce::String& error, int fftOrder, int maxFrames,
                                 const CancelTest& shouldCancel = {});

/** Per frame, the average of the buffer's channels. */
std::vector<float> monoMixOf (const juce::AudioBuffer<double>& buffer);

} // namespace korvid
