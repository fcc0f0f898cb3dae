#pragma once

#include "core/audio/WaveformOverview.h"

#include <juce_events/juce_events.h>

#include <list>
#include <map>
#include <vector>

namespace korvid::ui
{

/** The waveform overviews of the audio files the pages list, keyed by full path (compared
    exactly, letter case included). Each file is read once, on a small pool of worker
    threads; when results arrive the listeners are told on the message thread.

    Everything but the jobs runs on the message thread. Stored entries change only on the
    message thread, so a pointer from `request` stays valid while the caller paints. When
    the cache is full, the entry used least recently makes room for a new one. */
class WaveformCache : public juce::AsyncUpdater
{
public:
    class Listener
    {
    public:
        virtual ~Listener() = default;

        /** Overviews were stored: ask again with `request`. */
        virtual void waveformsChanged() = 0;
    };

    class Job;

    static constexpr int defaultMaxEntries = 4096;
    static constexpr int overviewBuckets = 2000;
    static constexpr int shutdownTimeoutMs = 4000;

    explicit WaveformCache (int maxEntries = defaultMaxEntries);
    ~WaveformCache() override;

    /** The cached overview, or null while there is none yet: then a read is queued, once
        per path. Null for an empty path. Use the pointer at once and never keep it: it is
        valid until the entry is forgotten or evicted, both of which happen only on the
        message thread. A file that cannot be read gives an entry without buckets. */
    const WaveformOverview* request (const juce::String& path);

    /** Drops the overview and any queued or running read of the path, so that the next
        `request` reads the file again (after it changed on disk). */
    void forget (const juce::String& path);

    juce::ListenerList<Listener> listeners;

private:
    struct Entry
    {
        WaveformOverview overview;
        std::list<juce::String>::iterator lastUse;
    };

    struct Result
    {
        juce::String path;
        juce::uint64 ticket = 0;
        WaveformOverview overview;
    };

    void handleAsyncUpdate() override;
    void jobFinished (const juce::String& path, juce::uint64 ticket, WaveformOverview&& overview);
    void store (const juce::String& path, WaveformOverview&& overview);  // message thread, under lock

    const int maxEntries;

    juce::CriticalSection lock;
    std::map<juce::String, Entry> overviews;
    std::list<juce::String> usage;                 // least recently used first
    std::map<juce::String, juce::uint64> pending;  // path -> ticket of its queued or running job
    std::vector<Result> finished;                  // results waiting for the message thread
    juce::uint64 nextTicket = 1;

    // Last, so that it is destroyed first: its threads stop before the data they use goes.
    juce::ThreadPool pool;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveformCache)
};

} // namespace korvid::ui
