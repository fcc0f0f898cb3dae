#include "core/platform/TemporaryFiles.h"

#include "core/platform/SafeFileWriter.h"
#include "core/storage/ScratchFolder.h"
#include "support/EndedWriter.h"

#include <gtest/gtest.h>

using namespace korvid;

TEST (TemporaryFiles, ANameCarriesItsWriterAndKeepsTheTargetsExtension)
{
    test::ScratchFolder temp;
    auto other = thisTemporaryFileWriter();
    other.processId = 77;
    other.processStart = 0;
    other.machine = "0a1b2c3d";

    const struct
    {
        const char* target;
        TemporaryFileWriter writer;
        const char* starts;
        const char* extension;
    } cases[] {
        { "Delivery.vlpr", thisTemporaryFileWriter(), ".Delivery_temp", ".vlpr" },
        { "Strings.korvid.json", other, ".Strings.korvid_temp", ".json" },
        { "Mix-w2.wav", other, ".Mix-w2_temp", ".wav" },
        { "notes", thisTemporaryFileWriter(), ".notes_temp", "" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.target);
        const auto file = temporaryFileFor (temp.file (c.target), c.writer);

        EXPECT_EQ (file.getParentDirectory(), temp.folder);
        EXPECT_TRUE (file.getFileName().startsWith (c.starts)) << file.getFileName();
        EXPECT_TRUE (file.getFileName().endsWith (c.extension)) << file.getFileName();

        TemporaryFileWriter named;
        ASSERT_TRUE (temporaryFileWriterOf (file, named)) << file.getFileName();
        EXPECT_TRUE (named == c.writer);
    }

    // However long the target's name, the temporary name stays a name the disk takes.
    const auto longName = temporaryFileFor (temp.file (juce::String::repeatedString ("n", 230) + ".wav"));
    EXPECT_LT (longName.getFileName().length(), 160);
    EXPECT_TRUE (longName.replaceWithText ("fits"));
}

TEST (TemporaryFiles, OtherNamesNameNoWriter)
{
    for (const auto* name : { ".DS_Store", "Bass.wav", ".Bass_temp3fa9c01e.wav", "Bass_temp3fa9c01e-w12s34m0a1b2c3d.wav",
                              ".Bass_temp3fa9c01e-w12s34m0a1b2c3.wav", ".Bass_temp3fa9c01e-w12s34m0a1b2c3dx.wav",
                              ".Bass_tempxyz-w12s34m0a1b2c3d.wav", ".Bass-w12s34m0a1b2c3d.wav", ".Bass_temp3f-w1x2s3m0a1b2c3d.wav",
                              ".Bass_temp3f-ws34m0a1b2c3d.wav" })
    {
        TemporaryFileWriter writer;
        EXPECT_FALSE (temporaryFileWriterOf (juce::File ("/tmp").getChildFile (name), writer)) << name;
    }
}

#if ! JUCE_WINDOWS
TEST (TemporaryFiles, LeftoversOfEndedWritersGoAndEverythingElseStays)
{
    test::ScratchFolder temp;
    const auto target = temp.file ("PRJ_Intro_01_Drums.wav");

    auto earlierProcess = thisTemporaryFileWriter();   // an earlier process that had this id
    earlierProcess.processStart += 1;

    auto otherMachine = test::endedTemporaryFileWriter();
    otherMachine.machine = thisTemporaryFileWriter().machine == "00000000" ? "00000001" : "00000000";

    const auto ended = temporaryFileFor (target, test::endedTemporaryFileWriter());
    const auto reused = temporaryFileFor (target, earlierProcess);
    const auto elsewhere = temporaryFileFor (target, otherMachine);
    const auto running = temporaryFileFor (target);

    for (const auto& file : { ended, reused, elsewhere, running, temp.file (".DS_Store"), temp.file (".Drums_temp3fa9c01e.wav"),
                              target })
        ASSERT_TRUE (file.replaceWithText ("x"));

    EXPECT_FALSE (isTemporaryFileWriterRunning (test::endedTemporaryFileWriter()));
    EXPECT_FALSE (isTemporaryFileWriterRunning (earlierProcess));
    EXPECT_TRUE (isTemporaryFileWriterRunning (otherMachine)) << "another machine's writers cannot be looked up";
    EXPECT_TRUE (isTemporaryFileWriterRunning (thisTemporaryFileWriter()));

    // A file being written right now through the safe writer stays too.
    SafeFileWriter inProgress (temp.file ("Mix.wav"));
    auto stream = inProgress.createOutputStream();
    ASSERT_NE (stream, nullptr);
    ASSERT_TRUE (stream->write ("partial", 7));
    stream->flush();

    EXPECT_EQ (removeLeftoverTemporaryFiles (temp.folder), 2);

    juce::StringArray expected { running.getFileName(), elsewhere.getFileName(), ".DS_Store", ".Drums_temp3fa9c01e.wav",
                                 target.getFileName(), inProgress.temporaryFile().getFileName() };
    expected.sort (false);
    EXPECT_EQ (temp.entryNames(), expected);
}
#endif
