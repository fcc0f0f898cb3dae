#pragma once

#include "app/pages/export/ExportPage.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    /** Lies over a settings block's header: dragging it moves the block to another place
        or column. It paints nothing of its own. */
    class ExportPage::BlockHandle : public juce::Component
    {
    public:
        explicit BlockHandle (const juce::String& blockKey);

        void mouseDrag (const juce::MouseEvent& e) override;
        void mouseUp (const juce::MouseEvent& e) override;

        const juce::String key;
        std::function<void (juce::String, juce::Point<int>)> onDrag;   // positions in the body's space
        std::function<void (juce::String, juce::Point<int>)> onDrop;
        std::function<void()> onRelease;
        bool dragging = false;

    private:
        juce::Point<int> inBody (const juce::MouseEvent& e) const;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BlockHandle)
    };

    /** The gap right of a column: dragging it shares the two columns' width anew. */
    class ExportPage::ColumnSplitter : public juce::Component
    {
    public:
        explicit ColumnSplitter (int columnIndex);

        void mouseDown (const juce::MouseEvent& e) override;
        void mouseDrag (const juce::MouseEvent& e) override;
        void mouseEnter (const juce::MouseEvent& e) override;
        void mouseExit (const juce::MouseEvent& e) override;
        void mouseUp (const juce::MouseEvent& e) override;
        void paint (juce::Graphics& g) override;

        const int index;
        std::function<void (int)> onPress;
        std::function<void (int, int)> onDrag;   // x in the body's space

    private:
        bool hovered = false;
        bool pressed = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ColumnSplitter)
    };
}
