#include "core/storage/ProjectFile.h"

#include "core/model/PresetChecks.h"
#include "core/storage/PresetDocument.h"
#include "core/storage/PresetDocumentTestUtils.h"
#include "core/storage/ProjectPresetReader.h"
#include "core/session/SessionTestSupport.h"

#include "support/FileSizeCap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

using namespace korvid;

namespace
{
    const char* const notAProject = "That file is not a Velvane project.";
    const char* const noVersion = "That project file does not say which version it is.";
    const char* const newerVersion = "That project was saved by a newer version of Velvane. Update to open it.";

    // A folder of its own: the shared temporary folder takes the first free numbered name,
    // which test runs in other processes can take at the same moment.
    struct UniqueFolder
    {
        UniqueFolder()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("velvane-project-test-" + juce::Uuid().toString()))
        {
            folder.createDirectory();
        }

        ~UniqueFolder() { folder.deleteRecursively(); }

        juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

        juce::File folder;
    };

    Preset makeProjectPreset()
    {
        auto preset = test::makeTestPreset ({ test::makeTestStem ("Strings", { "violin" }),
                                              test::makeTestStem ("Drums", { "drums" }),
                                              test::makeTestStem ("Bass", { "bass" }),
                                              test::makeTestStem ("Keys", { "piano" }) });
        Submix rhythm;
        rhythm.id = "mix-rhythm";
        rhythm.name = "Rhythm";
        rhythm.shortCode = "RHY";
        rhythm.stems = { "stem-Drums", "stem-Bass" };
        preset.schema.submixes.push_back (rhythm);
        return preset;
    }

    // Two cues below Album, imported from the folder above it, so each cue's folder
    // lies two levels below the import root.
    struct ProjectFileSession : ::testing::Test
    {
        void SetUp() override
        {
            for (auto* name : { "violin.wav", "drums.wav", "mystery.wav" })
                test::writeShortWav (cue1.getChildFile (name));

            for (auto* name : { "bass.wav", "piano.wav" })
                test::writeShortWav (cue2.getChildFile (name));

            ASSERT_TRUE (validatePreset (makeProjectPreset()).isValid());
            session.setPreset (makeProjectPreset());
            session.importFiles ({ temp.folder.getFullPathName() }, true);
            ASSERT_EQ (session.getTracks().size(), 5u);
        }

        juce::String trackId (const char* fileName) const { return test::trackIdOf (session, fileName); }

        juce::var document() const
        {
            return juce::JSON::parse (writeProjectFile (session, exportFolder.getFullPathName(), true));
        }

        // Reads the document into a fresh session; the missing list as the caller builds it.
        juce::StringArray open (const juce::var& doc, Session& target) const
        {
            const auto loaded = readProjectFile (juce::JSON::toString (doc));
            EXPECT_TRUE (loaded.ok) << loaded.validation.toText();
            auto missing = loaded.missingFolders;
            target.applyProject (loaded.project, missing);
            return missing;
        }

        UniqueFolder temp;
        juce::File album = temp.file ("Album");
        juce::File cue1 = album.getChildFile ("Cue1");
        juce::File cue2 = album.getChildFile ("Cue2");
        juce::File exportFolder = temp.file ("Export");
        Session session;
    };

    const Track* trackWithFile (const Session& session, const juce::File& file)
    {
        for (const auto& track : session.getTracks())
            if (track.file == file)
                return &track;

        return nullptr;
    }

    juce::var arrayOf (int count, const juce::var& entry)
    {
        juce::Array<juce::var> array;

        for (int i = 0; i < count; ++i)
            array.add (entry);

        return array;
    }

    juce::var trackEntry (const juce::String& path, const juce::String& stemId, const juce::String& source,
                          bool locked = false)
    {
        auto* object = new juce::DynamicObject();
        juce::var value (object);
        object->setProperty ("path", path);
        object->setProperty ("stemId", stemId);
        object->setProperty ("source", source);
        object->setProperty ("locked", locked);
        return value;
    }

    juce::DynamicObject& root (const juce::var& doc)   { return *doc.getDynamicObject(); }

    // Lists and files as plain text, so a failure shows what differs.
    std::string shown (const juce::StringArray& list)   { return list.joinIntoString (" | ").toStdString(); }
    std::string shown (const juce::File& file)          { return file.getFullPathName().toStdString(); }

    std::string shown (const juce::Array<juce::File>& files)
    {
        juce::StringArray paths;

        for (const auto& file : files)
            paths.add (file.getFullPathName());

        return shown (paths);
    }
} // namespace

//==============================================================================
TEST_F (ProjectFileSession, SavedAndReopenedGivesTheSameCuesAndTheUsersAssignments)
{
    const auto c1 = cueIdForFolder (cue1);
    const auto c2 = cueIdForFolder (cue2);
    session.assignTracks ({ trackId ("mystery.wav") }, "stem-Keys", false);
    session.assignTracks ({ trackId ("drums.wav") }, "stem-Strings", true);
    ASSERT_TRUE (session.renameCue (c1, "Opening"));
    session.setCueIncluded (c2, false);
    session.setCueTrimStart (c1, 1.5);
    session.setSubmixOverride (c1, session.getPreset().schema.submixes[0], "stem-Bass", false);

    const auto projectFile = temp.file ("Night.vlpr");
    juce::String error;
    ASSERT_TRUE (saveProjectFile (session, exportFolder.getFullPathName(), projectFile, error)) << error;

    const auto text = projectFile.loadFileAsString();
    EXPECT_FALSE (text.containsChar ('\r'));

    const auto doc = juce::JSON::parse (text);
    juce::StringArray keys;

    for (const auto& member : root (doc).getProperties())
        keys.add (member.name.toString());

    EXPECT_EQ (keys.joinIntoString (","),
               "format,schemaVersion,savedUtc,outputFolder,recurseSubfolders,preset,importedFolders,cues,tracks");
    const auto saved = juce::Time::fromISO8601 (doc["savedUtc"].toString());
    EXPECT_LT (std::abs ((juce::Time::getCurrentTime() - saved).inSeconds()), 60.0);
    EXPECT_TRUE (doc["preset"]["korvid"].getDynamicObject() != nullptr);

    const auto loaded = loadProjectFile (projectFile);
    ASSERT_TRUE (loaded.ok) << loaded.validation.toText();
    EXPECT_TRUE (loaded.validation.warnings.isEmpty());
    EXPECT_EQ (shown (loaded.project.outputFolder), shown (exportFolder));

    Session reopened;
    auto missing = loaded.missingFolders;
    reopened.applyProject (loaded.project, missing);
    EXPECT_TRUE (missing.isEmpty()) << missing.joinIntoString ("\n");
    EXPECT_TRUE (presetsFullyEqual (reopened.getPreset(), session.getPreset()));

    ASSERT_EQ (reopened.getCues().size(), session.getCues().size());

    for (const auto& cue : session.getCues())
    {
        const auto* again = reopened.findCue (cue.id);
        ASSERT_NE (again, nullptr) << cue.name;
        EXPECT_EQ (again->name, cue.name);
        EXPECT_EQ (again->included, cue.included);
        EXPECT_EQ (again->trimStartSeconds, cue.trimStartSeconds);
        EXPECT_EQ (again->submixOverrides, cue.submixOverrides) << cue.name;
        // Same output layout: the cue's place below the import root survives.
        EXPECT_EQ (again->relativeFolder, cue.relativeFolder);
        EXPECT_EQ (shown (cueOutputFolder (*again, exportFolder, true, true)),
                   shown (cueOutputFolder (cue, exportFolder, true, true)));
    }

    EXPECT_EQ (shown (reopened.findCue (c1)->submixOverrides.at ("mix-rhythm")), "stem-Drums");
    EXPECT_EQ (reopened.findCue (c1)->relativeFolder, "Album/Cue1");

    for (const auto& track : session.getTracks())
    {
        const auto* again = trackWithFile (reopened, track.file);
        ASSERT_NE (again, nullptr) << track.file.getFileName();
        EXPECT_EQ (again->stemId, track.stemId) << track.file.getFileName();
        EXPECT_EQ (again->source, track.source) << track.file.getFileName();
    }

    EXPECT_EQ (trackWithFile (reopened, cue1.getChildFile ("drums.wav"))->source, AssignmentSource::locked);
    EXPECT_EQ (trackWithFile (reopened, cue1.getChildFile ("mystery.wav"))->source, AssignmentSource::manual);
    EXPECT_EQ (trackWithFile (reopened, cue1.getChildFile ("violin.wav"))->source, AssignmentSource::automatic);
}

#if ! JUCE_WINDOWS
TEST_F (ProjectFileSession, ASaveCutShortByAFullDiskKeepsTheOldProject)
{
    const auto projectFile = temp.file ("Night.vlpr");
    juce::String error;
    ASSERT_TRUE (saveProjectFile (session, exportFolder.getFullPathName(), projectFile, error)) << error;
    const auto before = projectFile.loadFileAsString();

    ASSERT_TRUE (session.renameCue (cueIdForFolder (cue1), "Opening titles"));
    bool saved = true;

    {
        const test::FileSizeCap cap (projectFile.getSize() - 10);
        saved = saveProjectFile (session, exportFolder.getFullPathName(), projectFile, error);
    }

    EXPECT_FALSE (saved);
    EXPECT_EQ (error, "Writing failed, the disk may be full.");
    EXPECT_EQ (projectFile.loadFileAsString(), before);
    EXPECT_EQ (temp.folder.findChildFiles (juce::File::findFiles, false, "*").size(), 1);
}
#endif

TEST_F (ProjectFileSession, OnlyHandMadeAssignmentsAreRestored)
{
    struct Case
    {
        const char* file;
        const char* savedStem;
        const char* savedSource;
        bool savedLocked;
        const char* expectedStem;
        AssignmentSource expectedSource;
    };

    const Case cases[] = {
        { "violin.wav",  "stem-Keys",    "automatic", false, "stem-Strings", AssignmentSource::automatic },
        { "bass.wav",    "",             "manual",    false, "stem-Bass",    AssignmentSource::automatic },
        { "piano.wav",   "stem-Unknown", "manual",    false, "stem-Keys",    AssignmentSource::automatic },
        { "mystery.wav", "stem-Drums",   "LOCKED ",   true,  "stem-Drums",   AssignmentSource::locked },
        { "drums.wav",   "stem-Bass",    "bogus",     false, "stem-Drums",   AssignmentSource::automatic },
    };

    juce::Array<juce::var> tracks;

    for (const auto& c : cases)
    {
        const auto folder = juce::String (c.file) == "bass.wav" || juce::String (c.file) == "piano.wav" ? cue2 : cue1;
        tracks.add (trackEntry (folder.getChildFile (c.file).getFullPathName(), c.savedStem, c.savedSource,
                                c.savedLocked));
    }

    const auto doc = document();
    test::put (root (doc), "tracks", tracks);

    Session reopened;
    open (doc, reopened);

    for (const auto& c : cases)
    {
        const auto folder = juce::String (c.file) == "bass.wav" || juce::String (c.file) == "piano.wav" ? cue2 : cue1;
        const auto* track = trackWithFile (reopened, folder.getChildFile (c.file));
        ASSERT_NE (track, nullptr) << c.file;
        EXPECT_EQ (track->stemId, juce::String (c.expectedStem)) << c.file;
        EXPECT_EQ (track->source, c.expectedSource) << c.file;
    }
}

TEST_F (ProjectFileSession, TheCuesPlaceBelowItsImportRootIsKeptAndKeptSafe)
{
    const auto c1 = cueIdForFolder (cue1);

    struct Case
    {
        const char* name;
        std::optional<juce::String> saved;   // absent: the key is not in the document
        juce::String expected;
    };

    const Case cases[] = {
        { "kept",                  juce::String ("Album/Cue1"),  "Album/Cue1" },
        { "absent, as before",     std::nullopt,                 "Cue1" },   // the import of the folder decides
        { "climbing out is cut",   juce::String ("../../x\\y"),  "untitled/untitled/x/y" },
    };

    for (const auto& c : cases)
    {
        const auto doc = document();
        auto& cueObject = *doc["cues"][0].getDynamicObject();
        ASSERT_EQ (cueObject.getProperty ("folder").toString(), cue1.getFullPathName());

        if (c.saved.has_value())
            test::put (cueObject, "relativeFolder", *c.saved);
        else
            cueObject.removeProperty ("relativeFolder");

        Session reopened;
        open (doc, reopened);
        const auto* cue = reopened.findCue (c1);
        ASSERT_NE (cue, nullptr) << c.name;
        EXPECT_EQ (cue->relativeFolder, c.expected) << c.name;
        EXPECT_TRUE (cueOutputFolder (*cue, exportFolder, true, true).isAChildOf (exportFolder)) << c.name;
    }
}

TEST_F (ProjectFileSession, MissingFoldersAndFilesAreListedOnceEach)
{
    const auto doc = document();
    const auto violin = cue1.getChildFile ("violin.wav").getFullPathName();

    // The same file saved twice, and a folder named twice.
    auto* tracks = doc["tracks"].getArray();
    tracks->add (trackEntry (violin, "stem-Strings", "manual"));
    doc["importedFolders"].getArray()->add (cue2.getFullPathName());

    ASSERT_TRUE (cue1.getChildFile ("violin.wav").deleteFile());
    ASSERT_TRUE (cue2.deleteRecursively());

    const auto loaded = readProjectFile (juce::JSON::toString (doc));
    ASSERT_TRUE (loaded.ok) << loaded.validation.toText();
    EXPECT_EQ (shown (loaded.missingFolders), shown (cue2));
    EXPECT_EQ (shown (loaded.project.importedFolders), shown (cue1));

    Session reopened;
    auto missing = loaded.missingFolders;
    reopened.applyProject (loaded.project, missing);

    juce::StringArray expected { cue2.getFullPathName(), violin,
                                 cue2.getChildFile ("bass.wav").getFullPathName(),
                                 cue2.getChildFile ("piano.wav").getFullPathName() };
    EXPECT_EQ (shown (missing), shown (expected));
    EXPECT_EQ (reopened.getTracks().size(), 2u);
}

//==============================================================================
TEST (ProjectFile, RefusalsGiveOneSentenceAndNothingElse)
{
    Session empty;
    const auto base = writeProjectFile (empty, {}, true);

    const auto mutated = [&base] (const std::function<void (juce::DynamicObject&)>& change)
    {
        auto doc = juce::JSON::parse (base);
        change (*doc.getDynamicObject());
        return juce::JSON::toString (doc);
    };

    const auto set = [&mutated] (const char* key, const juce::var& value)
    {
        return mutated ([key, value] (juce::DynamicObject& r) { test::put (r, key, value); });
    };

    const auto entries = [&set] (const char* key, int count)
    {
        auto* object = new juce::DynamicObject();
        juce::var entry (object);
        object->setProperty ("path", "/nowhere/take.wav");
        object->setProperty ("folder", "/nowhere");
        return set (key, arrayOf (count, juce::String (key) == "importedFolders" ? juce::var ("/nowhere") : entry));
    };

    struct Case
    {
        const char* name;
        juce::String text;
        juce::String expectedError;   // empty: the project opens
    };

    const Case cases[] = {
        { "no JSON",                 "{ \"format\": ",                                          notAProject },
        { "empty text",              "",                                                        notAProject },
        { "a JSON array",            "[ { \"format\": \"velvane.project\" } ]",                  notAProject },
        { "format in other case",    set ("format", "Velvane.Project"),                         notAProject },
        { "no format",               mutated ([] (auto& r) { r.removeProperty ("format"); }),    notAProject },
        { "no version",              mutated ([] (auto& r) { r.removeProperty ("schemaVersion"); }), noVersion },
        { "version 0",               set ("schemaVersion", 0),                                  noVersion },
        { "version 0.5",             set ("schemaVersion", 0.5),                                noVersion },
        { "version -1e10",           set ("schemaVersion", -1.0e10),                            noVersion },
        { "version as a word",       set ("schemaVersion", "one"),                              noVersion },
        { "version true",            set ("schemaVersion", true),                               noVersion },
        { "version 2",               set ("schemaVersion", 2),                                  newerVersion },
        { "version 1e10",            set ("schemaVersion", 1.0e10),                             newerVersion },
        { "version 1e300",           set ("schemaVersion", 1.0e300),                            newerVersion },
        { "version 2^32 + 1",        set ("schemaVersion", (juce::int64) 4294967297LL),         newerVersion },
        { "version as the text 1",   set ("schemaVersion", "1"),                                {} },
        { "no preset",               mutated ([] (auto& r) { r.removeProperty ("preset"); }),    "That project has no preset in it." },
        { "preset not an object",    set ("preset", "builtin-empty"),                           "That project has no preset in it." },
        { "newer preset",
          mutated ([] (auto& r) { test::put (test::objectAt (juce::var (&r), { "preset", "korvid" }), "schemaVersion", 4); }),
          "This preset was written by a newer version of Velvane (schema version 4, this build understands up to 3)." },
        { "unreadable preset value",
          mutated ([] (auto& r) { test::put (test::objectAt (juce::var (&r), { "preset", "preset", "export" }), "masterSampleRate", "48000"); }),
          "preset.export.masterSampleRate must be a number." },
        { "2048 folders",            entries ("importedFolders", 2048),                         {} },
        { "2049 folders",            entries ("importedFolders", 2049),                         "That project names more folders than Velvane will open." },
        { "2048 cues",               entries ("cues", 2048),                                    {} },
        { "2049 cues",               entries ("cues", 2049),                                    "That project names more cues than Velvane will open." },
        { "2048 tracks",             entries ("tracks", 2048),                                  {} },
        { "2049 tracks",             entries ("tracks", 2049),                                  "That project names more tracks than Velvane will open." },
    };

    for (const auto& c : cases)
    {
        const auto result = readProjectFile (c.text);

        if (c.expectedError.isEmpty())
        {
            EXPECT_TRUE (result.ok) << c.name << ": " << result.validation.toText();
            continue;
        }

        EXPECT_FALSE (result.ok) << c.name;
        EXPECT_EQ (shown (result.validation.errors), c.expectedError.toStdString()) << c.name;
        EXPECT_TRUE (result.project.tracks.empty() && result.project.cues.empty()) << c.name;
    }

    EXPECT_EQ (readProjectFile (entries ("tracks", 2048)).project.tracks.size(), 2048u);
}

TEST (ProjectFile, LoaderChecksPresenceAndSizeBeforeReading)
{
    UniqueFolder temp;
    const auto tooLarge = "That project file is far larger than any project should be.";

    const auto missing = temp.file ("gone.vlpr");
    EXPECT_EQ (shown (loadProjectFile (missing).validation.errors),
               "There is no file at " + shown (missing) + ".");

    const auto atLimit = temp.file ("limit.vlpr");
    test::makeSparseFile (atLimit, maxProjectFileBytes);
    EXPECT_EQ (shown (loadProjectFile (atLimit).validation.errors), notAProject);

    const auto over = temp.file ("over.vlpr");
    test::makeSparseFile (over, maxProjectFileBytes + 1);
    EXPECT_EQ (shown (loadProjectFile (over).validation.errors), tooLarge);
}

TEST (ProjectFile, APresetStillBeingEditedOpensWithItsFindingsAsWarnings)
{
    // An unnamed stem, a duplicate short code and an empty rule: refused by the preset
    // library, yet what a project is saved with in the middle of an edit.
    auto preset = makeProjectPreset();
    preset.schema.stems[1].displayName = {};
    preset.schema.stems[2].shortCode = "STR";
    preset.schema.stems[3].rules.emplace_back (" ");
    const auto findings = validatePreset (preset);
    ASSERT_FALSE (findings.isValid());

    Session session;
    session.setPreset (preset);
    const auto result = readProjectFile (writeProjectFile (session, {}, true));

    ASSERT_TRUE (result.ok) << result.validation.toText();

    for (const auto& sentence : findings.errors)
        EXPECT_TRUE (result.validation.warnings.contains (sentence)) << sentence;

    EXPECT_TRUE (result.validation.warnings.contains ("That project has nothing in it."));
    EXPECT_TRUE (presetsFullyEqual (result.project.preset, preset));

    // The same reading as the preset reader, value for value, for a valid and a broken preset.
    auto rich = test::makeRichPreset();

    for (auto broken : { false, true })
    {
        if (broken)
            rich.schema.stems[0].displayName = " ";

        Preset read;
        ValidationResult richFindings;
        ASSERT_TRUE (readProjectPreset (juce::JSON::parse (presetToJson (rich)), read, richFindings)) << broken;
        EXPECT_TRUE (richFindings.errors.isEmpty());
        EXPECT_TRUE (presetsFullyEqual (read, broken ? rich : parsePresetJson (presetToJson (rich)).preset)) << broken;
        const auto expected = validatePreset (rich);
        EXPECT_EQ (expected.isValid(), ! broken);

        for (const auto& sentence : expected.errors)
            EXPECT_TRUE (richFindings.warnings.contains (sentence)) << sentence;
    }
}

TEST (ProjectFile, EntriesAreReadLeniently)
{
    UniqueFolder temp;
    Session empty;
    auto doc = juce::JSON::parse (writeProjectFile (empty, "relative/out", true));
    auto& r = *doc.getDynamicObject();

    test::put (r, "recurseSubfolders", "no");
    test::put (r, "importedFolders", juce::JSON::parse ("[\"" + temp.folder.getFullPathName()
                                                       + "\", \".\", \"/does/not/exist\", \"/does/not/exist\", \"\"]"));
    test::put (r, "cues", juce::JSON::parse (R"([
        { "folder": "/a", "trimStartSeconds": -3, "included": false },
        "not an object",
        { "trimStartSeconds": "2.5", "included": "yes", "submixOverrides": { "m1": "s1\n\n  \n s2", "m2": 7 } }
    ])"));
    test::put (r, "tracks", juce::JSON::parse (R"([
        { "stemId": "s1", "source": "manual" },
        5,
        { "path": "/a/take.wav", "stemId": 7, "source": "bogus", "locked": "true" },
        { "path": "/a/other.wav", "source": " Manual ", "locked": true }
    ])"));

    const auto result = readProjectFile (juce::JSON::toString (doc));
    ASSERT_TRUE (result.ok) << result.validation.toText();
    EXPECT_FALSE (result.validation.warnings.contains ("That project has nothing in it."));

    const auto& project = result.project;
    EXPECT_EQ (shown (project.outputFolder), "");   // a relative path names no folder
    EXPECT_TRUE (project.recurseSubfolders);
    EXPECT_EQ (shown (project.importedFolders), shown (temp.folder));
    EXPECT_EQ (shown (result.missingFolders), ". | /does/not/exist");

    ASSERT_EQ (project.cues.size(), 3u);
    EXPECT_EQ (project.cues[0].folder, "/a");
    EXPECT_EQ (project.cues[0].trimStartSeconds, 0.0);
    EXPECT_FALSE (project.cues[0].included);
    EXPECT_TRUE (project.cues[1].included);
    EXPECT_TRUE (project.cues[1].folder.isEmpty());
    EXPECT_EQ (project.cues[2].trimStartSeconds, 2.5);
    EXPECT_TRUE (project.cues[2].included);
    EXPECT_EQ (shown (project.cues[2].submixOverrides.at ("m1")), "s1 |  s2");
    EXPECT_EQ (shown (project.cues[2].submixOverrides.at ("m2")), "7");
    EXPECT_FALSE (project.cues[2].relativeFolder.has_value());

    ASSERT_EQ (project.tracks.size(), 2u);
    EXPECT_EQ (project.tracks[0].path, "/a/take.wav");
    EXPECT_EQ (project.tracks[0].stemId, "7");
    EXPECT_EQ (project.tracks[0].source, AssignmentSource::none);
    EXPECT_FALSE (project.tracks[0].locked);
    EXPECT_EQ (project.tracks[1].source, AssignmentSource::manual);
    EXPECT_TRUE (project.tracks[1].locked);
}

TEST_F (ProjectFileSession, AnEmptyProjectEmptiesTheSessionUnderItsPreset)
{
    Session emptySession;
    auto preset = makeProjectPreset();
    preset.name = "Saved";
    emptySession.setPreset (preset);

    const auto result = readProjectFile (writeProjectFile (emptySession, {}, true));
    ASSERT_TRUE (result.ok);
    EXPECT_EQ (shown (result.validation.warnings), "That project has nothing in it.");

    juce::StringArray missing;
    session.applyProject (result.project, missing);
    EXPECT_TRUE (session.getTracks().empty());
    EXPECT_TRUE (session.getCues().empty());
    EXPECT_EQ (session.getPreset().name, "Saved");
    EXPECT_TRUE (missing.isEmpty());
}
