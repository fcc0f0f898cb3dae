#pragma once

#include "core/report/BatchReport.h"

#include <juce_core/juce_core.h>

#include <vector>

// Report records made by hand, for tests of the Report page and its table.
namespace korvid::ui::reporttest
{
    /** An overview of `seconds` with a few buckets of a constant level. */
    inline WaveformOverview constantOverview (double seconds, float level = 0.5f, int buckets = 64)
    {
        WaveformOverview overview;
        overview.minima.assign ((size_t) buckets, -level);
        overview.maxima.assign ((size_t) buckets, level);
        overview.sampleRate = 48000.0;
        overview.lengthSeconds = seconds;
        overview.numChannels = 2;
        overview.peak = level;
        return overview;
    }

    inline WrittenFile writtenFile (const juce::File& file, const juce::String& label, FileKind kind = FileKind::stem,
                                    juce::int64 bytes = 4096, double levelDb = -400.0, double seconds = 1.0)
    {
        WrittenFile written;
        written.file = file;
        written.label = label;
        written.formatDescription = "WAV 24bit 48kHz 2ch";
        written.sampleRate = 48000.0;
        written.lossless = true;
        written.kind = kind;
        written.sizeBytes = bytes;
        written.overview = constantOverview (seconds);
        written.levelDb = levelDb;
        return written;
    }

    inline StemResult stemResult (const juce::String& name, int tracks, double peakAfterDb = -6.0)
    {
        StemResult stem;
        stem.stemId = "stem-" + name;
        stem.displayName = name;
        stem.trackCount = tracks;
        stem.empty = tracks == 0;
        stem.digitalSilence = tracks == 0;
        stem.peakBeforeDb = peakAfterDb;
        stem.peakAfterDb = peakAfterDb;
        return stem;
    }

    /** A completed cue of that name whose check passed, at 48 kHz stereo, `seconds` long. */
    inline CueReport completedCue (const juce::String& name, double seconds = 4.0)
    {
        CueReport cue;
        cue.completed = true;
        cue.cueName = name;
        cue.cueId = "cue-" + name;
        cue.sampleRate = 48000.0;
        cue.channels = 2;
        cue.lengthFrames = (juce::int64) (seconds * 48000.0);
        cue.mixTruePeak = 0.5;
        cue.mixSamplePeak = 0.5;
        cue.afterGainTruePeak = 0.7;
        cue.gain.gainDb = 2.9;
        cue.reconstruction.state = ReconstructionResult::State::passed;
        return cue;
    }
}
