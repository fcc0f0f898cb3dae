#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "app/pages/preset/PresetRuleEdits.h"
#include "core/model/KeywordRuleText.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    void PresetPage::loadStemEditor()
    {
        const juce::ScopedValueSetter<bool> filling (applyingEdit, true);
        const auto& preset = appState.session.getPreset();
        const auto* stem = selectedStem();

        setAllEnabled ({ &nameEditor, &shortCodeEditor, &tokenEditor, &prioritySlider, &colourButton, &rulesEditor,
                         &exclusionsEditor, &duplicateStemButton, &deleteStemButton, &upButton, &downButton },
                       stem != nullptr);

        // An edit still waiting belongs to the stem and preset it was typed for, never to the next.
        if (stem == nullptr || stem->id != selectedStemId || preset.id != editorPresetId)
        {
            stopTimer();
            stemEditPending = false;
        }

        editorPresetId = preset.id;
        priorityMoved = false;

        if (stem == nullptr)
        {
            selectedStemId.clear();

            for (auto* editor : { &nameEditor, &shortCodeEditor, &tokenEditor, &rulesEditor, &exclusionsEditor })
                editor->setText ({}, false);

            loadedRulesText.clear();
            loadedExclusionsText.clear();
            return;
        }

        selectedStemId = stem->id;
        nameEditor.setText (stem->displayName, false);
        shortCodeEditor.setText (stem->shortCode, false);
        tokenEditor.setText (stem->fileNameToken, false);
        prioritySlider.setValue (stem->priority, juce::dontSendNotification);

        const juce::Colour colour (stem->colour);
        colourButton.setColour (juce::TextButton::buttonColourId, colour);
        colourButton.setColour (juce::TextButton::textColourOffId, textColourOn (colour));

        loadedRulesText = formatRuleList (stem->rules);
        loadedExclusionsText = formatExclusionText (stem->excludeKeywords);
        rulesEditor.setText (loadedRulesText, false);
        exclusionsEditor.setText (loadedExclusionsText, false);
    }

    void PresetPage::commitStemEditor()
    {
        if (applyingEdit)
            return;

        stemEditPending = false;

        auto preset = appState.session.getPreset();

        // Fields filled from a preset that has been replaced since write nothing.
        if (preset.id != editorPresetId)
            return;

        auto* stem = preset.schema.findStem (selectedStemId);

        if (stem == nullptr)
            return;

        const auto rulesText = rulesEditor.getText();
        const auto exclusionsText = exclusionsEditor.getText();
        const auto name = nameEditor.getText().trim();
        const auto code = shortCodeEditor.getText().trim();
        const auto token = tokenEditor.getText().trim();
        const int priority = priorityMoved ? (int) prioritySlider.getValue() : stem->priority;
        auto rules = rulesFromEditedText (stem->rules, loadedRulesText, rulesText);
        auto exclusions = exclusionsText == loadedExclusionsText ? stem->excludeKeywords : parseExclusionText (exclusionsText);

        if (name == stem->displayName && code == stem->shortCode && token == stem->fileNameToken
            && priority == stem->priority && rules == stem->rules && exclusions == stem->excludeKeywords)
            return;

        stem->displayName = name;
        stem->shortCode = code;
        stem->fileNameToken = token;
        stem->priority = priority;
        stem->rules = std::move (rules);
        stem->excludeKeywords = exclusions;

        // What was written is now what the fields stand for.
        loadedRulesText = rulesText;
        loadedExclusionsText = exclusionsText;

        appState.session.updatePreset (std::move (preset));
        stemList->repaint();
        updateStatusLabel();
    }

    void PresetPage::timerCallback()
    {
        stopTimer();

        if (stemEditPending)
            commitStemEditor();
    }

    void PresetPage::stemTextChanged()
    {
        if (applyingEdit)
            return;

        stemEditPending = true;
        startTimer (debounceMs);
    }

    void PresetPage::stemFieldConfirmed()
    {
        stopTimer();
        commitStemEditor();
        juce::Component::unfocusAllComponents();
    }
}
