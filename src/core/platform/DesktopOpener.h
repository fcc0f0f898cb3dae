#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace korvid
{
    /** Opens a file, a folder or a web address with the desktop's default program.
        The opener (xdg-open on Linux) is started as a child process with the target as
        one argument, never through a shell, so no character of a path is interpreted.
        Returns whether the opener could be started.

        A started opener is waited for on a thread of its own, so it never lingers once it
        has ended. When it ends in failure (an exit status other than 0, or a signal),
        `whenFailed` is called on that thread; where the platform does not tell how its
        opener ended, it is never called. */
    bool openWithDesktop (const juce::String& target, std::function<void()> whenFailed = {});
}
