#pragma once

#include <juce_core/juce_core.h>

#include <functional>

namespace korvid
{
    /** Opens a file, a folder or a web address with the desktop's default program.
        The opener (xdg-open on Linux) is started as a child process with the target as
        one argument, never through a shell, so no character of a path is interpreted.
        Returns whether the opener could be started.

        Started openers are waited for on one thread this module owns, so none lingers once
        it has ended, and one that never ends does not hold up quitting. When an opener ends
        in failure (an exit status other than 0, or a signal), `whenFailed` is called on that
        thread; where the platform does not tell how its opener ended, it is never called. */
    bool openWithDesktop (const juce::String& target, std::function<void()> whenFailed = {});
}
