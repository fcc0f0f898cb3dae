#include "core/model/StemTemplate.h"
#include "core/model/TemplatePalette.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    const StemTemplate& paletteEntry (const juce::String& category, const juce::String& name)
    {
        for (const auto& entry : builtInTemplates())
            if (entry.category == category && entry.displayName == name)
                return entry;

        ADD_FAILURE() << "no template " << name;
        static const StemTemplate none;
        return none;
    }
} // namespace

TEST (StemTemplate, SummaryTextCountsKeywordsAndExclusions)
{
    const struct
    {
        int keywords;
        int exclusions;
        const char* expected;
    } cases[] = {
        { 0, 0, "0 keywords" },
        { 1, 0, "1 keyword" },
        { 2, 0, "2 keywords" },
        { 12, 1, "12 keywords, 1 exclusion" },
        { 3, 2, "3 keywords, 2 exclusions" },
        { 0, 1, "0 keywords, 1 exclusion" },
    };

    for (const auto& c : cases)
    {
        StemTemplate t;
        for (int i = 0; i < c.keywords; ++i)
            t.keywords.add ("k" + juce::String (i));
        for (int i = 0; i < c.exclusions; ++i)
            t.excludeKeywords.add ("x" + juce::String (i));

        EXPECT_EQ (t.summaryText(), c.expected);
    }

    EXPECT_EQ (paletteEntry ("Specialised", "Lead Vocal").summaryText(), "5 keywords, 3 exclusions");
    EXPECT_EQ (paletteEntry ("Blank", "New stem").summaryText(), "0 keywords");
}

TEST (StemTemplate, ToStemRebuildsPlainRules)
{
    const struct
    {
        const char* category;
        const char* name;
        const char* code;
        juce::uint32 colour;
        int ruleCount;
        std::vector<const char*> phrasePatterns;
        std::vector<const char*> excludes;
    } cases[] = {
        // The default schema's "bass drum" rule loses its priority 5 and its note.
        { "Default schema", "Percussion Low", "PRCL", 0xffc77b33, 12, { "perc low", "low perc", "gran cassa", "frame drum", "bass drum" }, {} },
        // "lead vocal" and "backing vocal" lose priority 10; the exclusions stay.
        { "Default schema", "Vocals", "VOX", 0xffe0607a, 14, { "lead vocal", "backing vocal", "ad lib", "solo voice" }, { "choir", "choral" } },
        { "Specialised", "Click and Reference", "REF", 0xff62686d, 5, {}, {} },
        { "Specialised", "Lead Vocal", "LVX", 0xffe0607a, 5, { "lead vocal", "lead vox", "main vocal", "solo voice" }, { "backing", "bvs", "choir" } },
        { "Blank", "New stem", "NEW", 0xff8a8f94, 0, {}, {} },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto& entry = paletteEntry (c.category, c.name);
        const auto stem = entry.toStem();

        EXPECT_EQ (stem.id.length(), 36);
        EXPECT_NE (stem.id, entry.toStem().id);
        EXPECT_EQ (stem.index, 1);
        EXPECT_EQ (stem.displayName, c.name);
        EXPECT_EQ (stem.fileNameToken, c.name);
        EXPECT_EQ (stem.shortCode, c.code);
        EXPECT_EQ (stem.colour, c.colour);
        EXPECT_EQ (stem.priority, 0);
        EXPECT_FALSE (stem.required);
        EXPECT_FALSE (stem.emptyPolicy.has_value());
        EXPECT_TRUE (stem.namingTemplate.isEmpty());

        juce::StringArray excludes;
        for (auto* word : c.excludes)
            excludes.add (word);
        EXPECT_EQ (stem.excludeKeywords, excludes);

        ASSERT_EQ ((int) stem.rules.size(), c.ruleCount);
        juce::StringArray phrases;

        for (size_t i = 0; i < stem.rules.size(); ++i)
        {
            const auto& rule = stem.rules[i];
            EXPECT_EQ (rule.pattern, entry.keywords[(int) i]);
            EXPECT_EQ (rule.priority, 0);
            EXPECT_TRUE (rule.note.isEmpty());
            EXPECT_TRUE (rule.excludes.isEmpty());

            if (rule.mode == KeywordMode::phrase)
                phrases.add (rule.pattern);
            else
                EXPECT_EQ (rule.mode, KeywordMode::token);
        }

        juce::StringArray expectedPhrases;
        for (auto* p : c.phrasePatterns)
            expectedPhrases.add (p);
        EXPECT_EQ (phrases, expectedPhrases);
    }
}
