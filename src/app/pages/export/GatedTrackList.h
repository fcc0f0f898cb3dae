#pragma once

#include "app/pages/export/ExportPage.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/WaveformOverview.h"
#include "core/session/Cue.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** The tracks the silence gate touched in the last run, grouped by cue: how much was
        taken down, the waveform with the cleaned stretches shaded and their fades in blue, a
        play and a "next" button. One zoom window for every row; a cue folds away with a
        click on its header. Playing is the owner's: the list asks through its callbacks.
        Detail waveforms of a zoomed window are read on a worker thread of its own. */
    class ExportPage::GatedTrackList : public juce::Component
    {
    public:
        /** One track the gate touched. */
        struct Row
        {
            juce::File file;
            juce::String cueId;
            juce::String cueName;           // "Delivery" when the report gives none; rows are grouped by it
            juce::String fileName;
            juce::String stemName;
            double gatedSeconds = 0.0;
            double lengthSeconds = 0.0;
            int gatedRuns = 0;
            bool wholeFileSilent = false;
            std::vector<GatedRegion> regions;   // fractions of the take
            WaveformOverview overview;          // of the cleaned audio
        };

        /** A finer waveform of one row for a window of the take. */
        struct Detail
        {
            double startFraction = 0.0;
            double endFraction = 1.0;
            WaveformOverview overview;
        };

        class SettleTimer;
        class DetailJob;

        static constexpr int defaultRowHeight = 58;
        static constexpr int rowHeightStep = 16;
        static constexpr int shortestRow = 26;
        static constexpr int tallestRow = 220;
        static constexpr int groupHeight = 30;
        static constexpr int summaryHeight = 34;
        static constexpr int padding = 10;
        static constexpr int buttonWidth = 26;
        static constexpr int settleMs = 180;
        static constexpr int detailBuckets = 2400;
        static constexpr double smallestSpan = 0.0005;

        GatedTrackList();
        ~GatedTrackList() override;

        /** Takes the rows, unfolds every cue and forgets the details; visible exactly when
            there are rows. The window, the row height and the callbacks stay. */
        void setRows (std::vector<Row>&& newRows);
        const std::vector<Row>& getRows() const noexcept   { return rows; }

        /** Rows of a cue the session renamed take its new name. True when any changed. */
        bool renameCue (const juce::String& cueId, const juce::String& newName);

        void zoomBy (double factor);
        void resetView();
        void changeRowHeight (bool taller);
        void toggleCue (const juce::String& cueName);

        /** Reads finer waveforms of the window for the rows that need them. */
        void fetchDetails();
        /** A finished read; kept only while the rows and the row's file are the ones it was for. */
        void storeDetail (int index, int generation, const juce::File& file, Detail detail);

        bool jumpPlaying (bool forward);
        bool jumpWithin (int index, bool forward);
        /** Where a press on the play button starts: where the sound comes back when the
            first cleaned stretch begins the take, else 0. */
        static double playStartSeconds (const Row& row);

        int getRequiredHeight() const;
        int getRowHeight() const noexcept                   { return rowHeight; }
        int getLabelWidth() const noexcept                  { return labelWidth; }
        double getViewStart() const noexcept                { return viewStart; }
        double getViewEnd() const noexcept                  { return viewEnd; }
        const std::vector<Detail>& getDetails() const       { return details; }
        const juce::StringArray& getCollapsedCues() const   { return collapsedCues; }
        int getGeneration() const noexcept                  { return generation; }
        bool isSettling() const;
        int pendingDetailJobs() const;

        /** The summary line above the rows. */
        juce::String summaryText() const;

        std::function<void (const Row&, double)> onAudition;
        std::function<void (const Row&, double)> onSeekOrAudition;
        std::function<bool (const Row&)> isPlaying;
        std::function<void()> onToggle;
        std::function<void()> onLayoutChanged;
        std::function<double (const Row&)> playFraction;

        void paint (juce::Graphics& g) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDoubleClick (const juce::MouseEvent& e) override;
        void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;
        bool keyPressed (const juce::KeyPress& key) override;

        /** What lies at a point: a group header, or a row and its part. */
        struct Spot
        {
            enum class Kind { none, header, play, next, waveform, row } kind = Kind::none;
            int index = -1;           // the row, or the first row of the group
        };

        Spot spotAt (juce::Point<int> position) const;
        juce::Rectangle<int> rowBounds (int index) const;   // empty for a folded row

    private:
        struct Item
        {
            bool header = false;
            int index = 0;
            int y = 0;
            int height = 0;
        };

        std::vector<Item> walk() const;
        juce::Rectangle<int> contentArea() const;
        void viewChanged();
        void paintRow (juce::Graphics& g, const juce::Rectangle<int>& bounds, int index);
        void paintHeader (juce::Graphics& g, const juce::Rectangle<int>& bounds, int index);
        bool isFolded (int index) const;
        int groupSize (const juce::String& cueName) const;

        int rowHeight = defaultRowHeight;
        int labelWidth = 320;
        double viewStart = 0.0, viewEnd = 1.0;
        std::vector<Detail> details;
        std::unique_ptr<juce::ThreadPool> detailPool;
        std::unique_ptr<SettleTimer> settleTimer;
        juce::StringArray collapsedCues;
        const juce::Colour shadeColour { 0xff8fc9e8 };
        const juce::Colour fadeColour { 0xff2f6ad9 };
        std::vector<Row> rows;
        int generation = 0;   // counts the sets of rows, so a late detail finds out it is stale

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GatedTrackList)
    };
}
