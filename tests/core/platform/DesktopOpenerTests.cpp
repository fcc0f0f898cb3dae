#include "core/platform/DesktopOpener.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#if JUCE_LINUX || JUCE_BSD
 #include <fcntl.h>
 #include <sys/socket.h>
 #include <unistd.h>

namespace korvid
{
namespace
{
    /** Puts a folder first on PATH for one test, and takes it away again. */
    class ScopedPath
    {
    public:
        explicit ScopedPath (const juce::String& path)
        {
            if (const char* old = std::getenv ("PATH"))
                saved = old;
            setenv ("PATH", path.toRawUTF8(), 1);
        }

        ~ScopedPath() { setenv ("PATH", saved.toRawUTF8(), 1); }

    private:
        juce::String saved;
    };

    class DesktopOpenerTests : public ::testing::Test
    {
    protected:
        juce::TemporaryFile folderName;
        juce::File folder = folderName.getFile();
        juce::File received = folder.getChildFile ("received.txt");

        void SetUp() override
        {
            ASSERT_TRUE (folder.createDirectory());
            // A stand-in opener that writes its arguments, one per line, and nothing else.
            const auto opener = folder.getChildFile ("xdg-open");
            ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received.getFullPathName() + ".part'\n"
                                                 "mv '" + received.getFullPathName() + ".part' '" + received.getFullPathName() + "'\n",
                                                 false, false, "\n"));
            ASSERT_TRUE (opener.setExecutePermission (true));
        }

        void TearDown() override { folder.deleteRecursively(); }

        juce::String waitForArguments()
        {
            for (int i = 0; i < 500 && ! received.existsAsFile(); ++i)
                juce::Thread::sleep (10);

            return received.loadFileAsString();
        }
    };

    TEST_F (DesktopOpenerTests, TargetReachesTheOpenerAsOneUninterpretedArgument)
    {
        const ScopedPath path (folder.getFullPathName() + ":/usr/bin:/bin");

        struct Case { juce::String target, expected; };
        const Case cases[] = {
            { folder.getChildFile ("Cue 1 $(touch pwned) `touch pwned` \"x\" 'y'; touch pwned").getFullPathName(),
              folder.getChildFile ("Cue 1 $(touch pwned) `touch pwned` \"x\" 'y'; touch pwned").getFullPathName() },
            { "https://example.com/osmerine/manual?a=1&b=2", "https://example.com/osmerine/manual?a=1&b=2" },
            { "--help", "./--help" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.target);
            received.deleteFile();
            ASSERT_TRUE (openWithDesktop (c.target));
            EXPECT_EQ (waitForArguments(), c.expected + "\n");
        }

        EXPECT_FALSE (folder.getChildFile ("pwned").exists());
        EXPECT_FALSE (juce::File::getCurrentWorkingDirectory().getChildFile ("pwned").exists());
    }

    // True once no process of that id is left, not even a zombie waiting to be reaped.
    bool isGone (pid_t pid)
    {
        return ::kill (pid, 0) != 0 && errno == ESRCH;
    }

    TEST_F (DesktopOpenerTests, AnOpenerIsReapedWhenItEndsAndAFailureIsReported)
    {
        const ScopedPath path (folder.getFullPathName() + ":/usr/bin:/bin");
        const auto pidFile = folder.getChildFile ("pid");

        struct Case { const char* ending; bool failed; };
        const Case cases[] = {
            { "exit 0", false },
            { "exit 4", true },              // the opener found no program for the target
            { "kill -KILL $$", true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.ending);
            pidFile.deleteFile();
            const auto opener = folder.getChildFile ("xdg-open");
            ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\necho $$ > '" + pidFile.getFullPathName() + ".part'\n"
                                                 "mv '" + pidFile.getFullPathName() + ".part' '" + pidFile.getFullPathName() + "'\n"
                                                 + c.ending + "\n",
                                                 false, false, "\n"));
            ASSERT_TRUE (opener.setExecutePermission (true));

            std::atomic<int> failures { 0 };
            ASSERT_TRUE (openWithDesktop ("/tmp", [&failures] { ++failures; }));

            for (int i = 0; i < 3000 && ! pidFile.existsAsFile(); ++i)
                juce::Thread::sleep (10);

            const auto pid = (pid_t) pidFile.loadFileAsString().trim().getIntValue();
            ASSERT_GT (pid, 0);

            for (int i = 0; i < 3000 && ! isGone (pid); ++i)
                juce::Thread::sleep (10);

            EXPECT_TRUE (isGone (pid)) << "the opener is left as a zombie";

            for (int i = 0; i < 3000 && c.failed && failures == 0; ++i)
                juce::Thread::sleep (10);

            EXPECT_EQ (failures, c.failed ? 1 : 0);
        }
    }

    TEST_F (DesktopOpenerTests, OpenersThatFailAtOnceAreEachReportedAndReaped)
    {
        // Each waiting thread used to delete itself while its start was still unlocking it,
        // so an opener that ended at once made that start touch freed memory.
        const ScopedPath path (folder.getFullPathName() + ":/usr/bin:/bin");
        const auto pids = folder.getChildFile ("pids");
        const auto opener = folder.getChildFile ("xdg-open");
        ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\necho $$ >> '" + pids.getFullPathName() + "'\nexit 1\n",
                                             false, false, "\n"));
        ASSERT_TRUE (opener.setExecutePermission (true));

        constexpr int starts = 64;
        std::atomic<int> failures { 0 };

        for (int i = 0; i < starts; ++i)
            ASSERT_TRUE (openWithDesktop ("/tmp", [&failures] { ++failures; }));

        for (int i = 0; i < 3000 && failures < starts; ++i)
            juce::Thread::sleep (10);

        EXPECT_EQ (failures, starts);

        juce::StringArray started;
        started.addLines (pids.loadFileAsString().trim());
        ASSERT_EQ (started.size(), starts);

        for (const auto& pid : started)
        {
            for (int i = 0; i < 300 && ! isGone ((pid_t) pid.getIntValue()); ++i)
                juce::Thread::sleep (10);

            EXPECT_TRUE (isGone ((pid_t) pid.getIntValue())) << "opener " << pid << " is left as a zombie";
        }
    }

    TEST_F (DesktopOpenerTests, AnOpenerThatNeverEndsDoesNotHoldUpQuitting)
    {
        // The death test runs this body again in a fresh process, with a folder of its own,
        // so that process's opener waits on a thread of that process.
        const ScopedPath path (folder.getFullPathName() + ":/usr/bin:/bin");
        const auto pidFile = folder.getChildFile ("pid");
        const auto opener = folder.getChildFile ("xdg-open");
        // It stays while the process that started it lives. It closes what it inherited
        // beyond the standard streams, or the death test's pipe would stay open with it.
        ASSERT_TRUE (opener.replaceWithText ("#!/bin/bash\n"
                                             "for fd in /proc/$$/fd/*; do n=${fd##*/}; [ \"$n\" -gt 2 ] && eval \"exec $n>&-\" 2> /dev/null; done\n"
                                             "echo $$ > '" + pidFile.getFullPathName() + "'\n"
                                             "while kill -0 $PPID 2> /dev/null; do sleep 0.1; done\n",
                                             false, false, "\n"));
        ASSERT_TRUE (opener.setExecutePermission (true));

        GTEST_FLAG_SET (death_test_style, "threadsafe");
        EXPECT_EXIT ({
            if (! openWithDesktop ("/tmp"))
                std::_Exit (2);

            for (int i = 0; i < 3000 && pidFile.loadFileAsString().trim().getIntValue() <= 0; ++i)
                juce::Thread::sleep (10);

            folder.deleteRecursively();
            // A quit that waits for the opener ends here instead.
            std::thread ([] { juce::Thread::sleep (10000); std::_Exit (3); }).detach();
            std::exit (0);
        }, ::testing::ExitedWithCode (0), "");
    }

    TEST_F (DesktopOpenerTests, AnOpenerInheritsOnlyTheStandardStreams)
    {
        // As during a render: a file open for writing and a socket pair, neither marked to
        // close on exec, which a program started from here must not keep open.
        const auto held = folder.getChildFile ("Cue_01_Drums.wav.part");
        const int heldFile = ::open (held.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE (heldFile, 0);
        int sockets[2] = { -1, -1 };
        ASSERT_EQ (::socketpair (AF_UNIX, SOCK_STREAM, 0, sockets), 0);

        // The opener's own shell is listed, by an ls it starts: a listing of the ls itself
        // would show the folder it reads too. The shell's output goes to the listing for
        // good before, since a redirection of one command would keep a copy of the old
        // output meanwhile; and it keeps its script open, which is its own doing.
        const ScopedPath path (folder.getFullPathName() + ":/usr/bin:/bin");
        const auto opener = folder.getChildFile ("xdg-open");
        const auto listing = folder.getChildFile ("fds.txt");
        ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nexec > '" + listing.getFullPathName() + ".part'\n"
                                             "LC_ALL=C ls -l /proc/$$/fd\n"
                                             "mv '" + listing.getFullPathName() + ".part' '" + listing.getFullPathName() + "'\n",
                                             false, false, "\n"));
        ASSERT_TRUE (opener.setExecutePermission (true));

        const bool started = openWithDesktop ("/tmp");

        ::close (heldFile);
        ::close (sockets[0]);
        ::close (sockets[1]);
        ASSERT_TRUE (started);

        for (int i = 0; i < 500 && ! listing.existsAsFile(); ++i)
            juce::Thread::sleep (10);

        juce::StringArray lines;
        lines.addLines (listing.loadFileAsString().trim());
        juce::StringArray numbers;

        for (const auto& line : lines)
        {
            if (! line.contains (" -> "))
                continue;

            const auto number = line.upToFirstOccurrenceOf (" -> ", false, false).fromLastOccurrenceOf (" ", false, false);
            const auto target = line.fromFirstOccurrenceOf (" -> ", false, false);

            if (target != opener.getFullPathName())
                numbers.add (number);
        }

        EXPECT_EQ (numbers, juce::StringArray ({ "0", "1", "2" })) << lines.joinIntoString ("\n");
        EXPECT_FALSE (lines.joinIntoString ("\n").contains (held.getFileName())) << lines.joinIntoString ("\n");
    }

    TEST_F (DesktopOpenerTests, ReportsWhenNoOpenerCanBeStarted)
    {
        const auto empty = folder.getChildFile ("empty");
        ASSERT_TRUE (empty.createDirectory());
        const ScopedPath path (empty.getFullPathName());

        EXPECT_FALSE (openWithDesktop ("/tmp"));
        EXPECT_FALSE (openWithDesktop ({}));
    }
}
}

#endif
