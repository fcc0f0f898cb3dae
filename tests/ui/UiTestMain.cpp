#include "core/platform/TextLocale.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// Under the sanitizer build: the X connection the runner keeps open for its whole life
// (see DisplayPreparation.cpp) and what the X libraries cache are not ours to free.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libX11.so\nleak:libxcb.so\nleak:libfontconfig.so\nleak:libfreetype.so\n";
}

int main (int argc, char** argv)
{
    korvid::setTextLocale();
    testing::InitGoogleTest (&argc, argv);
    // Components need JUCE's GUI side (message manager, desktop, fonts) for the whole run.
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
