#include "core/session/KeywordMatcher.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    juce::String utf8 (const char* text) { return juce::String (juce::CharPointer_UTF8 (text)); }

    KeywordRule rule (const juce::String& pattern, KeywordMode mode = KeywordMode::token,
                      int priority = 0, const juce::StringArray& excludes = {})
    {
        KeywordRule r (pattern, priority);
        r.mode = mode;
        r.excludes = excludes;
        return r;
    }

    Stem stem (const juce::String& name, std::vector<KeywordRule> rules,
               int priority = 0, const juce::StringArray& excludes = {})
    {
        Stem s (name, {}, 0xff808080, false, priority, std::move (rules), excludes);
        s.id = "id-" + name;
        return s;
    }

    StemSchema schemaOf (std::vector<Stem> stems, bool matchPlurals = true)
    {
        StemSchema schema;
        schema.matchPlurals = matchPlurals;

        for (auto& s : stems)
            schema.stems.push_back (std::move (s));

        return schema;
    }

    MatchResult matchName (const StemSchema& schema, const juce::String& fileName,
                           KeywordMatcher settings = {})
    {
        MatchResult result;
        matchFileName (settings, result, schema, fileName);
        return result;
    }

    juce::String candidateNames (const MatchResult& result)
    {
        juce::StringArray names;

        for (const auto& c : result.candidates)
            names.add (c.stemName);

        return names.joinIntoString ("|");
    }

    bool singleRuleHits (const KeywordRule& r, const juce::String& fileName, bool matchPlurals,
                         KeywordMatcher settings = {})
    {
        return ! matchName (schemaOf ({ stem ("S", { r }) }, matchPlurals), fileName, settings).candidates.empty();
    }
} // namespace

TEST (KeywordMatcher, TokenisesFileNames)
{
    const struct
    {
        const char* fileName;
        const char* baseName;
        const char* normalised;
        const char* tokens;
    } cases[] = {
        { "Vln1_Pizz-take 3.wav", "Vln1_Pizz-take 3", "vln 1 pizz take 3", "vln|1|pizz|take|3" },
        { "StringsHigh_01.wav", "StringsHigh_01", "strings high 01", "strings|high|01" },
        { "celloFX.wav", "celloFX", "cellofx", "cellofx" },
        { "ViolinsA.wav", "ViolinsA", "violins a", "violins|a" },          // hump with nothing after it
        { "Bass2Low.aiff", "Bass2Low", "bass 2 low", "bass|2|low" },
        { "take.final.wav", "take.final", "take final", "take|final" },   // only the last extension
        { "mix.backup", "mix.backup", "mix backup", "mix|backup" },       // six letters: not an extension
        { "track.w-v", "track.w-v", "track w v", "track|w|v" },           // not letters and digits
        { ".wav", ".wav", "wav", "wav" },                                 // a leading dot is no extension
        { "___.wav", "___", "", "" },
        { "  (Drums)  .flac", "  (Drums)  ", "drums", "drums" },
        { "ÉCLAT_Cordes.wav", "ÉCLAT_Cordes", "éclat cordes", "éclat|cordes" },
        { "Brass—Low.wav", "Brass—Low", "brass—low", "brass—low" },       // non-ASCII dash is a word character
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.fileName);
        const auto name = tokeniseFileName (utf8 (c.fileName));
        EXPECT_EQ (name.fileName, utf8 (c.fileName));
        EXPECT_EQ (name.baseName, utf8 (c.baseName));
        EXPECT_EQ (name.normalised, utf8 (c.normalised));
        EXPECT_EQ (name.tokens.joinIntoString ("|"), utf8 (c.tokens));
    }
}

TEST (KeywordMatcher, RuleWordsAreNormalisedWords)
{
    EXPECT_EQ (ruleWords ("  Sound__Design! ").joinIntoString ("|"), "sound|design");
    EXPECT_EQ (ruleWords ("FrenchHorn2").joinIntoString ("|"), "french|horn|2");
    EXPECT_TRUE (ruleWords ("-- . --").isEmpty());
    EXPECT_EQ (normaliseForMatching ("a  -  B"), "a b");
}

TEST (KeywordMatcher, PluralVariants)
{
    const struct
    {
        const char* word;
        const char* variants;
    } cases[] = {
        { "string", "string|strings|stringes" },
        { "strings", "strings|stringses|string" },
        { "body", "body|bodys|bodyes|bodies" },
        { "day", "day|days|dayes" },                          // too short for -ies
        { "key", "key|keys|keyes" },
        { " Keys ", "keys|keyses|key" },                      // trimmed and lower-cased
        { "brass", "brass|brasses" },
        { "bodies", "bodies|bodieses|body|bodi|bodie" },
        { "boxes", "boxes|boxeses|box|boxe" },
        { "bus", "bus|buses" },
        { "ox", "ox" },
        { "", "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.word);
        EXPECT_EQ (pluralVariants (c.word).joinIntoString ("|"), c.variants);
    }
}

TEST (KeywordMatcher, TokenRuleHitsExactlyThePluralVariants)
{
    const char* words[] = { "string", "strings", "body", "day", "keys", "brass", "bodies", "boxes", "bus", "ox" };

    for (auto word : words)
    {
        SCOPED_TRACE (word);
        const auto variants = pluralVariants (word);

        for (const auto& variant : variants)
        {
            EXPECT_TRUE (singleRuleHits (rule (word), variant + ".wav", true)) << variant;
            EXPECT_EQ (singleRuleHits (rule (word), variant + ".wav", false), variant == word) << variant;
        }

        for (auto other : { "x", "stringy", "bodie", "boxs", "bu", "oxes" })
        {
            if (! variants.contains (other))
            {
                EXPECT_FALSE (singleRuleHits (rule (word), juce::String (other) + ".wav", true)) << other;
            }
        }
    }
}

TEST (KeywordMatcher, EditDistance)
{
    const struct
    {
        const char* a;
        const char* b;
        int limit;
        int expected;
    } cases[] = {
        { "kitten", "sitting", 5, 3 },
        { "abc", "abcdef", 1, 2 },          // lengths differ by 3: limit + 1 at once
        { "abc", "abcdef", 5, 3 },
        { "abcd", "wxyz", 1, 2 },           // a row beyond the limit stops early
        { "abcd", "wxyz", 10, 4 },
        { "strings", "strigns", 1, 2 },
        { "strings", "strigns", 2, 2 },
        { "strings", "string", 1, 1 },
        { "", "abc", 5, 3 },
        { "", "", 0, 0 },
        { "éa", "ea", 1, 1 },               // code points, not bytes
        { "same", "same", 0, 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (utf8 (c.a) + " / " + utf8 (c.b));
        EXPECT_EQ (editDistance (utf8 (c.a), utf8 (c.b), c.limit), c.expected);
    }
}

TEST (KeywordMatcher, OutcomesAndReasons)
{
    const struct
    {
        const char* fileName;
        int stringsPriority;
        int synthsPriority;
        const char* stemId;
        Confidence confidence;
        const char* reason;
        const char* candidates;
    } cases[] = {
        { "Vln_01.wav", 0, 0, "id-Strings", Confidence::confident,
          "Matched Strings on 'vln'.", "Strings" },
        { "Vln_Pad.wav", 0, 0, "", Confidence::ambiguous,
          "Equally strong match for Strings (vln), Synths (pad). Velvane will not choose for you.", "Strings|Synths" },
        { "Pad_Vln.wav", 10, 20, "id-Synths", Confidence::review,
          "Matched Synths on 'pad'; ahead of Strings (vln). Only one keyword matched while another stem also matched, "
          "so this is worth a check.", "Synths|Strings" },
        { "Vln_Pad.wav", 20, 10, "id-Strings", Confidence::review,
          "Matched Strings on 'vln'; ahead of Synths (pad). Only one keyword matched while another stem also matched, "
          "so this is worth a check.", "Strings|Synths" },
        { "___.wav", 0, 0, "", Confidence::unassigned,
          "No keyword from the schema appears in this file name.", "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.fileName);
        const auto schema = schemaOf ({ stem ("Strings", { rule ("vln") }, c.stringsPriority),
                                        stem ("Synths", { rule ("pad") }, c.synthsPriority) });
        const auto result = matchName (schema, c.fileName);
        EXPECT_EQ (result.stemId, c.stemId);
        EXPECT_EQ (result.confidence, c.confidence);
        EXPECT_EQ (result.reason, c.reason);
        EXPECT_EQ (candidateNames (result), c.candidates);
    }
}

TEST (KeywordMatcher, ReasonDescribesEveryHitOfTheWinner)
{
    KeywordMatcher fuzzy;
    fuzzy.fuzzyEnabled = true;

    const auto schema = schemaOf ({ stem ("FX", { rule ("riser"),
                                                  rule ("sound design", KeywordMode::phrase),
                                                  rule ("whooshs", KeywordMode::fuzzy),
                                                  rule ("riser", KeywordMode::token, 5) }),
                                    stem ("Synths", { rule ("riser"), rule ("Riser") }),
                                    stem ("Piano", { rule ("piano", KeywordMode::exact) }) });

    auto result = matchName (schema, "Sound_Design_Riser_Whoosh.wav", fuzzy);
    EXPECT_EQ (result.stemId, "id-FX");
    EXPECT_EQ (result.confidence, Confidence::confident);
    EXPECT_EQ (result.reason, "Matched FX on 'riser', 'sound design' (phrase), 'whooshs' (approximate), 'riser'; "
                              "ahead of Synths (riser, Riser).");
    EXPECT_EQ (result.matchedKeywords.joinIntoString ("|"), "riser|sound design|whooshs");

    ASSERT_EQ (result.candidates.size(), 2u);
    const auto& fx = result.candidates[0];
    EXPECT_TRUE (fx.phrase);
    EXPECT_FALSE (fx.exact);
    EXPECT_EQ (fx.matchedRules, 4);
    EXPECT_EQ (fx.bestRulePriority, 5);
    ASSERT_EQ (fx.hits.size(), 4u);
    EXPECT_EQ (fx.hits[2].mode, KeywordMode::fuzzy);

    result = matchName (schema, "PIANO.flac");
    EXPECT_EQ (result.reason, "Matched Piano on 'piano' (whole name).");
    EXPECT_TRUE (result.candidates[0].exact);

    // Two token rules make a confident match even with another stem behind; every hit is described.
    result = matchName (schema, "Riser_Piano.wav");
    EXPECT_EQ (result.stemId, "id-FX");
    EXPECT_EQ (result.confidence, Confidence::confident);
    EXPECT_EQ (result.reason, "Matched FX on 'riser', 'riser'; ahead of Synths (riser, Riser).");
    EXPECT_EQ (result.matchedKeywords.joinIntoString ("|"), "riser");
}

TEST (KeywordMatcher, ModesAndPlurals)
{
    const struct
    {
        const char* pattern;
        KeywordMode mode;
        const char* fileName;
        bool plurals;
        bool hits;
    } cases[] = {
        { "string", KeywordMode::token, "Strings_A.wav", true, true },
        { "string", KeywordMode::token, "Strings_A.wav", false, false },
        { "Vln", KeywordMode::token, "vln2.wav", false, true },
        { "ÉCLAT", KeywordMode::token, "éclat.wav", false, true },
        { "---", KeywordMode::token, "---.wav", true, false },
        { "sound design", KeywordMode::phrase, "Sound_Design_FX.wav", false, true },
        { "sound design", KeywordMode::phrase, "the sound designs.wav", true, true },
        { "sound design", KeywordMode::phrase, "the sound designs.wav", false, false },
        { "sound designs", KeywordMode::phrase, "sounds design.wav", true, false }, // only the last word varies
        { "sound design", KeywordMode::phrase, "design sound.wav", true, false },
        { "sound design", KeywordMode::phrase, "sound x design.wav", true, false },
        { "sound design", KeywordMode::token, "SoundDesign.wav", true, true },
        { "pad", KeywordMode::phrase, "pads.wav", true, true },
        { "piano", KeywordMode::exact, "Piano.wav", true, true },
        { "piano", KeywordMode::exact, "PIANO.flac", true, true },
        { "piano", KeywordMode::exact, "Piano 2.wav", true, false },
        { "piano", KeywordMode::exact, "Pianos.wav", true, false },
        { "Grand Piano", KeywordMode::exact, "grand-piano.wav", true, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (utf8 (c.pattern) + " / " + utf8 (c.fileName));
        EXPECT_EQ (singleRuleHits (rule (utf8 (c.pattern), c.mode),
                                   utf8 (c.fileName), c.plurals), c.hits);
    }
}

TEST (KeywordMatcher, TokenRuleOfSeveralWordsCountsAsPhrase)
{
    const auto result = matchName (schemaOf ({ stem ("Horns", { rule ("french horn") }) }), "French_Horn_1.wav");
    ASSERT_EQ (result.candidates.size(), 1u);
    EXPECT_TRUE (result.candidates[0].phrase);
    EXPECT_EQ (result.candidates[0].hits[0].mode, KeywordMode::phrase);
    EXPECT_EQ (result.reason, "Matched Horns on 'french horn' (phrase).");
}

TEST (KeywordMatcher, Exclusions)
{
    const struct
    {
        const char* fileName;
        const char* candidates;
        int vocalRules;
    } cases[] = {
        { "Vox_Lead.wav", "Vocals", 2 },
        { "Lead.wav", "Vocals", 1 },
        { "Vox_Choir.wav", "", 0 },                    // stem-wide exclusion removes the stem
        { "Vox_Choirs.wav", "", 0 },                   // exclusions take plural forms too
        { "Vox_Lead_Dbl.wav", "Vocals", 1 },           // the lead rule is vetoed, vox still counts
        { "Lead_Dbl.wav", "", 0 },
        { "Vox_Vocal_Backing_Lead.wav", "Vocals", 2 }, // a phrase exclusion needs its words in order
        { "Vox_Lead_Backing_Vocals.wav", "Vocals", 1 },
    };

    const auto schema = schemaOf ({ stem ("Vocals",
                                          { rule ("vox"),
                                            rule ("lead", KeywordMode::token, 0, { "dbl", " -- ", "backing vocal" }) },
                                          0, { "choir", "" }) });

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.fileName);
        const auto result = matchName (schema, c.fileName);
        EXPECT_EQ (candidateNames (result), c.candidates);

        if (! result.candidates.empty())
        {
            EXPECT_EQ (result.candidates[0].matchedRules, c.vocalRules);
        }
    }
}

TEST (KeywordMatcher, FuzzyRules)
{
    const struct
    {
        bool enabled;
        const char* pattern;
        const char* fileName;
        bool hits;
    } cases[] = {
        { false, "strings", "strings.wav", false },
        { true, "strings", "string.wav", true },     // one deletion
        { true, "strings", "stringz.wav", true },    // one substitution
        { true, "strings", "strigns.wav", false },   // two edits
        { true, "strings", "str.wav", false },       // token shorter than the minimum
        { true, "pad", "pad.wav", false },           // pattern shorter than the minimum
        { true, "sound design", "sound design.wav", false }, // only single words
        { true, "Ébène", "ebene.wav", false },
        { true, "Ébène", "ébene.wav", true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (utf8 (c.pattern) + " / " + utf8 (c.fileName));
        KeywordMatcher settings;
        settings.fuzzyEnabled = c.enabled;
        EXPECT_EQ (singleRuleHits (rule (utf8 (c.pattern), KeywordMode::fuzzy),
                                   utf8 (c.fileName), true, settings), c.hits);
    }
}

TEST (KeywordMatcher, RankingOrder)
{
    // Each stem matches "Bass_Synth_Low.wav" with a different strength.
    const auto schema = schemaOf ({
        stem ("alpha", { rule ("bass") }),                                     // 1 rule
        stem ("Beta", { rule ("bass") }),                                      // same as alpha: name decides
        stem ("Gamma", { rule ("bass") }, 3),                                  // stem priority
        stem ("Delta", { rule ("bass", KeywordMode::token, 2) }),              // rule priority beats stem priority
        stem ("Epsilon", { rule ("bass"), rule ("low") }),                     // more rules beat priorities
        stem ("Zeta", { rule ("synth low", KeywordMode::phrase) }),            // phrase beats rule count
        stem ("Eta", { rule ("bass synth low", KeywordMode::exact) }),         // exact beats all
        stem ("Theta", { rule ("bass", KeywordMode::token, -5) }, 0, { "low" }), // excluded
        stem ("iota", { rule ("bass", KeywordMode::token, -5) }),              // negative priority counts as 0
    });

    const auto result = matchName (schema, "Bass_Synth_Low.wav");
    EXPECT_EQ (candidateNames (result), "Eta|Zeta|Epsilon|Delta|Gamma|alpha|Beta|iota");
    EXPECT_EQ (result.candidates.back().bestRulePriority, 0);
    EXPECT_EQ (result.stemId, "id-Eta");
    EXPECT_EQ (result.reason, "Matched Eta on 'bass synth low' (whole name); ahead of Zeta (synth low).");

    // The tie among alpha, Beta and iota names every tied stem in ranking order, each with its own words.
    const auto tied = matchName (schemaOf ({ stem ("iota", { rule ("bass", KeywordMode::token, -5) }),
                                             stem ("Beta", { rule ("bass") }),
                                             stem ("alpha", { rule ("bass") }),
                                             stem ("Gamma", { rule ("bass") }, -1) }),
                                 "bass.wav");
    EXPECT_EQ (tied.confidence, Confidence::ambiguous);
    EXPECT_TRUE (tied.stemId.isEmpty());
    EXPECT_EQ (tied.matchedKeywords.joinIntoString ("|"), "bass");
    EXPECT_EQ (tied.reason, "Equally strong match for alpha (bass), Beta (bass), iota (bass). Velvane will not choose for you.");
}

TEST (KeywordMatcher, MatchReplacesAnEarlierResult)
{
    MatchResult result;
    result.stemId = "old";
    result.confidence = Confidence::confident;
    result.matchedKeywords.add ("old");
    result.candidates.resize (3);

    const KeywordMatcher settings;
    settings.match (result, schemaOf ({ stem ("Strings", { rule ("vln") }) }), tokeniseFileName ("pad.wav"));
    EXPECT_TRUE (result.stemId.isEmpty());
    EXPECT_EQ (result.confidence, Confidence::unassigned);
    EXPECT_TRUE (result.matchedKeywords.isEmpty());
    EXPECT_TRUE (result.candidates.empty());
}
