#include "core/model/Types.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace korvid;

namespace
{
    // Checks every member in value order: its stored name, and that the name
    // reads back to the same member in any letter case and with blanks around it.
    template <typename Enum>
    void expectNamesRoundTrip (const std::vector<const char*>& names)
    {
        for (int i = 0; i < (int) names.size(); ++i)
        {
            const auto value = static_cast<Enum> (i);
            SCOPED_TRACE (names[(size_t) i]);
            EXPECT_EQ (toString (value), juce::String (names[(size_t) i]));

            for (const auto& spelling : { juce::String (names[(size_t) i]),
                                          " \t" + juce::String (names[(size_t) i]).toUpperCase() + "  ",
                                          juce::String (names[(size_t) i]).toLowerCase() })
            {
                // Start from another member so a silent no-op would show.
                auto parsed = static_cast<Enum> ((i + 1) % (int) names.size());
                EXPECT_TRUE (fromString (spelling, parsed)) << spelling;
                EXPECT_EQ (parsed, value) << spelling;
            }
        }
    }

    template <typename Enum>
    void expectRefused (const juce::String& text, Enum start)
    {
        auto value = start;
        EXPECT_FALSE (fromString (text, value)) << text;
        EXPECT_EQ (value, start) << text;
    }
}

TEST (Types, StoredNamesFollowTheMemberOrderAndReadBack)
{
    expectNamesRoundTrip<Codec> ({ "wav", "aiff", "flac", "mp3" });
    expectNamesRoundTrip<SampleFormat> ({ "pcm16", "pcm24", "float32" });
    expectNamesRoundTrip<PeakMode> ({ "samplePeak", "truePeak" });
    expectNamesRoundTrip<GainMode> ({ "alwaysReachTarget", "attenuateOnly" });
    expectNamesRoundTrip<Dither> ({ "none", "tpdf", "tpdfShaped", "tpdfContinuous", "tpdfShapedContinuous" });
    expectNamesRoundTrip<EmptyPolicy> ({ "skip", "exportSilence", "failExport" });
    expectNamesRoundTrip<KeywordMode> ({ "token", "exact", "phrase", "fuzzy" });
    expectNamesRoundTrip<CollisionPolicy> ({ "overwrite", "incrementVersion", "abort" });
    expectNamesRoundTrip<Numbering> ({ "schemaIndex", "consecutiveExported" });
    expectNamesRoundTrip<FolderNameTarget> ({ "none", "cue", "project" });
    expectNamesRoundTrip<GainScope> ({ "perTrack", "sharedAcrossBatch" });
    expectNamesRoundTrip<AssignmentSource> ({ "none", "automatic", "manual", "locked" });

    // Confidence is written (for reports) but never read back.
    const std::vector<const char*> confidenceNames { "confident", "review", "ambiguous", "unassigned" };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ (toString (static_cast<Confidence> (i)), juce::String (confidenceNames[(size_t) i]));
}

TEST (Types, UnknownOrBlankNamesAreRefusedAndLeaveTheValueAlone)
{
    expectRefused ("", PeakMode::samplePeak);
    expectRefused ("   ", Codec::flac);
    expectRefused ("true peak", PeakMode::samplePeak);
    expectRefused ("aif", Codec::mp3);
    expectRefused ("tpdf shaped", Dither::none);
    expectRefused ("skipped", EmptyPolicy::failExport);
    expectRefused ("0", KeywordMode::fuzzy);
}

TEST (Types, PresetKindIsCaseBlindButNotTrimmed)
{
    struct Case { const char* text; bool accepted; PresetKind expected; };

    const Case cases[] {
        { "publisher", true,  PresetKind::publisher },
        { "PROJECT",   true,  PresetKind::project },
        { "Project",   true,  PresetKind::project },
        { " project",  false, PresetKind::publisher },
        { "project ",  false, PresetKind::publisher },
        { "",          false, PresetKind::publisher },
        { "projects",  false, PresetKind::publisher },
    };

    for (const auto& c : cases)
    {
        auto kind = PresetKind::publisher;
        EXPECT_EQ (parsePresetKind (c.text, kind), c.accepted) << c.text;
        EXPECT_EQ (kind, c.expected) << c.text;
    }

    auto kind = PresetKind::project;
    EXPECT_FALSE (parsePresetKind (" publisher", kind));
    EXPECT_EQ (kind, PresetKind::project);

    EXPECT_EQ (presetKindName (PresetKind::project), "project");
    EXPECT_EQ (presetKindName (PresetKind::publisher), "publisher");
    EXPECT_EQ (presetKindName (static_cast<PresetKind> (7)), "publisher");
}

TEST (Types, EnumerationLabels)
{
    EXPECT_EQ (confidenceLabel (Confidence::confident), "Confident");
    EXPECT_EQ (confidenceLabel (Confidence::review), "Needs review");
    EXPECT_EQ (confidenceLabel (Confidence::ambiguous), "Ambiguous");
    EXPECT_EQ (confidenceLabel (Confidence::unassigned), "Unassigned");
    EXPECT_EQ (confidenceLabel (static_cast<Confidence> (9)), "");

    EXPECT_EQ (codecExtension (Codec::wav), ".wav");
    EXPECT_EQ (codecExtension (Codec::aiff), ".aif");
    EXPECT_EQ (codecExtension (Codec::flac), ".flac");
    EXPECT_EQ (codecExtension (Codec::mp3), ".mp3");
    EXPECT_EQ (codecExtension (static_cast<Codec> (-1)), "");

    EXPECT_EQ (bitsPerSample (SampleFormat::pcm16), 16);
    EXPECT_EQ (bitsPerSample (SampleFormat::pcm24), 24);
    EXPECT_EQ (bitsPerSample (SampleFormat::float32), 0);
    EXPECT_EQ (bitsPerSample (static_cast<SampleFormat> (5)), 0);
}

TEST (Types, FormatDuration)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    const std::vector<std::pair<double, const char*>> cases {
        { 0.0, "0:00.0" },
        { -0.0, "0:00.0" },
        { 0.04, "0:00.0" },
        { 9.95, "0:10.0" },     // a half tenth rounds up
        { 59.94, "0:59.9" },
        { 59.96, "1:00.0" },    // rounding must carry into the minutes, never "0:60.0"
        { 65.4, "1:05.4" },
        { 599.99, "10:00.0" },
        { 3725.0, "62:05.0" },  // minutes never turn into hours
        { 86400.0, "1440:00.0" },
        { -0.1, "-" },
        { -60.0, "-" },
        { nan, "-" },
        { inf, "-" },
        { -inf, "-" },
    };

    for (const auto& [seconds, expected] : cases)
        EXPECT_EQ (formatDuration (seconds), juce::String (expected)) << seconds;

    // Absurd lengths still give a well-formed text rather than overflowing.
    EXPECT_TRUE (formatDuration (1.0e20).endsWith (":00.0"));
}

TEST (Types, FormatSampleRate)
{
    const std::vector<std::pair<double, const char*>> cases {
        { 48000.0, "48 kHz" },
        { 44100.0, "44.1 kHz" },
        { 192000.0, "192 kHz" },
        { 88200.0, "88.2 kHz" },
        { 32000.0, "32 kHz" },
        { 22050.0, "22 kHz" },   // 220.5 tenths round to even
        { 11025.0, "11 kHz" },
        { 8000.0, "8 kHz" },
        { 0.0, "-" },
        { -1.0, "-" },
        { std::numeric_limits<double>::quiet_NaN(), "-" },
        { std::numeric_limits<double>::infinity(), "-" },
    };

    for (const auto& [hz, expected] : cases)
        EXPECT_EQ (formatSampleRate (hz), juce::String (expected)) << hz;
}

TEST (Types, FormatChannelCountAndBitDepth)
{
    const std::vector<std::pair<int, const char*>> channels {
        { 0, "-" }, { 1, "mono" }, { 2, "stereo" }, { 3, "3 ch" }, { 4, "4 ch" },
        { 6, "5.1" }, { 7, "7 ch" }, { 8, "7.1" }, { 64, "64 ch" }, { -2, "-2 ch" },
    };

    for (const auto& [count, expected] : channels)
        EXPECT_EQ (formatChannelCount (count), juce::String (expected)) << count;

    struct Depth { int bits; bool isFloat; const char* expected; };
    const Depth depths[] {
        { 0, false, "-" }, { 0, true, "-" }, { -8, true, "-" },
        { 16, false, "16 bit" }, { 24, false, "24 bit" }, { 32, true, "32 bit float" }, { 64, true, "64 bit float" },
    };

    for (const auto& d : depths)
        EXPECT_EQ (formatBitDepth (d.bits, d.isFloat), juce::String (d.expected)) << d.bits;
}
