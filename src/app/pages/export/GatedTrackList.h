#pragma once

#include "app/pages/export/ExportPage.h"
#include "core/audio/SilenceGate.h"
#include "core/audio/WaveformOverview.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace korvid::ui
{
    /** The tracks the silence gate touched in the last run, grouped by cue. Hidden while
        it has no rows. */
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

        GatedTrackList();

        /** Takes the rows; visible exactly when there is at least one. */
        void setRows (std::vector<Row>&& newRows);
        const std::vector<Row>& getRows() const noexcept   { return rows; }

        /** The height the body gives the list. */
        int getRequiredHeight() const;

        std::function<void()> onLayoutChanged;

    private:
        std::vector<Row> rows;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GatedTrackList)
    };
}
