#include "ui/LabelTones.h"

#include "ui/Palette.h"

namespace korvid::ui
{
    const juce::Identifier labelToneProperty { "velvaneLabelTone" };

    juce::Colour labelToneColour (int tone)
    {
        switch (tone)
        {
            case 1:  return colours::textSecondary;
            case 2:  return colours::textDisabled;
            case 3:  return colours::warning;
            default: return colours::textPrimary;
        }
    }

    void setLabelTone (juce::Label& label, int tone)
    {
        label.getProperties().set (labelToneProperty, tone);
        label.setColour (juce::Label::textColourId, labelToneColour (tone));
    }

    void reapplyLabelTones (juce::Component& component)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&component))
            if (const auto* tone = label->getProperties().getVarPointer (labelToneProperty))
                label->setColour (juce::Label::textColourId, labelToneColour (static_cast<int> (*tone)));

        for (auto* child : component.getChildren())
            reapplyLabelTones (*child);
    }
}
