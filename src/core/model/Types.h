#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

// Every closed set of choices in the model. Documents store members by name
// (see toString/fromString); the integer values are only used in memory.

enum class Codec : int { wav, aiff, flac, mp3 };
enum class SampleFormat : int { pcm16, pcm24, float32 };
enum class PeakMode : int { samplePeak, truePeak };
enum class GainMode : int { alwaysReachTarget, attenuateOnly };
enum class Dither : int { none, tpdf, tpdfShaped, tpdfContinuous, tpdfShapedContinuous };
enum class EmptyPolicy : int { skip, exportSilence, failExport };
enum class KeywordMode : int { token, exact, phrase, fuzzy };
enum class CollisionPolicy : int { overwrite, incrementVersion, abort };
enum class Numbering : int { schemaIndex, consecutiveExported };
enum class FolderNameTarget : int { none, cue, project };
enum class GainScope : int { perTrack, sharedAcrossBatch };
enum class Confidence : int { confident, review, ambiguous, unassigned };
enum class AssignmentSource : int { none, automatic, manual, locked };
enum class PresetKind : int { publisher, project };

// Stored names. An unknown value asserts in debug builds and gives an empty string.
juce::String toString (Codec value);
juce::String toString (SampleFormat value);
juce::String toString (PeakMode value);
juce::String toString (GainMode value);
juce::String toString (Dither value);
juce::String toString (EmptyPolicy value);
juce::String toString (KeywordMode value);
juce::String toString (CollisionPolicy value);
juce::String toString (Numbering value);
juce::String toString (FolderNameTarget value);
juce::String toString (GainScope value);
juce::String toString (Confidence value);
juce::String toString (AssignmentSource value);

// Reads a stored name: trimmed, compared without regard to case. On no match
// gives false and leaves `out` untouched. Confidence is never read back.
bool fromString (const juce::String& text, Codec& out);
bool fromString (const juce::String& text, SampleFormat& out);
bool fromString (const juce::String& text, PeakMode& out);
bool fromString (const juce::String& text, GainMode& out);
bool fromString (const juce::String& text, Dither& out);
bool fromString (const juce::String& text, EmptyPolicy& out);
bool fromString (const juce::String& text, KeywordMode& out);
bool fromString (const juce::String& text, CollisionPolicy& out);
bool fromString (const juce::String& text, Numbering& out);
bool fromString (const juce::String& text, FolderNameTarget& out);
bool fromString (const juce::String& text, GainScope& out);
bool fromString (const juce::String& text, AssignmentSource& out);

// "publisher" / "project", compared without regard to case but not trimmed.
bool parsePresetKind (const juce::String& text, PresetKind& out);
// "project" for project, "publisher" for anything else.
juce::String presetKindName (PresetKind kind);

// Labels shown in tables, headers and reports.
juce::String confidenceLabel (Confidence value);      // "Confident", "Needs review", "Ambiguous", "Unassigned"
juce::String codecExtension (Codec codec);            // ".wav", ".aif", ".flac", ".mp3"
int bitsPerSample (SampleFormat format);              // 16, 24, or 0 for float32
juce::String formatBitDepth (int bits, bool isFloatingPoint);   // "24 bit", "32 bit float", "-"
juce::String formatChannelCount (int channels);       // "mono", "stereo", "5.1", "7.1", "3 ch", "-"
juce::String formatDuration (double seconds);         // "m:ss.t", "-" when negative or not finite
juce::String formatSampleRate (double hz);            // "48 kHz", "44.1 kHz", "-"

} // namespace korvid
