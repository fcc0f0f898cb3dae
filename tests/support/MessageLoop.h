#pragma once

#include <juce_events/juce_events.h>

#include <chrono>
#include <functional>

namespace korvid::test
{
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
