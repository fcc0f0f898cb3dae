#include "core/storage/TemplateStore.h"

#include "support/FileSizeCap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using namespace korvid;

namespace
{
    // A fresh folder for the store's file, removed afterwards.
    class TemplateStoreTest : public testing::Test
    {
    protected:
        void SetUp() override
        {
            folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                         .getChildFile ("velvane-template-store-test-" + juce::Uuid().toString());
            ASSERT_TRUE (folder.createDirectory());
            storeFile = folder.getChildFile ("Velvane").getChildFile ("StemTemplates.json");
        }

        void TearDown() override { folder.deleteRecursively(); }

        void writeStoreText (const juce::String& text) const
        {
            storeFile.getParentDirectory().createDirectory();
            ASSERT_TRUE (storeFile.replaceWithText (text));
        }

        juce::File folder;
        juce::File storeFile;
    };

    StemTemplate makeTemplate (const juce::String& name, juce::StringArray keywords = { "word" })
    {
        return StemTemplate ("Anything", name, "CODE", 0xff112233, std::move (keywords), {});
    }

    juce::StringArray namesOf (const std::vector<StemTemplate>& templates)
    {
        juce::StringArray names;

        for (const auto& t : templates)
            names.add (t.displayName);

        return names;
    }

    // A store text holding `count` usable templates named T0, T1, ...
    juce::String storeTextWith (int count)
    {
        juce::String text ("{\"templates\": [");

        for (int i = 0; i < count; ++i)
            text << (i > 0 ? "," : "") << "{\"displayName\": \"T" << i << "\", \"keywords\": [\"k\"]}";

        return text + "]}";
    }
} // namespace

TEST_F (TemplateStoreTest, AddReplaceAndRemoveKeepTheFileInStep)
{
    TemplateStore store (storeFile);
    juce::String error;
    EXPECT_TRUE (store.templates.empty());

    ASSERT_TRUE (store.addOrReplace (makeTemplate ("  Strings  "), error)) << error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("Brass"), error)) << error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("choir"), error)) << error;
    EXPECT_EQ (namesOf (store.templates), juce::StringArray ({ "Brass", "choir", "Strings" }));
    EXPECT_EQ (store.templates[0].category, "User");

    // Same name ignoring case: replaced as a whole, the new letter case wins.
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("strings", { "violin", "cello" }), error)) << error;
    ASSERT_EQ (store.templates.size(), 3u);
    EXPECT_EQ (store.templates[2].displayName, "strings");
    EXPECT_EQ (store.templates[2].keywords, juce::StringArray ({ "violin", "cello" }));

    // What was saved reads back the same.
    TemplateStore reread (storeFile);
    EXPECT_EQ (namesOf (reread.templates), namesOf (store.templates));
    EXPECT_EQ (reread.templates[2].keywords, juce::StringArray ({ "violin", "cello" }));
    EXPECT_EQ (reread.templates[0].colourARGB, 0xff112233u);
    EXPECT_EQ (reread.templates[0].shortCode, "CODE");

    // Removing ignores case; a name that is not held changes nothing on disk.
    storeFile.setLastModificationTime (juce::Time (2001, 0, 1, 0, 0));
    const auto before = storeFile.loadFileAsString();
    EXPECT_TRUE (store.remove ("nothing", error));
    EXPECT_EQ (storeFile.getLastModificationTime(), juce::Time (2001, 0, 1, 0, 0));

    ASSERT_TRUE (store.remove ("STRINGS", error)) << error;
    EXPECT_EQ (namesOf (store.templates), juce::StringArray ({ "Brass", "choir" }));
    EXPECT_EQ (namesOf (TemplateStore (storeFile).templates), juce::StringArray ({ "Brass", "choir" }));
    EXPECT_NE (storeFile.loadFileAsString(), before);
}

TEST_F (TemplateStoreTest, RefusedAddsLeaveTheListAlone)
{
    TemplateStore store (storeFile);
    juce::String error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("Held"), error));

    struct Case { StemTemplate stemTemplate; const char* message; };
    const Case cases[] {
        { makeTemplate ("   "), "A template needs a name." },
        { makeTemplate ("Empty", {}), "A template needs at least one keyword, or it would match nothing." },
    };

    for (const auto& c : cases)
    {
        error.clear();
        EXPECT_FALSE (store.addOrReplace (c.stemTemplate, error));
        EXPECT_EQ (error, c.message);
        EXPECT_EQ (namesOf (store.templates), juce::StringArray ({ "Held" }));
    }
}

TEST_F (TemplateStoreTest, LoadKeepsTheFirstFiveHundredAndTheLimitHoldsForNewNamesOnly)
{
    writeStoreText (storeTextWith (600));
    TemplateStore store (storeFile);
    ASSERT_EQ (store.templates.size(), 500u);
    EXPECT_EQ (store.templates.front().displayName, "T0");
    EXPECT_EQ (store.templates.back().displayName, "T499");   // file order, not sorted

    juce::String error;
    EXPECT_FALSE (store.addOrReplace (makeTemplate ("Brand new"), error));
    EXPECT_EQ (error, "That is as many templates as you can keep.");
    EXPECT_EQ (store.templates.size(), 500u);

    ASSERT_TRUE (store.addOrReplace (makeTemplate ("t7", { "replaced" }), error)) << error;
    EXPECT_EQ (store.templates.size(), 500u);
    EXPECT_EQ (TemplateStore (storeFile).templates.size(), 500u);
}

TEST_F (TemplateStoreTest, DroppedElementsDoNotCountTowardTheLimit)
{
    juce::String text ("{\"templates\": [ 5, {\"displayName\": \"  \", \"keywords\": [\"k\"]},"
                       " {\"displayName\": \"Blank words\", \"keywords\": [\" \", \"\"]},");
    text << storeTextWith (500).fromFirstOccurrenceOf ("[", false, false);
    writeStoreText (text);

    EXPECT_EQ (TemplateStore (storeFile).templates.size(), 500u);
}

TEST_F (TemplateStoreTest, ReadsEachFieldAsStored)
{
    juce::String manyWords;

    for (int i = 0; i < 2500; ++i)
        manyWords << (i > 0 ? "," : "") << "\"w" << i << "\"";

    writeStoreText ("{\"format\": \"x\", \"templates\": ["
                    "{\"displayName\": \"  Zeta  \", \"shortCode\": \" Z \", \"keywords\": [\" a \", \"\", \"  \", \"b c\"],"
                    " \"excludeKeywords\": [\"x\", 7]},"
                    "{\"displayName\": \"Alpha\", \"keywords\": [" + manyWords + "]},"
                    "{\"keywords\": [\"nameless\"]},"
                    "{\"displayName\": 12, \"keywords\": [\"n\"]}"
                    "]}");

    TemplateStore store (storeFile);
    ASSERT_EQ (namesOf (store.templates), juce::StringArray ({ "Zeta", "Alpha", "12" }));

    const auto& zeta = store.templates[0];
    EXPECT_EQ (zeta.category, "User");
    EXPECT_EQ (zeta.shortCode, "Z");
    EXPECT_EQ (zeta.keywords, juce::StringArray ({ "a", "b c" }));
    EXPECT_EQ (zeta.excludeKeywords, juce::StringArray ({ "x", "7" }));
    EXPECT_EQ (zeta.colourARGB, 0xff8a8f94u);

    ASSERT_EQ (store.templates[1].keywords.size(), 2000);
    EXPECT_EQ (store.templates[1].keywords[1999], "w1999");
}

TEST_F (TemplateStoreTest, ColourValues)
{
    struct Case { const char* json; juce::uint32 expected; };
    const Case cases[] {
        { "4287270804", 0xff8a8f94 },
        { "-7696492", 0xff8a8f94 },
        { "\"4287270804\"", 0xff8a8f94 },
        { "\"ff8a8f94\"", 0xff8a8f94 },       // hexadecimal text reads as 0: the default
        { "0", 0xff8a8f94 },
        { "255", 0x000000ff },
        { "255.9", 0x000000ff },
        { "\"  -255xyz\"", 0xffffff01 },
        { "4294967296", 0x00000000 },         // not 0 as a whole, so its low 32 bits
        { "\"99999999999999999999999\"", 0xf67fffff },  // overlong digits wrap, never undefined
        { "1e300", 0xff8a8f94 },
        { "true", 0x00000001 },
        { "[1]", 0xff8a8f94 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.json);
        writeStoreText (juce::String ("{\"templates\": [{\"displayName\": \"A\", \"keywords\": [\"k\"], \"colourARGB\": ")
                        + c.json + "}]}");
        TemplateStore store (storeFile);
        ASSERT_EQ (store.templates.size(), 1u);
        EXPECT_EQ (store.templates[0].colourARGB, c.expected);
    }

    writeStoreText ("{\"templates\": [{\"displayName\": \"A\", \"keywords\": [\"k\"]}]}");
    EXPECT_EQ (TemplateStore (storeFile).templates[0].colourARGB, 0xff8a8f94u);
}

TEST_F (TemplateStoreTest, SavedFileLayout)
{
    TemplateStore store (storeFile);
    juce::String error;
    ASSERT_TRUE (store.addOrReplace (StemTemplate ({}, "Pad", "PD", 0xff8a8f94, { "pad", "bed" }, { "drum" }), error));

    const auto text = storeFile.loadFileAsString();
    EXPECT_FALSE (text.containsChar ('\r'));
    EXPECT_TRUE (text.contains ("4287270804"));

    const auto keyOrder = [&] (const juce::StringArray& keys)
    {
        int last = -1;

        for (const auto& key : keys)
        {
            const int at = text.indexOf ("\"" + key + "\"");
            if (at <= last)
                return false;
            last = at;
        }

        return true;
    };

    EXPECT_TRUE (keyOrder ({ "format", "schemaVersion", "templates", "displayName", "shortCode", "colourARGB",
                             "keywords", "excludeKeywords" }));

    const auto parsed = juce::JSON::parse (text);
    EXPECT_EQ (parsed["format"].toString(), "velvane.stemtemplates");
    EXPECT_EQ ((int) parsed["schemaVersion"], 1);
}

TEST_F (TemplateStoreTest, UnreadableFileIsMovedAsideBeforeTheFirstSave)
{
    const juce::String unreadable[] {
        "this is not JSON",
        "[ {\"displayName\": \"A\", \"keywords\": [\"k\"]} ]",
        "{\"templates\": \"none\"}",
        "{\"templates\": [1, 2, 3 ",
        "null",
        "{\"templates\": " + juce::String::repeatedString ("[", 100000) + "}",
    };

    for (const auto& content : unreadable)
    {
        SCOPED_TRACE (content.substring (0, 40));
        storeFile.getParentDirectory().deleteRecursively();
        writeStoreText (content);

        TemplateStore store (storeFile);
        EXPECT_TRUE (store.templates.empty());
        EXPECT_EQ (storeFile.loadFileAsString(), content);   // loading alone changes nothing

        juce::String error;
        ASSERT_TRUE (store.addOrReplace (makeTemplate ("New"), error)) << error;

        const auto aside = storeFile.getSiblingFile ("StemTemplates.unreadable.json");
        EXPECT_EQ (aside.loadFileAsString(), content);
        EXPECT_EQ (namesOf (TemplateStore (storeFile).templates), juce::StringArray ({ "New" }));

        // Only the first save moves it; later saves simply write.
        ASSERT_TRUE (store.addOrReplace (makeTemplate ("Newer"), error)) << error;
        EXPECT_EQ (aside.loadFileAsString(), content);
        EXPECT_FALSE (storeFile.getSiblingFile ("StemTemplates.unreadable-2.json").exists());
    }
}

TEST_F (TemplateStoreTest, AFileBeyondTheSizeLimitIsNotReadAndIsKeptAside)
{
    // Two usable stores padded to exactly the limit and one byte beyond it.
    const auto padded = [] (juce::int64 size)
    {
        const auto text = storeTextWith (3);
        return text + juce::String::repeatedString (" ", (int) (size - text.getNumBytesAsUTF8()));
    };

    writeStoreText (padded (TemplateStore::maxFileBytes));
    EXPECT_EQ (TemplateStore (storeFile).templates.size(), 3u);

    const auto tooLarge = padded (TemplateStore::maxFileBytes + 1);
    writeStoreText (tooLarge);
    ASSERT_EQ (storeFile.getSize(), TemplateStore::maxFileBytes + 1);

    TemplateStore store (storeFile);
    EXPECT_TRUE (store.templates.empty());
    EXPECT_EQ (storeFile.getSize(), TemplateStore::maxFileBytes + 1);   // loading alone changes nothing

    juce::String error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("New"), error)) << error;
    EXPECT_EQ (storeFile.getSiblingFile ("StemTemplates.unreadable.json").loadFileAsString(), tooLarge);
    EXPECT_EQ (namesOf (TemplateStore (storeFile).templates), juce::StringArray ({ "New" }));
}

TEST_F (TemplateStoreTest, AChangeTheReaderCouldNotReadBackIsRefusedAndTheFileStaysAsItWas)
{
    // About 2.4 MB of keywords: one such template fits below the reader's limit, two do not.
    const auto bigTemplate = [] (const juce::String& name)
    {
        juce::StringArray words;

        for (int i = 0; i < 600; ++i)
            words.add (juce::String (i) + juce::String::repeatedString ("x", 4000));

        return makeTemplate (name, words);
    };

    struct Case
    {
        const char* what;
        std::function<bool (TemplateStore&, juce::String&)> change;
        juce::StringArray namesHeld;   // after the refusal: an add or replace leaves the list as the file has it
    };

    const Case cases[] {
        { "a new template",
          [&] (TemplateStore& store, juce::String& error) { return store.addOrReplace (bigTemplate ("Bigger"), error); },
          { "Big", "Small" } },
        { "a template replaced by a larger one",
          [&] (TemplateStore& store, juce::String& error) { return store.addOrReplace (bigTemplate ("small"), error); },
          { "Big", "Small" } },
        { "a list saved as it is",
          [&] (TemplateStore& store, juce::String& error)
          {
              store.templates.push_back (bigTemplate ("Other"));
              return store.save (error);
          },
          { "Big", "Small", "Other" } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        storeFile.getParentDirectory().deleteRecursively();

        TemplateStore store (storeFile);
        juce::String error;
        ASSERT_TRUE (store.addOrReplace (makeTemplate ("Small"), error)) << error;
        ASSERT_TRUE (store.addOrReplace (bigTemplate ("Big"), error)) << error;
        ASSERT_GT (storeFile.getSize(), TemplateStore::maxFileBytes / 2);
        ASSERT_EQ (namesOf (TemplateStore (storeFile).templates), juce::StringArray ({ "Big", "Small" }));

        juce::MemoryBlock before;
        ASSERT_TRUE (storeFile.loadFileAsData (before));

        error.clear();
        EXPECT_FALSE (c.change (store, error));
        EXPECT_TRUE (error.startsWith ("The stem templates would take 4.")) << error;
        EXPECT_TRUE (error.endsWith (" MB, more than the 4 MB their file may hold, so the change was not saved.")) << error;

        juce::MemoryBlock after;
        ASSERT_TRUE (storeFile.loadFileAsData (after));
        EXPECT_TRUE (after == before);
        EXPECT_EQ (storeFile.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
        EXPECT_EQ (namesOf (TemplateStore (storeFile).templates), juce::StringArray ({ "Big", "Small" }));
        EXPECT_EQ (namesOf (store.templates), c.namesHeld);
    }
}

// What a prompt promises before anything is stored: canTake answers as addOrReplace then does.
TEST_F (TemplateStoreTest, CanTakeAnswersAsAddOrReplaceWouldAndChangesNothing)
{
    juce::StringArray manyWords;   // about 4.4 MB: more than the file may hold

    for (int i = 0; i < 1100; ++i)
        manyWords.add (juce::String::repeatedString ("x", 4000));

    struct Case
    {
        const char* what;
        int held;
        StemTemplate stemTemplate;
        bool taken;
    };

    const Case cases[] {
        { "a new name", 3, makeTemplate ("New"), true },
        { "a new name in a full store", TemplateStore::maxTemplates, makeTemplate ("New"), false },
        { "a held name in a full store", TemplateStore::maxTemplates, makeTemplate ("t7"), true },
        { "too large for the file", 3, makeTemplate ("Big", manyWords), false },
        { "no keyword", 3, makeTemplate ("New", {}), false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        writeStoreText (storeTextWith (c.held));
        TemplateStore store (storeFile);
        juce::MemoryBlock before, after;
        ASSERT_TRUE (storeFile.loadFileAsData (before));

        EXPECT_EQ (store.canTake (c.stemTemplate), c.taken);
        ASSERT_TRUE (storeFile.loadFileAsData (after));
        EXPECT_TRUE (after == before);
        EXPECT_EQ (store.templates.size(), (size_t) c.held);

        juce::String error;
        EXPECT_EQ (store.addOrReplace (c.stemTemplate, error), c.taken) << error;
    }
}

TEST_F (TemplateStoreTest, AnUnreadableFileSetAsideSaysWhyAndWhereItWasKept)
{
    const auto tooLarge = storeTextWith (1) + juce::String::repeatedString (" ", (int) TemplateStore::maxFileBytes);

    struct Case { const char* what; juce::String content; juce::String reason; };
    const Case cases[] {
        { "too large", tooLarge, "The file is larger than the 4 MB limit." },
        { "not a store", "{\"templates\": \"none\"}", "The file does not hold a list of stem templates." },
    };

    const auto aside = storeFile.getSiblingFile ("StemTemplates.unreadable.json");

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        storeFile.getParentDirectory().deleteRecursively();
        writeStoreText (c.content);

        TemplateStore store (storeFile);
        EXPECT_EQ (store.setAsideUnreadableFile(),
                   "The stem templates could not be read, so the list of your own templates starts empty. " + c.reason
                   + "\n\nThe file was kept as " + aside.getFullPathName() + ".");
        EXPECT_FALSE (storeFile.exists());
        EXPECT_EQ (aside.loadFileAsString(), c.content);

        // Said once; the next save simply writes.
        EXPECT_EQ (store.setAsideUnreadableFile(), juce::String());
        juce::String error;
        ASSERT_TRUE (store.addOrReplace (makeTemplate ("New"), error)) << error;
        EXPECT_EQ (aside.loadFileAsString(), c.content);
        EXPECT_EQ (storeFile.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 2);
    }

    // A missing, empty or readable file has nothing to say and stays where it is.
    for (const auto& content : { juce::String(), storeTextWith (2) })
    {
        storeFile.getParentDirectory().deleteRecursively();
        writeStoreText (content);
        EXPECT_EQ (TemplateStore (storeFile).setAsideUnreadableFile(), juce::String());
        EXPECT_EQ (storeFile.loadFileAsString(), content);
    }

    storeFile.getParentDirectory().deleteRecursively();
    EXPECT_EQ (TemplateStore (storeFile).setAsideUnreadableFile(), juce::String());
}

TEST_F (TemplateStoreTest, MovedAsideFileIsNumberedWhenTheNameIsTaken)
{
    writeStoreText ("{ broken");
    const auto first = storeFile.getSiblingFile ("StemTemplates.unreadable.json");
    ASSERT_TRUE (first.replaceWithText ("earlier"));

    TemplateStore store (storeFile);
    juce::String error;
    ASSERT_TRUE (store.remove ("absent", error));    // nothing removed: nothing written or moved
    EXPECT_EQ (storeFile.loadFileAsString(), "{ broken");

    ASSERT_TRUE (store.addOrReplace (makeTemplate ("New"), error)) << error;
    EXPECT_EQ (first.loadFileAsString(), "earlier");
    EXPECT_EQ (storeFile.getSiblingFile ("StemTemplates.unreadable-2.json").loadFileAsString(), "{ broken");
}

TEST_F (TemplateStoreTest, MissingOrEmptyFileIsNotMovedAside)
{
    writeStoreText ({});
    TemplateStore store (storeFile);
    juce::String error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("New"), error)) << error;
    EXPECT_EQ (storeFile.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
}

TEST_F (TemplateStoreTest, FailedSaveKeepsTheChangeInMemoryAndTheFileAsItWas)
{
    // The store's folder is a file: nothing can be written below it.
    const auto blocker = folder.getChildFile ("blocker");
    ASSERT_TRUE (blocker.replaceWithText ("x"));
    TemplateStore store (blocker.getChildFile ("StemTemplates.json"));

    juce::String error;
    EXPECT_FALSE (store.addOrReplace (makeTemplate ("Kept"), error));
    EXPECT_FALSE (error.isEmpty());
    EXPECT_EQ (namesOf (store.templates), juce::StringArray ({ "Kept" }));
    EXPECT_EQ (blocker.loadFileAsString(), "x");
}

#if ! JUCE_WINDOWS
TEST_F (TemplateStoreTest, ASaveCutShortByAFullDiskKeepsTheFileAndSaysSo)
{
    TemplateStore store (storeFile);
    juce::String error;
    ASSERT_TRUE (store.addOrReplace (makeTemplate ("Strings"), error)) << error;
    const auto before = storeFile.loadFileAsString();

    bool saved = true;

    {
        const test::FileSizeCap cap (storeFile.getSize() + 10);
        saved = store.addOrReplace (makeTemplate ("Woodwinds"), error);
    }

    EXPECT_FALSE (saved);
    EXPECT_EQ (error, "Writing failed, the disk may be full.");
    EXPECT_EQ (storeFile.loadFileAsString(), before);
    EXPECT_EQ (storeFile.getParentDirectory().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
    EXPECT_EQ (namesOf (store.templates), juce::StringArray ({ "Strings", "Woodwinds" }));
}
#endif

TEST (TemplateStoreDefaults, DefaultFileLivesInTheApplicationDataFolder)
{
    const auto file = TemplateStore::defaultFile();
    EXPECT_EQ (file.getFileName(), "StemTemplates.json");
    EXPECT_EQ (file.getParentDirectory(),
               juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("Velvane"));
}

TEST (TemplateStoreReader, ReadWordListTakesOnlyArraysOfAnObject)
{
    const auto element = juce::JSON::parse ("{\"k\": [\" one \", \"\", 2], \"s\": \"text\"}");
    EXPECT_EQ (readWordList (element, "k"), juce::StringArray ({ "one", "2" }));
    EXPECT_TRUE (readWordList (element, "s").isEmpty());
    EXPECT_TRUE (readWordList (element, "missing").isEmpty());
    EXPECT_TRUE (readWordList (juce::JSON::parse ("[[\"a\"]]"), "k").isEmpty());

    const auto longWord = juce::String::repeatedString ("x", 5000);
    const auto cut = readWordList (juce::JSON::parse ("{\"k\": [\"  " + longWord + "  \"]}"), "k");
    ASSERT_EQ (cut.size(), 1);
    EXPECT_EQ (cut[0].length(), 4096);
}
