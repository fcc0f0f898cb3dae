#pragma once

#include "app/AssignMenu.h"
#include "app/pages/review/ReviewCounts.h"
#include "core/audio/WaveformOverview.h"
#include "core/session/Session.h"
#include "ui/TransportButton.h"
#include "ui/WaveformCache.h"
#include "ui/WaveformView.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <optional>
#include <vector>

namespace korvid::ui
{
    class AppState;

    /** The Review step: every track of the session under the stem it is assigned to, as a
        tree of stem groups led by the tracks without a stem, filtered and one cue at a time.

        Holds no model of its own: the tree is thrown away and built again from the session
        at the next timer tick after any session change, keeping open groups, scroll position
        and the selection by the items' unique names. Rows, menus and drags carry track and
        stem ids that are looked up in the session whenever they are used. Message thread
        only; every asynchronous answer reaches the page through a SafePointer. */
    class ReviewPage : public juce::Component,
                       public juce::DragAndDropContainer,
                       private Session::Listener,
                       private WaveformCache::Listener,
                       private juce::Timer
    {
    public:
        class RootNode;
        class StemNode;
        class TrackNode;

        // What the "Show" box lets through; the box's item ids are these plus one.
        enum Filter : int
        {
            everything = 0,
            needsAttention = 1,
            unassignedOnly = 2,
            ambiguousOnly = 3
        };

        // Result ids of the menu of a group heading.
        enum StemMenuId : int
        {
            sortStemsId = 1,
            expandAllId = 2,
            collapseAllId = 3
        };

        using AssignMenuContext = ui::AssignMenuContext;

        // Result ids of the assign menu (see AssignMenu.h).
        enum AssignMenuId : int
        {
            unassignId = assignMenuIds::unassign,
            firstStemId = assignMenuIds::firstStem,
            sortAlphabeticallyId = assignMenuIds::sortAlphabetically,
            renameFileId = assignMenuIds::renameFile
        };

        /** What an open word menu and its confirmation act on, taken when the menu opened. */
        struct RuleMenuContext
        {
            juce::StringArray words;   // in menu order; item i + 1 is words[i]
            juce::String stemId;
            juce::String stemName;
        };

        /** What an audition hands the preview engine. */
        struct Audition
        {
            juce::Array<juce::File> files;
            juce::String label;   // what plays, as the engine shows it
            juce::String key;     // "track:..." or "mix:..."
        };

        /** The "type" of a drag of track rows; its "tracks" are the ids joined with "\n". */
        static constexpr const char* trackDragType = "korvid.tracks";

        static constexpr int timerHz = 10;
        static constexpr int indentSize = 18;

        explicit ReviewPage (AppState& state);

        /** Stops the timer, leaves the session's and the cache's listener lists and detaches
            the tree from its root before the members go. */
        ~ReviewPage() override;

        /** The space key, the Track button, a double-click on a heading and a click on the
            waveform (with a fraction of the shown take): the selected tracks summed. Without
            a start it toggles: an audition of the same selection stops. */
        void auditionSelection (std::optional<double> startFraction);

        //==============================================================================
        // The tree and the status line; public so that tests can drive them.

        /** Builds the groups anew from the session, keeping open states, scroll position
            and selection; ends with the status line. */
        void rebuildTree();
        void updateStatusLine();
        void updateStatusLine (const juce::StringArray& selectedIds);
        void refreshCueChooser();
        bool passesFilter (const Track& track) const;

        /** Every selected track row and every row under a selected heading, in tree order,
            each once. Hidden tracks are not rows and never count. */
        juce::StringArray selectedTrackIds() const;

        void setStemsAlphabetical (bool on);
        /** Opens or closes every group; the rows keep their own state. */
        void setAllGroupsOpen (bool open);
        /** Selects the rows of these tracks (by id) and nothing else. */
        void selectTracks (const juce::StringArray& trackIds);

        void showStemMenu();
        juce::PopupMenu createStemMenu() const;
        void stemMenuItemChosen (int result);

        /** Every selection change of an item. */
        void onSelectionChanged();

        //==============================================================================
        // Corrections.

        /** Opens the assign menu for the selected tracks, at the mouse or at "Assign to...";
            nothing without a selection. */
        void buildAssignMenu (bool atMousePosition);
        AssignMenuContext takeAssignMenuContext() const;
        juce::PopupMenu createAssignMenu (const AssignMenuContext& context) const;
        void assignMenuItemChosen (int result, const AssignMenuContext& context);
        void setSelectedLocked (bool locked);

        //==============================================================================
        // Rules from corrections.

        /** "Save as rule...": the words of the first selected track's name that no rule has. */
        void showRuleMenu();
        /** The menu's content for the first selected track, or none: then the user is told
            why when it is for them to know (no stem yet, no new word). */
        std::optional<RuleMenuContext> takeRuleMenuContext();
        juce::PopupMenu createRuleMenu (const RuleMenuContext& context) const;
        /** The word menu's result: asks before the word becomes a rule. */
        void confirmRule (int result, const RuleMenuContext& context);
        /** The confirmation's result, 1 for OK. */
        void addConfirmedRule (int result, const juce::String& word, const juce::String& stemId);

        //==============================================================================
        // Auditions.

        /** The selected tracks, labelled by the first one's file name and "+ n more". */
        Audition selectionAudition() const;
        /** "Cue 1 - Strings alt (12 tracks)", or "Full mix (12 tracks)" for a session of one cue. */
        Audition mixAudition() const;
        /** A double-clicked row: that track alone. */
        void auditionTrack (const juce::String& trackId);
        /** The Mix button: the chosen cue's full mix or alternative mix. */
        void auditionMix();
        /** Plays (with a start fraction) or toggles (without) through the preview engine. */
        void startAudition (const juce::Array<juce::File>& files, const juce::String& label,
                            const juce::String& key, std::optional<double> startFraction);
        /** The usable assigned tracks of the cue the mix is heard for, on the chosen mix's
            member stems as that cue has them; empty while several cues are shown at once. */
        juce::Array<juce::File> mixTrackFiles() const;
        /** "track:" and the ids joined with "+", or "track:none". */
        static juce::String selectionKey (const juce::StringArray& selectedIds);
        juce::String selectionKey() const;
        /** "mix:", the cue id, ":" and the mix id (either may be empty). */
        juce::String mixKey() const;
        /** A Track or Mix audition of this page plays or loads. */
        bool isAuditioning() const;
        /** Buttons, waveform and playhead after the engine. */
        void updatePlayer();
        void updatePlayer (const juce::StringArray& selectedIds);
        /** The one selected usable track's own overview, or nothing. */
        void showTrackWaveform();
        void seekFromPlayer (double fraction);
        void refreshMixChooser();
        void updateAuditionLabel();

        //==============================================================================
        /** The drag description of these track rows. */
        static juce::var makeTrackDrag (const juce::StringArray& trackIds);
        /** The ids a track drag carries, blank entries left out; empty for any other drag. */
        static juce::StringArray decodeTrackDrag (const juce::DragAndDropTarget::SourceDetails& details);

        //==============================================================================
        // What the page shows, for tests.
        juce::TreeView& getTree() noexcept                   { return tree; }
        RootNode& getRoot() noexcept                         { return *root; }
        /** The group of a stem id (empty for "Unassigned"), or null. */
        StemNode* findGroup (const juce::String& stemId) const;
        /** The row of a track id, or null when it is not shown. */
        TrackNode* findRow (const juce::String& trackId) const;
        juce::TextButton& getRerunButton() noexcept          { return rerunButton; }
        juce::TextButton& getUndoButton() noexcept           { return undoButton; }
        juce::TextButton& getRedoButton() noexcept           { return redoButton; }
        juce::TextButton& getAssignButton() noexcept         { return assignButton; }
        juce::TextButton& getLockButton() noexcept           { return lockButton; }
        juce::TextButton& getUnlockButton() noexcept         { return unlockButton; }
        juce::TextButton& getRuleButton() noexcept           { return ruleButton; }
        juce::TextButton& getExpandButton() noexcept         { return expandButton; }
        juce::TextButton& getCollapseButton() noexcept       { return collapseButton; }
        juce::ComboBox& getFilterBox() noexcept              { return filterBox; }
        juce::Label& getFilterLabel() noexcept               { return filterLabel; }
        juce::ComboBox& getCueBox() noexcept                 { return cueBox; }
        juce::Label& getCueLabel() noexcept                  { return cueLabel; }
        TransportButton& getTrackButton() noexcept           { return trackButton; }
        TransportButton& getMixButton() noexcept             { return mixButton; }
        juce::ComboBox& getMixBox() noexcept                 { return mixBox; }
        WaveformView& getPlayer() noexcept                   { return player; }
        const juce::Label& getAuditionLabel() const noexcept { return auditionLabel; }
        const juce::Label& getStatusLabel() const noexcept   { return statusLabel; }
        const juce::String& getCueId() const noexcept        { return cueId; }
        const juce::String& getMixId() const noexcept        { return mixId; }
        int getFilter() const noexcept                       { return filter; }
        bool isRebuildPending() const noexcept               { return rebuildPending; }
        /** The timer's work, for tests that cannot wait for it. */
        void tick()                                          { timerCallback(); }

        //==============================================================================
        void paint (juce::Graphics& g) override;
        void resized() override;
        void visibilityChanged() override;

    private:
        // Session changes only mark the page; the timer rebuilds it once for a burst of them.
        void tracksChanged() override;
        void assignmentsChanged() override;
        void presetChanged() override;
        void waveformsChanged() override;
        void timerCallback() override;

        /** What a group heading shows, in the tree's order. */
        struct GroupSpec
        {
            juce::String stemId;
            juce::String name;
            juce::uint32 colour;
            int index;
        };

        void buildControls();
        void layoutToolbar (juce::Rectangle<int> toolbar);
        /** The cue box's tooltip names the chosen cue when the box cannot show it whole. */
        void updateCueTooltip();
        void rebuildItems();
        bool showsGroups (const std::vector<GroupSpec>& groups) const;
        /** Makes the group's rows these tracks, in this order, touching it only when they differ. */
        void refillGroup (StemNode& group, const std::vector<juce::String>& trackIds);
        void restoreTreeState (juce::XmlElement& state);
        void cueBoxChanged();
        void mixBoxChanged();
        const Submix* findChosenMix() const;
        void showTrackWaveform (const juce::String& onlySelectedTrackId);
        juce::String singleSelectedTrackId() const;
        void showMessage (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text);
        void filterBoxChanged();

        // Declaration order is construction order.
        AppState& appState;
        juce::TreeView tree;
        std::unique_ptr<RootNode> root;
        juce::TextButton rerunButton { "Re-run auto assign" };
        juce::TextButton undoButton { "Undo" };
        juce::TextButton redoButton { "Redo" };
        juce::TextButton assignButton { "Assign to..." };
        juce::TextButton lockButton { "Lock" };
        juce::TextButton unlockButton { "Unlock" };
        juce::TextButton ruleButton { "Save as rule..." };
        juce::TextButton expandButton { "Expand all" };
        juce::TextButton collapseButton { "Collapse all" };
        juce::ComboBox filterBox;
        juce::Label filterLabel { {}, "Show" };
        juce::ComboBox cueBox;
        juce::Label cueLabel { {}, "Cue" };
        TransportButton trackButton { "Track" };
        TransportButton mixButton { "Mix" };
        juce::ComboBox mixBox;
        juce::String mixId;
        WaveformView player;
        juce::Label auditionLabel;
        juce::Label statusLabel;
        WaveformOverview playerOverview;
        juce::String playerOverviewKey;
        juce::String shownTrackPath;
        int filter = everything;
        juce::String cueId;
        bool cueChosen = false;
        bool rebuildPending = false;
        bool rebuilding = false;

        // The cue ids and texts cueBox was filled with, in item order ("All cues" not
        // included), and how many cues had tracks at the last rebuild (which follows every
        // session change within a tick).
        juce::StringArray cueBoxIds, cueBoxTexts;
        std::vector<CueChoice> shownCueChoices;   // as the session was when last counted
        bool cueChoicesStale = true;              // the session changed since
        // The same for mixBox: the alternative mixes after "Full mix".
        juce::StringArray mixBoxIds, mixBoxTexts;
        int cuesWithTracksCount = 0;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReviewPage)
    };

    /** The tree's hidden root: the groups. */
    class ReviewPage::RootNode : public juce::TreeViewItem
    {
    public:
        bool mightContainSubItems() override           { return true; }
        juce::String getUniqueName() const override     { return "root"; }
        int getItemWidth() const override               { return -1; }
        int getItemHeight() const override              { return 20; }
        bool canBeSelected() const override             { return true; }
    };

    /** One group: a stem of the schema, or the tracks without a stem (empty stem id). */
    class ReviewPage::StemNode : public juce::TreeViewItem
    {
    public:
        StemNode (ReviewPage& owner, juce::String stemIdToShow, juce::String name, juce::uint32 argb, int stemIndex);

        bool mightContainSubItems() override           { return getNumSubItems() > 0; }
        juce::String getUniqueName() const override;
        int getItemWidth() const override               { return -1; }
        int getItemHeight() const override              { return 34; }
        bool canBeSelected() const override             { return true; }
        void paintItem (juce::Graphics& g, int width, int height) override;
        void itemClicked (const juce::MouseEvent& e) override;
        void itemDoubleClicked (const juce::MouseEvent& e) override;
        void itemSelectionChanged (bool isNowSelected) override;
        juce::String getTooltip() override;
        bool isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details) override;
        void itemDropped (const juce::DragAndDropTarget::SourceDetails& details, int insertIndex) override;

        /** "03  Drums", or "Unassigned". */
        juce::String headingText() const;
        /** "1 track", "12 tracks". */
        juce::String countText() const;

        ReviewPage& page;
        const juce::String stemId;
        const juce::String displayName;
        const juce::uint32 colour;
        const int index;
    };

    /** One track row; everything it shows is looked up in the session when it paints. */
    class ReviewPage::TrackNode : public juce::TreeViewItem
    {
    public:
        TrackNode (ReviewPage& owner, juce::String trackIdToShow);

        bool mightContainSubItems() override           { return false; }
        juce::String getUniqueName() const override     { return "track:" + trackId; }
        int getItemWidth() const override               { return -1; }
        int getItemHeight() const override              { return 28; }
        bool canBeSelected() const override             { return true; }
        void paintItem (juce::Graphics& g, int width, int height) override;
        void itemClicked (const juce::MouseEvent& e) override;
        void itemDoubleClicked (const juce::MouseEvent& e) override;
        void itemSelectionChanged (bool isNowSelected) override;
        juce::String getTooltip() override;
        juce::var getDragSourceDescription() override;

        ReviewPage& page;
        const juce::String trackId;
    };
}
