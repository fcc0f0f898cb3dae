#include "core/model/DefaultSchema.h"

#include <gtest/gtest.h>

#include <set>

using namespace korvid;

namespace
{
    struct ExpectedStem
    {
        const char* name;
        const char* code;
        juce::uint32 colour;
        int priority;
        int ruleCount;
        const char* patterns;   // in rule order, joined with '|'
        std::vector<const char*> excludes;
    };

    const std::vector<ExpectedStem> expectedStems {
        { "Percussion High", "PRCH", 0xffe0a24a, 10, 22,
          "perc high|high perc|perchi|hi perc|shaker|tambourine|tamb|triangle|woodblock|claves|cabasa|guiro|castanets|bongo|bongos|conga|congas|djembe|tabla|bells|bell tree|sleigh bells", {} },
        { "Percussion Low", "PRCL", 0xffc77b33, 10, 12,
          "perc low|low perc|perclow|taiko|taikos|timpani|timp|surdo|gran cassa|frame drum|dhol|bass drum", {} },
        { "Drums", "DRM", 0xffd4623f, 10, 22,
          "drums|drum|drumkit|kit|kick|snare|hihat|hat|hats|hi hat|tom|toms|ride|crash|cymbal|cymbals|overhead|overheads|clap|claps|rimshot|beat", { "bass drum" } },
        { "Brass", "BRS", 0xffd9b23c, 10, 17,
          "brass|horn|horns|french horn|trumpet|trumpets|tpt|trombone|trombones|tbn|tuba|cimbasso|flugelhorn|euphonium|cornet|low brass|high brass", { "english horn", "cor anglais" } },
        { "Strings", "STR", 0xff8fbf6b, 10, 22,
          "strings|string|violin|violins|vln|viola|violas|vla|cello|celli|cellos|contrabass|double bass|basses|spiccato|spicc|pizzicato|pizz|arco|tremolo|legato strings|harp", {} },
        { "Woodwinds", "WWD", 0xff5fb59a, 10, 26,
          "woodwinds|woodwind|ww|flute|flutes|piccolo|alto flute|bass flute|clarinet|clarinets|bass clarinet|oboe|oboes|english horn|cor anglais|bassoon|bassoons|contrabassoon|sax|saxophone|recorder|whistle|ocarina|duduk|shakuhachi|pan flute", {} },
        { "Piano", "PNO", 0xff5aa9c7, 10, 16,
          "piano|pno|grand piano|upright piano|felt piano|prepared piano|epiano|e piano|rhodes|wurlitzer|wurli|celesta|harpsichord|clavinet|keys|keyboard", {} },
        { "Guitars", "GTR", 0xff6e8fd1, 10, 16,
          "guitar|guitars|gtr|acoustic guitar|electric guitar|nylon|steel string|banjo|mandolin|ukulele|uke|dobro|lap steel|bouzouki|oud|sitar", { "bass guitar", "bass gtr" } },
        { "Synthesizers", "SYN", 0xff8e7dd6, 10, 15,
          "synth|synths|synthesizer|synthesiser|saw|square wave|lead|poly|moog|prophet|juno|wavetable|analog|analogue|fm", { "bass synth", "synth bass" } },
        { "Bass", "BAS", 0xffb56acb, 20, 12,
          "bass|bassline|sub|sub bass|808|bass guitar|bass gtr|electric bass|upright bass|synth bass|bass synth|low end",
          { "bass drum", "double bass", "bass flute", "bass clarinet", "bass trombone", "brass" } },
        { "Choir", "CHR", 0xffd46a9f, 15, 12,
          "choir|choral|satb|epic choir|boys choir|kids choir|sopranos|altos|tenors|aahs|oohs|latin choir", {} },
        { "Vocals", "VOX", 0xffe0607a, 15, 14,
          "vocal|vocals|vox|voice|lead vocal|backing vocal|bvs|adlib|ad lib|singer|solo voice|whisper|spoken|narration", { "choir", "choral" } },
        { "Sound Design", "SFX", 0xff7fa3b5, 10, 21,
          "sound design|sounddesign|sfx|fx|design|boom|hit|impact|riser|whoosh|downer|sweep|braam|stinger|transition|reverse|slam|sub drop|doppler|foley|waterphone", {} },
        { "Signature", "SIG", 0xffa8c64f, 10, 9,
          "signature|sig|motif|theme|main theme|hook|logo|ident|waterphone", {} },
        { "Drones", "DRN", 0xff6f7f8c, 10, 14,
          "drone|drones|pad|pads|texture|textures|bed|soundbed|atmos|atmosphere|ambient|ambience|sustain|tonal bed", {} },
        { "Pulses", "PLS", 0xff4fbfa8, 10, 13,
          "pulse|pulses|pulsing|ostinato|arp|arpeggio|arps|seq|sequence|rhythmic|gated|stutter|throb", {} },
    };

    // Every rule that is not a plain priority-0 rule without a note.
    struct SpecialRule
    {
        const char* stem;
        const char* pattern;
        int priority;
        const char* note;
    };

    const std::vector<SpecialRule> specialRules {
        { "Percussion Low", "bass drum", 5, "Concert bass drum, not the kick of a drum kit" },
        { "Strings", "harp", 0, "Some publishers want harp in its own stem" },
        { "Bass", "bass guitar", 10, "" },
        { "Bass", "bass gtr", 10, "" },
        { "Bass", "electric bass", 10, "" },
        { "Bass", "upright bass", 10, "" },
        { "Bass", "synth bass", 10, "" },
        { "Bass", "bass synth", 10, "" },
        { "Vocals", "lead vocal", 10, "" },
        { "Vocals", "backing vocal", 10, "" },
        { "Sound Design", "waterphone", 0, "Deliberately shared with Signature to demonstrate ambiguity reporting" },
        { "Signature", "waterphone", 0, "Deliberately shared with Sound Design to demonstrate ambiguity reporting" },
    };

    const KeywordRule* findRule (const Stem& stem, const juce::String& pattern)
    {
        for (const auto& rule : stem.rules)
            if (rule.pattern == pattern)
                return &rule;

        return nullptr;
    }

    const Stem* findByName (const StemSchema& schema, const juce::String& name)
    {
        for (const auto& stem : schema.stems)
            if (stem.displayName == name)
                return &stem;

        return nullptr;
    }
} // namespace

TEST (DefaultSchema, SchemaTextsAndSixteenStemsInOrder)
{
    const auto schema = makeDefaultSchema();

    EXPECT_TRUE (schema.matchPlurals);
    EXPECT_EQ (schema.publisher, "Velvane");
    EXPECT_EQ (schema.name, "Velvane Default (16 stems)");
    EXPECT_EQ (schema.description, "General purpose orchestral / hybrid stem layout. The full mix is produced "
                                   "separately by summing every stem, so it is deliberately not part of this list.");
    EXPECT_TRUE (schema.submixes.empty());

    ASSERT_EQ (schema.stems.size(), expectedStems.size());
    size_t totalRules = 0;

    for (size_t i = 0; i < expectedStems.size(); ++i)
    {
        const auto& want = expectedStems[i];
        const auto& stem = schema.stems[i];
        SCOPED_TRACE (want.name);

        EXPECT_EQ (stem.index, (int) i + 1);
        EXPECT_EQ (stem.displayName, want.name);
        EXPECT_EQ (stem.fileNameToken, want.name);
        EXPECT_EQ (stem.shortCode, want.code);
        EXPECT_EQ (stem.colour, want.colour);
        EXPECT_EQ (stem.priority, want.priority);
        EXPECT_FALSE (stem.required);
        EXPECT_FALSE (stem.emptyPolicy.has_value());
        EXPECT_TRUE (stem.namingTemplate.isEmpty());

        juce::StringArray excludes;
        for (auto* word : want.excludes)
            excludes.add (word);
        EXPECT_EQ (stem.excludeKeywords, excludes);

        ASSERT_EQ ((int) stem.rules.size(), want.ruleCount);
        juce::StringArray patterns;
        for (const auto& rule : stem.rules)
            patterns.add (rule.pattern);
        EXPECT_EQ (patterns.joinIntoString ("|"), want.patterns);
        totalRules += stem.rules.size();
    }

    EXPECT_EQ (totalRules, 263u);
}

TEST (DefaultSchema, RulesCarryModePriorityAndNoteAsListed)
{
    const auto schema = makeDefaultSchema();

    for (const auto& special : specialRules)
    {
        SCOPED_TRACE (juce::String (special.stem) + " / " + special.pattern);
        const auto* stem = findByName (schema, special.stem);
        ASSERT_NE (stem, nullptr);
        const auto* rule = findRule (*stem, special.pattern);
        ASSERT_NE (rule, nullptr);
        EXPECT_EQ (rule->priority, special.priority);
        EXPECT_EQ (rule->note, special.note);
    }

    // Everything else is a plain rule: priority 0, no note, no per-rule exclusions,
    // and phrase exactly when the pattern holds a blank.
    int specialCount = 0;

    for (const auto& stem : schema.stems)
    {
        for (const auto& rule : stem.rules)
        {
            SCOPED_TRACE (stem.displayName + " / " + rule.pattern);
            EXPECT_TRUE (rule.excludes.isEmpty());
            EXPECT_EQ (rule.mode, rule.pattern.containsChar (' ') ? KeywordMode::phrase : KeywordMode::token);
            EXPECT_EQ (rule.pattern, rule.pattern.trim().toLowerCase());

            if (rule.priority != 0 || rule.note.isNotEmpty())
                ++specialCount;
        }
    }

    EXPECT_EQ (specialCount, (int) specialRules.size());
}

TEST (DefaultSchema, IsValidAndFreshIdsAreTheOnlyDifferenceBetweenCalls)
{
    const auto first = makeDefaultSchema();
    auto second = makeDefaultSchema();

    const auto findings = validateSchema (first);
    EXPECT_TRUE (findings.errors.isEmpty()) << findings.toText();
    EXPECT_TRUE (findings.warnings.isEmpty()) << findings.toText();

    std::set<juce::String> ids;
    for (const auto& stem : first.stems)
        ids.insert (stem.id);
    for (const auto& stem : second.stems)
        ids.insert (stem.id);
    EXPECT_EQ (ids.size(), 32u);

    EXPECT_NE (first.matchingFingerprint(), second.matchingFingerprint());

    for (size_t i = 0; i < second.stems.size(); ++i)
        second.stems[i].id = first.stems[i].id;

    EXPECT_EQ (first.matchingFingerprint(), second.matchingFingerprint());
    EXPECT_TRUE (first.stems == second.stems);
}
