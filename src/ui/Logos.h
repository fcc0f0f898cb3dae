#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <map>

namespace korvid::ui
{
    /** Finds an embedded resource: the bytes and their size, or null and 0. */
    using ResourceLookup = std::function<const char* (const char* resourceName, int& numBytes)>;

    /** The resource name of an artwork file: every "." and "-" becomes "_". */
    juce::String logoResourceName (const juce::String& logoName);

    /** The rectangle a logo is drawn into: never enlarged, left-aligned and vertically
        centred in the area. Empty for an invalid image or an area without size. */
    juce::Rectangle<int> fitLogoBounds (const juce::Image& logo, juce::Rectangle<int> area);

    /** Logos by name: loaded, keyed and trimmed once, and scaled copies by size.
        Message thread only. */
    class LogoCache
    {
    public:
        explicit LogoCache (ResourceLookup lookup);

        /** The full-size logo, or an invalid image when it is missing or unreadable;
            a failure is remembered and never tried again. */
        juce::Image getLogo (const juce::String& logoName);

        /** The logo at exactly this size; invalid when it is missing or a side is below 1. */
        juce::Image getScaledLogo (const juce::String& logoName, int width, int height);

        /** Draws the logo fitted into the area and returns where, or an empty rectangle
            when nothing was drawn (the caller then draws its text instead). */
        juce::Rectangle<int> drawLogoFitted (juce::Graphics& g, const juce::String& logoName, juce::Rectangle<int> area);

        int getNumScaledCopies() const noexcept { return (int) scaled.size(); }
        bool hasScaledCopy (const juce::String& logoName, int width, int height) const;

        static constexpr int maxScaledCopies = 32;

    private:
        ResourceLookup lookup;
        std::map<juce::String, juce::Image> fullSize;
        std::map<juce::String, juce::Image> scaled;

        juce::Image load (const juce::String& logoName) const;
    };

    // The process-wide cache of the embedded artwork, created on first use.
    juce::Image getLogo (const juce::String& logoName);
    juce::Image getScaledLogo (const juce::String& logoName, int width, int height);
    juce::Rectangle<int> drawLogoFitted (juce::Graphics& g, const juce::String& logoName, juce::Rectangle<int> area);

    /** Shows an existing folder in the system's file browser; anything else is ignored. */
    void openFolder (const juce::File& folder);
}
