#include "ui/UiScale.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    void applyUiScale (int percent)
    {
        auto& desktop = juce::Desktop::getInstance();
        desktop.setGlobalScaleFactor ((float) juce::jlimit (80, 120, percent) / 100.0f);

        // JUCE keeps the displays in logical pixels at the current scale: after the change
        // above, a display's user area already is its usable area divided by the new scale.
        for (int i = 0; i < desktop.getNumComponents(); ++i)
        {
            auto* window = desktop.getComponent (i);

            if (window == nullptr)
                continue;

            const auto* display = desktop.getDisplays().getDisplayForRect (window->getScreenBounds());

            if (display == nullptr)
                continue;

            const auto maxWidth = display->userArea.getWidth();
            const auto maxHeight = display->userArea.getHeight();

            if (window->getWidth() > maxWidth || window->getHeight() > maxHeight)
                window->setSize (juce::jmin (window->getWidth(), maxWidth),
                                 juce::jmin (window->getHeight(), maxHeight));
        }
    }
}
