#pragma once

#include "core/audio/Spectrogram.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    /** A spectrogram as a picture: time to the right, frequency upwards on a log scale,
        loudness as colour between the palette's two spectrogram colours. It carries the same
        playhead, marker, hover line, time bubble and gestures as the waveform view. The
        picture is built once per data and size, never while painting. */
    class SpectrogramView : public juce::Component
    {
    public:
        SpectrogramView();

        std::function<void (double)> onHover;        // as the mouse moves; -1 when it leaves
        std::function<void (double)> onSeek;         // left press and drag
        std::function<void (double)> onRightClick;   // right press
        std::function<void (float, double)> onWheel; // vertical delta, fraction under the mouse

        /** Shows finished data; ends the analysing state. */
        void setSpectrogram (korvid::SpectrogramData newData);
        void clear();
        void setAnalysing (bool isAnalysing);

        /** Fractions 0..1 of the whole take: the part the data covers, and the part shown. */
        void setDataRange (double start, double end);
        void setVisibleRange (double start, double end);

        /** Fractions of the drawing width; a negative value hides the position. */
        void setPlayheadFraction (double fraction);
        void setMarkerFraction (double fraction);
        void setHoverFraction (double fraction);

        void setDurationSeconds (double seconds);

        const korvid::SpectrogramData& getSpectrogram() const noexcept { return data; }
        /** The picture of the whole data at the view's size; invalid when there is none. */
        const juce::Image& getImage() const noexcept { return image; }
        bool isAnalysing() const noexcept { return analysing; }
        double getDurationSeconds() const noexcept { return durationSeconds; }
        double getDataStart() const noexcept { return dataStart; }
        double getDataEnd() const noexcept { return dataEnd; }
        double getVisibleStart() const noexcept { return visibleStart; }
        double getVisibleEnd() const noexcept { return visibleEnd; }
        double getMarkerFraction() const noexcept { return markerFraction; }
        double getPlayheadFraction() const noexcept { return playheadFraction; }
        double getHoverFraction() const noexcept { return hoverFraction; }

        /** The colour of a level in dB against a floor in dB (0 dB is full scale). */
        static juce::Colour levelColour (float levelDb, float floorDb);

        void paint (juce::Graphics& g) override;
        void resized() override;
        void mouseMove (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDrag (const juce::MouseEvent& e) override;
        void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    private:
        void rebuildImage();
        void paintImage (juce::Graphics& g, juce::Rectangle<int> area) const;
        void paintFrequencyGrid (juce::Graphics& g, juce::Rectangle<int> area) const;
        void paintCentredMessage (juce::Graphics& g, const juce::String& text) const;

        korvid::SpectrogramData data;
        juce::Image image;
        bool analysing = false;
        double hoverFraction = -1.0;
        double durationSeconds = 0.0;
        double dataStart = 0.0, dataEnd = 1.0;
        double visibleStart = 0.0, visibleEnd = 1.0;
        double markerFraction = -1.0, playheadFraction = -1.0;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrogramView)
    };
}
