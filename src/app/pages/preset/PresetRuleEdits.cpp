#include "app/pages/preset/PresetRuleEdits.h"

#include "core/model/KeywordRuleText.h"

#include <deque>
#include <map>

namespace korvid::ui
{
    namespace
    {
        bool readsTheSame (const KeywordRule& a, const KeywordRule& b)
        {
            return a.pattern == b.pattern && a.mode == b.mode && a.priority == b.priority && a.excludes == b.excludes;
        }

        bool isItemEdge (const juce::String& text, int index, int step)
        {
            for (int i = index; i >= 0 && i < text.length(); i += step)
            {
                const auto c = text[i];

                if (c == ',' || c == '\n' || c == '\r')
                    return true;

                if (c != ' ' && c != '\t')
                    return false;
            }

            return true;
        }

        /** A private-use character standing for stored rule i while the text is read. */
        juce::String placeholderFor (size_t i)
        {
            return juce::String::charToString ((juce::juce_wchar) (0xf0000 + (int) i));
        }
    }

    std::vector<KeywordRule> rulesFromEditedText (const std::vector<KeywordRule>& storedRules,
                                                  const juce::String& loadedText, const juce::String& editedText)
    {
        if (editedText == loadedText)
            return storedRules;

        auto text = editedText;
        std::vector<bool> used (storedRules.size(), false);

        // A stored rule whose text does not read back as itself (a "#", "," or "!" in its
        // pattern, a one-word phrase) is kept wherever its text still stands as a whole item.
        for (size_t i = 0; i < storedRules.size(); ++i)
        {
            const auto ruleText = formatRuleList ({ storedRules[i] });
            const auto readBack = parseRuleList (ruleText);

            if (readBack.size() == 1 && readsTheSame (readBack[0], storedRules[i]))
                continue;

            for (int from = 0;;)
            {
                const int at = text.indexOf (from, ruleText);

                if (at < 0)
                    break;

                if (isItemEdge (text, at - 1, -1) && isItemEdge (text, at + ruleText.length(), 1))
                {
                    text = text.replaceSection (at, ruleText.length(), placeholderFor (i));
                    break;
                }

                from = at + 1;
            }
        }

        // Text -> the stored rules of that text not taken yet, first one first.
        std::map<juce::String, std::deque<size_t>> storedByText;

        for (size_t i = 0; i < storedRules.size(); ++i)
            storedByText[formatRuleList ({ storedRules[i] })].push_back (i);

        auto rules = parseRuleList (text);

        for (auto& rule : rules)
        {
            if (rule.pattern.length() == 1 && rule.pattern[0] >= 0xf0000)
            {
                const auto index = (size_t) (rule.pattern[0] - 0xf0000);

                if (index < storedRules.size() && ! used[index])
                {
                    used[index] = true;
                    rule = storedRules[index];
                    continue;
                }
            }

            const auto found = storedByText.find (formatRuleList ({ rule }));

            if (found == storedByText.end())
                continue;

            auto& candidates = found->second;

            while (! candidates.empty() && used[candidates.front()])
                candidates.pop_front();

            if (! candidates.empty())
            {
                used[candidates.front()] = true;
                rule = storedRules[candidates.front()];
                candidates.pop_front();
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
