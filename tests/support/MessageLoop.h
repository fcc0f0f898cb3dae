#pragma once

#include <juce_events/juce_events.h>

#include <chrono>
#include <functional>

// GCC names the sanitizer in a macro, clang answers __has_feature.
#if defined (__SANITIZE_THREAD__)
 #define KORVID_TEST_SLOWDOWN 5
#elif defined (__SANITIZE_ADDRESS__)
 #define KORVID_TEST_SLOWDOWN 3
#elif defined (__has_feature)
 #if __has_feature (thread_sanitizer)
  #define KORVID_TEST_SLOWDOWN 5
 #elif __has_feature (address_sanitizer)
  #define KORVID_TEST_SLOWDOWN 3
 #endif
#endif
#ifndef KORVID_TEST_SLOWDOWN
 #define KORVID_TEST_SLOWDOWN 1
#endif

namespace korvid::test
{
    /** How many times slower work runs in this build (sanitizer builds run several times
        slower). It scales only the time a test allows work to finish in, never a time a
        test asserts on. */
    constexpr int sanitizerSlowdown = KORVID_TEST_SLOWDOWN;

    /** Runs the message loop for about this long, so posted messages and timers arrive. */
    inline void pumpMessages (int milliseconds = 20)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** Runs the message loop until the condition holds (true) or the time is up (false). */
    inline bool pumpMessagesUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);

        while (! condition())
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;

            pumpMessages (5);
        }

        return true;
    }
}
