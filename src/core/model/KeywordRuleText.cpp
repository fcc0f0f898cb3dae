#include "core/model/KeywordRuleText.h"

#include <algorithm>
#include <limits>

namespace korvid
{

namespace
{

// An optional sign and the leading digits; anything after them is ignored.
// Long digit runs saturate to the int range instead of overflowing.
int parsePriority (const juce::String& text)
{
    auto p = text.getCharPointer();
    bool negative = false;

    if (*p == '-' || *p == '+')
    {
        negative = *p == '-';
        ++p;
    }

    constexpr long long maxMagnitude = (long long) std::numeric_limits<int>::max() + 1;
    long long magnitude = 0;

    for (auto c = *p; c >= '0' && c <= '9'; c = *++p)
        magnitude = std::min (magnitude * 10 + (c - '0'), maxMagnitude);

    if (negative)
        return (int) -magnitude;

    return (int) std::min (magnitude, (long long) std::numeric_limits<int>::max());
}

void addRuleFromItem (const juce::String& rawItem, std::vector<KeywordRule>& rules)
{
    auto item = rawItem.trim();

    if (item.isEmpty())
        return;

    bool hasPrefix = false;
    auto mode = KeywordMode::token;

    if (item.startsWithChar ('~'))
    {
        item = item.substring (1);
        mode = KeywordMode::exact;
        hasPrefix = true;
    }
    else if (item.startsWithChar ('?'))
    {
        item = item.substring (1);
        mode = KeywordMode::fuzzy;
        hasPrefix = true;
    }

    // Exclusions come off first, so a priority written after one stays part of it.
    juce::StringArray excludes;
    const int bang = item.indexOfChar ('!');

    if (bang >= 0)
    {
        juce::StringArray pieces;
        pieces.addTokens (item.substring (bang + 1), "!", "");

        for (const auto& piece : pieces)
            if (auto trimmed = piece.trim(); trimmed.isNotEmpty())
                excludes.add (trimmed);

        item = item.substring (0, bang);
    }

    int priority = 0;
    const int at = item.indexOfChar ('@');

    if (at >= 0)
    {
        priority = parsePriority (item.substring (at + 1).trim());
        item = item.substring (0, at);
    }

    const auto pattern = item.trim();

    if (pattern.isEmpty())
        return;

    KeywordRule rule (pattern, priority);

    if (hasPrefix)
        rule.mode = mode;
    else
        rule.mode = pattern.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token;

    rule.excludes = excludes;
    rule.note = {};
    rules.push_back (std::move (rule));
}

} // namespace

std::vector<KeywordRule> parseRuleList (const juce::String& text)
{
    std::vector<KeywordRule> rules;

    juce::StringArray lines;
    lines.addTokens (text.replace ("\r\n", "\n").replaceCharacter ('\r', '\n'), "\n", "");

    for (const auto& line : lines)
    {
        juce::StringArray items;
        items.addTokens (line.upToFirstOccurrenceOf ("#", false, false), ",", "");

        for (const auto& item : items)
            addRuleFromItem (item, rules);
    }

    return rules;
}

juce::String formatRuleList (const std::vector<KeywordRule>& rules)
{
    juce::StringArray items;

    for (const auto& rule : rules)
    {
        juce::String item;

        if (rule.mode == KeywordMode::exact)
            item << "~";
        else if (rule.mode == KeywordMode::fuzzy)
            item << "?";

        item << rule.pattern;

        if (rule.priority != 0)
            item << " @" << rule.priority;

        for (const auto& exclusion : rule.excludes)
            item << " !" << exclusion;

        items.add (item);
    }

    return items.joinIntoString (", ");
}

} // namespace korvid
