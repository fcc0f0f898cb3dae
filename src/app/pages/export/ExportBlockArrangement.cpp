#include "app/pages/export/ExportBlockArrangement.h"

#include <cmath>
#include <set>

namespace korvid::ui
{
    namespace
    {
        constexpr int columnGap = 12;
        constexpr int minimumColumn = 440;
        constexpr int widestNarrow = 470;
        constexpr int wideBlock = 620;

        juce::StringArray linesOf (const juce::String& text)
        {
            return juce::StringArray::fromLines (text);
        }

        bool isDigitsOnly (const juce::String& text)
        {
            return text.isNotEmpty() && text.containsOnly ("0123456789");
        }
    }

    const juce::StringArray& blockKeys()
    {
        static const juce::StringArray keys { "cues", "cleanup", "rules", "formats", "headroom", "naming", "namingRules" };
        return keys;
    }

    juce::String blockGroup (const juce::String& key)
    {
        if (key == "naming" || key == "namingRules")
            return "naming";

        if (key == "cues" || key == "rules")
            return "delivery";

        if (key == "formats" || key == "headroom" || key == "cleanup")
            return "audio";

        return {};
    }

    int columnOfLine (const juce::String& line)
    {
        return line.fromLastOccurrenceOf (":", false, false).getIntValue();
    }

    int distinctColumnCount (const juce::String& layoutText)
    {
        std::set<int> columns;

        for (const auto& line : linesOf (layoutText))
            if (line.containsChar (':'))
                columns.insert (columnOfLine (line));

        return (int) columns.size();
    }

    juce::String closeColumnGaps (const juce::String& layoutText)
    {
        std::set<int> columns;
        const auto lines = linesOf (layoutText);

        for (const auto& line : lines)
            if (line.containsChar (':'))
                columns.insert (columnOfLine (line));

        juce::StringArray rewritten;

        for (const auto& line : lines)
        {
            if (! line.containsChar (':'))
                continue;

            const auto position = (int) std::distance (columns.begin(), columns.find (columnOfLine (line)));
            rewritten.add (line.upToFirstOccurrenceOf (":", false, false).trim() + ":" + juce::String (position));
        }

        return rewritten.joinIntoString ("\n");
    }

    juce::String cleanStoredBlockLayout (const juce::String& stored)
    {
        juce::StringArray accepted, seen;

        for (const auto& line : linesOf (stored))
        {
            const bool hasColon = line.containsChar (':');
            const auto key = hasColon ? line.upToFirstOccurrenceOf (":", false, false).trim() : line.trim();
            const auto number = hasColon ? line.fromLastOccurrenceOf (":", false, false).trim() : line.trim();

            if (! blockKeys().contains (key) || seen.contains (key) || ! isDigitsOnly (number))
                continue;

            seen.add (key);
            accepted.add (key + ":" + juce::String (number.getLargeIntValue()));
        }

        return accepted.joinIntoString ("\r\n");
    }

    bool parseColumnWidths (const juce::String& stored, std::vector<double>& fractions)
    {
        juce::StringArray pieces;
        pieces.addTokens (stored, ",", {});

        std::vector<double> values;
        double sum = 0.0;

        for (const auto& piece : pieces)
        {
            const double value = piece.trim().getDoubleValue();

            if (! std::isfinite (value) || value < 0.02 || value > 0.98)
                return false;

            values.push_back (value);
            sum += value;
        }

        if (values.size() < 2 || values.size() > 4 || std::abs (sum - 1.0) > 0.02)
            return false;

        fractions = std::move (values);
        return true;
    }

    juce::String columnWidthsText (const std::vector<double>& fractions)
    {
        juce::StringArray texts;

        for (const double fraction : fractions)
            texts.add (juce::String (fraction, 4));

        return texts.joinIntoString (",");
    }

    ColumnLayout computeColumns (int width, const juce::String& layoutText, const std::vector<double>& fractions)
    {
        ColumnLayout layout;
        int narrowCount = width < 1524 ? 1 : 2;
        const int threshold = 1096 + minimumColumn * narrowCount;
        bool extra = width >= threshold;

        // A saved arrangement that uses fewer columns keeps the body to that many.
        if (const int used = distinctColumnCount (layoutText); used >= 1)
        {
            while (narrowCount > 1 && narrowCount + 1 + (extra ? 1 : 0) > used)
                --narrowCount;

            if (narrowCount + 1 + (extra ? 1 : 0) > used)
                extra = false;
        }

        const int count = juce::jlimit (2, 4, narrowCount + 1 + (extra ? 1 : 0));
        const int gaps = columnGap * (count - 1);
        const int extraCount = extra ? 1 : 0;

        const int narrow = juce::jlimit (minimumColumn, widestNarrow,
                                         (width - columnGap * (narrowCount + extraCount) - minimumColumn * extraCount - wideBlock)
                                             / (narrowCount + 1));
        int rest = width - narrowCount * (narrow + columnGap);
        int extraWidth = 0;

        if (extra)
        {
            extraWidth = juce::jmax (minimumColumn, (2 * rest) / 5);
            rest -= extraWidth + columnGap;
        }

        std::vector<int> widths (narrowCount, narrow);
        widths.push_back (rest);

        if (extra)
            widths.push_back (extraWidth);

        if ((int) fractions.size() == count)
        {
            double sum = 0.0;

            for (const double fraction : fractions)
                sum += fraction;

            if (sum > 0.0)
            {
                std::vector<int> saved;
                int others = 0;

                for (int i = 0; i < count - 1; ++i)
                {
                    saved.push_back (juce::jmax (minimumColumn, (int) ((width - gaps) * fractions[(size_t) i] / sum)));
                    others += saved.back();
                }

                saved.push_back (width - gaps - others);

                if (saved.back() >= minimumColumn)
                    widths = std::move (saved);
            }
        }

        layout.narrowColumns = narrowCount;
        layout.extraColumn = extra;
        layout.widths = std::move (widths);
        return layout;
    }
}
