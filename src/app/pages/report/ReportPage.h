#pragma once

#include "core/audio/Spectrogram.h"
#include "core/audio/WaveformOverview.h"
#include "core/report/CueReport.h"
#include "ui/SpectrogramView.h"
#include "ui/TextBlock.h"
#include "ui/TransportButton.h"
#include "ui/WaveformView.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Report step: the last render's verdict, its cues with their details, the
        delivered files of the chosen cue in a table, a player with spectrogram and waveform
        for one of them, and the actions that save or share the report.

        Holds no model of its own: everything comes from the application state's last
        report, and the shown file is known by its path, not by its row. Message thread
        only, but for the spectrogram job, which reads its own file and posts its result. */
    class ReportPage : public juce::Component,
                       public juce::ListBoxModel,
                       private juce::ChangeListener,
                       private juce::Timer
    {
    public:
        struct DeliveryRow;
        class DeliveryTable;
        class TransportGrip;
        class SpectrogramJob;

        static constexpr const char* transportHeightKey = "reportTransportHeight";
        static constexpr int defaultTransportHeight = 164;
        static constexpr int minimumTransportHeight = 140;
        static constexpr int maximumTransportHeight = 800;
        static constexpr int cueRowHeight = 36;
        /** The five sharing buttons with their gaps, and the gap before them. */
        static constexpr int shareButtonsWidth = 170 + 150 + 92 + 96 + 150 + 4 * 5 + 12;
        /** Below this, the file's name and time leave the button row for a line of their own. */
        static constexpr int minimumCaptionRowWidth = 360;

        explicit ReportPage (AppState& state);

        /** Stops the clock and the spectrogram job and leaves the application state's
            listeners before anything else goes; deletes the browser copy of the report. */
        ~ReportPage() override;

        /** Everything again from the application state. A new report opens on the first cue
            that needs attention; a changed one (a rename, another output folder) keeps the
            cue, the table's sort and the shown file. */
        void refresh();

        /** The details, problems and delivered files of one cue of the last report; forgets
            the shown file. */
        void showCueDetails (const CueReport& cue);

        /** Null without cues; the only cue of a one-cue run; otherwise the cue at the list's
            first selected row, clamped (no selection counts as the first). */
        const CueReport* selectedCue() const;

        /** The space key and the play button: stops the shown file while it loads or plays,
            otherwise plays the shown file, or the first file, from the start. */
        void togglePlay();

        /** Shows a row's file in the player: its waveform at once, its spectrogram from the
            pool, and, with `autoplay`, plays it from that fraction of its length. Nothing for
            a row that does not exist. */
        void showDeliveredFile (int row, bool autoplay, double startFraction);

        /** A click into the waveform or spectrogram at that fraction of the file: moves the
            playing file there, or starts the shown file there. */
        void seekShownFile (double fraction);

        /** The play button, both playheads, the table's playhead and the time, from the
            preview engine's state. */
        void updateTransport();

        /** "delivered:" and the shown file's path, or empty when none is shown. */
        juce::String previewKey() const;

        /** A spectrogram job's answer, on the message thread: shown only when it is of the
            latest request. */
        void applySpectrogram (int generation, SpectrogramData data);

        /** The table's rename request: renames the delivered file on disk and in the report,
            or says why not. False when it was refused. */
        bool renameDeliveredFile (int row, const juce::String& newName);

        /** Asks where to save the plain-text report and writes it there. */
        void saveText();
        /** Asks where to save the report as a web page and writes it there. */
        void saveHtml();
        /** Writes the web page into this user's own work folder and opens it with the
            desktop's browser; the copy goes when the page does. */
        void openInBrowser();

        //==============================================================================
        // What the page shows, for tests.
        const juce::Label& getHeadline() const noexcept               { return headline; }
        juce::ListBox& getCueList() noexcept                          { return cueList; }
        const TextBlock& getSummaryText() const noexcept              { return summaryText; }
        const TextBlock& getProblemsText() const noexcept             { return problemsText; }
        DeliveryTable& getDeliveryTable() noexcept                    { return *deliveryTable; }
        TransportGrip& getTransportGrip() noexcept                    { return *transportGrip; }
        TransportButton& getPlayButton() noexcept                     { return playButton; }
        juce::ToggleButton& getAutoplayToggle() noexcept              { return autoplayToggle; }
        SpectrogramView& getSpectrogramView() noexcept                { return spectrogramView; }
        WaveformView& getWaveformView() noexcept                      { return waveformView; }
        const juce::Label& getFileCaption() const noexcept            { return fileCaption; }
        const juce::Label& getTimeLabel() const noexcept              { return timeLabel; }
        juce::TextButton& getOpenInBrowserButton() noexcept           { return openInBrowserButton; }
        juce::TextButton& getSaveHtmlButton() noexcept                { return saveHtmlButton; }
        juce::TextButton& getSaveTextButton() noexcept                { return saveTextButton; }
        juce::TextButton& getCopyListButton() noexcept                { return copyListButton; }
        juce::TextButton& getOpenFolderButton() noexcept              { return openFolderButton; }
        juce::Rectangle<int> getCueListPanel() const noexcept         { return cueListPanel; }
        juce::Rectangle<int> getSummaryPanel() const noexcept         { return summaryPanel; }
        int getShownRow() const noexcept                              { return shownRow; }
        const juce::String& getShownPath() const noexcept             { return shownPath; }
        int getTransportHeight() const noexcept                       { return transportHeight; }
        bool isClockRunning() const                                   { return isTimerRunning(); }
        const juce::File& getBrowserPage() const noexcept             { return browserPage; }
        int getSpectrogramGeneration() const noexcept                 { return spectrogramGeneration.load(); }
        int getSpectrogramJobCount() const                            { return spectrogramPool.getNumJobs(); }

        //==============================================================================
        void visibilityChanged() override;
        void lookAndFeelChanged() override;
        void paint (juce::Graphics& g) override;
        void resized() override;

        int getNumRows() override;
        void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
        void selectedRowsChanged (int lastRowSelected) override;
        /** The whole name of a cue whose row cuts it short. */
        juce::String getTooltipForRow (int row) override;

    private:
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;
        void timerCallback() override;

        void buildControls();
        void updateButtonStates();
        void showHeadline();
        void selectCueRow (int row);
        void showCueTexts (const CueReport& cue);
        void keepCueDetails (const CueReport& cue);
        void clearCueDetails();
        void forgetShownFile();
        void refindShownFile();
        void setTransportHeight (int height);
        void layOutRightColumn (juce::Rectangle<int> column, int contentHeight);
        void layOutShareButtons (juce::Rectangle<int>& row);
        void setPlayerVisible (bool shouldBeVisible);
        static void showWrapped (TextBlock& block, const juce::String& source, int width);
        void startSpectrogram (const juce::String& path);
        void stopSpectrogram();
        bool canAudition();
        void showWarning (const juce::String& title, const juce::String& message);

        // Declaration order is construction order.
        AppState& appState;
        juce::Label headline;
        juce::ListBox cueList;
        TextBlock summaryText;
        TextBlock problemsText;
        juce::String summarySource, problemsSource;   // their texts before wrapping to the width
        juce::Rectangle<int> cueListPanel, summaryPanel;
        std::unique_ptr<DeliveryTable> deliveryTable;
        TransportButton playButton { {} };
        juce::ToggleButton autoplayToggle { "Autoplay" };
        SpectrogramView spectrogramView;
        WaveformView waveformView;
        juce::Label fileCaption;
        juce::Label timeLabel;
        juce::TextButton openInBrowserButton { "Open in browser" };
        juce::TextButton saveHtmlButton { "Save HTML" };
        juce::TextButton saveTextButton { "Save text" };
        juce::TextButton copyListButton { "Copy delivery list" };
        juce::TextButton openFolderButton { "Open output folder" };
        int shownRow = -1;
        juce::String shownPath;                 // identifies the shown file across re-sorting
        int transportHeight = defaultTransportHeight;
        std::unique_ptr<TransportGrip> transportGrip;
        juce::ThreadPool spectrogramPool { 1 };
        std::atomic<int> spectrogramGeneration { 0 };
        juce::String spectrogramPath;           // the file the spectrogram view shows or awaits
        juce::File browserPage;

        // Which report and cue the details show, so a change is told from a new report.
        int shownReportNumber = -1;
        juce::String shownCueId;
        int shownCueRow = -1;
        bool selectingCue = false;

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
                                      private juce::TableHeaderComponent::Listener,
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

        /** The text a cell shows; none for the picture. */
        static juce::String cellText (const DeliveryRow& row, int columnId);

        /** The text a cell draws at its column's present width: whole, or cut with an
            ellipsis (a name in its middle, so its end still tells it apart). */
        juce::String shownCellText (int row, int columnId) const;

        /** Whether a cell shows its text whole at its column's present width. */
        bool cellShowsWhole (int row, int columnId) const;

        /** The width a column needs to show its caption and every cell's text whole. */
        int widthNeededBy (int columnId) const;

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
        /** The whole text of a cell that shows it cut. */
        juce::String getCellTooltip (int rowNumber, int columnId) override;

        using juce::Component::keyPressed;
        /** Tab and Shift+Tab in the rename editor: commit, then rename the next file. */
        bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    private:
        void scrollBarMoved (juce::ScrollBar* scrollBar, double newRangeStart) override;
        void tableColumnsChanged (juce::TableHeaderComponent* header) override;
        void tableColumnsResized (juce::TableHeaderComponent* header) override;
        void tableSortOrderChanged (juce::TableHeaderComponent* header) override;
        void addColumns();
        /** The width that shows every cell's text of a column whole; 0 for the picture. */
        int cellsWidthOf (int columnId) const;
        /** The widths from the texts of the rows, so that every column ends inside the table:
            the file's name has the room it needs first, the other columns give way down to
            their own texts, and the picture takes what is left. */
        void fitColumns();
        /** The widths the texts give these shown columns (in their order) sharing `room`. */
        std::vector<int> widthsFor (const juce::Array<int>& columns, int room) const;
        /** Sets these columns to these widths, and remembers them as laid out here. */
        void setWidths (const juce::Array<int>& columns, const std::vector<int>& widths);
        /** The shown columns' ids, in id order. */
        juce::Array<int> visibleColumns() const;
        /** The shown columns' ids, from left to right. */
        juce::Array<int> columnsInOrder() const;
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
        int fittedWidth = -1;              // the room the columns were last fitted to
        juce::Array<int> fittedColumns;    // and the columns then shown
        std::map<int, int> fittedWidths;   // column id to the width the texts then gave it
        std::map<int, int> laidOutWidths;  // column id to the width last set here, to tell a drag

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeliveryTable)
    };

    /** The strip between the delivered-files table and the player: dragging it up makes the
        player taller. The height is kept in the settings. */
    class ReportPage::TransportGrip : public juce::Component
    {
    public:
        explicit TransportGrip (ReportPage* owner);

        bool isPointerOver() const noexcept   { return pointerOver; }

        void mouseEnter (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDrag (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;

    private:
        ReportPage* page;
        int dragStartHeight = defaultTransportHeight;
        bool pointerOver = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TransportGrip)
    };

    /** The spectrogram of one delivered file, on the page's one-thread pool. It reads only
        its own file, stops within one read block when the pool asks it to, and posts its
        result to the page through a weak reference made on the message thread; the page
        drops a result whose generation is not its latest. */
    class ReportPage::SpectrogramJob : public juce::ThreadPoolJob
    {
    public:
        static constexpr int fftOrder = 10;
        static constexpr int maxFrames = 700;

        SpectrogramJob (juce::Component::SafePointer<ReportPage> page, juce::File file, int generation);

        JobStatus runJob() override;

    private:
        juce::Component::SafePointer<ReportPage> page;
        const juce::File file;
        const int generation;
    };
}
