#include "ui/WaveformCache.h"

#include <algorithm>
#include <utility>

namespace korvid::ui
{

namespace
{
int poolThreadCount()
{
    // One core stays free for the message and audio threads.
    return juce::jmax (1, juce::jmin (4, juce::SystemStats::getNumCpus() - 1));
}
} // namespace

/** Reads one file's overview on a pool thread; the pool deletes it when it has finished. */
class WaveformCache::Job : public juce::ThreadPoolJob
{
public:
    Job (WaveformCache& owner, const juce::String& filePath, juce::uint64 jobTicket)
        : juce::ThreadPoolJob ("waveform"), cache (owner), path (filePath), ticket (jobTicket)
    {
    }

    JobStatus runJob() override
    {
        // The pool's threads carry a generic name; this shows what they do.
        juce::Thread::setCurrentThreadName ("Velvane waveforms");

        WaveformOverview overview;

        // A path that is not absolute names no file we could read; it is cached as unreadable.
        if (juce::File::isAbsolutePath (path))
        {
            juce::String ignored;
            overview = readWaveformOverview (juce::File (path), overviewBuckets, ignored,
                                             [this] { return shouldExit(); });
        }

        // The cache is being destroyed: nothing is stored and nobody is told.
        if (shouldExit())
            return jobHasFinished;

        cache.jobFinished (path, ticket, std::move (overview));
        return jobHasFinished;
    }

private:
    WaveformCache& cache;
    const juce::String path;
    const juce::uint64 ticket;
};

WaveformCache::WaveformCache (int maximumEntries)
    : maxEntries (juce::jmax (1, maximumEntries)),
      pool (poolThreadCount())
{
}

WaveformCache::~WaveformCache()
{
    cancelPendingUpdate();
    pool.removeAllJobs (true, shutdownTimeoutMs);
    cancelPendingUpdate();
}

const WaveformOverview* WaveformCache::request (const juce::String& path)
{
    if (path.isEmpty())
        return nullptr;

    juce::uint64 ticket = 0;

    {
        const juce::ScopedLock sl (lock);

        if (auto found = overviews.find (path); found != overviews.end())
        {
            usage.splice (usage.end(), usage, found->second.lastUse);
            return &found->second.overview;
        }

        if (pending.count (path) > 0)
            return nullptr;

        ticket = nextTicket++;
        pending[path] = ticket;
    }

    // Added outside the lock: a free pool thread may start the job at once.
    pool.addJob (new Job (*this, path, ticket), true);
    return nullptr;
}

void WaveformCache::forget (const juce::String& path)
{
    const juce::ScopedLock sl (lock);

    if (auto found = overviews.find (path); found != overviews.end())
    {
        usage.erase (found->second.lastUse);
        overviews.erase (found);
    }

    pending.erase (path);
    finished.erase (std::remove_if (finished.begin(), finished.end(),
                                    [&path] (const Result& result) { return result.path == path; }),
                    finished.end());
}

void WaveformCache::jobFinished (const juce::String& path, juce::uint64 ticket, WaveformOverview&& overview)
{
    {
        const juce::ScopedLock sl (lock);

        // Forgotten (and maybe requested again) while this job read the file: its result
        // may describe the file as it was, so it is dropped.
        const auto mark = pending.find (path);

        if (mark == pending.end() || mark->second != ticket)
            return;

        // The path stays pending until the message thread stores the result, so that no
        // second read is queued in between.
        finished.push_back ({ path, ticket, std::move (overview) });
    }

    triggerAsyncUpdate();
}

void WaveformCache::store (const juce::String& path, WaveformOverview&& overview)
{
    // A stored entry never changes: callers may be holding a pointer to it.
    if (overviews.count (path) > 0)
        return;

    while ((int) overviews.size() >= maxEntries && ! usage.empty())
    {
        overviews.erase (usage.front());
        usage.pop_front();
    }

    usage.push_back (path);
    overviews[path] = Entry { std::move (overview), std::prev (usage.end()) };
}

void WaveformCache::handleAsyncUpdate()
{
    {
        const juce::ScopedLock sl (lock);

        for (auto& result : finished)
        {
            const auto mark = pending.find (result.path);

            if (mark == pending.end() || mark->second != result.ticket)
                continue;

            pending.erase (mark);
            store (result.path, std::move (result.overview));
        }

        finished.clear();
    }

    listeners.call ([] (Listener& listener) { listener.waveformsChanged(); });
}

} // namespace korvid::ui
