#pragma once

#include "core/model/Preset.h"
#include "core/model/ValidationResult.h"

namespace korvid
{

// Only this many entries at the head of a preset's format list are ever written.
constexpr int writtenFormatCount = 2;

// Everything that blocks or deserves a word before a preset is used: its identity,
// the schema (under "Stem schema"), the export settings (under "Export settings")
// and outputs of one cue that would share a file name.
ValidationResult validatePreset (const Preset& preset);

ValidationResult validateExportSettings (const ExportSettings& settings);

// "WAV 24-bit @ 48.0 kHz", "FLAC 16-bit", "WAV 32-bit float", "MP3 320 kbps".
juce::String describeOutputFormat (const OutputFormat& format);

// A format's sub-folder: relative parts separated by "/", none of them "..".
bool isValidFormatSubFolder (const juce::String& subFolder);

} // namespace korvid
