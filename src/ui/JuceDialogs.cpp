#include "ui/JuceDialogs.h"

#include "ui/PopupCoverRepaint.h"

#include <memory>

namespace korvid::ui
{
    juce::File chooserStartFolder (const FileRequest& request)
    {
        auto start = request.start;

        if (start == juce::File() || start.exists() || (request.saving && start.getParentDirectory().isDirectory()))
            return start;

        // A save chooser keeps the name it proposes, in the nearest folder there is.
        const bool proposesName = request.saving && ! request.chooseFolder;
        const auto name = start.getFileName();

        if (proposesName)
            start = start.getParentDirectory();

        while (! start.isDirectory() && start.getParentDirectory() != start)
            start = start.getParentDirectory();

        const auto folder = start.isDirectory() ? start : juce::File::getSpecialLocation (juce::File::userHomeDirectory);
        return proposesName ? folder.getChildFile (name) : folder;
    }

    namespace
    {
        /** A prompt is opened to be typed in: its field takes the keys at once, its text
            selected, rather than the first button (Return still answers with it). */
        void takeTheKeys (juce::AlertWindow& window, const juce::String& editorName)
        {
            if (auto* editor = window.getTextEditor (editorName))
            {
                // The buttons come first in the window's focus order, and a window manager
                // gives the window its focus only once it is mapped, when the window hands it
                // to the first in that order: the field is put level with them, above them.
                editor->setExplicitFocusOrder (1);
                editor->grabKeyboardFocus();
            }
        }
    }

    void JuceDialogs::showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                                   const juce::String& message, std::function<void()> onClosed)
    {
        const auto options = juce::MessageBoxOptions()
                                 .withIconType (icon)
                                 .withTitle (title)
                                 .withMessage (message)
                                 .withButton ("OK")
                                 .withAssociatedComponent (getOwner());

        openRepaintingWhatItCovers ([&]
        {
            juce::NativeMessageBox::showAsync (options, [onClosed = std::move (onClosed)] (int)
            {
                if (onClosed)
                    onClosed();
            });
        });
    }

    void JuceDialogs::confirm (juce::MessageBoxIconType icon, const juce::String& title,
                               const juce::String& message, const juce::String& okText,
                               const juce::String& cancelText, std::function<void (bool)> onResult)
    {
       #if JUCE_LINUX || JUCE_BSD
        // The Linux "native" box is a JUCE alert window whose two-button answer JUCE 7
        // reports the other way round from the other platforms (first button 1, not 0).
        // Built here directly, its return values are the look and feel's own: the first
        // button gives 1, the second 0.
        auto* owner = getOwner();
        auto& lookAndFeel = owner != nullptr ? owner->getLookAndFeel() : juce::LookAndFeel::getDefaultLookAndFeel();
        auto* window = lookAndFeel.createAlertWindow (title, message, okText, cancelText, {}, icon, 2, owner);
        repaintWhatItCoversOnceClosed (*window);

        window->enterModalState (true, juce::ModalCallbackFunction::create ([onResult = std::move (onResult)] (int result)
        {
            if (onResult)
                onResult (result == 1);
        }), true);
       #else
        const auto options = juce::MessageBoxOptions()
                                 .withIconType (icon)
                                 .withTitle (title)
                                 .withMessage (message)
                                 .withButton (okText)
                                 .withButton (cancelText)
                                 .withAssociatedComponent (getOwner());

        // The native box answers with the index of the button: 0 is the first.
        openRepaintingWhatItCovers ([&]
        {
            juce::NativeMessageBox::showAsync (options, [onResult = std::move (onResult)] (int buttonIndex)
            {
                if (onResult)
                    onResult (buttonIndex == 0);
            });
        });
       #endif
    }

    void JuceDialogs::askForText (const juce::String& title, const juce::String& message,
                                  const juce::String& initialText,
                                  std::function<void (std::optional<juce::String>)> onResult,
                                  const TextPromptLabels& labels)
    {
        constexpr auto editorName = "name";
        auto* window = new juce::AlertWindow (title, message, juce::MessageBoxIconType::NoIcon, getOwner());
        window->addTextEditor (editorName, initialText, labels.fieldLabel);
        window->addButton (labels.okText, 1, juce::KeyPress (juce::KeyPress::returnKey));
        window->addButton (labels.cancelText, 0, juce::KeyPress (juce::KeyPress::escapeKey));

        juce::Component::SafePointer<juce::AlertWindow> safeWindow (window);
        repaintWhatItCoversOnceClosed (*window);

        // The window is deleted by the modal manager right after this callback has run.
        window->enterModalState (true, juce::ModalCallbackFunction::create (
            [safeWindow, onResult = std::move (onResult)] (int result)
            {
                std::optional<juce::String> text;

                if (result == 1 && safeWindow != nullptr)
                    text = safeWindow->getTextEditorContents (editorName);

                if (onResult)
                    onResult (std::move (text));
            }), true);

        takeTheKeys (*window, editorName);
    }

    void JuceDialogs::askForFields (const juce::String& title, const juce::String& message,
                                    const std::vector<PromptField>& fields,
                                    std::function<void (std::optional<juce::StringArray>)> onResult,
                                    const TextPromptLabels& labels)
    {
        auto* window = new juce::AlertWindow (title, message, juce::MessageBoxIconType::NoIcon, getOwner());
        juce::StringArray names;

        for (const auto& field : fields)
        {
            window->addTextEditor (field.name, field.initialText, field.label);
            names.add (field.name);
        }

        window->addButton (labels.okText, 1, juce::KeyPress (juce::KeyPress::returnKey));
        window->addButton (labels.cancelText, 0, juce::KeyPress (juce::KeyPress::escapeKey));

        juce::Component::SafePointer<juce::AlertWindow> safeWindow (window);
        repaintWhatItCoversOnceClosed (*window);

        // The window is deleted by the modal manager right after this callback has run.
        window->enterModalState (true, juce::ModalCallbackFunction::create (
            [safeWindow, names, onResult = std::move (onResult)] (int result)
            {
                std::optional<juce::StringArray> texts;

                if (result == 1 && safeWindow != nullptr)
                {
                    texts.emplace();

                    for (const auto& name : names)
                        texts->add (safeWindow->getTextEditorContents (name));
                }

                if (onResult)
                    onResult (std::move (texts));
            }), true);

        if (! names.isEmpty())
            takeTheKeys (*window, names[0]);
    }

    void JuceDialogs::chooseFile (const FileRequest& request, std::function<void (juce::File)> onResult)
    {
        auto chooser = std::make_shared<juce::FileChooser> (request.title, chooserStartFolder (request), request.pattern);

        int flags = request.saving ? juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::warnAboutOverwriting
                                   : juce::FileBrowserComponent::openMode;
        flags |= request.chooseFolder ? juce::FileBrowserComponent::canSelectDirectories
                                      : juce::FileBrowserComponent::canSelectFiles;

        // The callback keeps the chooser alive until its result has been handled.
        openRepaintingWhatItCovers ([&]
        {
            chooser->launchAsync (flags, [chooser, onResult = std::move (onResult)] (const juce::FileChooser& finished)
            {
                if (onResult)
                    onResult (finished.getResult());
            });
        });
    }

    void JuceDialogs::chooseFiles (const FileRequest& request, std::function<void (juce::Array<juce::File>)> onResult)
    {
        auto chooser = std::make_shared<juce::FileChooser> (request.title, chooserStartFolder (request), request.pattern);
        const int flags = juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles
                        | juce::FileBrowserComponent::canSelectMultipleItems;

        openRepaintingWhatItCovers ([&]
        {
            chooser->launchAsync (flags, [chooser, onResult = std::move (onResult)] (const juce::FileChooser& finished)
            {
                if (onResult)
                    onResult (finished.getResults());
            });
        });
    }
}
