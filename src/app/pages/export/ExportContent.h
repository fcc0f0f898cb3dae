#pragma once

#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportFormatRow.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/export/GatedTrackList.h"
#include "app/pages/export/NameTemplateEditor.h"
#include "app/pages/export/SectionHeader.h"
#include "app/pages/export/SeparatorChooser.h"
#include "app/pages/export/SettingsSliders.h"
#include "ui/TextBlock.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** The scrolling body of the export page: the preset line, seven settings blocks in two
        to four columns the user arranges, and the report area below them (the summary, the
        cue table, the gated tracks and the issue list).

        Every settings control sits on one layer, so a run disables them all at once whatever
        their own enablement says; the report area stays readable. The blocks are moved by
        handles over their headers and the columns resized by splitters between them. */
    class ExportPage::Content : public juce::Component,
                                public juce::DragAndDropContainer
    {
    public:
        static constexpr int margin = 12;
        static constexpr int columnGap = 12;
        static constexpr int blockGap = 12;
        static constexpr int headerHeight = 34;
        static constexpr int handleHeight = 44;
        static constexpr int presetLineHeight = 22;
        static constexpr int rowHeight = 30;
        static constexpr int toggleHeight = 26;
        static constexpr int rowLabelWidth = 150;
        static constexpr int sliderMaxWidth = 760;

        /** One block of the last layout. */
        struct Placement
        {
            juce::String key;
            int column = 0;
            juce::Rectangle<int> bounds;
        };

        Content();
        ~Content() override;

        int getRequiredHeight() const noexcept   { return requiredHeight; }
        int getReportTop() const noexcept        { return reportTop; }

        /** Enables or disables every settings control, the format rows, the cue table and
            the gated-track list together. */
        void setSettingsEnabled (bool enabled);
        bool areSettingsEnabled() const          { return settingsLayer.isEnabled(); }

        void addFormatRow (std::unique_ptr<FormatRow> row);

        /** The block arrangement in force, its column numbers closed up (0, 1, 2 ...). */
        void setBlockLayoutText (const juce::String& text);
        const juce::String& getBlockLayoutText() const noexcept   { return layoutText; }

        /** Saved column widths as fractions of the usable width; empty for the automatic ones. */
        void setColumnFractions (std::vector<double> fractions);
        const std::vector<double>& getColumnFractions() const noexcept   { return columnFractions; }

        //==============================================================================
        // Moving blocks and resizing columns.
        void showDropIndicator (const juce::String& key, juce::Point<int> position);
        void clearDropIndicator();
        void moveBlock (const juce::String& key, juce::Point<int> position);
        void pressSplitter (int index);
        void dragSplitter (int index, int x);

        const std::vector<Placement>& getPlacements() const noexcept       { return placements; }
        const std::vector<juce::Rectangle<int>>& getColumnRects() const    { return columnRects; }
        const std::vector<int>& getColumnWidths() const noexcept           { return columnWidths; }
        int getUsableWidth() const noexcept                                { return usableWidth; }
        int getHoverColumn() const noexcept                                { return hoverColumn; }
        juce::Rectangle<int> getDropIndicator() const noexcept             { return dropIndicator; }
        BlockHandle* handleFor (const juce::String& key) const;
        ColumnSplitter* splitter (int index) const;

        /** Called after a relayout the body started itself; the page lays itself out anew. */
        std::function<void()> onLayoutChanged;
        std::function<void (const juce::String&)> onBlockLayoutChanged;
        std::function<void (const juce::String&)> onColumnWidthsChanged;

        void mouseDown (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;
        void resized() override;

        //==============================================================================
        juce::Label presetLine;

        // The layer that holds every settings control; it ignores clicks of its own.
        juce::Component settingsLayer;

        // "Cues"
        SectionHeader cuesHeader { "Cues", "one delivery per folder of stems" };
        juce::Label cueLine;
        juce::Label folderNameLabel { {}, "Folder name" };
        juce::ComboBox folderNameBox;
        juce::Label gainScopeLabel { {}, "Gain scope" };
        juce::ComboBox gainScopeBox;
        juce::ToggleButton mirrorFoldersToggle { "Reproduce the source folder structure in the output" };
        juce::ToggleButton folderPerCueToggle { "Give every cue a folder of its own" };

        // "Headroom"
        SectionHeader headroomHeader { "Headroom", "one global gain for everything" };
        juce::Label targetLabel { {}, "Target level" };
        SettingsSlider targetSlider { -24.0, 0.0, 0.1, " dB" };
        juce::Label measureLabel { {}, "Measure" };
        juce::ComboBox measureBox;
        juce::Label gainModeLabel { {}, "Gain mode" };
        juce::ComboBox gainModeBox;
        juce::Label oversamplingLabel { {}, "True peak oversampling" };
        juce::ComboBox oversamplingBox;
        juce::Label projectRateLabel { {}, "Project sample rate" };
        juce::ComboBox projectRateBox;
        juce::ToggleButton remeasureToggle { "Re-measure the mix after the gain" };

        // "Output formats"
        SectionHeader formatsHeader { "Output formats", {} };
        FormatCaptions formatCaptions;
        juce::OwnedArray<FormatRow> formatRows;

        // "File naming" and "File naming rules"
        SectionHeader namingHeader { "File naming", {} };
        SectionHeader namingRulesHeader { "File naming rules", {} };
        NameTemplateEditor stemTemplateEditor;
        NameTemplateEditor mixTemplateEditor;
        juce::Label fullMixNameLabel { {}, "Full mix name" };
        juce::TextEditor fullMixNameEditor;
        juce::Label indexPaddingLabel { {}, "Index padding" };
        juce::ComboBox indexPaddingBox;
        juce::Label numberingLabel { {}, "Numbering" };
        juce::ComboBox numberingBox;
        juce::ToggleButton mixesFirstToggle { "Number the mixes first, then the stems" };
        juce::Label collisionLabel { {}, "If the name exists" };
        juce::ComboBox collisionBox;
        SeparatorChooser separatorChooser;
        juce::Label previewLabel { {}, "Preview" };
        TextBlock previewText;

        // "Noise floor cleanup"
        SectionHeader cleanupHeader { "Noise floor cleanup", "applied to each track before summing" };
        juce::ToggleButton cleanupToggle { "Do not mix silent parts and background noise" };
        juce::Label thresholdLabel { {}, "Below" };
        SettingsSlider thresholdSlider { -120.0, -20.0, 0.5, " dB" };
        juce::Label minimumLabel { {}, "For at least" };
        SettingsSlider minimumSlider { 0.2, 10.0, 0.1, " s" };
        juce::Label fadeOutLabel { {}, "Fade out" };
        SettingsSlider fadeOutSlider { 5.0, 1000.0, 1.0, " ms" };
        juce::Label fadeInLabel { {}, "Fade in" };
        SettingsSlider fadeInSlider { 5.0, 1000.0, 1.0, " ms" };
        juce::Label floorLabel { {}, "Take down by" };
        FloorSlider floorSlider;

        // "Delivery rules"
        SectionHeader rulesHeader { "Delivery rules", {} };
        juce::Label emptyStemsLabel { {}, "Empty stems" };
        juce::ComboBox emptyStemsBox;
        juce::ToggleButton refuseUnassignedToggle { "Refuse to export while tracks are unassigned" };
        juce::ToggleButton exportFullMixToggle { "Export the full mix" };
        juce::ToggleButton exportAlternativeMixesToggle { "Export the alternative mixes" };
        juce::ToggleButton stemsFolderToggle { "Put the stems in a STEMS folder inside each cue folder" };

        // The report area.
        SectionHeader reportHeader { "Report", {} };
        TextBlock statusText;
        std::unique_ptr<CueResultList> cueTable;
        std::unique_ptr<GatedTrackList> gatedList;
        juce::Label issueList;

        std::vector<juce::Rectangle<int>> panels;
        std::vector<juce::Rectangle<int>> dividers;

        //==============================================================================
        // Laying out inside the blocks: each places its components from the top of the area
        // down and moves the area's top below what it used.
        static int choiceWidth (const juce::ComboBox& box);
        static void layOutRow (juce::Rectangle<int>& area, juce::Component& label, juce::Component& control,
                               int labelWidth, int height, int maxWidth);
        static void layOutInlinePair (juce::Rectangle<int> area, juce::Label& label, juce::Component& control);

        void layOutNaming (juce::Rectangle<int>& area);
        void layOutNamingRules (juce::Rectangle<int>& area);
        void layOutCues (juce::Rectangle<int>& area);
        void layOutCleanup (juce::Rectangle<int>& area);
        void layOutRules (juce::Rectangle<int>& area);
        void layOutFormats (juce::Rectangle<int>& area);
        void layOutHeadroom (juce::Rectangle<int>& area);

    private:
        void buildControls();
        void buildHandles();
        void layOutBlocks (int width, int top);
        int layOutReport (int width, int top);
        int columnAt (int x) const;
        void relayoutFromInside();

        std::vector<Placement> placements;
        std::vector<juce::Rectangle<int>> columnRects;
        juce::String layoutText;
        juce::OwnedArray<BlockHandle> handles;
        juce::OwnedArray<ColumnSplitter> splitters;
        std::vector<double> columnFractions;
        std::vector<int> columnWidths;
        std::vector<int> dragStartWidths;
        int usableWidth = 0;
        int columnsLeft = margin;
        int hoverColumn = -1;
        juce::Rectangle<int> dropIndicator;
        int requiredHeight = 1200;
        int reportTop = 0;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Content)
    };
}
