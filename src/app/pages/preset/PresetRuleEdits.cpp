#include "app/pages/preset/PresetRuleEdits.h"

#include "core/model/KeywordRuleText.h"

#include <deque>
#include <map>

namespace korvid::ui
{
    std::vector<KeywordRule> rulesFromEditedText (const std::vector<KeywordRule>& storedRules,
                                                  const juce::String& loadedText, const juce::String& editedText)
    {
        if (editedText == loadedText)
            return storedRules;

        // Text -> the stored rules of that text not taken yet, first one first.
        std::map<juce::String, std::deque<size_t>> storedByText;

        for (size_t i = 0; i < storedRules.size(); ++i)
            storedByText[formatRuleList ({ storedRules[i] })].push_back (i);

        auto rules = parseRuleList (editedText);

        for (auto& rule : rules)
        {
            const auto found = storedByText.find (formatRuleList ({ rule }));

            if (found != storedByText.end() && ! found->second.empty())
            {
                rule = storedRules[found->second.front()];
                found->second.pop_front();
            }
        }

        return rules;
    }

    juce::StringArray parseExclusionText (const juce::String& text)
    {
        juce::StringArray pieces;
        pieces.addTokens (text, ",\n\r", "");

        juce::StringArray exclusions;

        for (const auto& piece : pieces)
            if (const auto trimmed = piece.trim(); trimmed.isNotEmpty())
                exclusions.add (trimmed);

        return exclusions;
    }

    juce::String formatExclusionText (const juce::StringArray& exclusions)
    {
        return exclusions.joinIntoString (", ");
    }
}
