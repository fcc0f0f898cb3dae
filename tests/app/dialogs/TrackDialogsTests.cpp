#include "app/TrackDialogs.h"

#include "app/dialogs/DialogsTestSupport.h"

#include <functional>

namespace korvid::ui
{
namespace
{
    using dialogstest::DialogsTest;
    using dialogstest::TracksChangedCounter;
    using Kind = testing::ScriptedDialogs::Kind;

    class TrackDialogsTest : public DialogsTest
    {
    protected:
        /** Pumps messages until the cache holds an overview of the path. */
        const WaveformOverview* waitForOverview (const juce::String& path)
        {
            for (int i = 0; i < 200; ++i)
            {
                if (const auto* overview = state->waveforms.request (path))
                    return overview;

                juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
            }

            return nullptr;
        }
    };

    //==============================================================================
    TEST_F (TrackDialogsTest, RenameKeepsTheExtensionAndTheFolderAndDropsStaleOverviews)
    {
        const auto ids = importTracks ("Cue", { "Take One.wav" }, 0.25f);
        const auto oldFile = track (ids[0]).file;
        const auto folder = oldFile.getParentDirectory();
        const auto newFile = folder.getChildFile ("New Name.wav");

        // Another file had the new name before and its overview is cached; it then went away.
        ASSERT_TRUE (test::writeWav (newFile, test::makeConstant (1, 4800, 0.9f), 48000.0));
        ASSERT_NE (waitForOverview (oldFile.getFullPathName()), nullptr);
        ASSERT_NE (waitForOverview (newFile.getFullPathName()), nullptr);
        ASSERT_TRUE (newFile.deleteFile());

        TracksChangedCounter changes (state->session);
        dialogs->texts.push_back ("  New Name  ");
        askToRenameTrackFile (*state, nullptr, ids[0]);

        ASSERT_EQ (dialogs->asked.size(), 1u);   // the prompt only: success shows nothing
        const auto& prompt = dialogs->asked[0];
        EXPECT_EQ (prompt.kind, Kind::text);
        EXPECT_EQ (prompt.title, "Rename this file");
        EXPECT_EQ (prompt.message, "It is renamed on disk, in this folder:\n" + folder.getFullPathName());
        EXPECT_EQ (prompt.initialText, "Take One");
        EXPECT_EQ (prompt.okText, "Rename");
        EXPECT_EQ (prompt.cancelText, "Cancel");
        EXPECT_EQ (prompt.fieldLabel, "");

        EXPECT_EQ (track (ids[0]).file, newFile);
        EXPECT_TRUE (newFile.existsAsFile());
        EXPECT_FALSE (oldFile.exists());
        EXPECT_EQ (changes.count, 1);

        // Both paths are read again: the new one shows the renamed file, not the one before.
        const auto* overview = waitForOverview (newFile.getFullPathName());
        ASSERT_NE (overview, nullptr);
        EXPECT_NEAR (overview->peak, 0.25f, 1.0e-4f);
        EXPECT_EQ (state->waveforms.request (oldFile.getFullPathName()), nullptr);
    }

    TEST_F (TrackDialogsTest, EachRefusalIsShownAsAWarningAndLeavesTheFileAlone)
    {
        // Long enough that a 120-character name makes the path too long, short names still fit.
        const juce::String longFolder = juce::String::repeatedString ("f", 110);

        struct Case
        {
            const char* label;
            juce::String answer;
            std::function<void (Session&, const juce::String& trackId)> meanwhile;
            juce::String sentence;
        };

        const std::vector<Case> cases {
            { "name of another file", "Other", {}, "There is already a file called 'Other.wav' in that folder." },
            { "same name in other letter case", "OTHER", {},
              "There is already a file called 'OTHER.wav' in that folder." },
            { "nothing usable", "...", {}, "That name has nothing in it that can be used for a file name." },
            { "a name imports skip", "Take_splitted", {},
              "Names ending in _splitted mark files that were split before. Choose another name." },
            { "path too long", juce::String::repeatedString ("n", 120), {},
              "That name makes the path too long for this system." },
            { "file moved away", "Moved",
              [] (Session& session, const juce::String& id)
              {
                  const auto file = session.findTrack (id)->file;
                  ASSERT_TRUE (file.moveFileTo (file.getSiblingFile ("elsewhere.bin")));
              },
              "That file is not where it was imported from. It may have been moved or renamed since it was added "
              "to the list." },
            { "track removed", "Gone",
              [] (Session& session, const juce::String& id) { session.removeTracks ({ id }); },
              "That track is no longer in the list." },
        };

        for (size_t i = 0; i < cases.size(); ++i)
        {
            const auto& c = cases[i];
            SCOPED_TRACE (c.label);

            const auto ids = importTracks ("case" + juce::String ((int) i) + "/" + longFolder, { "Take.wav", "Other.wav" });
            const auto file = track (ids[0]).file;
            const auto folderBefore = file.getParentDirectory().findChildFiles (juce::File::findFiles, false, "*");

            dialogs->asked.clear();
            dialogs->answerAtOnce = false;
            dialogs->texts.push_back (c.answer);
            askToRenameTrackFile (*state, nullptr, ids[0]);

            if (c.meanwhile)
                c.meanwhile (state->session, ids[0]);

            dialogs->answerAtOnce = true;
            dialogs->answerPending();

            ASSERT_EQ (dialogs->asked.size(), 2u);
            const auto& warning = dialogs->asked[1];
            EXPECT_EQ (warning.kind, Kind::message);
            EXPECT_EQ (warning.icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (warning.title, "The file was not renamed");
            EXPECT_EQ (warning.message, c.sentence);

            if (! c.meanwhile)
            {
                EXPECT_EQ (track (ids[0]).file, file);
                EXPECT_EQ (file.getParentDirectory().findChildFiles (juce::File::findFiles, false, "*"), folderBefore);
            }
        }
    }

    TEST_F (TrackDialogsTest, CancelABlankNameOrAnUnknownTrackChangesNothing)
    {
        const auto ids = importTracks ("Cue", { "Take.wav" });
        const auto file = track (ids[0]).file;
        TracksChangedCounter changes (state->session);

        for (const auto& answer : { std::optional<juce::String>(), std::optional<juce::String> (""),
                                    std::optional<juce::String> (" \t ") })
        {
            dialogs->asked.clear();
            dialogs->texts.push_back (answer);
            askToRenameTrackFile (*state, nullptr, ids[0]);

            EXPECT_EQ (dialogs->asked.size(), 1u);   // the prompt, no message after it
            EXPECT_EQ (track (ids[0]).file, file);
            EXPECT_TRUE (file.existsAsFile());
        }

        dialogs->asked.clear();
        askToRenameTrackFile (*state, nullptr, "no-such-track");
        EXPECT_TRUE (dialogs->asked.empty());
        EXPECT_EQ (changes.count, 0);
    }
}
}
