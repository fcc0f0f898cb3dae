#include "ui/SpectrogramView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PositionOverlays.h"

#include <cmath>
#include <vector>

namespace korvid::ui
{
    namespace
    {
        constexpr int maxImageWidth = 2000;
        constexpr int maxImageHeight = 600;

        korvid::SpectrogramData emptySpectrogram()
        {
            korvid::SpectrogramData empty;
            empty.floorDb = -90.0f;
            return empty;
        }

        // Data a picture can be made of; anything else (no grid, no rate, no FFT size) would
        // divide by zero or index outside the bins.
        bool canBeDrawn (const korvid::SpectrogramData& data)
        {
            return ! data.magnitudes.empty() && data.numFrames > 0 && data.numBins > 0 && data.fftSize > 0
                && data.sampleRate > 0.0 && std::isfinite (data.sampleRate);
        }

        // The log frequency axis: from lo at the bottom to hi at the top.
        struct FrequencyScale
        {
            double nyquist, lo, hi, lnLo, lnHi;

            explicit FrequencyScale (const korvid::SpectrogramData& data)
                : nyquist (data.sampleRate / 2.0),
                  lo (juce::jmax (data.binFrequency (0), 30.0)),
                  hi (juce::jmax (nyquist, 2.0 * lo)),
                  lnLo (std::log (lo)),
                  lnHi (std::log (hi))
            {
            }

            // 0 at lo, 1 at hi.
            double heightOf (double frequency) const { return (std::log (frequency) - lnLo) / (lnHi - lnLo); }
        };

        // The colours of the level ramp, read from the current palette once per picture.
        struct LevelRamp
        {
            juce::Colour background = colours::panelBackground;
            juce::Colour quiet = colours::spectrogram;
            juce::Colour quietBright = quiet.brighter (0.9f);
            juce::Colour loud = colours::spectrogramPeak;

            juce::Colour colourOf (float levelDb, float floorDb) const
            {
                const auto range = 0.0 - (double) floorDb;
                auto t = range > 0.0 ? ((double) levelDb - (double) floorDb) / range : (levelDb >= 0.0f ? 1.0 : 0.0);

                if (! (t > 0.0))   // also a NaN level
                    t = 0.0;

                t = juce::jmin (t, 1.0);

                if (t < 0.25)
                    return background.interpolatedWith (quiet, (float) (4.0 * t));

                if (t < 0.5)
                    return quiet.interpolatedWith (quietBright, (float) (4.0 * (t - 0.25)));

                return quietBright.interpolatedWith (loud, (float) (2.0 * (t - 0.5)));
            }
        };
    }

    SpectrogramView::SpectrogramView()
        : data (emptySpectrogram())
    {
        setInterceptsMouseClicks (true, false);
        setMouseCursor (juce::MouseCursor::PointingHandCursor);
    }

    void SpectrogramView::setSpectrogram (korvid::SpectrogramData newData)
    {
        data = std::move (newData);
        analysing = false;
        rebuildImage();
        repaint();
    }

    void SpectrogramView::clear()
    {
        data = emptySpectrogram();
        image = {};
        repaint();
    }

    void SpectrogramView::setAnalysing (bool isAnalysing)
    {
        if (isAnalysing == analysing)
            return;

        analysing = isAnalysing;
        repaint();
    }

    void SpectrogramView::setDataRange (double start, double end)
    {
        dataStart = start;
        dataEnd = juce::jmax (end, start + 1.0e-9);
        repaint();
    }

    void SpectrogramView::setVisibleRange (double start, double end)
    {
        visibleStart = start;
        visibleEnd = juce::jmax (end, start + 1.0e-9);
        repaint();
    }

    void SpectrogramView::setPlayheadFraction (double fraction)
    {
        if (storePositionFraction (playheadFraction, fraction))
            repaint();
    }

    void SpectrogramView::setMarkerFraction (double fraction)
    {
        if (storePositionFraction (markerFraction, fraction))
            repaint();
    }

    void SpectrogramView::setHoverFraction (double fraction)
    {
        if (storePositionFraction (hoverFraction, fraction))
            repaint();
    }

    void SpectrogramView::setDurationSeconds (double seconds)
    {
        durationSeconds = seconds > 0.0 ? seconds : 0.0;
        repaint();
    }

    juce::Colour SpectrogramView::levelColour (float levelDb, float floorDb)
    {
        return LevelRamp().colourOf (levelDb, floorDb);
    }

    void SpectrogramView::resized()
    {
        rebuildImage();
    }

    void SpectrogramView::rebuildImage()
    {
        const auto width = juce::jmin (getWidth(), maxImageWidth);
        const auto height = juce::jmin (getHeight(), maxImageHeight);

        // The rows are spread over height - 1 steps, so a picture needs two rows at least.
        if (! canBeDrawn (data) || width < 1 || height < 2)
        {
            image = {};
            return;
        }

        const FrequencyScale scale (data);
        const auto lastBin = (double) (data.numBins - 1);

        std::vector<int> rowBins ((size_t) height);

        for (int j = 0; j < height; ++j)
        {
            const auto position = 1.0 - (double) j / (double) (height - 1);
            const auto frequency = std::exp (position * (scale.lnHi - scale.lnLo) + scale.lnLo);
            const auto bin = frequency * (double) data.fftSize / data.sampleRate;
            // std::round takes halves away from zero; clamp before turning it into an int.
            rowBins[(size_t) j] = (int) juce::jlimit (0.0, lastBin, std::round (bin));
        }

        const LevelRamp ramp;
        juce::Image picture (juce::Image::RGB, width, height, false);

        {
            juce::Image::BitmapData pixels (picture, juce::Image::BitmapData::writeOnly);

            for (int i = 0; i < width; ++i)
            {
                const auto frame = juce::jlimit (0, data.numFrames - 1,
                                                 (int) std::floor ((double) data.numFrames * i / (double) width));

                for (int j = 0; j < height; ++j)
                    pixels.setPixelColour (i, j, ramp.colourOf (data.valueAt (frame, rowBins[(size_t) j]), data.floorDb));
            }
        }

        image = picture;
    }

    void SpectrogramView::paint (juce::Graphics& g)
    {
        g.setColour (colours::panelBackground);
        g.fillRoundedRectangle (getLocalBounds().toFloat(), 4.0f);

        const auto area = drawingAreaOf (getLocalBounds());

        if (analysing)
        {
            paintCentredMessage (g, "analysing...");
            return;
        }

        if (! image.isValid())
        {
            paintCentredMessage (g, "No file selected");
            return;
        }

        paintImage (g, area);
        paintFrequencyGrid (g, area);

        if (hoverFraction >= 0.0)
            drawHoverLine (g, area, hoverFraction);

        if (playheadFraction >= 0.0)
        {
            const auto x = (float) ((double) area.getX() + playheadFraction * (double) area.getWidth());
            g.setColour (colours::accent);
            g.fillRect (juce::Rectangle<float> (x - 1.0f, (float) area.getY(), 2.0f, (float) area.getHeight()));
        }

        if (hoverFraction >= 0.0 && durationSeconds > 0.0 && isMouseOver())
            drawHoverTimeBubble (g, area, hoverLineX (area, hoverFraction),
                                 (visibleStart + (visibleEnd - visibleStart) * hoverFraction) * durationSeconds);

        if (markerFraction >= 0.0)
            drawMarker (g, area, markerFraction);

        g.setColour (colours::subtleOutline);
        g.drawRoundedRectangle (0.5f, 0.5f, (float) getWidth() - 1.0f, (float) getHeight() - 1.0f, 4.0f, 1.0f);
    }

    void SpectrogramView::paintCentredMessage (juce::Graphics& g, const juce::String& text) const
    {
        g.setColour (colours::textDisabled);
        g.setFont (bodyFont());
        g.drawText (text, getLocalBounds(), juce::Justification::centred);
    }

    void SpectrogramView::paintImage (juce::Graphics& g, juce::Rectangle<int> area) const
    {
        if (area.isEmpty())
            return;

        const auto span = dataEnd - dataStart;
        const auto a = span > 0.0 ? juce::jlimit (0.0, 1.0, (visibleStart - dataStart) / span) : 0.0;
        const auto b = span > 0.0 ? juce::jlimit (0.0, 1.0, (visibleEnd - dataStart) / span) : 1.0;
        const auto imageWidth = image.getWidth();

        // A visible range past the data's end still names a column that exists: the last one.
        const auto sourceX = juce::jlimit (0, imageWidth - 1, (int) std::floor ((double) imageWidth * a));
        const auto sourceWidth = juce::jmin (imageWidth - sourceX,
                                             juce::jmax ((int) std::ceil ((double) imageWidth * (b - a)), 1));

        g.drawImage (image, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                     sourceX, 0, sourceWidth, image.getHeight());
    }

    void SpectrogramView::paintFrequencyGrid (juce::Graphics& g, juce::Rectangle<int> area) const
    {
        const FrequencyScale scale (data);
        g.setFont (tinyFont());

        for (const int frequency : { 100, 1000, 10000 })
        {
            if (! ((double) frequency > scale.lo && (double) frequency < scale.nyquist))
                continue;

            const auto y = (int) ((double) area.getBottom() - scale.heightOf ((double) frequency) * (double) area.getHeight());
            const auto label = frequency >= 1000 ? juce::String (frequency / 1000) + "k" : juce::String (frequency);

            g.setColour (juce::Colours::white.withAlpha (0.14f));
            g.fillRect (area.getX(), y, area.getWidth(), 1);
            g.setColour (juce::Colours::white.withAlpha (0.45f));
            g.drawText (label, juce::Rectangle<int> (area.getX() + 4, y - 12, 40, 12), juce::Justification::centredLeft);
        }
    }

    void SpectrogramView::mouseMove (const juce::MouseEvent& e)
    {
        if (getWidth() - 6 <= 0)
            return;

        hoverFraction = fractionAcross (e.position.x, getWidth());
        repaint();

        if (onHover)
            onHover (hoverFraction);
    }

    void SpectrogramView::mouseExit (const juce::MouseEvent&)
    {
        if (hoverFraction < 0.0)
            return;

        hoverFraction = -1.0;
        repaint();

        if (onHover)
            onHover (-1.0);
    }

    void SpectrogramView::mouseDown (const juce::MouseEvent& e)
    {
        if (getWidth() - 6 <= 0)
            return;

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

    void SpectrogramView::mouseDrag (const juce::MouseEvent& e)
    {
        if (getWidth() - 6 <= 0 || e.mods.isRightButtonDown())
            return;

        if (onSeek)
            onSeek (fractionAcross (e.position.x, getWidth()));
    }

    void SpectrogramView::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
    {
        if (getWidth() - 6 <= 0)
            return;

        if (onWheel)
            onWheel (wheel.deltaY, fractionAcross (e.position.x, getWidth()));
    }
}
