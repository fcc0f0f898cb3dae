#pragma once

#include "support/MessageLoop.h"
#include "ui/PreviewEngine.h"

namespace korvid::ui::testing
{
    constexpr int previewEngineWaitMs = 20000 * test::sanitizerSlowdown;

    /** Until the engine has finished loading and its loader thread has stopped. */
    inline bool waitForPreviewEngine (PreviewEngine& engine, int timeoutMs = previewEngineWaitMs)
    {
        return test::pumpMessagesUntil ([&engine] { return ! engine.loading.load() && ! engine.isThreadRunning(); },
                                        timeoutMs);
    }

    /** One block through the engine's audio callback, as a device would ask for it. */
    inline void renderPreviewBlock (PreviewEngine& engine, int frames = 512)
    {
        juce::AudioBuffer<float> block (2, frames);
        engine.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, frames));
    }
}
