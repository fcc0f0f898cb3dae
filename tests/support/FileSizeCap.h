#pragma once

#include <juce_core/juce_core.h>

#if ! JUCE_WINDOWS
 #include <csignal>
 #include <sys/resource.h>

namespace korvid::test
{
    /** Caps the size of every file this process writes, as a disk that fills would, for
        the life of the object: a write reaching past the cap stops short or fails (the
        signal such a write raises is ignored meanwhile). Then puts back the limit and the
        signal's handler. Keep the scope to the one save under test. */
    class FileSizeCap
    {
    public:
        explicit FileSizeCap (juce::int64 bytes)
        {
            getrlimit (RLIMIT_FSIZE, &saved);
            previousHandler = std::signal (SIGXFSZ, SIG_IGN);
            rlimit capped = saved;
            capped.rlim_cur = (rlim_t) bytes;
            setrlimit (RLIMIT_FSIZE, &capped);
        }

        ~FileSizeCap()
        {
            setrlimit (RLIMIT_FSIZE, &saved);
            std::signal (SIGXFSZ, previousHandler);
        }

        FileSizeCap (const FileSizeCap&) = delete;
        FileSizeCap& operator= (const FileSizeCap&) = delete;

    private:
        rlimit saved {};
        void (*previousHandler) (int) = nullptr;
    };
}
#endif
