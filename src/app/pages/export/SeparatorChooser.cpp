#include "app/pages/export/SeparatorChooser.h"

#include "ui/Dialogs.h"
#include "ui/LabelTones.h"
#include "ui/ScopedDialogOwner.h"
#include "ui/TextFit.h"

namespace korvid::ui
{
    const std::vector<SeparatorChooser::Choice>& SeparatorChooser::choices()
    {
        static const std::vector<Choice> table {
            { "underscore  _", "_" }, { "hyphen  -", "-" }, { "spaced hyphen  -  ", " - " },
            { "space", " " },         { "dot  .", "." },    { "none", "" },
        };

        return table;
    }

    juce::String SeparatorChooser::refusalFor (const juce::String& text)
    {
        for (auto p = text.getCharPointer(); ! p.isEmpty(); ++p)
        {
            const auto c = *p;

            if (juce::CharacterFunctions::isLetterOrDigit (c) || c == '{' || c == '}' || c < 32 || c == 127)
                return "A separator cannot hold letters, digits, braces or control characters.";
        }

        return {};
    }

    SeparatorChooser::SeparatorChooser()
    {
        for (auto* child : std::initializer_list<juce::Component*> { &label, &choice, &customText })
            addAndMakeVisible (child);

        setLabelTone (label, 1);
        label.setJustificationType (juce::Justification::centredLeft);
        choice.setTooltip ("What goes between the pieces of every name in this delivery.");
        customText.setTooltip ("Whatever you type here goes between the pieces.");
        centreTextInField (customText);

        const auto& table = choices();

        for (size_t i = 0; i < table.size(); ++i)
            choice.addItem (table[i].text, (int) i + 1);

        choice.addItem ("custom...", customId);
        choice.setSelectedId (1, juce::dontSendNotification);
        customText.setVisible (false);

        choice.onChange = [this] { choiceChanged(); };
        customText.onReturnKey = [this] { confirmCustomText(); };
        customText.onFocusLost = [this] { confirmCustomText(); };
    }

    void SeparatorChooser::setSeparator (const juce::String& newSeparator)
    {
        separator = newSeparator;
        const auto& table = choices();

        for (size_t i = 0; i < table.size(); ++i)
        {
            if (newSeparator == table[i].separator)
            {
                choice.setSelectedId ((int) i + 1, juce::dontSendNotification);
                customText.setVisible (false);
                resized();
                return;
            }
        }

        choice.setSelectedId (customId, juce::dontSendNotification);
        customText.setText (newSeparator, juce::dontSendNotification);
        customText.setVisible (true);
        resized();
    }

    void SeparatorChooser::choiceChanged()
    {
        const int id = choice.getSelectedId();

        if (id == customId)
        {
            // Nothing changes until the typed text is confirmed.
            customText.setText (separator, juce::dontSendNotification);
            customText.setVisible (true);
            resized();
            customText.grabKeyboardFocus();
            return;
        }

        if (! juce::isPositiveAndNotGreaterThan (id, (int) choices().size()))
            return;

        customText.setVisible (false);
        separator = choices()[(size_t) id - 1].separator;
        resized();

        if (onChange)
            onChange (separator);
    }

    void SeparatorChooser::confirmCustomText()
    {
        if (! customText.isVisible())
            return;

        const auto typed = customText.getText();

        if (typed == separator)
            return;

        if (const auto refusal = refusalFor (typed); refusal.isNotEmpty())
        {
            // The field goes back to the separator in force.
            customText.setText (separator, juce::dontSendNotification);

            if (dialogs != nullptr)
            {
                const ScopedDialogOwner owner (*dialogs, this);
                dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "That separator cannot be used", refusal);
            }

            return;
        }

        separator = typed;

        if (onChange)
            onChange (separator);
    }

    void SeparatorChooser::resized()
    {
        auto area = getLocalBounds();
        const auto take = [&area] (int width) { return area.removeFromLeft (juce::jlimit (0, area.getWidth(), width)); };

        label.setBounds (take (90));
        take (5);
        choice.setBounds (take (170));

        if (customText.isVisible())
        {
            take (5);
            customText.setBounds (take (80));
        }
    }
}
