#pragma once

#include "core/session/Session.h"
#include "core/storage/PresetStore.h"
#include "core/storage/TemplateStore.h"
#include "ui/WaveformView.h"
#include "ui/WheelOnFocusSlider.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** A text button without text that draws a small triangle pointing up or down. */
    class ArrowStepButton : public juce::TextButton
    {
    public:
        explicit ArrowStepButton (bool pointsUp);

        bool pointsUpwards() const noexcept   { return pointsUp; }

        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    private:
        const bool pointsUp;
    };

    /** The Preset & stems step: the session's preset with its project fields, its stems,
        keyword rules and alternative mixes, auditions of a stem or mix of one cue, and the
        preset library.

        Keeps no model of its own: every edit is made on a copy of the session's preset and
        applied with Session::updatePreset or Session::setPreset; selections, menus and
        drags carry stem, mix and cue ids looked up again when they are used. Message thread
        only. Asynchronous answers (dialogs, menus, the colour call-out, the Tab continuation)
        reach the page through a SafePointer and do nothing once it has gone. */
    class PresetPage : public juce::Component,
                       public juce::DragAndDropContainer,
                       public juce::ListBoxModel,
                       public juce::ChangeListener,
                       private juce::Timer,
                       private juce::ScrollBar::Listener,
                       private juce::KeyListener,
                       private Session::Listener
    {
    public:
        class StemListModel;
        class StemListBox;
        class SubmixHeader;
        class BlockTraverser;
        class AuditionRepainter;

        /** Where the parts of a stem row (or of the mix heading) lie. */
        struct StemRowLayout
        {
            juce::Rectangle<int> auditionArea, nameArea, mixArea;
            std::vector<juce::Rectangle<int>> mixColumns;
        };

        static constexpr int leftColumnWidth = 340;
        static constexpr int listRowHeight = 28;
        static constexpr int numberingCaptionHeight = 20;
        // Three rows: in the smallest window the library gives way before its buttons do.
        static constexpr int minimumLibraryHeight = 3 * listRowHeight;
        static constexpr int debounceMs = 600;
        static constexpr int stemNamePartWidth = 230;
        static constexpr int defaultMixColumnWidth = 116;
        static constexpr int maxMixColumnWidth = 210;
        static constexpr int maxStemRunOffered = 20;
        static constexpr int auditionRepaintHz = 12;
        static constexpr const char* stemDragPrefix = "korvid.stemrow:";
        static constexpr const char* unsavedText = "Unsaved changes in this session";

        // Result ids of the "Add stem" menu; built-in templates count up from 1.
        enum AddStemMenuId : int
        {
            newTemplateId = 9000,
            firstUserTemplateId = 9100,
            firstForgetTemplateId = 9700
        };

        // Result ids of the "Add N stems" menu; a count is its own id.
        static constexpr int askForCountId = 1000;

        // Result ids of the stem context menu.
        enum StemMenuId : int
        {
            addStemItem = 1,
            addSeveralItem,
            duplicateItem,
            renameItem,
            colourItem,
            deleteItem
        };

        explicit PresetPage (AppState& state);

        /** Stops the debounce, leaves the editors' mouse listeners and the session, and
            detaches both list models before the members go. */
        ~PresetPage() override;

        /** The space key: stops this page's audition while it plays, otherwise auditions the
            selected stem of the chosen cue; nothing with "All cues". */
        void toggleAudition();

        //==============================================================================
        // Frame
        void refreshEditors();
        void updateStatusLabel();
        juce::String getCueIdForTicks() const   { return tickCueId; }

        //==============================================================================
        // Preset library
        void refreshLibrary();
        void loadSelectedPreset();
        void askForName (const juce::String& title, const juce::String& initialText,
                         std::function<void (const juce::String&)> callback, const juce::String& prompt);
        void createPresetNamed (const juce::String& name);
        void newPreset();
        void duplicatePreset();
        void renamePreset();
        void saveSelectedPreset();
        void savePresetAs();
        void deletePreset();
        void importPreset();
        void exportPreset();
        void restoreDefaults();

        //==============================================================================
        // Project fields
        void commitProjectFields();

        //==============================================================================
        // Stem list
        StemRowLayout layoutStemRow (juce::Rectangle<int> rect, int mixCount, int scrollOffset,
                                     bool showAudition, int columnWidth) const;
        const Stem* selectedStem() const;
        juce::StringArray selectedStemIds() const;
        void startInlineRename (int row);
        void finishInlineRename (bool commit);
        int insertionRowAt (int y) const;
        void moveStem (int fromRow, int insertionRow);
        void stepSelectedStem (int delta);
        void showStemContextMenu (int row);
        /** Selects the row alone (when it is a stem) and builds the menu for it. */
        juce::PopupMenu createStemContextMenu (int row);
        juce::PopupMenu createAddSeveralMenu() const;
        void stemContextMenuChosen (int result, int firstSelectedRow);
        void showStemColourChooser();
        void markDirty();

        //==============================================================================
        // Stem editor
        void loadStemEditor();
        void commitStemEditor();

        //==============================================================================
        // Adding and removing stems, templates
        void addStem();
        juce::PopupMenu createAddStemMenu() const;
        void addStemMenuChosen (int result);
        void addSeveralStems();
        void addSeveralMenuChosen (int result);
        void askForStemCount();
        void appendStems (juce::int64 count);
        void addStemFromTemplate (int builtInIndex);
        void addFromUserTemplate (int index);
        void showTemplateEditor();
        void saveTemplate (int result, const juce::StringArray& texts);
        void confirmForgetTemplate (int index);
        void duplicateStem();
        void deleteStem();
        void deleteAllStems();
        void confirmNameClash (const juce::String& name, const juce::String& stemId, std::function<void()> continuation);

        /** Built-in template position for each "Add stem" menu id from 1, in menu order. */
        static std::vector<int> builtInTemplateMenuOrder();

        //==============================================================================
        // Alternative mixes
        void addSubmix();
        void renameSubmix (const juce::String& id);
        void removeSubmix (const juce::String& id);
        bool isSubmixMember (const Submix& submix, const Stem& stem) const;
        void toggleSubmixMember (int row, int column);
        void applySchemaEdit (StemSchema&& schema);
        int mixColumnAt (int x) const;
        int mixCrossAt (int x) const;

        //==============================================================================
        // Audition
        void auditionStem (const juce::String& stemId);
        void auditionMix (const Submix& submix);
        juce::Array<juce::File> stemAuditionFiles (const juce::String& stemId) const;
        void startAudition (const juce::Array<juce::File>& files, const juce::String& label, const juce::String& key);
        bool isAuditioning() const;
        void updateAuditionView();
        void refreshCueSelector();
        void cueSelectorChanged();
        /** The cue box's help, headed by its cue's whole name when the box cuts it short. */
        void updateCueTooltip();
        /** Whether the stem has a usable track in the chosen cue (found on change, not per paint). */
        bool stemHasTracksInCue (const juce::String& stemId) const;
        juce::String stemAuditionKey (const juce::String& stemId) const;
        juce::String mixAuditionKey (const juce::String& mixId) const;

        //==============================================================================
        // juce::ListBoxModel: the preset library list.
        int getNumRows() override;
        void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
        void selectedRowsChanged (int lastRowSelected) override;

        // juce::ChangeListener: the stem colour selector.
        void changeListenerCallback (juce::ChangeBroadcaster* source) override;

        //==============================================================================
        void mouseExit (const juce::MouseEvent& e) override;
        void visibilityChanged() override;
        std::unique_ptr<juce::ComponentTraverser> createKeyboardFocusTraverser() override;
        void paint (juce::Graphics& g) override;
        void resized() override;

        using juce::Component::keyPressed;

        //==============================================================================
        // What the page shows, for tests.
        juce::ListBox& getLibraryList() noexcept                 { return libraryList; }
        const std::vector<PresetEntry>& getLibraryEntries() const noexcept { return libraryEntries; }
        juce::Label& getStatusLabel() noexcept                   { return statusLabel; }
        juce::TextButton& getNewButton() noexcept                { return newButton; }
        juce::TextButton& getDuplicatePresetButton() noexcept    { return duplicatePresetButton; }
        juce::TextButton& getRenameButton() noexcept             { return renameButton; }
        juce::TextButton& getSaveButton() noexcept               { return saveButton; }
        juce::TextButton& getSaveAsButton() noexcept             { return saveAsButton; }
        juce::TextButton& getDeletePresetButton() noexcept       { return deletePresetButton; }
        juce::TextButton& getImportButton() noexcept             { return importButton; }
        juce::TextButton& getExportButton() noexcept             { return exportButton; }
        juce::TextButton& getRestoreButton() noexcept            { return restoreButton; }
        juce::TextEditor& getPublisherEditor() noexcept          { return publisherEditor; }
        juce::TextEditor& getPubCodeEditor() noexcept            { return pubCodeEditor; }
        juce::TextEditor& getComposerEditor() noexcept           { return composerEditor; }
        juce::TextEditor& getVersionEditor() noexcept            { return versionEditor; }
        juce::Label& getProjectHeading() noexcept                { return projectHeading; }
        juce::Label& getLibraryHeading() noexcept                { return libraryHeading; }
        juce::Label& getStemsHeading() noexcept                  { return stemsHeading; }
        juce::Label& getStemsHint() noexcept                     { return stemsHint; }
        juce::Label& getCueLabel() noexcept                      { return cueLabel; }
        juce::ScrollBar& getMixScrollBar() noexcept              { return mixScrollBar; }
        SubmixHeader& getMixHeading() noexcept                   { return *mixHeading; }
        juce::TextButton& getAddMixButton() noexcept             { return addMixButton; }
        juce::ComboBox& getCueSelector() noexcept                { return cueSelector; }
        WaveformView& getAuditionStrip() noexcept                { return auditionStrip; }
        StemListBox& getStemList() noexcept                      { return *stemList; }
        juce::TextEditor& getInlineNameEditor() noexcept         { return inlineNameEditor; }
        juce::ComboBox& getNumberingCombo() noexcept             { return numberingCombo; }
        juce::Label& getNumberingLabel() noexcept               { return numberingLabel; }
        juce::ToggleButton& getPluralToggle() noexcept           { return pluralToggle; }
        juce::TextButton& getAddStemButton() noexcept            { return addStemButton; }
        juce::TextButton& getAddSeveralButton() noexcept         { return addSeveralButton; }
        juce::TextButton& getDuplicateStemButton() noexcept      { return duplicateStemButton; }
        juce::TextButton& getDeleteStemButton() noexcept         { return deleteStemButton; }
        juce::TextButton& getDeleteAllButton() noexcept          { return deleteAllButton; }
        ArrowStepButton& getUpButton() noexcept                  { return upButton; }
        ArrowStepButton& getDownButton() noexcept                { return downButton; }
        juce::TextEditor& getNameEditor() noexcept               { return nameEditor; }
        juce::TextEditor& getShortCodeEditor() noexcept          { return shortCodeEditor; }
        juce::TextEditor& getTokenEditor() noexcept              { return tokenEditor; }
        juce::Slider& getPrioritySlider() noexcept               { return prioritySlider; }
        juce::TextButton& getColourButton() noexcept             { return colourButton; }
        juce::TextEditor& getRulesEditor() noexcept              { return rulesEditor; }
        juce::TextEditor& getExclusionsEditor() noexcept         { return exclusionsEditor; }
        juce::Label& getRulesLabel() noexcept                    { return rulesLabel; }
        juce::Label& getExclusionsLabel() noexcept               { return exclusionsLabel; }
        juce::Label& getFieldLabel (const juce::String& text);
        juce::ColourSelector* getOpenColourSelector() const      { return openColourSelector.getComponent(); }

        const juce::String& getSelectedStemId() const noexcept   { return selectedStemId; }
        int getRenameRow() const noexcept                        { return renameRow; }
        int getMixColumnWidth() const noexcept                   { return mixColumnWidth; }
        int getMixScrollOffset() const noexcept                  { return mixScrollOffset; }
        bool isStemEditPending() const noexcept                  { return stemEditPending; }
        bool isDebouncing() const                                { return isTimerRunning(); }
        bool isAuditionRepainting() const;
        int getSeparatorY() const noexcept                       { return separatorY; }
        int getDividerX() const noexcept                         { return dividerX; }
        int getDividerTop() const noexcept                       { return dividerTop; }
        int getDividerHeight() const noexcept                    { return dividerHeight; }
        const juce::Array<juce::Rectangle<int>>& getPanelBoxes() const noexcept { return panelBoxes; }
        const juce::Array<juce::Component*>& getProjectBlock() const noexcept { return projectBlock; }
        const juce::Array<juce::Component*>& getStemBlock() const noexcept    { return stemBlock; }

        /** Runs the Tab key of the in-place name editor as the page's key listener does. */
        bool inlineEditorKeyPressed (const juce::KeyPress& key)   { return keyPressed (key, &inlineNameEditor); }

    private:
        void timerCallback() override;
        void scrollBarMoved (juce::ScrollBar* bar, double newRangeStart) override;
        bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;

        void buildControls();
        void setCallbacks();
        void layoutLeftColumn (juce::Rectangle<int> column);
        void layoutRightSide (juce::Rectangle<int> area);
        void layoutStemButtons (juce::Rectangle<int> row);
        void layoutMixColumns (juce::Rectangle<int> area);
        void layoutEditorColumn (juce::Rectangle<int> column);
        bool anyTextFieldHasFocus() const;
        void repaintStemsAndHeading();
        void showWarning (const juce::String& title, const juce::String& message);
        void broadcastChange();
        void stemTextChanged();
        void stemFieldConfirmed();
        void refreshTickCache();
        void setPresetAndReload (const juce::String& newPresetId, Preset preset, bool saveSettings);
        bool askToDiscardEdits (std::function<void()> continuation);

        // State, in declaration order.
        juce::Array<juce::Component*> projectBlock;
        juce::Array<juce::Component*> stemBlock;
        juce::String selectedStemId;
        juce::Component::SafePointer<juce::ColourSelector> openColourSelector;
        juce::String colourStemId;
        AppState& appState;
        TemplateStore& templates;
        std::vector<PresetEntry> libraryEntries;
        int mixColumnWidth = defaultMixColumnWidth;
        int mixScrollOffset = 0;
        juce::String tickCueId;
        juce::String auditionOverviewKey;
        int renameRow = -1;
        bool applyingEdit = false;
        bool stemEditPending = false;
        int separatorY = 0;
        int dividerX = 0, dividerTop = 0, dividerHeight = 0;
        juce::Array<juce::Rectangle<int>> panelBoxes;

        // What the editors were filled from: a commit writes nothing into another preset,
        // and leaves rules, exclusions and the priority alone when they were not edited.
        juce::String editorPresetId;
        juce::String loadedRulesText;
        juce::String loadedExclusionsText;
        bool priorityMoved = false;
        juce::String projectFieldsPresetId;
        bool switchingStem = false;   // the commit before another stem is shown reloads nothing

        // Found when the tracks, the preset or the cue change, read by every paint.
        std::set<juce::String> stemsWithTracksInCue;
        std::vector<std::pair<juce::String, std::set<juce::String>>> tickedMembers;   // mix id, members

        // Controls, in declaration order.
        juce::Label libraryHeading { {}, "Preset library" };
        juce::ListBox libraryList;
        juce::TextButton newButton { "New" };
        juce::TextButton duplicatePresetButton { "Duplicate" };
        juce::TextButton renameButton { "Rename" };
        juce::TextButton saveButton { "Save" };
        juce::TextButton saveAsButton { "Save as" };
        juce::TextButton deletePresetButton { "Delete" };
        juce::TextButton importButton { "Import" };
        juce::TextButton exportButton { "Export" };
        juce::TextButton restoreButton { "Restore" };
        juce::Label statusLabel;
        juce::Label projectHeading { {}, "Project fields" };
        juce::Label publisherLabel { {}, "Publisher" };
        juce::Label pubCodeLabel { {}, "PubCode" };
        juce::Label composerLabel { {}, "Composer" };
        juce::Label versionLabel { {}, "Version" };
        juce::TextEditor publisherEditor, pubCodeEditor, composerEditor, versionEditor;
        juce::Label stemsHeading { {}, "Stems" };
        juce::Label stemsHint { {}, "Double-click to rename,\ndrag to reorder" };
        juce::ScrollBar mixScrollBar { false };
        std::unique_ptr<SubmixHeader> mixHeading;
        juce::TextButton addMixButton { "Add Alternative Mix" };
        std::unique_ptr<AuditionRepainter> auditionRepainter;
        juce::Label cueLabel { {}, "Cue" };
        juce::ComboBox cueSelector;
        WaveformView auditionStrip;
        std::unique_ptr<StemListModel> stemListModel;
        std::unique_ptr<StemListBox> stemListOwner;
        StemListBox* stemList = nullptr;
        juce::TextEditor inlineNameEditor;
        juce::Label numberingLabel { {}, "Numbering" };
        juce::ComboBox numberingCombo;
        juce::Label keywordsLabel { {}, "Keywords" };
        juce::ToggleButton pluralToggle { "Match singular and plural" };
        juce::TextButton addStemButton { "Add stem" };
        juce::TextButton addSeveralButton { "Add N stems" };
        juce::TextButton duplicateStemButton { "Duplicate" };
        juce::TextButton deleteStemButton { "Delete" };
        juce::TextButton deleteAllButton { "Delete all" };
        ArrowStepButton upButton { true };
        ArrowStepButton downButton { false };
        juce::Label nameLabel { {}, "Name" };
        juce::Label shortCodeLabel { {}, "Short code" };
        juce::Label tokenLabel { {}, "File name token" };
        juce::Label priorityLabel { {}, "Stem priority" };
        juce::TextEditor nameEditor, shortCodeEditor, tokenEditor;
        WheelOnFocusSlider prioritySlider;
        juce::TextButton colourButton { "Colour" };
        juce::Label rulesLabel { {}, "Keyword rules" };
        juce::TextEditor rulesEditor;
        juce::Label exclusionsLabel { {}, "Stem-wide exclusions" };
        juce::TextEditor exclusionsEditor;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetPage)
    };

    /** The list box model of the stem list: row i is stem i of the session's schema. */
    class PresetPage::StemListModel : public juce::ListBoxModel
    {
    public:
        explicit StemListModel (PresetPage& owner) : page (&owner) {}

        int getNumRows() override;
        void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
        void listBoxItemClicked (int row, const juce::MouseEvent& e) override;
        void listBoxItemDoubleClicked (int row, const juce::MouseEvent& e) override;
        void backgroundClicked (const juce::MouseEvent& e) override;
        void selectedRowsChanged (int lastRowSelected) override;
        juce::var getDragSourceDescription (const juce::SparseSet<int>& rowsToDescribe) override;

    private:
        PresetPage* page;
    };

    /** The stem list: a list box with a tooltip that takes the drags of its own rows and
        marks where a dragged stem would land. */
    class PresetPage::StemListBox : public juce::ListBox,
                                    public juce::DragAndDropTarget
    {
    public:
        StemListBox (PresetPage& owner, juce::ListBoxModel* model);

        bool isInterestedInDragSource (const SourceDetails& details) override;
        void itemDragEnter (const SourceDetails& details) override;
        void itemDragMove (const SourceDetails& details) override;
        void itemDragExit (const SourceDetails& details) override;
        void itemDropped (const SourceDetails& details) override;
        void paintOverChildren (juce::Graphics& g) override;

        int getDropRow() const noexcept   { return dropRow; }

    private:
        PresetPage& page;
        int dropRow = -1;
    };

    /** The headings of the alternative-mix columns above the stem list. */
    class PresetPage::SubmixHeader : public juce::Component,
                                     public juce::TooltipClient
    {
    public:
        explicit SubmixHeader (PresetPage& owner) : page (owner) {}

        void paint (juce::Graphics& g) override;
        void mouseMove (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDoubleClick (const juce::MouseEvent& e) override;
        juce::String getTooltip() override;

        int getHoveredCross() const noexcept   { return hoveredCross; }

    private:
        PresetPage& page;
        int hoveredCross = -1;
    };

    /** Tab and Shift+Tab inside the project block and inside the stem editor block,
        wrapping at the ends and passing over fields that cannot take the focus. */
    class PresetPage::BlockTraverser : public juce::KeyboardFocusTraverser
    {
    public:
        explicit BlockTraverser (PresetPage& owner) : page (&owner) {}

        juce::Component* getNextComponent (juce::Component* current) override;
        juce::Component* getPreviousComponent (juce::Component* current) override;

    private:
        juce::Component* step (juce::Component* current, int direction);

        PresetPage* page;
    };

    /** Repaints the audition strip and the play buttons at 12 Hz while an audition loads
        or plays, and stops on the tick that finds the engine idle. */
    class PresetPage::AuditionRepainter : public juce::Timer
    {
    public:
        explicit AuditionRepainter (PresetPage& owner) : page (owner) {}
        void timerCallback() override;

    private:
        PresetPage& page;
    };
}
