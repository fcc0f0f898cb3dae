#pragma once

#include "core/platform/TemporaryFiles.h"

#if ! JUCE_WINDOWS
 #include <sys/wait.h>
 #include <unistd.h>

namespace korvid::test
{
    /** A temporary-file writer of this machine whose process has ended, as after a crash
        or a kill: a child that exits at once and has been collected. */
    inline TemporaryFileWriter endedTemporaryFileWriter()
    {
        const auto child = fork();

        if (child == 0)
            _exit (0);

        int status = 0;
        waitpid (child, &status, 0);

        auto writer = thisTemporaryFileWriter();
        writer.processId = child;
        writer.processStart = 12345;
        return writer;
    }
}
#endif
