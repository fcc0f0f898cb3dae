#include "app/TrackDialogs.h"
#include "app/pages/import/ImportPageTestSupport.h"

namespace korvid::ui::importtest
{
    TEST_F (ImportPageTest, AFolderAndTwoFilesDroppedTogetherImportOnceAndOnlyTheFolderIsRecent)
    {
        const auto cue = folder ("Cue");
        writeTake (cue.getChildFile ("in folder.wav"), 1.0);
        const auto loose = folder ("Loose");
        const auto first = writeTake (loose.getChildFile ("one.wav"), 1.0);
        const auto second = writeTake (loose.getChildFile ("two.wav"), 1.0);

        page->fileDragEnter ({}, 10, 10);
        EXPECT_TRUE (page->isDragHighlighted());
        page->filesDropped ({ cue.getFullPathName(), first.getFullPathName(), second.getFullPathName() }, 10, 10);
        waitForImports();

        EXPECT_FALSE (page->isDragHighlighted());
        EXPECT_EQ (state->session.getTracks().size(), 3u);
        EXPECT_EQ (state->getRecentImportFolders(), juce::Array<juce::File> ({ cue }));
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ImportPageTest, WhatWasNotImportedComesBackInOneBox)
    {
        struct Case
        {
            const char* name;
            std::function<juce::Array<juce::File> (const juce::File&)> prepare;
            juce::MessageBoxIconType icon;
            const char* title;
            const char* message;
        };

        const auto take = [] (const juce::File& file) { return writeTake (file, 0.5); };

        const Case cases[] = {
            { "one split source", [&] (const juce::File& dir)
              {
                  take (dir.getChildFile ("Strings_splitted.wav"));
                  return juce::Array<juce::File> { dir };
              },
              juce::MessageBoxIconType::InfoIcon, "One split file was not imported",
              "This file has already been split. Its two halves were imported instead:\n\nStrings_splitted.wav" },
            { "two split sources", [&] (const juce::File& dir)
              {
                  take (dir.getChildFile ("A_splitted.wav"));
                  take (dir.getChildFile ("B_splitted2.wav"));
                  return juce::Array<juce::File> { dir };
              },
              juce::MessageBoxIconType::InfoIcon, "Split files were not imported",
              "These files have already been split. Their halves were imported instead:\n\nA_splitted.wav\nB_splitted2.wav" },
            { "a problem and a split source", [&] (const juce::File& dir)
              {
                  take (dir.getChildFile ("Good.wav"));
                  dir.getChildFile ("Bad.wav").replaceWithText ("not audio");
                  take (dir.getChildFile ("Old_splitted.wav"));
                  return juce::Array<juce::File> { dir };
              },
              juce::MessageBoxIconType::WarningIcon, "Some files could not be imported",
              "1 imported, 1 already split, 1 could not be read\n\n"
              "Bad.wav: Not a readable audio file, or the format is not supported.\n\n"
              "This file has already been split. Its two halves were imported instead:\n\nOld_splitted.wav" },
            { "no audio at all", [&] (const juce::File& dir)
              {
                  dir.getChildFile ("notes.txt").replaceWithText ("text");
                  return juce::Array<juce::File> { dir };
              },
              juce::MessageBoxIconType::InfoIcon, "Nothing was imported", "No WAV, AIFF or FLAC files were found there." },
        };

        int index = 0;

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            const auto dir = folder ("case " + juce::String (index++));
            importPaths (c.prepare (dir));

            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->icon, c.icon);
            EXPECT_EQ (lastQuestion()->title, c.title);
            EXPECT_EQ (lastQuestion()->message, c.message);
            dialogs->asked.clear();
        }

        // A file already listed, with nothing else to say, shows no box.
        importPaths ({ folder ("case 2").getChildFile ("Good.wav") });
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ImportPageTest, AddFilesImportsEveryChosenFileAndACancelDoesNothing)
    {
        const auto dir = folder ("Chosen");
        const auto a = writeTake (dir.getChildFile ("a.wav"), 0.5);
        const auto b = writeTake (dir.getChildFile ("b.wav"), 0.5);

        dialogs->fileLists.push_back ({ a, b });
        page->getAddFilesButton().triggerClick();
        pump();
        waitForImports();

        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "Add audio files");
        EXPECT_EQ (lastQuestion()->fileRequest.pattern, "*.wav;*.wave;*.aif;*.aiff;*.aifc;*.flac");
        EXPECT_EQ (state->session.getTracks().size(), 2u);
        EXPECT_TRUE (state->getRecentImportFolders().isEmpty());

        page->getAddFilesButton().triggerClick();
        pump();
        EXPECT_EQ (state->session.getTracks().size(), 2u);
    }

    TEST_F (ImportPageTest, AddFolderOffersRecentFoldersAndDisablesMissingOnes)
    {
        // No recent folders: the chooser opens at once.
        const auto first = folder ("Sessions/First");
        writeTake (first.getChildFile ("a.wav"), 0.5);
        dialogs->files.push_back (first);
        page->getAddFolderButton().triggerClick();
        pump();
        waitForImports();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "Add a folder of audio files");
        EXPECT_TRUE (lastQuestion()->fileRequest.chooseFolder);
        EXPECT_EQ (state->session.getTracks().size(), 1u);

        const auto second = folder ("Sessions/Second");
        writeTake (second.getChildFile ("b.wav"), 0.5);
        importPaths ({ second });
        const auto gone = folder ("Sessions/Gone");
        state->addRecentImportFolder (gone);
        gone.deleteRecursively();

        const auto recent = state->getRecentImportFolders();
        ASSERT_EQ (recent.size(), 3);
        const auto menu = page->createAddFolderMenu (recent);

        juce::StringArray texts;
        juce::Array<bool> enabled;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (item.itemID != 0)
            {
                texts.add (juce::String (item.itemID) + " " + item.text);
                enabled.add (item.isEnabled);
            }
        }

        EXPECT_EQ (texts, juce::StringArray ({ "1 Add folder...", "2 Sessions / Gone", "3 Sessions / Second",
                                               "4 Sessions / First" }));
        EXPECT_EQ (enabled, juce::Array<bool> ({ true, false, true, true }));

        state->session.clear();
        page->addFolderMenuItemChosen (4, recent);
        waitForImports();
        EXPECT_EQ (state->session.getTracks().size(), 1u);
        EXPECT_EQ (state->session.getTracks()[0].file, first.getChildFile ("a.wav"));

        page->addFolderMenuItemChosen (9, recent);
        page->addFolderMenuItemChosen (0, recent);
        waitForImports();
        EXPECT_EQ (state->session.getTracks().size(), 1u);
    }

    TEST_F (ImportPageTest, RemoveAndClearTouchTheListOnly)
    {
        const auto ids = importTakes ("Cue", { "a.wav", "b.wav", "c.wav" });
        const auto dir = folder ("Cue");

        page->selectTracks ({ ids[0], ids[2] });
        page->getRemoveButton().triggerClick();
        pump();
        EXPECT_EQ (listedNames(), juce::StringArray ({ "b.wav" }));

        page->selectTracks ({ ids[1] });
        page->deleteKeyPressed (0);
        EXPECT_TRUE (state->session.getTracks().empty());

        importTakes ("Cue", { "a.wav", "b.wav", "c.wav" });
        page->selectTracks ({ idOf (dir.getChildFile ("a.wav")) });
        ASSERT_NE (page->getCurrentPath(), "");

        dialogs->confirmations.push_back (false);
        page->getClearButton().triggerClick();
        pump();
        EXPECT_EQ (lastQuestion()->title, "Clear the track list?");
        EXPECT_EQ (lastQuestion()->message, "This removes every track from the list. The files on disk are not affected.");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ (state->session.getTracks().size(), 3u);

        dialogs->confirmations.push_back (true);
        page->getClearButton().triggerClick();
        pump();
        EXPECT_TRUE (state->session.getTracks().empty());
        EXPECT_EQ (page->getCurrentPath(), "");
        EXPECT_EQ (page->getFileNameLabel().getText(), "Nothing selected");

        for (const auto* name : { "a.wav", "b.wav", "c.wav" })
            EXPECT_TRUE (dir.getChildFile (name).existsAsFile()) << name;
    }

    // While a project opens, the list on the page is on its way out: an edit of it would be lost
    // or would make the project's saved takes look missing, so it is refused with a sentence.
    // The project then lands whole, over a panel cleared as "Clear list" clears it.
    TEST_F (ImportPageTest, ListEditsWaitForAProjectBeingOpened)
    {
        const auto projectCue = folder ("Film cue");
        writeTake (projectCue.getChildFile ("Horns.wav"));
        writeTake (projectCue.getChildFile ("Choir.wav"));
        importPaths ({ projectCue });
        const auto project = root.getChildFile ("Film.vlpr");
        juce::String error;
        ASSERT_TRUE (state->saveProject (project, error)) << error;

        const auto now = folder ("Now");
        const auto strings = writeTake (now.getChildFile ("Strings.wav"));
        writeTake (now.getChildFile ("Brass.wav"));
        const auto added = folder ("Added");
        writeTake (added.getChildFile ("Perc.wav"));

        struct Case
        {
            const char* name;
            std::function<void()> edit;
            const char* title;
            const char* refusal;
        };

        const auto sortedNames = [this]
        {
            auto names = listedNames();
            names.sort (false);
            return names;
        };

        const Case cases[] = {
            { "drop", [&] { page->filesDropped ({ added.getFullPathName() }, 10, 10); },
              "Nothing was imported", "Files cannot be added" },
            { "remove", [&] { page->removeSelectedTracks(); }, "The tracks were not removed", "Tracks cannot be removed" },
            { "clear", [&] { page->askToClearList(); },
              "The list was not cleared", "The list cannot be cleared" },
            { "split", [&] { page->splitTrackAt (0.5, "Violins"); }, "The stem was not split", "The stem cannot be split" },
            { "rename", [&] { askToRenameTrackFile (*state, page.get(), idOf (strings)); },
              "The file was not renamed", "The file cannot be renamed" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            state->session.clear();
            importPaths ({ now });
            page->selectTracks ({ idOf (strings) });
            ASSERT_EQ (page->getCurrentPath(), strings.getFullPathName());

            bool done = false;
            juce::StringArray missing { "not told" };
            state->openProject (project, [&] (bool ok, const juce::String&, const ProjectOpenNotes& notes)
            {
                done = ok;
                missing = notes.missingSources;
            });

            const auto asked = dialogs->asked.size();
            c.edit();
            ASSERT_EQ (dialogs->asked.size(), asked + 1);
            EXPECT_EQ (lastQuestion()->title, c.title);
            EXPECT_EQ (lastQuestion()->message, juce::String (c.refusal) + " while the project 'Film' is being opened.");
            EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (sortedNames(), juce::StringArray ({ "Brass.wav", "Strings.wav" }));

            ASSERT_TRUE (pumpUntil ([&] { return done && ! state->sessionJobs.isBusy(); }));
            pump();
            EXPECT_TRUE (missing.isEmpty()) << missing.joinIntoString (", ");
            EXPECT_EQ (sortedNames(), juce::StringArray ({ "Choir.wav", "Horns.wav" }));
            EXPECT_TRUE (strings.existsAsFile());
            EXPECT_FALSE (now.getChildFile ("Violins.wav").exists());
            EXPECT_EQ (now.findChildFiles (juce::File::findFiles, false).size(), 2);
            EXPECT_EQ (page->getCurrentPath(), "");
            EXPECT_EQ (page->getFileNameLabel().getText(), "Nothing selected");
        }
    }

    TEST_F (ImportPageTest, TheSubFolderToggleAppliesToTheNextImportAndIsStored)
    {
        const auto top = folder ("Top");
        writeTake (top.getChildFile ("top.wav"), 0.5);
        writeTake (folder ("Top/Inner").getChildFile ("inner.wav"), 0.5);

        page->getRecurseToggle().triggerClick();
        pump();
        EXPECT_FALSE (state->settings->getBoolValue ("importRecurse", true));
        importPaths ({ top });
        EXPECT_EQ (listedNames(), juce::StringArray ({ "top.wav" }));

        page->getRecurseToggle().triggerClick();
        pump();
        importPaths ({ top });
        EXPECT_EQ (listedNames(), juce::StringArray ({ "inner.wav", "top.wav" }));
    }

    TEST_F (ImportPageTest, AnImportComesInWhenItsFilesWereReadAndTheListWasNotEmptiedMeanwhile)
    {
        const auto first = folder ("First");
        writeTake (first.getChildFile ("a.wav"), 0.5);
        const auto second = folder ("Second");
        writeTake (second.getChildFile ("b.wav"), 0.5);

        // The call returns before the disk is read: the page goes on answering meanwhile.
        page->importPaths ({ first });
        EXPECT_TRUE (page->isImporting());
        EXPECT_TRUE (state->session.getTracks().empty());

        waitForImports();
        EXPECT_EQ (listedNames(), juce::StringArray ({ "a.wav" }));
        EXPECT_EQ (state->getRecentImportFolders(), juce::Array<juce::File> ({ first }));

        // Asked for, then the list is emptied before its files come in: they stay out.
        page->importPaths ({ second });
        state->session.clear();
        waitForImports();
        EXPECT_TRUE (state->session.getTracks().empty());
        EXPECT_EQ (state->getRecentImportFolders(), juce::Array<juce::File> ({ first }));
        EXPECT_TRUE (dialogs->asked.empty());

        // Two imports asked for at once come in in that order.
        page->importPaths ({ second });
        page->importPaths ({ first });
        waitForImports();
        juce::StringArray inOrder;

        for (const auto& track : state->session.getTracks())
            inOrder.add (track.file.getFileName());

        EXPECT_EQ (inOrder, juce::StringArray ({ "b.wav", "a.wav" }));
    }

    TEST_F (ImportPageTest, APageGoneBeforeItsImportCameInLeavesTheSessionAlone)
    {
        const auto dir = folder ("Cue");

        for (int i = 0; i < 40; ++i)
            writeTake (dir.getChildFile ("take " + juce::String (i) + ".wav"), 0.1);

        page->importPaths ({ dir });
        page.reset();
        pump (300);

        EXPECT_TRUE (state->session.getTracks().empty());
        EXPECT_TRUE (dialogs->asked.empty());
    }
}
