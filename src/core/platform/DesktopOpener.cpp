#include "core/platform/DesktopOpener.h"

#if JUCE_LINUX || JUCE_BSD
 #include <fcntl.h>
 #include <pthread.h>
 #include <spawn.h>
 #include <sys/wait.h>
 #include <unistd.h>

 #include <chrono>
 #include <condition_variable>
 #include <mutex>
 #include <string>
 #include <vector>

 // glibc 2.34 and later can close every inherited descriptor as one spawn action;
 // elsewhere the child is forked and closes them itself before the exec.
 #if defined (__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  #define VELVANE_SPAWN_CLOSES_FROM 1
 #else
  #define VELVANE_SPAWN_CLOSES_FROM 0
  #include <sys/resource.h>
  #if JUCE_LINUX
   #include <sys/syscall.h>
  #endif

  #include <algorithm>
  #include <cstdlib>
 #endif

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

       #if VELVANE_SPAWN_CLOSES_FROM
        /** Starts the program found on PATH with the standard streams on /dev/null and no
            other descriptor of this process: a render's open files and the application's
            own sockets would otherwise stay open in the program, and in whatever it starts. */
        bool spawnDetached (const std::string& program, char* const argv[], pid_t& pid)
        {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init (&actions);
            posix_spawn_file_actions_addopen (&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
            posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen (&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

            // Without this action the program would inherit everything, so no start then.
            const bool closes = posix_spawn_file_actions_addclosefrom_np (&actions, STDERR_FILENO + 1) == 0;
            const auto result = closes ? posix_spawnp (&pid, program.c_str(), &actions, nullptr, argv, environ) : -1;
            posix_spawn_file_actions_destroy (&actions);

            return result == 0;
        }
       #else
        // The program's path as the shell would find it on PATH; empty when there is none.
        std::string findOnPath (const std::string& program)
        {
            const char* path = std::getenv ("PATH");
            juce::StringArray folders;
            folders.addTokens (path != nullptr ? path : "/usr/bin:/bin", ":", {});

            for (const auto& folder : folders)
            {
                const auto candidate = (folder.isEmpty() ? juce::String (".") : folder) + "/" + program;

                if (::access (candidate.toRawUTF8(), X_OK) == 0)
                    return candidate.toStdString();
            }

            return {};
        }

        // Runs in the forked child, so it makes only system calls.
        void closeAllFromThree (int highest)
        {
           #if JUCE_BSD
            juce::ignoreUnused (highest);
            ::closefrom (STDERR_FILENO + 1);
           #else
            #if defined (SYS_close_range)
             if (::syscall (SYS_close_range, (unsigned) STDERR_FILENO + 1, ~0u, 0u) == 0)
                 return;
            #endif

            for (int fd = STDERR_FILENO + 1; fd <= highest; ++fd)
                ::close (fd);
           #endif
        }

        /** The same as the spawn action elsewhere: the child puts its standard streams on
            /dev/null and closes every other descriptor before the exec. Everything it needs is
            made before the fork, so the child calls only what is safe between fork and exec. */
        bool spawnDetached (const std::string& program, char* const argv[], pid_t& pid)
        {
            const auto executable = findOnPath (program);

            if (executable.empty())
                return false;

            // Where descriptors cannot be closed as a range, every possible one is closed.
            constexpr rlim_t mostDescriptors = 1 << 20;
            rlimit limit {};
            const int highest = (int) (getrlimit (RLIMIT_NOFILE, &limit) == 0
                                           ? std::min (limit.rlim_cur, mostDescriptors) : mostDescriptors) - 1;

            const int devNull = ::open ("/dev/null", O_RDWR | O_CLOEXEC);

            if (devNull < 0)
                return false;

            const auto child = ::fork();

            if (child == 0)
            {
                ::dup2 (devNull, STDIN_FILENO);
                ::dup2 (devNull, STDOUT_FILENO);
                ::dup2 (devNull, STDERR_FILENO);
                closeAllFromThree (highest);
                ::execve (executable.c_str(), argv, environ);
                ::_exit (127);
            }

            ::close (devNull);

            if (child < 0)
                return false;

            pid = child;
            return true;
        }
       #endif
    }

    bool openWithDesktop (const juce::String& target, std::function<void()> whenFailed)
    {
        if (target.isEmpty())
            return false;

        // A name starting with "-" would be read as an option of the opener.
        auto argument = target.startsWithChar ('-') ? "./" + target.toStdString() : target.toStdString();
        std::string program = "xdg-open";
        char* argv[] = { program.data(), argument.data(), nullptr };

        pid_t pid = 0;

        if (! spawnDetached (program, argv, pid))
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
