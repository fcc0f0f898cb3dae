#include "ui/Palette.h"

#include "core/report/FileKind.h"
#include "ui/LabelTones.h"
#include "ui/LookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    namespace
    {
        Palette makeDefaultPalette()
        {
            Palette p;
            p.windowBackground  = juce::Colour (0xff1c1e20);
            p.panelBackground   = juce::Colour (0xff232629);
            p.raisedBackground  = juce::Colour (0xff2c3033);
            p.controlBackground = juce::Colour (0xff34383c);
            p.controlHover      = juce::Colour (0xff3f4448);
            p.outline           = juce::Colour (0xff44494e);
            p.subtleOutline     = juce::Colour (0xff303437);
            p.textPrimary       = juce::Colour (0xffe6e8ea);
            p.textSecondary     = juce::Colour (0xff9aa0a6);
            p.textDisabled      = juce::Colour (0xff62686d);
            p.accent            = juce::Colour (0xff7fb2d9);
            p.good              = juce::Colour (0xff7bbf7b);
            p.warning           = juce::Colour (0xffd9b25f);
            p.bad               = juce::Colour (0xffd97f7f);
            p.unassigned        = juce::Colour (0xff8a8f94);
            p.stem              = juce::Colour (0xff8fbf6b);
            p.fullMix           = juce::Colour (0xff7fb2d9);
            p.alternativeMix    = juce::Colour (0xff6fd8ee);
            p.playhead          = juce::Colour (0xffff6b6b);
            p.spectrogram       = juce::Colour (0xff2f6d8f);
            p.spectrogramPeak   = juce::Colour (0xff5fd0e8);
            return p;
        }

        // Set before main runs, so no component ever sees an empty palette.
        Palette paletteStorage = makeDefaultPalette();

        WaveColours waveColoursFrom (juce::Colour c)
        {
            return { c.getARGB(), c.darker (0.55f).getARGB(), c.brighter (0.85f).getARGB() };
        }
    }

    const Palette& currentPalette = paletteStorage;

    namespace colours
    {
        const juce::Colour& windowBackground  = paletteStorage.windowBackground;
        const juce::Colour& panelBackground   = paletteStorage.panelBackground;
        const juce::Colour& raisedBackground  = paletteStorage.raisedBackground;
        const juce::Colour& controlBackground = paletteStorage.controlBackground;
        const juce::Colour& controlHover      = paletteStorage.controlHover;
        const juce::Colour& outline           = paletteStorage.outline;
        const juce::Colour& subtleOutline     = paletteStorage.subtleOutline;
        const juce::Colour& textPrimary       = paletteStorage.textPrimary;
        const juce::Colour& textSecondary     = paletteStorage.textSecondary;
        const juce::Colour& textDisabled      = paletteStorage.textDisabled;
        const juce::Colour& accent            = paletteStorage.accent;
        const juce::Colour& good              = paletteStorage.good;
        const juce::Colour& warning           = paletteStorage.warning;
        const juce::Colour& bad               = paletteStorage.bad;
        const juce::Colour& unassigned        = paletteStorage.unassigned;
        const juce::Colour& stem              = paletteStorage.stem;
        const juce::Colour& playhead          = paletteStorage.playhead;
        const juce::Colour& spectrogram       = paletteStorage.spectrogram;
        const juce::Colour& spectrogramPeak   = paletteStorage.spectrogramPeak;
    }

    const std::array<PaletteEntry, paletteRoleCount>& paletteEntries()
    {
        static const std::array<PaletteEntry, paletteRoleCount> entries {{
            { "windowBackground",  "Window",            "Behind everything",                      &Palette::windowBackground },
            { "panelBackground",   "Panel",             "Lists and the blocks of a page",         &Palette::panelBackground },
            { "raisedBackground",  "Raised panel",      "Headers, menus, tooltips",               &Palette::raisedBackground },
            { "controlBackground", "Control",           "Buttons, fields, combo boxes",           &Palette::controlBackground },
            { "controlHover",      "Control hover",     "A control under the pointer",            &Palette::controlHover },
            { "outline",           "Outline",           "The border of a control",                &Palette::outline },
            { "subtleOutline",     "Subtle outline",    "Dividers and the edges of lists",        &Palette::subtleOutline },
            { "textPrimary",       "Text",              "Everything you read",                    &Palette::textPrimary },
            { "textSecondary",     "Secondary text",    "Captions, hints, figures",               &Palette::textSecondary },
            { "textDisabled",      "Disabled text",     "A control that cannot be used yet",      &Palette::textDisabled },
            { "accent",            "Accent",            "Focus, selection, progress",             &Palette::accent },
            { "good",              "Good",              "Confident matches, a passed check",      &Palette::good },
            { "warning",           "Warning",           "Needs review",                           &Palette::warning },
            { "bad",               "Problem",           "Ambiguous matches, a failed check",      &Palette::bad },
            { "unassigned",        "Unassigned",        "A track with no stem",                   &Palette::unassigned },
            { "stem",              "Stem",              "A stem, here and in the HTML report",    &Palette::stem },
            { "fullMix",           "Full mix",          "The full mix, here and in the report",   &Palette::fullMix },
            { "alternativeMix",    "Alternative mix",   "An alternative mix, and in the report",  &Palette::alternativeMix },
            { "playhead",          "Playhead",          "Where the audition has got to",          &Palette::playhead },
            { "spectrogram",       "Spectrogram quiet", "The colour of the quiet parts",          &Palette::spectrogram },
            { "spectrogramPeak",   "Spectrogram loud",  "The colour the loud parts reach",        &Palette::spectrogramPeak },
        }};
        return entries;
    }

    Palette defaultPalette()
    {
        return makeDefaultPalette();
    }

    Palette getCurrentPalette()
    {
        return paletteStorage;
    }

    void applyPalette (const Palette& palette)
    {
        paletteStorage = palette;

        setFileKindColours (FileKind::stem, waveColoursFrom (palette.stem));
        setFileKindColours (FileKind::fullMix, waveColoursFrom (palette.fullMix));
        setFileKindColours (FileKind::alternativeMix, waveColoursFrom (palette.alternativeMix));

        if (auto* lookAndFeel = dynamic_cast<AppLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()))
            lookAndFeel->applyPaletteColours();

        auto& desktop = juce::Desktop::getInstance();

        // A window may close while it is told, so the count is read again each time.
        for (int i = 0; i < desktop.getNumComponents(); ++i)
        {
            if (auto* window = desktop.getComponent (i))
            {
                reapplyLabelTones (*window);
                window->sendLookAndFeelChange();
                window->repaint();
            }
        }
    }

    juce::Colour confidenceColour (korvid::Confidence confidence)
    {
        switch (confidence)
        {
            case korvid::Confidence::confident: return colours::good;
            case korvid::Confidence::review:    return colours::warning;
            case korvid::Confidence::ambiguous: return colours::bad;
            case korvid::Confidence::unassigned:
            default:                            return colours::unassigned;
        }
    }

    juce::Colour textColourOn (juce::Colour background)
    {
        return background.getPerceivedBrightness() > 0.55f ? juce::Colour (0xff181a1c) : colours::textPrimary;
    }
}
