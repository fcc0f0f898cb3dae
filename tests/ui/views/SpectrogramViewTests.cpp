#include "ui/SpectrogramView.h"

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

    // A 306 x 206 view draws into the area (3, 3, 300, 200).
    constexpr int viewWidth = 306, viewHeight = 206;

    Palette testPalette()
    {
        auto p = testsupport::distinctPalette();
        p.spectrogram = juce::Colour (0xff004080);
        p.spectrogramPeak = juce::Colour (0xff00ffc0);
        return p;
    }

    // Every frame and bin at the floor, except the cells a rule raises.
    SpectrogramData spectrogramOf (double sampleRate, int fftSize, int numFrames,
                                   std::function<float (int frame, int bin)> level = {})
    {
        SpectrogramData d;
        d.sampleRate = sampleRate;
        d.fftSize = fftSize;
        d.numBins = fftSize / 2;
        d.numFrames = numFrames;
        d.durationSeconds = 10.0;
        d.magnitudes.assign ((size_t) (d.numFrames * d.numBins), d.floorDb);

        if (level)
            for (int f = 0; f < d.numFrames; ++f)
                for (int b = 0; b < d.numBins; ++b)
                    d.magnitudes[(size_t) (f * d.numBins + b)] = level (f, b);

        return d;
    }

    struct ViewFixture
    {
        ScopedPalette palette { testPalette() };
        SpectrogramView view;

        ViewFixture() { view.setSize (viewWidth, viewHeight); }

        juce::Image snapshot() { return view.createComponentSnapshot (view.getLocalBounds()); }
    };

    TEST (SpectrogramViewTests, LevelsMapOntoTheRampBetweenTheBackgroundAndThePeakColour)
    {
        const ScopedPalette palette (testPalette());
        const auto background = colours::panelBackground;
        const auto quiet = colours::spectrogram;
        const auto bright = quiet.brighter (0.9f);
        const auto loud = colours::spectrogramPeak;

        struct Case { float level, floor; juce::Colour expected; };
        const Case cases[] = {
            { -90.0f, -90.0f, background },
            { -200.0f, -90.0f, background },
            { -78.75f, -90.0f, background.interpolatedWith (quiet, 0.5f) },   // t = 0.125
            { -67.5f, -90.0f, quiet },                                         // t = 0.25
            { -56.25f, -90.0f, quiet.interpolatedWith (bright, 0.5f) },        // t = 0.375
            { -45.0f, -90.0f, bright },                                        // t = 0.5
            { -22.5f, -90.0f, bright.interpolatedWith (loud, 0.5f) },          // t = 0.75
            { 0.0f, -90.0f, loud },
            { 12.0f, -90.0f, loud },
            { -30.0f, -60.0f, bright },                                        // the data's own floor counts
            { std::nanf (""), -90.0f, background },
            { -1.0f, 0.0f, background },                                       // a floor of 0 dB divides by nothing
            { 0.0f, 0.0f, loud },
        };

        for (const auto& c : cases)
            EXPECT_EQ (SpectrogramView::levelColour (c.level, c.floor), c.expected) << c.level << " over " << c.floor;

        // The picture carries those colours, and the view shows them.
        ViewFixture f;
        f.view.setSpectrogram (spectrogramOf (44100.0, 256, 4, [] (int, int) { return -56.25f; }));
        const auto expected = quiet.interpolatedWith (bright, 0.5f);
        ASSERT_TRUE (f.view.getImage().isValid());
        EXPECT_EQ (f.view.getImage().getPixelAt (100, 100), expected);
        EXPECT_TRUE (coloursNear (f.snapshot().getPixelAt (200, 120), expected));
    }

    TEST (SpectrogramViewTests, TimeRunsRightAndFrequencyRisesOnALogScale)
    {
        // Four frames; the last two hold a band around 1 kHz (bins 90..96 of 4096 at 44.1 kHz).
        ViewFixture f;
        f.view.setSpectrogram (spectrogramOf (44100.0, 4096, 4, [] (int frame, int bin)
        {
            return frame >= 2 && bin >= 90 && bin <= 96 ? 0.0f : -90.0f;
        }));

        const auto& image = f.view.getImage();
        ASSERT_EQ (image.getWidth(), viewWidth);
        ASSERT_EQ (image.getHeight(), viewHeight);

        // From 30 Hz at the bottom row to 22.05 kHz at the top one, logarithmically.
        const auto expectedRow = (1.0 - std::log (1000.0 / 30.0) / std::log (22050.0 / 30.0)) * (viewHeight - 1);
        const auto loud = colours::spectrogramPeak;

        for (const int x : { 160, 230, 305 })
        {
            const auto band = inkBounds (image, { x, 0, 1, viewHeight }, [loud] (juce::Colour c) { return c == loud; });
            ASSERT_FALSE (band.isEmpty()) << x;
            EXPECT_NEAR (band.getCentreY(), expectedRow, 2.0) << x;
            EXPECT_LE (band.getHeight(), 4) << "a narrow band stays narrow on a log scale";
        }

        for (const int x : { 0, 76, 152 })
            EXPECT_TRUE (inkBounds (image, { x, 0, 1, viewHeight }, [] (juce::Colour c) { return c != juce::Colours::black; }).isEmpty())
                << "frames 0 and 1 are silent, column " << x;
    }

    TEST (SpectrogramViewTests, GridLinesAndLabelsOnlyBetweenTheLowestFrequencyAndNyquist)
    {
        struct Case { double rate; int fftSize; std::vector<int> frequencies; };
        const Case cases[] = {
            { 44100.0, 4096, { 100, 1000, 10000 } },   // lo = 30 Hz, the first bin's centre (5.4 Hz) is below
            { 16000.0, 1024, { 100, 1000 } },          // 10 kHz is above the 8 kHz Nyquist
            { 2000.0, 64, { 100 } },                   // Nyquist is 1 kHz itself
            { 48000.0, 64, { 1000, 10000 } },          // the first bin's centre, 375 Hz, is the lowest
            { 100.0, 64, {} },
        };

        const auto isLine = [] (juce::Colour c) { return c.getRed() > 20 && c.getRed() < 60 && c.getRed() == c.getGreen() && c.getRed() == c.getBlue(); };
        const auto isLabelInk = [] (juce::Colour c) { return c.getRed() > 60 && c.getRed() == c.getGreen() && c.getRed() == c.getBlue(); };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.rate);
            ViewFixture f;
            f.view.setSpectrogram (spectrogramOf (c.rate, c.fftSize, 3));
            const auto image = f.snapshot();

            const auto nyquist = c.rate / 2.0;
            const auto lo = std::max (0.5 * c.rate / c.fftSize, 30.0);
            const auto hi = std::max (nyquist, 2.0 * lo);
            std::vector<int> expectedRows, rows;

            for (const int frequency : c.frequencies)
            {
                const auto y = (int) (203.0 - std::log (frequency / lo) / std::log (hi / lo) * 200.0);
                expectedRows.push_back (y);

                const auto label = frequency >= 1000 ? juce::String (frequency / 1000) + "k" : juce::String (frequency);
                const juce::Rectangle<float> box (7.0f, (float) y - 12.0f, 40.0f, 12.0f);
                const auto region = box.toNearestInt().expanded (3, 2);
                EXPECT_EQ (inkBounds (image, region, isLabelInk),
                           expectedTextInk ({ viewWidth, viewHeight }, label, tinyFont(), juce::Colours::white.withAlpha (0.45f),
                                            box, juce::Justification::centredLeft, isLabelInk)) << label;
            }

            for (int y = 3; y < 203; ++y)
                if (isLine (image.getPixelAt (150, y)))
                    rows.insert (rows.begin(), y);   // bottom-up, as the frequencies are listed

            EXPECT_EQ (rows, expectedRows);
        }
    }

    TEST (SpectrogramViewTests, DegenerateSizesAndDataGiveNoPictureAndNoFault)
    {
        const auto good = spectrogramOf (44100.0, 256, 8, [] (int frame, int) { return frame * -10.0f; });

        struct SizeCase { int w, h; int imageW, imageH; };
        const SizeCase sizes[] = {
            { 0, 0, 0, 0 }, { 0, 50, 0, 0 }, { 50, 0, 0, 0 },
            { 50, 1, 0, 0 },               // one row would spread over no steps at all
            { 50, 2, 50, 2 }, { 1, 50, 1, 50 }, { 6, 6, 6, 6 },
            { 2000, 600, 2000, 600 }, { 2500, 700, 2000, 600 },
        };

        for (const auto& s : sizes)
        {
            SCOPED_TRACE (juce::String (s.w) + "x" + juce::String (s.h));
            ViewFixture f;
            f.view.setSize (s.w, s.h);
            f.view.setSpectrogram (good);
            f.view.setPlayheadFraction (0.5);
            f.view.setMarkerFraction (0.5);
            f.view.setHoverFraction (0.5);
            const auto& image = f.view.getImage();
            EXPECT_EQ (image.isValid() ? image.getWidth() : 0, s.imageW);
            EXPECT_EQ (image.isValid() ? image.getHeight() : 0, s.imageH);

            if (s.w > 0 && s.h > 0)
                f.snapshot();

            // Growing to a usable size builds the picture.
            f.view.setSize (100, 40);
            EXPECT_TRUE (f.view.getImage().isValid());
        }

        struct DataCase { const char* name; std::function<void (SpectrogramData&)> spoil; };
        const DataCase spoilt[] = {
            { "no magnitudes", [] (SpectrogramData& d) { d.magnitudes.clear(); } },
            { "no frames", [] (SpectrogramData& d) { d.numFrames = 0; } },
            { "no bins", [] (SpectrogramData& d) { d.numBins = 0; } },
            { "no FFT size", [] (SpectrogramData& d) { d.fftSize = 0; } },
            { "no sample rate", [] (SpectrogramData& d) { d.sampleRate = 0.0; } },
            { "negative sample rate", [] (SpectrogramData& d) { d.sampleRate = -44100.0; } },
            { "sample rate not a number", [] (SpectrogramData& d) { d.sampleRate = std::nan (""); } },
        };

        for (const auto& c : spoilt)
        {
            SCOPED_TRACE (c.name);
            ViewFixture f;
            auto data = good;
            c.spoil (data);
            f.view.setSpectrogram (data);
            EXPECT_FALSE (f.view.getImage().isValid());
            EXPECT_EQ (inkBounds (f.snapshot(), isRedInk),
                       expectedTextInk ({ viewWidth, viewHeight }, "No file selected", bodyFont(), colours::textDisabled,
                                        { 0, 0, viewWidth, viewHeight }, juce::Justification::centred, isRedInk));
        }

        // Fewer magnitudes than the grid claims read as the floor where they are missing.
        ViewFixture f;
        auto shortData = good;
        shortData.magnitudes.resize (10);
        f.view.setSpectrogram (shortData);
        ASSERT_TRUE (f.view.getImage().isValid());
        EXPECT_EQ (f.view.getImage().getPixelAt (300, 100), colours::panelBackground);
    }

    TEST (SpectrogramViewTests, MessagesWhileAnalysingAndWithoutData)
    {
        ViewFixture f;
        const auto message = [] (const juce::String& text)
        {
            return expectedTextInk ({ viewWidth, viewHeight }, text, bodyFont(), colours::textDisabled,
                                    { 0, 0, viewWidth, viewHeight }, juce::Justification::centred, isRedInk);
        };

        EXPECT_FALSE (f.view.getImage().isValid());
        EXPECT_EQ (inkBounds (f.snapshot(), isRedInk), message ("No file selected"));

        f.view.setSpectrogram (spectrogramOf (44100.0, 256, 4, [] (int, int) { return 0.0f; }));
        f.view.setAnalysing (true);
        EXPECT_TRUE (f.view.getImage().isValid());
        EXPECT_EQ (inkBounds (f.snapshot(), isRedInk), message ("analysing..."));
        EXPECT_EQ (f.snapshot().getPixelAt (viewWidth / 2, 0), colours::panelBackground) << "no border while analysing";

        // New data ends the analysing state and is drawn, with a border.
        f.view.setSpectrogram (spectrogramOf (44100.0, 256, 4, [] (int, int) { return 0.0f; }));
        EXPECT_FALSE (f.view.isAnalysing());
        const auto drawn = f.snapshot();
        EXPECT_TRUE (inkBounds (drawn, isRedInk).isEmpty());
        EXPECT_TRUE (coloursNear (drawn.getPixelAt (viewWidth / 2, 120), colours::spectrogramPeak));
        EXPECT_TRUE (coloursNear (drawn.getPixelAt (viewWidth / 2, 0), colours::subtleOutline));

        f.view.clear();
        EXPECT_FALSE (f.view.getImage().isValid());
        EXPECT_EQ (f.view.getSpectrogram().floorDb, -90.0f);
        EXPECT_EQ (inkBounds (f.snapshot(), isRedInk), message ("No file selected"));
    }

    TEST (SpectrogramViewTests, VisibleRangeChoosesWhichColumnsOfThePictureAreStretchedAcross)
    {
        // Frame 0 silent, frame 1 at full scale: the left half of the picture is background.
        const auto halves = spectrogramOf (44100.0, 256, 2, [] (int frame, int) { return frame == 1 ? 0.0f : -90.0f; });

        struct Case { const char* name; double dataStart, dataEnd, visibleStart, visibleEnd; bool leftLoud, rightLoud; };
        const Case cases[] = {
            { "whole data", 0, 1, 0, 1, false, true },
            { "first quarter", 0, 1, 0, 0.25, false, false },
            { "narrower than a column", 0, 1, 0.75, 0.7501, true, true },
            { "data is the later half of the take", 0.5, 1, 0.5, 1, false, true },
            { "shown past the data's end", 0, 0.5, 0.6, 0.9, true, true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            ViewFixture f;
            f.view.setSpectrogram (halves);
            f.view.setDataRange (c.dataStart, c.dataEnd);
            f.view.setVisibleRange (c.visibleStart, c.visibleEnd);
            const auto image = f.snapshot();
            const auto expect = [] (bool isLoud) { return isLoud ? colours::spectrogramPeak : colours::panelBackground; };

            EXPECT_TRUE (coloursNear (image.getPixelAt (5, 120), expect (c.leftLoud)));
            EXPECT_TRUE (coloursNear (image.getPixelAt (300, 120), expect (c.rightLoud)));
        }
    }

    TEST (SpectrogramViewTests, PlayheadMarkerAndHoverDrawOverThePicture)
    {
        ViewFixture f;
        f.view.setSpectrogram (spectrogramOf (44100.0, 256, 4));
        f.view.setDurationSeconds (10.0);
        f.view.setPlayheadFraction (0.5);   // x = 153: a bar over 152 and 153
        f.view.setMarkerFraction (0.25);    // x = 78
        f.view.setHoverFraction (0.75);     // x = 228

        const auto image = f.snapshot();
        EXPECT_TRUE (coloursNear (image.getPixelAt (152, 120), colours::accent));
        EXPECT_TRUE (coloursNear (image.getPixelAt (153, 120), colours::accent));
        EXPECT_TRUE (coloursNear (image.getPixelAt (77, 120), colours::warning));
        EXPECT_TRUE (coloursNear (image.getPixelAt (74, 4), colours::warning)) << "top tick";
        EXPECT_TRUE (coloursNear (image.getPixelAt (228, 120), juce::Colours::black.interpolatedWith (colours::warning, 0.9f)));
        EXPECT_EQ (image.getPixelAt (229, 120), juce::Colours::black);

        // The time bubble waits for the pointer itself.
        const juce::Rectangle<int> bubbleBand (100, 3, 203, 16);
        EXPECT_TRUE (inkBounds (image, bubbleBand, isWhiteInk).isEmpty());

        const PointerOver pointer (f.view, { 228, 120 });
        ASSERT_DOUBLE_EQ (f.view.getHoverFraction(), 0.75);
        const auto text = formatDuration (7.5);
        const auto width = juce::jmax (std::ceil (tinyFont().getStringWidthFloat (text)) + 8.0f, 34.0f);
        EXPECT_EQ (inkBounds (f.snapshot(), bubbleBand, isWhiteInk),
                   expectedTextInk ({ viewWidth, viewHeight }, text, tinyFont(), juce::Colours::white, { 232.0f, 5.0f, width, 13.0f },
                                    juce::Justification::centred, isWhiteInk));
    }

    TEST (SpectrogramViewTests, SettersAndGesturesFollowTheWaveformView)
    {
        checkPositionSetter<SpectrogramView> ("playhead", &SpectrogramView::setPlayheadFraction, &SpectrogramView::getPlayheadFraction);
        checkPositionSetter<SpectrogramView> ("marker", &SpectrogramView::setMarkerFraction, &SpectrogramView::getMarkerFraction);
        checkPositionSetter<SpectrogramView> ("hover", &SpectrogramView::setHoverFraction, &SpectrogramView::getHoverFraction);
        checkGestures<SpectrogramView>();

        SpectrogramView view;
        view.setDataRange (0.5, 0.2);
        view.setVisibleRange (0.7, 0.1);
        EXPECT_EQ (view.getDataEnd(), 0.5 + 1e-9);
        EXPECT_EQ (view.getVisibleEnd(), 0.7 + 1e-9);
        view.setDurationSeconds (-1.0);
        EXPECT_EQ (view.getDurationSeconds(), 0.0);

        // Without a drawing width the gestures report nothing.
        for (const int width : { 6, 3, 0 })
        {
            const auto log = gesturesOnANarrowView<SpectrogramView> (width);
            EXPECT_TRUE (log.hovers.empty() && log.seeks.empty() && log.rightClicks.empty() && log.wheels.empty()) << width;
        }
    }
}
}
