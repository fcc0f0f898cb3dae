#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace korvid::ui
{
    class Dialogs;

    /** What goes between the pieces of every delivered file name: a few usual separators,
        or one typed after "custom...". A typed one may not hold letters, digits, braces or
        control characters, which would merge into the words and tokens it joins. */
    class SeparatorChooser : public juce::Component
    {
    public:
        static constexpr int customId = 100;

        struct Choice
        {
            const char* text;
            const char* separator;
        };

        /** The six fixed choices; item id = position + 1. */
        static const std::vector<Choice>& choices();

        /** Empty when the text can separate names, else the sentence that says why not. */
        static juce::String refusalFor (const juce::String& separator);

        SeparatorChooser();

        /** Shows a separator without reporting a change. */
        void setSeparator (const juce::String& newSeparator);
        const juce::String& getSeparator() const noexcept   { return separator; }
        void setDialogs (Dialogs* dialogsToUse)             { dialogs = dialogsToUse; }

        /** The custom text was confirmed (Return or leaving the field). */
        void confirmCustomText();

        std::function<void (const juce::String&)> onChange;

        juce::Label label { {}, "Separator" };
        juce::ComboBox choice;
        juce::TextEditor customText;

        void resized() override;

    private:
        void choiceChanged();

        juce::String separator { "_" };
        Dialogs* dialogs = nullptr;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SeparatorChooser)
    };
}
