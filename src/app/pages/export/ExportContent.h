#pragma once

#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportFormatRow.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/export/GatedTrackList.h"
#include "app/pages/export/SectionHeader.h"
#include "ui/TextBlock.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

namespace korvid::ui
{
    /** The scrolling body of the export page: the preset line, the settings blocks, and the
        report area below them (the summary, the cue table, the gated tracks and the issue
        list). Every settings control sits on one layer, so a run disables them all at once
        whatever their own state; the report area stays readable. */
    class ExportPage::Content : public juce::Component,
                                public juce::DragAndDropContainer
    {
    public:
        static constexpr int margin = 12;
        static constexpr int blockGap = 12;
        static constexpr int headerHeight = 34;
        static constexpr int presetLineHeight = 22;
        static constexpr int formatRowHeight = 52;

        Content();
        ~Content() override;

        int getRequiredHeight() const noexcept   { return requiredHeight; }
        int getReportTop() const noexcept        { return reportTop; }

        /** Enables or disables every settings control, the format rows, the cue table and
            the gated-track list together. */
        void setSettingsEnabled (bool enabled);
        bool areSettingsEnabled() const          { return settingsLayer.isEnabled(); }

        /** Adds a format row to the settings. */
        void addFormatRow (std::unique_ptr<FormatRow> row);

        /** Called after a relayout the body started itself; the page lays itself out anew. */
        std::function<void()> onLayoutChanged;

        void mouseDown (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;
        void resized() override;

        juce::Label presetLine;

        // The layer that holds every settings control; it ignores clicks of its own.
        juce::Component settingsLayer;

        SectionHeader cuesHeader { "Cues", "one delivery per folder of stems" };
        juce::Label cueLine;

        SectionHeader formatsHeader { "Output formats", {} };
        FormatCaptions formatCaptions;
        juce::OwnedArray<FormatRow> formatRows;

        SectionHeader reportHeader { "Report", {} };
        TextBlock statusText;
        std::unique_ptr<CueResultList> cueTable;
        std::unique_ptr<GatedTrackList> gatedList;
        juce::Label issueList;

        std::vector<juce::Rectangle<int>> panels;
        std::vector<juce::Rectangle<int>> dividers;

    private:
        int requiredHeight = 1200;
        int reportTop = 0;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Content)
    };
}
