#include "ui/WaveformView.h"

#include "core/model/Types.h"
#include "ui/Fonts.h"
#include "ui/views/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvid::ui
{
namespace
{
    using namespace viewtesting;
    using testsupport::coloursNear;
    using testsupport::ScopedPalette;

    // A 206 x 106 view draws into the area (3, 3, 200, 100): its middle is y = 53, half height 50.
    constexpr int viewWidth = 206, viewHeight = 106;
    const juce::Colour waveGreen (0xff00ff00);

    Palette testPalette()
    {
        auto p = testsupport::distinctPalette();
        p.playhead = juce::Colour (0xff00ffff);
        return p;
    }

    // Buckets of a symmetric amplitude each.
    WaveformOverview overviewOf (std::initializer_list<std::pair<int, float>> runs)
    {
        WaveformOverview o;

        for (const auto& [count, amplitude] : runs)
            for (int i = 0; i < count; ++i)
            {
                o.minima.push_back (-amplitude);
                o.maxima.push_back (amplitude);
            }

        o.updatePeak();
        return o;
    }

    bool isWaveInk (juce::Colour c) { return c.getGreen() > 100 && c.getGreen() > c.getRed() + 50; }

    // The highest waveform pixel of a column above the middle line, or -1.
    int waveTop (const juce::Image& image, int x)
    {
        for (int y = 0; y < 53; ++y)
            if (isWaveInk (image.getPixelAt (x, y)))
                return y;

        return -1;
    }

    // The line through the middle of a mini waveform's area, which its texts are written over.
    std::function<void (juce::Graphics&)> centreLine (juce::Rectangle<float> area)
    {
        return [area] (juce::Graphics& g)
        {
            g.setColour (colours::outline.withAlpha (0.6f));
            g.drawHorizontalLine ((int) area.getCentreY(), area.getX(), area.getRight());
        };
    }

    struct ViewFixture
    {
        ScopedPalette palette { testPalette() };
        WaveformView view;

        ViewFixture()
        {
            view.setSize (viewWidth, viewHeight);
            view.setWaveformColour (waveGreen);
        }

        juce::Image snapshot() { return view.createComponentSnapshot (view.getLocalBounds()); }
    };

    TEST (WaveformViewTests, DrawsTheShownPartOfTheOverviewScaledToItsPeak)
    {
        // 50 quiet buckets (0.5) then 50 loud ones (1.0). The loudest reaches 92 % of the half
        // height: a loud column's top is 53 - 46 = 7, a quiet one's 53 - 23 = 30.
        const auto quietThenLoud = overviewOf ({ { 50, 0.5f }, { 50, 1.0f } });
        const auto allQuiet = overviewOf ({ { 100, 0.5f } });

        struct Probe { int x; int top; };
        struct Case
        {
            const char* name;
            const WaveformOverview* overview;
            double dataStart, dataEnd, visibleStart, visibleEnd;
            std::vector<Probe> probes;
        };

        const Case cases[] = {
            { "whole take", &quietThenLoud, 0, 1, 0, 1, { { 4, 30 }, { 50, 30 }, { 150, 7 }, { 202, 7 } } },
            { "second quarter fills the width", &quietThenLoud, 0, 1, 0.25, 0.5, { { 3, 30 }, { 103, 30 }, { 202, 30 } } },
            { "second half fills the width", &quietThenLoud, 0, 1, 0.5, 1, { { 3, 30 }, { 8, 7 }, { 202, 7 } } },   // bucket 49 is quiet
            { "data covering the second half", &quietThenLoud, 0.5, 1, 0, 1,
              { { 10, -1 }, { 95, -1 }, { 120, 30 }, { 190, 7 } } },
            { "scaled to its own peak", &allQuiet, 0, 1, 0, 1, { { 10, 7 }, { 200, 7 } } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            ViewFixture f;
            f.view.setOverview (*c.overview);
            f.view.setDataRange (c.dataStart, c.dataEnd);
            f.view.setVisibleRange (c.visibleStart, c.visibleEnd);
            const auto image = f.snapshot();

            for (const auto& probe : c.probes)
            {
                const auto top = waveTop (image, probe.x);

                if (probe.top < 0)
                    EXPECT_EQ (top, -1) << "x " << probe.x;
                else
                    EXPECT_NEAR (top, probe.top, 1) << "x " << probe.x;
            }

            // Symmetric buckets give a symmetric outline, and nothing is drawn in the inset.
            EXPECT_TRUE (inkBounds (image, { 0, 0, 3, viewHeight }, isWaveInk).isEmpty());
            EXPECT_TRUE (inkBounds (image, { 203, 0, 3, viewHeight }, isWaveInk).isEmpty());
        }
    }

    TEST (WaveformViewTests, PlaceholderTextsAreCentredInTheirFonts)
    {
        const juce::Rectangle<float> area (3, 3, 200, 100);

        struct Case
        {
            const char* name;
            std::function<void (WaveformView&)> prepare;
            juce::String text;
            float height;
            bool centreLine = false;
        };

        WaveformOverview silent;
        silent.minima.assign (10, 0.0f);
        silent.maxima.assign (10, 0.0f);
        silent.updatePeak();

        const Case cases[] = {
            { "nothing given", [] (WaveformView&) {}, "Nothing to show", 14.5f },
            { "own empty text", [] (WaveformView& v) { v.setEmptyText ("Pick a track"); }, "Pick a track", 14.5f },
            { "loading without a percentage", [] (WaveformView& v) { v.setLoading (true); }, "reading...", 12.0f },
            { "loading with its own text", [] (WaveformView& v) { v.setLoading (true); v.setLoadingText ("mixing..."); },
              "mixing...", 12.0f },
            { "overview without buckets", [] (WaveformView& v) { v.setOverview ({}); }, "no waveform", 12.0f, true },
            { "silent overview", [silent] (WaveformView& v) { v.setOverview (silent); }, "silence", 12.0f, true },
            { "cleared", [silent] (WaveformView& v) { v.setOverview (silent); v.clear(); }, "Nothing to show", 14.5f },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            ViewFixture f;
            c.prepare (f.view);
            const auto ink = inkBounds (f.snapshot(), isRedInk);
            EXPECT_FALSE (ink.isEmpty());
            EXPECT_EQ (ink, expectedTextInk ({ viewWidth, viewHeight }, c.text, bodyFont().withHeight (c.height),
                                             colours::textDisabled, area, juce::Justification::centred, isRedInk,
                                             c.centreLine ? centreLine (area) : nullptr));
        }

        // The list cells' compact form writes smaller.
        for (const bool compact : { false, true })
        {
            for (const WaveformOverview* overview : std::initializer_list<const WaveformOverview*> { &silent, nullptr })
            {
                const ScopedPalette palette (testPalette());
                const WaveformOverview none;
                const auto& shown = overview != nullptr ? *overview : none;
                juce::Image image (juce::Image::ARGB, 120, 30, true);
                {
                    juce::Graphics g (image);
                    g.fillAll (juce::Colours::black);
                    WaveformView::drawMiniWaveform (g, { 10, 5, 100, 20 }, shown, waveGreen, compact, 0, 1, 0, 1);
                }
                EXPECT_EQ (inkBounds (image, isRedInk),
                           expectedTextInk ({ 120, 30 }, overview != nullptr ? "silence" : "no waveform",
                                            bodyFont().withHeight (compact ? 10.0f : 12.0f), colours::textDisabled,
                                            { 10, 5, 100, 20 }, juce::Justification::centred, isRedInk,
                                            centreLine ({ 10, 5, 100, 20 })))
                    << "compact " << compact;

                // The centre line, in the outline colour, runs along y = 15.
                EXPECT_TRUE (coloursNear (image.getPixelAt (12, 15), juce::Colours::black.interpolatedWith (colours::outline, 0.6f), 6));
                EXPECT_EQ (image.getPixelAt (12, 13), juce::Colours::black);
            }
        }
    }

    TEST (WaveformViewTests, ProgressShowsWholePercentagesAndABar)
    {
        ViewFixture f;
        f.view.setOverview (overviewOf ({ { 10, 1.0f } }));
        f.view.setLoading (true);

        struct Step { double input; double stored; };
        const Step steps[] = { { 0.456, 45 }, { 0.459, 45 }, { 0.4549, 45 }, { 0.46, 46 }, { 1.7, 100 },
                               { -3, -1 }, { 0.0, 0 }, { std::nan (""), -1 }, { 0.456, 45 } };

        for (const auto& step : steps)
        {
            f.view.setProgress (step.input);
            EXPECT_EQ (f.view.getProgressPercent(), step.stored) << "after " << step.input;
        }

        // The block: 184 x 34, at (11, 36); the text in its top 16 pixels, the bar 4 high at y = 58.
        const auto image = f.snapshot();
        const auto font = bodyFont().withHeight (12.0f);
        EXPECT_EQ (inkBounds (image, [] (juce::Colour c) { return isWhiteInk (c); }),
                   expectedTextInk ({ viewWidth, viewHeight }, "reading...   45%", font, juce::Colours::white,
                                    { 11, 36, 184, 16 }, juce::Justification::centred, isWhiteInk));

        const auto fillEnd = 11.0f + 184.0f * 0.45f;   // 93.8
        EXPECT_TRUE (coloursNear (image.getPixelAt (40, 60), waveGreen));
        EXPECT_TRUE (coloursNear (image.getPixelAt ((int) fillEnd - 2, 60), waveGreen));
        EXPECT_TRUE (coloursNear (image.getPixelAt ((int) fillEnd + 3, 60), juce::Colours::black.interpolatedWith (colours::textDisabled, 0.25f)));
        EXPECT_EQ (image.getPixelAt (100, 56), juce::Colours::black) << "gap between text and bar";
        EXPECT_EQ (image.getPixelAt (100, 63), juce::Colours::black) << "below the bar";

        // Without a percentage the loading text stands alone, centred, in the disabled colour.
        f.view.setProgress (-3);
        const auto plain = f.snapshot();
        EXPECT_TRUE (inkBounds (plain, isWaveInk).isEmpty());
        EXPECT_EQ (inkBounds (plain, isRedInk),
                   expectedTextInk ({ viewWidth, viewHeight }, "reading...", font, colours::textDisabled,
                                    { 3, 3, 200, 100 }, juce::Justification::centred, isRedInk));
    }

    TEST (WaveformViewTests, PositionSettersClampAndIgnoreTinyMoves)
    {
        checkPositionSetter<WaveformView> ("playhead", &WaveformView::setPlayheadFraction, &WaveformView::getPlayheadFraction);
        checkPositionSetter<WaveformView> ("marker", &WaveformView::setMarkerFraction, &WaveformView::getMarkerFraction);
        checkPositionSetter<WaveformView> ("hover", &WaveformView::setHoverFraction, &WaveformView::getHoverFraction);

        WaveformView view;
        struct Range { double start, end, storedEnd; };
        const Range ranges[] = { { 0.1, 0.4, 0.4 }, { 0.5, 0.2, 0.5 + 1e-9 }, { 0.3, 0.3, 0.3 + 1e-9 } };

        for (const auto& r : ranges)
        {
            view.setDataRange (r.start, r.end);
            view.setVisibleRange (r.start, r.end);
            EXPECT_EQ (view.getDataStart(), r.start);
            EXPECT_EQ (view.getDataEnd(), r.storedEnd);
            EXPECT_EQ (view.getVisibleStart(), r.start);
            EXPECT_EQ (view.getVisibleEnd(), r.storedEnd);
        }

        for (const auto& [input, stored] : std::initializer_list<std::pair<double, double>> { { 12.5, 12.5 }, { -4.0, 0.0 }, { std::nan (""), 0.0 } })
        {
            view.setDurationSeconds (input);
            EXPECT_EQ (view.getDurationSeconds(), stored);
        }
    }

    TEST (WaveformViewTests, PlayheadMarkerAndHoverLineLandOnTheirPixels)
    {
        const auto loud = overviewOf ({ { 100, 1.0f } });
        ViewFixture plain;
        plain.view.setOverview (loud);
        const auto unshaded = plain.snapshot().getPixelAt (50, 50);

        struct Case { const char* name; double playhead, marker, hover; int playheadX, markerX, hoverX; };
        const Case cases[] = {
            { "middle", 0.5, 0.25, 0.75, 103, 53, 153 },
            { "past the end sits at the right edge", 1.7, 1.0, 1.0, 203, 203, 203 },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            ViewFixture f;
            f.view.setOverview (loud);
            f.view.setPlayheadFraction (c.playhead);
            const auto image = f.snapshot();

            const auto playhead = colours::playhead;
            EXPECT_TRUE (coloursNear (image.getPixelAt (c.playheadX - 1, 80), playhead));
            EXPECT_TRUE (coloursNear (image.getPixelAt (c.playheadX, 80), playhead));
            EXPECT_FALSE (coloursNear (image.getPixelAt (c.playheadX - 3, 80), playhead, 40));
            EXPECT_TRUE (coloursNear (image.getPixelAt (c.playheadX, 4), playhead)) << "the dot at the top";

            // The played part is shaded with black at a quarter.
            EXPECT_TRUE (coloursNear (image.getPixelAt (50, 50), unshaded.interpolatedWith (juce::Colours::black, 0.25f), 3));

            f.view.setPlayheadFraction (-0.2);
            f.view.setMarkerFraction (c.marker);
            f.view.setHoverFraction (c.hover);
            const auto marked = f.snapshot();
            EXPECT_EQ (marked.getPixelAt (50, 50), unshaded) << "the playhead is hidden";

            const auto warning = colours::warning;
            EXPECT_TRUE (coloursNear (marked.getPixelAt (c.markerX - 1, 50), warning));
            EXPECT_TRUE (coloursNear (marked.getPixelAt (c.markerX, 50), warning));
            EXPECT_TRUE (coloursNear (marked.getPixelAt (c.markerX - 4, 4), warning)) << "top tick";
            EXPECT_TRUE (coloursNear (marked.getPixelAt (c.markerX - 4, 101), warning)) << "bottom tick";
            EXPECT_FALSE (coloursNear (marked.getPixelAt (c.markerX - 4, 50), warning, 40)) << "ticks only at the ends";

            if (c.hoverX != c.markerX)
            {
                EXPECT_TRUE (coloursNear (marked.getPixelAt (c.hoverX, 50), unshaded.interpolatedWith (warning, 0.9f), 6));
                EXPECT_EQ (marked.getPixelAt (c.hoverX + 1, 50), unshaded) << "one pixel wide";
                EXPECT_EQ (marked.getPixelAt (c.hoverX - 1, 50), unshaded);
            }
        }
    }

    TEST (WaveformViewTests, HoverBubbleShowsTheTimeUnderThePointerOnlyWhenItIsOverTheView)
    {
        // 100 s shown from 20 % to 60 %: the pointer at a fraction f points at (0.2 + 0.4 f) x 100 s.
        struct Case { int pointerX; double fraction; bool leftOfLine; };
        const Case cases[] = { { 53, 0.25, false }, { 200, 0.985, true } };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.pointerX);
            ViewFixture f;
            // One loud bucket keeps the rest of the outline (top at y = 39) clear of the bubble.
            f.view.setOverview (overviewOf ({ { 1, 1.0f }, { 99, 0.3f } }));
            f.view.setDurationSeconds (100.0);
            f.view.setVisibleRange (0.2, 0.6);
            const PointerOver pointer (f.view, { c.pointerX, 50 });
            ASSERT_TRUE (f.view.isMouseOver());
            ASSERT_DOUBLE_EQ (f.view.getHoverFraction(), c.fraction);

            const auto text = formatDuration ((0.2 + 0.4 * c.fraction) * 100.0);
            const auto width = juce::jmax (std::ceil (tinyFont().getStringWidthFloat (text)) + 8.0f, 34.0f);
            const auto lineX = (float) (int) (3.0 + c.fraction * 200.0);
            const juce::Rectangle<float> box (c.leftOfLine ? lineX - 4.0f - width : lineX + 4.0f, 5.0f, width, 13.0f);

            const auto image = f.snapshot();
            EXPECT_EQ (inkBounds (image, isWhiteInk),
                       expectedTextInk ({ viewWidth, viewHeight }, text, tinyFont(), juce::Colours::white, box,
                                        juce::Justification::centred, isWhiteInk));
            EXPECT_TRUE (coloursNear (image.getPixelAt ((int) box.getX() + 2, 11),
                                      juce::Colours::black.interpolatedWith (colours::windowBackground, 0.78f)))
                << "bubble ground";
        }

        // The same hover set by the owner, with the pointer elsewhere, draws the line but no time.
        ViewFixture f;
        f.view.setOverview (overviewOf ({ { 100, 0.3f } }));
        f.view.setDurationSeconds (100.0);
        f.view.setHoverFraction (0.25);
        EXPECT_TRUE (inkBounds (f.snapshot(), isWhiteInk).isEmpty());
    }

    TEST (WaveformViewTests, GesturesReportFractionsOfTheDrawingWidth)
    {
        checkGestures<WaveformView>();

        // Without a drawing width every gesture still reports, at 0.
        const auto log = gesturesOnANarrowView<WaveformView> (6);
        EXPECT_EQ (log.hovers, std::vector<double> { 0.0 });
        EXPECT_EQ (log.seeks, (std::vector<double> { 0.0, 0.0 }));
        EXPECT_EQ (log.rightClicks, std::vector<double> { 0.0 });
        EXPECT_EQ (log.wheels.size(), 1u);
    }

    TEST (WaveformViewTests, TinyViewsAndAreasDrawOnlyTheBackground)
    {
        const auto loud = overviewOf ({ { 100, 1.0f } });

        for (const auto& [w, h] : std::initializer_list<std::pair<int, int>> { { 7, 60 }, { 60, 7 }, { 1, 1 } })
        {
            SCOPED_TRACE (juce::String (w) + "x" + juce::String (h));
            ViewFixture f;
            f.view.setSize (w, h);
            f.view.setOverview (loud);
            f.view.setPlayheadFraction (0.5);
            f.view.setMarkerFraction (0.5);
            const auto image = f.snapshot();

            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                {
                    const auto pixel = image.getPixelAt (x, y);
                    EXPECT_TRUE (pixel.getRed() == 0 && pixel.getGreen() == 0 && pixel.getBlue() == 0) << x << "," << y;
                }
        }

        // An area of 8 pixels has a 2-pixel inner area, which draws.
        ViewFixture f;
        f.view.setSize (60, 8);
        f.view.setOverview (loud);
        EXPECT_FALSE (inkBounds (f.snapshot(), isWaveInk).isEmpty());
    }

    TEST (WaveformViewTests, MiniWaveformFillsWholeColumnsOfItsAreaWithAGradient)
    {
        const ScopedPalette palette (testPalette());
        const auto loud = overviewOf ({ { 300, 1.0f } });

        juce::Image image (juce::Image::ARGB, 80, 50, true);
        {
            juce::Graphics g (image);
            g.fillAll (juce::Colours::black);
            WaveformView::drawMiniWaveform (g, { 10.5f, 5.0f, 40.0f, 40.0f }, loud, waveGreen, true, 0, 1, 0, 1);
            WaveformView::drawMiniWaveform (g, { 60.0f, 5.0f, 1.5f, 40.0f }, loud, waveGreen, true, 0, 1, 0, 1);
            WaveformView::drawMiniWaveform (g, { 60.0f, 5.0f, 20.0f, 1.9f }, loud, waveGreen, true, 0, 1, 0, 1);
        }

        // Columns 10 to 50 (the pixels the area touches), from 25 - 18.4 to 25 + 18.4.
        const auto ink = inkBounds (image, isWaveInk);
        EXPECT_EQ (ink.getX(), 10);
        EXPECT_EQ (ink.getRight(), 51);
        EXPECT_NEAR (ink.getY(), 6, 1);
        EXPECT_NEAR (ink.getBottom(), 44, 1);

        // Bright at the top of the area, dark at its bottom.
        const juce::ColourGradient gradient (waveGreen.brighter (0.35f), 0.0f, 5.0f, waveGreen.darker (0.45f), 0.0f, 45.0f, false);
        for (const int y : { 8, 25, 42 })
            EXPECT_TRUE (coloursNear (image.getPixelAt (30, y), gradient.getColourAtPosition ((y + 0.5 - 5.0) / 40.0), 8)) << y;

        // The areas below 2 pixels drew nothing at all.
        EXPECT_TRUE (inkBounds (image, { 55, 0, 25, 50 }, [] (juce::Colour c) { return c != juce::Colours::black; }).isEmpty());
    }
}
}
