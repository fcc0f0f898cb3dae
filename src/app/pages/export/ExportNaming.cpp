#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/ExportContent.h"

namespace korvid::ui
{
    namespace
    {
        const juce::String vocabularyKey ("nameVocabulary");
        constexpr int maxWords = 60;
        constexpr int maxWordLength = 64;
    }

    void ExportPage::refreshNamingPreview()
    {
        // Made from the plan of the first cue, so it follows when the worker has planned.
        triggerAsyncUpdate();
    }

    void ExportPage::showNamingPreview (const juce::String& text)
    {
        auto& preview = content->previewText;

        if (preview.text == text)
            return;

        const bool linesChanged = juce::StringArray::fromLines (preview.text).size()
                               != juce::StringArray::fromLines (text).size();
        preview.text = text;
        preview.repaint();

        if (linesChanged)
            resized();
    }

    void ExportPage::loadNameVocabulary()
    {
        nameVocabulary.clear();

        for (const auto& line : juce::StringArray::fromLines (appState.settings->getValue (vocabularyKey, {})))
        {
            const auto word = line.trim();

            if (word.isNotEmpty() && ! nameVocabulary.contains (word, true) && nameVocabulary.size() < maxWords
                && word.length() <= maxWordLength)
                nameVocabulary.add (word);
        }

        shareVocabulary();
    }

    void ExportPage::addVocabularyWord (const juce::String& word)
    {
        const auto trimmed = word.trim();

        // A word the next start would not read back is not remembered; it stays in the template.
        if (trimmed.isEmpty() || trimmed.length() > maxWordLength || nameVocabulary.contains (trimmed, true))
            return;

        nameVocabulary.add (trimmed);

        while (nameVocabulary.size() > maxWords)
            nameVocabulary.remove (0);

        storeVocabulary();
    }

    void ExportPage::forgetVocabularyWord (const juce::String& word)
    {
        const int index = nameVocabulary.indexOf (word, true);

        if (index < 0)
            return;

        nameVocabulary.remove (index);
        storeVocabulary();
    }

    void ExportPage::storeVocabulary()
    {
        appState.settings->setValue (vocabularyKey, nameVocabulary.joinIntoString ("\n"));
        appState.saveSettings();
        shareVocabulary();
    }

    void ExportPage::shareVocabulary()
    {
        content->stemTemplateEditor.setVocabulary (nameVocabulary);
        content->mixTemplateEditor.setVocabulary (nameVocabulary);
        resized();
    }
}
