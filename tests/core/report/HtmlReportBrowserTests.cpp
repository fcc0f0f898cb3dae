#include "core/report/HtmlReport.h"

#include "BrowserProbe.h"
#include "ReportDeliveries.h"
#include "core/audio/AudioTestFiles.h"
#include "core/model/DirectionControls.h"

#include <gtest/gtest.h>

using namespace korvid;
using namespace korvid::test;

namespace
{
    juce::StringArray textsOf (const juce::var& list)
    {
        juce::StringArray texts;

        if (const auto* items = list.getArray())
            for (const auto& item : *items)
                texts.add (item.toString());

        return texts;
    }

    // Everything outside this list was made by something other than the page's own markup.
    juce::String strangers (const juce::var& found, const juce::StringArray& known)
    {
        juce::StringArray unknown;

        for (const auto& text : textsOf (found))
            if (! known.contains (text.toLowerCase()))
                unknown.add (text);

        return unknown.joinIntoString (", ");
    }

    juce::String listed (const juce::var& found)
    {
        return textsOf (found).joinIntoString ("\n");
    }

    const juce::StringArray pageTags {
        "html", "head", "meta", "title", "style", "script", "body", "header", "h1", "h3", "div", "p", "b", "bdi",
        "main", "button", "section", "table", "thead", "tbody", "tr", "th", "td", "span", "ul", "li",
        "details", "summary", "pre", "footer", "svg", "defs", "lineargradient", "stop", "line", "path"
    };

    const juce::StringArray pageAttributes {
        "lang", "charset", "name", "content", "class", "role", "data-target", "data-panel", "aria-selected",
        "aria-label", "id", "viewbox", "preserveaspectratio", "x1", "y1", "x2", "y2", "offset", "stop-color",
        "d", "fill", "opacity", "stroke", "stroke-width"
    };

    const juce::StringArray pageClasses {
        "sub", "summary", "card", "n", "l", "bad", "tabs", "has-problem", "panel", "active", "headline", "good",
        "warn", "muted", "path", "table-box", "data", "grid", "note", "file", "mix", "submix", "file-head",
        "file-name", "file-meta", "wave", "wave-axis", "wave-empty"
    };

    struct Report
    {
        const char* what;
        BatchReport batch;
        juce::File page;
    };
}

// Each report as a reader meets it in a real browser, in a phone-sized and a laptop-sized
// window: it keeps its title, opens at its top on its first tab, shows every name as
// text, runs no script of a name's making, logs nothing, fetches nothing and fits.
TEST (HtmlReportInBrowser, ReportsOpenAtTheirTopShowNamesAsTextAndFitNarrowAndWideWindows)
{
    if (! chromiumExecutable().existsAsFile())
        GTEST_SKIP() << "Chromium is not installed (" << chromiumExecutable().getFullPathName()
                     << "), so the reports are not opened in a browser; scripts/setup.sh installs it.";

    TempFolder temp;
    const auto hostile = hostileNames();

    std::vector<Report> reports;
    reports.push_back ({ "ordinary names", renderDelivery (ordinaryNames(), temp.file ("ordinary")), {} });
    reports.push_back ({ "hostile names", renderDelivery (hostile, temp.file ("hostile")), {} });
    reports.push_back ({ "a failed and a cancelled cue", renderStoppedDelivery (temp.file ("stopped")), {} });

    std::vector<PageView> views;
    std::vector<juce::String> viewNames;

    for (auto& report : reports)
    {
        ASSERT_EQ (report.batch.cues.size(), 2u) << report.what;
        report.page = temp.file (juce::String (report.what).replaceCharacter (' ', '-')).getChildFile (reportFileName (report.batch));

        juce::String error;
        ASSERT_TRUE (writeHtmlReport (report.batch, report.page, error)) << error;

        for (const int width : { 400, 1280 })
        {
            views.push_back ({ report.page, width, {} });
            viewNames.push_back (juce::String (report.what) + " at " + juce::String (width) + " px");
        }
    }

    // An address naming the second tab opens that tab, still at the top.
    views.push_back ({ reports[0].page, 1280, "cue1" });
    viewNames.push_back ("ordinary names at 1280 px, opened at #cue1");

    std::vector<juce::var> facts;
    juce::String error;
    ASSERT_TRUE (measureInChromium (views, temp.file ("browser"), facts, error)) << error;

    for (size_t i = 0; i < views.size(); ++i)
    {
        SCOPED_TRACE (viewNames[i]);
        const auto& seen = facts[i];

        EXPECT_EQ (seen["title"].toString(), "Velvane render report");
        EXPECT_EQ ((double) seen["scrollY"], 0.0);
        EXPECT_EQ ((double) seen["scrollX"], 0.0);
        EXPECT_EQ ((int) seen["viewportWidth"], views[i].width);
        EXPECT_EQ (listed (seen["selected"]), views[i].fragment.isNotEmpty() ? views[i].fragment : "cue0");
        EXPECT_EQ ((int) seen["shownPanels"], 1);

        // The address names the tab shown, at load and after every click, and clicking
        // a tab leaves the page where it was.
        EXPECT_EQ (seen["address"].toString(), "#" + listed (seen["selected"]));
        EXPECT_EQ (listed (seen["clicked"]), "cue0 #cue0 0,0\ncue1 #cue1 0,0");

        EXPECT_EQ (strangers (seen["tags"], pageTags), "");
        EXPECT_EQ (strangers (seen["attributes"], pageAttributes), "");
        EXPECT_EQ (strangers (seen["classes"], pageClasses), "");
        EXPECT_EQ ((int) seen["scripts"], 2) << "the page's script and the probe";

        EXPECT_EQ (listed (seen["problems"]), "");
        EXPECT_EQ (listed (seen["requests"]), "");
        EXPECT_EQ (listed (seen["overflow"]), "");
    }

    // Every name reads back exactly as it was given, each in an isolate of its own, and
    // no delivered file's name carries a direction control.
    for (size_t i = 2; i < 4; ++i)
    {
        SCOPED_TRACE (viewNames[i]);
        const auto isolated = textsOf (facts[i]["isolated"]);

        for (const auto& name : hostile.cues)
            EXPECT_GE (isolated.indexOf (name), 0) << name;

        for (const auto& name : hostile.stems)
            EXPECT_GE (isolated.indexOf (name), 0) << name;

        EXPECT_GE (isolated.indexOf (hostile.strayTrack), 0);

        for (const auto& cue : reports[1].batch.cues)
            for (const auto& written : cue.files)
            {
                const auto fileName = written.file.getFileName();
                EXPECT_EQ (fileName, withoutDirectionControls (fileName));
                EXPECT_GE (isolated.indexOf (fileName), 0) << fileName;
            }
    }
}
