#include "app/AppState.h"
#include "app/ProjectOpening.h"
#include "support/FileSizeCap.h"
#include "support/MessageLoop.h"
#include "support/ScopedEnvironmentVariable.h"

#include "core/model/BuiltInPresets.h"
#include "core/storage/ProjectFile.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace korvid::ui
{
namespace
{
    using testing::ScriptedDialogs;


    struct ChangeCounter final : juce::ChangeListener
    {
        int count = 0;
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    };

    void pumpMessages (int milliseconds = 60)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** What the settings file holds on disk right now, read without the application state. */
    std::unique_ptr<juce::PropertiesFile> settingsOnDisk (const juce::String& programName = "Velvane")
    {
        auto options = AppState::settingsOptionsFor (programName);
        options.doNotSave = true;
        return std::make_unique<juce::PropertiesFile> (AppState::settingsFileFor (programName), options);
    }

    void writeSettings (const juce::String& programName, const juce::StringPairArray& values)
    {
        juce::PropertiesFile file (AppState::settingsFileFor (programName), AppState::settingsOptionsFor (programName));

        for (const auto& key : values.getAllKeys())
            file.setValue (key, values[key]);

        ASSERT_TRUE (file.save());
    }

    /** A home folder of its own for every test, so the settings, presets and templates of
        one test never reach another (or the user's). */
    class AppStateTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-app-state-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());
        }

        void TearDown() override
        {
            state.reset();
            configVariable.reset();
            homeVariable.reset();
            root.deleteRecursively();
        }

        /** Folders "Import 0" ... below the test's root, made on disk. */
        juce::Array<juce::File> makeImportFolders (int count) const
        {
            juce::Array<juce::File> folders;

            for (int i = 0; i < count; ++i)
            {
                folders.add (root.getChildFile ("Import " + juce::String (i)));
                EXPECT_TRUE (folders.getLast().createDirectory());
            }

            return folders;
        }

        AppState& start()
        {
            auto scripted = std::make_unique<ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (PreviewEngine::OutputMode::none, std::move (scripted));
            return *state;
        }

        void restart()
        {
            state.reset();
            start();
        }

        juce::File appData() const { return home.getChildFile (".config"); }

        juce::File root, home;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        ScriptedDialogs* dialogs = nullptr;
    };

    //==============================================================================
    TEST_F (AppStateTest, FirstStartUsesTheDefaultsAndKeepsSettingsInTheAppDataFolder)
    {
        auto& s = start();

        EXPECT_EQ (s.settings->getFile(), appData().getChildFile ("Velvane/Velvane.settings"));
        EXPECT_EQ (s.presetStore->root, appData().getChildFile ("Velvane/Presets"));
        EXPECT_EQ (s.presetId, makeEmptyPreset().id);
        EXPECT_EQ (s.session.getPreset().id, makeEmptyPreset().id);
        EXPECT_EQ (s.outputFolder, juce::File());
        EXPECT_EQ (s.projectFile, juce::File());
        EXPECT_FALSE (s.hasReport);
        EXPECT_FALSE (s.getStemsAlphabetical());
        EXPECT_TRUE (s.getRecentProjects().isEmpty());
        EXPECT_TRUE (s.getRecentImportFolders().isEmpty());
        EXPECT_FALSE (s.isPresetModified());

        state.reset();

        // The exit writes the preset id; an empty output folder is not written.
        const auto onDisk = settingsOnDisk();
        EXPECT_EQ (onDisk->getValue ("presetId"), makeEmptyPreset().id);
        EXPECT_FALSE (onDisk->containsKey ("outputFolder"));
        EXPECT_FALSE (home.getChildFile ("Velvane").exists());
    }

    TEST_F (AppStateTest, EarlierSettingsAreCopiedOnceAndOnlyRead)
    {
        writeSettings ("Korvid", [] {
            juce::StringPairArray values;
            values.set ("uiScalePercent", "110");
            values.set ("recentImportFolders", "/a\n/b");
            values.set ("reviewAlphabeticalStems", "1");
            return values;
        }());
        const auto earlierFile = AppState::settingsFileFor ("Korvid");
        EXPECT_EQ (earlierFile, appData().getChildFile ("Korvid/Korvid.settings"));
        const auto earlierText = earlierFile.loadFileAsString();

        start();
        {
            // Copied and saved at once, before anything else was written.
            const auto onDisk = settingsOnDisk();
            EXPECT_EQ (onDisk->getValue ("uiScalePercent"), "110");
            EXPECT_EQ (onDisk->getValue ("recentImportFolders"), "/a\n/b");
            EXPECT_TRUE (state->getStemsAlphabetical());
        }
        EXPECT_EQ (earlierFile.loadFileAsString(), earlierText);

        state.reset();
        writeSettings ("Korvid", [] {
            juce::StringPairArray values;
            values.set ("uiScalePercent", "90");
            values.set ("customPalette", "changed later");
            return values;
        }());

        start();
        EXPECT_EQ (state->settings->getValue ("uiScalePercent"), "110");
        EXPECT_FALSE (state->settings->containsKey ("customPalette"));
    }

    TEST_F (AppStateTest, EmptyEarlierSettingsCopyNothing)
    {
        writeSettings ("Korvid", {});
        AppState::settingsFileFor ("Korvid").replaceWithText ("<?xml version=\"1.0\"?>\n<PROPERTIES/>\n");

        auto& s = start();
        // Only what the start-up itself writes.
        EXPECT_FALSE (s.settings->containsKey ("uiScalePercent"));
        EXPECT_FALSE (s.settings->containsKey ("recentProjects"));
    }

    //==============================================================================
    /** Damaged settings files of every kind the start must survive: the bytes, and what the
        notice must name as the reason. */
    struct DamagedSettings
    {
        const char* name;
        juce::MemoryBlock bytes;
        juce::String reason;
    };

    juce::MemoryBlock bytesOf (const juce::String& text)
    {
        return { text.toRawUTF8(), text.getNumBytesAsUTF8() };
    }

    juce::MemoryBlock bytesIn (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return bytes;
    }

    std::vector<DamagedSettings> damagedSettingsFiles()
    {
        const juce::String header ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
        // The parser recurses once per level it opens; the closing tags would not fit the size limit.
        const auto nested = header + "<PROPERTIES>" + juce::String::repeatedString ("<a>", 200000);

        // Well-formed, but one byte over the limit.
        const auto value = "<PROPERTIES>\n  <VALUE name=\"big\" val=\"";
        const auto ending = juce::String ("\"/>\n</PROPERTIES>\n");
        const auto padding = (int) AppState::maxSettingsFileBytes + 1
                           - (int) (header.getNumBytesAsUTF8() + std::strlen (value) + ending.getNumBytesAsUTF8());
        const auto huge = header + value + juce::String::repeatedString ("x", padding) + ending;

        return {
            { "nested 200,000 levels deep", bytesOf (nested), "more than 64 levels deep" },
            { "over the size limit", bytesOf (huge), "larger than the 1024 kB limit" },
            { "not XML at all", bytesOf ("\x01\x02 PROP garbage {"), "This is not valid XML" },
            { "cut off half way", bytesOf (header + "<PROPERTIES>\n  <VALUE name=\"presetId\" val=\"x"), "This is not valid XML" },
            { "another kind of document", bytesOf (header + "<PRESET/>"), "<PRESET> where <PROPERTIES>" },
            { "entities that expand", bytesOf (header + "<!DOCTYPE PROPERTIES [<!ENTITY a \"&a;&a;\">]><PROPERTIES>&a;</PROPERTIES>"),
              "declaration" },
        };
    }

    TEST_F (AppStateTest, ADamagedSettingsFileIsKeptAsideAndTheProgramStartsAndClosesOnDefaults)
    {
        const auto settingsFile = AppState::settingsFileFor ("Velvane");
        const auto kept = settingsFile.getSiblingFile ("Velvane.unreadable.settings");

        for (const auto& damaged : damagedSettingsFiles())
        {
            SCOPED_TRACE (damaged.name);
            settingsFile.deleteFile();
            kept.deleteFile();
            ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
            ASSERT_TRUE (settingsFile.replaceWithData (damaged.bytes.getData(), damaged.bytes.getSize()));

            // A start on the defaults, the file moved aside unread before anything was written.
            auto& s = start();
            EXPECT_EQ (s.presetId, makeEmptyPreset().id);
            EXPECT_FALSE (s.settings->containsKey ("big"));
            EXPECT_EQ (s.settings->getFile(), settingsFile);
            EXPECT_TRUE (kept.existsAsFile());
            EXPECT_TRUE (bytesIn (kept) == damaged.bytes);   // not written over, not even read into a new form

            // Said once the start is over.
            test::pumpMessagesUntil ([this] { return ! dialogs->asked.empty(); });
            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].title, "The settings could not be read");
            EXPECT_TRUE (dialogs->asked[0].message.contains (damaged.reason)) << dialogs->asked[0].message;
            EXPECT_TRUE (dialogs->asked[0].message.contains (kept.getFullPathName())) << dialogs->asked[0].message;

            // The close writes new settings beside the kept copy.
            s.setStemsAlphabetical (true);
            state.reset();
            EXPECT_EQ (settingsOnDisk()->getValue ("presetId"), makeEmptyPreset().id);
            EXPECT_TRUE (settingsOnDisk()->getBoolValue ("stemsAlphabetical"));
            EXPECT_TRUE (bytesIn (kept) == damaged.bytes);

            // The next start reads them and has nothing to say.
            start();
            EXPECT_TRUE (state->getStemsAlphabetical());
            pumpMessages();
            EXPECT_TRUE (dialogs->asked.empty());
            state.reset();
        }
    }

    TEST_F (AppStateTest, AnUnreadableTemplateStoreIsKeptAsideAndSaidOnce)
    {
        const auto storeFile = TemplateStore::defaultFile();
        const auto kept = storeFile.getSiblingFile ("StemTemplates.unreadable.json");
        const auto tooLarge = "{\"templates\": []}" + juce::String::repeatedString (" ", (int) TemplateStore::maxFileBytes);

        struct Case { const char* what; juce::String content; juce::String reason; };
        const Case cases[] {
            { "over the size limit", tooLarge, "larger than the 4 MB limit" },
            { "not a template list", "{ broken", "does not hold a list of stem templates" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            storeFile.getParentDirectory().deleteRecursively();
            ASSERT_TRUE (storeFile.getParentDirectory().createDirectory());
            ASSERT_TRUE (storeFile.replaceWithText (c.content));

            auto& s = start();
            EXPECT_TRUE (s.templates.templates.empty());
            EXPECT_FALSE (storeFile.exists());
            EXPECT_EQ (kept.loadFileAsString(), c.content);

            test::pumpMessagesUntil ([this] { return ! dialogs->asked.empty(); });
            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].title, "The stem templates could not be read");
            EXPECT_TRUE (dialogs->asked[0].message.contains (c.reason)) << dialogs->asked[0].message;
            EXPECT_TRUE (dialogs->asked[0].message.contains (kept.getFullPathName())) << dialogs->asked[0].message;

            // The next start has nothing to say, and a saved template lands beside the kept copy.
            restart();
            pumpMessages();
            EXPECT_TRUE (dialogs->asked.empty());

            juce::String error;
            ASSERT_TRUE (state->templates.addOrReplace (StemTemplate ({}, "Pad", "PD", 0xff8a8f94, { "pad" }, {}), error)) << error;
            EXPECT_EQ (kept.loadFileAsString(), c.content);
            EXPECT_EQ (TemplateStore (storeFile).templates.size(), 1u);
            state.reset();
        }
    }

    TEST_F (AppStateTest, AnEarlierKeptCopyIsNeverReplaced)
    {
        const auto settingsFile = AppState::settingsFileFor ("Velvane");
        ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile.getSiblingFile ("Velvane.unreadable.settings").replaceWithText ("earlier"));
        ASSERT_TRUE (settingsFile.replaceWithText ("{ broken"));

        start();
        state.reset();

        EXPECT_EQ (settingsFile.getSiblingFile ("Velvane.unreadable.settings").loadFileAsString(), "earlier");
        EXPECT_EQ (settingsFile.getSiblingFile ("Velvane.unreadable-2.settings").loadFileAsString(), "{ broken");
    }

    TEST_F (AppStateTest, EmptyOrMissingSettingsAreNoDamage)
    {
        const auto settingsFile = AppState::settingsFileFor ("Velvane");
        ASSERT_TRUE (settingsFile.getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile.replaceWithText ({}));

        start();
        pumpMessages();
        EXPECT_TRUE (dialogs->asked.empty());
        state.reset();

        EXPECT_EQ (settingsFile.getParentDirectory().findChildFiles (juce::File::findFiles, false, "*.settings").size(), 1);
        EXPECT_EQ (settingsOnDisk()->getValue ("presetId"), makeEmptyPreset().id);
    }

    TEST_F (AppStateTest, ADamagedEarlierSettingsFileIsPassedOverUntouched)
    {
        const auto earlier = AppState::settingsFileFor ("Korvid");

        for (const auto& damaged : damagedSettingsFiles())
        {
            SCOPED_TRACE (damaged.name);
            AppState::settingsFileFor ("Velvane").deleteFile();
            ASSERT_TRUE (earlier.getParentDirectory().createDirectory());
            ASSERT_TRUE (earlier.replaceWithData (damaged.bytes.getData(), damaged.bytes.getSize()));

            start();
            EXPECT_FALSE (state->settings->containsKey ("big"));
            pumpMessages();
            EXPECT_TRUE (dialogs->asked.empty());
            state.reset();

            EXPECT_TRUE (bytesIn (earlier) == damaged.bytes);
            EXPECT_EQ (earlier.getParentDirectory().getNumberOfChildFiles (juce::File::findFiles), 1);
        }
    }

    //==============================================================================
    TEST_F (AppStateTest, SavedSettingsAreTheFrameworksDocumentAndReadBackWithEveryKey)
    {
        juce::StringPairArray values;
        values.set ("customPalette", "<PALETTE windowBackground=\"ff101820\" text=\"ffe0e0e0\"/>");
        values.set ("useCustomPalette", "1");
        values.set ("recentProjects", "/films/One.vlpr\n/films/Two & \"three\" <four>.vlpr");
        values.set ("exportNames", "<not closed\nSecond line");
        values.set ("composer", juce::CharPointer_UTF8 ("Zo\xc3\xab \xe5\xb1\xb1\xe7\x94\xb0  "));
        values.set ("nothing", "");

        auto& s = start();

        for (const auto& key : values.getAllKeys())
            s.settings->setValue (key, values[key]);

        s.saveSettings();
        const auto onDisk = settingsOnDisk();

        for (const auto& key : values.getAllKeys())
        {
            SCOPED_TRACE (key);
            EXPECT_TRUE (onDisk->containsKey (key));
            EXPECT_EQ (onDisk->getValue (key), values[key]);
        }

        EXPECT_EQ (onDisk->getValue ("presetId"), makeEmptyPreset().id);
        EXPECT_EQ (onDisk->getAllProperties().size(), values.size() + 1);

        // Byte for byte the document the framework itself writes.
        const auto frameworkFile = root.getChildFile ("framework.settings");
        {
            juce::PropertiesFile framework (frameworkFile, AppState::settingsOptionsFor ("Velvane"));
            framework.getAllProperties() = s.settings->getAllProperties();
            ASSERT_TRUE (framework.save());
        }
        EXPECT_TRUE (bytesIn (s.settings->getFile()) == bytesIn (frameworkFile));
    }

    TEST_F (AppStateTest, AChangeIsWrittenByTheDelayedSave)
    {
        auto& s = start();
        const auto folder = root.getChildFile ("Out");
        s.setOutputFolder (folder);
        EXPECT_FALSE (settingsOnDisk()->containsKey ("outputFolder"));

        EXPECT_TRUE (test::pumpMessagesUntil ([&folder]
        {
            return settingsOnDisk()->getValue ("outputFolder") == folder.getFullPathName();
        }, 60000));
    }

   #if ! JUCE_WINDOWS
    // A disk that fills while the settings are written: whichever save meets it, the file
    // stays as it was, no temporary file is left, and the change is written by a later save.
    TEST_F (AppStateTest, ASettingsSaveCutShortKeepsTheOldSettingsFile)
    {
        const struct
        {
            const char* what;
            std::function<void()> save;
        } cases[] {
            { "a change saved at once", [this] { state->setStemsAlphabetical (true); } },
            { "a recent project", [this] { state->addRecentProject (root.getChildFile ("Film.vlpr")); } },
            { "saved on request", [this] { state->saveSettings(); } },
            { "saved on closing", [this] { state.reset(); } },
        };

        const auto settingsFile = AppState::settingsFileFor ("Velvane");
        const auto padding = juce::String::repeatedString ("x", 4096);

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.what);
            start();
            state->saveSettings();
            const auto before = bytesIn (settingsFile);
            ASSERT_GT (before.getSize(), 0u);

            state->settings->setValue ("padding", padding);

            {
                const test::FileSizeCap cap ((juce::int64) before.getSize() + 100);
                c.save();
            }

            EXPECT_TRUE (bytesIn (settingsFile) == before);
            EXPECT_TRUE (settingsFile.getParentDirectory().findChildFiles (juce::File::findFiles, false, ".*").isEmpty());

            if (state != nullptr)
            {
                state->saveSettings();
                EXPECT_TRUE (settingsOnDisk()->getValue ("padding") == padding) << "the change waited for the next save";
                state.reset();
            }

            settingsFile.deleteFile();
        }
    }
   #endif

    TEST_F (AppStateTest, StartsOnTheStoredPresetOrFallsBackToTheLibrarysEmptyPreset)
    {
        // A user preset in the library, remembered by the last run.
        juce::String userId;
        {
            auto& s = start();
            juce::String error;
            ASSERT_TRUE (s.presetStore->createPreset (makeHybridOrchestraExamplePreset(), "Mine",
                                                      PresetKind::project, userId, error)) << error;
        }

        struct Case
        {
            const char* name;
            std::function<juce::String (AppState&)> prepare;   // gives the id to store
            std::function<juce::String()> expectedId;
            juce::String expectedSessionPresetId;
        };

        const Case cases[] = {
            { "no stored id", [] (AppState&) { return juce::String(); },
              [] { return makeEmptyPreset().id; }, makeEmptyPreset().id },
            { "a user preset", [&] (AppState&) { return userId; },
              [&] { return userId; }, userId },
            { "a built-in preset", [] (AppState&) { return makeHybridOrchestraExamplePreset().id; },
              [] { return makeHybridOrchestraExamplePreset().id; }, makeHybridOrchestraExamplePreset().id },
            { "an id the library does not know", [] (AppState&) { return juce::String ("0b6ff7c2-0000-4000-8000-000000000000"); },
              [] { return makeEmptyPreset().id; }, makeEmptyPreset().id },
            { "a preset whose file was deleted", [&] (AppState& s)
              {
                  s.presetStore->findEntry (userId)->file.deleteFile();
                  return userId;
              },
              [] { return makeEmptyPreset().id; }, makeEmptyPreset().id },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            state->presetId = c.prepare (*state);
            restart();
            EXPECT_EQ (state->presetId, c.expectedId());
            EXPECT_EQ (state->session.getPreset().id, c.expectedSessionPresetId);
        }
    }

    TEST_F (AppStateTest, WithoutAnyLibraryPresetTheSessionKeepsItsOwnEmptyPreset)
    {
        // The library cannot make its folders: nothing loads, not even the empty preset.
        ASSERT_TRUE (appData().getChildFile ("Velvane").createDirectory());
        ASSERT_TRUE (appData().getChildFile ("Velvane/Presets").replaceWithText ("in the way"));
        writeSettings ("Velvane", [] { juce::StringPairArray v; v.set ("presetId", "builtin-empty"); return v; }());

        auto& s = start();
        EXPECT_TRUE (s.presetId.isEmpty());
        EXPECT_EQ (s.session.getPreset().id, makeEmptyPreset().id);
        EXPECT_TRUE (s.isPresetModified());

        state.reset();
        EXPECT_EQ (settingsOnDisk()->getValue ("presetId", "absent"), "");
    }

    TEST_F (AppStateTest, StoredOutputFolderIsKeptOnlyWhenItExists)
    {
        const auto existing = root.getChildFile ("Deliveries");
        ASSERT_TRUE (existing.createDirectory());
        const auto gone = root.getChildFile ("Gone");

        for (const auto& folder : { existing, gone })
        {
            SCOPED_TRACE (folder.getFullPathName());
            writeSettings ("Velvane", [&] { juce::StringPairArray v; v.set ("outputFolder", folder.getFullPathName()); return v; }());

            start();
            EXPECT_EQ (state->outputFolder, folder.isDirectory() ? folder : juce::File());
            state.reset();

            // A folder that went away is forgotten for this run only.
            EXPECT_EQ (settingsOnDisk()->getValue ("outputFolder"), folder.getFullPathName());
        }
    }

    //==============================================================================
    TEST_F (AppStateTest, StemsAlphabeticalFallsBackToTheOlderKey)
    {
        struct Case { const char* older; const char* current; bool expected; };
        const Case cases[] = {
            { nullptr, nullptr, false },
            { "1", nullptr, true },
            { "0", nullptr, false },
            { "1", "0", false },
            { "0", "1", true },
            { nullptr, "1", true },
        };

        auto& s = start();

        for (const auto& c : cases)
        {
            SCOPED_TRACE (juce::String (c.older ? c.older : "-") + " / " + (c.current ? c.current : "-"));

            for (auto [key, value] : { std::pair { "reviewAlphabeticalStems", c.older }, std::pair { "stemsAlphabetical", c.current } })
            {
                if (value != nullptr)
                    s.settings->setValue (key, juce::String (value));
                else
                    s.settings->removeValue (key);
            }

            EXPECT_EQ (s.getStemsAlphabetical(), c.expected);
        }

        s.settings->setValue ("reviewAlphabeticalStems", "1");
        s.setStemsAlphabetical (false);
        EXPECT_FALSE (s.getStemsAlphabetical());

        const auto onDisk = settingsOnDisk();   // saved at once; the older key stays as it was
        EXPECT_EQ (onDisk->getValue ("stemsAlphabetical"), "0");
        EXPECT_EQ (onDisk->getValue ("reviewAlphabeticalStems"), "1");
    }

    //==============================================================================
    TEST_F (AppStateTest, RecentProjectsReadTrimmedAndCapped)
    {
        auto& s = start();

        juce::StringArray lines;
        for (int i = 0; i < 25; ++i)
            lines.add ((i % 3 == 0 ? "  " : "") + root.getChildFile ("p" + juce::String (i) + ".vlpr").getFullPathName() + (i % 4 == 0 ? " \r" : ""));
        lines.insert (3, "");
        lines.insert (7, "   ");
        s.settings->setValue ("recentProjects", lines.joinIntoString ("\n"));

        const auto recent = s.getRecentProjects();
        ASSERT_EQ (recent.size(), AppState::maxRecentProjects);
        for (int i = 0; i < recent.size(); ++i)
            EXPECT_EQ (recent[i], root.getChildFile ("p" + juce::String (i) + ".vlpr"));
    }

    TEST_F (AppStateTest, AddingRecentEntriesMovesToTheFrontDropsTheOldestAndSavesAtOnce)
    {
        auto& s = start();
        const auto project = [&] (int i) { return root.getChildFile ("p" + juce::String (i) + ".vlpr"); };

        for (int i = 0; i < 5; ++i)
            s.addRecentProject (project (i));

        s.addRecentProject (project (2));   // third from the front
        s.addRecentProject (juce::File());  // ignored

        auto recent = s.getRecentProjects();
        ASSERT_EQ (recent.size(), 5);
        EXPECT_EQ (recent[0], project (2));
        EXPECT_EQ (recent[1], project (4));
        EXPECT_EQ (recent[4], project (0));

        for (int i = 5; i < 21; ++i)
            s.addRecentProject (project (i));

        recent = s.getRecentProjects();
        ASSERT_EQ (recent.size(), 20);
        EXPECT_EQ (recent[0], project (20));
        EXPECT_FALSE (recent.contains (project (0)));   // the oldest went
        EXPECT_EQ (settingsOnDisk()->getValue ("recentProjects").upToFirstOccurrenceOf ("\n", false, false),
                   project (20).getFullPathName());

        s.clearRecentProjects();
        EXPECT_TRUE (s.getRecentProjects().isEmpty());
        EXPECT_FALSE (settingsOnDisk()->containsKey ("recentProjects"));
    }

    TEST_F (AppStateTest, RecentImportFoldersTakeOnlyExistingFoldersUpToFifteen)
    {
        auto& s = start();
        const auto folders = makeImportFolders (17);

        const auto aFile = root.getChildFile ("file.wav");
        ASSERT_TRUE (aFile.replaceWithText ("x"));

        for (const auto& notAFolder : { root.getChildFile ("missing"), aFile, juce::File() })
            s.addRecentImportFolder (notAFolder);

        EXPECT_TRUE (s.getRecentImportFolders().isEmpty());
        EXPECT_FALSE (s.settings->containsKey ("recentImportFolders"));

        for (const auto& folder : folders)
            s.addRecentImportFolder (folder);

        const auto recent = s.getRecentImportFolders();
        ASSERT_EQ (recent.size(), AppState::maxRecentImportFolders);
        EXPECT_EQ (recent[0], folders[16]);
        EXPECT_EQ (recent[14], folders[2]);
        EXPECT_TRUE (settingsOnDisk()->getValue ("recentImportFolders").startsWith (folders[16].getFullPathName() + "\n"));
    }

    TEST_F (AppStateTest, RecentImportFoldersAddedTogetherEndAsIfAddedOneByOne)
    {
        auto& s = start();
        const auto folders = makeImportFolders (20);

        const auto missing = root.getChildFile ("missing");
        const juce::Array<juce::File> earlier { folders[3], folders[18], folders[7] };

        const juce::Array<juce::File> cases[] = {
            { folders[1], missing, folders[2] },
            { folders[5], folders[6], folders[5], missing },                        // the last of twins counts
            folders,                                                                // more than fit
            { folders[18], folders[0], folders[19], folders[0], folders[3], juce::File() },
            {},
        };

        for (const auto& given : cases)
        {
            s.settings->removeValue ("recentImportFolders");

            for (const auto& folder : earlier)
                s.addRecentImportFolder (folder);

            for (const auto& folder : given)
                s.addRecentImportFolder (folder);

            const auto oneByOne = s.getRecentImportFolders();

            s.settings->removeValue ("recentImportFolders");

            for (const auto& folder : earlier)
                s.addRecentImportFolder (folder);

            s.addRecentImportFolders (given);
            EXPECT_EQ (s.getRecentImportFolders(), oneByOne) << given.size();
        }
    }

    //==============================================================================
    TEST_F (AppStateTest, ModifiedComparesEveryPartOfThePreset)
    {
        auto& s = start();

        // A stored preset with an alternative mix, current in the session.
        auto base = makeHybridOrchestraExamplePreset();
        base.id = {};
        base.isBuiltIn = false;
        base.name = "With a mix";
        base.kind = PresetKind::project;
        base.schema.submixes.push_back ({ "mix-1", "Strings and brass", "SB",
                                          { base.schema.stems[0].id, base.schema.stems[1].id } });
        juce::String error;
        ASSERT_TRUE (s.presetStore->savePreset (base, error)) << error;
        juce::String storedId;
        for (const auto& entry : s.presetStore->entries)
            if (entry.name == "With a mix")
                storedId = entry.id;
        const auto stored = s.presetStore->loadPreset (storedId);
        ASSERT_TRUE (stored.ok) << stored.validation.toText();

        struct Case { const char* name; std::function<void (Preset&)> edit; bool modified; };
        const Case cases[] = {
            { "unchanged", [] (Preset&) {}, false },
            { "only the modification time", [] (Preset& p) { p.modifiedUtcMs += 5000; }, false },
            { "name", [] (Preset& p) { p.name = "Renamed"; }, true },
            { "plural flag", [] (Preset& p) { p.schema.matchPlurals = ! p.schema.matchPlurals; }, true },
            { "mix short code", [] (Preset& p) { p.schema.submixes[0].shortCode = "SX"; }, true },
            { "mix name", [] (Preset& p) { p.schema.submixes[0].name = "Strings"; }, true },
            { "mix members", [] (Preset& p) { p.schema.submixes[0].stems.remove (1); }, true },
            { "mix removed", [] (Preset& p) { p.schema.submixes.clear(); }, true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            auto edited = stored.preset;
            c.edit (edited);
            s.session.setPreset (edited);
            s.presetId = stored.preset.id;
            EXPECT_EQ (s.isPresetModified(), c.modified);
        }

        s.session.setPreset (stored.preset);
        s.presetId = {};
        EXPECT_TRUE (s.isPresetModified());   // no library preset: always modified

        s.presetId = stored.preset.id;
        ASSERT_TRUE (s.presetStore->findEntry (s.presetId)->file.deleteFile());
        EXPECT_TRUE (s.isPresetModified());   // its file is gone
    }

    TEST_F (AppStateTest, ModifiedFollowsTheStoredFileWhenItIsWrittenAgain)
    {
        auto& s = start();
        auto preset = makeHybridOrchestraExamplePreset();
        preset.id = "6a1f3e52-1111-4222-8333-444455556666";
        preset.isBuiltIn = false;
        preset.name = "Kept";
        juce::String error;
        ASSERT_TRUE (s.presetStore->savePreset (preset, error)) << error;
        const auto stored = s.presetStore->loadPreset (preset.id);
        ASSERT_TRUE (stored.ok);

        s.session.setPreset (stored.preset);
        s.presetId = preset.id;
        EXPECT_FALSE (s.isPresetModified());

        // The session's edit, then the same edit stored: the copy in memory is read again.
        auto edited = stored.preset;
        edited.schema.stems[0].displayName = "Renamed";
        s.session.updatePreset (edited);
        EXPECT_TRUE (s.isPresetModified());
        ASSERT_TRUE (s.presetStore->savePreset (s.session.getPreset(), error)) << error;
        EXPECT_FALSE (s.isPresetModified());

        // Another id: the other preset's file is read.
        s.presetId = makeEmptyPreset().id;
        EXPECT_TRUE (s.isPresetModified());
        s.presetId = preset.id;
        EXPECT_FALSE (s.isPresetModified());
    }

    //==============================================================================
    class AppStateProjectTest : public AppStateTest
    {
    protected:
        void SetUp() override
        {
            AppStateTest::SetUp();
            cueFolder = root.getChildFile ("Cue 1");
            ASSERT_TRUE (cueFolder.createDirectory());
            ASSERT_TRUE (test::writeWav (cueFolder.getChildFile ("Violins.wav"), test::makeConstant (1, 4800, 0.25f), 48000.0, 16));
            outputFolder = root.getChildFile ("Out");
            ASSERT_TRUE (outputFolder.createDirectory());
        }

        juce::File cueFolder, outputFolder;
    };

    TEST_F (AppStateProjectTest, SaveAndOpenRestoreTheProjectAndReportMissingSources)
    {
        auto& s = start();
        s.session.importFiles (juce::StringArray (cueFolder.getFullPathName()), true);
        ASSERT_EQ ((int) s.session.getTracks().size(), 1);
        s.setOutputFolder (outputFolder);

        const auto file = root.getChildFile ("Film.vlpr");
        juce::String error;
        ASSERT_TRUE (s.saveProject (file, error)) << error;
        EXPECT_EQ (s.projectFile, file);
        EXPECT_EQ (s.getRecentProjects().getFirst(), file);
        EXPECT_TRUE (file.existsAsFile());

        // A fresh run without an output folder: opening brings the project's back.
        state.reset();
        writeSettings ("Velvane", [] { juce::StringPairArray v; v.set ("outputFolder", ""); return v; }());
        start();
        ChangeCounter changes;
        state->addChangeListener (&changes);
        ASSERT_EQ (state->presetId, makeEmptyPreset().id);

        juce::StringArray missing { "left over" };
        ASSERT_TRUE (korvid::test::openProjectAndWait (*state, file, error, missing)) << error;
        EXPECT_TRUE (missing.isEmpty());
        EXPECT_EQ ((int) state->session.getTracks().size(), 1);
        EXPECT_EQ (state->outputFolder, outputFolder);
        EXPECT_EQ (state->settings->getValue ("outputFolder"), outputFolder.getFullPathName());
        EXPECT_TRUE (state->presetId.isEmpty());
        EXPECT_TRUE (state->isPresetModified());
        EXPECT_EQ (state->projectFile, file);
        EXPECT_EQ (settingsOnDisk()->getValue ("recentProjects"), file.getFullPathName());
        pumpMessages();
        EXPECT_EQ (changes.count, 1);   // coalesced

        // The cue's folder went away: the project still opens and says what is missing.
        ASSERT_TRUE (cueFolder.deleteRecursively());
        ASSERT_TRUE (korvid::test::openProjectAndWait (*state, file, error, missing)) << error;
        EXPECT_TRUE (missing.contains (cueFolder.getFullPathName()));
        EXPECT_TRUE (missing.contains (cueFolder.getChildFile ("Violins.wav").getFullPathName()));
        EXPECT_TRUE (state->session.getTracks().empty());
        state->removeChangeListener (&changes);
    }

    TEST_F (AppStateProjectTest, RefusedProjectsChangeNothing)
    {
        const auto tooLarge = root.getChildFile ("huge.vlpr");
        const auto exactlyAtTheLimit = root.getChildFile ("limit.vlpr");
        for (const auto& [file, size] : { std::pair { tooLarge, maxProjectFileBytes + 1 }, std::pair { exactlyAtTheLimit, maxProjectFileBytes } })
        {
            juce::FileOutputStream out (file);
            ASSERT_TRUE (out.openedOk());
            ASSERT_TRUE (out.writeRepeatedByte (' ', (size_t) size));
        }

        const auto notAProject = root.getChildFile ("list.vlpr");
        ASSERT_TRUE (notAProject.replaceWithText ("[1, 2, 3]"));
        const auto missingFile = root.getChildFile ("nowhere.vlpr");

        struct Case { juce::File file; std::function<bool (const juce::String&)> errorIsRight; };
        const Case cases[] = {
            { missingFile, [&] (const juce::String& e) { return e == "There is no file at " + missingFile.getFullPathName() + "."; } },
            { tooLarge, [] (const juce::String& e) { return e == "That project file is far larger than any project should be."; } },
            // At the limit the size is accepted: it fails only as a document.
            { exactlyAtTheLimit, [] (const juce::String& e) { return e.startsWith ("ERROR   ") && ! e.contains ("far larger"); } },
            { notAProject, [] (const juce::String& e) { return e.startsWith ("ERROR   "); } },
        };

        auto& s = start();
        s.session.importFiles (juce::StringArray (cueFolder.getFullPathName()), true);
        s.setOutputFolder (outputFolder);
        const auto projectBefore = root.getChildFile ("Before.vlpr");
        juce::String error;
        ASSERT_TRUE (s.saveProject (projectBefore, error));
        const auto presetBefore = s.presetId;

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.file.getFileName());
            juce::StringArray missing;
            error = {};
            EXPECT_FALSE (korvid::test::openProjectAndWait (s, c.file, error, missing));
            EXPECT_TRUE (c.errorIsRight (error)) << error;
            EXPECT_EQ ((int) s.session.getTracks().size(), 1);
            EXPECT_EQ (s.presetId, presetBefore);
            EXPECT_EQ (s.projectFile, projectBefore);
            EXPECT_EQ (s.outputFolder, outputFolder);
            EXPECT_EQ (s.getRecentProjects().size(), 1);
        }
    }

    // Project A is open; B is asked for, then a project that is not there. Whatever the moment
    // of the second request, the session is A or B as a whole, under its own file, and a save
    // never writes one project's list over another's file.
    TEST_F (AppStateProjectTest, AnOpenThatBeganToReplaceTheSessionEndsWholeWhateverComesAfterIt)
    {
        enum class Moment { beforeItsFirstStep, afterItsFirstStep, afterItsTracksCameIn };

        auto& s = start();
        const auto writeCue = [this] (const juce::String& name, std::initializer_list<const char*> takes)
        {
            const auto dir = root.getChildFile (name);
            EXPECT_TRUE (dir.createDirectory());

            for (const auto* take : takes)
                EXPECT_TRUE (test::writeWav (dir.getChildFile (take), test::makeConstant (1, 480, 0.25f), 48000.0, 16));

            return dir;
        };

        const auto cueA = writeCue ("A cue", { "Drums.wav", "Bass.wav", "Piano.wav" });
        const auto cueB = writeCue ("B cue", { "Horns.wav", "Choir.wav" });
        const auto projectA = root.getChildFile ("A.vlpr");
        const auto projectB = root.getChildFile ("B.vlpr");
        juce::String error;
        s.session.importFiles (juce::StringArray (cueB.getFullPathName()), true);
        ASSERT_TRUE (s.saveProject (projectB, error)) << error;
        s.session.clear();
        s.session.importFiles (juce::StringArray (cueA.getFullPathName()), true);
        ASSERT_TRUE (s.saveProject (projectA, error)) << error;

        const auto nowhere = root.getChildFile ("Nowhere.vlpr");

        for (const auto moment : { Moment::beforeItsFirstStep, Moment::afterItsFirstStep, Moment::afterItsTracksCameIn })
        {
            SCOPED_TRACE ((int) moment);
            juce::StringArray missing;
            ASSERT_TRUE (korvid::test::openProjectAndWait (s, projectA, error, missing)) << error;
            ASSERT_EQ ((int) s.session.getTracks().size(), 3);
            juce::MemoryBlock bytesOfA;
            ASSERT_TRUE (projectA.loadFileAsData (bytesOfA));

            bool bDone = false, bOpened = false, nowhereDone = false;
            juce::StringArray bMissing { "not asked" };
            juce::String nowhereError;

            s.openProject (projectB, [&] (bool ok, const juce::String&, const ui::ProjectOpenNotes& notes)
            {
                bDone = true;
                bOpened = ok;
                bMissing = notes.missingSources;
            });

            if (moment == Moment::afterItsFirstStep)
            {
                ASSERT_TRUE (test::pumpMessagesUntil ([&] { return s.session.getTracks().empty(); }));
            }

            // Taken out of the list between the steps, behind the page's back: still on disk,
            // so not missing.
            if (moment == Moment::afterItsTracksCameIn)
            {
                ASSERT_TRUE (test::pumpMessagesUntil ([&] { return s.session.getTracks().size() == 2; }));
                ASSERT_FALSE (bDone);
                s.session.removeTracks (juce::StringArray (s.session.getTracks().front().id));
            }

            s.openProject (nowhere, [&] (bool ok, const juce::String& e, const ui::ProjectOpenNotes&)
            {
                nowhereDone = true;
                EXPECT_FALSE (ok);
                nowhereError = e;
            });

            ASSERT_TRUE (test::pumpMessagesUntil ([&] { return nowhereDone && ! s.sessionJobs.isBusy(); }));
            EXPECT_EQ (nowhereError, "There is no file at " + nowhere.getFullPathName() + ".");
            EXPECT_FALSE (s.isOpeningProject());

            juce::StringArray listed;

            for (const auto& track : s.session.getTracks())
                listed.add (track.file.getFileName());

            listed.sort (false);

            if (moment == Moment::beforeItsFirstStep)
            {
                // Superseded before it touched anything: A stays, and B never answers.
                EXPECT_FALSE (bDone);
                EXPECT_EQ (listed, juce::StringArray ({ "Bass.wav", "Drums.wav", "Piano.wav" }));
                EXPECT_EQ (s.projectFile, projectA);
            }
            else
            {
                EXPECT_TRUE (bDone && bOpened);
                EXPECT_TRUE (bMissing.isEmpty()) << bMissing.joinIntoString (", ");
                EXPECT_EQ (listed.size(), moment == Moment::afterItsFirstStep ? 2 : 1);
                EXPECT_FALSE (listed.contains ("Drums.wav"));
                EXPECT_EQ (s.projectFile, projectB);

                ASSERT_TRUE (s.saveProject (s.projectFile, error)) << error;
                juce::MemoryBlock afterSave;
                ASSERT_TRUE (projectA.loadFileAsData (afterSave));
                EXPECT_TRUE (afterSave == bytesOfA);
            }
        }
    }

    TEST_F (AppStateProjectTest, AFailedSaveKeepsTheProjectFileAndTheRecentList)
    {
        auto& s = start();
        const auto blocker = root.getChildFile ("not a folder");
        ASSERT_TRUE (blocker.replaceWithText ("x"));

        juce::String error;
        EXPECT_FALSE (s.saveProject (blocker.getChildFile ("Film.vlpr"), error));
        EXPECT_TRUE (error.isNotEmpty());
        EXPECT_EQ (s.projectFile, juce::File());
        EXPECT_TRUE (s.getRecentProjects().isEmpty());
    }

    TEST_F (AppStateTest, ChosenProjectNamesGetTheExtensionAndAnUnseenFileIsConfirmed)
    {
        auto& s = start();
        const auto existing = root.getChildFile ("Film.vlpr");
        ASSERT_TRUE (existing.replaceWithText ("{}"));

        struct Case
        {
            juce::String chosen;
            std::optional<bool> answer;     // set when a question is expected
            juce::String expectedTarget;    // empty when nothing is to be written
        };

        const Case cases[] = {
            { "Film.vlpr", {}, "Film.vlpr" },          // the chooser asked already
            { "Film", true, "Film.vlpr" },
            { "Film", false, {} },
            { "New", {}, "New.vlpr" },
            { "NEW.VLPR", {}, "NEW.VLPR" },
            { "Film.txt", {}, "Film.txt.vlpr" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.chosen);
            dialogs->asked.clear();
            if (c.answer)
                dialogs->confirmations.push_back (*c.answer);

            std::optional<juce::File> target;
            s.confirmProjectTarget (root.getChildFile (c.chosen), [&] (const juce::File& f) { target = f; });

            ASSERT_EQ (dialogs->asked.size(), c.answer ? 1u : 0u);
            if (c.answer)
            {
                EXPECT_EQ (dialogs->asked[0].kind, ScriptedDialogs::Kind::confirmation);
                EXPECT_EQ (dialogs->asked[0].icon, juce::MessageBoxIconType::WarningIcon);
                EXPECT_TRUE (dialogs->asked[0].message.contains ("\"Film.vlpr\""));
            }

            EXPECT_EQ (target.has_value(), c.expectedTarget.isNotEmpty());
            EXPECT_EQ (target.value_or (juce::File()), c.expectedTarget.isEmpty() ? juce::File() : root.getChildFile (c.expectedTarget));
        }

        EXPECT_EQ (existing.loadFileAsString(), "{}");
    }

    //==============================================================================
    TEST_F (AppStateTest, ChangeMessagesAndDeferredOutputFolder)
    {
        auto& s = start();
        ChangeCounter changes;
        s.addChangeListener (&changes);
        pumpMessages();
        changes.count = 0;

        s.setOutputFolder (s.outputFolder);
        pumpMessages();
        EXPECT_EQ (changes.count, 0);

        const auto folder = root.getChildFile ("Out");
        s.setOutputFolder (folder);
        pumpMessages();
        EXPECT_EQ (changes.count, 1);
        EXPECT_FALSE (settingsOnDisk()->containsKey ("outputFolder"));   // deferred
        s.saveSettings();
        EXPECT_EQ (settingsOnDisk()->getValue ("outputFolder"), folder.getFullPathName());

        juce::String error;
        EXPECT_FALSE (s.renameWrittenFile (root.getChildFile ("nothing.wav"), "other", error));
        EXPECT_TRUE (error.isNotEmpty());
        pumpMessages();
        EXPECT_EQ (changes.count, 1);

        BatchReport report;
        report.elapsedSeconds = 12.5;
        s.setLastReport (std::move (report));
        EXPECT_TRUE (s.hasReport);
        EXPECT_EQ (s.lastReport.elapsedSeconds, 12.5);
        pumpMessages();
        EXPECT_EQ (changes.count, 2);

        s.removeChangeListener (&changes);
    }
}
}
