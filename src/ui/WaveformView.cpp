#include "ui/WaveformView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PositionOverlays.h"

#include <cmath>
#include <vector>

namespace korvid::ui
{
    WaveformView::WaveformView()
        : colour (colours::accent)
    {
        setInterceptsMouseClicks (true, false);
        setMouseCursor (juce::MouseCursor::PointingHandCursor);
    }

    void WaveformView::setOverview (const korvid::WaveformOverview& newOverview)
    {
        overview = newOverview;
        hasOverview = true;
        repaint();
    }

    void WaveformView::clear()
    {
        if (! hasOverview)
            return;

        overview = {};
        hasOverview = false;
        repaint();
    }

    void WaveformView::setWaveformColour (juce::Colour newColour)
    {
        if (newColour == colour)
            return;

        colour = newColour;
        repaint();
    }

    void WaveformView::setDataRange (double start, double end)
    {
        dataStart = start;
        dataEnd = juce::jmax (end, start + 1.0e-9);
        repaint();
    }

    void WaveformView::setVisibleRange (double start, double end)
    {
        visibleStart = start;
        visibleEnd = juce::jmax (end, start + 1.0e-9);
        repaint();
    }

    void WaveformView::setLoading (bool shouldShowLoading)
    {
        if (shouldShowLoading == loading)
            return;

        loading = shouldShowLoading;
        repaint();
    }

    void WaveformView::setProgress (double fraction)
    {
        const auto value = fraction >= 0.0 ? std::floor (juce::jmin (fraction, 1.0) * 100.0) : -1.0;

        // Whole percentages only, so a stream of tiny steps does not repaint every time.
        if (std::abs (value - percent) < 0.5)
            return;

        percent = value;

        if (loading)
            repaint();
    }

    void WaveformView::setLoadingText (const juce::String& text)
    {
        if (text == loadingText)
            return;

        loadingText = text;

        if (loading)
            repaint();
    }

    void WaveformView::setEmptyText (const juce::String& text)
    {
        if (text == emptyText)
            return;

        emptyText = text;

        if (! hasOverview)
            repaint();
    }

    void WaveformView::setPlayheadFraction (double fraction)
    {
        if (storePositionFraction (playheadFraction, fraction))
            repaint();
    }

    void WaveformView::setMarkerFraction (double fraction)
    {
        if (storePositionFraction (markerFraction, fraction))
            repaint();
    }

    void WaveformView::setHoverFraction (double fraction)
    {
        if (storePositionFraction (hoverFraction, fraction))
            repaint();
    }

    void WaveformView::setDurationSeconds (double seconds)
    {
        durationSeconds = seconds > 0.0 ? seconds : 0.0;
        repaint();
    }

    void WaveformView::drawMiniWaveform (juce::Graphics& g, juce::Rectangle<float> area,
                                         const korvid::WaveformOverview& overview, juce::Colour colour, bool compact,
                                         double dataStart, double dataEnd, double visibleStart, double visibleEnd)
    {
        if (area.getWidth() < 2.0f || area.getHeight() < 2.0f)
            return;

        const auto centreY = (int) (area.getY() + area.getHeight() / 2.0f);
        g.setColour (colours::outline.withAlpha (0.6f));
        g.drawHorizontalLine (centreY, area.getX(), area.getRight());

        const auto bucketCount = juce::jmin (overview.minima.size(), overview.maxima.size());

        if (bucketCount == 0 || ! (overview.peak > 0.0f))
        {
            g.setColour (colours::textDisabled);
            g.setFont (bodyFont().withHeight (compact ? 10.0f : 12.0f));
            g.drawText (bucketCount == 0 ? "no waveform" : "silence", area, juce::Justification::centred);
            return;
        }

        const auto scale = 0.92 / (double) overview.peak;
        const auto lastBucket = (double) (bucketCount - 1);
        const auto dataSpan = dataEnd - dataStart;
        const auto visibleSpan = visibleEnd - visibleStart;
        const auto left = (double) area.getX();
        const auto width = (double) area.getWidth();
        const auto mid = (double) area.getCentreY();
        const auto halfHeight = (double) area.getHeight() / 2.0;

        const auto toData = [&] (double v)
        {
            return dataSpan > 0.0 ? (v * visibleSpan + visibleStart - dataStart) / dataSpan : 0.0;
        };

        struct Column { float x, top, bottom; };
        std::vector<Column> columns;
        const auto firstColumn = (int) std::floor (area.getX());
        const auto endColumn = (int) std::ceil (area.getRight());
        columns.reserve ((size_t) juce::jmax (0, endColumn - firstColumn));

        for (int c = firstColumn; c < endColumn; ++c)
        {
            const auto s = ((double) c - left) / width;
            const auto e = ((double) c + 1.0 - left) / width;
            const auto firstD = std::floor (lastBucket * toData (s));
            const auto lastD = std::floor (lastBucket * toData (e));

            // Written so that a NaN also skips the column.
            if (! (lastD >= 0.0 && firstD <= lastBucket))
                continue;

            const auto first = (size_t) juce::jmax (firstD, 0.0);
            const auto last = (size_t) juce::jlimit ((double) first, lastBucket, lastD);

            auto lowest = overview.minima[first];
            auto highest = overview.maxima[first];

            for (auto b = first + 1; b <= last; ++b)
            {
                lowest = juce::jmin (lowest, overview.minima[b]);
                highest = juce::jmax (highest, overview.maxima[b]);
            }

            auto top = mid - halfHeight * juce::jlimit (-1.0, 1.0, (double) highest * scale);
            auto bottom = mid - halfHeight * juce::jlimit (-1.0, 1.0, (double) lowest * scale);

            // A silent stretch still shows as a one-pixel line.
            if (bottom - top < 1.0)
            {
                const auto centre = (top + bottom) / 2.0;
                top = centre - 0.5;
                bottom = centre + 0.5;
            }

            columns.push_back ({ (float) c, (float) top, (float) bottom });
        }

        if (columns.empty())
            return;

        juce::Path outline;
        outline.startNewSubPath (columns.front().x, columns.front().top);

        for (const auto& column : columns)
        {
            outline.lineTo (column.x, column.top);
            outline.lineTo (column.x + 1.0f, column.top);
        }

        for (auto it = columns.rbegin(); it != columns.rend(); ++it)
        {
            outline.lineTo (it->x + 1.0f, it->bottom);
            outline.lineTo (it->x, it->bottom);
        }

        outline.closeSubPath();

        g.setGradientFill (juce::ColourGradient (colour.brighter (0.35f), 0.0f, area.getY(),
                                                 colour.darker (0.45f), 0.0f, area.getBottom(), false));
        g.fillPath (outline);
    }

    void WaveformView::paint (juce::Graphics& g)
    {
        g.setColour (colours::panelBackground);
        g.fillRoundedRectangle (getLocalBounds().toFloat(), 4.0f);

        const auto area = drawingAreaOf (getLocalBounds());

        if (area.getWidth() < 2 || area.getHeight() < 2)
            return;

        if (loading)
        {
            paintLoading (g, area);
            return;
        }

        if (! hasOverview)
        {
            g.setColour (colours::textDisabled);
            g.setFont (bodyFont());
            g.drawText (emptyText, area, juce::Justification::centred);
            return;
        }

        drawMiniWaveform (g, area.toFloat(), overview, colour, false, dataStart, dataEnd, visibleStart, visibleEnd);

        if (hoverFraction >= 0.0)
            drawHoverLine (g, area, hoverFraction);

        if (playheadFraction >= 0.0)
            paintPlayhead (g, area);

        if (hoverFraction >= 0.0 && durationSeconds > 0.0 && isMouseOver())
            drawHoverTimeBubble (g, area, hoverLineX (area, hoverFraction),
                                 (visibleStart + (visibleEnd - visibleStart) * hoverFraction) * durationSeconds);

        if (markerFraction >= 0.0)
            drawMarker (g, area, markerFraction);
    }

    void WaveformView::paintLoading (juce::Graphics& g, juce::Rectangle<int> area) const
    {
        g.setFont (bodyFont().withHeight (12.0f));

        if (percent < 0.0)
        {
            g.setColour (colours::textDisabled);
            g.drawText (loadingText, area, juce::Justification::centred);
            return;
        }

        const auto areaWidth = (float) area.getWidth();
        const auto areaHeight = (float) area.getHeight();
        const auto h = juce::jmax (0.0f, juce::jmin (areaHeight - 6.0f, 34.0f));
        const auto w = juce::jmax (0.0f, juce::jmin (areaWidth - 16.0f, 260.0f));
        auto block = juce::Rectangle<float> ((float) area.getX() + (areaWidth - w) / 2.0f,
                                             (float) area.getY() + (areaHeight - h) / 2.0f, w, h);

        const auto textLine = block.removeFromTop (juce::jmin (h, 16.0f));
        g.setColour (colours::textPrimary);
        g.drawText (loadingText + "   " + juce::String ((int) percent) + "%", textLine, juce::Justification::centred);

        block.removeFromTop (juce::jmin (block.getHeight(), 6.0f));
        const auto bar = block.removeFromTop (juce::jmin (block.getHeight(), 4.0f));

        if (bar.isEmpty())
            return;

        g.setColour (colours::textDisabled.withAlpha (0.25f));
        g.fillRoundedRectangle (bar, 2.0f);
        g.setColour (colour);
        g.fillRoundedRectangle (bar.withWidth (juce::jmax (w * (float) percent / 100.0f, 2.0f)), 2.0f);
    }

    void WaveformView::paintPlayhead (juce::Graphics& g, juce::Rectangle<int> area) const
    {
        const auto x = (float) ((double) area.getX() + playheadFraction * (double) area.getWidth());
        const auto top = (float) area.getY();
        const auto height = (float) area.getHeight();

        g.setColour (juce::Colours::black.withAlpha (0.25f));
        g.fillRect (juce::Rectangle<float> ((float) area.getX(), top, x - (float) area.getX(), height));

        g.setColour (colours::playhead);
        g.fillRect (juce::Rectangle<float> (x - 1.0f, top, 2.0f, height));
        g.fillEllipse (x - 4.0f, top - 1.0f, 8.0f, 8.0f);
    }

    void WaveformView::mouseMove (const juce::MouseEvent& e)
    {
        hoverFraction = fractionAcross (e.position.x, getWidth());
        repaint();

        if (onHover)
            onHover (hoverFraction);
    }

    void WaveformView::mouseExit (const juce::MouseEvent&)
    {
        if (hoverFraction < 0.0)
            return;

        hoverFraction = -1.0;
        repaint();

        if (onHover)
            onHover (-1.0);
    }

    void WaveformView::mouseDown (const juce::MouseEvent& e)
    {
        const auto fraction = fractionAcross (e.position.x, getWidth());

        if (e.mods.isRightButtonDown())
        {
            if (onRightClick)
                onRightClick (fraction);
        }
        else if (onSeek)
        {
            onSeek (fraction);
        }
    }

    void WaveformView::mouseDrag (const juce::MouseEvent& e)
    {
        if (! e.mods.isRightButtonDown() && onSeek)
            onSeek (fractionAcross (e.position.x, getWidth()));
    }

    void WaveformView::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
    {
        if (onWheel)
            onWheel (wheel.deltaY, fractionAcross (e.position.x, getWidth()));
    }
}
