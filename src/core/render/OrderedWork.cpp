#include "core/render/OrderedWork.h"

#include <atomic>
#include <memory>

namespace korvid
{

void runInOrder (RenderWorkers& workers, int count, int window, const OrderedSteps& steps)
{
    if (count <= 0)
        return;

    window = juce::jmax (1, window);

    // Shared with the workers, so a worker that signals after its piece was finished (and
    // this function may have returned) still signals into living memory.
    struct Progress
    {
        explicit Progress (int pieces) : workDone (std::make_unique<std::atomic<bool>[]> ((size_t) pieces)) {}

        std::unique_ptr<std::atomic<bool>[]> workDone;
        juce::WaitableEvent pieceDone;
    };

    const auto progress = std::make_shared<Progress> (count);

    int started = 0;
    int finished = 0;
    bool startMore = true;

    for (;;)
    {
        while (startMore && started < count && started - finished < window)
        {
            const auto decision = steps.prepare (started);

            if (decision == PieceStart::afterEarlier)
            {
                // Nothing is left to wait for, so asking again would not change the answer.
                jassert (started > finished);

                if (started == finished)
                    startMore = false;

                break;
            }

            if (decision == PieceStart::none)
            {
                startMore = false;
                break;
            }

            if (decision == PieceStart::startAsLast)
                startMore = false;

            const int piece = started++;
            workers.notePiecesAtOnce (started - finished);

            workers.run ([&steps, progress, piece]
                         {
                             steps.work (piece);
                             progress->workDone[(size_t) piece] = true;
                             progress->pieceDone.signal();
                         });
        }

        if (finished == started)
            break;

        while (! progress->workDone[(size_t) finished])
            progress->pieceDone.wait (-1);

        if (! steps.finish (finished))
            startMore = false;

        ++finished;
    }
}

} // namespace korvid
