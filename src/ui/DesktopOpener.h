#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace korvid::ui
{
    /** Opens a document or a folder with the desktop's default program (the platform
        opener, started without a shell). False when it does not exist or the opener could
        not be started, so the caller can say so. When the opener started but then ends in
        failure, `whenOpenerFailed` (if given) runs later on the message thread; capture
        the caller through a SafePointer, since it may have gone by then. */
    bool openDocumentOrFolder (const juce::File& documentOrFolder, std::function<void()> whenOpenerFailed = {});

    /** Opens an http or https address in the default browser, the same way. False for any
        other address or when the opener could not be started. */
    bool openWebAddress (const juce::URL& address);
}
