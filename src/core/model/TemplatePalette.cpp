#include "core/model/TemplatePalette.h"

#include "core/model/DefaultSchema.h"

namespace korvid
{

namespace
{
    void addFromDefaultSchema (std::vector<StemTemplate>& palette)
    {
        for (const auto& stem : makeDefaultSchema().stems)
        {
            // A template has no priorities or notes, so repeated patterns collapse to one keyword.
            juce::StringArray keywords;

            for (const auto& rule : stem.rules)
                if (! keywords.contains (rule.pattern, false))
                    keywords.add (rule.pattern);

            palette.emplace_back ("Default schema", stem.displayName, stem.shortCode, stem.colour,
                                  std::move (keywords), stem.excludeKeywords);
        }
    }

    void addCombined (std::vector<StemTemplate>& palette)
    {
        const juce::String category ("Combined");

        palette.emplace_back (category, "Percussion", "PRC", 0xffe0a24a,
                              juce::StringArray { "perc", "percussion", "shaker", "tambourine", "triangle", "woodblock",
                                                  "claves", "cabasa", "guiro", "bongo", "conga", "djembe", "tabla",
                                                  "taiko", "timpani", "surdo", "frame drum", "bells", "bass drum" },
                              juce::StringArray());

        palette.emplace_back (category, "Keys and Synths", "KEY", 0xff8e7dd6,
                              juce::StringArray { "piano", "keys", "keyboard", "rhodes", "wurlitzer", "wurli", "organ",
                                                  "celesta", "harpsichord", "synth", "synths", "pad", "arp", "lead",
                                                  "moog", "juno", "prophet", "wavetable" },
                              juce::StringArray { "synth bass", "bass synth" });

        palette.emplace_back (category, "Orchestra", "ORC", 0xff8fbf6b,
                              juce::StringArray { "orchestra", "orch", "strings", "violin", "viola", "cello", "brass",
                                                  "horn", "trumpet", "trombone", "tuba", "woodwinds", "flute",
                                                  "clarinet", "oboe", "bassoon", "timpani", "harp" },
                              juce::StringArray());

        palette.emplace_back (category, "Brass and Winds", "BRW", 0xffd9b23c,
                              juce::StringArray { "brass", "horn", "horns", "trumpet", "trombone", "tuba", "flugelhorn",
                                                  "woodwinds", "flute", "piccolo", "clarinet", "oboe", "bassoon", "sax" },
                              juce::StringArray());

        palette.emplace_back (category, "Rhythm Section", "RHY", 0xffd4623f,
                              juce::StringArray { "drums", "kick", "snare", "hihat", "bass", "bassline", "rhythm", "groove" },
                              juce::StringArray());
    }

    void addSpecialised (std::vector<StemTemplate>& palette)
    {
        const juce::String category ("Specialised");

        palette.emplace_back (category, "Lead Vocal", "LVX", 0xffe0607a,
                              juce::StringArray { "lead vocal", "lead vox", "main vocal", "solo voice", "singer" },
                              juce::StringArray { "backing", "bvs", "choir" });

        palette.emplace_back (category, "Backing Vocals", "BVX", 0xffd46a9f,
                              juce::StringArray { "backing vocal", "backing vox", "bvs", "harmonies", "doubles",
                                                  "adlib", "ad lib" },
                              juce::StringArray());

        palette.emplace_back (category, "Ambience", "AMB", 0xff6f7f8c,
                              juce::StringArray { "ambience", "ambient", "atmos", "atmosphere", "room", "air", "bed",
                                                  "soundscape", "texture" },
                              juce::StringArray());

        palette.emplace_back (category, "Foley", "FOL", 0xff7fa3b5,
                              juce::StringArray { "foley", "footsteps", "cloth", "props", "handling", "movement" },
                              juce::StringArray());

        palette.emplace_back (category, "Risers and Transitions", "TRN", 0xff5fb59a,
                              juce::StringArray { "riser", "downer", "whoosh", "sweep", "transition", "uplifter",
                                                  "reverse", "swell" },
                              juce::StringArray());

        palette.emplace_back (category, "Impacts and Hits", "IMP", 0xffc77b33,
                              juce::StringArray { "impact", "hit", "boom", "slam", "braam", "stinger", "sub drop" },
                              juce::StringArray());

        palette.emplace_back (category, "Ethnic and World", "ETH", 0xffa8c64f,
                              juce::StringArray { "duduk", "oud", "sitar", "shakuhachi", "erhu", "kalimba", "hang",
                                                  "bouzouki", "ney", "dhol", "tabla", "koto" },
                              juce::StringArray());

        palette.emplace_back (category, "Solo Instrument", "SOL", 0xff5aa9c7,
                              juce::StringArray { "solo", "soloist", "feature", "lead instrument" },
                              juce::StringArray());

        palette.emplace_back (category, "Click and Reference", "REF", 0xff62686d,
                              juce::StringArray { "click", "metronome", "reference", "guide", "tempo" },
                              juce::StringArray());
    }
} // namespace

std::vector<StemTemplate> buildTemplatePalette()
{
    std::vector<StemTemplate> palette;
    palette.reserve (31);

    addFromDefaultSchema (palette);
    addCombined (palette);
    addSpecialised (palette);
    palette.emplace_back ("Blank", "New stem", "NEW", 0xff8a8f94, juce::StringArray(), juce::StringArray());

    return palette;
}

const std::vector<StemTemplate>& builtInTemplates()
{
    // A function-local static is initialised exactly once, even with concurrent first calls.
    static const std::vector<StemTemplate> palette = buildTemplatePalette();
    return palette;
}

juce::StringArray templateCategories()
{
    juce::StringArray categories;

    for (const auto& entry : builtInTemplates())
        if (! categories.contains (entry.category, false))
            categories.add (entry.category);

    return categories;
}

} // namespace korvid
