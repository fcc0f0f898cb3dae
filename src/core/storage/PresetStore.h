#pragma once

#include <juce_core/juce_core.h>

#include "core/model/Preset.h"
#include "core/model/Types.h"
#include "core/storage/PresetDocument.h"

#include <vector>

namespace korvid
{

/** One line of the library list, made from a document that could be read. */
struct PresetEntry
{
    juce::String id;
    juce::String name;
    juce::String publisher;           // the stem schema's publisher, not the metadata's
    PresetKind kind = PresetKind::publisher;
    bool isBuiltIn = false;
    juce::int64 modifiedUtcMs = 0;
    juce::File file;
};

/** The preset library on disk: one preset document per file, publisher presets in
    "Publisher Presets" and project presets in "Project Presets" below the root.
    Message thread only; neither copied nor shared between threads. */
class PresetStore
{
public:
    /** Creates the two sub-folders (a failure is ignored) and scans them. */
    explicit PresetStore (juce::File rootFolder);

    PresetStore (const PresetStore&) = delete;
    PresetStore& operator= (const PresetStore&) = delete;

    /** The user's application-data folder / "Velvane" / "Presets". */
    static juce::File defaultFolder();

    /** Rebuilds `entries` from the two folders: publisher presets first, then by name
        ignoring case; at most 4096 documents are read, unreadable ones are passed over. */
    void rescan();

    /** The first entry with exactly this id, or null; valid until the next rescan. */
    const PresetEntry* findEntry (const juce::String& id) const;

    /** Reads the entry's file again; a result with ok false when the id is not listed. */
    PresetLoadResult loadPreset (const juce::String& id) const;

    bool createPreset (const Preset& base, const juce::String& name, PresetKind kind,
                       juce::String& newId, juce::String& error);
    bool duplicatePreset (const juce::String& id, const juce::String& name,
                          juce::String& newId, juce::String& error);
    bool renamePreset (const juce::String& id, const juce::String& name, juce::String& error);

    /** Stores a copy of the preset (a blank id gets a new one, the modification time is
        set to now); the caller's preset is not changed. A change of name or kind moves
        the file: the new one is written first, the old one deleted afterwards. */
    bool savePreset (const Preset& preset, juce::String& error);

    bool importPreset (const juce::File& source, juce::String& newId, juce::String& error);

    /** Writes the stored preset, unchanged, to any absolute destination. */
    bool exportPreset (const juce::String& id, const juce::File& destination, juce::String& error) const;

    /** Moves the preset's file to the trash, or deletes it when there is none. */
    bool deletePreset (const juce::String& id, juce::String& error);

    /** Start-up: removes the retired built-in and rewrites every built-in that is
        missing or differs from the shipped one. Stops at the first it cannot write. */
    bool ensureBuiltInPresets (juce::String& error);

    /** "Restore defaults": rewrites both built-ins whatever their content. */
    bool restoreBuiltInPresets (juce::String& error);

    /** The file the preset would be stored in. Never a file that belongs to something
        else: any existing file but the preset's own makes the name taken. */
    juce::File fileForPreset (const Preset& preset) const;

    bool writeBuiltInPreset (const Preset& preset, const juce::File& target, juce::String& error);

    juce::File root;
    std::vector<PresetEntry> entries;

    static constexpr int maxListedPresets = 4096;
};

} // namespace korvid
