#include "ui/DesktopOpener.h"

#include "core/platform/DesktopOpener.h"

namespace korvid::ui
{
    bool openDocumentOrFolder (const juce::File& documentOrFolder)
    {
        if (documentOrFolder == juce::File() || ! documentOrFolder.exists())
            return false;

        return korvid::openWithDesktop (documentOrFolder.getFullPathName());
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
