#include "app/pages/export/ExportRenderBar.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvid::ui
{
namespace
{
    using PhaseBar = ExportPage::RenderBar::PhaseBar;
    using Segment = PhaseBar::Segment;

    struct Status
    {
        double progress;
        int phase;
    };

    std::vector<Segment> segmentsAfter (std::initializer_list<Status> statuses)
    {
        PhaseBar bar;

        for (const auto& status : statuses)
            bar.setProgress (status.progress, status.phase);

        return bar.segments;
    }

    void expectSegments (const std::vector<Segment>& actual, std::initializer_list<Segment> expected)
    {
        ASSERT_EQ (actual.size(), expected.size());
        size_t i = 0;

        for (const auto& segment : expected)
        {
            SCOPED_TRACE (i);
            EXPECT_EQ (actual[i].phase, segment.phase);
            EXPECT_DOUBLE_EQ (actual[i].start, segment.start);
            EXPECT_DOUBLE_EQ (actual[i].end, segment.end);
            ++i;
        }
    }

    //==============================================================================
    TEST (ExportPhaseBar, StatusSequencesBecomeStretchesOfTheirPhase)
    {
        // Starting and finished open nothing: four stretches for the four working phases.
        expectSegments (segmentsAfter ({ { 0.0, 0 }, { 0.1, 1 }, { 0.3, 2 }, { 0.6, 3 }, { 0.9, 4 }, { 1.0, 5 } }),
                        { { 1, 0.0, 0.1 }, { 2, 0.1, 0.3 }, { 3, 0.3, 0.6 }, { 4, 0.6, 1.0 } });

        // A fresh bar stays empty until a working phase arrives.
        expectSegments (segmentsAfter ({ { 0.0, 0 }, { 0.2, 0 } }), {});

        // Two statuses of one phase extend one stretch; a lower progress never shrinks it.
        expectSegments (segmentsAfter ({ { 0.2, 1 }, { 0.5, 1 }, { 0.3, 1 } }), { { 1, 0.0, 0.5 } });

        // A phase seen for less than half a percent is absorbed by the one before.
        expectSegments (segmentsAfter ({ { 0.1, 1 }, { 0.102, 2 }, { 0.5, 3 } }), { { 1, 0.0, 0.102 }, { 3, 0.102, 0.5 } });

        // ... and when the next phase is that same one, it carries on.
        expectSegments (segmentsAfter ({ { 0.1, 1 }, { 0.102, 2 }, { 0.5, 1 } }), { { 1, 0.0, 0.5 } });

        // The first stretch is never absorbed.
        expectSegments (segmentsAfter ({ { 0.001, 1 }, { 0.4, 2 } }), { { 1, 0.0, 0.001 }, { 2, 0.001, 0.4 } });
    }

    TEST (ExportPhaseBar, ProgressStaysWithinTheBar)
    {
        PhaseBar bar;
        bar.setProgress (1.5, 1);
        EXPECT_EQ (bar.progress, 1.0);
        bar.setProgress (-0.5, 1);
        EXPECT_EQ (bar.progress, 0.0);
        bar.setProgress (std::numeric_limits<double>::quiet_NaN(), 2);
        EXPECT_EQ (bar.progress, 0.0);
        EXPECT_EQ (bar.segments.back().end, 1.0);

        bar.reset();
        EXPECT_TRUE (bar.segments.empty());
        EXPECT_EQ (bar.progress, 0.0);

        bar.setProgress (0.4, 3);
        bar.complete();
        EXPECT_EQ (bar.progress, 1.0);
        EXPECT_EQ (bar.segments.back().end, 1.0);
    }

    TEST (ExportPhaseBar, PaintsEachPhaseInItsColourAndTheTextInTwo)
    {
        testsupport::ScopedPalette palette (testsupport::distinctPalette());
        PhaseBar bar;
        bar.setSize (400, 30);
        bar.setProgress (0.25, 1);
        bar.setProgress (0.5, 3);
        bar.setProgress (0.75, 4);

        const auto image = bar.createComponentSnapshot (bar.getLocalBounds(), true, 1.0f);
        const int y = 24;   // below the text
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (50, y), juce::Colour (0xff9fd0ee)));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (150, y), juce::Colour (0xff4f97d9)));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (250, y), juce::Colour (0xff2559c4)));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (350, y), testsupport::distinctPalette().controlBackground));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (399, y), testsupport::distinctPalette().subtleOutline, 40));

        // A long text over a half-filled bar: dark over the fill, the secondary colour after it.
        bar.setText (juce::String::repeatedString ("MW", 40));
        const auto textImage = bar.createComponentSnapshot (bar.getLocalBounds(), true, 1.0f);
        const int edge = juce::roundToInt (400 * bar.progress);
        int dark = 0, lightBeforeEdge = 0, lightAfterEdge = 0;

        for (int x = 6; x < 394; ++x)
        {
            for (int row = 8; row < 22; ++row)
            {
                const auto pixel = textImage.getPixelAt (x, row);

                if (x < edge - 1 && testsupport::coloursNear (pixel, juce::Colour (0xff10171f), 24))
                    ++dark;

                if (testsupport::coloursNear (pixel, testsupport::distinctPalette().textSecondary, 24))
                    (x < edge ? lightBeforeEdge : lightAfterEdge)++;
            }
        }

        EXPECT_GT (dark, 20);
        EXPECT_EQ (lightBeforeEdge, 0);
        EXPECT_GT (lightAfterEdge, 20);
    }

    //==============================================================================
    TEST (ExportRenderBar, LaysItsRowsOutWithAndWithoutTheZoomButtons)
    {
        ExportPage::RenderBar bar;
        bar.setSize (1360, 96);

        EXPECT_FALSE (bar.cancelButton.isEnabled());
        EXPECT_FALSE (bar.areZoomButtonsVisible());
        EXPECT_EQ (bar.saveButton.getBounds(), juce::Rectangle<int> (12, 12, 150, 30));
        EXPECT_EQ (bar.chooseFolderButton.getBounds(), juce::Rectangle<int> (167, 12, 170, 30));
        EXPECT_EQ (bar.openFolderButton.getBounds(), juce::Rectangle<int> (342, 12, 110, 30));
        EXPECT_EQ (bar.folderLabel.getBounds(), juce::Rectangle<int> (464, 12, 884, 30));
        EXPECT_EQ (bar.analyseButton.getBounds(), juce::Rectangle<int> (12, 54, 150, 30));
        EXPECT_EQ (bar.renderButton.getBounds(), juce::Rectangle<int> (167, 54, 170, 30));
        EXPECT_EQ (bar.cancelButton.getBounds(), juce::Rectangle<int> (342, 54, 90, 30));
        EXPECT_EQ (bar.phaseBar.getBounds(), juce::Rectangle<int> (444, 54, 904, 30));

        bar.setZoomButtonsVisible (true);
        EXPECT_EQ (bar.tallerButton.getBounds(), juce::Rectangle<int> (1318, 12, 30, 30));
        EXPECT_EQ (bar.shorterButton.getBounds(), juce::Rectangle<int> (1285, 12, 30, 30));
        EXPECT_EQ (bar.wholeTakeButton.getBounds(), juce::Rectangle<int> (1240, 12, 30, 30));
        EXPECT_EQ (bar.zoomOutButton.getBounds(), juce::Rectangle<int> (1207, 12, 30, 30));
        EXPECT_EQ (bar.zoomInButton.getBounds(), juce::Rectangle<int> (1174, 12, 30, 30));
        EXPECT_EQ (bar.folderLabel.getBounds(), juce::Rectangle<int> (464, 12, 695, 30));
        EXPECT_EQ (bar.phaseBar.getBounds(), juce::Rectangle<int> (444, 54, 904, 30));

        for (auto* button : { (juce::Component*) &bar.zoomInButton, (juce::Component*) &bar.zoomOutButton,
                              (juce::Component*) &bar.wholeTakeButton, (juce::Component*) &bar.tallerButton,
                              (juce::Component*) &bar.shorterButton })
            EXPECT_TRUE (button->isVisible());

        EXPECT_EQ (bar.zoomInButton.getTooltip(), "Show less of the take, in more detail.");
        EXPECT_EQ (bar.shorterButton.getTooltip(), "Draw the tracks shorter, so more of them fit.");

        // A bar too small for its rows gives nothing a negative size.
        bar.setSize (200, 40);
        EXPECT_GE (bar.phaseBar.getWidth(), 0);
        EXPECT_EQ (bar.phaseBar.getHeight(), 0);
    }
}
}
