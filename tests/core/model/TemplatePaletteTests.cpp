#include "core/model/TemplatePalette.h"
#include "core/model/DefaultSchema.h"

#include <gtest/gtest.h>

using namespace korvid;

namespace
{
    struct ExpectedTemplate
    {
        const char* name;
        const char* code;
        juce::uint32 colour;
        const char* keywords;     // in order, joined with '|'
        const char* exclusions;
    };

    // The templates that follow the sixteen taken from the default schema.
    const std::vector<ExpectedTemplate> expectedOwnTemplates {
        { "Percussion", "PRC", 0xffe0a24a,
          "perc|percussion|shaker|tambourine|triangle|woodblock|claves|cabasa|guiro|bongo|conga|djembe|tabla|taiko|timpani|surdo|frame drum|bells|bass drum",
          "" },
        { "Keys and Synths", "KEY", 0xff8e7dd6,
          "piano|keys|keyboard|rhodes|wurlitzer|wurli|organ|celesta|harpsichord|synth|synths|pad|arp|lead|moog|juno|prophet|wavetable",
          "synth bass|bass synth" },
        { "Orchestra", "ORC", 0xff8fbf6b,
          "orchestra|orch|strings|violin|viola|cello|brass|horn|trumpet|trombone|tuba|woodwinds|flute|clarinet|oboe|bassoon|timpani|harp",
          "" },
        { "Brass and Winds", "BRW", 0xffd9b23c,
          "brass|horn|horns|trumpet|trombone|tuba|flugelhorn|woodwinds|flute|piccolo|clarinet|oboe|bassoon|sax",
          "" },
        { "Rhythm Section", "RHY", 0xffd4623f,
          "drums|kick|snare|hihat|bass|bassline|rhythm|groove",
          "" },
        { "Lead Vocal", "LVX", 0xffe0607a,
          "lead vocal|lead vox|main vocal|solo voice|singer",
          "backing|bvs|choir" },
        { "Backing Vocals", "BVX", 0xffd46a9f,
          "backing vocal|backing vox|bvs|harmonies|doubles|adlib|ad lib",
          "" },
        { "Ambience", "AMB", 0xff6f7f8c,
          "ambience|ambient|atmos|atmosphere|room|air|bed|soundscape|texture",
          "" },
        { "Foley", "FOL", 0xff7fa3b5,
          "foley|footsteps|cloth|props|handling|movement",
          "" },
        { "Risers and Transitions", "TRN", 0xff5fb59a,
          "riser|downer|whoosh|sweep|transition|uplifter|reverse|swell",
          "" },
        { "Impacts and Hits", "IMP", 0xffc77b33,
          "impact|hit|boom|slam|braam|stinger|sub drop",
          "" },
        { "Ethnic and World", "ETH", 0xffa8c64f,
          "duduk|oud|sitar|shakuhachi|erhu|kalimba|hang|bouzouki|ney|dhol|tabla|koto",
          "" },
        { "Solo Instrument", "SOL", 0xff5aa9c7,
          "solo|soloist|feature|lead instrument",
          "" },
        { "Click and Reference", "REF", 0xff62686d,
          "click|metronome|reference|guide|tempo",
          "" },
        { "New stem", "NEW", 0xff8a8f94, "", "" },
    };
} // namespace

TEST (TemplatePalette, ThirtyOneTemplatesInFourCategoriesInOrder)
{
    const auto& palette = builtInTemplates();
    ASSERT_EQ (palette.size(), 31u);
    EXPECT_EQ (&palette, &builtInTemplates());

    EXPECT_EQ (templateCategories(), juce::StringArray ({ "Default schema", "Combined", "Specialised", "Blank" }));

    ASSERT_EQ (expectedOwnTemplates.size(), 15u);

    for (size_t i = 0; i < palette.size(); ++i)
    {
        const auto& entry = palette[i];
        SCOPED_TRACE (entry.displayName);
        EXPECT_EQ (entry.category, i < 16 ? "Default schema" : i < 21 ? "Combined" : i < 30 ? "Specialised" : "Blank");

        if (i < 16)
            continue;

        const auto& want = expectedOwnTemplates[i - 16];
        EXPECT_EQ (entry.displayName, want.name);
        EXPECT_EQ (entry.shortCode, want.code);
        EXPECT_EQ (entry.colourARGB, want.colour);
        EXPECT_EQ (entry.keywords.joinIntoString ("|"), want.keywords);
        EXPECT_EQ (entry.excludeKeywords.joinIntoString ("|"), want.exclusions);
    }
}

TEST (TemplatePalette, DefaultSchemaTemplatesMirrorTheStems)
{
    const auto& palette = builtInTemplates();
    const auto schema = makeDefaultSchema();
    ASSERT_GE (palette.size(), schema.stems.size());

    for (size_t i = 0; i < schema.stems.size(); ++i)
    {
        const auto& stem = schema.stems[i];
        const auto& entry = palette[i];
        SCOPED_TRACE (stem.displayName);

        EXPECT_EQ (entry.displayName, stem.displayName);
        EXPECT_EQ (entry.shortCode, stem.shortCode);
        EXPECT_EQ (entry.colourARGB, stem.colour);
        EXPECT_EQ (entry.excludeKeywords, stem.excludeKeywords);

        juce::StringArray patterns;
        for (const auto& rule : stem.rules)
            patterns.addIfNotAlreadyThere (rule.pattern);
        EXPECT_EQ (entry.keywords, patterns);
    }

    // Percussion Low keeps all 12 patterns, "bass drum" last, without its priority or note.
    EXPECT_EQ (palette[1].keywords.size(), 12);
    EXPECT_EQ (palette[1].keywords[11], "bass drum");
}
