#include "ui/LayoutHelpers.h"

#include "ui/Palette.h"

namespace korvid::ui
{
    void drawPanel (juce::Graphics& g, juce::Rectangle<int> area)
    {
        if (area.getWidth() <= 0 || area.getHeight() <= 0)
            return;

        g.setColour (colours::panelBackground);
        g.fillRoundedRectangle (area.toFloat(), 4.0f);

        const auto edge = area.toFloat();
        g.setColour (colours::subtleOutline);
        g.drawRoundedRectangle (edge.getX() + 0.5f, edge.getY() + 0.5f,
                                edge.getWidth() - 1.0f, edge.getHeight() - 1.0f, 4.0f, 1.0f);
    }

    juce::PopupMenu::Options popupMenuOptions (juce::Component& openedFrom)
    {
        return juce::PopupMenu::Options().withParentComponent (openedFrom.getTopLevelComponent());
    }

    void addAllAndMakeVisible (juce::Component& parent, std::initializer_list<juce::Component*> children)
    {
        for (auto* child : children)
            if (child != nullptr)
                parent.addAndMakeVisible (child);
    }

    void addAllChildren (juce::Component& parent, std::initializer_list<juce::Component*> children)
    {
        for (auto* child : children)
        {
            if (child != nullptr)
            {
                child->setVisible (false);
                parent.addChildComponent (child);
            }
        }
    }

    void setAllBounds (std::initializer_list<juce::Component*> components, juce::Rectangle<int> bounds)
    {
        for (auto* component : components)
            if (component != nullptr)
                component->setBounds (bounds);
    }

    void setAllEnabled (std::initializer_list<juce::Component*> components, bool enabled)
    {
        for (auto* component : components)
            if (component != nullptr)
                component->setEnabled (enabled);
    }
}
