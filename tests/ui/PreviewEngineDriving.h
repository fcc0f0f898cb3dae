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

    /** The loudest sample of this many blocks through the audio callback: above 0 when the
        engine plays a file that sounds, 0 when it plays nothing. */
    inline float loudestOfPreviewBlocks (PreviewEngine& engine, int blocks = 8, int frames = 512)
    {
        float loudest = 0.0f;

        for (int i = 0; i < blocks; ++i)
        {
            juce::AudioBuffer<float> block (2, frames);
            block.clear();
            engine.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, frames));
            loudest = juce::jmax (loudest, block.getMagnitude (0, frames));
        }

        return loudest;
    }
}
