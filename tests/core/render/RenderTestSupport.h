#pragma once

#include "core/render/RenderJob.h"
#include "core/render/RenderPlanning.h"
#include "core/session/Track.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

namespace korvid::rendertest
{

/** Noise-like audio (uniform, per-channel different) scaled to the amplitude. */
juce::AudioBuffer<float> makeNoise (int channels, int frames, float amplitude, int seed);

/** A low sine whose sample peak and true peak both sit at the amplitude. */
juce::AudioBuffer<float> makeLowSine (int channels, int frames, float amplitude);

/** Writes the buffer as a WAV (32 bits: float) at the rate, making the folders on the way. */
void writeWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate = 48000.0,
               int bits = 32);

/** A usable track of the file (probed), assigned to the stem. */
Track makeTrack (const juce::File& file, const juce::String& stemId);

/** A preset without alternative mixes whose stems have the ids "stem-" + name. Default
    delivery settings of the built-in presets: WAV 24-bit shaped dither, true peak at -3 dB. */
Preset makeRenderPreset (const juce::StringArray& stemNames);

/** Plans one request with the real planner; fails the test when it is not usable. */
RenderRequest planRequest (const Preset& preset, const std::vector<Track>& tracks, const juce::File& outputFolder,
                           const juce::String& cueName = "Cue", bool analysisOnly = false);

/** Every file below the folder, hidden ones included, as paths relative to it with "/",
    sorted. */
juce::StringArray listFiles (const juce::File& folder);

/** Reads a whole file into doubles; an empty buffer when it cannot be read. */
juce::AudioBuffer<double> readBack (const juce::File& file);

/** One progress report. */
struct ProgressEntry
{
    double fraction = 0.0;
    juce::String text;
    RenderJob::Phase phase = RenderJob::Phase::starting;
};

/** Collects progress reports from any thread. */
struct ProgressLog
{
    RenderJob::ProgressCallback callback();
    std::vector<ProgressEntry> entries() const;
    juce::StringArray texts() const;

    juce::CriticalSection lock;
    std::vector<ProgressEntry> recorded;
};

} // namespace korvid::rendertest
