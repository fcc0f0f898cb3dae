#include "core/model/DefaultSchema.h"

namespace korvid
{

namespace
{
    struct RuleRow
    {
        const char* pattern;
        int priority = 0;
        const char* note = nullptr;
    };

    struct StemRow
    {
        const char* displayName;
        const char* shortCode;
        juce::uint32 colour;
        int priority;
        std::vector<const char*> excludeKeywords;
        std::vector<RuleRow> rules;
    };

    const char* const waterphoneSoundDesignNote = "Deliberately shared with Signature to demonstrate ambiguity reporting";
    const char* const waterphoneSignatureNote   = "Deliberately shared with Sound Design to demonstrate ambiguity reporting";

    // This is the vocabulary the keyword matcher works with: order, patterns and
    // priorities decide where a composer's files land, so edit with care.
    const std::vector<StemRow>& defaultStemRows()
    {
        static const std::vector<StemRow> rows {
            { "Percussion High", "PRCH", 0xffe0a24a, 10, {},
              { { "perc high" }, { "high perc" }, { "perchi" }, { "hi perc" }, { "shaker" }, { "tambourine" },
                { "tamb" }, { "triangle" }, { "woodblock" }, { "claves" }, { "cabasa" }, { "guiro" },
                { "castanets" }, { "bongo" }, { "bongos" }, { "conga" }, { "congas" }, { "djembe" },
                { "tabla" }, { "bells" }, { "bell tree" }, { "sleigh bells" } } },

            { "Percussion Low", "PRCL", 0xffc77b33, 10, {},
              { { "perc low" }, { "low perc" }, { "perclow" }, { "taiko" }, { "taikos" }, { "timpani" },
                { "timp" }, { "surdo" }, { "gran cassa" }, { "frame drum" }, { "dhol" },
                { "bass drum", 5, "Concert bass drum, not the kick of a drum kit" } } },

            { "Drums", "DRM", 0xffd4623f, 10, { "bass drum" },
              { { "drums" }, { "drum" }, { "drumkit" }, { "kit" }, { "kick" }, { "snare" }, { "hihat" },
                { "hat" }, { "hats" }, { "hi hat" }, { "tom" }, { "toms" }, { "ride" }, { "crash" },
                { "cymbal" }, { "cymbals" }, { "overhead" }, { "overheads" }, { "clap" }, { "claps" },
                { "rimshot" }, { "beat" } } },

            { "Brass", "BRS", 0xffd9b23c, 10, { "english horn", "cor anglais" },
              { { "brass" }, { "horn" }, { "horns" }, { "french horn" }, { "trumpet" }, { "trumpets" },
                { "tpt" }, { "trombone" }, { "trombones" }, { "tbn" }, { "tuba" }, { "cimbasso" },
                { "flugelhorn" }, { "euphonium" }, { "cornet" }, { "low brass" }, { "high brass" } } },

            { "Strings", "STR", 0xff8fbf6b, 10, {},
              { { "strings" }, { "string" }, { "violin" }, { "violins" }, { "vln" }, { "viola" },
                { "violas" }, { "vla" }, { "cello" }, { "celli" }, { "cellos" }, { "contrabass" },
                { "double bass" }, { "basses" }, { "spiccato" }, { "spicc" }, { "pizzicato" }, { "pizz" },
                { "arco" }, { "tremolo" }, { "legato strings" },
                { "harp", 0, "Some publishers want harp in its own stem" } } },

            { "Woodwinds", "WWD", 0xff5fb59a, 10, {},
              { { "woodwinds" }, { "woodwind" }, { "ww" }, { "flute" }, { "flutes" }, { "piccolo" },
                { "alto flute" }, { "bass flute" }, { "clarinet" }, { "clarinets" }, { "bass clarinet" },
                { "oboe" }, { "oboes" }, { "english horn" }, { "cor anglais" }, { "bassoon" },
                { "bassoons" }, { "contrabassoon" }, { "sax" }, { "saxophone" }, { "recorder" },
                { "whistle" }, { "ocarina" }, { "duduk" }, { "shakuhachi" }, { "pan flute" } } },

            { "Piano", "PNO", 0xff5aa9c7, 10, {},
              { { "piano" }, { "pno" }, { "grand piano" }, { "upright piano" }, { "felt piano" },
                { "prepared piano" }, { "epiano" }, { "e piano" }, { "rhodes" }, { "wurlitzer" },
                { "wurli" }, { "celesta" }, { "harpsichord" }, { "clavinet" }, { "keys" }, { "keyboard" } } },

            { "Guitars", "GTR", 0xff6e8fd1, 10, { "bass guitar", "bass gtr" },
              { { "guitar" }, { "guitars" }, { "gtr" }, { "acoustic guitar" }, { "electric guitar" },
                { "nylon" }, { "steel string" }, { "banjo" }, { "mandolin" }, { "ukulele" }, { "uke" },
                { "dobro" }, { "lap steel" }, { "bouzouki" }, { "oud" }, { "sitar" } } },

            { "Synthesizers", "SYN", 0xff8e7dd6, 10, { "bass synth", "synth bass" },
              { { "synth" }, { "synths" }, { "synthesizer" }, { "synthesiser" }, { "saw" },
                { "square wave" }, { "lead" }, { "poly" }, { "moog" }, { "prophet" }, { "juno" },
                { "wavetable" }, { "analog" }, { "analogue" }, { "fm" } } },

            { "Bass", "BAS", 0xffb56acb, 20,
              { "bass drum", "double bass", "bass flute", "bass clarinet", "bass trombone", "brass" },
              { { "bass" }, { "bassline" }, { "sub" }, { "sub bass" }, { "808" }, { "bass guitar", 10 },
                { "bass gtr", 10 }, { "electric bass", 10 }, { "upright bass", 10 }, { "synth bass", 10 },
                { "bass synth", 10 }, { "low end" } } },

            { "Choir", "CHR", 0xffd46a9f, 15, {},
              { { "choir" }, { "choral" }, { "satb" }, { "epic choir" }, { "boys choir" }, { "kids choir" },
                { "sopranos" }, { "altos" }, { "tenors" }, { "aahs" }, { "oohs" }, { "latin choir" } } },

            { "Vocals", "VOX", 0xffe0607a, 15, { "choir", "choral" },
              { { "vocal" }, { "vocals" }, { "vox" }, { "voice" }, { "lead vocal", 10 },
                { "backing vocal", 10 }, { "bvs" }, { "adlib" }, { "ad lib" }, { "singer" },
                { "solo voice" }, { "whisper" }, { "spoken" }, { "narration" } } },

            { "Sound Design", "SFX", 0xff7fa3b5, 10, {},
              { { "sound design" }, { "sounddesign" }, { "sfx" }, { "fx" }, { "design" }, { "boom" },
                { "hit" }, { "impact" }, { "riser" }, { "whoosh" }, { "downer" }, { "sweep" },
                { "braam" }, { "stinger" }, { "transition" }, { "reverse" }, { "slam" }, { "sub drop" },
                { "doppler" }, { "foley" }, { "waterphone", 0, waterphoneSoundDesignNote } } },

            { "Signature", "SIG", 0xffa8c64f, 10, {},
              { { "signature" }, { "sig" }, { "motif" }, { "theme" }, { "main theme" }, { "hook" },
                { "logo" }, { "ident" }, { "waterphone", 0, waterphoneSignatureNote } } },

            { "Drones", "DRN", 0xff6f7f8c, 10, {},
              { { "drone" }, { "drones" }, { "pad" }, { "pads" }, { "texture" }, { "textures" },
                { "bed" }, { "soundbed" }, { "atmos" }, { "atmosphere" }, { "ambient" }, { "ambience" },
                { "sustain" }, { "tonal bed" } } },

            { "Pulses", "PLS", 0xff4fbfa8, 10, {},
              { { "pulse" }, { "pulses" }, { "pulsing" }, { "ostinato" }, { "arp" }, { "arpeggio" },
                { "arps" }, { "seq" }, { "sequence" }, { "rhythmic" }, { "gated" }, { "stutter" },
                { "throb" } } },
        };

        return rows;
    }

    Stem makeStem (const StemRow& row)
    {
        std::vector<KeywordRule> rules;
        rules.reserve (row.rules.size());

        for (const auto& rule : row.rules)
        {
            if (rule.note != nullptr)
                rules.emplace_back (rule.pattern, rule.priority, juce::String (rule.note));
            else
                rules.emplace_back (rule.pattern, rule.priority);
        }

        juce::StringArray excludes;

        for (auto* word : row.excludeKeywords)
            excludes.add (word);

        return Stem (row.displayName, row.shortCode, row.colour, false, row.priority,
                     std::move (rules), std::move (excludes));
    }
} // namespace

StemSchema makeDefaultSchema()
{
    StemSchema schema;
    schema.matchPlurals = true;
    schema.publisher = "Velvane";
    schema.name = "Velvane Default (16 stems)";
    schema.description = "General purpose orchestral / hybrid stem layout. The full mix is produced separately "
                         "by summing every stem, so it is deliberately not part of this list.";

    for (const auto& row : defaultStemRows())
        schema.addStem (makeStem (row));

    return schema;
}

} // namespace korvid
