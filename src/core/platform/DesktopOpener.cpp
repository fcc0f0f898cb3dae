#include "core/platform/DesktopOpener.h"

#if JUCE_LINUX || JUCE_BSD
 #include <fcntl.h>
 #include <pthread.h>
 #include <spawn.h>
 #include <sys/wait.h>

 #include <chrono>
 #include <condition_variable>
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
        /** Waits for every started opener on one thread this file owns, reaps it and
            reports a failure. The thread polls instead of blocking in waitpid, so it stops
            at once when the process quits even while an opener stays (some stay until the
            browser they started is closed); an opener left then is adopted by init. */
        class OpenerReaper
        {
        public:
            OpenerReaper() = default;

            ~OpenerReaper()
            {
                {
                    const std::lock_guard<std::mutex> guard (lock);
                    quitting = true;
                }

                wake.notify_all();

                if (threadStarted)
                    pthread_join (thread, nullptr);
            }

            void watch (pid_t pid, std::function<void()> whenFailed)
            {
                {
                    const std::lock_guard<std::mutex> guard (lock);
                    watched.push_back ({ pid, std::move (whenFailed) });

                    // pthread rather than std::thread: a failed start is an answer, not an
                    // exception. The opener then waits in the list for a later call to try again.
                    if (! threadStarted)
                        threadStarted = pthread_create (&thread, nullptr, &OpenerReaper::threadEntry, this) == 0;
                }

                wake.notify_all();
            }

        private:
            struct Watched
            {
                pid_t pid;
                std::function<void()> whenFailed;
            };

            static constexpr std::chrono::milliseconds pollInterval { 50 };

            std::mutex lock;
            std::condition_variable wake;
            std::vector<Watched> watched;
            bool quitting = false;
            bool threadStarted = false;
            pthread_t thread {};

            static void* threadEntry (void* reaper)
            {
                static_cast<OpenerReaper*> (reaper)->run();
                return nullptr;
            }

            void run()
            {
                for (;;)
                {
                    reportFailures (reapEnded());

                    std::unique_lock<std::mutex> guard (lock);

                    if (watched.empty())
                        wake.wait (guard, [this] { return quitting || ! watched.empty(); });
                    else
                        wake.wait_for (guard, pollInterval, [this] { return quitting; });

                    if (quitting)
                        return;
                }
            }

            // Only an exit the system reported counts as a failure: when the process was
            // reaped elsewhere nothing is known.
            std::vector<std::function<void()>> reapEnded()
            {
                std::vector<std::function<void()>> failed;
                const std::lock_guard<std::mutex> guard (lock);

                for (auto it = watched.begin(); it != watched.end();)
                {
                    int status = 0;
                    const auto waited = waitpid (it->pid, &status, WNOHANG);

                    if (waited == 0)
                    {
                        ++it;
                        continue;
                    }

                    if (waited == it->pid && ! (WIFEXITED (status) && WEXITSTATUS (status) == 0) && it->whenFailed != nullptr)
                        failed.push_back (std::move (it->whenFailed));

                    it = watched.erase (it);
                }

                return failed;
            }

            // Outside the lock: an answer may start another opener.
            static void reportFailures (const std::vector<std::function<void()>>& failed)
            {
                for (const auto& whenFailed : failed)
                    whenFailed();
            }
        };

        OpenerReaper& openerReaper()
        {
            static OpenerReaper reaper;
            return reaper;
        }
    }

    bool openWithDesktop (const juce::String& target, std::function<void()> whenFailed)
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

        pid_t pid = 0;
        const auto result = posix_spawnp (&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy (&actions);

        if (result != 0)
            return false;

        // Some openers stay until the browser they started is closed: waiting is never
        // the caller's business.
        openerReaper().watch (pid, std::move (whenFailed));

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
