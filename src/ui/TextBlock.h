#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** Read-only lines of text. The owner sets the members directly and repaints. */
    class TextBlock : public juce::Component
    {
    public:
        TextBlock();

        juce::String text;
        juce::Font font;
        juce::Colour colour;
        float lineSpacing = 1.0f;   // times the font height gives the row height

        /** The height the text needs, at least `minLines` rows, plus 2 pixels. */
        int getPreferredHeight (int minLines) const;

        void paint (juce::Graphics& g) override;

    private:
        int rowHeight() const;
        juce::StringArray lines() const;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TextBlock)
    };
}
