#include "core/platform/FolderCreation.h"

#include "core/storage/ScratchFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace korvid;

TEST (FolderCreation, MakesEveryMissingFolderAndRefusesAFileInTheWay)
{
    test::ScratchFolder temp;

    const auto nested = temp.file ("a").getChildFile ("b").getChildFile ("c");
    EXPECT_TRUE (createFolderWithParents (nested).wasOk());
    EXPECT_TRUE (nested.isDirectory());
    EXPECT_TRUE (createFolderWithParents (nested).wasOk()) << "an existing folder is fine";

    const auto blocker = temp.file ("file");
    ASSERT_TRUE (blocker.replaceWithText ("x"));
    const auto refused = createFolderWithParents (blocker.getChildFile ("sub"));
    EXPECT_TRUE (refused.failed());
    EXPECT_TRUE (refused.getErrorMessage().isNotEmpty());
    EXPECT_EQ (blocker.loadFileAsString(), "x");
}

TEST (FolderCreation, RunsMakingOneNewFolderAtOnceAllGoOn)
{
    // Several writers reach the same missing folders at the same moment, again and again:
    // none may fail because another made a folder first.
    test::ScratchFolder temp;
    constexpr int writers = 8;

    for (int round = 0; round < 40; ++round)
    {
        const auto folder = temp.file ("Round" + juce::String (round)).getChildFile ("Cue").getChildFile ("WAV").getChildFile ("STEMS");
        std::atomic<int> waiting { writers };
        std::atomic<int> failures { 0 };
        std::vector<std::thread> threads;

        for (int w = 0; w < writers; ++w)
            threads.emplace_back ([&]
            {
                --waiting;

                while (waiting.load() > 0)
                    std::this_thread::yield();

                if (createFolderWithParents (folder).failed())
                    ++failures;
            });

        for (auto& thread : threads)
            thread.join();

        ASSERT_EQ (failures.load(), 0) << "round " << round;
        ASSERT_TRUE (folder.isDirectory());
    }
}
