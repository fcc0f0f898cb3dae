#include "ui/WaveformCache.h"

#include "PreviewTestAudio.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <functional>
#include <memory>

namespace korvid::ui
{
namespace
{
using Clock = std::chrono::steady_clock;

struct CountingListener : WaveformCache::Listener
{
    void waveformsChanged() override { ++calls; }
    int calls = 0;
};

struct LogCapture : juce::Logger
{
    void logMessage (const juce::String& message) override
    {
        const juce::ScopedLock sl (lock);
        messages.add (message);
    }

    juce::CriticalSection lock;
    juce::StringArray messages;
};

class WaveformCacheTest : public testing::Test
{
protected:
    juce::File writeFile (const juce::String& name, int frames, float level = 0.5f, double rate = 48000.0)
    {
        auto file = temp.file (name);
        EXPECT_TRUE (test::writeWav (file, test::makeConstant (1, frames, level), rate)) << name;
        return file;
    }

    /** Runs the message loop until `done` holds or the time is up. */
    static bool pumpUntil (const std::function<bool()>& done, int timeoutMs = 20000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds (timeoutMs);

        while (! done())
        {
            if (Clock::now() > deadline)
                return false;

            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        }

        return true;
    }

    static void pump (int milliseconds)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** Requests until the entry is there; the pointer is used at once, as the pages do. */
    static double loadedLength (WaveformCache& cache, const juce::String& path)
    {
        double length = -1.0;
        pumpUntil ([&]
        {
            if (const auto* overview = cache.request (path))
            {
                length = overview->lengthSeconds;
                return true;
            }

            return false;
        });
        return length;
    }

    test::TempAudioFolder temp;
};

//==============================================================================
TEST_F (WaveformCacheTest, AnEmptyPathGivesNothingAndStartsNothing)
{
    WaveformCache cache;
    CountingListener listener;
    cache.listeners.add (&listener);

    EXPECT_EQ (cache.request ({}), nullptr);
    pump (200);
    EXPECT_EQ (cache.request ({}), nullptr);
    EXPECT_EQ (listener.calls, 0);

    cache.listeners.remove (&listener);
}

TEST_F (WaveformCacheTest, EachPathIsReadOnceAndListenersAreToldOnTheMessageThread)
{
    const auto file = writeFile ("take.wav", 96000);
    const auto path = file.getFullPathName();

    WaveformCache cache;
    CountingListener listener;
    cache.listeners.add (&listener);

    EXPECT_EQ (cache.request (path), nullptr);
    EXPECT_EQ (cache.request (path), nullptr) << "still pending: no second read";
    ASSERT_TRUE (pumpUntil ([&] { return listener.calls > 0; }));

    const auto* overview = cache.request (path);
    ASSERT_NE (overview, nullptr);
    EXPECT_EQ (overview->minima.size(), (size_t) WaveformCache::overviewBuckets);
    EXPECT_DOUBLE_EQ (overview->lengthSeconds, 2.0);
    EXPECT_FLOAT_EQ (overview->peak, 0.5f);

    // One read, one notification; later requests are answered from the cache even when
    // the file has gone.
    pump (300);
    EXPECT_EQ (listener.calls, 1);
    file.deleteFile();
    EXPECT_EQ (cache.request (path), overview);

    cache.listeners.remove (&listener);
}

TEST_F (WaveformCacheTest, EntriesAreKeyedByTheExactPath)
{
    struct Case
    {
        const char* name;
        int frames;
        double seconds;
    };

    const Case cases[] = { { "Take.wav", 48000, 1.0 }, { "take.wav", 24000, 0.5 }, { "TAKE.WAV", 12000, 0.25 } };

    WaveformCache cache;

    for (const auto& c : cases)
        writeFile (c.name, c.frames);

    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ (loadedLength (cache, temp.file (c.name).getFullPathName()), c.seconds) << c.name;
}

TEST_F (WaveformCacheTest, FilesThatCannotBeReadAreCachedWithoutBuckets)
{
    const auto garbage = temp.file ("garbage.wav");
    garbage.replaceWithText ("not audio at all");

    const juce::String paths[] = { garbage.getFullPathName(), temp.file ("missing.wav").getFullPathName(),
                                   "relative/take.wav" };

    WaveformCache cache;

    for (const auto& path : paths)
    {
        SCOPED_TRACE (path);
        EXPECT_EQ (cache.request (path), nullptr);
        ASSERT_TRUE (pumpUntil ([&] { return cache.request (path) != nullptr; }));
        EXPECT_TRUE (cache.request (path)->minima.empty());
    }
}

TEST_F (WaveformCacheTest, ForgetMakesTheNextRequestReadTheFileAgain)
{
    const auto file = writeFile ("take.wav", 48000);
    const auto path = file.getFullPathName();

    WaveformCache cache;
    EXPECT_DOUBLE_EQ (loadedLength (cache, path), 1.0);

    writeFile ("take.wav", 24000);
    EXPECT_DOUBLE_EQ (cache.request (path)->lengthSeconds, 1.0) << "the disk is not watched";

    cache.forget (path);
    EXPECT_EQ (cache.request (path), nullptr);
    EXPECT_DOUBLE_EQ (loadedLength (cache, path), 0.5);
}

TEST_F (WaveformCacheTest, AReadStartedBeforeForgetNeverReplacesTheNewerResult)
{
    // The old file is long enough that its read is still running when it is forgotten.
    const auto file = writeFile ("take.wav", 4800000, 0.5f, 8000.0);
    const auto path = file.getFullPathName();

    WaveformCache cache;
    EXPECT_EQ (cache.request (path), nullptr);

    // Replace the file on disk (the running read keeps the old one open), then forget it.
    const auto replacement = writeFile ("replacement.wav", 8000, 0.25f, 8000.0);
    ASSERT_TRUE (replacement.moveFileTo (file));
    cache.forget (path);

    EXPECT_DOUBLE_EQ (loadedLength (cache, path), 1.0);

    // Once every read has finished, the entry is still the newer one.
    pump (1500);
    const auto* overview = cache.request (path);
    ASSERT_NE (overview, nullptr);
    EXPECT_DOUBLE_EQ (overview->lengthSeconds, 1.0);
    EXPECT_FLOAT_EQ (overview->peak, 0.25f);
}

TEST_F (WaveformCacheTest, AFullCacheEvictsTheLeastRecentlyUsedEntry)
{
    juce::String paths[4];

    for (int i = 0; i < 4; ++i)
        paths[i] = writeFile ("take" + juce::String (i) + ".wav", 4800 * (i + 1)).getFullPathName();

    WaveformCache cache (3);

    for (int i = 0; i < 3; ++i)
        EXPECT_DOUBLE_EQ (loadedLength (cache, paths[i]), 0.1 * (i + 1));

    // take0 was used most recently, so take1 is the oldest when take3 needs room.
    EXPECT_NE (cache.request (paths[0]), nullptr);
    EXPECT_DOUBLE_EQ (loadedLength (cache, paths[3]), 0.4) << "a new file gets an entry in a full cache";

    EXPECT_NE (cache.request (paths[0]), nullptr);
    EXPECT_NE (cache.request (paths[2]), nullptr);
    EXPECT_EQ (cache.request (paths[1]), nullptr) << "evicted, and read again";
    EXPECT_DOUBLE_EQ (loadedLength (cache, paths[1]), 0.2);
}

TEST_F (WaveformCacheTest, DestructionStopsRunningReadsAndTellsNobody)
{
    const auto big = writeFile ("big.wav", 4800000, 0.5f, 8000.0);
    CountingListener listener;
    LogCapture log;
    juce::Logger::setCurrentLogger (&log);

    auto cache = std::make_unique<WaveformCache>();
    cache->listeners.add (&listener);

    // More reads than the pool has threads, all of the same long file.
    for (int i = 0; i < 8; ++i)
    {
        const auto link = temp.file ("link" + juce::String (i) + ".wav");
        ASSERT_TRUE (big.createSymbolicLink (link, true));
        EXPECT_EQ (cache->request (link.getFullPathName()), nullptr);
    }

    juce::Thread::sleep (20);
    const auto started = Clock::now();
    cache.reset();
    EXPECT_LT (Clock::now() - started, std::chrono::milliseconds (1000));

    pump (500);
    EXPECT_EQ (listener.calls, 0);
    juce::Logger::setCurrentLogger (nullptr);
    EXPECT_FALSE (log.messages.joinIntoString ("\n").contains ("killing")) << "a pool thread had to be killed";
}

} // namespace
} // namespace korvid::ui
