#include "core/platform/TextLocale.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char** argv)
{
    korvid::setTextLocale();
    testing::InitGoogleTest (&argc, argv);
    // Components need JUCE's GUI side (message manager, desktop, fonts) for the whole run.
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
