#pragma once

#include "ui/Dialogs.h"

namespace korvid::ui
{
    /** Where a chooser opens: the request's start, or for a folder that is not there the
        nearest one that is (a chooser opened on a missing folder offers its name as the file
        to open and keeps Open dim). A save chooser may suggest a new file in an existing folder;
        when the folder is missing, it suggests the same name in the nearest one that exists
        (the home folder when the documents folder is missing). */
    juce::File chooserStartFolder (const FileRequest& request);

    /** The application's dialogs: the platform's message boxes, a JUCE alert window with one or
        more text fields for prompts and the native file choosers, all shown asynchronously. */
    class JuceDialogs final : public Dialogs
    {
    public:
        void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                          const juce::String& message, std::function<void()> onClosed = {}) override;

        void confirm (juce::MessageBoxIconType icon, const juce::String& title,
                      const juce::String& message, const juce::String& okText,
                      const juce::String& cancelText, std::function<void (bool)> onResult) override;

        void askForText (const juce::String& title, const juce::String& message,
                         const juce::String& initialText,
                         std::function<void (std::optional<juce::String>)> onResult,
                         const TextPromptLabels& labels = {}) override;

        void askForFields (const juce::String& title, const juce::String& message,
                           const std::vector<PromptField>& fields,
                           std::function<void (std::optional<juce::StringArray>)> onResult,
                           const TextPromptLabels& labels = {}) override;

        void chooseFile (const FileRequest& request, std::function<void (juce::File)> onResult) override;

        void chooseFiles (const FileRequest& request, std::function<void (juce::Array<juce::File>)> onResult) override;
    };
}
