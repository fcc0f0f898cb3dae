#include "ui/TransportButton.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    using testsupport::coloursNear;

    const juce::String longTooltip = "Play. Press it again while it is playing to stop.";

    TEST (TransportButtonTests, NameAndTooltipFollowCaptionAndPlayingState)
    {
        TransportButton unnamed ({});
        EXPECT_EQ (unnamed.getName(), "Play");
        EXPECT_TRUE (unnamed.getCaption().isEmpty());
        EXPECT_EQ (unnamed.getTooltip(), longTooltip);

        TransportButton named ("Audition");
        EXPECT_EQ (named.getName(), "Audition");
        EXPECT_EQ (named.getCaption(), "Audition");

        // Each step: the state set, then the tooltip expected.
        const std::pair<bool, juce::String> steps[] = {
            { false, longTooltip },   // unchanged value: the long tooltip stays
            { true, "Stop" },
            { true, "Stop" },
            { false, "Play" },
        };

        for (const auto& [playing, tooltip] : steps)
        {
            unnamed.setPlaying (playing);
            EXPECT_EQ (unnamed.isPlaying(), playing);
            EXPECT_EQ (unnamed.getTooltip(), tooltip);
        }

        unnamed.setLoading (true);
        EXPECT_TRUE (unnamed.isLoading());
        EXPECT_EQ (unnamed.getTooltip(), "Play") << "loading leaves the tooltip alone";
    }

    TEST (TransportButtonTests, IconShowsPlayStopOrDotsAndTheFillShowsPlaying)
    {
        const testsupport::ScopedPalette scoped (testsupport::distinctPalette());
        const auto& p = currentPalette;

        // 40 x 28 without a caption: the 12-pixel icon square is centred at (14, 8)..(26, 20).
        // Probes: inside the triangle only near its left edge, in the square's top-right
        // corner outside the triangle, in the gap between the first two dots (inside the
        // triangle), and on the middle dot.
        const juce::Point<int> triangleOnly (17, 13), squareCorner (24, 9), dotGap (18, 14), middleDot (20, 13);
        const auto idleFill = p.controlBackground;
        const auto playingFill = p.accent.withAlpha (0.28f);

        struct Case
        {
            const char* name;
            bool playing, loading, enabled;
            juce::Colour fill, atTriangle, atCorner, atGap, atDot;
        };

        const Case cases[] = {
            { "idle", false, false, true, idleFill, p.textPrimary, idleFill, p.textPrimary, p.textPrimary },
            { "playing", true, false, true, playingFill, p.accent, p.accent, p.accent, p.accent },
            { "loading", false, true, true, idleFill, idleFill, idleFill, idleFill, p.textPrimary },
            { "loading while playing", true, true, true, playingFill, playingFill, playingFill, playingFill, p.accent },
            { "disabled", false, false, false, idleFill.withMultipliedAlpha (0.5f), p.textDisabled, idleFill.withMultipliedAlpha (0.5f),
              p.textDisabled, p.textDisabled },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            TransportButton button ({});
            button.setSize (40, 28);
            button.setPlaying (c.playing);
            button.setLoading (c.loading);
            button.setEnabled (c.enabled);
            const auto image = button.createComponentSnapshot (button.getLocalBounds());

            const std::pair<juce::Point<int>, juce::Colour> probes[] = {
                { { 4, 14 }, c.fill }, { triangleOnly, c.atTriangle }, { squareCorner, c.atCorner },
                { dotGap, c.atGap }, { middleDot, c.atDot } };

            for (const auto& [at, expected] : probes)
            {
                const auto actual = image.getPixelAt (at.x, at.y);
                EXPECT_TRUE (coloursNear (actual, expected, 8))
                    << "at " << at.x << "," << at.y << ": " << actual.toDisplayString (true) << " not " << expected.toDisplayString (true);
            }

            // The border: accent while playing, outline otherwise.
            EXPECT_TRUE (coloursNear (image.getPixelAt (0, 14).withAlpha (1.0f), c.playing ? p.accent : p.outline, 8));
        }
    }

    TEST (TransportButtonTests, CaptionIsDrawnRightOfTheIconOnlyWhenGiven)
    {
        const testsupport::ScopedPalette scoped (testsupport::distinctPalette());
        const auto& p = currentPalette;

        const auto hasTextRightOf = [] (const juce::Image& image, int fromX)
        {
            for (int y = 2; y < image.getHeight() - 2; ++y)
                for (int x = fromX; x < image.getWidth() - 2; ++x)
                    if (coloursNear (image.getPixelAt (x, y), colours::textPrimary, 60))
                        return true;
            return false;
        };

        TransportButton captioned ("Audition");
        captioned.setSize (140, 28);
        auto image = captioned.createComponentSnapshot (captioned.getLocalBounds());
        // With a caption the icon sits 10 pixels in from the left.
        EXPECT_TRUE (coloursNear (image.getPixelAt (12, 14), p.textPrimary, 8));
        EXPECT_TRUE (hasTextRightOf (image, 31));

        captioned.setEnabled (false);
        image = captioned.createComponentSnapshot (captioned.getLocalBounds());
        EXPECT_FALSE (hasTextRightOf (image, 31)) << "a disabled caption is drawn in the disabled colour";

        TransportButton plain ({});
        plain.setSize (140, 28);
        image = plain.createComponentSnapshot (plain.getLocalBounds());
        EXPECT_FALSE (hasTextRightOf (image, 80)) << "no text without a caption";
        EXPECT_TRUE (coloursNear (image.getPixelAt (67, 14), p.textPrimary, 8)) << "icon centred";
    }
}
}
