#include "core/render/RenderWorkers.h"

#include "core/audio/AudioMemoryBudget.h"

namespace korvid
{

RenderCapacity machineRenderCapacity()
{
    RenderCapacity capacity;
    capacity.workers = juce::jmax (1, juce::SystemStats::getNumCpus());
    capacity.memoryBudgetBytes = audioMemoryBudgetBytes();
    return capacity;
}

RenderWorkers::RenderWorkers (RenderCapacity capacityToUse)
    : limits (capacityToUse)
{
    limits.workers = juce::jmax (1, limits.workers);

    if (limits.workers > 1)
        pool = std::make_unique<juce::ThreadPool> (limits.workers);
}

RenderWorkers::~RenderWorkers()
{
    // Every piece has finished by now (see the header), so this only ends idle threads.
    pool.reset();
}

void RenderWorkers::run (std::function<void()> piece)
{
    if (pool == nullptr)
        piece();
    else
        pool->addJob (std::move (piece));
}

void RenderWorkers::runAll (int count, const std::function<void (int piece)>& piece)
{
    // Shared with the workers, so the last one signals into living memory.
    struct Progress
    {
        std::atomic<int> left { 0 };
        juce::WaitableEvent allDone;
    };

    if (count <= 0)
        return;

    const auto progress = std::make_shared<Progress>();
    progress->left = count;

    for (int i = 0; i < count; ++i)
        run ([&piece, progress, i]
             {
                 piece (i);

                 if (--progress->left == 0)
                     progress->allDone.signal();
             });

    progress->allDone.wait (-1);
}

void RenderWorkers::notePiecesAtOnce (int count)
{
    auto most = mostAtOnce.load();

    while (count > most && ! mostAtOnce.compare_exchange_weak (most, count))
    {
    }
}

} // namespace korvid
