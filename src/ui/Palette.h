#pragma once

#include "core/model/Types.h"

#include <juce_graphics/juce_graphics.h>

#include <array>

namespace korvid::ui
{
    /** The interface colours by role. One palette is current for the whole process;
        components read it when they paint and never keep copies. */
    struct Palette
    {
        juce::Colour windowBackground;
        juce::Colour panelBackground;
        juce::Colour raisedBackground;
        juce::Colour controlBackground;
        juce::Colour controlHover;
        juce::Colour outline;
        juce::Colour subtleOutline;
        juce::Colour textPrimary;
        juce::Colour textSecondary;
        juce::Colour textDisabled;
        juce::Colour accent;
        juce::Colour good;
        juce::Colour warning;
        juce::Colour bad;
        juce::Colour unassigned;
        juce::Colour stem;
        juce::Colour fullMix;
        juce::Colour alternativeMix;
        juce::Colour playhead;
        juce::Colour spectrogram;
        juce::Colour spectrogramPeak;
    };

    /** One row of the role table: the stored key, what the settings show, and the member. */
    struct PaletteEntry
    {
        const char* key;
        const char* label;
        const char* description;
        juce::Colour Palette::* member;
    };

    inline constexpr int paletteRoleCount = 21;

    /** The 21 roles in declaration order. */
    const std::array<PaletteEntry, paletteRoleCount>& paletteEntries();

    Palette defaultPalette();
    Palette getCurrentPalette();

    /** Makes the palette current and recolours everything that shows it: the file-kind
        waveform colours, the default look and feel, label tones and every window. */
    void applyPalette (const Palette& palette);

    /** The current palette, read-only; applyPalette is its only writer. */
    extern const Palette& currentPalette;

    juce::Colour confidenceColour (korvid::Confidence confidence);

    /** The text colour to put on a coloured fill such as a stem swatch. */
    juce::Colour textColourOn (juce::Colour background);

    /** References bound to the current palette, so a colour read at paint time is always
        the current one. fullMix and alternativeMix reach the interface through the
        file-kind colours instead. */
    namespace colours
    {
        extern const juce::Colour& windowBackground;
        extern const juce::Colour& panelBackground;
        extern const juce::Colour& raisedBackground;
        extern const juce::Colour& controlBackground;
        extern const juce::Colour& controlHover;
        extern const juce::Colour& outline;
        extern const juce::Colour& subtleOutline;
        extern const juce::Colour& textPrimary;
        extern const juce::Colour& textSecondary;
        extern const juce::Colour& textDisabled;
        extern const juce::Colour& accent;
        extern const juce::Colour& good;
        extern const juce::Colour& warning;
        extern const juce::Colour& bad;
        extern const juce::Colour& unassigned;
        extern const juce::Colour& stem;
        extern const juce::Colour& playhead;
        extern const juce::Colour& spectrogram;
        extern const juce::Colour& spectrogramPeak;
    }
}
