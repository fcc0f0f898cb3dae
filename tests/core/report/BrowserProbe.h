#pragma once

#include <juce_core/juce_core.h>

#include <vector>

namespace korvid::test
{

// Opens web pages in headless Chromium and brings back what each page measured of
// itself once it had loaded: a copy of every page gets a probe script at the top of
// its head, and one harness page shows the copies in frames of the asked widths.
// Frames, because the browser window cannot be made narrower than 500 px.

// /usr/bin/chromium, or a file that does not exist when it is not installed.
juce::File chromiumExecutable();

struct PageView
{
    juce::File page;           // the page as written
    int width = 1280;          // CSS pixels of the frame it is shown in
    juce::String fragment;     // added to its address, without the "#"
};

// The facts each view reported, in the order of the views (see BrowserProbe.cpp for
// their names). False with a sentence in `error` when Chromium did not start, did
// not finish in time or a view reported nothing.
bool measureInChromium (const std::vector<PageView>& views, const juce::File& workFolder,
                        std::vector<juce::var>& facts, juce::String& error);

} // namespace korvid::test
