#pragma once

#include "core/model/Preset.h"
#include "core/model/ValidationResult.h"

#include <vector>

namespace korvid
{

// Only this many entries at the head of a preset's format list are ever written.
constexpr int writtenFormatCount = 2;

// Everything that blocks or deserves a word before a preset is used: its identity,
// the schema (under "Stem schema"), the export settings (under "Export settings")
// and outputs of one cue that would share a file name.
ValidationResult validatePreset (const Preset& preset);

// validatePreset in its parts, in the order it gives them; the output-name clashes
// (findOutputNameClashes) come last. The cues of one run are copies of one preset that
// differ only in their alternative-mix members, which only the schema part reads, and in
// their metadata, which only the output names read, so planning works out the rest once.
ValidationResult validatePresetIdentity (const Preset& preset);
ValidationResult validatePresetSchema (const Preset& preset);
ValidationResult validatePresetSettings (const Preset& preset);

ValidationResult validateExportSettings (const ExportSettings& settings);

// The positions (from 0) of the enabled entries among the first two of the format list:
// the entries every file of a delivery is written in.
std::vector<int> writtenFormatEntries (const ExportSettings& settings);

// "WAV 24-bit @ 48.0 kHz", "FLAC 16-bit", "WAV 32-bit float", "MP3 320 kbps".
juce::String describeOutputFormat (const OutputFormat& format);

// A format's sub-folder: relative parts separated by "/", none of them "..".
bool isValidFormatSubFolder (const juce::String& subFolder);

} // namespace korvid
