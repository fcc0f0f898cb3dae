#include "app/pages/report/ReportTexts.h"

#include "core/model/Types.h"
#include "core/report/ReportText.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        // One decimal, with a value that rounds to zero written without a minus sign.
        juce::String oneDecimal (double value)
        {
            return juce::String (std::round (value * 10.0) / 10.0 + 0.0, 1);
        }

        bool isDecimalDigit (juce::juce_wchar c)
        {
            return c >= '0' && c <= '9';
        }

        int sign (int value)
        {
            return value < 0 ? -1 : (value > 0 ? 1 : 0);
        }

        // Compares the digit runs that start at a and b and moves both past them. Runs are
        // compared as numbers without ever reading them into one: leading zeros go, then the
        // longer run is the larger, then the first differing digit decides.
        int compareDigitRuns (juce::String::CharPointerType& a, juce::String::CharPointerType& b)
        {
            while (*a == '0' && isDecimalDigit (a[1]))
                ++a;

            while (*b == '0' && isDecimalDigit (b[1]))
                ++b;

            auto endA = a, endB = b;
            int lengthA = 0, lengthB = 0;

            while (isDecimalDigit (*endA)) { ++endA; ++lengthA; }
            while (isDecimalDigit (*endB)) { ++endB; ++lengthB; }

            int result = sign (lengthA - lengthB);

            for (; result == 0 && a != endA; ++a, ++b)
                result = sign ((int) *a - (int) *b);

            a = endA;
            b = endB;
            return result;
        }
    }

    juce::String reportLevelText (double db)
    {
        if (db <= -399.0)
            return "-inf";

        return oneDecimal (db) + " dB";
    }

    juce::String deliverySizeText (juce::int64 bytes)
    {
        if (bytes <= 0)
            return "-";

        if (bytes >= 1048576)
            return oneDecimal ((double) bytes / 1048576.0) + " MB";

        return juce::String (bytes / 1024) + " KB";
    }

    int compareFileNamesNaturally (const juce::String& first, const juce::String& second)
    {
        auto a = first.getCharPointer();
        auto b = second.getCharPointer();

        for (;;)
        {
            if (a.isEmpty())
                return b.isEmpty() ? 0 : -1;

            if (b.isEmpty())
                return 1;

            if (isDecimalDigit (*a) && isDecimalDigit (*b))
            {
                if (const int runs = compareDigitRuns (a, b); runs != 0)
                    return runs;

                continue;
            }

            const auto ca = juce::CharacterFunctions::toLowerCase (*a);
            const auto cb = juce::CharacterFunctions::toLowerCase (*b);

            if (ca != cb)
                return ca < cb ? -1 : 1;

            ++a;
            ++b;
        }
    }

    //==============================================================================
    ReportHeadline reportHeadline (const BatchReport& report, bool hasReport)
    {
        using Tone = ReportHeadline::Tone;

        if (! hasReport)
            return { "No render yet", Tone::secondary };

        const int attention = report.countNeedingAttention();
        const int cues = (int) report.cues.size();
        const int files = report.filesWrittenCount();

        if (report.cancelled)
            return { "Run cancelled", Tone::warning };

        if (report.allCompleted && attention == 0 && cues < 2)
        {
            const auto& first = report.firstCue();
            auto text = "Rendered " + juce::String (files) + " file(s)";

            if (first.reconstruction.state == ReconstructionResult::State::passed)
                text << "  -  stems reconstruct the mix";

            return { text, first.warnings.isEmpty() ? Tone::good : Tone::warning };
        }

        if (report.allCompleted && attention == 0)
            return { juce::String (cues) + " cues delivered, " + juce::String (files) + " files", Tone::good };

        if (report.allCompleted)
            return { juce::String (attention) + " of " + juce::String (cues) + " cue(s) need attention", Tone::bad };

        return { "Run failed", Tone::bad };
    }

    juce::StringArray cueSummaryLines (const CueReport& cue)
    {
        using State = ReconstructionResult::State;

        juce::StringArray lines;
        const double seconds = cue.sampleRate > 0.0 ? (double) cue.lengthFrames / cue.sampleRate : 0.0;

        lines.add ("Length " + formatDuration (seconds));
        lines.add (formatSampleRate (cue.sampleRate) + " " + formatChannelCount (cue.channels));
        lines.add (cue.assignedStemsText() + " - " + cue.emptyStemsText());
        lines.add ({});

        // A cue that stopped before measuring shows dashes, not the zeros it started with.
        const auto level = [] (bool shown, double db) { return shown ? reportLevelText (db) : juce::String ("-"); };
        const bool levels = cue.showsLevels();

        if (cue.peakMode == PeakMode::truePeak)
            lines.add ("True peak " + level (levels, linearPeakToDb (cue.mixTruePeak)));
        else
            lines.add ("Mix peak " + level (levels, linearPeakToDb (cue.mixSamplePeak)));

        lines.add ("Global gain " + level (levels, cue.gain.gainDb)
                   + (levels && cue.gain.heldByAttenuateOnly ? "  (attenuate only)" : ""));
        lines.add ("After gain " + level (cue.showsAfterGain(), linearPeakToDb (cue.afterGainTruePeak)));

        if (cue.leadingSilenceSeconds > 0.0)
            lines.add ("Leading silence " + juce::String (cue.leadingSilenceSeconds, 2) + " s");

        if (cue.reconstruction.state == State::notRun || cue.reconstruction.state == State::skipped)
        {
            lines.add ({});
            lines.add (cue.reconstruction.state == State::notRun ? "Reconstruction not run"
                                                                  : "Reconstruction check skipped");
        }

        return lines;
    }

    juce::StringArray cueProblemLines (const CueReport& cue)
    {
        juce::StringArray lines;

        for (const auto& error : cue.errors)
            lines.add ("Error: " + error);

        for (const auto& warning : cue.warnings)
            lines.add ("Warning: " + warning);

        return lines;
    }

    juce::String cueRowDetailText (const CueReport& cue)
    {
        auto text = juce::String ((int) cue.files.size()) + " file(s)";

        if (cue.reconstruction.state == ReconstructionResult::State::failed)
            text << "   null test failed";
        else if (! cue.errors.isEmpty())
            text << "   " << cue.errors.size() << " error(s)";
        else if (! cue.warnings.isEmpty())
            text << "   " << cue.warnings.size() << " warning(s)";

        return text;
    }
}
