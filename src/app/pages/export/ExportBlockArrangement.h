#pragma once

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid::ui
{
    // Where the settings blocks of the export page go: the arrangement text ("key:column"
    // lines), the saved column widths and the column layout they give. Plain functions.

    /** The seven block keys in the order the settings reader checks them. */
    const juce::StringArray& blockKeys();

    /** "naming" for the naming blocks, "delivery" for cues and rules, "audio" for formats,
        headroom and cleanup, empty for anything else. */
    juce::String blockGroup (const juce::String& key);

    /** The column number of an arrangement line: the text after its last ":" as an integer
        (non-digits read as 0). */
    int columnOfLine (const juce::String& line);

    /** The number of distinct column numbers of the lines that hold a ":". */
    int distinctColumnCount (const juce::String& layoutText);

    /** Renumbers the columns 0, 1, 2 ... in their old order and drops lines without ":". */
    juce::String closeColumnGaps (const juce::String& layoutText);

    /** The stored "exportBlockColumns" value as the body may use it: lines of a known key
        (exact case), each key once, a column of digits only; written back as key + ":" +
        its number and joined with CR LF. Anything else is dropped. */
    juce::String cleanStoredBlockLayout (const juce::String& stored);

    /** The stored "exportColumnWidths" value: 2 to 4 fractions, each within 0.02..0.98,
        adding up to 1 within 0.02. False, with nothing written, otherwise. */
    bool parseColumnWidths (const juce::String& stored, std::vector<double>& fractions);

    /** Fractions with exactly four decimals, joined with ",". */
    juce::String columnWidthsText (const std::vector<double>& fractions);

    struct ColumnLayout
    {
        int narrowColumns = 1;
        bool extraColumn = false;
        std::vector<int> widths;   // left to right
    };

    /** The columns of a body whose usable width (its width less the margins) is `width`:
        one to two narrow columns, the main one, and at wide bodies one more; fewer when the
        arrangement uses fewer columns, never fewer than two. Saved fractions replace the
        widths when they are as many as the columns and leave the last at least 440 wide. */
    ColumnLayout computeColumns (int width, const juce::String& layoutText, const std::vector<double>& fractions);
}
