#pragma once

#include "core/model/Preset.h"
#include "core/model/ValidationResult.h"

#include <juce_core/juce_core.h>

namespace korvid
{

/** The schema version this build writes; versions 1 and 2 are upgraded when read. */
constexpr int currentPresetSchemaVersion = 3;

/** The largest preset file that is read, in bytes (4096 kB). */
constexpr juce::int64 maxPresetFileBytes = 4096 * 1024;

/** What reading a preset document gives. */
struct PresetLoadResult
{
    /** True only when the document read without an error and the preset passed validatePreset. */
    bool ok = false;
    /** The preset read; a default preset unless `ok`. */
    Preset preset;
    /** Every error met while reading, then validatePreset's errors; its warnings are validatePreset's. */
    ValidationResult validation;
    /** The version the document declared; 0 when it was no JSON object or declared none. */
    int schemaVersion = 0;
    /** True when the document was upgraded from version 1 or 2 before it was read. */
    bool migrated = false;
};

/** The preset as a version-3 document, multi-line (CRLF line ends, which the safe writer drops). */
juce::String presetToJson (const Preset& preset);

/** Reads a preset document. Every bad value adds one sentence naming its path; the
    document is refused as a whole when any sentence was added. */
PresetLoadResult parsePresetJson (const juce::String& text);

/** The same reading without the closing validatePreset: `preset` holds whatever was read,
    `validation.errors` only the reading errors, and `ok` is true when there were none.
    A project keeps its preset in whatever state the user left it mid-edit. */
PresetLoadResult parsePresetJsonUnchecked (const juce::String& text);

/** Reads a preset file of at most maxPresetFileBytes. */
PresetLoadResult loadPresetFile (const juce::File& file);

/** Everything the reader would refuse in the document of this preset: its limits on
    texts, lists and numbers and validatePreset's findings. The reader itself makes the
    check, so a preset that passes is one that reads back. */
ValidationResult checkPresetForWriting (const Preset& preset);

/** Validates the preset and writes its document through writeFileSafely. An invalid
    preset, or one whose document the reader would refuse, is not written: false with
    "The preset is not valid and was not saved:\n" and the findings. */
bool savePresetFile (const Preset& preset, const juce::File& target, juce::String& error);

} // namespace korvid
