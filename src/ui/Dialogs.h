#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>
#include <vector>

namespace korvid::ui
{
    /** What a file chooser asks for. */
    struct FileRequest
    {
        bool saving = false;         // a save chooser warns before an existing file is replaced
        bool chooseFolder = false;   // a folder instead of a file
        juce::String title;
        juce::File start;            // the folder to start in, or the file to suggest
        juce::String pattern;        // e.g. "*.vlpr"; empty for any file
    };

    /** The button texts and the field's label of a text prompt. */
    struct TextPromptLabels
    {
        juce::String okText { "OK" };
        juce::String cancelText { "Cancel" };
        juce::String fieldLabel;
    };

    /** One text field of a prompt with several: its name, the label shown beside it and
        the text it starts with. */
    struct PromptField
    {
        juce::String name;
        juce::String label;
        juce::String initialText;
    };

    /** The message boxes, prompts and file choosers every page uses. All of them are
        asynchronous: the call returns at once and the callback runs later on the message
        thread, possibly after the caller was deleted, so callers guard what they capture
        (a SafePointer). The application shows JUCE's boxes; tests answer from a script. */
    class Dialogs
    {
    public:
        virtual ~Dialogs() = default;

        /** One button; `onClosed` (may be empty) runs when the box is dismissed. */
        virtual void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                                  const juce::String& message, std::function<void()> onClosed = {}) = 0;

        /** Two buttons; true when the first (`okText`) was chosen. */
        virtual void confirm (juce::MessageBoxIconType icon, const juce::String& title,
                              const juce::String& message, const juce::String& okText,
                              const juce::String& cancelText, std::function<void (bool)> onResult) = 0;

        /** A one-line text prompt; nothing when cancelled. The text comes back as typed. */
        virtual void askForText (const juce::String& title, const juce::String& message,
                                 const juce::String& initialText,
                                 std::function<void (std::optional<juce::String>)> onResult,
                                 const TextPromptLabels& labels = {}) = 0;

        /** A prompt with several labelled one-line fields; nothing when cancelled. The texts
            come back as typed, one per field in the order given. */
        virtual void askForFields (const juce::String& title, const juce::String& message,
                                   const std::vector<PromptField>& fields,
                                   std::function<void (std::optional<juce::StringArray>)> onResult,
                                   const TextPromptLabels& labels = {}) = 0;

        /** The chosen file or folder; an empty juce::File when cancelled. */
        virtual void chooseFile (const FileRequest& request, std::function<void (juce::File)> onResult) = 0;

        /** An open chooser that takes one or more files; an empty list when cancelled. */
        virtual void chooseFiles (const FileRequest& request, std::function<void (juce::Array<juce::File>)> onResult) = 0;

        /** The component the boxes are shown over (may be null); held weakly. */
        void setOwner (juce::Component* component)   { owner = component; }
        juce::Component* getOwner() const            { return owner.getComponent(); }

    private:
        juce::Component::SafePointer<juce::Component> owner;
    };
}
