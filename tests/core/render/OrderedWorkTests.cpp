#include "core/render/OrderedWork.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace korvid
{
namespace
{

TEST (OrderedWork, PiecesFinishInOrderAndNeverMoreThanTheWindowAtOnce)
{
    for (int workerCount : { 1, 4 })
    {
        SCOPED_TRACE (workerCount);
        RenderWorkers workers ({ workerCount, 0 });
        constexpr int count = 24;
        constexpr int window = 3;

        std::vector<int> prepared, finished;
        std::atomic<int> running { 0 }, mostRunning { 0 };
        int open = 0, mostOpen = 0;

        OrderedSteps steps;
        steps.prepare = [&] (int piece)
        {
            prepared.push_back (piece);
            mostOpen = juce::jmax (mostOpen, ++open);
            return PieceStart::start;
        };
        steps.work = [&] (int piece)
        {
            const int now = ++running;
            int most = mostRunning.load();

            while (now > most && ! mostRunning.compare_exchange_weak (most, now))
            {
            }

            // Later pieces are quicker, so they would finish first if nothing held them.
            juce::Thread::sleep ((count - piece) % 5);
            --running;
        };
        steps.finish = [&] (int piece)
        {
            finished.push_back (piece);
            --open;
            return true;
        };

        runInOrder (workers, count, window, steps);

        std::vector<int> all (count);

        for (int i = 0; i < count; ++i)
            all[(size_t) i] = i;

        EXPECT_EQ (prepared, all);
        EXPECT_EQ (finished, all);
        EXPECT_LE (mostOpen, window);
        EXPECT_LE (mostRunning.load(), juce::jmin (window, workerCount));
        EXPECT_EQ (workers.mostPiecesAtOnce(), window);
    }
}

TEST (OrderedWork, PrepareAndFinishDecideWhatStarts)
{
    // What prepare answers for each piece (anything else: start), and the pieces seen.
    struct Case
    {
        const char* name;
        int lastOfPrepare;          // startAsLast here
        int noneAt;                 // none here
        int failAt;                 // finish says stop here
        std::vector<int> prepared;  // in order, each once (a repeated ask is not listed)
        std::vector<int> finished;
    };

    const Case cases[] {
        { "all of them", -1, -1, -1, { 0, 1, 2, 3, 4, 5 }, { 0, 1, 2, 3, 4, 5 } },
        { "last at 2", 2, -1, -1, { 0, 1, 2 }, { 0, 1, 2 } },
        { "none at 3", -1, 3, -1, { 0, 1, 2, 3 }, { 0, 1, 2 } },
        { "a failure at 1 finishes what started", -1, -1, 1, { 0, 1, 2 }, { 0, 1, 2 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        RenderWorkers workers ({ 2, 0 });
        std::vector<int> prepared, finished;

        OrderedSteps steps;
        steps.prepare = [&] (int piece)
        {
            prepared.push_back (piece);

            if (piece == c.lastOfPrepare)
                return PieceStart::startAsLast;

            return piece == c.noneAt ? PieceStart::none : PieceStart::start;
        };
        steps.work = [] (int) {};
        steps.finish = [&] (int piece)
        {
            finished.push_back (piece);
            return piece != c.failAt;
        };

        runInOrder (workers, 6, 2, steps);
        EXPECT_EQ (prepared, c.prepared);
        EXPECT_EQ (finished, c.finished);
    }
}

TEST (OrderedWork, APieceThatWaitsIsAskedAgainAsEarlierOnesFinish)
{
    RenderWorkers workers ({ 3, 0 });
    std::vector<int> events;   // a start as the piece's number, a finish as -(number + 1)
    int finished = 0;
    int asked = 0;

    OrderedSteps steps;
    steps.prepare = [&] (int piece)
    {
        // Piece 3 needs all three before it, as an alternative mix needs its members.
        if (piece == 3 && ++asked && finished < 3)
            return PieceStart::afterEarlier;

        events.push_back (piece);
        return PieceStart::start;
    };
    steps.work = [] (int) {};
    steps.finish = [&] (int piece)
    {
        events.push_back (-piece - 1);
        ++finished;
        return true;
    };

    runInOrder (workers, 5, 3, steps);

    EXPECT_EQ (asked, 3);
    EXPECT_EQ (events, std::vector<int> ({ 0, 1, 2, -1, -2, -3, 3, 4, -4, -5 }));
}

} // namespace
} // namespace korvid
