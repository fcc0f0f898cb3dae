#pragma once

#include <juce_core/juce_core.h>

namespace korvid
{

/** The schema version a parsed preset document declares: the number in its
    "korvid" object, else the number at its root; 0 when it declares none.
    A fraction is cut off; a number beyond the int range gives the nearest int
    (so a huge version still reads as newer, never as missing). */
int readPresetSchemaVersion (const juce::var& root);

/** The declared version exactly as the document holds it (for messages), or 0. */
double readPresetSchemaVersionNumber (const juce::var& root);

/** Upgrades the parsed document in place from `foundVersion` to the layout of
    `wantedVersion`, step by step. On failure appends one sentence to `errors`
    and gives false; the tree may then be half changed and must be thrown away. */
bool migratePresetJson (juce::var& root, int foundVersion, int wantedVersion, juce::StringArray& errors);

/** The step from version 1 to version 2; used by migratePresetJson. */
bool migratePresetV1ToV2 (juce::var& root, juce::StringArray& errors);

} // namespace korvid
