#include "core/platform/SafeFileWriter.h"

#include "core/platform/TemporaryFiles.h"
#include "core/storage/ScratchFolder.h"
#include "support/FileSizeCap.h"

#include <gtest/gtest.h>

#include <string>

using namespace korvid;

namespace
{
    // As a std::string: juce::MemoryBlock compares empty blocks through memcmp on null.
    std::string bytesOf (const juce::File& file)
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        return block.isEmpty() ? std::string() : std::string ((const char*) block.getData(), block.getSize());
    }

    // Writes the bytes through the writer's stream and closes it.
    void writeThrough (SafeFileWriter& writer, const std::string& bytes)
    {
        auto stream = writer.createOutputStream();
        ASSERT_NE (stream, nullptr);
        ASSERT_TRUE (stream->write (bytes.data(), bytes.size()));
    }

    // A file in a fresh sub-folder whose full path has exactly `length` characters.
    juce::File fileWithPathLength (const juce::File& base, int length)
    {
        const auto folder = base.getChildFile ("sub");
        const auto nameLength = length - folder.getFullPathName().length() - 1 - 5;
        return folder.getChildFile (juce::String::repeatedString ("n", nameLength) + ".json");
    }
} // namespace

TEST (SafeFileWriter, WritesTextWithTheAskedLineEndsAndReplacesTheTarget)
{
    struct Case
    {
        const char* name;
        juce::String text;
        const char* expected;
        LineEnds lineEnds = LineEnds::lineFeed;
    };

    const Case cases[] {
        { "crlf", "{\r\n  \"a\": 1\r\n}\r\n", "{\n  \"a\": 1\n}\n" },
        { "lone cr", "x\ry", "xy" },
        { "empty", "", "" },
        { "utf8 without bom", juce::String::fromUTF8 ("\xc3\x89t\xc3\xa9"), "\xc3\x89t\xc3\xa9" },
        { "crlf asked, lf given", "a\nb\n", "a\r\nb\r\n", LineEnds::carriageReturnLineFeed },
        { "crlf asked, crlf given", "a\r\nb", "a\r\nb", LineEnds::carriageReturnLineFeed },
        { "crlf asked, lone cr", "a\rb\n", "ab\r\n", LineEnds::carriageReturnLineFeed },
    };

    test::ScratchFolder temp;
    const auto target = temp.file ("Delivery.vlpr");

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_TRUE (target.replaceWithText ("old content"));

        juce::String error ("left over from before");
        ASSERT_TRUE (writeFileSafely (target, c.text, error, c.lineEnds));

        EXPECT_TRUE (error.isEmpty());
        EXPECT_EQ (bytesOf (target), std::string (c.expected));
        EXPECT_EQ (temp.entryNames(), juce::StringArray ("Delivery.vlpr"));
    }
}

TEST (SafeFileWriter, CreatesMissingFoldersAndHonoursThePathLimit)
{
    test::ScratchFolder temp;
    juce::String error;

    const auto nested = temp.file ("a").getChildFile ("b").getChildFile ("doc.json");
    ASSERT_TRUE (writeFileSafely (nested, "x", error)) << error;
    EXPECT_EQ (nested.loadFileAsString(), "x");

    const auto longest = fileWithPathLength (temp.folder, 240);
    ASSERT_EQ (longest.getFullPathName().length(), 240);
    EXPECT_TRUE (writeFileSafely (longest, "fits", error)) << error;
    EXPECT_EQ (longest.loadFileAsString(), "fits");

    temp.file ("sub").deleteRecursively();
    const auto tooLong = fileWithPathLength (temp.folder, 241);
    ASSERT_EQ (tooLong.getFullPathName().length(), 241);
    EXPECT_FALSE (writeFileSafely (tooLong, "no", error));
    EXPECT_EQ (error, "The destination path is too long.");
    EXPECT_FALSE (temp.file ("sub").exists()) << "a refused path must not leave folders behind";
}

TEST (SafeFileWriter, FailuresLeaveTheOldFileAndNoTemporaryFile)
{
    test::ScratchFolder temp;

    // A regular file where a folder must be.
    const auto blocker = temp.file ("blocker.txt");
    ASSERT_TRUE (blocker.replaceWithText ("keep me"));

    // A folder with content where the file should go: it can never be replaced.
    const auto occupied = temp.file ("occupied.json");
    ASSERT_TRUE (occupied.getChildFile ("inside.txt").create().wasOk());
    ASSERT_TRUE (occupied.getChildFile ("inside.txt").replaceWithText ("inner"));

    struct Case
    {
        const char* name;
        juce::File target;
        juce::String expectedStart;
    };

    const Case cases[] {
        { "no target", juce::File(), "No destination file was given." },
        { "file in the way of a folder", blocker.getChildFile ("doc.json"),
          "Could not create '" + blocker.getFullPathName() + "': " },
        { "non-empty folder as the target", occupied, "Could not replace '" + occupied.getFullPathName() + "'." },
        { "path too long", fileWithPathLength (temp.folder, 300), "The destination path is too long." },
    };

    const auto before = temp.entryNames();

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::String error;
        EXPECT_FALSE (writeFileSafely (c.target, "new", error));
        EXPECT_TRUE (error.startsWith (c.expectedStart)) << error;

        EXPECT_EQ (temp.entryNames(), before);
        EXPECT_EQ (blocker.loadFileAsString(), "keep me");
        EXPECT_EQ (occupied.getChildFile ("inside.txt").loadFileAsString(), "inner");
    }
}

TEST (SafeFileWriter, TemporaryFileIsHiddenBesideTheTargetAndGoesAwayUnlessCommitted)
{
    test::ScratchFolder temp;
    const auto target = temp.file ("Delivery.vlpr");
    ASSERT_TRUE (target.replaceWithText ("old"));

    {
        SafeFileWriter writer (target);
        ASSERT_NE (writer.temporary, nullptr);

        const auto tempFile = writer.temporaryFile();
        EXPECT_EQ (tempFile.getParentDirectory(), temp.folder);
        EXPECT_TRUE (tempFile.getFileName().startsWith (".Delivery_temp"));
        EXPECT_EQ (tempFile.getFileExtension(), ".vlpr");

        // Its name says who writes it, so a leftover can be told from a file in progress.
        TemporaryFileWriter named;
        ASSERT_TRUE (temporaryFileWriterOf (tempFile, named)) << tempFile.getFileName();
        EXPECT_TRUE (named == thisTemporaryFileWriter());

        auto stream = writer.createOutputStream();
        ASSERT_NE (stream, nullptr);
        stream->writeText ("abandoned", false, false, nullptr);
        stream.reset();
        EXPECT_TRUE (tempFile.existsAsFile());
    }

    EXPECT_EQ (target.loadFileAsString(), "old");
    EXPECT_EQ (temp.entryNames(), juce::StringArray ("Delivery.vlpr"));
}

TEST (SafeFileWriter, CommitReportsWhatIsMissing)
{
    test::ScratchFolder temp;

    {
        SafeFileWriter writer (temp.file ("never-opened.json"));
        EXPECT_FALSE (writer.commit());
        EXPECT_EQ (writer.error, "Nothing was written to the temporary file.");
        EXPECT_FALSE (writer.committed);
    }

    {
        SafeFileWriter writer { juce::File() };
        EXPECT_EQ (writer.temporary, nullptr);
        EXPECT_EQ (writer.temporaryFile(), juce::File());
        EXPECT_FALSE (writer.commit());
        EXPECT_EQ (writer.error, "No destination file was given.") << "the first sentence is kept";
        EXPECT_EQ (writer.createOutputStream(), nullptr);
    }

    EXPECT_TRUE (temp.entryNames().isEmpty());
}

TEST (SafeFileWriter, WritesBinaryBytesUnchanged)
{
    // The encoder writes audio through the same guard: no byte may be altered.
    test::ScratchFolder temp;
    const auto target = temp.file ("take.wav");

    std::string bytes;

    for (int i = 0; i < 70000; ++i)
        bytes.append ("\r\n\0\xff", 4);

    SafeFileWriter writer (target);
    writeThrough (writer, bytes);

    EXPECT_FALSE (target.exists()) << "the target appears only on commit";
    ASSERT_TRUE (writer.commit()) << writer.error;
    EXPECT_TRUE (writer.committed);
    EXPECT_EQ (bytesOf (target), bytes);
    EXPECT_EQ (temp.entryNames(), juce::StringArray ("take.wav"));
}

TEST (SafeFileWriter, ANewNameIsTakenOnlyWhenNoFileHasIt)
{
    test::ScratchFolder temp;
    const auto planned = temp.file ("Mix.wav");
    const auto taken = temp.file ("Mix-2.wav");
    ASSERT_TRUE (taken.replaceWithText ("another run's"));

    SafeFileWriter writer (planned);
    writeThrough (writer, "ours");

    EXPECT_EQ (writer.commitAsNewFile (taken), SafeFileWriter::NewName::taken);
    EXPECT_EQ (taken.loadFileAsString(), "another run's");
    EXPECT_FALSE (writer.committed);
    EXPECT_TRUE (writer.temporaryFile().existsAsFile()) << "kept for the next name";

    const auto free = temp.file ("Mix-3.wav");
    ASSERT_EQ (writer.commitAsNewFile (free), SafeFileWriter::NewName::claimed) << writer.error;
    EXPECT_TRUE (writer.committed);
    EXPECT_EQ (writer.target, free);
    EXPECT_EQ (free.loadFileAsString(), "ours");
    EXPECT_EQ (temp.entryNames(), juce::StringArray ({ "Mix-2.wav", "Mix-3.wav" }));
}

#if ! JUCE_WINDOWS
// A disk that fills while the text is written, also during the last buffer or the final
// flush, never replaces the old file with a short one.
TEST (SafeFileWriter, ATextCutShortKeepsTheOldFileAndSaysSo)
{
    struct Case
    {
        const char* name;
        int textBytes;
        int capBytes;
        const char* error;
    };

    const char* const diskFull = "Writing failed, the disk may be full.";

    // A write cut short says nothing more; one refused outright gives the system's text.
    const Case cases[] {
        { "small text, cut in its only buffer", 3000, 2990, diskFull },
        { "long text, cut in its last buffer", 40000, 39900, diskFull },
        { "long text, cut in an early buffer", 40000, 10000, diskFull },
        { "nothing fits", 3000, 0, "File too large" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        test::ScratchFolder temp;
        const auto target = temp.file ("Session.vlpr");
        ASSERT_TRUE (target.replaceWithText ("old content"));

        const auto text = juce::String::repeatedString ("x", c.textBytes - 1) + "\n";
        juce::String error;
        bool written = true;

        {
            const test::FileSizeCap cap (c.capBytes);
            written = writeFileSafely (target, text, error);
        }

        EXPECT_FALSE (written);
        EXPECT_EQ (error, c.error);
        EXPECT_EQ (target.loadFileAsString(), "old content");
        EXPECT_EQ (temp.entryNames(), juce::StringArray ("Session.vlpr"));

        ASSERT_TRUE (writeFileSafely (target, text, error)) << "with room again: " << error;
        EXPECT_EQ (target.getSize(), (juce::int64) c.textBytes);
    }
}

TEST (SafeFileWriter, AShortTemporaryFileIsNeverCommitted)
{
    // Whatever the stream was told, a temporary file shorter than what was written to it
    // (cut by something outside the stream) replaces nothing.
    test::ScratchFolder temp;
    const auto target = temp.file ("take.wav");
    ASSERT_TRUE (target.replaceWithText ("old"));

    SafeFileWriter writer (target);
    writeThrough (writer, "0123456789");

    ASSERT_TRUE (writer.temporaryFile().replaceWithText ("01234"));
    EXPECT_FALSE (writer.commit());
    EXPECT_EQ (writer.error, "Writing failed, the disk may be full.");
    EXPECT_EQ (writer.commitAsNewFile (temp.file ("other.wav")), SafeFileWriter::NewName::failed);
    EXPECT_EQ (target.loadFileAsString(), "old");
    EXPECT_FALSE (temp.file ("other.wav").exists());
}
#endif
