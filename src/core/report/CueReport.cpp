#include "core/report/CueReport.h"

#include "core/report/ReportText.h"

namespace korvid
{

namespace
{
    juce::String reconstructionLine (const ReconstructionResult& check)
    {
        switch (check.state)
        {
            case ReconstructionResult::State::passed:  return "  PASSED  " + check.detail;
            case ReconstructionResult::State::failed:  return "  FAILED  " + check.detail;
            case ReconstructionResult::State::skipped: return "  skipped: " + check.detail;
            case ReconstructionResult::State::notRun:
            default:                                   return "  not run";
        }
    }
}

int StemResult::shownNumber() const
{
    if (! wasWritten())
        return 0;

    return fileNumber > 0 ? fileNumber : index;
}

juce::String StemResult::shownNumberText() const
{
    const auto number = shownNumber();
    return number > 0 ? juce::String (number).paddedLeft ('0', 2) : juce::String();
}

int CueReport::assignedStemCount() const
{
    int count = 0;

    for (const auto& stem : stems)
        if (! stem.empty)
            ++count;

    return count;
}

int CueReport::emptyStemCount() const
{
    return (int) stems.size() - assignedStemCount();
}

juce::String CueReport::assignedStemsText() const
{
    const auto count = assignedStemCount();
    return juce::String (count) + (count == 1 ? " stem assigned" : " stems assigned");
}

juce::String CueReport::emptyStemsText() const
{
    const auto count = emptyStemCount();
    return juce::String (count) + (count == 1 ? " empty stem" : " empty stems");
}

bool CueReport::needsAttention() const
{
    return ! errors.isEmpty() || cancelled || ! completed
        || reconstruction.state == ReconstructionResult::State::failed;
}

juce::String CueReport::labelText() const
{
    return cueName.isNotEmpty() ? cueName : juce::String ("Delivery");
}

juce::String CueReport::toText() const
{
    return toText (juce::Time::getCurrentTime());
}

juce::String CueReport::toText (const juce::Time& when) const
{
    juce::StringArray lines;

    lines.add (reportProductName() + " " + reportVersion() + " render report");
    lines.add (reportDateTimeText (when));

    if (cueName.isNotEmpty())
        lines.add ("Cue: " + cueName + (sourceFolder.isNotEmpty() ? "   (" + sourceFolder + ")" : juce::String()));

    if (outputFolder.getFullPathName().isNotEmpty())
        lines.add ("Output: " + outputFolder.getFullPathName());

    lines.add ({});
    lines.add ("Project");
    lines.add ("  length        " + formatReportLength (lengthFrames, sampleRate)
               + " (" + juce::String (lengthFrames) + " frames)");
    lines.add ("  sample rate   " + formatFixed (sampleRate / 1000.0, 1) + " kHz");
    lines.add ("  channels      " + juce::String (channels));

    // A cue that stopped before measuring shows "-" for what it never measured.
    const auto known = [] (bool shown, const juce::String& text) { return shown ? text : juce::String ("-"); };
    const bool levels = showsLevels();

    lines.add ({});
    lines.add ("Headroom");
    lines.add ("  mix peak      " + known (levels, formatLevelDb (linearPeakToDb (mixSamplePeak)) + " dB"));
    lines.add ("  mix true peak " + known (levels, formatLevelDb (linearPeakToDb (mixTruePeak)) + " dB"));
    lines.add ("  target        " + known (levels, formatLevelDb (gain.targetDb) + " dB"));
    lines.add ("  global gain   " + known (levels, formatLevelDb (gain.gainDb) + " dB"
                                                   + (gain.heldByAttenuateOnly ? "  (attenuate only)" : "")));
    lines.add ("  predicted     " + known (levels, formatLevelDb (gain.predictedDb) + " dB"));

    const auto afterGain = known (showsAfterGain(), formatLevelDb (linearPeakToDb (afterGainTruePeak)) + " dB true peak");

    if (levelRemeasured)
        lines.add ("  measured after  " + afterGain + "  (re-measured)");
    else
        lines.add ("  after gain     " + afterGain);

    if (clippedSamples > 0)
        lines.add ("  CLIPPING      " + juce::String (clippedSamples) + " samples at or above full scale");

    lines.add ({});
    lines.add (assignedStemsText() + ", " + emptyStemsText());

    juce::StringArray emptyStems;

    for (const auto& stem : stems)
    {
        if (stem.empty || stem.skipped)
        {
            const auto number = stem.shownNumberText();
            emptyStems.add (number.isNotEmpty() ? number + " " + stem.displayName : stem.displayName);
            continue;
        }

        // A stem without a file of this run leaves its number column blank: the number it
        // was planned to carry may be on a file of an earlier delivery in the same folder.
        lines.add ("  " + stem.shownNumberText().paddedRight (' ', 2) + "  " + stem.displayName.paddedRight (' ', 18)
                   + juce::String (stem.trackCount).paddedLeft (' ', 3) + " track(s)  "
                   + "peak " + (showsPeakAfter (stem) ? formatLevelDb (stem.peakAfterDb).paddedLeft (' ', 8) + " dB"
                                                      : juce::String ("-").paddedLeft (' ', 8))
                   + (stem.digitalSilence ? "   digital silence" : "")
                   + (stem.wasWritten() ? "" : "   not written"));

        for (const auto& error : stem.errors)
            lines.add ("        error: " + error);
    }

    if (! emptyStems.isEmpty())
    {
        lines.add ({});
        lines.add ("Please note - these stems were in the preset and had nothing assigned:");

        for (const auto& entry : emptyStems)
            lines.add ("  " + entry);
    }

    lines.add ({});
    lines.add ("Files written (" + juce::String ((int) files.size()) + ")");

    for (const auto& written : files)
        lines.add ("  " + written.file.getFileName() + "   [" + written.formatDescription + "]"
                   + (written.clippedSamples > 0 ? "   CLIPPING " + juce::String (written.clippedSamples)
                                                       + " samples at or above full scale"
                                                 : juce::String()));

    if (! unassignedTracks.isEmpty())
    {
        lines.add ({});
        lines.add ("Unassigned tracks (" + juce::String (unassignedTracks.size()) + ")");

        for (const auto& name : unassignedTracks)
            lines.add ("  " + name);
    }

    lines.add ({});
    lines.add ("Reconstruction check");
    lines.add (reconstructionLine (reconstruction));

    if (! warnings.isEmpty())
    {
        lines.add ({});
        lines.add ("Warnings");

        for (const auto& warning : warnings)
            lines.add ("  " + warning);
    }

    if (! errors.isEmpty())
    {
        lines.add ({});
        lines.add ("Errors");

        for (const auto& error : errors)
            lines.add ("  " + error);
    }

    lines.add ({});
    lines.add (cancelled ? "Render cancelled by the user."
                         : completed ? "Render completed." : "Render did not complete.");
    lines.add ("Elapsed " + formatFixed (elapsedSeconds, 1) + " s");

    return lines.joinIntoString ("\r\n");
}

} // namespace korvid
