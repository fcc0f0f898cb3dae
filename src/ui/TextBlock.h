#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** Read-only lines of text. The owner sets the members directly and repaints. */
    class TextBlock : public juce::Component,
                      public juce::TooltipClient
    {
    public:
        TextBlock();

        juce::String text;
        juce::Font font;
        juce::Colour colour;
        float lineSpacing = 1.0f;   // times the font height gives the row height

        /** The height the text needs, at least `minLines` rows, plus 2 pixels. */
        int getPreferredHeight (int minLines) const;

        /** For lines of names that differ at their end: a line too long for the width keeps
            its start and its end around an ellipsis, and reads whole in the tooltip over it.
            Otherwise (the default) a long line ends in an ellipsis and the block takes no
            mouse. */
        void setCutLinesInTheMiddle (bool shouldCutInTheMiddle);
        bool cutsLinesInTheMiddle() const noexcept   { return cutInTheMiddle; }

        /** The line of that index as it is drawn at the present width; empty past the last. */
        juce::String shownLine (int index) const;

        /** The whole line under that point when it is drawn cut in the middle; else empty. */
        juce::String tooltipAt (juce::Point<int> position) const;

        juce::String getTooltip() override;
        void paint (juce::Graphics& g) override;

    private:
        int rowHeight() const;
        juce::StringArray lines() const;
        juce::String shown (const juce::String& line) const;

        bool cutInTheMiddle = false;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TextBlock)
    };
}
