#include "support/EndedWriter.h"
#include "support/FileSizeCap.h"
#include "support/ScopedEnvironmentVariable.h"
#include "core/storage/PresetStore.h"

#include "core/model/BuiltInPresets.h"
#include "core/storage/PresetDocument.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>

using namespace korvid;

namespace
{

    // A library root in a fresh folder, with HOME (and so the desktop trash and the
    // application-data folder) moved into that folder too.
    class PresetStoreTest : public testing::Test
    {
    protected:
        void SetUp() override
        {
            folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                         .getChildFile ("velvane-preset-store-test-" + juce::Uuid().toString());
            ASSERT_TRUE (folder.createDirectory());

            const auto homeFolder = folder.getChildFile ("home");
            trash = homeFolder.getChildFile (".local/share/Trash/files");
            ASSERT_TRUE (trash.createDirectory());

            home.emplace ("HOME", homeFolder.getFullPathName());
            configHome.emplace ("XDG_CONFIG_HOME", homeFolder.getChildFile (".config").getFullPathName());

            root = folder.getChildFile ("Library");
        }

        void TearDown() override
        {
            configHome.reset();
            home.reset();
            folder.deleteRecursively();
        }

        juce::File publisherFolder() const { return root.getChildFile ("Publisher Presets"); }
        juce::File projectFolder() const { return root.getChildFile ("Project Presets"); }

        // Every file below the root with its content, to show that nothing changed.
        std::map<juce::String, juce::String> snapshot() const
        {
            std::map<juce::String, juce::String> files;

            for (const auto& file : root.findChildFiles (juce::File::findFiles, true, "*"))
                files[file.getFullPathName()] = file.loadFileAsString();

            return files;
        }

        juce::File folder;
        juce::File root;
        juce::File trash;
        std::optional<test::ScopedEnvironmentVariable> home;
        std::optional<test::ScopedEnvironmentVariable> configHome;
    };

    Preset userPreset (const juce::String& name, PresetKind kind = PresetKind::publisher,
                       const juce::String& id = newUuidString())
    {
        Preset preset;
        preset.id = id;
        preset.name = name;
        preset.kind = kind;
        return preset;
    }

    juce::StringArray sorted (juce::StringArray names)
    {
        names.sort (false);
        return names;
    }

    juce::StringArray fileNamesIn (const juce::File& folder)
    {
        juce::StringArray names;

        for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*"))
            names.add (file.getFileName());

        return sorted (names);
    }

    juce::String fileNameOf (const PresetStore& store, const juce::String& id)
    {
        const auto* entry = store.findEntry (id);
        return entry != nullptr ? entry->file.getFileName() : juce::String ("(not listed)");
    }

    const PresetEntry* entryNamed (const PresetStore& store, const juce::String& name)
    {
        for (const auto& entry : store.entries)
            if (entry.name == name)
                return &entry;

        return nullptr;
    }

    // The document of a preset with the schema version it declares changed.
    juce::String documentWithVersion (const Preset& preset, int version)
    {
        return presetToJson (preset).replace ("\"schemaVersion\": 3", "\"schemaVersion\": " + juce::String (version));
    }
} // namespace

TEST_F (PresetStoreTest, LibraryScenario)
{
    PresetStore store (root);
    EXPECT_TRUE (publisherFolder().isDirectory());
    EXPECT_TRUE (projectFolder().isDirectory());
    EXPECT_TRUE (store.entries.empty());

    juce::String error, firstId, secondId;

    // Two presets of one name: the second file carries the first hex digits of its id.
    ASSERT_TRUE (store.createPreset (userPreset ("base"), "  Strings ", PresetKind::publisher, firstId, error)) << error;
    ASSERT_TRUE (store.createPreset (userPreset ("base"), "Strings", PresetKind::publisher, secondId, error)) << error;
    ASSERT_NE (firstId, secondId);
    const auto secondHex = secondId.substring (0, 8);
    EXPECT_EQ (fileNamesIn (publisherFolder()),
               sorted ({ "Strings.korvid.json", "Strings-" + secondHex + ".korvid.json" }));
    EXPECT_EQ (store.findEntry (firstId)->name, "Strings");
    EXPECT_EQ (store.findEntry (firstId.toUpperCase()), nullptr);

    // A rename writes the new file and removes the old one.
    ASSERT_TRUE (store.renamePreset (firstId, "Strings Deluxe", error)) << error;
    EXPECT_EQ (fileNamesIn (publisherFolder()),
               sorted ({ "Strings Deluxe.korvid.json", "Strings-" + secondHex + ".korvid.json" }));

    // A name that matches another preset's file in all but letter case never takes it over.
    ASSERT_TRUE (store.renamePreset (secondId, "strings deluxe", error)) << error;
    EXPECT_EQ (fileNameOf (store, secondId), "strings deluxe-" + secondHex + ".korvid.json");
    EXPECT_EQ (store.loadPreset (firstId).preset.name, "Strings Deluxe");

    // A change of letter case alone keeps the file.
    ASSERT_TRUE (store.renamePreset (firstId, "STRINGS DELUXE", error)) << error;
    EXPECT_EQ (fileNameOf (store, firstId), "Strings Deluxe.korvid.json");
    EXPECT_EQ (store.findEntry (firstId)->name, "STRINGS DELUXE");

    // A change of kind moves the file; publisher presets list first.
    auto changed = store.loadPreset (firstId).preset;
    changed.kind = PresetKind::project;
    ASSERT_TRUE (store.savePreset (changed, error)) << error;
    EXPECT_EQ (fileNamesIn (projectFolder()), juce::StringArray ({ "STRINGS DELUXE.korvid.json" }));
    EXPECT_EQ (fileNamesIn (publisherFolder()), juce::StringArray ({ "strings deluxe-" + secondHex + ".korvid.json" }));
    ASSERT_EQ (store.entries.size(), 2u);
    EXPECT_EQ (store.entries[0].id, secondId);
    EXPECT_EQ (store.entries[1].kind, PresetKind::project);

    // An empty id: the stored copy gets a new one, the caller's preset keeps its empty id.
    const auto anonymous = userPreset ("Anonymous", PresetKind::publisher, {});
    ASSERT_TRUE (store.savePreset (anonymous, error)) << error;
    EXPECT_TRUE (anonymous.id.isEmpty());
    ASSERT_NE (entryNamed (store, "Anonymous"), nullptr);
    EXPECT_EQ (entryNamed (store, "Anonymous")->id.length(), 36);

    // Importing one file twice: the first keeps the document's id without the built-in
    // flag, the second is a copy under a new id.
    auto brass = userPreset ("Brass");
    brass.isBuiltIn = true;
    const auto source = folder.getChildFile ("incoming").getChildFile ("Brass.korvid.json");
    ASSERT_TRUE (savePresetFile (brass, source, error)) << error;

    juce::String importedId, againId;
    ASSERT_TRUE (store.importPreset (source, importedId, error)) << error;
    EXPECT_EQ (importedId, brass.id);
    EXPECT_FALSE (store.findEntry (importedId)->isBuiltIn);
    ASSERT_TRUE (store.importPreset (source, againId, error)) << error;
    EXPECT_NE (againId, brass.id);
    EXPECT_EQ (store.findEntry (againId)->name, "Brass (imported)");

    // Built-ins cannot be deleted; a user preset goes to the trash.
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
    EXPECT_FALSE (store.deletePreset ("builtin-empty", error));
    EXPECT_EQ (error, "Built-in presets cannot be deleted. Use 'Restore defaults' to reset them.");
    ASSERT_NE (store.findEntry ("builtin-empty"), nullptr);

    const auto copyFile = store.findEntry (againId)->file;
    ASSERT_TRUE (store.deletePreset (againId, error)) << error;
    EXPECT_EQ (store.findEntry (againId), nullptr);
    EXPECT_FALSE (copyFile.exists());
    EXPECT_TRUE (trash.getChildFile (copyFile.getFileName()).existsAsFile());

    // Files the library does not list still own their names: an unreadable one,
    // a document of a newer version, a file that is no preset at all.
    const auto unreadable = publisherFolder().getChildFile ("Cello.korvid.json");
    const auto newer = publisherFolder().getChildFile ("Harp.korvid.json");
    const auto notes = projectFolder().getChildFile ("notes.json");
    ASSERT_TRUE (unreadable.replaceWithText ("{ not quite"));
    ASSERT_TRUE (newer.replaceWithText (documentWithVersion (userPreset ("Harp"), 4)));
    ASSERT_TRUE (notes.replaceWithText ("{\"notes\": true}"));

    // A document whose suffix is written in capitals is listed all the same.
    ASSERT_TRUE (savePresetFile (userPreset ("Shouted"), projectFolder().getChildFile ("Shouted.KORVID.JSON"), error));
    store.rescan();
    EXPECT_NE (entryNamed (store, "Shouted"), nullptr);
    EXPECT_EQ (entryNamed (store, "Harp"), nullptr);

    juce::String celloId, harpId;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Cello", PresetKind::publisher, celloId, error)) << error;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Harp", PresetKind::publisher, harpId, error)) << error;
    EXPECT_EQ (fileNameOf (store, celloId), "Cello-" + celloId.substring (0, 8) + ".korvid.json");
    EXPECT_EQ (fileNameOf (store, harpId), "Harp-" + harpId.substring (0, 8) + ".korvid.json");
    EXPECT_EQ (unreadable.loadFileAsString(), "{ not quite");
    EXPECT_TRUE (newer.loadFileAsString().contains ("\"schemaVersion\": 4"));

    // When the suffixed name is taken too, a counter follows it.
    const auto oboe = userPreset ("Oboe", PresetKind::publisher, "0123abcd-0000-4000-8000-000000000000");
    for (const auto* taken : { "Oboe.korvid.json", "Oboe-0123abcd.korvid.json", "OBOE-0123ABCD-2.KORVID.JSON" })
        ASSERT_TRUE (publisherFolder().getChildFile (taken).replaceWithText (taken));

    ASSERT_TRUE (store.savePreset (oboe, error)) << error;
    EXPECT_EQ (fileNameOf (store, oboe.id), "Oboe-0123abcd-3.korvid.json");

    for (const auto* taken : { "Oboe.korvid.json", "Oboe-0123abcd.korvid.json", "OBOE-0123ABCD-2.KORVID.JSON" })
        EXPECT_EQ (publisherFolder().getChildFile (taken).loadFileAsString(), taken);

    // Saving again writes its own file, wherever the counter put it.
    ASSERT_TRUE (store.savePreset (store.loadPreset (oboe.id).preset, error)) << error;
    EXPECT_EQ (fileNameOf (store, oboe.id), "Oboe-0123abcd-3.korvid.json");
}

TEST_F (PresetStoreTest, RefusalsLeaveTheLibraryAsItWas)
{
    PresetStore store (root);
    juce::String error, mineId, unusedId;
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Mine", PresetKind::project, mineId, error)) << error;

    const auto garbage = folder.getChildFile ("garbage.json");
    ASSERT_TRUE (garbage.replaceWithText ("nothing useful"));
    const auto before = snapshot();

    struct Case
    {
        const char* what;
        std::function<bool (juce::String&)> run;
        juce::String expected;
        bool prefixOnly = false;
    };

    const juce::String unknown ("No preset with id 'nope' is known.");
    const Case cases[] {
        { "create without a name", [&] (auto& e) { return store.createPreset (userPreset ("x"), "  ", PresetKind::publisher, unusedId, e); },
          "A preset needs a name." },
        { "rename without a name, checked first", [&] (auto& e) { return store.renamePreset ("nope", " ", e); },
          "A preset needs a name." },
        { "rename unknown", [&] (auto& e) { return store.renamePreset ("nope", "Name", e); }, "ERROR   " + unknown },
        { "rename built-in", [&] (auto& e) { return store.renamePreset ("builtin-empty", "Other", e); },
          "Built-in presets cannot be renamed." },
        { "save built-in", [&] (auto& e) { return store.savePreset (makeEmptyPreset(), e); },
          "'Empty' is a built-in preset. Duplicate it before editing." },
        { "save invalid", [&] (auto& e) { return store.savePreset (userPreset ("   "), e); },
          "The preset is not valid and was not saved:\n", true },
        { "duplicate unknown", [&] (auto& e) { return store.duplicatePreset ("nope", "Name", unusedId, e); },
          "ERROR   " + unknown },
        { "delete unknown", [&] (auto& e) { return store.deletePreset ("nope", e); }, unknown },
        { "delete built-in", [&] (auto& e) { return store.deletePreset ("builtin-hybrid-orchestra-example", e); },
          "Built-in presets cannot be deleted. Use 'Restore defaults' to reset them." },
        { "import unreadable", [&] (auto& e) { return store.importPreset (garbage, unusedId, e); },
          "'garbage.json' could not be imported:\nERROR   ", true },
        { "export unknown", [&] (auto& e) { return store.exportPreset ("nope", folder.getChildFile ("x.korvid.json"), e); },
          "ERROR   " + unknown },
        { "export to no file", [&] (auto& e) { return store.exportPreset (mineId, juce::File(), e); },
          "The export destination is not a valid path." },
        { "export path too long",
          [&] (auto& e) { return store.exportPreset (mineId, folder.getChildFile (juce::String::repeatedString ("x", 250)), e); },
          "The export path is too long." },
        { "built-in written outside the library",
          [&] (auto& e) { return store.writeBuiltInPreset (makeEmptyPreset(), folder.getChildFile ("Empty.korvid.json"), e); },
          "Refusing to write a preset outside the preset folder." },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        error.clear();
        EXPECT_FALSE (c.run (error));

        if (c.prefixOnly)
            EXPECT_TRUE (error.startsWith (c.expected)) << error;
        else
            EXPECT_EQ (error, c.expected);
    }

    EXPECT_EQ (snapshot(), before);
    EXPECT_EQ (store.entries.size(), 3u);
    EXPECT_FALSE (folder.getChildFile ("Empty.korvid.json").exists());

    const auto loaded = store.loadPreset ("nope");
    EXPECT_FALSE (loaded.ok);
    EXPECT_EQ (loaded.validation.errors, juce::StringArray (unknown));
}

TEST_F (PresetStoreTest, TooLongPathRefusesTheRenameAndKeepsTheOldFile)
{
    const auto deepRoot = folder.getChildFile (juce::String::repeatedString ("d", 120));
    PresetStore store (deepRoot);
    juce::String error, id;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Short", PresetKind::publisher, id, error)) << error;
    const auto oldFile = store.findEntry (id)->file;

    EXPECT_FALSE (store.renamePreset (id, juce::String::repeatedString ("L", 80), error));
    EXPECT_EQ (error, "The preset path is too long.");
    EXPECT_TRUE (oldFile.existsAsFile());
    EXPECT_EQ (store.findEntry (id)->name, "Short");
    EXPECT_EQ (fileNamesIn (deepRoot.getChildFile ("Publisher Presets")), juce::StringArray ({ "Short.korvid.json" }));
}

TEST_F (PresetStoreTest, FileNamesComeFromTheSanitisedName)
{
    PresetStore store (root);
    juce::String error;

    struct Case { juce::String name; juce::String fileName; };
    const Case cases[] {
        { "???", "preset.korvid.json" },
        { "Drums: Main", "Drums- Main.korvid.json" },
        { juce::String::repeatedString ("n", 90), juce::String::repeatedString ("n", 80) + ".korvid.json" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto preset = userPreset (c.name);
        ASSERT_TRUE (store.savePreset (preset, error)) << error;
        EXPECT_EQ (fileNameOf (store, preset.id), c.fileName);
        EXPECT_EQ (store.loadPreset (preset.id).preset.name, c.name);
    }
}

TEST_F (PresetStoreTest, DuplicateAndExport)
{
    PresetStore store (root);
    juce::String error, copyId;
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;

    // A blank name gives the source's name followed by " copy", of the source's kind.
    ASSERT_TRUE (store.duplicatePreset ("builtin-hybrid-orchestra-example", "  ", copyId, error)) << error;
    const auto copy = store.loadPreset (copyId);
    ASSERT_TRUE (copy.ok);
    EXPECT_EQ (copy.preset.name, "Hybrid Orchestra Example copy");
    EXPECT_FALSE (copy.preset.isBuiltIn);
    EXPECT_EQ (copy.preset.kind, PresetKind::publisher);
    EXPECT_EQ (copy.preset.schema.stems.size(), 16u);
    EXPECT_EQ (fileNameOf (store, copyId), "Hybrid Orchestra Example copy.korvid.json");

    // Stems keep their ids, so assignments and cue exceptions survive a switch to the copy.
    const auto source = store.loadPreset ("builtin-hybrid-orchestra-example");
    ASSERT_TRUE (source.ok);
    for (size_t i = 0; i < source.preset.schema.stems.size(); ++i)
        EXPECT_EQ (copy.preset.schema.stems[i].id, source.preset.schema.stems[i].id);

    juce::String createdId;
    auto base = source.preset;
    base.schema.addSubmix ("Instrumental");
    ASSERT_TRUE (store.createPreset (base, "Made from it", PresetKind::project, createdId, error)) << error;
    const auto created = store.loadPreset (createdId);
    ASSERT_TRUE (created.ok);
    EXPECT_NE (createdId, base.id);
    EXPECT_EQ (created.preset.schema.stems[3].id, base.schema.stems[3].id);
    EXPECT_EQ (created.preset.schema.submixes[0].id, base.schema.submixes[0].id);
    EXPECT_EQ (created.preset.schema.submixes[0].stems, base.schema.submixes[0].stems);

    // Export writes the stored preset as it is to an absolute path, and the library stays as it was.
    const auto before = snapshot();
    const auto destination = folder.getChildFile ("exports").getChildFile ("Empty.korvid.json");
    ASSERT_TRUE (store.exportPreset ("builtin-empty", destination, error)) << error;

    const auto exported = loadPresetFile (destination);
    ASSERT_TRUE (exported.ok);
    const auto stored = store.loadPreset ("builtin-empty").preset;
    EXPECT_TRUE (presetsFullyEqual (exported.preset, stored));
    EXPECT_TRUE (exported.preset.isBuiltIn);
    EXPECT_EQ (exported.preset.modifiedUtcMs, stored.modifiedUtcMs);
    EXPECT_EQ (snapshot(), before);
}

TEST_F (PresetStoreTest, EnsureBuiltInPresetsWritesMissingOnesAndLeavesCurrentOnes)
{
    PresetStore store (root);
    juce::String error;
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;

    const auto emptyFile = publisherFolder().getChildFile ("Empty.korvid.json");
    const auto hybridFile = publisherFolder().getChildFile ("Hybrid Orchestra Example.korvid.json");
    EXPECT_EQ (fileNamesIn (publisherFolder()), sorted ({ emptyFile.getFileName(), hybridFile.getFileName() }));
    ASSERT_EQ (store.entries.size(), 2u);
    EXPECT_TRUE (store.entries[0].isBuiltIn && store.entries[1].isBuiltIn);

    const juce::Time longAgo (2001, 0, 1, 0, 0);
    emptyFile.setLastModificationTime (longAgo);
    hybridFile.setLastModificationTime (longAgo);

    PresetStore restarted (root);
    ASSERT_TRUE (restarted.ensureBuiltInPresets (error)) << error;
    EXPECT_EQ (emptyFile.getLastModificationTime(), longAgo);
    EXPECT_EQ (hybridFile.getLastModificationTime(), longAgo);

    // One that went missing is written again; the other is left alone.
    ASSERT_TRUE (emptyFile.deleteFile());
    PresetStore again (root);
    ASSERT_TRUE (again.ensureBuiltInPresets (error)) << error;
    EXPECT_TRUE (emptyFile.existsAsFile());
    EXPECT_EQ (hybridFile.getLastModificationTime(), longAgo);
}

TEST_F (PresetStoreTest, EnsureBuiltInPresetsRewritesStoredCopiesThatDiffer)
{
    struct Case
    {
        const char* what;
        const char* id;
        std::function<void (Preset&)> edit;
    };

    const Case cases[] {
        { "name edited by hand", "builtin-empty", [] (Preset& p) { p.name = "Empty (mine)"; } },
        { "plural flag", "builtin-hybrid-orchestra-example", [] (Preset& p) { p.schema.matchPlurals = ! p.schema.matchPlurals; } },
        { "alternative mix added", "builtin-hybrid-orchestra-example", [] (Preset& p)
          {
              Submix mix;
              mix.id = "mix-1";
              mix.name = "Underscore";
              mix.stems.add (p.schema.stems.front().id);
              p.schema.submixes.push_back (mix);
          } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        root.deleteRecursively();

        juce::String error;
        {
            PresetStore store (root);
            ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
            const auto file = store.findEntry (c.id)->file;
            auto edited = store.loadPreset (c.id).preset;
            c.edit (edited);
            ASSERT_TRUE (file.deleteFile());
            ASSERT_TRUE (savePresetFile (edited, file.getSiblingFile ("Edited.korvid.json"), error)) << error;
        }

        PresetStore store (root);
        ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;

        const auto builtIn = juce::String (c.id) == "builtin-empty" ? makeEmptyPreset() : makeHybridOrchestraExamplePreset();
        const auto stored = store.loadPreset (c.id);
        ASSERT_TRUE (stored.ok);
        EXPECT_TRUE (presetsFullyEqual (stored.preset, builtIn));
        EXPECT_FALSE (publisherFolder().getChildFile ("Edited.korvid.json").exists());
        EXPECT_EQ (fileNameOf (store, c.id), builtIn.name + ".korvid.json");
        EXPECT_EQ (store.entries.size(), 2u);
    }
}

TEST_F (PresetStoreTest, RetiredBuiltInIsRemovedOnlyWhenFlaggedBuiltIn)
{
    juce::String error;
    auto retired = userPreset ("Korvid Default", PresetKind::publisher, "builtin-korvid-default");
    retired.isBuiltIn = true;
    auto lookalike = userPreset ("My Default", PresetKind::project, "builtin-korvid-default");

    const auto retiredFile = publisherFolder().getChildFile ("Korvid Default.korvid.json");
    const auto lookalikeFile = projectFolder().getChildFile ("My Default.korvid.json");
    ASSERT_TRUE (savePresetFile (retired, retiredFile, error)) << error;
    ASSERT_TRUE (savePresetFile (lookalike, lookalikeFile, error)) << error;

    PresetStore store (root);
    ASSERT_EQ (store.entries.size(), 2u);
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;

    // Deleted outright, not moved to the trash.
    EXPECT_FALSE (retiredFile.exists());
    EXPECT_EQ (trash.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    // A user's document that happens to carry the id stays.
    EXPECT_TRUE (lookalikeFile.existsAsFile());
    const auto* kept = store.findEntry ("builtin-korvid-default");
    ASSERT_NE (kept, nullptr);
    EXPECT_EQ (kept->name, "My Default");
    EXPECT_EQ (store.entries.size(), 3u);
}

TEST_F (PresetStoreTest, ImportedDocumentsNeverKeepABuiltInId)
{
    PresetStore store (root);   // the built-ins are not written yet
    juce::String error;

    for (const auto* id : { "builtin-korvid-default", "builtin-empty", "builtin-hybrid-orchestra-example" })
    {
        SCOPED_TRACE (id);
        auto document = userPreset (juce::String ("Imported ") + id, PresetKind::publisher, id);
        document.isBuiltIn = true;
        const auto source = folder.getChildFile ("incoming").getChildFile (juce::String (id) + ".korvid.json");
        ASSERT_TRUE (savePresetFile (document, source, error)) << error;

        juce::String newId;
        ASSERT_TRUE (store.importPreset (source, newId, error)) << error;
        EXPECT_NE (newId, id);
        EXPECT_EQ (newId.length(), 36);
        EXPECT_EQ (store.findEntry (newId)->name, document.name);
        EXPECT_FALSE (store.findEntry (newId)->isBuiltIn);
    }

    // So the start-up check has nothing of the user's to replace or remove.
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
    EXPECT_EQ (store.entries.size(), 5u);
}

TEST_F (PresetStoreTest, RestoreRewritesBuiltInsEvenWhenCurrent)
{
    PresetStore store (root);
    juce::String error, mineId;
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Mine", PresetKind::publisher, mineId, error)) << error;
    const auto mineFile = store.findEntry (mineId)->file;
    const auto mineText = mineFile.loadFileAsString();

    // A stored copy that differs only in its modification time counts as current ...
    auto older = makeEmptyPreset();
    older.modifiedUtcMs = 5;
    ASSERT_TRUE (savePresetFile (older, store.findEntry ("builtin-empty")->file, error)) << error;
    store.rescan();
    ASSERT_TRUE (store.ensureBuiltInPresets (error)) << error;
    EXPECT_EQ (store.loadPreset ("builtin-empty").preset.modifiedUtcMs, 5);

    // ... and is rewritten by "Restore defaults" all the same.
    const auto before = juce::Time::currentTimeMillis();
    ASSERT_TRUE (store.restoreBuiltInPresets (error)) << error;
    EXPECT_GE (store.loadPreset ("builtin-empty").preset.modifiedUtcMs, before);
    EXPECT_GE (store.loadPreset ("builtin-hybrid-orchestra-example").preset.modifiedUtcMs, before);
    EXPECT_EQ (mineFile.loadFileAsString(), mineText);
    EXPECT_EQ (store.entries.size(), 3u);
}

TEST_F (PresetStoreTest, ListingStopsAtTheLimitAndUnlistedFilesKeepTheirNames)
{
    // One document text, given a new id and name for every file.
    const auto prototype = userPreset ("PROTOTYPE-NAME", PresetKind::publisher, "00000000-0000-4000-8000-000000000000");
    const auto text = presetToJson (prototype);

    const auto writeDocument = [&] (const juce::File& file, int number, const juce::String& name, const juce::String& kindName)
    {
        const auto id = juce::String::toHexString (number).paddedLeft ('0', 12);
        return file.replaceWithText (text.replace ("00000000-0000-4000-8000-000000000000", "00000000-0000-4000-8000-" + id)
                                         .replace ("PROTOTYPE-NAME", name)
                                         .replace ("\"kind\": \"publisher\"", "\"kind\": \"" + kindName + "\""));
    };

    publisherFolder().createDirectory();
    projectFolder().createDirectory();

    for (int i = 0; i < PresetStore::maxListedPresets; ++i)
        ASSERT_TRUE (writeDocument (publisherFolder().getChildFile ("P" + juce::String (i) + ".korvid.json"), i,
                                    "P" + juce::String (i), "publisher"));

    const auto late = projectFolder().getChildFile ("Late.korvid.json");
    ASSERT_TRUE (writeDocument (late, 99999, "Late", "project"));

    PresetStore store (root);
    ASSERT_EQ (store.entries.size(), (size_t) PresetStore::maxListedPresets);
    EXPECT_EQ (entryNamed (store, "Late"), nullptr);

    // The document past the limit keeps its file.
    const auto lateText = late.loadFileAsString();
    juce::String error, id;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Late", PresetKind::project, id, error)) << error;
    EXPECT_EQ (late.loadFileAsString(), lateText);
    EXPECT_EQ (fileNamesIn (projectFolder()), sorted ({ "Late.korvid.json", "Late-" + id.substring (0, 8) + ".korvid.json" }));
}

TEST (PresetStoreDefaults, DefaultFolderLivesInTheApplicationDataFolder)
{
    EXPECT_EQ (PresetStore::defaultFolder(),
               juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                   .getChildFile ("Velvane").getChildFile ("Presets"));
}

#if ! JUCE_WINDOWS
// A disk that fills while a preset is written keeps the preset as it was, also when the
// save would have moved it to a new file and deleted the old one.
TEST_F (PresetStoreTest, ASaveCutShortByAFullDiskKeepsTheOldPreset)
{
    PresetStore store (root);
    juce::String error, id;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Strings", PresetKind::publisher, id, error)) << error;

    const auto changed = [&store, &id] (const std::function<void (Preset&)>& change)
    {
        auto preset = store.loadPreset (id).preset;
        change (preset);
        return preset;
    };

    const struct
    {
        const char* what;
        std::function<bool (juce::String&)> save;
    } cases[] {
        { "rename, which moves the file", [&] (auto& e) { return store.renamePreset (id, "Strings Deluxe", e); } },
        { "new kind, which moves it to the other folder",
          [&] (auto& e) { return store.savePreset (changed ([] (Preset& p) { p.kind = PresetKind::project; }), e); } },
        { "save in place",
          [&] (auto& e) { return store.savePreset (changed ([] (Preset& p) { p.metadata.composer = "Someone"; }), e); } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const auto before = snapshot();
        ASSERT_EQ (before.size(), 1u);
        const auto room = store.findEntry (id)->file.getSize() - 10;

        juce::String saveError;
        bool saved = true;

        {
            const test::FileSizeCap cap (room);
            saved = c.save (saveError);
        }

        EXPECT_FALSE (saved);
        EXPECT_EQ (saveError, "Writing failed, the disk may be full.");
        EXPECT_EQ (snapshot(), before);
        ASSERT_EQ (store.entries.size(), 1u);
        EXPECT_EQ (store.loadPreset (id).preset.name, "Strings");
    }
}

// Saves leave whole documents under hidden temporary names while they run, and for good
// when the program is killed mid-save: none of them is a preset of its own.
TEST_F (PresetStoreTest, TemporaryFilesAreNotListedAndOnlyLeftoversOfEndedWritersGo)
{
    PresetStore store (root);
    juce::String error, id;
    ASSERT_TRUE (store.createPreset (userPreset ("x"), "Strings", PresetKind::publisher, id, error)) << error;
    const auto document = store.findEntry (id)->file;
    const auto text = document.loadFileAsString();

    const auto leftover = temporaryFileFor (document, test::endedTemporaryFileWriter());
    const auto beingWritten = temporaryFileFor (document);
    const auto hidden = publisherFolder().getChildFile (".Strings copy.korvid.json");

    for (const auto& file : { leftover, beingWritten, hidden })
        ASSERT_TRUE (file.replaceWithText (text));

    store.rescan();

    // A hidden file that is no save's temporary is listed like any other.
    ASSERT_EQ (store.entries.size(), 2u);
    EXPECT_TRUE (store.entries[0].file == document || store.entries[1].file == document);
    EXPECT_TRUE (store.entries[0].file == hidden || store.entries[1].file == hidden);
    EXPECT_FALSE (leftover.exists());
    EXPECT_TRUE (beingWritten.existsAsFile()) << "a running writer's file stays";
    EXPECT_TRUE (hidden.existsAsFile()) << "only temporary files are removed";
}
#endif
