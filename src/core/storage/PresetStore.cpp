#include "core/storage/PresetStore.h"

#include "core/model/BuiltInPresets.h"
#include "core/model/PathGuards.h"
#include "core/model/Uuid.h"
#include "core/model/OutputNaming.h"
#include "core/platform/TemporaryFiles.h"

#include <algorithm>

namespace korvid
{

namespace
{
    const char* const publisherFolderName = "Publisher Presets";
    const char* const projectFolderName = "Project Presets";
    const char* const presetFileSuffix = ".korvid.json";

    // Shipped by earlier versions; removed from the library at start-up.
    const char* const retiredBuiltInId = "builtin-korvid-default";

    const char* const outsideFolderMessage = "Refusing to write a preset outside the preset folder.";
    const char* const pathTooLongMessage = "The preset path is too long.";

    juce::File kindFolder (const juce::File& root, PresetKind kind)
    {
        return root.getChildFile (kind == PresetKind::project ? projectFolderName : publisherFolderName);
    }

    bool samePathIgnoringCase (const juce::File& a, const juce::File& b)
    {
        return a.getFullPathName().equalsIgnoreCase (b.getFullPathName());
    }

    // The first `count` hexadecimal digits of an id, everything else dropped.
    juce::String hexDigitsOf (const juce::String& id, int count)
    {
        juce::String digits;

        for (auto p = id.getCharPointer(); ! p.isEmpty() && digits.length() < count; ++p)
        {
            const auto c = *p;

            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))
                digits << juce::String::charToString (c);
        }

        return digits;
    }

    std::vector<Preset> makeBuiltInPresets()
    {
        std::vector<Preset> builtIns;
        builtIns.push_back (makeEmptyPreset());
        builtIns.push_back (makeHybridOrchestraExamplePreset());
        return builtIns;
    }

    // Ids a user document may not keep: every built-in's, the retired one included.
    bool isReservedBuiltInId (const juce::String& id)
    {
        if (id == retiredBuiltInId)
            return true;

        for (const auto& builtIn : makeBuiltInPresets())
            if (id == builtIn.id)
                return true;

        return false;
    }

    // A save in progress, or one a crash cut off, holds a whole document under a temporary
    // name: listing it would show the preset twice. Other hidden files are the user's own.
    bool isSaveTemporary (const juce::File& file)
    {
        TemporaryFileWriter writer;
        return temporaryFileWriterOf (file, writer);
    }

    juce::String noSuchPresetMessage (const juce::String& id)
    {
        return "No preset with id '" + id + "' is known.";
    }

    bool checkTarget (const juce::File& root, const juce::File& target, juce::String& error)
    {
        if (! isWithinFolder (root, target))
        {
            error = outsideFolderMessage;
            return false;
        }

        if (! isPathLengthAllowed (target))
        {
            error = pathTooLongMessage;
            return false;
        }

        return true;
    }
} // namespace

PresetStore::PresetStore (juce::File rootFolder)
    : root (std::move (rootFolder))
{
    kindFolder (root, PresetKind::publisher).createDirectory();
    kindFolder (root, PresetKind::project).createDirectory();
    rescan();
}

juce::File PresetStore::defaultFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile ("Velvane")
        .getChildFile ("Presets");
}

void PresetStore::rescan()
{
    entries.clear();

    for (const auto kind : { PresetKind::publisher, PresetKind::project })
    {
        const auto folder = kindFolder (root, kind);

        if (! folder.isDirectory())
            continue;

        // A save that was cut off by a crash left its temporary file here; one still being
        // written by another window stays.
        removeLeftoverTemporaryFiles (folder);

        // Listed with "*" and filtered, so "X.KORVID.JSON" is found on every platform.
        for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*"))
        {
            if ((int) entries.size() >= maxListedPresets)
                break;

            if (! file.getFileName().endsWithIgnoreCase (".json") || isSaveTemporary (file))
                continue;

            const auto result = loadPresetFile (file);

            if (! result.ok)
                continue;

            PresetEntry entry;
            entry.id = result.preset.id;
            entry.name = result.preset.name;
            entry.publisher = result.preset.schema.publisher;
            entry.kind = result.preset.kind;
            entry.isBuiltIn = result.preset.isBuiltIn;
            entry.modifiedUtcMs = result.preset.modifiedUtcMs;
            entry.file = file;
            entries.push_back (std::move (entry));
        }
    }

    std::sort (entries.begin(), entries.end(), [] (const PresetEntry& a, const PresetEntry& b)
    {
        if (a.kind != b.kind)
            return (int) a.kind < (int) b.kind;

        return a.name.compareIgnoreCase (b.name) < 0;
    });
}

const PresetEntry* PresetStore::findEntry (const juce::String& id) const
{
    for (const auto& entry : entries)
        if (entry.id == id)
            return &entry;

    return nullptr;
}

PresetLoadResult PresetStore::loadPreset (const juce::String& id) const
{
    if (const auto* entry = findEntry (id))
        return loadPresetFile (entry->file);

    PresetLoadResult result;
    result.ok = false;
    result.validation.errors.add (noSuchPresetMessage (id));
    return result;
}

bool PresetStore::createPreset (const Preset& base, const juce::String& name, PresetKind kind,
                                juce::String& newId, juce::String& error)
{
    if (name.trim().isEmpty())
    {
        error = "A preset needs a name.";
        return false;
    }

    // Stem ids are kept: the session's assignments and cue exceptions name them.
    const auto created = base.copyUnderNewId (name, kind);

    if (! savePreset (created, error))
        return false;

    newId = created.id;
    return true;
}

bool PresetStore::duplicatePreset (const juce::String& id, const juce::String& name,
                                   juce::String& newId, juce::String& error)
{
    const auto loaded = loadPreset (id);

    if (! loaded.ok)
    {
        error = loaded.validation.toText();
        return false;
    }

    // A blank name gives the loaded name followed by " copy".
    const auto copy = loaded.preset.copyUnderNewId (name, loaded.preset.kind);

    if (! savePreset (copy, error))
        return false;

    newId = copy.id;
    return true;
}

bool PresetStore::renamePreset (const juce::String& id, const juce::String& name, juce::String& error)
{
    if (name.trim().isEmpty())
    {
        error = "A preset needs a name.";
        return false;
    }

    const auto loaded = loadPreset (id);

    if (! loaded.ok)
    {
        error = loaded.validation.toText();
        return false;
    }

    if (loaded.preset.isBuiltIn)
    {
        error = "Built-in presets cannot be renamed.";
        return false;
    }

    auto renamed = loaded.preset;
    renamed.name = name.trim();
    return savePreset (renamed, error);
}

bool PresetStore::savePreset (const Preset& preset, juce::String& error)
{
    if (preset.isBuiltIn)
    {
        error = "'" + preset.name + "' is a built-in preset. Duplicate it before editing.";
        return false;
    }

    auto copy = preset;

    if (copy.id.trim().isEmpty())
        copy.id = newUuidString();

    copy.markModifiedNow();

    const auto* entry = findEntry (copy.id);
    const auto newFile = fileForPreset (copy);
    const auto oldFile = entry != nullptr ? entry->file : newFile;

    // Paths that differ only in letter case are one file here, so such a rename keeps the old name.
    const bool moves = entry != nullptr && ! samePathIgnoringCase (newFile, oldFile);
    const auto target = moves ? newFile : oldFile;

    if (! checkTarget (root, target, error))
        return false;

    if (! savePresetFile (copy, target, error))
        return false;

    // Only once the new file is complete.
    if (moves)
        oldFile.deleteFile();

    rescan();
    return true;
}

bool PresetStore::importPreset (const juce::File& source, juce::String& newId, juce::String& error)
{
    const auto loaded = loadPresetFile (source);

    if (! loaded.ok)
    {
        error = "'" + source.getFileName() + "' could not be imported:\n" + loaded.validation.toText();
        return false;
    }

    auto imported = loaded.preset;
    imported.isBuiltIn = false;

    if (findEntry (imported.id) != nullptr)
        imported = imported.duplicate (imported.name + " (imported)", imported.kind);
    else if (imported.id.trim().isEmpty() || isReservedBuiltInId (imported.id))
        // A built-in's id would have this copy replaced or removed at the next start.
        imported.id = newUuidString();

    if (! savePreset (imported, error))
        return false;

    newId = imported.id;
    return true;
}

bool PresetStore::exportPreset (const juce::String& id, const juce::File& destination, juce::String& error) const
{
    const auto loaded = loadPreset (id);

    if (! loaded.ok)
    {
        error = loaded.validation.toText();
        return false;
    }

    if (destination == juce::File() || ! juce::File::isAbsolutePath (destination.getFullPathName()))
    {
        error = "The export destination is not a valid path.";
        return false;
    }

    if (! isPathLengthAllowed (destination))
    {
        error = "The export path is too long.";
        return false;
    }

    return savePresetFile (loaded.preset, destination, error);
}

bool PresetStore::deletePreset (const juce::String& id, juce::String& error)
{
    const auto* found = findEntry (id);

    if (found == nullptr)
    {
        error = noSuchPresetMessage (id);
        return false;
    }

    const auto entry = *found;

    if (entry.isBuiltIn)
    {
        error = "Built-in presets cannot be deleted. Use 'Restore defaults' to reset them.";
        return false;
    }

    if (! isWithinFolder (root, entry.file))
    {
        error = "Refusing to delete a file outside the preset folder.";
        return false;
    }

    if (entry.file.moveToTrash() || entry.file.deleteFile())
    {
        rescan();
        return true;
    }

    error = "Could not delete '" + entry.file.getFullPathName() + "'.";
    return false;
}

bool PresetStore::ensureBuiltInPresets (juce::String& error)
{
    // Only a file flagged built-in is the retired preset; a user's document is never removed here.
    bool removedRetired = false;

    for (const auto& entry : entries)
    {
        if (entry.id == retiredBuiltInId && entry.isBuiltIn && isWithinFolder (root, entry.file))
        {
            entry.file.deleteFile();
            removedRetired = true;
        }
    }

    if (removedRetired)
        rescan();

    for (const auto& builtIn : makeBuiltInPresets())
    {
        if (const auto* entry = findEntry (builtIn.id))
        {
            const auto stored = loadPresetFile (entry->file);

            if (stored.ok && presetsFullyEqual (stored.preset, builtIn))
                continue;

            entry->file.deleteFile();
        }

        if (! writeBuiltInPreset (builtIn, fileForPreset (builtIn), error))
            return false;

        rescan();
    }

    return true;
}

bool PresetStore::restoreBuiltInPresets (juce::String& error)
{
    for (const auto& builtIn : makeBuiltInPresets())
    {
        if (const auto* entry = findEntry (builtIn.id))
            entry->file.deleteFile();

        const auto target = fileForPreset (builtIn);

        if (! checkTarget (root, target, error))
            return false;

        if (! savePresetFile (builtIn, target, error))
            return false;
    }

    rescan();
    return true;
}

juce::File PresetStore::fileForPreset (const Preset& preset) const
{
    const auto folder = kindFolder (root, preset.kind);
    const auto base = sanitiseFileName (preset.name, "-", "preset", 80);

    const auto* own = findEntry (preset.id);
    const auto ownFile = own != nullptr ? own->file : juce::File();

    // Every name in use counts, ignoring case: files the library does not list (unreadable,
    // newer, beyond the listing limit) as well as listed presets of other ids.
    juce::StringArray taken;

    for (const auto& child : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
        taken.add (child.getFullPathName());

    for (const auto& entry : entries)
        if (entry.id != preset.id)
            taken.add (entry.file.getFullPathName());

    const auto isTaken = [&] (const juce::File& candidate)
    {
        if (ownFile != juce::File() && samePathIgnoringCase (candidate, ownFile))
            return false;

        return taken.contains (candidate.getFullPathName(), true);
    };

    auto candidate = folder.getChildFile (base + presetFileSuffix);

    if (! isTaken (candidate))
        return candidate;

    const auto suffixed = base + "-" + hexDigitsOf (preset.id, 8);
    candidate = folder.getChildFile (suffixed + presetFileSuffix);

    // Ends: only finitely many names are taken.
    for (int counter = 2; isTaken (candidate); ++counter)
        candidate = folder.getChildFile (suffixed + "-" + juce::String (counter) + presetFileSuffix);

    return candidate;
}

bool PresetStore::writeBuiltInPreset (const Preset& preset, const juce::File& target, juce::String& error)
{
    if (! checkTarget (root, target, error))
        return false;

    return savePresetFile (preset, target, error);
}

} // namespace korvid
