#pragma once

#include "app/pages/export/ExportPage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace korvid::ui
{
    /** The cues of the session with the figures of the last run: one row per cue, in
        session order. Hidden until a run has given it rows. */
    class ExportPage::CueResultList : public juce::Component
    {
    public:
        /** One cue. The figures are drawn only when the run has a result for it. */
        struct Row
        {
            juce::String cueId;
            juce::String name;
            bool hasProblem = false;
            bool analysed = false;
            double durationSeconds = 0.0;
            double peakDb = -400.0;
            double gainDb = 0.0;
            int assignedStems = 0;
            int emptyStems = 0;
            bool included = true;
            double leadingSilenceSeconds = 0.0;
            double trimSeconds = 0.0;
        };

        static constexpr int rowHeight = 34;
        static constexpr int headerHeight = 56;

        CueResultList();

        /** Takes the rows; visible exactly when there is at least one. */
        void setRows (std::vector<Row>&& newRows);
        const std::vector<Row>& getRows() const noexcept   { return rows; }

        /** The height the body gives the table for its rows. */
        int getRequiredHeight() const;

    private:
        std::vector<Row> rows;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CueResultList)
    };
}
