#pragma once

#include "app/AssignMenu.h"
#include "app/pages/import/ImportSplitPlan.h"
#include "app/pages/import/ImportRows.h"
#include "core/audio/Spectrogram.h"
#include "core/audio/TrackSplit.h"
#include "core/audio/WaveformOverview.h"
#include "core/session/Session.h"
#include "ui/MagnifierButton.h"
#include "ui/SpectrogramView.h"
#include "ui/TransportButton.h"
#include "ui/WaveformCache.h"
#include "ui/WaveformView.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Import step: every track of the session in a sortable, filterable table; files
        and folders dropped or chosen; the selected track auditioned with a zoomable
        spectrogram and waveform, split in two, and assigned to stems from a menu.

        Holds no model of its own: rows, selections and menus carry track and stem ids that
        are looked up in the session whenever they are used. Message thread only, but for
        the spectrogram job and the import and split jobs on the session's worker, which work on
        copies and post their results back; the session itself changes only on the message
        thread. */
    class ImportPage : public juce::Component,
                       public juce::FileDragAndDropTarget,
                       public juce::TableListBoxModel,
                       private Session::Listener,
                       private WaveformCache::Listener,
                       private juce::TextEditor::Listener,
                       private juce::Timer
    {
    public:
        class SpectrogramJob;
        class ZoomSettleTimer;
        struct SpectrogramResult;
        struct SplitOutcome;

        using AssignMenuContext = ui::AssignMenuContext;

        // Result ids of the assign menu (see AssignMenu.h).
        enum AssignMenuId : int
        {
            noStemsId = assignMenuIds::noStems,
            unassignId = assignMenuIds::unassign,
            firstStemId = assignMenuIds::firstStem,
            sortAlphabeticallyId = assignMenuIds::sortAlphabetically,
            renameFileId = assignMenuIds::renameFile
        };

        // Result ids of the "Add folder" menu; a recent folder is firstRecentFolderId + its position.
        enum AddFolderMenuId : int
        {
            chooseFolderId = 1,
            firstRecentFolderId = 2
        };

        static constexpr int splitMenuItemId = 1;
        static constexpr double splitCrossfadeMs = 5.0;
        static constexpr int zoomSettleMs = 220;
        static constexpr int rowHeight = 34;
        static constexpr int statusBadgeWidth = 86;
        static constexpr int auditionPanelHeight = 164;
        static constexpr double minimumVisibleLength = 0.01;

        explicit ImportPage (AppState& state);

        /** Stops the timer, the spectrogram job, the page's imports and a running split (which
            puts the original back on the session's worker) and leaves the session's and the
            cache's listener lists before the members go, so the application state may go after
            it. */
        ~ImportPage() override;

        /** The space key, the transport button and a double-click: plays the shown track,
            or stops it while it loads or plays. Nothing without a shown track. */
        void togglePlay();

        /** The right click of either view: offers a split at that fraction of the file. */
        void offerSplitAt (double fileFraction);
        /** Asks for the new part's name, then splits the shown track there. The name proposed
            is the first that no file in the track's folder has. */
        void askForSplitName (double seconds);

        //==============================================================================
        // Operations the controls start; public so that tests can drive them.

        /** The one entry of every import: drop, "Add files", "Add folder", a recent folder.
            The folders are scanned and the files probed on the session's worker; the tracks
            come in when that is done (finishImport), one import after the other. */
        void importPaths (const juce::Array<juce::File>& paths);
        /** A finished scan, on the message thread: the tracks join the session, and the
            user hears what went wrong. Nothing when the list it was meant for was emptied
            meanwhile, or the import was stopped. */
        void finishImport (const juce::Array<juce::File>& paths, const PreparedImport& prepared);
        /** An import was asked for and its tracks have not come in yet. */
        bool isImporting() const noexcept                              { return importsInFlight > 0; }
        void chooseFiles();
        void chooseFolder();
        void showAddFolderMenu();
        juce::PopupMenu createAddFolderMenu (const juce::Array<juce::File>& recentFolders) const;
        void addFolderMenuItemChosen (int result, const juce::Array<juce::File>& recentFolders);
        void removeSelectedTracks();
        /** Asks first; clearing withdraws a running split, which puts its original back. */
        void askToClearList();

        juce::StringArray getSelectedTrackIds() const;
        /** Selects the listed rows of these tracks (others are left unselected). */
        void selectTracks (const juce::StringArray& trackIds);

        void showAssignMenu (juce::Point<int> screenPosition);
        AssignMenuContext takeAssignMenuContext() const;
        juce::PopupMenu createAssignMenu (const AssignMenuContext& context) const;
        void assignMenuItemChosen (int result, const AssignMenuContext& context);

        void showTrack (const juce::String& path, const juce::String& trackId);
        void refreshWaveform();
        void playFrom (double fileFraction);
        bool canAudition();
        double firstSoundFraction() const;
        void updateTransport();
        void setVisibleRange (double start, double end);
        void zoomBy (double factor, double anchorViewFraction);
        void setSplitMarker (double fileFraction);
        double currentTrackSeconds() const;

        juce::PopupMenu createSplitMenu (double seconds) const;
        /** Writes the two parts on the session's worker; the core's split unless a test puts
            another in its place. */
        using SplitStep = std::function<TrackSplitResult (const TrackSplitRequest&, const CancelTest&)>;
        SplitStep splitStep { splitTrackFile };
        /** Refuses what it can before the disk changes (a run reading the tracks among it),
            then splits the shown track on the session's worker; the window keeps answering
            meanwhile. */
        void splitTrackAt (double seconds, const juce::String& name);
        /** A finished split, on the message thread: the parts take the track's place, but only
            in the list the split started from and while the track is still in it. */
        void applySplitOutcome (SplitOutcome&& outcome);
        /** Stops a running split: it puts the original back, unless its disk work is already
            done, and its parts then join no list. Clearing the list, opening a project or
            removing the track do this. */
        void withdrawSplit();
        /** The disk work of a split, on the session's worker: moves the original aside, writes
            both parts and, when that fails or is stopped (even after the parts were written),
            moves the original back, so the disk is left split or as it was. */
        static SplitOutcome carryOutSplit (SplitOutcome request, double splitSeconds, const SplitStep& split,
                                           const CancelTest& shouldStop);
        /** A split is running; the split controls do nothing until it ends. */
        bool isSplitting() const noexcept;
        /** The track whose split runs (the application state's trackBeingSplit); empty when none does. */
        const juce::String& getSplittingTrackId() const noexcept;

        /** Asks for the spectrogram of the whole file, or of the visible range while zoomed. */
        void startSpectrogram (const juce::String& path);
        /** A finished job's answer, on the message thread. */
        void applySpectrogramResult (SpectrogramResult&& result);

        //==============================================================================
        // What the page shows, for tests.
        const std::vector<juce::String>& getRows() const noexcept      { return rows; }
        juce::TableListBox& getTrackTable() noexcept                   { return trackTable; }
        const juce::Label& getStatusLabel() const noexcept             { return statusLabel; }
        const juce::Label& getDropHintLabel() const noexcept           { return dropHintLabel; }
        const juce::Label& getFileNameLabel() const noexcept           { return fileNameLabel; }
        const juce::Label& getTimeLabel() const noexcept               { return timeLabel; }
        juce::TextButton& getAddFilesButton() noexcept                 { return addFilesButton; }
        juce::TextButton& getAddFolderButton() noexcept                { return addFolderButton; }
        juce::TextButton& getRemoveButton() noexcept                   { return removeButton; }
        juce::TextButton& getClearButton() noexcept                    { return clearButton; }
        juce::ToggleButton& getRecurseToggle() noexcept                { return recurseToggle; }
        juce::ToggleButton& getAutoplayToggle() noexcept               { return autoplayToggle; }
        juce::ToggleButton& getJumpSilenceToggle() noexcept            { return jumpSilenceToggle; }
        juce::TextEditor& getSearchField() noexcept                    { return searchField; }
        TransportButton& getTransportButton() noexcept                 { return transportButton; }
        MagnifierButton& getZoomInButton() noexcept                    { return *zoomInButton; }
        MagnifierButton& getZoomOutButton() noexcept                   { return *zoomOutButton; }
        MagnifierButton& getWholeFileButton() noexcept                 { return *wholeFileButton; }
        SpectrogramView& getSpectrogramView() noexcept                 { return spectrogramView; }
        WaveformView& getWaveformView() noexcept                       { return waveformView; }
        const juce::String& getCurrentPath() const noexcept            { return currentPath; }
        const juce::String& getCurrentTrackId() const noexcept         { return currentTrackId; }
        juce::Point<double> getVisibleRange() const noexcept           { return visibleRange; }
        juce::Point<double> getAnalysedRange() const noexcept          { return analysedRange; }
        const SpectrogramData& getWholeFileSpectrogram() const noexcept { return wholeFileSpectrogram; }
        int getGeneration() const noexcept                             { return generation.load(); }
        bool isZoomSettling() const;
        int getSpectrogramJobCount() const                             { return spectrogramPool.getNumJobs(); }
        bool isDragHighlighted() const noexcept                        { return dragHighlight; }
        juce::String getTrackPreviewKey() const                        { return "track:" + currentTrackId; }

        //==============================================================================
        void paint (juce::Graphics& g) override;
        bool keyPressed (const juce::KeyPress& key) override;
        void resized() override;

        bool isInterestedInFileDrag (const juce::StringArray& files) override;
        void fileDragEnter (const juce::StringArray& files, int x, int y) override;
        void fileDragExit (const juce::StringArray& files) override;
        void filesDropped (const juce::StringArray& files, int x, int y) override;

        int getNumRows() override;
        void paintRowBackground (juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
        void paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
        void cellClicked (int rowNumber, int columnId, const juce::MouseEvent& e) override;
        void cellDoubleClicked (int rowNumber, int columnId, const juce::MouseEvent& e) override;
        void sortOrderChanged (int newSortColumnId, bool isForwards) override;
        juce::String getCellTooltip (int rowNumber, int columnId) override;
        void selectedRowsChanged (int lastRowSelected) override;
        void deleteKeyPressed (int lastRowSelected) override;

        /** Where a Status cell of this size draws the matched words, after the badge. */
        static juce::Rectangle<int> statusWordsArea (int width, int height);
        /** The matched words as a Status cell shows them. */
        static juce::String statusWordsOf (const Track& track);

    private:
        void tracksChanged() override;
        /** Empties the panel when the list it showed a track of was emptied or replaced. */
        void forgetTrackOfAnotherList();
        void assignmentsChanged() override;
        void presetChanged() override;
        void waveformsChanged() override;
        void textEditorTextChanged (juce::TextEditor& editor) override;
        void timerCallback() override;

        /** Which texts of the listed rows a change can have made wider: none, those that
            follow the assignments and the preset (stem and status), or all of them. */
        enum class Remeasure
        {
            none,
            assignments,
            all
        };

        void buildControls();
        void addColumns();
        void rebuildRows();
        /** Lists the rows again after a change: sorted anew only when the order can have
            changed, and the column texts measured again only as far as they can have. */
        void refreshRows (bool sortAgain, Remeasure measureColumns);
        void updateStatusLine();
        void updateStatusLine (Remeasure measureColumns);
        /** Sets the column widths from the widest texts, measuring again those asked for,
            so that every column ends inside the table: a column gets the room its longest
            text needs when the table has it, and otherwise the picture gives way first. */
        void autoSizeColumns (Remeasure what);
        void measureColumnTexts (Remeasure what);
        int textWidth (const juce::String& text);
        const Track* trackAtRow (int rowNumber) const;
        juce::Colour stemColourFor (const Track& track) const;

        struct TextHash
        {
            size_t operator() (const juce::String& text) const noexcept   { return (size_t) text.hashCode64(); }
        };

        void zoomSettled();
        void restoreWholeFileSpectrogram();
        void showWarning (const juce::String& title, const juce::String& message);
        bool isShownTrackSplitting() const;
        void showSplitState();
        void seekFromView (double viewFraction);
        double fileFractionForView (double viewFraction) const;

        // Declaration order is construction order.
        juce::Point<double> visibleRange { 0.0, 1.0 };
        juce::Point<double> analysedRange { 0.0, 1.0 };
        SpectrogramData wholeFileSpectrogram;
        juce::String wholeFileSpectrogramPath;
        std::unique_ptr<ZoomSettleTimer> zoomSettleTimer;

        AppState& appState;

        juce::TextButton addFilesButton { "Add files" };
        juce::TextButton addFolderButton { "Add folder" };
        juce::TextButton removeButton { "Remove selected" };
        juce::TextButton clearButton { "Clear list" };
        juce::ToggleButton recurseToggle { "Include sub-folders (one cue per folder)" };
        juce::TextEditor searchField;
        juce::Label searchLabel { {}, "Search" };
        juce::TableListBox trackTable;
        juce::Label statusLabel;
        juce::Label dropHintLabel { {}, "Drop audio files or folders anywhere on this page" };
        juce::Label fileNameLabel { {}, "Nothing selected" };
        TransportButton transportButton { {} };
        juce::ToggleButton autoplayToggle { "Autoplay" };
        juce::ToggleButton jumpSilenceToggle { "Jump silence" };
        std::unique_ptr<MagnifierButton> zoomInButton, zoomOutButton, wholeFileButton;
        SpectrogramView spectrogramView;
        WaveformView waveformView;
        juce::Label timeLabel;

        juce::String currentPath;
        juce::String currentTrackId;
        int shownListGeneration = 0;     // the session's list generation the panel belongs to
        WaveformOverview overview;
        juce::String overviewPath;

        juce::ThreadPool spectrogramPool { 1 };
        std::atomic<int> generation { 0 };
        int importsInFlight = 0;
        juce::Array<int> importJobs;     // the session jobs of this page's imports, some perhaps ended

        double splittingSeconds = 0.0;
        int splitJob = 0;                // its session job

        std::vector<juce::String> rows;
        std::vector<juce::String> sortedTrackIds;   // every track in the table's order, unfiltered
        std::array<int, importColumn::status + 1> widestTexts {};   // by column id, of the listed rows
        int sortColumnId = 1;
        bool sortForwards = true;
        bool dragHighlight = false;
        bool rebuilding = false;
        std::unordered_map<juce::String, int, TextHash> textWidths;   // body-font widths of cell texts, by text

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ImportPage)
    };

    /** Restarted by every zoom step; when the zoom has rested for a moment, the page asks for
        the finer analysis of the visible range. */
    class ImportPage::ZoomSettleTimer : public juce::Timer
    {
    public:
        explicit ZoomSettleTimer (ImportPage& owner) : page (owner) {}
        void timerCallback() override;

    private:
        ImportPage& page;
    };

    /** What a spectrogram job sends back: the page it was asked by (a weak reference made
        on the message thread), its generation, and the data. */
    struct ImportPage::SpectrogramResult
    {
        juce::Component::SafePointer<ImportPage> page;
        int generation = 0;
        bool wholeFile = true;
        SpectrogramData spectrogram;
        WaveformOverview waveform;   // of the range; empty for the whole file
    };

    /** One analysis on the page's pool: the whole file's spectrogram, or a range's
        spectrogram and waveform. Works on the values it was made with only; its result goes
        to the message thread, where an older generation or a gone page drops it. */
    class ImportPage::SpectrogramJob : public juce::ThreadPoolJob
    {
    public:
        static constexpr int fftOrder = 10;
        static constexpr int maxFrames = 700;
        static constexpr int rangeBuckets = 2000;

        SpectrogramJob (juce::Component::SafePointer<ImportPage> page, juce::String path, int generation,
                        double startSeconds, double lengthSeconds);

        JobStatus runJob() override;

        /** The analysis itself, without posting; stops early when `shouldCancel` says so. */
        static SpectrogramResult analyse (const juce::String& path, double startSeconds, double lengthSeconds,
                                          const std::function<bool()>& shouldCancel);

    private:
        juce::Component::SafePointer<ImportPage> page;
        const juce::String path;
        const int generation;
        const double startSeconds;
        const double lengthSeconds;
    };

    /** What a split's disk work leaves: the track and its files, the list it started from, and
        how the disk was left. */
    struct ImportPage::SplitOutcome
    {
        juce::String trackId;
        juce::File original;
        TrackSplitFiles files;
        int listGeneration = 0;   // the session's when the split started
        bool ok = false;
        bool withdrawn = false;   // stopped: the original is back unless `message` says otherwise
        juce::String message;     // the sentence to show when it failed
    };
}
