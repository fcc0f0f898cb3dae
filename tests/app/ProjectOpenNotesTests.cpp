#include "app/ProjectOpenNotes.h"

#include <gtest/gtest.h>

namespace korvid::ui
{
namespace
{
    // Every way into the box after an open: a true line must never be dropped to keep another
    // line from being wrong.
    TEST (ProjectOpenNotes, TheBoxSaysEveryKindOfNoteAndClaimsNothingFalse)
    {
        const auto info = juce::MessageBoxIconType::InfoIcon;
        const auto warning = juce::MessageBoxIconType::WarningIcon;

        const struct
        {
            const char* label;
            ProjectOpenNotes notes;
            juce::MessageBoxIconType icon;
            const char* title;
            const char* text;
        } cases[] = {
            { "only missing", { { "/a/Gone.wav" }, {}, {} }, info, "Some sources were not found",
              "Everything else was restored. These are not where the project says they are:\n\n/a/Gone.wav" },
            { "only left out", { {}, { "/a/B_splitted.wav: Why." }, {} }, warning, "Some takes were left out of the list",
              "These takes are where the project says, but the list lacks them; a save now leaves them and their "
              "assignments out of the project:\n\n/a/B_splitted.wav: Why." },
            { "missing and left out", { { "/a/Gone.wav" }, { "/a/Z.wav: Why." }, {} }, warning,
              "Some sources were not found",
              "These are not where the project says they are:\n\n/a/Gone.wav\n\nThese takes are where the project "
              "says, but the list lacks them; a save now leaves them and their assignments out of the project:"
              "\n\n/a/Z.wav: Why." },
            { "only the import's problems", { {}, {}, { "Bad.wav: Unreadable." } }, warning,
              "Some files could not be imported", "Reading the project's folders also found:\n\nBad.wav: Unreadable." },
            { "missing and the import's problems", { { "/a/Gone.wav" }, {}, { "Bad.wav: Unreadable." } }, warning,
              "Some sources were not found",
              "Everything else was restored. These are not where the project says they are:\n\n/a/Gone.wav\n\n"
              "Reading the project's folders also found:\n\nBad.wav: Unreadable." },
        };

        for (const auto& c : cases)
        {
            const auto message = describeProjectOpen (c.notes);
            ASSERT_TRUE (message.has_value()) << c.label;
            EXPECT_EQ (message->icon, c.icon) << c.label;
            EXPECT_EQ (message->title, c.title) << c.label;
            EXPECT_EQ (message->text, c.text) << c.label;
        }

        EXPECT_FALSE (describeProjectOpen ({}).has_value());
    }

    // The box cuts its text at 2048 characters without a word: a long list says how much of
    // it is not shown instead.
    TEST (ProjectOpenNotes, ALongListSaysHowManyLinesItLeavesOut)
    {
        ProjectOpenNotes notes;

        for (int i = 0; i < 300; ++i)
        {
            const auto path = "/Music/Film score/1M01 Opening titles/Alternate take " + juce::String (i) + ".wav";
            notes.missingSources.add (path);
            notes.takesLeftOut.add (path + ": The list reached its limit of 2048 tracks before it.");
            notes.importProblems.add ("Take " + juce::String (i) + ".wav: The file could not be read.");
        }

        const auto message = describeProjectOpen (notes);
        ASSERT_TRUE (message.has_value());
        EXPECT_LE (message->text.length(), 2048);
        EXPECT_TRUE (message->text.contains (notes.missingSources[0] + "\n"));
        EXPECT_TRUE (message->text.contains (notes.takesLeftOut[0] + "\n"));
        EXPECT_TRUE (message->text.endsWith (" more."));

        for (const auto* section : { "These are not where", "These takes are where", "Reading the project's folders" })
            EXPECT_TRUE (message->text.contains (section)) << section;

        const auto shownMissing = message->text.fromFirstOccurrenceOf ("they are:\n\n", false, false)
                                      .upToFirstOccurrenceOf ("\n\n", false, false);
        const auto lines = juce::StringArray::fromLines (shownMissing);
        EXPECT_EQ (lines[lines.size() - 1], "... and " + juce::String (300 - (lines.size() - 1)) + " more.");
    }
}
}
