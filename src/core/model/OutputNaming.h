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

// The file a rename in place gives: the new name trimmed and made safe ("-" for what a file
// name cannot hold, at most 120 characters) with the file's own extension, in its own folder.
// An empty File when nothing usable is left of the name.
juce::File fileRenamedInPlace (const juce::File& file, const juce::String& newName);

// The delivered file's name with its extension; reads the settings' separator
// and replacement.
juce::String makeOutputFileName (const juce::String& templateText,
                                 const NamingValues& values,
                                 const NamingSettings& naming,
                                 juce::StringArray* unknownTokens = nullptr);

// What one delivered file is named after: the stem or mix it holds and its number.
struct OutputNameSource
{
    juce::String namingTemplate;
    juce::String fileNameToken;        // {stemName}
    juce::String shortCode;            // {stemCode}
    int fileIndex = 1;                 // {stemIndex}
};

// The rate one format entry writes at: its own rate, or the project rate when it has
// none, moved to the nearest rate its codec can store.
double writtenSampleRate (const OutputFormat& format, double projectRate);

// The name the render gives the file of one output in one format entry: the template
// expanded with the metadata, the output's own values and what the entry writes (rate,
// codec, word length), tidied by the naming settings. The render, the pre-run name check
// and the naming preview all name files through this one routine.
juce::String makeDeliveredFileName (const PresetMetadata& metadata,
                                    const NamingSettings& naming,
                                    const OutputFormat& format,
                                    double projectRate,
                                    const OutputNameSource& output,
                                    juce::StringArray* unknownTokens = nullptr);

// Where the files of one format entry go below the cue's folder: the entry's sub-folder
// and, for stems, the stems folder, joined with "/"; empty for the cue's folder itself.
juce::String deliveredSubFolder (const ExportSettings& settings, const OutputFormat& format, bool stemFile);

// The folder a relative path names below any base, as resolveSubFolder descends into it:
// cleaned parts joined with "/". False where resolveSubFolder refuses the path.
bool cleanSubFolderPath (const juce::String& relativePath, juce::String& cleaned);

// The number the first written stem gets under consecutive numbering: 1, or after the
// full mix and every alternative mix of the schema when mixes are numbered first.
int firstStemNumber (const ExportSettings& settings, int alternativeMixCount);

// {stemCode} of an alternative mix: its short code, or its name when it has none.
juce::String alternativeMixCode (const Submix& mix);

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
