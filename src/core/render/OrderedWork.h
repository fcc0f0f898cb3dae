#pragma once

#include "core/render/RenderWorkers.h"

#include <functional>

namespace korvid
{

/** What the calling thread decided about the next piece before it starts. */
enum class PieceStart
{
    start,            // hand it to a worker
    startAsLast,      // hand it to a worker and start nothing after it
    none,             // start neither it nor anything after it
    afterEarlier      // not yet: ask again once the next started piece has finished
};

/** The three parts of one step of a cue, for pieces numbered in the order one thread
    would do them. `prepare` and `finish` run on the calling thread, in number order;
    `work` runs on a worker and touches only what belongs to its piece. */
struct OrderedSteps
{
    std::function<PieceStart (int piece)> prepare;
    std::function<void (int piece)> work;
    std::function<bool (int piece)> finish;   // false: start nothing more
};

/** Runs pieces 0..count-1: at most `window` are started and not yet finished at once, and
    each is finished in its number's order, so whatever the pieces hand back is used in the
    same order however the workers were scheduled. Every started piece is finished before
    this returns, also after a `finish` said stop, so nothing of the step runs afterwards. */
void runInOrder (RenderWorkers& workers, int count, int window, const OrderedSteps& steps);

} // namespace korvid
