#include "ui/LookAndFeel.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>


namespace korvid::ui
{
namespace
{
    using testsupport::ScopedPalette;

    TEST (PaletteTests, RoleTableNamesEveryMemberOnceWithItsDefault)
    {
        struct Row { const char* key; juce::uint32 argb; };
        const Row expected[] = {
            { "windowBackground", 0xff1c1e20 }, { "panelBackground", 0xff232629 }, { "raisedBackground", 0xff2c3033 },
            { "controlBackground", 0xff34383c }, { "controlHover", 0xff3f4448 }, { "outline", 0xff44494e },
            { "subtleOutline", 0xff303437 }, { "textPrimary", 0xffe6e8ea }, { "textSecondary", 0xff9aa0a6 },
            { "textDisabled", 0xff62686d }, { "accent", 0xff7fb2d9 }, { "good", 0xff7bbf7b },
            { "warning", 0xffd9b25f }, { "bad", 0xffd97f7f }, { "unassigned", 0xff8a8f94 },
            { "stem", 0xff8fbf6b }, { "fullMix", 0xff7fb2d9 }, { "alternativeMix", 0xff6fd8ee },
            { "playhead", 0xffff6b6b }, { "spectrogram", 0xff2f6d8f }, { "spectrogramPeak", 0xff5fd0e8 },
        };

        const auto& entries = paletteEntries();
        const auto defaults = defaultPalette();

        ASSERT_EQ (entries.size(), std::size (expected));

        for (size_t i = 0; i < entries.size(); ++i)
        {
            SCOPED_TRACE (expected[i].key);
            EXPECT_STREQ (entries[i].key, expected[i].key);
            EXPECT_EQ ((defaults.*(entries[i].member)).getARGB(), expected[i].argb);
            EXPECT_TRUE (juce::String (entries[i].label).isNotEmpty());
            EXPECT_TRUE (juce::String (entries[i].description).isNotEmpty());

            for (size_t j = 0; j < i; ++j)
                EXPECT_NE (entries[j].member, entries[i].member) << "two rows stand for one member";
        }
    }

    TEST (PaletteTests, ApplyingAPaletteMovesEveryReaderToIt)
    {
        auto custom = testsupport::distinctPalette();
        custom.stem = juce::Colour (0xff336699);
        custom.fullMix = juce::Colour (0xff993366);
        custom.alternativeMix = juce::Colour (0xff669933);
        custom.playhead = juce::Colour (0xff123456);

        AppLookAndFeel lookAndFeel;
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);

        {
            const ScopedPalette scoped (custom);

            // The references see the new palette without being bound again.
            EXPECT_EQ (colours::accent, custom.accent);
            EXPECT_EQ (colours::playhead, custom.playhead);
            EXPECT_EQ (colours::textSecondary, custom.textSecondary);
            EXPECT_EQ (currentPalette.raisedBackground, custom.raisedBackground);
            EXPECT_EQ (getCurrentPalette().stem, custom.stem);

            const std::pair<FileKind, juce::Colour> kinds[] = {
                { FileKind::stem, custom.stem }, { FileKind::fullMix, custom.fullMix },
                { FileKind::alternativeMix, custom.alternativeMix } };

            for (const auto& [kind, colour] : kinds)
            {
                const auto wave = fileKindColours (kind);
                EXPECT_EQ (wave.top, colour.getARGB());
                EXPECT_EQ (wave.bottom, colour.darker (0.55f).getARGB());
                EXPECT_EQ (wave.stroke, colour.brighter (0.85f).getARGB());
            }

            // The default look and feel took the colours too.
            EXPECT_EQ (lookAndFeel.findColour (juce::ComboBox::arrowColourId), custom.textSecondary);
            EXPECT_EQ (lookAndFeel.findColour (juce::ResizableWindow::backgroundColourId), custom.windowBackground);
        }

        EXPECT_EQ (colours::accent, defaultPalette().accent);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    TEST (PaletteTests, ConfidenceAndTextOnFillReadTheCurrentPalette)
    {
        auto custom = defaultPalette();
        custom.good = juce::Colour (0xff010203);
        custom.warning = juce::Colour (0xff040506);
        custom.bad = juce::Colour (0xff070809);
        custom.unassigned = juce::Colour (0xff0a0b0c);
        custom.textPrimary = juce::Colour (0xff0d0e0f);
        const ScopedPalette scoped (custom);

        const std::pair<korvid::Confidence, juce::Colour> confidences[] = {
            { korvid::Confidence::confident, custom.good },
            { korvid::Confidence::review, custom.warning },
            { korvid::Confidence::ambiguous, custom.bad },
            { korvid::Confidence::unassigned, custom.unassigned },
            { static_cast<korvid::Confidence> (9), custom.unassigned },
        };

        for (const auto& [confidence, colour] : confidences)
            EXPECT_EQ (confidenceColour (confidence), colour) << static_cast<int> (confidence);

        // A grey's perceived brightness is its level; 140/255 is just below 0.55, 141/255 above.
        const juce::Colour dark (0xff181a1c);
        const std::pair<juce::Colour, juce::Colour> fills[] = {
            { juce::Colours::white, dark },
            { juce::Colour::greyLevel (141.0f / 255.0f), dark },
            { juce::Colour::greyLevel (140.0f / 255.0f), custom.textPrimary },
            { juce::Colours::black, custom.textPrimary },
            { juce::Colour (0xffffff00), dark },
            { juce::Colour (0xff0000ff), custom.textPrimary },
        };

        for (const auto& [fill, text] : fills)
            EXPECT_EQ (textColourOn (fill), text) << fill.toDisplayString (true);
    }
}
}
