#include "core/model/StemSchema.h"

#include <gtest/gtest.h>

#include <functional>

using namespace korvid;

namespace
{
    Stem makeStem (const juce::String& id, const juce::String& name, const juce::String& token = {})
    {
        Stem stem;
        stem.id = id;
        stem.displayName = name;
        stem.fileNameToken = token;
        return stem;
    }

    // Three stems with readable ids and one alternative mix holding all of them.
    StemSchema makeThreeStemSchema()
    {
        StemSchema schema;
        schema.addStem (makeStem ("a", "Strings", "STR"));
        schema.addStem (makeStem ("b", "Brass"));
        schema.addStem (makeStem ("c", "Drums"));
        schema.addSubmix ("No Drums");
        return schema;
    }

    juce::StringArray stemIds (const StemSchema& schema)
    {
        juce::StringArray ids;
        for (const auto& stem : schema.stems)
            ids.add (stem.id);
        return ids;
    }

    void expectNumbered (const StemSchema& schema)
    {
        for (size_t i = 0; i < schema.stems.size(); ++i)
            EXPECT_EQ (schema.stems[i].index, (int) i + 1) << schema.stems[i].displayName;
    }
}

TEST (StemSchema, ConstructorsPickModeIdAndToken)
{
    EXPECT_EQ (KeywordRule ("kick").mode, KeywordMode::token);
    EXPECT_EQ (KeywordRule ("bass drum", 5, "concert").mode, KeywordMode::phrase);
    EXPECT_EQ (KeywordRule ("bass drum", 5, "concert").priority, 5);
    EXPECT_EQ (KeywordRule ("bass drum", 5, "concert").note, "concert");
    EXPECT_EQ (KeywordRule ("bass_drum").mode, KeywordMode::token);   // only a real blank makes a phrase

    const Stem a ("Strings", "STR", 0xff112233, true, 10, { KeywordRule ("violin") }, { "synth" });
    const Stem b ("Strings", "STR", 0xff112233, true, 10, { KeywordRule ("violin") }, { "synth" });
    EXPECT_FALSE (a.id.isEmpty());
    EXPECT_NE (a.id, b.id);
    EXPECT_EQ (a.index, 1);
    EXPECT_EQ (a.fileNameToken, "Strings");
    EXPECT_FALSE (a.emptyPolicy.has_value());
    EXPECT_EQ (a.rules.size(), 1u);
    EXPECT_EQ (a.excludeKeywords, juce::StringArray ({ "synth" }));
}

TEST (StemSchema, AddStemAssignsMissingIdsAndRenumbers)
{
    StemSchema schema;
    auto& first = schema.addStem (makeStem ("", "One"));
    EXPECT_EQ (first.id.length(), 36);

    // A blank id is kept as it is; validateSchema reports it.
    schema.addStem (makeStem (" ", "Two"));
    auto& third = schema.addStem (makeStem ("keep", "Three"));
    third.index = 42;
    schema.renumberStems();

    EXPECT_EQ (schema.stems[1].id, " ");
    EXPECT_EQ (schema.stems[2].id, "keep");
    expectNumbered (schema);
}

TEST (StemSchema, DuplicateStemInsertsAMarkedCopyAfterTheOriginal)
{
    auto schema = makeThreeStemSchema();
    schema.stems[0].shortCode = "S";
    schema.stems[0].rules.push_back (KeywordRule ("violin"));
    schema.stems[0].emptyPolicy = EmptyPolicy::failExport;

    const auto copyId = schema.duplicateStem ("a");
    ASSERT_EQ (schema.stems.size(), 4u);
    const auto& copy = schema.stems[1];
    EXPECT_EQ (copy.id, copyId);
    EXPECT_NE (copyId, "a");
    EXPECT_EQ (copy.displayName, "Strings copy");
    EXPECT_EQ (copy.fileNameToken, "STR copy");
    EXPECT_EQ (copy.shortCode, "");
    EXPECT_EQ (copy.rules, schema.stems[0].rules);
    EXPECT_EQ (copy.emptyPolicy, std::optional<EmptyPolicy> (EmptyPolicy::failExport));
    expectNumbered (schema);
    EXPECT_FALSE (schema.submixes[0].stems.contains (copyId));

    // An empty token stays empty; a blank one is the user's own and gets the suffix.
    schema.duplicateStem ("b");
    EXPECT_EQ (schema.findStem ("b")->fileNameToken, "");
    EXPECT_EQ (schema.stems[3].fileNameToken, "");
    schema.stems[0].fileNameToken = "  ";
    schema.duplicateStem ("a");
    EXPECT_EQ (schema.stems[1].fileNameToken, "   copy");

    const auto before = schema.stems.size();
    EXPECT_EQ (schema.duplicateStem ("unknown"), "");
    EXPECT_EQ (schema.stems.size(), before);
}

TEST (StemSchema, MoveStemClampsThePosition)
{
    struct Case { const char* id; int position; bool result; juce::StringArray order; };

    const Case cases[] {
        { "c", -5, true,  { "c", "a", "b" } },
        { "a", 99, true,  { "b", "c", "a" } },
        { "a", 1,  true,  { "b", "a", "c" } },
        { "c", 0,  true,  { "c", "a", "b" } },
        { "b", 1,  true,  { "a", "b", "c" } },   // already there
        { "x", 0,  false, { "a", "b", "c" } },
        { "A", 2,  false, { "a", "b", "c" } },   // ids are exact
    };

    for (const auto& c : cases)
    {
        auto schema = makeThreeStemSchema();
        EXPECT_EQ (schema.moveStem (c.id, c.position), c.result) << c.id << " -> " << c.position;
        EXPECT_EQ (stemIds (schema), c.order) << c.id << " -> " << c.position;
        expectNumbered (schema);
    }
}

TEST (StemSchema, RemoveStemRenumbersAndPrunesEveryMix)
{
    auto schema = makeThreeStemSchema();
    schema.addSubmix ("Only Brass");
    schema.setSubmixMember (schema.submixes[1].id, "a", false);
    schema.setSubmixMember (schema.submixes[1].id, "c", false);

    EXPECT_TRUE (schema.removeStem ("b"));
    EXPECT_EQ (stemIds (schema), juce::StringArray ({ "a", "c" }));
    expectNumbered (schema);
    EXPECT_EQ (schema.submixes[0].stems, juce::StringArray ({ "a", "c" }));
    EXPECT_TRUE (schema.submixes[1].stems.isEmpty());

    EXPECT_FALSE (schema.removeStem ("b"));
    EXPECT_EQ (schema.stems.size(), 2u);
}

TEST (StemSchema, AddSubmixNamesUniquelyListsAllStemsAndStopsAtTen)
{
    auto schema = makeThreeStemSchema();
    const auto firstId = schema.submixes[0].id;
    EXPECT_EQ (schema.submixes[0].stems, juce::StringArray ({ "a", "b", "c" }));

    schema.addSubmix ("Drums");
    schema.addSubmix ("drums 2");
    const auto id = schema.addSubmix ("  drums  ");
    ASSERT_NE (schema.findSubmix (id), nullptr);
    EXPECT_EQ (schema.findSubmix (id)->name, "drums 3");
    EXPECT_EQ (schema.findSubmix (id)->shortCode, "");

    EXPECT_EQ (schema.findSubmix (schema.addSubmix ("   "))->name, "Submix 5");

    // A stem added later is not a member until asked for.
    schema.addStem (makeStem ("d", "Choir"));
    EXPECT_FALSE (schema.findSubmix (firstId)->stems.contains ("d"));

    while (schema.submixes.size() < 10)
        EXPECT_NE (schema.addSubmix ({}), "");

    const auto full = schema.submixes;
    EXPECT_EQ (schema.addSubmix ("Eleventh"), "");
    EXPECT_EQ (schema.submixes, full);

    EXPECT_TRUE (schema.removeSubmix (schema.submixes[3].id));
    EXPECT_FALSE (schema.removeSubmix ("no such mix"));
    EXPECT_EQ (schema.submixes.size(), 9u);
    EXPECT_EQ (schema.submixes[3].id, full[4].id);   // the others keep their order
}

TEST (StemSchema, SetSubmixMemberChangesOnlyWhatIsAsked)
{
    auto schema = makeThreeStemSchema();
    const auto mixId = schema.submixes[0].id;

    struct Step { const char* mix; const char* stem; bool member; bool changed; juce::StringArray members; };

    const Step steps[] {
        { "mix", "b", false, true,  { "a", "c" } },
        { "mix", "b", false, false, { "a", "c" } },
        { "mix", "b", true,  true,  { "a", "c", "b" } },   // appended at the end
        { "mix", "a", true,  false, { "a", "c", "b" } },
        { "mix", "z", true,  false, { "a", "c", "b" } },   // not a stem of the schema
        { "nope", "a", false, false, { "a", "c", "b" } },
    };

    for (const auto& s : steps)
    {
        const auto targetMix = juce::String (s.mix) == "mix" ? mixId : juce::String (s.mix);
        EXPECT_EQ (schema.setSubmixMember (targetMix, s.stem, s.member), s.changed) << s.stem;
        EXPECT_EQ (schema.submixes[0].stems, s.members) << s.stem;
    }

    // Removal takes every occurrence.
    schema.submixes[0].stems = { "a", "b", "a" };
    EXPECT_TRUE (schema.setSubmixMember (mixId, "a", false));
    EXPECT_EQ (schema.submixes[0].stems, juce::StringArray ({ "b" }));

    schema.submixes[0].stems = { "ghost", "c", "a", "ghost", "A" };
    schema.pruneSubmixMembers();
    EXPECT_EQ (schema.submixes[0].stems, juce::StringArray ({ "c", "a" }));
}

TEST (StemSchema, NameClashLookups)
{
    StemSchema schema;
    schema.addStem (makeStem ("strings", "Strings"));
    schema.addStem (makeStem ("tokenised", "Orchestra Strings", "strings"));
    schema.addStem (makeStem ("felt", "Piano (felt) 2"));

    struct Case { const char* name; const char* skip; const char* same; const char* similar; };

    const Case cases[] {
        { "  strings ", "",          "strings",   "" },
        { "STRINGS",    "strings",   "tokenised", "" },   // found through the other stem's token
        { "Str-ings",   "",          "",          "strings" },
        { "Str-ings",   "strings",   "",          "tokenised" },
        { "pianofelt2", "",          "",          "felt" },
        { "piano felt 2", "felt",    "",          "" },
        { "--",         "",          "",          "" },    // punctuation only: no key
        { "   ",        "",          "",          "" },
    };

    for (const auto& c : cases)
    {
        const auto* same = schema.findStemWithSameName (c.name, c.skip);
        const auto* similar = schema.findStemWithSimilarName (c.name, c.skip);
        EXPECT_EQ (same != nullptr ? same->id : juce::String(), juce::String (c.same)) << c.name;
        EXPECT_EQ (similar != nullptr ? similar->id : juce::String(), juce::String (c.similar)) << c.name;
    }

    EXPECT_EQ (normaliseStemName ("Piano (felt) 2"), "pianofelt2");
    EXPECT_EQ (normaliseStemName ("Strings 1"), normaliseStemName ("strings-1"));
    EXPECT_EQ (normaliseStemName (juce::CharPointer_UTF8 ("\xc3\x89" "clat \xe2\x80\x93 B\xc3\xa4sse")),
               juce::String (juce::CharPointer_UTF8 ("\xc3\xa9" "clatb\xc3\xa4sse")));
    EXPECT_EQ (normaliseStemName ("()-_ "), "");
}

TEST (StemSchema, AutoStemColourStepsRoundTheWheel)
{
    const std::vector<std::pair<int, juce::uint32>> cases {
        { 0, 0xffd17373 }, { -3, 0xffd17373 }, { 1, 0xff738ed1 }, { 2, 0xffaad173 }, { 3, 0xffd173c5 },
    };

    for (const auto& [n, colour] : cases)
        EXPECT_EQ (autoStemColour (n), colour) << n;

    EXPECT_EQ (autoStemColour (1000000) >> 24, 0xffu);
}

TEST (StemSchema, FingerprintLayout)
{
    StemSchema schema;
    schema.matchPlurals = false;
    EXPECT_EQ (schema.matchingFingerprint(), "-\x1f");

    schema.matchPlurals = true;
    auto& stem = schema.addStem (makeStem ("s1", "Drums"));
    stem.priority = 10;
    stem.excludeKeywords = { "bass drum", "brass" };
    stem.rules.push_back (KeywordRule ("kick"));
    stem.rules.push_back (KeywordRule ("hi hat", 3));
    stem.rules.back().excludes = { "x" };

    EXPECT_EQ (schema.matchingFingerprint(),
               "P\x1f" "s1\x1f" "10\x1f" "bass drum\x1e" "brass\x1f"
               "kick\x1d" "0\x1d" "0\x1d\x1e"
               "hi hat\x1d" "2\x1d" "3\x1d" "x\x1e"
               "\x1c");
}

TEST (StemSchema, FingerprintChangesExactlyWithMatchingRelevantEdits)
{
    StemSchema base;
    auto& drums = base.addStem (makeStem ("d", "Drums"));
    drums.rules.push_back (KeywordRule ("kick"));
    base.addStem (makeStem ("s", "Strings"));
    base.addSubmix ("All");
    const auto baseline = base.matchingFingerprint();

    struct Edit { const char* what; bool changes; std::function<void (StemSchema&)> apply; };

    const std::vector<Edit> edits {
        { "plural flag",        true,  [] (StemSchema& s) { s.matchPlurals = false; } },
        { "stem id",            true,  [] (StemSchema& s) { s.stems[0].id = "d2"; } },
        { "stem priority",      true,  [] (StemSchema& s) { s.stems[0].priority = 1; } },
        { "stem exclusions",    true,  [] (StemSchema& s) { s.stems[1].excludeKeywords.add ("synth"); } },
        { "stem order",         true,  [] (StemSchema& s) { s.moveStem ("s", 0); } },
        { "rule pattern",       true,  [] (StemSchema& s) { s.stems[0].rules[0].pattern = "Kick"; } },
        { "rule mode",          true,  [] (StemSchema& s) { s.stems[0].rules[0].mode = KeywordMode::fuzzy; } },
        { "rule priority",      true,  [] (StemSchema& s) { s.stems[0].rules[0].priority = 2; } },
        { "rule excludes",      true,  [] (StemSchema& s) { s.stems[0].rules[0].excludes.add ("sub"); } },
        { "rule added",         true,  [] (StemSchema& s) { s.stems[1].rules.push_back (KeywordRule ("violin")); } },
        { "rule moved stems",   true,  [] (StemSchema& s) { s.stems[1].rules = s.stems[0].rules; s.stems[0].rules.clear(); } },
        { "stem removed",       true,  [] (StemSchema& s) { s.removeStem ("s"); } },
        { "stem renamed",       false, [] (StemSchema& s) { s.stems[0].displayName = "Kit"; s.stems[0].fileNameToken = "KIT"; } },
        { "short code",         false, [] (StemSchema& s) { s.stems[0].shortCode = "DRM"; } },
        { "colour",             false, [] (StemSchema& s) { s.stems[0].colour = 0xff000000; } },
        { "required",           false, [] (StemSchema& s) { s.stems[0].required = true; } },
        { "empty policy",       false, [] (StemSchema& s) { s.stems[0].emptyPolicy = EmptyPolicy::exportSilence; } },
        { "naming template",    false, [] (StemSchema& s) { s.stems[0].namingTemplate = "{stemName}"; } },
        { "rule note",          false, [] (StemSchema& s) { s.stems[0].rules[0].note = "kit only"; } },
        { "index",              false, [] (StemSchema& s) { s.stems[0].index = 7; } },
        { "mix edited",         false, [] (StemSchema& s) { s.submixes[0].name = "Other"; s.setSubmixMember (s.submixes[0].id, "d", false); } },
        { "mix added",          false, [] (StemSchema& s) { s.addSubmix ("More"); } },
        { "schema texts",       false, [] (StemSchema& s) { s.name = "n"; s.publisher = "p"; s.description = "d"; } },
    };

    for (const auto& edit : edits)
    {
        auto schema = base;
        edit.apply (schema);
        EXPECT_EQ (schema.matchingFingerprint() != baseline, edit.changes) << edit.what;
    }
}

TEST (StemSchema, ValidateEmptySchemaGivesOneWarning)
{
    const auto result = validateSchema (StemSchema());
    EXPECT_TRUE (result.errors.isEmpty());
    EXPECT_EQ (result.warnings, juce::StringArray ({ "The schema contains no stems yet." }));
}

TEST (StemSchema, ValidateReportsEveryClashInOrder)
{
    StemSchema schema;

    auto brass = makeStem ("s1", "Brass");
    brass.shortCode = "BRS";
    schema.stems.push_back (brass);

    auto lowerBrass = makeStem ("s2", "brass");
    lowerBrass.shortCode = " brs";
    schema.stems.push_back (lowerBrass);

    schema.stems.push_back (makeStem ("  ", "  "));             // blank id and name, no token

    schema.stems.push_back (makeStem ("s1", "Str-ings"));        // duplicate id

    auto strings = makeStem ("s5", "Strings", "STR");
    strings.rules = { KeywordRule ("violin"), KeywordRule (""), KeywordRule ("   ") };
    schema.stems.push_back (strings);

    schema.renumberStems();

    Submix sameAsStem;
    sameAsStem.id = "m1";
    sameAsStem.name = "Brass";
    sameAsStem.stems = { "s1" };

    Submix duplicateName = sameAsStem;
    duplicateName.id = "m2";
    duplicateName.name = " brass ";

    Submix unnamed;
    unnamed.id = "m3";
    unnamed.name = "  ";

    Submix dangling;
    dangling.id = "m4";
    dangling.name = "Winds";
    dangling.stems = { "s2", "ghost", "s9" };

    schema.submixes = { sameAsStem, duplicateName, unnamed, dangling };

    const auto result = validateSchema (schema);

    EXPECT_EQ (result.errors, juce::StringArray ({
        "brass: duplicate short code ' brs'.",
        "brass: another stem produces the same file name token 'brass'.",
        "  : missing id.",
        "  : display name is empty.",
        "  : nothing to expand {stemName} to.",
        "Str-ings: duplicate id 's1'.",
        "Strings: a keyword rule has an empty pattern.",
        "Strings: a keyword rule has an empty pattern.",
        "Submix 'Brass': a stem already produces this file name.",
        "Submix ' brass ': another alternative mix has the same name.",
        "Submix ' brass ': a stem already produces this file name.",
        "An alternative mix has no name.",
        "Submix 'Winds': refers to a stem that is not in the schema.",
        "Submix 'Winds': refers to a stem that is not in the schema.",
    }));

    EXPECT_EQ (result.warnings, juce::StringArray ({
        "brass: another stem uses the same display name.",
        "Strings: another stem has the same name apart from spacing or punctuation. Both will be written, as two files.",
        "Submix '  ': no stems selected, it would be silent and is skipped.",
    }));
}

TEST (StemSchema, ValidateNamesNamelessStemsByIndexAndLimitsMixes)
{
    StemSchema schema;
    schema.addStem (makeStem ("a", "Choir"));
    schema.addStem (makeStem ("b", "Vocals"));
    schema.addStem (makeStem ("c", "Piano"));
    schema.addStem (makeStem ("d", ""));

    for (int i = 0; i < 11; ++i)
    {
        Submix mix;
        mix.id = "m" + juce::String (i);
        mix.name = "Mix " + juce::String (i);
        mix.stems = { "a" };
        schema.submixes.push_back (mix);
    }

    const auto result = validateSchema (schema);
    EXPECT_EQ (result.errors, juce::StringArray ({
        "stem #4: display name is empty.",
        "stem #4: nothing to expand {stemName} to.",
        "A schema may define at most 10 alternative mixes.",
    }));
    EXPECT_TRUE (result.warnings.isEmpty());
}

TEST (StemSchema, StemEqualityCoversEveryMember)
{
    Stem base ("Drums", "DRM", 0xff102030, false, 10, { KeywordRule ("kick") }, { "bass drum" });
    base.namingTemplate = "{stemName}";

    const std::vector<std::function<void (Stem&)>> edits {
        [] (Stem& s) { s.id << "x"; },
        [] (Stem& s) { s.index = 2; },
        [] (Stem& s) { s.displayName = "drums"; },
        [] (Stem& s) { s.shortCode = "DRS"; },
        [] (Stem& s) { s.fileNameToken = "Drums "; },
        [] (Stem& s) { s.colour = 0xff102031; },
        [] (Stem& s) { s.required = true; },
        [] (Stem& s) { s.priority = 11; },
        [] (Stem& s) { s.rules[0].note = "n"; },
        [] (Stem& s) { s.rules[0].excludes.add ("sub"); },
        [] (Stem& s) { s.rules.push_back (KeywordRule ("snare")); },
        [] (Stem& s) { s.excludeKeywords.set (0, "Bass drum"); },
        [] (Stem& s) { s.emptyPolicy = EmptyPolicy::skip; },
        [] (Stem& s) { s.namingTemplate = {}; },
    };

    EXPECT_TRUE (base == Stem (base));

    for (size_t i = 0; i < edits.size(); ++i)
    {
        auto changed = base;
        edits[i] (changed);
        EXPECT_FALSE (changed == base) << "edit " << i;
    }

    auto a = base, b = base;
    a.emptyPolicy = EmptyPolicy::failExport;
    b.emptyPolicy = EmptyPolicy::failExport;
    EXPECT_TRUE (a == b);
    b.emptyPolicy = EmptyPolicy::exportSilence;
    EXPECT_FALSE (a == b);
}
