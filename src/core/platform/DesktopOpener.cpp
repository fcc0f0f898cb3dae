#include "core/platform/DesktopOpener.h"

#if JUCE_LINUX || JUCE_BSD
 #include <cerrno>
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
        // Openers whose waiting thread could not be started; they are collected on later
        // calls instead, so they do not linger as zombies for long.
        std::mutex unwatchedLock;
        std::vector<pid_t> unwatchedOpeners;

        void collectFinishedUnwatchedOpeners()
        {
            const std::lock_guard<std::mutex> lock (unwatchedLock);

            for (auto it = unwatchedOpeners.begin(); it != unwatchedOpeners.end();)
            {
                int status = 0;

                if (waitpid (*it, &status, WNOHANG) != 0)
                    it = unwatchedOpeners.erase (it);
                else
                    ++it;
            }
        }

        // Blocks until the opener has ended and reaps it. Only an exit the system reported
        // counts as a failure: when the process was reaped elsewhere nothing is known.
        void waitForOpener (pid_t pid, const std::function<void()>& whenFailed)
        {
            int status = 0;
            pid_t waited = 0;

            do
                waited = waitpid (pid, &status, 0);
            while (waited < 0 && errno == EINTR);

            const bool failed = waited == pid && ! (WIFEXITED (status) && WEXITSTATUS (status) == 0);

            if (failed && whenFailed != nullptr)
                whenFailed();
        }
    }

    bool openWithDesktop (const juce::String& target, std::function<void()> whenFailed)
    {
        if (target.isEmpty())
            return false;

        collectFinishedUnwatchedOpeners();

        // A name starting with "-" would be read as an option of the opener.
        auto argument = target.startsWithChar ('-') ? "./" + target.toStdString() : target.toStdString();
        std::string program = "xdg-open";
        char* argv[] = { program.data(), argument.data(), nullptr };

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen (&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

        pid_t pid = 0;
        const auto result = posix_spawnp (&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy (&actions);

        if (result != 0)
            return false;

        // Some openers stay until the browser they started is closed: waiting is never
        // the caller's business.
        if (! juce::Thread::launch (juce::Thread::Priority::low,
                                    [pid, whenFailed = std::move (whenFailed)] { waitForOpener (pid, whenFailed); }))
        {
            const std::lock_guard<std::mutex> lock (unwatchedLock);
            unwatchedOpeners.push_back (pid);
        }

        return true;
    }
#else
    bool openWithDesktop (const juce::String& target, std::function<void()>)
    {
        if (target.isEmpty())
            return false;

        if (target.matchesWildcard ("*://*", true) || target.startsWithIgnoreCase ("mailto:"))
            return juce::URL (target).launchInDefaultBrowser();

        return juce::File (target).startAsProcess();
    }
#endif
}
