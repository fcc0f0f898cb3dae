#pragma once

#include "app/pages/export/ExportPage.h"
#include "ui/MagnifierButton.h"
#include "ui/RowHeightButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace korvid::ui
{
    /** The strip along the bottom of the export page: run buttons, the output folder, "Save
        to preset", the zoom and row-height buttons of the gated-track list, and the phase
        bar that carries the status line. It only lays out and paints; the page wires it. */
    class ExportPage::RenderBar : public juce::Component
    {
    public:
        /** A progress bar that remembers which render phase covered which stretch of the run,
            with the page's status line drawn over it: dark over the filled part, light over the
            rest. */
        class PhaseBar : public juce::Component
        {
        public:
            struct Segment
            {
                int phase = 0;        // a RenderJob::Phase value
                double start = 0.0;   // fractions of the bar
                double end = 0.0;     // never below start
            };

            PhaseBar();

            /** The job's status: the progress (not a number counts as 0, else limited to 0..1)
                and the phase it belongs to. Starting and finished only extend the last stretch;
                a stretch shorter than half a percent is absorbed by the one before it. */
            void setProgress (double fraction, int phase);

            /** Assigns and repaints only when the text differs. */
            void setText (const juce::String& newText);

            /** No stretches, progress 0. */
            void reset();

            /** The end of a successful render: full progress, the last stretch reaches the end. */
            void complete();

            /** The fill colour of a phase. */
            static juce::Colour phaseColour (int phase);

            void paint (juce::Graphics& g) override;

            double progress = 0.0;
            juce::String text;
            std::vector<Segment> segments;

        private:
            JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PhaseBar)
        };

        RenderBar();

        /** Shows or hides the five zoom and row-height buttons together and lays out again. */
        void setZoomButtonsVisible (bool shouldShow);
        bool areZoomButtonsVisible() const;

        void paint (juce::Graphics& g) override;
        void resized() override;

        juce::TextButton analyseButton { "Analyse levels" };
        juce::TextButton renderButton { "Render and export" };
        juce::TextButton cancelButton { "Cancel" };
        juce::TextButton saveButton { "Save to preset" };
        juce::TextButton chooseFolderButton { "Choose render folder" };
        juce::TextButton openFolderButton { "Open folder" };
        juce::Label folderLabel;
        MagnifierButton zoomOutButton { "zoom out", MagnifierButton::zoomOut };
        MagnifierButton zoomInButton { "zoom in", MagnifierButton::zoomIn };
        MagnifierButton wholeTakeButton { "whole take", MagnifierButton::wholeTake };
        RowHeightButton shorterButton { "shorter", RowHeightButton::shorter };
        RowHeightButton tallerButton { "taller", RowHeightButton::taller };
        PhaseBar phaseBar;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RenderBar)
    };
}
