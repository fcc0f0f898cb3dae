#include "app/TrackDialogs.h"
#include "app/pages/import/ImportPageTestSupport.h"
#include "app/pages/import/ImportRows.h"
#include "app/pages/import/ImportSplitPlan.h"
#include "core/audio/AudioReading.h"
#include "core/model/Types.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace korvid::ui::importtest
{
    namespace
    {
        juce::MemoryBlock bytesOf (const juce::File& file)
        {
            juce::MemoryBlock block;
            file.loadFileAsData (block);
            return block;
        }

        /** Every entry of the folder, hidden ones included, sorted. */
        juce::StringArray entriesOf (const juce::File& folder)
        {
            juce::StringArray names;

            for (const auto& entry : folder.findChildFiles (juce::File::findFilesAndDirectories, false, "*"))
                names.add (entry.getFileName());

            names.sort (false);
            return names;
        }

        /** Waits on a worker until the condition holds; false after a generous time. */
        bool waitOnWorker (const std::function<bool()>& condition)
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (30);

            while (! condition())
            {
                if (std::chrono::steady_clock::now() > deadline)
                    return false;

                std::this_thread::sleep_for (std::chrono::milliseconds (1));
            }

            return true;
        }

        /** Starts the split of the page's take and returns once its disk work is under way
            (the original moved aside); the work then holds until `release`. */
        bool startSplitHeldUntil (ImportPage& page, const std::atomic<bool>& release, double seconds,
                                  const juce::String& name)
        {
            auto reached = std::make_shared<std::atomic<bool>> (false);
            page.splitStep = [reached, &release] (const TrackSplitRequest& request, const CancelTest&)
            {
                *reached = true;
                waitOnWorker ([&] { return release.load(); });
                return splitTrackFile (request, {});
            };

            page.splitTrackAt (seconds, name);
            return waitOnWorker ([&] { return reached->load(); });
        }

        /** Counts its ticks on the message thread. */
        struct TickCounter : juce::Timer
        {
            TickCounter()            { startTimer (10); }
            ~TickCounter() override  { stopTimer(); }
            void timerCallback() override { ++ticks; }

            std::atomic<int> ticks { 0 };
        };
    }

    TEST_F (ImportPageTest, SplitNamesTakeTheFirstFreeNameAndRefuseWhatCannotNameAPart)
    {
        const auto dir = folder ("Cue");

        for (const auto* name : { "Strings.wav", "Brass.wav", "Take 1.wav", "Strings_splitted.wav" })
            dir.getChildFile (name).replaceWithText ("x");

        struct Case
        {
            const char* name;
            const char* secondPart;   // empty: refused with `error`
            const char* keptSource;
            const char* error;
        };

        const Case cases[] = {
            { "Brass", "Brass2.wav", "Strings_splitted2.wav", "" },
            { "Take 1", "Take 1_2.wav", "Strings_splitted2.wav", "" },
            { "  Horns  ", "Horns.wav", "Strings_splitted2.wav", "" },
            { "???", "", "", "That name has nothing in it that can be used for a file name." },
            { "_splitted", "", "", "Names ending in _splitted mark files that were split before. Choose another name." },
            { "Old_SPLITTED3", "", "", "Names ending in _splitted mark files that were split before. Choose another name." },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            TrackSplitFiles files;
            juce::String error;
            const bool planned = planTrackSplitFiles (dir.getChildFile ("Strings.wav"), c.name, files, error);

            EXPECT_EQ (planned, juce::String (c.error).isEmpty());
            EXPECT_EQ (error, c.error);

            if (planned)
            {
                EXPECT_EQ (files.firstPart, dir.getChildFile ("Strings.wav"));
                EXPECT_EQ (files.secondPart, dir.getChildFile (c.secondPart));
                EXPECT_EQ (files.keptSource, dir.getChildFile (c.keptSource));
            }
        }
    }

    TEST_F (ImportPageTest, ASplitLeavesThreeFilesAndBothPartsInTheCueWithItsSettings)
    {
        auto preset = makeEmptyPreset();
        preset.schema.addStem (Stem ("Strings", {}, 0xff336699, false, 0, { KeywordRule ("Strings") }));
        preset.schema.addSubmix ("No strings");
        state->session.setPreset (preset);
        const auto& schema = state->session.getPreset().schema;

        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 70.0, 0.0, 44100.0, 1, 0.5f);
        importPaths ({ dir });
        const auto id = idOf (file);
        const auto cueId = track (id)->cueId;

        ASSERT_TRUE (state->session.renameCue (cueId, "Opening"));
        state->session.setCueIncluded (cueId, false);
        state->session.setCueTrimStart (cueId, 1.5);
        state->session.setSubmixOverride (cueId, schema.submixes[0], schema.stems[0].id, true);

        juce::AudioBuffer<double> original;
        juce::String error;
        ASSERT_TRUE (readWholeAudioFile (file, original, error)) << error;

        page->selectTracks ({ id });
        page->splitTrackAt (65.0, "Brass");
        ASSERT_TRUE (waitForSplit());
        ASSERT_TRUE (dialogs->asked.empty()) << lastQuestion()->message;

        const auto kept = dir.getChildFile ("Strings_splitted.wav");
        const auto second = dir.getChildFile ("Brass.wav");
        EXPECT_TRUE (file.existsAsFile());
        EXPECT_TRUE (second.existsAsFile());
        EXPECT_TRUE (kept.existsAsFile());

        // The cue stayed, with everything the user set on it.
        ASSERT_EQ (state->session.getCues().size(), 1u);
        const auto& cue = state->session.getCues()[0];
        EXPECT_EQ (cue.id, cueId);
        EXPECT_EQ (cue.name, "Opening");
        EXPECT_FALSE (cue.included);
        EXPECT_DOUBLE_EQ (cue.trimStartSeconds, 1.5);
        EXPECT_EQ (cue.submixOverrides.size(), 1u);
        EXPECT_EQ (listedNames(), juce::StringArray ({ "Brass.wav", "Strings.wav" }));
        EXPECT_EQ (state->session.findTrack (id), nullptr);

        // The two parts add up to the original.
        juce::AudioBuffer<double> first, rest;
        ASSERT_TRUE (readWholeAudioFile (file, first, error)) << error;
        ASSERT_TRUE (readWholeAudioFile (second, rest, error)) << error;
        ASSERT_EQ (first.getNumSamples(), original.getNumSamples());

        for (int i = 0; i < original.getNumSamples(); i += 331)
            ASSERT_NEAR (first.getSample (0, i) + rest.getSample (0, i), original.getSample (0, i), 1.0e-6) << i;

        EXPECT_NEAR (first.getSample (0, 64 * 44100), 0.5, 1.0e-6);
        EXPECT_NEAR (rest.getSample (0, 64 * 44100), 0.0, 1.0e-6);

        // The panel shows the first part afresh.
        EXPECT_EQ (page->getCurrentPath(), file.getFullPathName());
        EXPECT_EQ (page->getCurrentTrackId(), idOf (file));
        EXPECT_TRUE (page->getWholeFileSpectrogram().magnitudes.empty());

        // Importing the folder again names the kept source as already split.
        importPaths ({ dir });
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "One split file was not imported");
        EXPECT_TRUE (lastQuestion()->message.endsWith ("Strings_splitted.wav"));
    }

    TEST_F (ImportPageTest, ACoreFailurePutsTheOriginalBackByteForByte)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 3.0);
        importPaths ({ dir });
        page->selectTracks ({ idOf (file) });
        const auto before = bytesOf (file);

        page->splitStep = [] (const TrackSplitRequest&, const CancelTest&) { return TrackSplitResult::failure ("That track has no audio in it."); };
        page->splitTrackAt (1.0, "Brass");
        ASSERT_TRUE (waitForSplit());

        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "The stem was not split");
        EXPECT_EQ (lastQuestion()->message, "That track has no audio in it.");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_TRUE (bytesOf (file) == before);
        EXPECT_EQ (dir.findChildFiles (juce::File::findFiles, false).size(), 1);
        EXPECT_EQ (state->session.getTracks().size(), 1u);
    }

    TEST_F (ImportPageTest, AFailedMoveBackSaysWhereTheOriginalIs)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 3.0);
        importPaths ({ dir });
        page->selectTracks ({ idOf (file) });
        const auto before = bytesOf (file);

        // Something takes the original's name while the split runs.
        page->splitStep = [] (const TrackSplitRequest& request, const CancelTest&)
        {
            request.firstPart.replaceWithText ("someone else's file");
            return TrackSplitResult::failure ("There is already a file with one of those names.");
        };
        page->splitTrackAt (1.0, "Brass");
        ASSERT_TRUE (waitForSplit());

        const auto kept = dir.getChildFile ("Strings_splitted.wav");
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->message, "There is already a file with one of those names.\n\n"
                                            "The original could not be put back; it is now "
                                                + kept.getFullPathName() + ".");
        EXPECT_EQ (file.loadFileAsString(), "someone else's file");
        EXPECT_TRUE (bytesOf (kept) == before);
    }

    TEST_F (ImportPageTest, RefusedSplitsLeaveTheDiskAsItWas)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 3.0);
        const auto gone = writeTake (dir.getChildFile ("Horns.wav"), 1.0);
        importPaths ({ dir });
        ASSERT_TRUE (gone.deleteFile());
        page->selectTracks ({ idOf (file) });

        struct Case
        {
            const char* name;
            std::function<void()> prepare;
            const char* message;
        };

        const Case cases[] = {
            { "???", [] {}, "That name has nothing in it that can be used for a file name." },
            { "Brass_splitted", [] {}, "Names ending in _splitted mark files that were split before. Choose another name." },
            // Its track is still listed: the part would be read as that track.
            { "horns", [] {}, "Another track in the list already uses the name 'horns.wav'." },
            { "Brass", [&] { file.moveFileTo (dir.getParentDirectory().getChildFile ("away.wav")); },
              "The track's file is no longer where it was imported from." },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            c.prepare();
            dialogs->asked.clear();
            page->splitTrackAt (1.0, c.name);
            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->title, "The stem was not split");
            EXPECT_EQ (lastQuestion()->message, c.message);
            EXPECT_LE (dir.findChildFiles (juce::File::findFiles, false).size(), 1);
        }
    }

    // A part named after a listed track is refused; when that track is the take being split
    // itself, the sentence says so rather than pointing at another track.
    TEST_F (ImportPageTest, APartInTheTakesOwnNameIsRefusedAsItsOwn)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 3.0, 0.0, 44100.0);
        const auto gone = writeTake (dir.getChildFile ("Horns.wav"), 1.0);
        importPaths ({ dir });
        ASSERT_TRUE (gone.deleteFile());
        const auto id = idOf (file);
        page->selectTracks ({ id });

        const auto ownName = [] (const char* part)
        {
            return "'" + juce::String (part) + "' is the name of the take being split. Choose another name for the new part.";
        };

        struct Case
        {
            const char* name;
            std::function<void()> prepare;
            juce::String message;   // empty: the split runs
        };

        const Case cases[] = {
            { "strings", [] {}, ownName ("strings.wav") },
            { "STRINGS", [] {}, ownName ("STRINGS.wav") },
            // Its file is gone, yet the listed take holds its name in any letter case.
            { "hORNS", [] {}, "Another track in the list already uses the name 'hORNS.wav'." },
            // Another track holding the name too is what is said.
            { "strings", [&] { importPaths ({ writeTake (dir.getChildFile ("STRINGS.wav"), 1.0) }); },
              "Another track in the list already uses the name 'strings.wav'." },
            { "Violins", [] {}, {} },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            c.prepare();
            const auto before = entriesOf (dir);
            dialogs->asked.clear();
            page->splitTrackAt (1.0, c.name);
            ASSERT_TRUE (waitForSplit());

            if (c.message.isNotEmpty())
            {
                ASSERT_NE (lastQuestion(), nullptr);
                EXPECT_EQ (lastQuestion()->title, "The stem was not split");
                EXPECT_EQ (lastQuestion()->message, c.message);
                EXPECT_EQ (entriesOf (dir), before);
                EXPECT_NE (track (id), nullptr);
                continue;
            }

            EXPECT_TRUE (dialogs->asked.empty()) << lastQuestion()->message;
            EXPECT_TRUE (listedNames().contains ("Violins.wav"));
            EXPECT_TRUE (dir.getChildFile ("Strings_splitted.wav").existsAsFile());
        }
    }

    TEST_F (ImportPageTest, TheSKeySplitsAtTheHoveredPointOfTheZoomedRange)
    {
        const auto ids = importTakes ("Cue", { "Strings.wav" }, 10.0);
        page->selectTracks (ids);
        page->setVisibleRange (0.5, 1.0);

        EXPECT_FALSE (page->keyPressed (juce::KeyPress ('s'))) << "no hover, no split";

        page->getSpectrogramView().setHoverFraction (0.4);
        EXPECT_FALSE (page->keyPressed (juce::KeyPress ('s', juce::ModifierKeys::shiftModifier, 's')));
        EXPECT_TRUE (dialogs->asked.empty());

        EXPECT_TRUE (page->keyPressed (juce::KeyPress ('s')));
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "Split this stem");
        EXPECT_EQ (lastQuestion()->message, "The part up to " + formatDuration (7.0) + " keeps the name it has.\n"
                                            "The part after it becomes a new stem, both the same length as the original.");
        EXPECT_EQ (lastQuestion()->initialText, "Strings 2");
        EXPECT_EQ (lastQuestion()->okText, "Split");
        EXPECT_LT (page->getWaveformView().getMarkerFraction(), 0.0) << "a cancelled prompt hides the marker";
    }

    TEST_F (ImportPageTest, TheSplitMenuNamesThePointAndOffersOneItem)
    {
        const auto ids = importTakes ("Cue", { "Strings.wav" }, 10.0);
        page->selectTracks (ids);

        const auto menu = page->createSplitMenu (65.0);
        juce::StringArray texts;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            texts.add (juce::String (it.getItem().itemID) + " " + it.getItem().text);

        EXPECT_EQ (texts, juce::StringArray ({ "0 At 1:05.0", "1 Split stem here (S)" }));
    }

    // The split runs on its own thread: a timer of the window keeps firing meanwhile, the
    // row and the panel say the track is being split, the split controls rest, and the
    // parts take the track's place when it ends.
    TEST_F (ImportPageTest, TheWindowKeepsAnsweringWhileASplitRunsAndTakesItsResult)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 4.0, 0.0, 44100.0, 2);
        importPaths ({ dir });
        const auto id = idOf (file);
        page->selectTracks ({ id });

        TickCounter timer;
        std::atomic<int> ticksWhileSplitting { -1 };
        std::atomic<bool> mayFinish { false };

        page->splitStep = [&] (const TrackSplitRequest& request, const CancelTest& shouldCancel)
        {
            // Only a message thread that is free can make the timer tick.
            const int before = timer.ticks.load();
            waitOnWorker ([&] { return timer.ticks.load() >= before + 3; });
            ticksWhileSplitting = timer.ticks.load() - before;
            waitOnWorker ([&] { return mayFinish.load(); });
            return splitTrackFile (request, shouldCancel);
        };

        page->splitTrackAt (1.0, "Brass");

        EXPECT_TRUE (page->isSplitting());
        EXPECT_EQ (page->getSplittingTrackId(), id);
        EXPECT_EQ (page->getFileNameLabel().getText(), "Strings.wav  (splitting at " + formatDuration (1.0) + "...)");
        EXPECT_FALSE (page->getTransportButton().isEnabled());
        EXPECT_EQ (page->getCellTooltip (0, importColumn::status),
                   "This track is being split. Both parts take its place in the list when the split ends.");
        EXPECT_NEAR (page->getWaveformView().getMarkerFraction(), 0.25, 1.0e-9);

        // The split controls do nothing until it ends, and the file is not renamed under it.
        page->getWaveformView().setHoverFraction (0.5);
        EXPECT_FALSE (page->keyPressed (juce::KeyPress ('s')));
        page->askForSplitName (2.0);
        page->splitTrackAt (2.0, "Horns");
        EXPECT_TRUE (dialogs->asked.empty());
        askToRenameTrackFile (*state, nullptr, id);
        ASSERT_EQ (dialogs->asked.size(), 1u);
        EXPECT_EQ (dialogs->asked[0].message, "That file is being split. Rename it once the split has finished.");
        dialogs->asked.clear();

        ASSERT_TRUE (pumpUntil ([&] { return ticksWhileSplitting.load() >= 0; }));
        EXPECT_GE (ticksWhileSplitting.load(), 3);
        mayFinish = true;
        ASSERT_TRUE (waitForSplit());

        EXPECT_TRUE (dialogs->asked.empty()) << lastQuestion()->message;
        EXPECT_TRUE (dir.getChildFile ("Strings_splitted.wav").existsAsFile());
        EXPECT_FALSE (dir.getChildFile ("Horns.wav").exists());
        EXPECT_EQ (listedNames(), juce::StringArray ({ "Brass.wav", "Strings.wav" }));
        EXPECT_EQ (page->getCurrentTrackId(), idOf (file));
        EXPECT_EQ (page->getFileNameLabel().getText(), "Strings.wav");
        EXPECT_TRUE (page->getTransportButton().isEnabled());
        EXPECT_LT (page->getWaveformView().getMarkerFraction(), 0.0);
    }

    // Clearing the list, removing the take, opening a project or closing the page while a
    // split runs withdraws it: the original goes back, byte for byte, and nothing it wrote stays,
    // whether it was stopped half-way or had written both parts. Nothing is said about it, and
    // the parts join no list.
    TEST_F (ImportPageTest, AWithdrawnSplitPutsTheOriginalBackAndItsPartsJoinNoList)
    {
        enum class Action { clearList, removeTake, openProject, closePage };

        struct Case
        {
            const char* name;
            Action action;
            bool partsWritten;
        };

        const Case cases[] = {
            { "clear, half-way", Action::clearList, false },
            { "clear, parts written", Action::clearList, true },
            { "remove, half-way", Action::removeTake, false },
            { "remove, parts written", Action::removeTake, true },
            { "project, half-way", Action::openProject, false },
            { "project, parts written", Action::openProject, true },
            { "page closed, half-way", Action::closePage, false },
            { "page closed, parts written", Action::closePage, true },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            build (PreviewEngine::OutputMode::drivenByCaller);
            const auto dir = folder (c.name);
            const auto file = writeTake (dir.getChildFile ("Strings.wav"), 3.0, 0.0, 44100.0, 2);
            const auto before = bytesOf (file);
            importPaths ({ dir });
            page->selectTracks ({ idOf (file) });

            // Another project, of a folder of its own.
            const auto other = folder (juce::String (c.name) + " other");
            writeTake (other.getChildFile ("Horns.wav"), 0.5);
            const auto project = root.getChildFile (juce::String (c.name) + ".vlpr");

            if (c.action == Action::openProject)
            {
                ImportPageTest::importPaths ({ other });
                juce::String error;
                ASSERT_TRUE (state->saveProject (project, error)) << error;
                state->session.removeTracks (juce::StringArray (idOf (other.getChildFile ("Horns.wav"))));
            }

            std::atomic<bool> reached { false };
            std::atomic<int> blocks { 0 };

            page->splitStep = [&] (const TrackSplitRequest& request, const CancelTest& shouldStop)
            {
                if (c.partsWritten)
                {
                    auto result = splitTrackFile (request, {});
                    reached = true;
                    waitOnWorker (shouldStop);
                    return result;
                }

                return splitTrackFile (request, [&]
                {
                    if (++blocks == 3)
                    {
                        reached = true;
                        waitOnWorker (shouldStop);
                    }

                    return shouldStop();
                });
            };

            page->splitTrackAt (1.0, "Brass");
            ASSERT_TRUE (waitOnWorker ([&] { return reached.load(); }));
            const auto asked = dialogs->asked.size();

            switch (c.action)
            {
                case Action::clearList:
                    dialogs->confirmations.push_back (true);
                    page->askToClearList();
                    break;

                case Action::removeTake:
                    page->removeSelectedTracks();
                    break;

                case Action::openProject:
                    state->openProject (project, {});
                    break;

                case Action::closePage:
                    page.reset();
                    break;
            }

            ASSERT_TRUE (pumpUntil ([this] { return ! state->sessionJobs.isBusy(); }));

            EXPECT_EQ (entriesOf (dir), juce::StringArray ({ "Strings.wav" }));
            EXPECT_TRUE (bytesOf (file) == before);
            EXPECT_EQ (dialogs->asked.size(), asked + (c.action == Action::clearList ? 1 : 0));

            if (page != nullptr)
            {
                EXPECT_FALSE (page->isSplitting());
                EXPECT_FALSE (listedNames().contains ("Brass.wav"));
                // The project's scan ran after the original was back.
                EXPECT_EQ (listedNames(), c.action == Action::openProject ? juce::StringArray ({ "Horns.wav", "Strings.wav" })
                                                                          : juce::StringArray());
            }

            makePage();
        }
    }

    // While a split runs, the names it moves files to and from are its own: no other take (nor a
    // delivered file) may be renamed onto one, so the original always comes back to its name and
    // no two tracks ever read one file.
    TEST_F (ImportPageTest, WhileASplitRunsNoRenameTakesANameItUses)
    {
        const auto dir = folder ("Cue");
        const auto strings = writeTake (dir.getChildFile ("Strings.wav"), 3.0, 0.0, 44100.0, 2);
        const auto brass = writeTake (dir.getChildFile ("Brass.wav"), 1.0);
        const auto delivered = writeTake (dir.getChildFile ("Delivered.wav"), 0.5);
        importPaths ({ dir });
        const auto brassId = idOf (brass);
        page->selectTracks ({ idOf (strings) });

        std::atomic<bool> release { false };
        ASSERT_TRUE (startSplitHeldUntil (*page, release, 1.0, "Violins"));
        // The original is aside: its name is free on disk, yet still the split's.
        ASSERT_FALSE (strings.exists());

        const std::pair<const char*, bool> renames[] = {
            { "Strings", true }, { "STRINGS", true }, { "Violins", true }, { "Strings_splitted", true }, { "Cellos", false },
        };

        for (const auto& [name, refused] : renames)
        {
            SCOPED_TRACE (name);
            const auto asked = dialogs->asked.size();
            dialogs->texts.push_back (juce::String (name));
            askToRenameTrackFile (*state, page.get(), brassId);

            if (refused)
            {
                ASSERT_EQ (dialogs->asked.size(), asked + 2);
                EXPECT_EQ (lastQuestion()->title, "The file was not renamed");
                EXPECT_EQ (lastQuestion()->message, "The split of 'Strings.wav' is using the name '" + juce::String (name)
                                                        + ".wav', so choose another one or wait until the split has finished.");
                EXPECT_EQ (track (brassId)->file, brass);
                EXPECT_TRUE (brass.existsAsFile());
            }
            else
            {
                EXPECT_EQ (dialogs->asked.size(), asked + 1);
                EXPECT_EQ (track (brassId)->file, dir.getChildFile ("Cellos.wav"));
            }
        }

        juce::String error;
        EXPECT_FALSE (state->renameWrittenFile (delivered, "Violins", error));
        EXPECT_EQ (error, "The split of 'Strings.wav' is using the name 'Violins.wav', so choose another one or wait "
                          "until the split has finished.");
        EXPECT_TRUE (delivered.existsAsFile());

        const auto asked = dialogs->asked.size();
        release = true;
        ASSERT_TRUE (waitForSplit());
        EXPECT_EQ (dialogs->asked.size(), asked);
        EXPECT_EQ (entriesOf (dir), juce::StringArray ({ "Cellos.wav", "Delivered.wav", "Strings.wav", "Strings_splitted.wav",
                                                         "Violins.wav" }));

        // Every listed track has a file of its own.
        auto listed = listedNames();
        listed.sort (false);
        EXPECT_EQ (listed, juce::StringArray ({ "Cellos.wav", "Delivered.wav", "Strings.wav", "Violins.wav" }));

        // Its names are free again once it has ended.
        EXPECT_TRUE (state->splitFileNames.isEmpty());
    }

    // A take listed through a linked folder names the same files under another path: its
    // rename must still meet the split's names.
    TEST_F (ImportPageTest, WhileASplitRunsARenameThroughALinkIsRefusedToo)
    {
        const auto dir = folder ("Cue");
        const auto strings = writeTake (dir.getChildFile ("Strings.wav"), 3.0, 0.0, 44100.0, 2);
        writeTake (dir.getChildFile ("Brass.wav"), 1.0);
        const auto linked = dir.getSiblingFile ("Linked");
        ASSERT_TRUE (dir.createSymbolicLink (linked, true));
        const auto brass = linked.getChildFile ("Brass.wav");
        importPaths ({ strings, brass });
        ASSERT_EQ (listedNames().size(), 2);
        const auto brassId = idOf (brass);
        page->selectTracks ({ idOf (strings) });

        std::atomic<bool> release { false };
        ASSERT_TRUE (startSplitHeldUntil (*page, release, 1.0, "Violins"));

        for (const auto* name : { "Strings", "violins" })
        {
            SCOPED_TRACE (name);
            const auto asked = dialogs->asked.size();
            dialogs->texts.push_back (juce::String (name));
            askToRenameTrackFile (*state, page.get(), brassId);

            ASSERT_EQ (dialogs->asked.size(), asked + 2);
            EXPECT_EQ (lastQuestion()->message, "The split of 'Strings.wav' is using the name '" + juce::String (name)
                                                    + ".wav', so choose another one or wait until the split has finished.");
            EXPECT_EQ (track (brassId)->file, brass);
        }

        release = true;
        ASSERT_TRUE (waitForSplit());
        EXPECT_EQ (entriesOf (dir), juce::StringArray ({ "Brass.wav", "Strings.wav", "Strings_splitted.wav", "Violins.wav" }));
        auto listed = listedNames();
        listed.sort (false);
        EXPECT_EQ (listed, juce::StringArray ({ "Brass.wav", "Strings.wav", "Violins.wav" }));
    }

    // A split whose disk work was done before the list changed: the parts stay on disk, but the
    // list they were meant for is gone, so they join no other.
    TEST_F (ImportPageTest, ASplitOutcomeForAListThatChangedIsNotApplied)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Strings.wav"), 1.0, 0.0, 44100.0, 1);
        const auto other = writeTake (folder ("Other").getChildFile ("Horns.wav"), 1.0);
        importPaths ({ dir });

        ImportPage::SplitOutcome outcome;
        outcome.trackId = idOf (file);
        outcome.original = file;
        outcome.files.firstPart = file;
        outcome.files.secondPart = writeTake (dir.getChildFile ("Brass.wav"), 1.0);
        outcome.files.keptSource = writeTake (dir.getChildFile ("Strings_splitted.wav"), 1.0);
        outcome.listGeneration = state->session.getListGeneration();
        outcome.ok = true;

        state->session.clear();
        importPaths ({ other.getParentDirectory() });
        page->applySplitOutcome (std::move (outcome));

        EXPECT_EQ (listedNames(), juce::StringArray ({ "Horns.wav" }));
        EXPECT_TRUE (dialogs->asked.empty());
    }

    // The prompt proposes a name the part will keep: "<name> 2" only while no file has it.
    TEST_F (ImportPageTest, TheSplitPromptProposesTheFirstFreeName)
    {
        struct Case
        {
            std::initializer_list<const char*> taken;
            const char* proposed;
        };

        const Case cases[] = {
            { {}, "Strings 2" },
            { { "Strings 2.wav" }, "Strings 3" },
            { { "Strings 2.wav", "Strings 3.wav", "Strings 5.wav" }, "Strings 4" },
            { { "Strings 2.aif" }, "Strings 2" },   // the part takes the track's own extension
        };

        int number = 0;

        for (const auto& c : cases)
        {
            const auto dir = folder ("Cue " + juce::String (++number));
            SCOPED_TRACE (dir.getFileName());
            const auto file = writeTake (dir.getChildFile ("Strings.wav"), 1.0, 0.0, 44100.0, 1);

            for (const auto* name : c.taken)
                dir.getChildFile (name).replaceWithText ("x");

            importPaths ({ file });
            page->selectTracks ({ idOf (file) });
            dialogs->texts.push_back (std::nullopt);
            page->askForSplitName (0.5);

            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->title, "Split this stem");
            EXPECT_EQ (lastQuestion()->initialText, c.proposed);
        }
    }
}
