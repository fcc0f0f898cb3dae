#pragma once

#include "ui/Palette.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** One role of the palette: its swatch, label and description. A click (only while
        the custom palette is in use) opens a colour selector that recolours the role live. */
    class PaletteRow : public juce::Component
    {
    public:
        explicit PaletteRow (const PaletteEntry& paletteEntry);
        ~PaletteRow() override;

        /** Forwards a colour selector's changes to a function; other broadcasters are ignored. */
        struct Listener : public juce::ChangeListener
        {
            std::function<void (juce::ColourSelector&)> onColour;
            void changeListenerCallback (juce::ChangeBroadcaster* source) override;
        };

        const PaletteEntry entry;
        std::function<void()> onChange;   // after the user changed this row's colour

        void paint (juce::Graphics& g) override;
        void mouseUp (const juce::MouseEvent& e) override;

        juce::Colour currentColour() const;

    private:
        Listener listener;
        // The call-out box owns the selector and may outlive this row.
        juce::Component::SafePointer<juce::ColourSelector> openSelector;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PaletteRow)
    };

    /** The interface size and the colours, each applied and saved the moment it changes. */
    class SettingsDialog : public juce::Component
    {
    public:
        struct Callbacks
        {
            std::function<void (int)> onScaleChanged;                  // percent
            std::function<void (bool)> onCustomChanged;                // true for Custom
            std::function<void (const Palette&)> onPaletteEdited;      // the palette now current
        };

        /** Holds the rows and draws the line between their two columns. */
        class RowHolder : public juce::Component
        {
        public:
            void paint (juce::Graphics& g) override;
        };

        SettingsDialog (int scalePercent, bool customPaletteInUse, Callbacks callbacks);
        ~SettingsDialog() override;

        static constexpr int offeredScales[] = { 80, 90, 100, 110, 120 };
        static constexpr int rowHeight = 30;

        /** The offered size nearest to the percent; the smaller one on a tie. */
        static int nearestOfferedScale (int percent);

        void paint (juce::Graphics& g) override;
        void resized() override;

        // The dialog's parts, in the order they are built.
        std::function<void (int)> onScaleChanged;
        std::function<void (bool)> onCustomChanged;
        std::function<void (const Palette&)> onPaletteEdited;
        juce::Label scaleLabel;
        juce::Label coloursLabel;
        juce::ComboBox scaleBox;
        juce::ComboBox colourModeBox;
        juce::TextButton resetButton;
        juce::Viewport viewport;
        RowHolder rowHolder;
        std::vector<std::unique_ptr<PaletteRow>> rows;

    private:
        bool customSelected() const;
        void updateEnabledState();
        void reportPaletteEdited();
        void repaintRows();

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsDialog)
    };
}
