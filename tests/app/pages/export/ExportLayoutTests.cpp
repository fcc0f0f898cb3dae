#include "app/pages/export/ExportBlockArrangement.h"
#include "app/pages/export/ExportBlockMoves.h"
#include "app/pages/export/ExportPageTestSupport.h"
#include "ui/UiTestSupport.h"

#include <cmath>
#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    using Content = ExportPage::Content;

    /** The body alone at a width (usable width = width - 24), laid out as the page does,
        in the application's look (its fonts decide how tall a chooser must be). */
    struct Body
    {
        explicit Body (int width, const juce::String& layout = {}, std::vector<double> fractions = {})
        {
            content.setBlockLayoutText (layout);
            content.setColumnFractions (std::move (fractions));
            content.setSize (width, ExportPage::unboundedContentHeight);
            content.setSize (width, content.getRequiredHeight());
        }

        /** The blocks of each column, top to bottom. */
        std::vector<juce::StringArray> columns() const
        {
            std::vector<juce::StringArray> result (content.getColumnWidths().size());

            for (const auto& placement : content.getPlacements())
                result[(size_t) placement.column].add (placement.key);

            return result;
        }

        testsupport::ScopedAppLookAndFeel look;
        Content content;
    };

    //==============================================================================
    TEST (ExportLayout, ColumnCountsAndWidthsFollowTheBodyWidth)
    {
        struct Case
        {
            int usable;
            std::vector<int> widths;
        };

        const Case cases[] = {
            { 856, { 440, 404 } },
            { 1320, { 440, 868 } },
            { 1576, { 440, 440, 672 } },
            { 2000, { 440, 440, 644, 440 } },
            { 2600, { 470, 470, 970, 654 } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.usable);
            EXPECT_EQ (computeColumns (c.usable, {}, {}).widths, c.widths);

            Body body (c.usable + 24);
            EXPECT_EQ (body.content.getColumnWidths(), c.widths);
            EXPECT_EQ ((int) body.content.getPlacements().size(), 7);
        }

        // The narrowest body puts every block into its first column.
        EXPECT_EQ (Body (880).columns()[0].size(), 7);

        // A wide block that fits no column goes where it is cut least: the widest one.
        Body nearlyWide (1092);
        EXPECT_EQ (nearlyWide.content.getColumnWidths(), (std::vector<int> { 440, 616 }));
        EXPECT_TRUE (nearlyWide.columns()[1].contains ("naming"));
        EXPECT_TRUE (nearlyWide.columns()[1].contains ("formats"));
    }

    TEST (ExportLayout, BlocksFollowTheirGroupsIntoColumns)
    {
        Body body (1344);
        const auto columns = body.columns();
        ASSERT_EQ (columns.size(), 2u);
        EXPECT_EQ (columns[0], juce::StringArray ({ "namingRules", "cues", "rules" }));
        EXPECT_EQ (columns[1], juce::StringArray ({ "naming", "formats", "cleanup", "headroom" }));

        // Handles lie over the top of every block; a splitter over the gap.
        for (const auto& placement : body.content.getPlacements())
        {
            auto* handle = body.content.handleFor (placement.key);
            ASSERT_NE (handle, nullptr);
            EXPECT_TRUE (handle->isVisible());
            EXPECT_EQ (handle->getBounds(), placement.bounds.withHeight (44));
        }

        const auto& rects = body.content.getColumnRects();
        ASSERT_NE (body.content.splitter (0), nullptr);
        EXPECT_EQ (body.content.splitter (0)->getBounds(),
                   juce::Rectangle<int> (rects[0].getRight(), rects[0].getY(), 12, rects[0].getHeight()));

        // The headroom block: six rows and a toggle, 302 high.
        for (const auto& placement : body.content.getPlacements())
            if (placement.key == "headroom")
            {
                EXPECT_EQ (placement.bounds.getHeight(), 302);
            }
    }

    TEST (ExportLayout, ASavedArrangementLimitsAndPlacesTheColumns)
    {
        // Two numbers used: two columns even on a wide body.
        {
            Body body (2024, "cues:0\nrules:1");
            EXPECT_EQ (body.content.getColumnWidths().size(), 2u);
        }

        // Three numbers: three columns from 1536 on.
        {
            Body body (1600, "cues:0\nrules:1\nheadroom:2");
            EXPECT_EQ (body.content.getColumnWidths().size(), 3u);
            const auto columns = body.columns();
            EXPECT_EQ (columns[0][0], "cues");
            EXPECT_EQ (columns[1][0], "rules");
            EXPECT_EQ (columns[2][0], "headroom");
        }

        // Gaps in the numbers close up: columns 0 and 3 are the first two.
        {
            Body body (2024, "cues:0\nformats:3");
            EXPECT_EQ (body.content.getBlockLayoutText(), "cues:0\nformats:1");
            EXPECT_EQ (body.columns()[1][0], "formats");
        }

        // A block that cannot go where it was saved is placed automatically; its line stays.
        {
            Body body (1344, "naming:0");
            EXPECT_EQ (body.columns()[1][0], "naming");
            EXPECT_EQ (body.content.getBlockLayoutText(), "naming:0");
        }
    }

    TEST (ExportLayout, SavedWidthsApplyOnlyWhenTheyFit)
    {
        // 0.3,0.7 of a usable width of 900 (body 936): 440 and 460.
        EXPECT_EQ (Body (936, {}, { 0.3, 0.7 }).content.getColumnWidths(), (std::vector<int> { 440, 460 }));

        // 0.9,0.1 would leave the last column 90 wide: the automatic widths stay.
        EXPECT_EQ (Body (936, {}, { 0.9, 0.1 }).content.getColumnWidths(), computeColumns (912, {}, {}).widths);

        // Three fractions while the body has two columns: kept, not used.
        Body body (1344, {}, { 0.3, 0.3, 0.4 });
        EXPECT_EQ (body.content.getColumnWidths(), (std::vector<int> { 440, 868 }));
        EXPECT_EQ (body.content.getColumnFractions().size(), 3u);
    }

    TEST (ExportLayout, ChoosersAreAsWideAsTheirLongestItemWithinLimits)
    {
        juce::ComboBox shortItems, longItems, middle;
        shortItems.addItem ("2x", 1);
        longItems.addItem (juce::String::repeatedString ("Wide ", 60), 1);
        middle.addItem ("Renumber the exported stems 1..N (no gaps)", 1);
        middle.addItem ("x", 2);

        EXPECT_EQ (Content::choiceWidth (shortItems), 120);
        EXPECT_EQ (Content::choiceWidth (longItems), 620);
        EXPECT_EQ (Content::choiceWidth (middle),
                   (int) std::ceil (juce::Font (15.0f).getStringWidthFloat ("Renumber the exported stems 1..N (no gaps)")) + 56);
    }

    TEST (ExportLayout, StoredValuesAreReadStrictly)
    {
        EXPECT_EQ (cleanStoredBlockLayout ("cues:1\nCues:0\ncues:0\nrules: 2\nformats:-1"), "cues:1\r\nrules:2");
        EXPECT_EQ (cleanStoredBlockLayout ("cleanup:1:0\r\nheadroom:007\rnaming"), "cleanup:0\r\nheadroom:7");
        EXPECT_EQ (closeColumnGaps ("a:3\nb\n c :1"), "a:1\nc:0");

        std::vector<double> fractions;
        EXPECT_TRUE (parseColumnWidths ("0.3,0.7", fractions));
        EXPECT_EQ (fractions, (std::vector<double> { 0.3, 0.7 }));
        EXPECT_TRUE (parseColumnWidths (" 0.25, 0.25 ,0.5", fractions));

        for (const auto* refused : { "0.5,0.5,0.5", "0.01,0.99", "0.5,,0.5", "0.25,0.25,0.25,0.25,0", "1", "", "a,b",
                                     "0.2,0.2,0.2,0.2,0.2" })
        {
            SCOPED_TRACE (refused);
            fractions = { 9.0 };
            EXPECT_FALSE (parseColumnWidths (refused, fractions));
            EXPECT_EQ (fractions, std::vector<double> { 9.0 });
        }

        EXPECT_EQ (columnWidthsText ({ 0.33846, 0.66154 }), "0.3385,0.6615");
    }

    //==============================================================================
    TEST (ExportLayout, MovingABlockWritesTheWholeArrangement)
    {
        Body body (1344);
        juce::StringArray stored;
        body.content.onBlockLayoutChanged = [&stored] (const juce::String& text) { stored.add (text); };

        // "cues" dropped into the second column, above "cleanup".
        const auto& rects = body.content.getColumnRects();
        int cleanupTop = 0;

        for (const auto& placement : body.content.getPlacements())
            if (placement.key == "cleanup")
                cleanupTop = placement.bounds.getY();

        body.content.showDropIndicator ("cues", { rects[1].getX() + 20, cleanupTop - 3 });
        EXPECT_EQ (body.content.getHoverColumn(), 1);
        EXPECT_EQ (body.content.getDropIndicator().getY(), cleanupTop - 7);

        body.content.moveBlock ("cues", { rects[1].getX() + 20, cleanupTop - 3 });
        ASSERT_EQ (stored.size(), 1);
        EXPECT_EQ (stored[0], "namingRules:0\nrules:0\nnaming:1\nformats:1\ncues:1\ncleanup:1\nheadroom:1");
        EXPECT_EQ (body.columns()[1], juce::StringArray ({ "naming", "formats", "cues", "cleanup", "headroom" }));

        // A handle let go without a drag only clears the highlight.
        body.content.showDropIndicator ("rules", { rects[0].getX() + 5, 10 });
        EXPECT_EQ (body.content.getHoverColumn(), 0);
        body.content.handleFor ("rules")->onRelease();
        EXPECT_EQ (body.content.getHoverColumn(), -1);
        EXPECT_TRUE (body.content.getDropIndicator().isEmpty());

        // A drop on the gap, or beside the columns, changes nothing.
        const auto before = body.content.getBlockLayoutText();
        body.content.moveBlock ("rules", { rects[0].getRight() + 5, 100 });
        body.content.moveBlock ("rules", { rects[1].getRight() + 5, 100 });
        EXPECT_EQ (body.content.getBlockLayoutText(), before);
        body.content.showDropIndicator ("rules", { rects[0].getRight() + 5, 100 });
        EXPECT_EQ (body.content.getHoverColumn(), -1);
        EXPECT_TRUE (body.content.getDropIndicator().isEmpty());

        // Moving the last blocks out of a column leaves one column fewer, never fewer than two.
        body.content.moveBlock ("namingRules", { rects[1].getX() + 5, 99999 });
        body.content.moveBlock ("rules", { rects[1].getX() + 5, 99999 });
        EXPECT_FALSE (body.content.getBlockLayoutText().contains (":1"));
        EXPECT_EQ (body.content.getColumnWidths().size(), 2u);
    }

    TEST (ExportLayout, ASplitterSharesTwoColumnsAnew)
    {
        Body body (1336);   // usable 1300: columns 440 and 860
        juce::StringArray stored;
        body.content.onColumnWidthsChanged = [&stored] (const juce::String& text) { stored.add (text); };
        const int left = body.content.getColumnRects()[0].getX();

        body.content.pressSplitter (0);
        body.content.dragSplitter (0, left + 100);   // narrower than 440 is not allowed
        ASSERT_EQ (stored.size(), 1);
        EXPECT_EQ (stored[0], "0.3385,0.6615");
        EXPECT_EQ (body.content.getColumnWidths(), (std::vector<int> { 440, 860 }));

        body.content.dragSplitter (0, left + 600);
        EXPECT_EQ (body.content.getColumnWidths(), (std::vector<int> { 600, 700 }));
        body.content.dragSplitter (0, left + 5000);
        EXPECT_EQ (body.content.getColumnWidths(), (std::vector<int> { 860, 440 }));

        // At the narrowest body the pair is under 880: a drag changes and writes nothing.
        Body narrow (880);
        int writes = 0;
        narrow.content.onColumnWidthsChanged = [&writes] (const juce::String&) { ++writes; };
        narrow.content.pressSplitter (0);
        narrow.content.dragSplitter (0, 500);
        EXPECT_EQ (writes, 0);
        EXPECT_TRUE (narrow.content.getColumnFractions().empty());
        EXPECT_EQ (narrow.content.getColumnWidths(), (std::vector<int> { 440, 404 }));
    }

    //==============================================================================
    using ExportLayoutPageTest = ExportPageTest;

    TEST_F (ExportLayoutPageTest, TheArrangementIsStoredAndRestoredAndTheMenuResetsIt)
    {
        auto& content = body();
        const auto& rects = content.getColumnRects();
        ASSERT_EQ (rects.size(), 2u);

        content.moveBlock ("headroom", { rects[0].getX() + 5, 0 });
        EXPECT_TRUE (state->settings->getValue ("exportBlockColumns").startsWith ("headroom:0\n"));

        content.pressSplitter (0);
        const auto started = juce::Time::getMillisecondCounterHiRes();
        content.dragSplitter (0, rects[0].getX() + 500);
        const auto stepMs = juce::Time::getMillisecondCounterHiRes() - started;
        std::printf ("[ figures  ] one splitter step with its settings save: %.2f ms\n", stepMs);
        RecordProperty ("splitterStepMs", juce::String (stepMs, 2).toStdString());
        const auto storedWidths = state->settings->getValue ("exportColumnWidths");
        EXPECT_TRUE (storedWidths.isNotEmpty());

        // A new page reads both back.
        const auto layoutBefore = content.getBlockLayoutText();
        const auto widthsBefore = content.getColumnWidths();
        makePage();
        EXPECT_EQ (body().getBlockLayoutText(), layoutBefore);
        ASSERT_EQ (body().getColumnWidths().size(), widthsBefore.size());

        for (size_t i = 0; i < widthsBefore.size(); ++i)   // four decimals may cost a pixel
            EXPECT_NEAR (body().getColumnWidths()[i], widthsBefore[i], 1);

        // The menu's reset: empty values on disk, the automatic arrangement at once.
        page->resetBlockLayout();
        EXPECT_EQ (state->settings->getValue ("exportBlockColumns", "x"), "");
        EXPECT_EQ (state->settings->getValue ("exportColumnWidths", "x"), "");
        EXPECT_TRUE (body().getBlockLayoutText().isEmpty());
        EXPECT_TRUE (body().getColumnFractions().empty());
        EXPECT_EQ (body().getColumnWidths(), computeColumns (body().getWidth() - 24, {}, {}).widths);
    }

    TEST_F (ExportLayoutPageTest, TheBodyIsLaidOutTwiceAndTimed)
    {
        const auto started = juce::Time::getMillisecondCounterHiRes();
        page->resized();
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;
        std::printf ("[ figures  ] the two-pass layout of the body: %.2f ms\n", elapsed);
        RecordProperty ("layoutMs", juce::String (elapsed, 2).toStdString());
        EXPECT_EQ (body().getHeight(), body().getRequiredHeight());
        EXPECT_GE (body().getReportTop(), body().getColumnRects()[0].getBottom());
    }
}
}
