#include "ui/DraggingHandCursor.h"

namespace korvid::ui
{
    namespace
    {
        constexpr int imageSize = 20;
        const juce::Point<int> hotSpot { 10, 10 };   // the middle of the palm
        constexpr float fingerTops[] = { 3.5f, 1.5f, 2.0f, 4.0f };   // the middle ones longest

        constexpr float fingerLeft (int finger)   { return 5.0f + 3.0f * (float) finger; }

        juce::Path handShape()
        {
            juce::Path hand;
            hand.addRoundedRectangle (5.0f, 8.5f, 12.0f, 9.5f, 3.0f);   // palm

            for (int i = 0; i < 4; ++i)
                hand.addRoundedRectangle (fingerLeft (i), fingerTops[i], 3.0f, 11.0f - fingerTops[i], 1.5f);

            juce::Path thumb;
            thumb.addRoundedRectangle (0.0f, -1.5f, 6.5f, 3.0f, 1.5f);
            thumb.applyTransform (juce::AffineTransform::rotation (juce::MathConstants<float>::pi * 0.25f)
                                      .translated (2.0f, 9.5f));
            hand.addPath (thumb);
            return hand;
        }

        struct SharedDraggingHand : public juce::DeletedAtShutdown
        {
            ~SharedDraggingHand() override   { clearSingletonInstance(); }

            const juce::MouseCursor cursor { drawDraggingHandImage(), hotSpot.x, hotSpot.y };

            JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL (SharedDraggingHand)
        };

        JUCE_IMPLEMENT_SINGLETON (SharedDraggingHand)
    }

    juce::Image drawDraggingHandImage()
    {
        juce::Image image (juce::Image::ARGB, imageSize, imageSize, true);
        juce::Graphics g (image);
        const auto hand = handShape();

        // The outline of every part first, then every part filled over it: only the
        // hand's outer edge stays dark.
        g.setColour (juce::Colours::black);
        g.strokePath (hand, juce::PathStrokeType (2.0f));
        g.setColour (juce::Colours::white);
        g.fillPath (hand);

        // And the gaps between the fingers down to the palm.
        g.setColour (juce::Colours::black);

        for (int i = 1; i < 4; ++i)
        {
            const auto top = juce::jmax (fingerTops[i - 1], fingerTops[i]) + 1.5f;
            g.fillRect (juce::Rectangle<float> (fingerLeft (i), top, 1.0f, 9.5f - top));
        }

        return image;
    }

    const juce::MouseCursor& getDraggingHandCursor()
    {
        return SharedDraggingHand::getInstance()->cursor;
    }
}
