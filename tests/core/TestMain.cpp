#include "core/platform/TextLocale.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

int main (int argc, char** argv)
{
    korvid::setTextLocale();
    testing::InitGoogleTest (&argc, argv);
    // Some core code posts to or asks about the message thread; this thread is it.
    juce::MessageManager::getInstance();
    const int result = RUN_ALL_TESTS();
    juce::DeletedAtShutdown::deleteAll();
    juce::MessageManager::deleteInstance();
    return result;
}
