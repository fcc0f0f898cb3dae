#include "ReportFixtures.h"

#include <regex>

namespace korvid::test
{

WrittenFile writtenFile (const juce::String& path, FileKind kind, const juce::String& format, juce::int64 sizeBytes)
{
    WrittenFile written;
    written.file = juce::File (path);
    written.label = written.file.getFileNameWithoutExtension();
    written.formatDescription = format;
    written.sampleRate = 48000.0;
    written.lossless = true;
    written.kind = kind;
    written.sizeBytes = sizeBytes;
    return written;
}

StemResult stemResult (int index, const juce::String& name, int tracks, double peakAfterDb)
{
    StemResult stem;
    stem.stemId = "stem-" + juce::String (index);
    stem.displayName = name;
    stem.index = index;
    stem.trackCount = tracks;
    stem.empty = tracks == 0;
    stem.digitalSilence = tracks == 0;
    stem.filesWritten = tracks > 0 ? 1 : 0;
    stem.peakBeforeDb = peakAfterDb <= -399.0 ? -400.0 : peakAfterDb - 2.5;
    stem.peakAfterDb = peakAfterDb;
    return stem;
}

CueReport mainTitleCue()
{
    CueReport cue;
    cue.completed = true;
    cue.cueName = "Main Title";
    cue.cueId = "a1b2c3";
    cue.sourceFolder = "Act 1/Main Title";
    cue.outputFolder = juce::File ("/deliveries/Main Title");
    cue.mixSamplePeak = 0.5;                  // -6.02 dB
    cue.mixTruePeak = 1.0;                    // 0.00 dB
    cue.gain.measuredDb = -5.5;
    cue.gain.targetDb = -3.0;
    cue.gain.gainDb = 2.5;
    cue.gain.predictedDb = -3.0;
    cue.afterGainTruePeak = 0.70794578438413791;   // -3.00 dB
    cue.levelRemeasured = true;
    cue.clippedSamples = 12;
    cue.channels = 2;
    cue.lengthFrames = 8880000;               // 185 s at 48 kHz
    cue.sampleRate = 48000.0;

    cue.stems.push_back (stemResult (1, "Strings", 3, -4.5));

    auto brass = stemResult (2, "Brass", 0, -400.0);
    brass.skipped = true;
    cue.stems.push_back (brass);

    auto percussion = stemResult (3, "A Very Long Percussion Name", 2, -400.0);
    percussion.digitalSilence = true;
    percussion.errors.add ("'perc 2.wav' could not be read.");
    cue.stems.push_back (percussion);

    cue.stems.push_back (stemResult (12, "Choir", 0, -400.0));

    const juce::String wav24 ("WAV 24bit 48kHz 2ch");
    cue.files.push_back (writtenFile ("/deliveries/Main Title/STEMS/Main Title_01_Strings.wav", FileKind::stem, wav24, 5000));
    cue.files.back().clippedSamples = 345;   // a stem can clip where the mix does not
    cue.files.push_back (writtenFile ("/deliveries/Main Title/Main Title_Full Mix.wav", FileKind::fullMix, wav24, 6000));
    cue.files.push_back (writtenFile ("/deliveries/Main Title/Main Title_Alt No Brass.wav", FileKind::alternativeMix, wav24, 7000));

    cue.unassignedTracks.add ("click.wav");
    cue.warnings.add ("'room.wav' is mono and was spread to both channels.");
    cue.reconstruction.state = ReconstructionResult::State::passed;
    cue.reconstruction.detail = "The stems add up to the full mix.";
    cue.elapsedSeconds = 12.34;
    return cue;
}

CueReport cancelledCue()
{
    CueReport cue;
    cue.cancelled = true;
    cue.levelsMeasured = true;    // stopped while writing, after the mix was measured
    cue.afterGainKnown = true;
    cue.gain.heldByAttenuateOnly = true;
    cue.outputFolder = juce::File ("/deliveries/Loose");
    cue.files.push_back (writtenFile ("/deliveries/Loose/x.aif", FileKind::stem, "AIFF 16bit 44.1kHz 2ch"));
    cue.errors.add ("The render was stopped before this cue was finished.");
    cue.elapsedSeconds = 0.04;
    return cue;
}

BatchReport twoCueBatch()
{
    BatchReport batch;
    batch.cues.push_back (mainTitleCue());
    batch.cues.push_back (cancelledCue());
    batch.cancelled = true;
    batch.elapsedSeconds = 20.06;
    batch.outputRoot = juce::File ("/deliveries");
    batch.sharedGainApplied = true;
    batch.sharedGain.gainDb = -1.5;
    batch.runErrors.add ("The output folder filled up.");
    return batch;
}

juce::StringArray mainTitleReportLines()
{
    return {
        "Velvane 0.95.0 render report",
        "<date>",
        "Cue: Main Title   (Act 1/Main Title)",
        "Output: /deliveries/Main Title",
        "",
        "Project",
        "  length        3:05 (8880000 frames)",
        "  sample rate   48.0 kHz",
        "  channels      2",
        "",
        "Headroom",
        "  mix peak      -6.02 dB",
        "  mix true peak 0.00 dB",
        "  target        -3.00 dB",
        "  global gain   2.50 dB",
        "  predicted     -3.00 dB",
        "  measured after  -3.00 dB true peak  (re-measured)",
        "  CLIPPING      12 samples at or above full scale",
        "",
        "2 stems assigned, 2 empty stems",
        "  01  Strings             3 track(s)  peak    -4.50 dB",
        "  03  A Very Long Percussion Name  2 track(s)  peak     -inf dB   digital silence",
        "        error: 'perc 2.wav' could not be read.",
        "",
        "Please note - these stems were in the preset and had nothing assigned:",
        "  Brass",
        "  Choir",
        "",
        "Files written (3)",
        "  Main Title_01_Strings.wav   [WAV 24bit 48kHz 2ch]   CLIPPING 345 samples at or above full scale",
        "  Main Title_Full Mix.wav   [WAV 24bit 48kHz 2ch]",
        "  Main Title_Alt No Brass.wav   [WAV 24bit 48kHz 2ch]",
        "",
        "Unassigned tracks (1)",
        "  click.wav",
        "",
        "Reconstruction check",
        "  PASSED  The stems add up to the full mix.",
        "",
        "Warnings",
        "  'room.wav' is mono and was spread to both channels.",
        "",
        "Render completed.",
        "Elapsed 12.3 s",
    };
}

juce::StringArray cancelledReportLines()
{
    return {
        "Velvane 0.95.0 render report",
        "<date>",
        "Output: /deliveries/Loose",
        "",
        "Project",
        "  length        0:00 (0 frames)",
        "  sample rate   0.0 kHz",
        "  channels      0",
        "",
        "Headroom",
        "  mix peak      -inf dB",
        "  mix true peak -inf dB",
        "  target        -3.00 dB",
        "  global gain   0.00 dB  (attenuate only)",
        "  predicted     -inf dB",
        "  after gain     -inf dB true peak",
        "",
        "0 stems assigned, 0 empty stems",
        "",
        "Files written (1)",
        "  x.aif   [AIFF 16bit 44.1kHz 2ch]",
        "",
        "Reconstruction check",
        "  not run",
        "",
        "Errors",
        "  The render was stopped before this cue was finished.",
        "",
        "Render cancelled by the user.",
        "Elapsed 0.0 s",
    };
}

juce::StringArray linesWithoutDates (const juce::String& text, const juce::String& separator)
{
    static const std::regex dateLine (R"(\d{1,2} [A-Z][a-z]{2} \d{4} \d{1,2}:\d{2}:\d{2}[ap]m)");

    juce::StringArray lines;

    for (int start = 0;;)
    {
        const auto end = text.indexOf (start, separator);

        if (end < 0)
        {
            lines.add (text.substring (start));
            break;
        }

        lines.add (text.substring (start, end));
        start = end + separator.length();
    }

    for (auto& line : lines)
        if (std::regex_match (line.toStdString(), dateLine))
            line = "<date>";

    return lines;
}

} // namespace korvid::test
