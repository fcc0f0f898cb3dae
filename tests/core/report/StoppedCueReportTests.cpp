#include "core/report/HtmlReport.h"

#include "ReportDeliveries.h"
#include "core/audio/AudioTestFiles.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    juce::String sectionOf (const juce::String& page, int cue)
    {
        return page.fromFirstOccurrenceOf ("data-panel=\"cue" + juce::String (cue) + "\"", false, false)
                   .upToFirstOccurrenceOf ("</section>", false, false);
    }

    // The cells of every row of a section's stem table, markup kept.
    std::vector<juce::StringArray> stemRows (const juce::String& section)
    {
        const auto body = section.fromFirstOccurrenceOf ("<table class=\"grid\">", false, false)
                                 .fromFirstOccurrenceOf ("<tbody>\n", false, false)
                                 .upToFirstOccurrenceOf ("</tbody>", false, false);
        std::vector<juce::StringArray> rows;

        for (auto row : juce::StringArray::fromTokens (body, "\n", {}))
        {
            if (row.isEmpty())
                continue;

            juce::StringArray cells;

            while (row.contains ("<td>"))
            {
                row = row.fromFirstOccurrenceOf ("<td>", false, false);
                cells.add (row.upToFirstOccurrenceOf ("</td>", false, false));
            }

            rows.push_back (cells);
        }

        return rows;
    }

    bool stemFileOnDisk (const CueReport& cue, const juce::String& stemName)
    {
        for (const auto& written : cue.files)
            if (written.kind == FileKind::stem && written.label == stemName && written.file.existsAsFile())
                return true;

        return false;
    }
}

// A delivery that fails in its first cue and is cancelled in its second, rendered for
// real: the report names only files that are on disk, leaves what was never measured
// blank and counts the stems the cues were asked for.
TEST (StoppedCueReport, NamesOnlyFilesOnDiskAndLeavesUnmeasuredFiguresBlank)
{
    TempFolder temp;
    const auto report = renderStoppedDelivery (temp.folder);
    ASSERT_EQ (report.cues.size(), 2u);
    ASSERT_TRUE (report.cancelled);

    const auto page = buildHtmlReport (report);

    struct Expected
    {
        const char* headline;
        const char* filesHeading;
        bool levelsShown;
        juce::StringArray states;
        bool peakBeforeShown[3];
        bool peakAfterShown[3];
    };

    const Expected expected[] {
        { "<bdi>Failed cue</bdi> &mdash; failed", "<h3>Files written (0)</h3>", false,
          { "not written", "not written", "not written: <bdi>take3.wav: " },
          { true, true, false }, { false, false, false } },
        { "<bdi>Cancelled cue</bdi> &mdash; cancelled", "<h3>Files written (1)</h3>", true,
          { "written", "not written", "not written" },
          { true, true, true }, { true, true, true } },
    };

    for (int c = 0; c < 2; ++c)
    {
        const auto& cue = report.cues[(size_t) c];
        const auto& want = expected[c];
        const auto section = sectionOf (page, c);
        SCOPED_TRACE (cue.cueName);

        EXPECT_TRUE (section.contains (want.headline));
        EXPECT_TRUE (section.contains ("<h3>3 stems assigned &mdash; 1 empty stem</h3>"));
        EXPECT_TRUE (section.contains (want.filesHeading));
        EXPECT_EQ (section.contains ("<tr><th>Mix peak</th><td></td></tr>"), ! want.levelsShown);

        const auto rows = stemRows (section);
        ASSERT_EQ (rows.size(), 3u);

        for (size_t i = 0; i < 3; ++i)
        {
            const auto& cells = rows[i];
            ASSERT_EQ (cells.size(), 6);
            const auto name = cells[1].fromFirstOccurrenceOf ("<bdi>", false, false).upToFirstOccurrenceOf ("</bdi>", false, false);

            EXPECT_TRUE (cells[5].startsWith (want.states[(int) i])) << name << ": " << cells[5];
            EXPECT_EQ (cells[3].isNotEmpty(), want.peakBeforeShown[i]) << name;
            EXPECT_EQ (cells[4].isNotEmpty(), want.peakAfterShown[i]) << name;

            if (cells[5] == "written")
                EXPECT_TRUE (stemFileOnDisk (cue, name)) << name;
            else
                EXPECT_FALSE (stemFileOnDisk (cue, name)) << name;

            // Only a file on disk gives a stem its number.
            EXPECT_EQ (cells[0].isEmpty(), cells[5] != "written") << name << ": " << cells[0];
        }
    }
}
