#pragma once

#include "core/audio/WaveformOverview.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    /** The waveform strip of the players: a filled min/max outline of an overview, a loading
        state with progress, the playhead, a marker and the position under the mouse with its
        time. It holds no audio; the owner feeds it through the setters and hears the user's
        gestures through the callbacks, as fractions 0..1 of the drawing width. */
    class WaveformView : public juce::Component,
                         public juce::SettableTooltipClient
    {
    public:
        WaveformView();

        std::function<void (double)> onHover;        // as the mouse moves; -1 when it leaves
        std::function<void (double)> onSeek;         // left press and drag
        std::function<void (double)> onRightClick;   // right press
        std::function<void (float, double)> onWheel; // vertical delta, fraction under the mouse

        void setOverview (const korvid::WaveformOverview& newOverview);
        void clear();
        void setWaveformColour (juce::Colour newColour);

        /** Fractions 0..1 of the whole take: the part the overview covers, and the part shown. */
        void setDataRange (double start, double end);
        void setVisibleRange (double start, double end);

        void setLoading (bool shouldShowLoading);
        /** 0..1; below 0 hides the percentage. */
        void setProgress (double fraction);
        void setLoadingText (const juce::String& text);
        void setEmptyText (const juce::String& text);

        /** Fractions of the drawing width; a negative value hides the position. */
        void setPlayheadFraction (double fraction);
        void setMarkerFraction (double fraction);
        void setHoverFraction (double fraction);

        void setDurationSeconds (double seconds);

        bool holdsOverview() const noexcept { return hasOverview; }
        const korvid::WaveformOverview& getOverview() const noexcept { return overview; }
        juce::Colour getWaveformColour() const noexcept { return colour; }
        bool isLoading() const noexcept { return loading; }
        const juce::String& getLoadingText() const noexcept { return loadingText; }
        double getProgressPercent() const noexcept { return percent; }
        const juce::String& getEmptyText() const noexcept { return emptyText; }
        double getDurationSeconds() const noexcept { return durationSeconds; }
        double getDataStart() const noexcept { return dataStart; }
        double getDataEnd() const noexcept { return dataEnd; }
        double getVisibleStart() const noexcept { return visibleStart; }
        double getVisibleEnd() const noexcept { return visibleEnd; }
        double getMarkerFraction() const noexcept { return markerFraction; }
        double getPlayheadFraction() const noexcept { return playheadFraction; }
        double getHoverFraction() const noexcept { return hoverFraction; }

        /** Draws an overview's outline into an area, with a gradient of the colour. The
            compact form uses smaller text for "no waveform" and "silence". */
        static void drawMiniWaveform (juce::Graphics& g, juce::Rectangle<float> area,
                                      const korvid::WaveformOverview& overview, juce::Colour colour, bool compact,
                                      double dataStart, double dataEnd, double visibleStart, double visibleEnd);

        void paint (juce::Graphics& g) override;
        void mouseMove (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDrag (const juce::MouseEvent& e) override;
        void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    private:
        void paintLoading (juce::Graphics& g, juce::Rectangle<int> area) const;
        void paintPlayhead (juce::Graphics& g, juce::Rectangle<int> area) const;

        korvid::WaveformOverview overview;
        bool hasOverview = false;
        juce::String emptyText { "Nothing to show" };
        juce::Colour colour;
        bool loading = false;
        juce::String loadingText { "reading..." };
        double percent = -1.0;
        double durationSeconds = 0.0;
        double dataStart = 0.0, dataEnd = 1.0;
        double visibleStart = 0.0, visibleEnd = 1.0;
        double markerFraction = -1.0, playheadFraction = -1.0, hoverFraction = -1.0;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveformView)
    };
}
