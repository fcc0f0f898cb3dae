#pragma once

#include "app/pages/export/ExportPage.h"
#include "core/model/Preset.h"

#include <juce_core/juce_core.h>

namespace korvid::ui
{
    /** The cache name of a track's cleaned version: the hash of its path, then the hash of
        everything that shapes the cleaned audio - the gate's numbers and switch, the project
        rate, and the source's size and modification time - so nothing stale is ever played. */
    juce::String cleanedPreviewName (const juce::File& source, const SilenceGateSettings& gate, double rate);

    /** The cache names of one source start with this. */
    juce::String cleanedPreviewPrefix (const juce::File& source);

    /** The folder the cleaned versions are written to, inside the program's private folder. */
    juce::File cleanedPreviewFolder();

    /** Renders one track as the cleanup leaves it, on the page's audition pool: read at the
        project rate, gated, written as a float WAV. Works on copies; it posts its result to
        the page through a weak reference and stops between blocks once asked. */
    class ExportPage::CleanedAuditionJob : public juce::ThreadPoolJob
    {
    public:
        struct Order
        {
            int id = 0;
            juce::File source;
            juce::File cached;
            juce::String name;
            double rate = 48000.0;
            SilenceGateSettings gate;
        };

        CleanedAuditionJob (juce::Component::SafePointer<ExportPage> page, Order order);

        /** The render itself, without posting: true with the file written, else false with
            the core's sentence. */
        static bool render (const Order& order, juce::String& error, const CancelTest& shouldCancel);

        JobStatus runJob() override;

    private:
        juce::Component::SafePointer<ExportPage> page;
        const Order order;
    };
}
