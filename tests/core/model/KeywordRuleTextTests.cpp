#include "core/model/KeywordRuleText.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvid;

namespace
{
    juce::String modeName (KeywordMode mode)
    {
        switch (mode)
        {
            case KeywordMode::token:  return "token";
            case KeywordMode::exact:  return "exact";
            case KeywordMode::phrase: return "phrase";
            case KeywordMode::fuzzy:  return "fuzzy";
        }

        return "?";
    }

    // One line per rule: mode:pattern@priority!exclusion!exclusion
    juce::String describe (const std::vector<KeywordRule>& rules)
    {
        juce::StringArray lines;

        for (const auto& r : rules)
        {
            auto line = modeName (r.mode) + ":" + r.pattern + "@" + juce::String (r.priority);

            for (const auto& e : r.excludes)
                line << "!" << e;

            if (r.note.isNotEmpty())
                line << " note";

            lines.add (line);
        }

        return lines.joinIntoString (" | ");
    }

    KeywordRule rule (const juce::String& pattern, KeywordMode mode, int priority = 0,
                      const juce::StringArray& excludes = {}, const juce::String& note = {})
    {
        KeywordRule r (pattern, priority, note);
        r.mode = mode;
        r.excludes = excludes;
        return r;
    }
} // namespace

TEST (KeywordRuleText, ParsesItems)
{
    const struct
    {
        const char* text;
        const char* rules;
    } cases[] = {
        { "boom, riser", "token:boom@0 | token:riser@0" },
        { "sound design", "phrase:sound design@0" },
        { "~piano", "exact:piano@0" },
        { "~ piano", "exact:piano@0" },
        { "~grand piano", "exact:grand piano@0" },
        { "?strings", "fuzzy:strings@0" },
        { "~?x", "exact:?x@0" },
        { "brass !low !soft", "token:brass@0!low!soft" },
        { "waterphone !choir", "token:waterphone@0!choir" },
        { "brass ! ! low  !", "token:brass@0!low" },
        { "riser @50", "token:riser@50" },
        { "riser@-5", "token:riser@-5" },
        { "riser @ +7", "token:riser@7" },
        { "riser @12abc", "token:riser@12" },
        { "riser @x", "token:riser@0" },
        { "riser @50 !choir", "token:riser@50!choir" },
        { "riser !choir @50", "token:riser@0!choir @50" },  // a priority after an exclusion belongs to it
        { "@50", "" },
        { "~", "" },
        { "!choir", "" },
        { "? @3 !x", "" },
        { "# strings", "" },
        { "vln # violin, viola", "token:vln@0" },
        { "vln, # a, b\npad", "token:vln@0 | token:pad@0" },
        { ", ,vln,,\n\n  pad ,", "token:vln@0 | token:pad@0" },
        { "a\r\nb\rc\nd", "token:a@0 | token:b@0 | token:c@0 | token:d@0" },
        { "", "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        EXPECT_EQ (describe (parseRuleList (c.text)), c.rules);
    }
}

TEST (KeywordRuleText, HugePrioritiesSaturateInsteadOfOverflowing)
{
    constexpr int maxInt = std::numeric_limits<int>::max();
    constexpr int minInt = std::numeric_limits<int>::min();

    const struct
    {
        const char* text;
        int priority;
    } cases[] = {
        { "riser @2147483647", maxInt },
        { "riser @2147483648", maxInt },
        { "riser @99999999999999999999999999999999", maxInt },
        { "riser @+99999999999999999999999999999999", maxInt },
        { "riser @-2147483648", minInt },
        { "riser @-2147483649", minInt },
        { "riser @-99999999999999999999999999999999", minInt },
        { "riser @0000000000000000000000000000000042", 42 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        const auto rules = parseRuleList (c.text);
        ASSERT_EQ (rules.size(), 1u);
        EXPECT_EQ (rules[0].priority, c.priority);
    }
}

TEST (KeywordRuleText, Formats)
{
    EXPECT_EQ (formatRuleList ({ rule ("vln", KeywordMode::token),
                                 rule ("sound design", KeywordMode::phrase, 10, { "choir" }),
                                 rule ("piano", KeywordMode::exact) }),
               "vln, sound design @10 !choir, ~piano");

    EXPECT_EQ (formatRuleList ({ rule ("strings", KeywordMode::fuzzy, -5, { "low", "soft pads" }, "a note") }),
               "?strings @-5 !low !soft pads");

    EXPECT_EQ (formatRuleList ({}), "");
}

TEST (KeywordRuleText, RoundTrips)
{
    const std::vector<KeywordRule> rules {
        rule ("vln", KeywordMode::token),
        rule ("sound design", KeywordMode::phrase, 10, { "choir", "low end" }),
        rule ("piano", KeywordMode::exact, -3),
        rule ("grand piano", KeywordMode::exact),
        rule ("strings", KeywordMode::fuzzy, std::numeric_limits<int>::min()),
        rule (juce::CharPointer_UTF8 ("Éclat"), KeywordMode::token, std::numeric_limits<int>::max()),
    };

    const auto back = parseRuleList (formatRuleList (rules));
    ASSERT_EQ (back.size(), rules.size());

    for (size_t i = 0; i < rules.size(); ++i)
        EXPECT_TRUE (back[i] == rules[i]) << describe ({ back[i] });

    // What the text cannot carry: notes, and a mode that disagrees with the pattern's blanks.
    const auto lossy = parseRuleList (formatRuleList ({ rule ("pad", KeywordMode::phrase, 0, {}, "note"),
                                                        rule ("french horn", KeywordMode::token) }));
    EXPECT_EQ (describe (lossy), "token:pad@0 | phrase:french horn@0");
}
