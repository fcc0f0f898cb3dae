#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <functional>
#include <memory>

namespace korvid
{

/** How much of the machine one render may use. */
struct RenderCapacity
{
    int workers = 1;                      // pieces of a cue's work that may run at once
    juce::int64 memoryBudgetBytes = 0;    // audio memory the render may hold
};

/** The CPUs this process may run on: those of its affinity mask where the system tells
    (a CPU set given by `taskset` or a container), else every processor of the machine. */
int usableCpuCount();

/** One worker per CPU this process may use, or as many as VELVANE_RENDER_WORKERS says when
    it is set to a positive number; and the process's audio memory budget. */
RenderCapacity machineRenderCapacity();

/** The threads a run hands its cues' work to, made for one run on the render thread and
    dropped with it. With one worker there is no thread: each piece runs at once on the
    thread that hands it over, so the work happens in exactly the order of the code.

    Whoever hands pieces over waits for every one of them before the workers are dropped;
    the pool's threads are then idle and end at once, so none is ever killed. */
class RenderWorkers
{
public:
    explicit RenderWorkers (RenderCapacity capacityToUse);
    ~RenderWorkers();

    const RenderCapacity& capacity() const { return limits; }

    /** Runs the piece on a worker thread, or at once on this thread with one worker. */
    void run (std::function<void()> piece);

    /** Runs pieces 0..count-1 side by side and returns once all have finished. */
    void runAll (int count, const std::function<void (int piece)>& piece);

    /** The most pieces that held their buffers at the same time during the run. */
    int mostPiecesAtOnce() const { return mostAtOnce.load(); }
    void notePiecesAtOnce (int count);

private:
    RenderCapacity limits;
    std::unique_ptr<juce::ThreadPool> pool;
    std::atomic<int> mostAtOnce { 0 };

    JUCE_DECLARE_NON_COPYABLE (RenderWorkers)
};

} // namespace korvid
