#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui::testsupport
{
    /** Gestures delivered through the window that holds a component, the way the window
        system delivers them: they reach whatever component lies under the point, so a test
        learns where a wheel or a click really lands. The component must be on the desktop
        (itself or a parent). */
    class PointerGestures
    {
    public:
        /** One notch of the wheel at a point of `target`; a positive `deltaY` turns it up. */
        static void wheelAt (juce::Component& target, juce::Point<int> local, float deltaY)
        {
            if (auto* peer = target.getPeer())
            {
                juce::MouseWheelDetails wheel;
                wheel.deltaX = 0.0f;
                wheel.deltaY = deltaY;
                wheel.isReversed = false;
                wheel.isSmooth = false;
                wheel.isInertial = false;
                peer->handleMouseWheel (juce::MouseInputSource::InputSourceType::mouse, inPeer (*peer, target, local),
                                        nextTime(), wheel);
            }
        }

        /** A left click (press and release) at a point of `target`. */
        static void clickAt (juce::Component& target, juce::Point<int> local)
        {
            if (auto* peer = target.getPeer())
            {
                const auto position = inPeer (*peer, target, local);

                for (const auto mods : { juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), juce::ModifierKeys() })
                    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, position, mods,
                                            juce::MouseInputSource::defaultPressure,
                                            juce::MouseInputSource::defaultOrientation, nextTime());
            }
        }

        /** The pointer moved, with no button held, to a point of `target`. */
        static void moveTo (juce::Component& target, juce::Point<int> local)
        {
            if (auto* peer = target.getPeer())
                peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, inPeer (*peer, target, local),
                                        juce::ModifierKeys(), juce::MouseInputSource::defaultPressure,
                                        juce::MouseInputSource::defaultOrientation, nextTime());
        }

        /** A press at one point of `target`, the pointer carried with the button held to
            another in a few steps, and released there. */
        static void dragAt (juce::Component& target, juce::Point<int> from, juce::Point<int> to)
        {
            if (auto* peer = target.getPeer())
            {
                const juce::ModifierKeys held (juce::ModifierKeys::leftButtonModifier);
                constexpr int steps = 4;

                for (int step = 0; step <= steps; ++step)
                    send (*peer, inPeer (*peer, target, from + (to - from) * step / steps), held);

                send (*peer, inPeer (*peer, target, to), juce::ModifierKeys());
            }
        }

        static juce::Point<int> centreOf (const juce::Component& c)   { return c.getLocalBounds().getCentre(); }

    private:
        static void send (juce::ComponentPeer& peer, juce::Point<float> position, juce::ModifierKeys mods)
        {
            peer.handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, position, mods,
                                   juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                                   nextTime());
        }

        static juce::Point<float> inPeer (juce::ComponentPeer& peer, juce::Component& target, juce::Point<int> local)
        {
            return peer.getComponent().getLocalPoint (&target, local).toFloat();
        }

        // Each event later than the last, as a real device sends them (a slider ignores a
        // second wheel event with the same time).
        static juce::int64 nextTime()
        {
            static juce::int64 last = 0;
            last = juce::jmax (last + 10, juce::Time::currentTimeMillis());
            return last;
        }
    };
}
