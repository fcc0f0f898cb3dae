#include "core/render/RenderWorkers.h"

#include "core/audio/AudioMemoryBudget.h"

#if JUCE_LINUX
 #include <cerrno>
 #include <sched.h>
#endif

namespace korvid
{

namespace
{
// More threads than this gain nothing for one cue and only cost memory.
constexpr int mostRenderWorkers = 256;

#if JUCE_LINUX
// The CPUs of the calling thread's affinity mask, which it shares with the process unless
// someone pinned it alone; 0 when the system does not say.
int affinityCpuCount()
{
    // The fixed set covers 1024 CPUs; a larger machine needs a larger set.
    for (int cpus = 1024; cpus <= 65536; cpus *= 2)
    {
        auto* set = CPU_ALLOC ((size_t) cpus);

        if (set == nullptr)
            return 0;

        const auto bytes = CPU_ALLOC_SIZE ((size_t) cpus);
        CPU_ZERO_S (bytes, set);
        const bool known = ::sched_getaffinity (0, bytes, set) == 0;
        const int count = known ? CPU_COUNT_S (bytes, set) : 0;
        CPU_FREE (set);

        if (known)
            return count;

        if (errno != EINVAL)
            return 0;
    }

    return 0;
}
#endif
} // namespace

int usableCpuCount()
{
   #if JUCE_LINUX
    if (const auto count = affinityCpuCount(); count > 0)
        return count;
   #endif

    return juce::jmax (1, juce::SystemStats::getNumCpus());
}

RenderCapacity machineRenderCapacity()
{
    RenderCapacity capacity;
    const auto chosen = juce::SystemStats::getEnvironmentVariable ("VELVANE_RENDER_WORKERS", {}).trim().getIntValue();
    capacity.workers = juce::jlimit (1, mostRenderWorkers, chosen > 0 ? chosen : usableCpuCount());
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
