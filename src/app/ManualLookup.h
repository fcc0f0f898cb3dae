#pragma once

#include <juce_core/juce_core.h>

namespace korvid::ui
{
    /** The local manual: "manual/index.html", "Resources/manual/index.html" or
        "docs/manual/index.html" in the folder or the nearest folder above it that has one.
        An empty juce::File when there is none. */
    juce::File findLocalManual (const juce::File& startFolder);
}
