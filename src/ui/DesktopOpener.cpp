#include "ui/DesktopOpener.h"

#include "core/platform/DesktopOpener.h"

#include <juce_events/juce_events.h>

namespace korvid::ui
{
    bool openDocumentOrFolder (const juce::File& documentOrFolder, std::function<void()> whenOpenerFailed)
    {
        if (documentOrFolder == juce::File() || ! documentOrFolder.exists())
            return false;

        std::function<void()> postFailure;

        // The opener is waited for on a thread of its own; the answer goes to the message thread.
        if (whenOpenerFailed != nullptr)
            postFailure = [answer = std::move (whenOpenerFailed)] { juce::MessageManager::callAsync (answer); };

        return korvid::openWithDesktop (documentOrFolder.getFullPathName(), std::move (postFailure));
    }

    bool openWebAddress (const juce::URL& address)
    {
        const auto text = address.toString (true);

        // Only web pages: any other scheme could make the opener run something local.
        if (! (text.startsWithIgnoreCase ("https://") || text.startsWithIgnoreCase ("http://")))
            return false;

        return korvid::openWithDesktop (text);
    }
}
