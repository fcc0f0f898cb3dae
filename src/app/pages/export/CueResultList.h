#pragma once

#include "app/pages/export/ExportPage.h"
#include "core/session/Cue.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <vector>

namespace korvid::ui
{
    /** The cues of the session with the figures of the last run: whether each is written,
        its name, the silence at its start and how much of it is cut, its length, peak, gain
        and stem counts. Include, name and cut are edited here and reach the session through
        three callbacks; rows and menus are keyed by cue id. Hidden while it has no rows. */
    class ExportPage::CueResultList : public juce::Component,
                                      public juce::TooltipClient,
                                      public juce::KeyListener
    {
    public:
        /** One cue. The figures are drawn only when the run has a result for it. */
        struct Row
        {
            juce::String cueId;
            juce::String name;
            bool hasProblem = false;
            bool analysed = false;
            double durationSeconds = 0.0;        // of the cue's render, after the run's cut
            double peakDb = -400.0;
            double gainDb = 0.0;
            int assignedStems = 0;
            int emptyStems = 0;
            bool included = true;
            double leadingSilenceSeconds = 0.0;
            double trimSeconds = 0.0;
            double runTrimSeconds = 0.0;         // the cut the run made, so the cue's whole length is known
        };

        enum class EditMode : int { name, trim };

        enum TrimMenuId : int
        {
            keepAllId = 1,
            cutAllId = 2,
            cutAllButATenthId = 3,
            typeAmountId = 4,
            cutEveryCueId = 5
        };

        static constexpr int rowHeight = 34;
        static constexpr float includeBoxSize = 16.5f;   // the box a toggle button of the page draws
        static constexpr int headerHeight = 56;
        static constexpr int firstRowTop = 50;
        static constexpr int nameX = 32;
        static constexpr int chipWidth = 120;
        static constexpr int figureCount = 5;
        static constexpr double noticedSilence = 0.05;

        /** Where the columns stand at the present width. The figures are as wide as their
            captions and texts; the name takes the room they leave, and keeps its start when
            there is too little. */
        struct Columns
        {
            int nameWidth = 0;
            int chipX = 0;
            std::array<int, figureCount> figureX {};
            std::array<int, figureCount> figureWidth {};
        };

        /** The captions of the figure columns, left to right. */
        static const std::array<juce::String, figureCount>& figureCaptions();
        /** The texts of a row's figures; none before the run has a result for it. */
        static std::array<juce::String, figureCount> figureTexts (const Row& row);

        CueResultList();
        ~CueResultList() override;

        /** Ends an edit without committing, takes the rows; visible exactly when there are any. */
        void setRows (std::vector<Row>&& newRows);
        const std::vector<Row>& getRows() const noexcept   { return rows; }

        /** The session changed: rows take name, include flag and cut from their cue, rows of
            cues that are gone go, the figures stay. True when anything changed. */
        bool syncWithSession (const std::vector<Cue>& cues);

        /** The height the body gives the table for its rows. */
        int getRequiredHeight() const;

        juce::PopupMenu createTrimMenu (int row) const;
        void showTrimMenu (int row);
        /** A trim menu's answer for the cue it was opened on. */
        void trimMenuItemChosen (int result, const juce::String& cueId);
        void setTrim (int row, double seconds);

        void beginEdit (int row, EditMode mode);
        bool finishEdit (bool commit);
        bool commitEdit (int row, const juce::String& text);

        int rowForCue (const juce::String& cueId) const;
        int getEditRow() const noexcept                    { return editRow; }
        EditMode getEditMode() const noexcept              { return editMode; }
        const juce::String& getMessage() const noexcept    { return message; }
        const Columns& getColumns() const noexcept         { return columns; }
        juce::TextEditor& getEditor() noexcept             { return editor; }

        std::function<bool (juce::String, juce::String)> onRename;
        std::function<void (juce::String, bool)> onIncludedChanged;
        std::function<void (juce::String, double)> onTrimChanged;

        void mouseMove (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;
        void resized() override;
        juce::String getTooltip() override;
        /** The table's help, headed by the whole name of a cue whose name cell at that point
            cuts it short. */
        juce::String tooltipAt (juce::Point<int> position) const;
        bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    private:
        enum class Spot { none, include, chip, name };

        struct Hit
        {
            int row = -1;
            Spot spot = Spot::none;
        };

        Hit hitTestRow (juce::Point<int> position) const;
        juce::Rectangle<int> editorBounds (int row, EditMode mode) const;
        void placeEditor();
        void fillEditor();
        void refuse (const juce::String& sentence);
        /** The columns from the rows' texts and the present width. */
        void layOutColumns();
        void paintRow (juce::Graphics& g, int index, const Row& row);

        std::vector<Row> rows;
        Columns columns;
        int hoverNameRow = -1;
        int hoverTrimRow = -1;
        juce::TextEditor editor;
        int editRow = -1;
        EditMode editMode = EditMode::name;
        juce::String message;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CueResultList)
    };
}
