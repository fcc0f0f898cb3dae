#pragma once

#include <juce_core/juce_core.h>

namespace korvid::ui
{
    /** Opens a document or a folder with the desktop's default program (the platform
        opener, started without a shell). False when it does not exist or the opener could
        not be started, so the caller can say so. */
    bool openDocumentOrFolder (const juce::File& documentOrFolder);

    /** Opens an http or https address in the default browser, the same way. False for any
        other address or when the opener could not be started. */
    bool openWebAddress (const juce::URL& address);
}
