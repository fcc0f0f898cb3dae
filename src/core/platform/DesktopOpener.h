#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{
    /** Opens a file, a folder or a web address with the desktop's default program.
        The opener (xdg-open on Linux) is started as a child process with the target as
        one argument, never through a shell, so no character of a path is interpreted.
        Returns whether the opener could be started. */
    bool openWithDesktop (const juce::String& target);
}
