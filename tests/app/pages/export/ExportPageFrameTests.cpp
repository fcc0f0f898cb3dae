#include "app/pages/export/ExportPageTestSupport.h"

#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    using ExportPageFrameTest = ExportPageTest;

    TEST_F (ExportPageFrameTest, TheBodyScrollsAboveTheRenderBarAndNeverGetsNarrowerThan880)
    {
        EXPECT_EQ (bar().getBounds(), juce::Rectangle<int> (0, pageHeight - 96, pageWidth, 96));
        EXPECT_EQ (page->getViewport().getBounds(), juce::Rectangle<int> (0, 0, pageWidth, pageHeight - 96));
        EXPECT_EQ (body().getWidth(), page->getViewport().getMaximumVisibleWidth());
        EXPECT_EQ (body().getHeight(), body().getRequiredHeight());
        EXPECT_FALSE (page->getViewport().isHorizontalScrollBarShown());
        EXPECT_EQ (body().statusText.text, "Ready for analysis.\nAnalyse levels to see the gain, the peaks and the cue "
                                           "names before anything is written.");

        page->setSize (700, 500);
        EXPECT_EQ (body().getWidth(), 880);
        EXPECT_FALSE (page->getViewport().isHorizontalScrollBarShown());

        page->setSize (700, 60);
        EXPECT_EQ (bar().getHeight(), 60);
        EXPECT_EQ (page->getViewport().getHeight(), 0);
    }

    TEST_F (ExportPageFrameTest, AnEditOnThePageRefreshesTheLinesOnTheNextTickOnly)
    {
        // The built-in preset's line keeps its text; an edit turns it to the warning colour.
        const auto colourOfLine = [this] { return body().presetLine.findColour (juce::Label::textColourId); };
        EXPECT_EQ (colourOfLine(), colours::textSecondary);
        row (0).codecBox.setSelectedId ((int) Codec::flac + 1, juce::sendNotificationSync);

        EXPECT_EQ (state->session.getPreset().exportSettings.formats[0].codec, Codec::flac);
        EXPECT_EQ (colourOfLine(), colours::textSecondary);   // not refreshed through the page's own edit
        EXPECT_EQ (row (0).codecBox.getText(), "FLAC");

        pump (200);
        EXPECT_EQ (colourOfLine(), colours::warning);
    }

    TEST_F (ExportPageFrameTest, TheSummaryOfManyCuesIsTimed)
    {
        useStems ({ "Strings" });
        const auto take = root.getChildFile ("take.wav");
        writeTake (take, 0.05);

        for (int i = 0; i < 64; ++i)
            take.copyFileTo (folder ("Cue" + juce::String (i)).getChildFile ("Strings.wav"));

        state->session.importFiles ({ root.getChildFile ("audio").getFullPathName() }, true);

        BatchReport report;

        for (const auto& cue : state->session.cuesWithTracks())
        {
            CueReport cueReport;
            cueReport.completed = true;
            cueReport.cueId = cue.id;
            cueReport.cueName = cue.name;
            cueReport.sampleRate = 48000.0;
            cueReport.lengthFrames = 48000;
            cueReport.mixTruePeak = 0.5;
            report.cues.push_back (cueReport);
        }

        const auto started = juce::Time::getMillisecondCounterHiRes();
        page->showDeliverySummary (report);
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;
        RecordProperty ("summaryMs", juce::String (elapsed, 2).toStdString());
        std::printf ("[ figures  ] the summary of 64 cues: %.2f ms\n", elapsed);

        ASSERT_EQ (body().cueTable->getRows().size(), 64u);

        for (const auto& cueRow : body().cueTable->getRows())
            EXPECT_TRUE (cueRow.analysed);

        // The page scrolls to the report header, never past the end of the body.
        const int expected = juce::jmin (body().getHeight() - page->getViewport().getViewHeight(),
                                         juce::jmax (0, body().getReportTop() - 12));
        EXPECT_EQ (page->getViewport().getViewPositionY(), juce::jmax (0, expected));
    }
}
}
