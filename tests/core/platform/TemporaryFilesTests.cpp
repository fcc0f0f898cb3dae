#include "core/platform/TemporaryFiles.h"

#include "core/audio/AudioFormats.h"
#include "core/model/PathGuards.h"
#include "core/model/Types.h"
#include "core/platform/SafeFileWriter.h"
#include "core/storage/ScratchFolder.h"
#include "support/EndedWriter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <set>
#include <thread>
#include <vector>

using namespace korvid;

namespace
{
    TemporaryFileWriter otherMachineWriter()
    {
        auto writer = thisTemporaryFileWriter();
        writer.processId = 77;
        writer.processStart = 0;
        writer.machine = "0a1b2c3d4e5f6071";
        writer.boot = "8192a3b4c5d6e7f8";
        return writer;
    }
}

TEST (TemporaryFiles, ANameCarriesItsWriterAndKeepsTheTargetsExtension)
{
    test::ScratchFolder temp;

    const struct
    {
        const char* target;
        TemporaryFileWriter writer;
        const char* starts;
        const char* extension;
    } cases[] {
        { "Delivery.vlpr", thisTemporaryFileWriter(), ".Delivery_temp", ".vlpr" },
        { "Strings.korvid.json", otherMachineWriter(), ".Strings.korvid_temp", ".json" },
        { "Mix-w2.wav", otherMachineWriter(), ".Mix-w2_temp", ".wav" },
        { "Mix.take-w2", otherMachineWriter(), ".Mix_temp", ".take-w2" },
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

    // However long the target's name, in whatever letters, the temporary name stays a name
    // the disk takes (255 bytes).
    const struct { juce::String letter; int count; } longNames[] {
        { "n", 230 },
        { juce::CharPointer_UTF8 ("\xc3\xa9"), 120 },           // two bytes each
        { juce::CharPointer_UTF8 ("\xe6\x9b\xb2"), 80 },        // three bytes each
    };

    for (const auto& [letter, count] : longNames)
    {
        const auto target = temp.file (juce::String::repeatedString (letter, count) + ".wav");
        const auto longName = temporaryFileFor (target);
        SCOPED_TRACE (longName.getFileName());

        EXPECT_LE ((int) longName.getFileName().getNumBytesAsUTF8(), 255);
        EXPECT_TRUE (longName.getFileName().startsWith ("." + letter));
        EXPECT_TRUE (longName.create().wasOk());

        TemporaryFileWriter named;
        EXPECT_TRUE (temporaryFileWriterOf (longName, named));
    }
}

TEST (TemporaryFiles, OtherNamesNameNoWriter)
{
    for (const auto* name : { ".DS_Store", "Bass.wav", ".Bass_temp3fa9c01e.wav", "Bass_temp3fa9c01e-w12s34m0a1b2c3d.wav",
                              ".Bass_temp3fa9c01e-w12s34m0a1b2c3.wav", ".Bass_temp3fa9c01e-w12s34m0a1b2c3dx.wav",
                              ".Bass_tempxyz-w12s34m0a1b2c3d.wav", ".Bass-w12s34m0a1b2c3d.wav", ".Bass_temp3f-w1x2s3m0a1b2c3d.wav",
                              ".Bass_temp3f-ws34m0a1b2c3d.wav",
                              // the present form: 16 digits of machine, "b", 16 digits of boot
                              ".Bass_temp3f-w12s34m0a1b2c3d4e5f6071b8192a3b4c5d6e7f.wav",
                              ".Bass_temp3f-w12s34m0a1b2c3d4e5f607b8192a3b4c5d6e7f8.wav",
                              ".Bass_temp3f-w12s34m0a1b2c3d4e5f6071x8192a3b4c5d6e7f8.wav",
                              ".Bass_temp3f-w12s34m0A1B2C3D4E5F6071b8192a3b4c5d6e7f8.wav",
                              ".Bass_temp3f-w12s34m0a1b2c3d4e5f6071b8192a3b4c5d6e7f8.wav.bak",
                              ".Bass_temp3f-w12s34m0a1b2c3d4e5f6071b",
                              ".velvane-rename.tmp" })
    {
        TemporaryFileWriter writer;
        EXPECT_FALSE (temporaryFileWriterOf (juce::File ("/tmp").getChildFile (name), writer)) << name;
    }
}

#if JUCE_LINUX
TEST (TemporaryFiles, ThisWriterIsMarkedWithAHashOfItsMachineAndBoot)
{
    const auto machineId = juce::File ("/etc/machine-id").loadFileAsString().trim();
    const auto bootId = juce::File ("/proc/sys/kernel/random/boot_id").loadFileAsString().trim();

    if (machineId.isEmpty() || bootId.isEmpty())
        GTEST_SKIP() << "this machine does not tell its identity";

    const auto& self = thisTemporaryFileWriter();
    const auto zeros = juce::String::repeatedString ("0", 16);

    for (const auto& mark : { self.machine, self.boot })
    {
        EXPECT_EQ (mark.length(), 16) << mark;
        EXPECT_TRUE (mark.containsOnly ("0123456789abcdef")) << mark;
        EXPECT_NE (mark, zeros);
        // The machine id is confidential: none of it shows in names others can see.
        EXPECT_FALSE (machineId.contains (mark) || bootId.removeCharacters ("-").contains (mark)) << mark;
    }

    EXPECT_NE (self.machine, self.boot);
    EXPECT_EQ (self.processId, (juce::int64) getpid());
    EXPECT_GT (self.processStart, 0);
}

// Every row is a leftover name in one shared delivery folder, with its fate when this
// machine knows its identity and when it does not (then only the day counts).
TEST (TemporaryFiles, ALeftoverGoesOnlyWhenItsWriterIsSurelyGone)
{
    test::ScratchFolder temp;
    const auto target = temp.file ("PRJ_Intro_01_Drums.wav");

    // This process on a machine and boot of fixed marks, so the table does not depend on
    // what the test machine tells.
    auto self = thisTemporaryFileWriter();
    self.machine = "1111111111111111";
    self.boot = "2222222222222222";

    auto unknownSelf = self;
    unknownSelf.machine = juce::String::repeatedString ("0", 16);
    unknownSelf.boot = unknownSelf.machine;

    auto ended = test::endedTemporaryFileWriter();
    ended.machine = self.machine;
    ended.boot = self.boot;

    auto earlierProcess = self;   // an earlier process that had this id
    earlierProcess.processStart += 1;

    auto otherBoot = ended;
    otherBoot.boot = "3333333333333333";

    // Another machine of the same host name: the process id means nothing here.
    auto otherMachine = ended;
    otherMachine.machine = "4444444444444444";
    otherMachine.boot = "5555555555555555";

    // The previous version marked the machine with 32 bits of a hash of the host name, so a
    // machine with this host name wrote exactly this mark.
    const auto previousMark = juce::String::toHexString ((juce::uint32) (juce::uint64) (
                                  juce::SystemStats::getComputerName() + "|"
                                  + juce::File ("/proc/self/ns/pid").getNativeLinkedTarget()).hashCode64())
                                  .paddedLeft ('0', 8);
    const auto previousName = [&] (const char* random)
    {
        return ".PRJ_Intro_01_Drums_temp" + juce::String (random) + "-w" + juce::String (ended.processId) + "s"
             + juce::String (ended.processStart) + "m" + previousMark + ".wav";
    };

    const auto nameFor = [&] (const juce::File& file, const TemporaryFileWriter& writer)
    {
        return temporaryFileFor (file, writer).getFileName();
    };

    const auto justNow = juce::RelativeTime();
    const auto almostADay = juce::RelativeTime::hours (23);
    const auto overADay = juce::RelativeTime::hours (25);

    const struct
    {
        const char* what;
        juce::String name;
        juce::RelativeTime age;
        bool removed;
        bool removedWhenUnknown;
    } cases[] {
        { "this machine and boot, process ended", nameFor (target, ended), justNow, true, false },
        { "this machine and boot, id taken by a later process", nameFor (target, earlierProcess), justNow, true, false },
        { "this machine and boot, extension in capitals", nameFor (temp.file ("Mix.WAV"), ended), justNow, true, false },
        { "this machine, another boot", nameFor (target, otherBoot), almostADay, false, false },
        { "this machine, another boot, a day old", nameFor (target, otherBoot), overADay, true, true },
        { "another machine of this host name", nameFor (target, otherMachine), almostADay, false, false },
        { "another machine, a day old", nameFor (target, otherMachine), overADay, true, true },
        { "a live writer", nameFor (target, self), justNow, false, false },
        { "a live writer of this machine, untouched for a day", nameFor (temp.file ("Slow.vlpr"), self), overADay, false, true },
        { "previous version, this host name", previousName ("3fa9c01e"), almostADay, false, false },
        { "previous version, a day old", previousName ("3fa9c01f"), overADay, true, true },
        { "renamed by the user", nameFor (target, ended) + ".bak", overADay, false, false },
        { "an extension never written", nameFor (temp.file ("Take.mp3"), ended), overADay, false, false },
        { "the user's own report name", nameFor (temp.file ("notes.log"), ended), overADay, false, false },
        { "a write check, process ended", nameFor (temp.file ("velvane-write-check"), ended), justNow, true, false },
        { "a write check of another machine", nameFor (temp.file ("velvane-write-check"), otherMachine), almostADay, false, false },
        { "previous version's write check", ".velvane-write-check-" + juce::String::repeatedString ("ab", 16), almostADay, false, false },
        { "previous version's write check, a day old", ".velvane-write-check-" + juce::String::repeatedString ("cd", 16), overADay, true, true },
        { "a file moved aside for a rename", ".velvane-rename.tmp", overADay, false, false },
        { "the framework's temporary name", ".PRJ_Intro_01_Drums_temp3fa9c01e.wav", overADay, false, false },
        { "a hidden file", ".DS_Store", overADay, false, false },
        { "a delivered file", "PRJ_Intro_01_Drums.wav", overADay, false, false },
    };

    const auto now = juce::Time::getCurrentTime();

    for (const auto& c : cases)
    {
        const auto file = temp.file (c.name);
        ASSERT_TRUE (file.replaceWithText ("x")) << c.what;
        ASSERT_TRUE (file.setLastModificationTime (now - c.age)) << c.what;
    }

    juce::StringArray kept;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.what) + ": " + c.name);
        const auto file = temp.file (c.name);
        EXPECT_EQ (isLeftoverTemporaryFile (file, self), c.removed);
        EXPECT_EQ (isLeftoverTemporaryFile (file, unknownSelf), c.removedWhenUnknown);

        if (! c.removed)
            kept.add (c.name);
    }

    EXPECT_EQ (removeLeftoverTemporaryFiles (temp.folder, self), (int) std::size (cases) - kept.size());
    kept.sort (false);
    EXPECT_EQ (temp.entryNames(), kept);
}

TEST (TemporaryFiles, WritersOfThisMachineAreLookedUpAndOthersCountAsRunning)
{
    auto ended = test::endedTemporaryFileWriter();
    auto earlierProcess = thisTemporaryFileWriter();
    earlierProcess.processStart += 1;

    auto otherBoot = ended;
    otherBoot.boot = otherBoot.boot.replaceSection (0, 1, otherBoot.boot.startsWith ("3") ? "4" : "3");

    const auto zeros = juce::String::repeatedString ("0", 16);
    auto unknownSelf = thisTemporaryFileWriter();
    unknownSelf.machine = zeros;
    unknownSelf.boot = zeros;
    auto endedOfUnknown = ended;
    endedOfUnknown.machine = zeros;
    endedOfUnknown.boot = zeros;

    if (thisTemporaryFileWriter().machine != zeros && thisTemporaryFileWriter().boot != zeros)
    {
        EXPECT_FALSE (isTemporaryFileWriterRunning (ended));
        EXPECT_FALSE (isTemporaryFileWriterRunning (earlierProcess));
    }

    EXPECT_TRUE (isTemporaryFileWriterRunning (thisTemporaryFileWriter()));
    EXPECT_TRUE (isTemporaryFileWriterRunning (otherBoot)) << "a process id of another boot names nothing here";
    EXPECT_TRUE (isTemporaryFileWriterRunning (otherMachineWriter()));
    EXPECT_TRUE (isTemporaryFileWriterRunning (endedOfUnknown, unknownSelf)) << "an unknown machine is no machine to compare";
}

TEST (TemporaryFiles, AFileBeingWrittenThroughTheSafeWriterStays)
{
    test::ScratchFolder temp;
    const auto leftover = temporaryFileFor (temp.file ("Bass.wav"), test::endedTemporaryFileWriter());
    ASSERT_TRUE (leftover.replaceWithText ("x"));

    SafeFileWriter inProgress (temp.file ("Mix.wav"));
    auto stream = inProgress.createOutputStream();
    ASSERT_NE (stream, nullptr);
    ASSERT_TRUE (stream->write ("partial", 7));
    stream->flush();

    const auto known = thisTemporaryFileWriter().boot != juce::String::repeatedString ("0", 16);
    EXPECT_EQ (removeLeftoverTemporaryFiles (temp.folder), known ? 1 : 0);
    EXPECT_EQ (leftover.exists(), ! known);
    EXPECT_TRUE (inProgress.temporaryFile().existsAsFile());
}
#endif

TEST (TemporaryFiles, TheWriteCheckLeavesNothingAndIsMarkedLikeEveryTemporaryFile)
{
    test::ScratchFolder temp;

    const auto probe = writeCheckFileIn (temp.folder);
    TemporaryFileWriter named;
    ASSERT_TRUE (temporaryFileWriterOf (probe, named)) << probe.getFileName();
    EXPECT_TRUE (named == thisTemporaryFileWriter());
    EXPECT_TRUE (probe.getFileName().startsWith (".velvane-write-check_temp")) << probe.getFileName();

    juce::String error;
    EXPECT_TRUE (checkOutputFolder (temp.folder, error)) << error;
    EXPECT_TRUE (temp.entryNames().isEmpty()) << temp.entryNames().joinIntoString (", ");
}

TEST (TemporaryFiles, EveryExtensionVelvaneWritesIsListed)
{
    const auto& listed = extensionsVelvaneWrites();

    for (const auto codec : { Codec::wav, Codec::aiff, Codec::flac })
        EXPECT_TRUE (listed.contains (codecExtension (codec))) << codecExtension (codec);

    // A split take's parts keep its extension, which is any the import takes.
    for (const auto& pattern : juce::StringArray::fromTokens (audioFileWildcard(), ";", {}))
        EXPECT_TRUE (listed.contains (pattern.fromFirstOccurrenceOf ("*", false, false))) << pattern;

    for (const auto* extension : { ".vlpr", ".json", ".html", ".txt", ".settings" })
        EXPECT_TRUE (listed.contains (extension)) << extension;
}

// Render workers draw names for the same folder at once: each from its own source.
TEST (TemporaryFiles, ThreadsDrawingNamesAtOnceGetDistinctNames)
{
    const auto target = juce::File ("/tmp").getChildFile ("velvane-no-such-folder").getChildFile ("Mix.wav");
    constexpr int threads = 16;
    constexpr int namesEach = 500;

    std::vector<juce::StringArray> drawn ((size_t) threads);
    std::atomic<bool> go { false };
    std::vector<std::thread> workers;

    for (int t = 0; t < threads; ++t)
        workers.emplace_back ([&, t]
        {
            while (! go.load())
                std::this_thread::yield();

            for (int i = 0; i < namesEach; ++i)
                drawn[(size_t) t].add (temporaryFileFor (target).getFileName());
        });

    go = true;

    for (auto& worker : workers)
        worker.join();

    std::set<juce::String> names;

    for (const auto& list : drawn)
        for (const auto& name : list)
            names.insert (name);

    EXPECT_EQ ((int) names.size(), threads * namesEach);
}
