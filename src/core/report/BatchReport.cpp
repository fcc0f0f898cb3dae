#include "core/report/BatchReport.h"

#include "core/report/ReportText.h"

#include <algorithm>

namespace korvid
{

int BatchReport::filesWrittenCount() const
{
    int count = 0;

    for (const auto& cue : cues)
        count += (int) cue.files.size();

    return count;
}

int BatchReport::countNeedingAttention() const
{
    int count = 0;

    for (const auto& cue : cues)
        if (cue.needsAttention())
            ++count;

    return count;
}

const CueReport& BatchReport::firstCue() const
{
    static const CueReport emptyCue;
    return cues.empty() ? emptyCue : cues.front();
}

juce::String BatchReport::deliveryListText() const
{
    juce::StringArray lines;
    int fileCount = 0;
    int cueCount = 0;

    for (const auto& cue : cues)
    {
        if (cue.files.empty())
            continue;

        if (! lines.isEmpty())
            lines.add ({});

        lines.add (cue.labelText());

        // Each cue lines up its own columns.
        int nameWidth = 0;

        for (const auto& written : cue.files)
            nameWidth = std::max (nameWidth, written.file.getFileName().length());

        for (const auto& written : cue.files)
            lines.add ("  " + written.file.getFileName().paddedRight (' ', nameWidth + 3)
                       + fileKindText (written.kind).paddedRight (' ', 18)
                       + written.formatDescription);

        fileCount += (int) cue.files.size();
        ++cueCount;
    }

    if (lines.isEmpty())
        return {};

    lines.insert (0, juce::String (fileCount) + (fileCount == 1 ? " file in " : " files in ")
                     + juce::String (cueCount) + (cueCount == 1 ? " cue" : " cues"));
    lines.insert (1, {});

    return lines.joinIntoString ("\n");
}

juce::String BatchReport::toText() const
{
    return toText (juce::Time::getCurrentTime());
}

juce::String BatchReport::toText (const juce::Time& when) const
{
    if (cues.size() == 1)
        return cues.front().toText (when);

    juce::StringArray lines;

    lines.add (reportProductName() + " " + reportVersion() + " batch report");
    lines.add (reportDateTimeText (when));

    if (outputRoot.getFullPathName().isNotEmpty())
        lines.add ("Output root: " + outputRoot.getFullPathName());

    lines.add ({});
    lines.add ("Summary");

    juce::StringArray needingAttention;

    for (const auto& cue : cues)
        if (cue.needsAttention())
            needingAttention.add (cue.labelText());

    const auto rendered = (int) cues.size() - needingAttention.size();
    lines.add ("  cues rendered   " + juce::String (rendered) + " of " + juce::String ((int) cues.size()));
    lines.add ("  files written   " + juce::String (filesWrittenCount()));

    if (sharedGainApplied)
        lines.add ("  shared gain     " + formatFixed (sharedGain.gainDb, 2) + " dB applied to every cue in this run");

    if (! needingAttention.isEmpty())
        lines.add ("  NEEDS ATTENTION " + needingAttention.joinIntoString (", "));

    lines.add ("  elapsed         " + formatFixed (elapsedSeconds, 1) + " s");

    for (const auto& cue : cues)
    {
        lines.add ({});
        lines.add (juce::String::repeatedString ("=", 63));
        lines.add (cue.toText (when));
    }

    if (! runErrors.isEmpty())
    {
        lines.add ({});
        lines.add ("Run errors");

        for (const auto& error : runErrors)
            lines.add ("  " + error);
    }

    return lines.joinIntoString ("\r\n");
}

} // namespace korvid
