#pragma once

#include "core/model/Preset.h"
#include "core/model/Types.h"

#include <vector>

namespace korvid
{

// The values a naming template such as "{project}_{cue}_{stemIndex}_{stemName}"
// is expanded with.
struct NamingValues
{
    juce::String publisher;            // {publisher}
    juce::String project;              // {project} and {pubcode}
    juce::String cue;                  // {cue}
    juce::String composer;             // {composer}
    juce::String version { "v1" };     // {version}
    juce::String stemName;             // {stemName}
    juce::String stemCode;             // {stemCode}
    int stemIndex = 1;                 // {stemIndex}
    int indexPadding = 2;              // width of {stemIndex}, clamped to 1..6
    double sampleRate = 48000.0;       // {sampleRate}, Hz
    Codec codec = Codec::wav;          // {format}, {bitDepth} and the extension
    SampleFormat sampleFormat = SampleFormat::pcm24;   // {bitDepth}
    int mp3Bitrate = 320;              // {bitDepth} for MP3, kbit/s
};

// One chip of the template editor: a token with its braces, or a literal word.
struct NamingPiece
{
    bool isToken = false;
    juce::String text;
};

// The 11 tokens offered to the user, in the order they are offered.
juce::StringArray namingTokens();

// "_- .": the characters that separate words in names.
const juce::String& namingSeparatorChars();

// Replaces every known token; unknown ones are dropped and, when a list is
// given, added to it once each.
juce::String expandNamingTemplate (const juce::String& templateText,
                                   const NamingValues& values,
                                   juce::StringArray* unknownTokens = nullptr);

// Drops separators at both ends and turns each inner run of separator characters
// that holds the separator into the separator itself.
juce::String collapseSeparatorRuns (const juce::String& text, const juce::String& separator);

// Any text made into a safe file or folder name: illegal and control characters
// become the replacement, direction controls are dropped, dots and blanks at the ends go, the length is cut
// (maxLength <= 0 for no limit), reserved device names get "_" appended. A name
// with nothing usable left becomes the fallback, unchanged.
juce::String sanitiseFileName (const juce::String& name,
                               const juce::String& replacement,
                               const juce::String& fallback,
                               int maxLength);

// The delivered file's name with its extension; reads the settings' separator
// and replacement.
juce::String makeOutputFileName (const juce::String& templateText,
                                 const NamingValues& values,
                                 const NamingSettings& naming,
                                 juce::StringArray* unknownTokens = nullptr);

// Makes sure the file does not replace anything it must not. The overwrite policy
// replaces files of earlier runs; a path written in this run (writtenPaths,
// compared ignoring case) is taken under every policy. incrementVersion moves the
// file to a free name; on failure the error holds one sentence. Paths of this run
// still being written (also in writtenPaths) count as existing files, as they will.
bool findFreeFileName (juce::File& file,
                       CollisionPolicy policy,
                       const juce::StringArray& writtenPaths,
                       juce::String& error,
                       const juce::StringArray* stillBeingWritten = nullptr);

// The folder a relative path ("X", "X/Y") names below the base. False for an
// absolute path, "..", or anything that would leave the base.
bool resolveSubFolder (const juce::File& base, const juce::String& relativePath, juce::File& result);

// The pieces the template editor shows. separatorOut, when given, receives the
// first separator met (an empty text when none was met between two or more
// pieces) and is left alone otherwise.
std::vector<NamingPiece> splitNamingTemplate (const juce::String& templateText,
                                              juce::String* separatorOut,
                                              const juce::String& separator);

// The non-empty piece texts joined with the separator.
juce::String joinNamingPieces (const std::vector<NamingPiece>& pieces, const juce::String& separator);

} // namespace korvid
