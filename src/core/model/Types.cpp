#include "core/model/Types.h"

#include <cmath>
#include <cstdio>

namespace korvid
{

namespace
{
    template <typename Enum>
    struct NameRow
    {
        Enum value;
        const char* name;
    };

    constexpr NameRow<Codec> codecNames[] { { Codec::wav, "wav" }, { Codec::aiff, "aiff" },
                                            { Codec::flac, "flac" }, { Codec::mp3, "mp3" } };

    constexpr NameRow<SampleFormat> sampleFormatNames[] { { SampleFormat::pcm16, "pcm16" },
                                                          { SampleFormat::pcm24, "pcm24" },
                                                          { SampleFormat::float32, "float32" } };

    constexpr NameRow<PeakMode> peakModeNames[] { { PeakMode::samplePeak, "samplePeak" },
                                                  { PeakMode::truePeak, "truePeak" } };

    constexpr NameRow<GainMode> gainModeNames[] { { GainMode::alwaysReachTarget, "alwaysReachTarget" },
                                                  { GainMode::attenuateOnly, "attenuateOnly" } };

    constexpr NameRow<Dither> ditherNames[] { { Dither::none, "none" },
                                              { Dither::tpdf, "tpdf" },
                                              { Dither::tpdfShaped, "tpdfShaped" },
                                              { Dither::tpdfContinuous, "tpdfContinuous" },
                                              { Dither::tpdfShapedContinuous, "tpdfShapedContinuous" } };

    constexpr NameRow<EmptyPolicy> emptyPolicyNames[] { { EmptyPolicy::skip, "skip" },
                                                        { EmptyPolicy::exportSilence, "exportSilence" },
                                                        { EmptyPolicy::failExport, "failExport" } };

    constexpr NameRow<KeywordMode> keywordModeNames[] { { KeywordMode::token, "token" },
                                                        { KeywordMode::exact, "exact" },
                                                        { KeywordMode::phrase, "phrase" },
                                                        { KeywordMode::fuzzy, "fuzzy" } };

    constexpr NameRow<CollisionPolicy> collisionPolicyNames[] { { CollisionPolicy::overwrite, "overwrite" },
                                                                { CollisionPolicy::incrementVersion, "incrementVersion" },
                                                                { CollisionPolicy::abort, "abort" } };

    constexpr NameRow<Numbering> numberingNames[] { { Numbering::schemaIndex, "schemaIndex" },
                                                    { Numbering::consecutiveExported, "consecutiveExported" } };

    constexpr NameRow<FolderNameTarget> folderNameTargetNames[] { { FolderNameTarget::none, "none" },
                                                                  { FolderNameTarget::cue, "cue" },
                                                                  { FolderNameTarget::project, "project" } };

    constexpr NameRow<GainScope> gainScopeNames[] { { GainScope::perTrack, "perTrack" },
                                                    { GainScope::sharedAcrossBatch, "sharedAcrossBatch" } };

    constexpr NameRow<Confidence> confidenceNames[] { { Confidence::confident, "confident" },
                                                      { Confidence::review, "review" },
                                                      { Confidence::ambiguous, "ambiguous" },
                                                      { Confidence::unassigned, "unassigned" } };

    constexpr NameRow<AssignmentSource> assignmentSourceNames[] { { AssignmentSource::none, "none" },
                                                                  { AssignmentSource::automatic, "automatic" },
                                                                  { AssignmentSource::manual, "manual" },
                                                                  { AssignmentSource::locked, "locked" } };

    template <typename Enum, size_t N>
    juce::String nameOf (const NameRow<Enum> (&rows)[N], Enum value)
    {
        for (const auto& row : rows)
            if (row.value == value)
                return row.name;

        jassertfalse; // a value outside the enumeration
        return {};
    }

    template <typename Enum, size_t N>
    bool parseName (const NameRow<Enum> (&rows)[N], const juce::String& text, Enum& out)
    {
        const auto trimmed = text.trim();

        for (const auto& row : rows)
        {
            if (trimmed.equalsIgnoreCase (row.name))
            {
                out = row.value;
                return true;
            }
        }

        return false;
    }
}

juce::String toString (Codec value)              { return nameOf (codecNames, value); }
juce::String toString (SampleFormat value)       { return nameOf (sampleFormatNames, value); }
juce::String toString (PeakMode value)           { return nameOf (peakModeNames, value); }
juce::String toString (GainMode value)           { return nameOf (gainModeNames, value); }
juce::String toString (Dither value)             { return nameOf (ditherNames, value); }
juce::String toString (EmptyPolicy value)        { return nameOf (emptyPolicyNames, value); }
juce::String toString (KeywordMode value)        { return nameOf (keywordModeNames, value); }
juce::String toString (CollisionPolicy value)    { return nameOf (collisionPolicyNames, value); }
juce::String toString (Numbering value)          { return nameOf (numberingNames, value); }
juce::String toString (FolderNameTarget value)   { return nameOf (folderNameTargetNames, value); }
juce::String toString (GainScope value)          { return nameOf (gainScopeNames, value); }
juce::String toString (Confidence value)         { return nameOf (confidenceNames, value); }
juce::String toString (AssignmentSource value)   { return nameOf (assignmentSourceNames, value); }

bool fromString (const juce::String& text, Codec& out)              { return parseName (codecNames, text, out); }
bool fromString (const juce::String& text, SampleFormat& out)       { return parseName (sampleFormatNames, text, out); }
bool fromString (const juce::String& text, PeakMode& out)           { return parseName (peakModeNames, text, out); }
bool fromString (const juce::String& text, GainMode& out)           { return parseName (gainModeNames, text, out); }
bool fromString (const juce::String& text, Dither& out)             { return parseName (ditherNames, text, out); }
bool fromString (const juce::String& text, EmptyPolicy& out)        { return parseName (emptyPolicyNames, text, out); }
bool fromString (const juce::String& text, KeywordMode& out)        { return parseName (keywordModeNames, text, out); }
bool fromString (const juce::String& text, CollisionPolicy& out)    { return parseName (collisionPolicyNames, text, out); }
bool fromString (const juce::String& text, Numbering& out)          { return parseName (numberingNames, text, out); }
bool fromString (const juce::String& text, FolderNameTarget& out)   { return parseName (folderNameTargetNames, text, out); }
bool fromString (const juce::String& text, GainScope& out)          { return parseName (gainScopeNames, text, out); }
bool fromString (const juce::String& text, AssignmentSource& out)   { return parseName (assignmentSourceNames, text, out); }

bool parsePresetKind (const juce::String& text, PresetKind& out)
{
    if (text.equalsIgnoreCase ("publisher")) { out = PresetKind::publisher; return true; }
    if (text.equalsIgnoreCase ("project"))   { out = PresetKind::project;   return true; }
    return false;
}

juce::String presetKindName (PresetKind kind)
{
    return kind == PresetKind::project ? "project" : "publisher";
}

juce::String confidenceLabel (Confidence value)
{
    switch (value)
    {
        case Confidence::confident:  return "Confident";
        case Confidence::review:     return "Needs review";
        case Confidence::ambiguous:  return "Ambiguous";
        case Confidence::unassigned: return "Unassigned";
    }

    return {};
}

juce::String codecExtension (Codec codec)
{
    switch (codec)
    {
        case Codec::wav:  return ".wav";
        case Codec::aiff: return ".aif";
        case Codec::flac: return ".flac";
        case Codec::mp3:  return ".mp3";
    }

    return {};
}

int bitsPerSample (SampleFormat format)
{
    switch (format)
    {
        case SampleFormat::pcm16:   return 16;
        case SampleFormat::pcm24:   return 24;
        case SampleFormat::float32: return 0;
    }

    return 0;
}

juce::String formatBitDepth (int bits, bool isFloatingPoint)
{
    if (bits <= 0)
        return "-";

    return juce::String (bits) + " bit" + (isFloatingPoint ? " float" : "");
}

juce::String formatChannelCount (int channels)
{
    switch (channels)
    {
        case 0: return "-";
        case 1: return "mono";
        case 2: return "stereo";
        case 6: return "5.1";
        case 8: return "7.1";
        default: break;
    }

    return juce::String (channels) + " ch";
}

juce::String formatDuration (double seconds)
{
    if (! std::isfinite (seconds) || seconds < 0.0)
        return "-";

    // Round the whole value to tenths before splitting, so 59.96 s reads 1:00.0
    // rather than 0:60.0. Doubles keep this exact far beyond any real length.
    const double tenths = std::round (seconds * 10.0) + 0.0;   // + 0.0 turns -0 into 0
    const double minutes = std::floor (tenths / 600.0);
    const auto remainderTenths = (int) juce::jlimit (0.0, 599.0, tenths - minutes * 600.0);

    char minutesText[400];
    std::snprintf (minutesText, sizeof (minutesText), "%.0f", minutes);

    const int wholeSeconds = remainderTenths / 10;
    return juce::String (minutesText) + ":"
         + (wholeSeconds < 10 ? "0" : "") + juce::String (wholeSeconds)
         + "." + juce::String (remainderTenths % 10);
}

juce::String formatSampleRate (double hz)
{
    if (! std::isfinite (hz) || hz <= 0.0)
        return "-";

    const double k = hz / 1000.0;
    const double n = std::nearbyint (k * 10.0);   // default rounding mode: ties to even
    const double whole = std::floor (n / 10.0);
    const auto tenth = (int) juce::jlimit (0.0, 9.0, n - whole * 10.0);

    // Digits built by hand so no locale can change the decimal point.
    char wholeText[400];
    std::snprintf (wholeText, sizeof (wholeText), "%.0f", whole);

    const juce::String number = tenth != 0 ? juce::String (wholeText) + "." + juce::String (tenth)
                                           : juce::String (wholeText);
    return juce::String (number) + " kHz";
}

} // namespace korvid
