#include "ui/PopupCoverRepaint.h"

namespace korvid::ui
{
    namespace
    {
        /** Follows one popup and deletes itself with it. */
        class CoverRepainter final : private juce::ComponentListener
        {
        public:
            explicit CoverRepainter (juce::Component& popupToWatch)
                : popup (popupToWatch)
            {
                remember();
                popup.addComponentListener (this);
            }

        private:
            void componentMovedOrResized (juce::Component&, bool, bool) override   { remember(); }

            void componentVisibilityChanged (juce::Component&) override
            {
                if (popup.isVisible())
                    remember();
                else
                    repaintCovered();
            }

            void componentParentHierarchyChanged (juce::Component&) override   { remember(); }

            void componentBeingDeleted (juce::Component&) override
            {
                repaintCovered();
                popup.removeComponentListener (this);
                delete this;
            }

            // Also while hidden: a menu is placed before it is shown, and hidden before it goes.
            void remember()
            {
                if (popup.isOnDesktop() || popup.getParentComponent() != nullptr)
                    covered = covered.getUnion (popup.getScreenBounds());
            }

            void repaintCovered()
            {
                remember();

                if (covered.isEmpty())
                    return;

                // The windows paint at their next frame, when the popup has left the screen.
                auto& desktop = juce::Desktop::getInstance();

                for (int i = 0; i < desktop.getNumComponents(); ++i)
                {
                    auto* window = desktop.getComponent (i);

                    if (window == nullptr || window == &popup || ! window->isShowing())
                        continue;

                    const auto area = window->getLocalArea (nullptr, covered).getIntersection (window->getLocalBounds());

                    if (! area.isEmpty())
                        window->repaint (area);
                }

                covered = {};
            }

            juce::Component& popup;
            juce::Rectangle<int> covered;   // screen coordinates
        };
    }

    void repaintWhatItCoversOnceClosed (juce::Component& popup)
    {
        new CoverRepainter (popup);   // owned by the popup's lifetime: deletes itself with it
    }

    void openRepaintingWhatItCovers (const std::function<void()>& open)
    {
        auto& desktop = juce::Desktop::getInstance();
        juce::Array<juce::Component*> before;

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            before.add (desktop.getComponent (i));

        open();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* window = desktop.getComponent (i); window != nullptr && ! before.contains (window))
                repaintWhatItCoversOnceClosed (*window);
    }
}
