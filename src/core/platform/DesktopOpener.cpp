#include "core/platform/DesktopOpener.h"

#if JUCE_LINUX || JUCE_BSD
 #include <fcntl.h>
 #include <spawn.h>
 #include <sys/wait.h>

 #include <mutex>
 #include <string>
 #include <vector>

extern char** environ;
#endif

namespace korvid
{
#if JUCE_LINUX || JUCE_BSD
    namespace
    {
        std::mutex openersLock;
        std::vector<pid_t> runningOpeners;

        // Openers are not waited for; the ones that have ended are collected on the next
        // call so they do not linger as zombies.
        void collectFinishedOpeners()
        {
            for (auto it = runningOpeners.begin(); it != runningOpeners.end();)
            {
                int status = 0;

                if (waitpid (*it, &status, WNOHANG) != 0)
                    it = runningOpeners.erase (it);
                else
                    ++it;
            }
        }
    }

    bool openWithDesktop (const juce::String& target)
    {
        if (target.isEmpty())
            return false;

        // A name starting with "-" would be read as an option of the opener.
        auto argument = target.startsWithChar ('-') ? "./" + target.toStdString() : target.toStdString();
        std::string program = "xdg-open";
        char* argv[] = { program.data(), argument.data(), nullptr };

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen (&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

        const std::lock_guard<std::mutex> lock (openersLock);
        collectFinishedOpeners();

        pid_t pid = 0;
        const auto result = posix_spawnp (&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy (&actions);

        if (result != 0)
            return false;

        runningOpeners.push_back (pid);
        return true;
    }
#else
    bool openWithDesktop (const juce::String& target)
    {
        if (target.isEmpty())
            return false;

        if (target.matchesWildcard ("*://*", true) || target.startsWithIgnoreCase ("mailto:"))
            return juce::URL (target).launchInDefaultBrowser();

        return juce::File (target).startAsProcess();
    }
#endif
}
