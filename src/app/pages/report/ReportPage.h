#pragma once

#include "core/audio/WaveformOverview.h"
#include "core/report/CueReport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Report step: the results of the last render, its delivered files and reports. */
    class ReportPage : public juce::Component,
                       private juce::ChangeListener
    {
    public:
        struct DeliveryRow;
        class DeliveryTable;

        explicit ReportPage (AppState& state);

        /** Stops listening to the application state first. */
        ~ReportPage() override;

        /** The space-key action: stops the selected delivered file while it plays,
            otherwise shows and plays it. */
        void togglePlay();

        void paint (juce::Graphics& g) override;

    private:
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;

        AppState& appState;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReportPage)
    };

    /** One delivered file as the table shows it: a copy of what the report says about it. */
    struct ReportPage::DeliveryRow
    {
        juce::String fileName;           // with its extension
        juce::String path;               // full path; empty only for a row without a file
        WaveformOverview overview;       // of the written audio; may be empty
        int kind = 0;                    // FileKind: 0 stem, 1 full mix, 2 alternative mix
        juce::String format;             // the written file's format description
        juce::int64 sizeBytes = 0;
        double lengthSeconds = 0.0;      // the overview's length
        int trackCount = 0;              // 0 when no stem result matched
        double peakDb = -400.0;
        bool hasPeak = false;
        juce::String status;
        bool problem = false;            // the row shows a stem error
    };

    /** The delivered files of one cue: sortable columns, a mini waveform with the playhead,
        and renaming a file in place over its name. It owns copies of its rows and reaches
        the page only through its three callbacks. Message thread only. */
    class ReportPage::DeliveryTable : public juce::Component,
                                      public juce::TableListBoxModel,
                                      private juce::ScrollBar::Listener,
                                      private juce::KeyListener
    {
    public:
        enum ColumnId : int
        {
            fileColumn = 1,
            previewColumn,
            kindColumn,
            tracksColumn,
            peakColumn,
            formatColumn,
            lengthColumn,
            sizeColumn,
            statusColumn
        };

        static constexpr int rowHeight = 34;

        DeliveryTable();
        ~DeliveryTable() override;

        /** After every change of sort order. */
        std::function<void()> onRowsReordered;
        /** A click (playNow false) or a double click outside a file's name (playNow true). */
        std::function<void (int row, bool playNow)> onRowChosen;
        /** A committed rename: the row and the new name without extension. False when it
            was refused. */
        std::function<bool (int row, juce::String newName)> onRenameRequested;

        /** New rows in report order: the sort goes, no row is selected, a rename is dropped. */
        void setRows (std::vector<DeliveryRow>&& newRows);

        /** The same files again, changed (a rename): the sort, the playhead and a rename of a
            file still listed are kept; `onRowsReordered` follows. */
        void updateRows (std::vector<DeliveryRow>&& newRows);

        /** Null outside the rows. */
        DeliveryRow* rowAt (int row);
        const DeliveryRow* rowAt (int row) const;
        /** The first row with a file, or -1. */
        int firstRowWithFile() const;
        /** The first row of that full path, or -1 (also for an empty path). */
        int rowOfPath (const juce::String& path) const;
        int getNumRowsShown() const noexcept                       { return (int) rows.size(); }

        void beginRename (int row);
        /** Closes the editor; a commit with a new, non-blank name asks `onRenameRequested`.
            True unless that refused it. */
        bool finishRename (bool commit);

        /** Draws the playhead at `fraction` in the row of `path`; repaints only on a change. */
        void setPlayhead (const juce::String& path, double fraction);

        /** Selects exactly this row and scrolls it into view. */
        void selectOnly (int row);

        /** The rows of one cue's written files, in writing order. */
        static std::vector<DeliveryRow> rowsForCue (const CueReport& cue);

        /** -1, 0 or 1: the order of two rows in a column (equal for Preview and unknown ids). */
        static int compareRows (const DeliveryRow& a, const DeliveryRow& b, int columnId);

        // What the table holds, for the page and tests.
        juce::TableListBox& getTable() noexcept                   { return table; }
        juce::TextEditor& getRenameEditor() noexcept              { return renameEditor; }
        int getEditingRow() const noexcept                        { return editingRow; }
        const std::vector<DeliveryRow>& getRows() const noexcept  { return rows; }
        const juce::String& getPlayingPath() const noexcept       { return playingPath; }
        double getPlayFraction() const noexcept                   { return playFraction; }

        void resized() override;

        int getNumRows() override;
        void paintRowBackground (juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
        void paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
        void cellClicked (int rowNumber, int columnId, const juce::MouseEvent& e) override;
        void cellDoubleClicked (int rowNumber, int columnId, const juce::MouseEvent& e) override;
        void sortOrderChanged (int newSortColumnId, bool isForwards) override;

        using juce::Component::keyPressed;
        /** Tab and Shift+Tab in the rename editor: commit, then rename the next file. */
        bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    private:
        void scrollBarMoved (juce::ScrollBar* scrollBar, double newRangeStart) override;
        void applySort();
        void placeRenameEditor();
        void editorFocusLost();

        juce::TableListBox table;
        juce::TextEditor renameEditor;
        int editingRow = -1;
        juce::String editingPath;          // the file being renamed, kept across new rows
        double renameScrollStart = 0.0;    // where the list stood when the rename began
        std::vector<DeliveryRow> rows;
        std::vector<DeliveryRow> reportOrderRows;
        juce::String playingPath;
        double playFraction = -1.0;
        int sortColumn = 0;                // the order `rows` is in: 0 is report order
        bool sortForwards = true;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeliveryTable)
    };
}
