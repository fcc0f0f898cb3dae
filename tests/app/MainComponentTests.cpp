#include "app/MainTestSupport.h"
#include "app/pages/export/ExportRenderBar.h"

#include "core/model/BuiltInPresets.h"
#include "ui/Fonts.h"
#include "ui/Logos.h"
#include "support/MessageLoop.h"
#include "ui/PreviewTestAudio.h"

#include <cmath>

namespace korvid::ui
{
namespace
{
    using maintest::MainComponentTest;
    using maintest::pump;
    using Kind = testing::ScriptedDialogs::Kind;

    int expectedWidthOfLogo (const char* logoName, int height, const juce::Font& fallbackFont, const juce::String& name)
    {
        const auto logo = getLogo (logoName);

        if (! logo.isValid())
            return (int) std::ceil (fallbackFont.getStringWidthFloat (name));

        return juce::roundToInt (logo.getWidth() * juce::jmin ((double) height / logo.getHeight(), 1.0));
    }

    /** A few seconds of noise as one track of a cue folder. */
    juce::File writeTrack (const juce::File& folder, const juce::String& name, int frames = 4800)
    {
        folder.createDirectory();
        const auto file = folder.getChildFile (name);
        juce::Random random (7);
        const auto samples = test::makeSignal (2, frames, [&] (int, int) { return 0.5f * (random.nextFloat() - 0.5f); });
        EXPECT_TRUE (test::writeWav (file, samples, 48000.0));
        return file;
    }

    //==============================================================================
    TEST_F (MainComponentTest, LaysTheFrameOutAt1360By860AndPaintsItFromThePalette)
    {
        testsupport::ScopedPalette palette (testsupport::distinctPalette());
        auto& main = build();
        ASSERT_EQ (main.getBounds(), juce::Rectangle<int> (0, 0, 1360, 860));

        // Header: banner at the left, "Menu" at the right, the preset line between them.
        const int bannerWidth = juce::jmin (expectedWidthOfLogo (productLogoName, 19, titleFont(), "Velvane"), 1336 / 2);
        EXPECT_EQ (main.getTitleBanner().getBounds(), juce::Rectangle<int> (12, 12, bannerWidth, 19));
        EXPECT_EQ (main.getMenuButton().getBounds(), juce::Rectangle<int> (1262, 7, 86, 30));
        EXPECT_EQ (main.getMenuButton().getButtonText(), "Menu");
        EXPECT_EQ (main.getTitleLabel().getBounds(), juce::Rectangle<int> (12 + bannerWidth, 0, 1250 - 12 - bannerWidth, 44));

        EXPECT_EQ (main.getStepBar().getBounds(), juce::Rectangle<int> (0, 44, 1360, 60));

        // Footer: the company mark at the right end, the status line before it.
        const int markWidth = juce::jmin (expectedWidthOfLogo (companyLogoName, 32, smallFont(), "Osmerine"), 1336 / 4);
        EXPECT_EQ (main.getCompanyMark().getBounds(), juce::Rectangle<int> (1348 - markWidth, 822, markWidth, 32));
        EXPECT_EQ (main.getStatusLabel().getBounds(), juce::Rectangle<int> (12, 816, 1336 - markWidth - 12, 44));
        EXPECT_EQ (main.getStatusLabel().getFont().getHeight(), smallFont().getHeight());

        // Every page has the area between the step bar and the footer; only Import shows.
        const juce::Component* pages[] = { main.getImportPage(), main.getPresetPage(), main.getReviewPage(),
                                           main.getExportPage(), main.getReportPage() };

        for (size_t i = 0; i < 5; ++i)
        {
            SCOPED_TRACE (i);
            ASSERT_NE (pages[i], nullptr);
            EXPECT_EQ (pages[i]->getBounds(), juce::Rectangle<int> (0, 104, 1360, 712));
            EXPECT_EQ (pages[i]->isVisible(), i == 0);
        }

        EXPECT_EQ (main.getCurrentPage(), Page::importPage);
        EXPECT_EQ (main.getStepBar().getCurrentStep(), 0);

        const auto image = main.createComponentSnapshot (main.getLocalBounds(), true, 1.0f);
        const auto& colours = testsupport::distinctPalette();
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (700, 2), colours.windowBackground));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (700, 816), colours.subtleOutline));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (700, 850), colours.panelBackground));
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (700, 108), colours.windowBackground));
        // The current step's accent bar at the bottom of the first column.
        EXPECT_TRUE (testsupport::coloursNear (image.getPixelAt (100, 44 + 58), colours.accent));
    }

    TEST_F (MainComponentTest, StatusAndTitleLinesFollowTheSessionAndTheStepsFollowTracksAndReports)
    {
        auto& main = build();
        auto& state = main.getAppState();

        // Start-up: the library's empty preset, unchanged; only Import and Preset can be entered.
        main.refreshStatus();
        EXPECT_EQ (main.getTitleLabel().getText(), state.session.getPreset().name + "   [publisher]");
        const bool expectedEnabled[] = { true, true, false, false, false };

        for (int step = 0; step < 5; ++step)
            EXPECT_EQ (main.getStepBar().isStepEnabled (step), expectedEnabled[step]) << step;

        // A library preset loaded into the session shows no mark until anything differs,
        // the plural flag and the alternative mixes included.
        auto stored = state.presetStore->loadPreset (makeHybridOrchestraExamplePreset().id);
        ASSERT_TRUE (stored.ok);
        state.presetId = stored.preset.id;
        state.session.setPreset (stored.preset);
        main.refreshStatus();
        EXPECT_FALSE (main.getTitleLabel().getText().endsWith ("*")) << main.getTitleLabel().getText();

        auto pluralChanged = stored.preset;
        pluralChanged.schema.matchPlurals = ! pluralChanged.schema.matchPlurals;
        state.session.setPreset (pluralChanged);
        main.refreshStatus();
        EXPECT_EQ (main.getTitleLabel().getText(), stored.preset.name + "   [" + presetKindName (stored.preset.kind) + "]  *");

        auto preset = makeEmptyPreset();
        preset.name = "Trailer house";
        preset.kind = PresetKind::project;
        preset.exportSettings.masterSampleRate = 44100.0;
        preset.exportSettings.headroom.targetDb = -1.0;
        preset.exportSettings.headroom.peakMode = PeakMode::samplePeak;
        state.session.setPreset (preset);

        test::TempAudioFolder audio;
        writeTrack (audio.folder.getChildFile ("1M01"), "Strings.wav");
        state.session.importFiles ({ audio.folder.getChildFile ("1M01").getFullPathName() }, false);
        ASSERT_EQ (state.session.getTracks().size(), 1u);

        main.refreshStatus();
        EXPECT_EQ (main.getTitleLabel().getText(), "Trailer house   [project]  *");
        EXPECT_EQ (main.getStatusLabel().getText(),
                   "1 track(s)   0 stem(s)   1 unassigned   44.1 kHz   target -1.0 dB sample peak");
        EXPECT_TRUE (main.getStepBar().isStepEnabled (2));
        EXPECT_TRUE (main.getStepBar().isStepEnabled (3));
        EXPECT_FALSE (main.getStepBar().isStepEnabled (4));

        // The output folder's own name, and a stored report, arrive with the change message.
        const auto delivery = home->folder.getChildFile ("Delivery 2024");
        ASSERT_TRUE (delivery.createDirectory());
        state.setOutputFolder (delivery);
        state.setLastReport (BatchReport());
        pump();
        EXPECT_TRUE (main.getStatusLabel().getText().endsWith (" dB sample peak   ->  Delivery 2024"))
            << main.getStatusLabel().getText();
        EXPECT_TRUE (main.getStepBar().isStepEnabled (4));

        // Removing the tracks disables Review again but leaves a shown page where it is.
        main.showPage (Page::reviewPage);
        state.session.removeTracks ({ state.session.getTracks().front().id });
        main.refreshStatus();
        EXPECT_FALSE (main.getStepBar().isStepEnabled (2));
        EXPECT_EQ (main.getCurrentPage(), Page::reviewPage);
        EXPECT_TRUE (main.getStepBar().isStepEnabled (4));
    }

    TEST_F (MainComponentTest, KeyboardShortcutsSwitchPagesUndoRedoAndPlay)
    {
        auto& main = build();
        auto& session = main.getAppState().session;

        using K = juce::KeyPress;
        using M = juce::ModifierKeys;

        struct Case { const char* name; K key; bool used; std::optional<Page> page; };
        const Case cases[] = {
            { "3 before any track", K ('3'), true, Page::reviewPage },
            { "Ctrl+5", K ('5', M::ctrlModifier, 0), true, Page::reportPage },
            { "2", K ('2'), true, Page::presetPage },
            { "Shift+1", K ('1', M::shiftModifier, 0), false, std::nullopt },
            { "Alt+1", K ('1', M::altModifier, 0), false, std::nullopt },
            { "number pad 1", K (K::numberPad1), false, std::nullopt },
            { "6", K ('6'), false, std::nullopt },
            { "4", K ('4'), true, Page::exportPage },
            { "Right on the export page, nothing gated", K (K::rightKey), false, std::nullopt },
            { "Space on the export page", K (K::spaceKey), true, std::nullopt },
            { "Shift+Space", K (K::spaceKey, M::shiftModifier, 0), false, std::nullopt },
            { "1", K ('1'), true, Page::importPage },
            { "Left on the import page", K (K::leftKey), false, std::nullopt },
            { "Z alone", K ('z'), false, std::nullopt },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            const auto before = main.getCurrentPage();
            EXPECT_EQ (main.keyPressed (c.key), c.used);
            EXPECT_EQ (main.getCurrentPage(), c.page.value_or (before));
            EXPECT_EQ (main.getStepBar().getCurrentStep(), static_cast<int> (main.getCurrentPage()));
        }

        // Every page's space action runs, also on pages that have nothing to play yet.
        for (int digit = 1; digit <= 5; ++digit)
        {
            ASSERT_TRUE (main.keyPressed (K ('0' + digit)));
            EXPECT_TRUE (main.keyPressed (K (K::spaceKey))) << digit;
        }

        // Undo and redo through the session's history, also with Alt held.
        test::TempAudioFolder audio;
        writeTrack (audio.folder, "Violins.wav");
        main.getAppState().session.setPreset (makeHybridOrchestraExamplePreset());
        session.importFiles ({ audio.folder.getFullPathName() }, false);
        ASSERT_FALSE (session.getTracks().empty());
        session.assignTracks ({ session.getTracks().front().id }, {}, false);
        const int index = session.getUndoIndex();
        ASSERT_GE (index, 1);

        EXPECT_TRUE (main.keyPressed (K ('z', M::ctrlModifier, 0)));
        EXPECT_EQ (session.getUndoIndex(), index - 1);
        EXPECT_TRUE (main.keyPressed (K ('Z', M::ctrlModifier | M::shiftModifier, 0)));
        EXPECT_EQ (session.getUndoIndex(), index);
        EXPECT_TRUE (main.keyPressed (K ('z', M::ctrlModifier | M::altModifier, 0)));
        EXPECT_EQ (session.getUndoIndex(), index - 1);
    }

    //==============================================================================
    struct MenuEntry
    {
        int id;
        juce::String text;
        bool enabled;
        bool isSubMenu;
    };

    std::vector<MenuEntry> entriesOf (const juce::PopupMenu& menu)
    {
        std::vector<MenuEntry> entries;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();

            if (! item.isSeparator)
                entries.push_back ({ item.itemID, item.text, item.isEnabled, item.subMenu != nullptr });
        }

        return entries;
    }

    const juce::PopupMenu* subMenuOf (const juce::PopupMenu& menu, const juce::String& text)
    {
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            if (it.getItem().text == text)
                return it.getItem().subMenu.get();

        return nullptr;
    }

    TEST_F (MainComponentTest, TheMenuOffersProjectsRecentFilesSettingsAndManual)
    {
        auto& main = build();
        auto& state = main.getAppState();

        const auto empty = main.createMenu ({});
        const auto top = entriesOf (empty);
        const std::vector<juce::String> texts { "Open project", "Open recent", "Save project", "Save project as",
                                                "Reset the layout of step 4", "Settings", "Manual" };
        ASSERT_EQ (top.size(), texts.size());

        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ (top[i].text, texts[i]);

        EXPECT_EQ (top[0].id, 4);
        EXPECT_FALSE (top[1].enabled);                  // no recent projects
        EXPECT_EQ (top[2].id, 5);
        EXPECT_EQ (top[3].id, 6);
        EXPECT_FALSE (top[3].enabled);                  // nothing opened or saved yet
        EXPECT_EQ (top[4].id, 8);
        EXPECT_EQ (top[5].id, 1);
        EXPECT_EQ (top[6].id, 2);

        // Recent projects: newest first, named by folder and file, missing files disabled.
        const auto scores = home->folder.getChildFile ("Scores");
        ASSERT_TRUE (scores.createDirectory());
        const auto existing = scores.getChildFile ("Pilot.vlpr");
        ASSERT_TRUE (existing.replaceWithText ("{}"));
        const juce::Array<juce::File> recent { existing, scores.getChildFile ("Gone.vlpr"), juce::File ("/Root.vlpr") };

        state.projectFile = existing;
        const auto withRecent = main.createMenu (recent);
        EXPECT_TRUE (entriesOf (withRecent)[3].enabled);
        const auto* sub = subMenuOf (withRecent, "Open recent");
        ASSERT_NE (sub, nullptr);
        const auto subEntries = entriesOf (*sub);
        ASSERT_EQ (subEntries.size(), 4u);
        EXPECT_EQ (subEntries[0].id, 100);
        EXPECT_EQ (subEntries[0].text, "Scores / Pilot");
        EXPECT_TRUE (subEntries[0].enabled);
        EXPECT_EQ (subEntries[1].id, 101);
        EXPECT_FALSE (subEntries[1].enabled);
        EXPECT_EQ (subEntries[2].text, "Root");
        EXPECT_EQ (subEntries[3].id, 7);
        EXPECT_EQ (subEntries[3].text, "Clear the list");

        // A recent entry is taken from the list the menu was built from; a position
        // outside it does nothing.
        const auto askedAtFirst = dialogs->asked.size();
        main.menuItemChosen (101, recent);
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return dialogs->asked.size() > askedAtFirst; }));
        EXPECT_EQ (lastQuestion()->title, "The project was not opened");
        EXPECT_TRUE (lastQuestion()->message.contains ("Gone.vlpr"));
        const auto askedBefore = dialogs->asked.size();
        main.menuItemChosen (103, recent);
        main.menuItemChosen (0, recent);
        main.menuItemChosen (55, recent);
        test::pumpMessages (50);
        EXPECT_EQ (dialogs->asked.size(), askedBefore);

        state.addRecentProject (existing);
        main.menuItemChosen (7, recent);
        EXPECT_TRUE (state.getRecentProjects().isEmpty());

        // "Reset the layout of step 4" empties the export page's stored layout, on disk at once.
        state.settings->setValue ("exportBlockColumns", "cues:1");
        state.settings->setValue ("exportColumnWidths", "0.3,0.7");
        main.menuItemChosen (8, recent);
        const auto onDisk = settingsOnDisk();
        EXPECT_EQ (onDisk->getValue ("exportBlockColumns", "unchanged"), "");
        EXPECT_EQ (onDisk->getValue ("exportColumnWidths", "unchanged"), "");
    }

    //==============================================================================
    TEST_F (MainComponentTest, SavingAddsTheExtensionAndAsksBeforeReplacingAFileTheChooserNeverSaw)
    {
        auto& main = build();
        auto& state = main.getAppState();
        auto preset = state.session.getPreset();
        preset.metadata.project = "Night: Part/Two";
        state.session.setPreset (preset);

        // No project file yet: a chooser that suggests the project's name in the documents folder.
        const auto folder = home->folder.getChildFile ("Projects");
        ASSERT_TRUE (folder.createDirectory());
        const auto existing = folder.getChildFile ("Mine.vlpr");
        ASSERT_TRUE (existing.replaceWithText ("keep me"));

        dialogs->files.push_back (folder.getChildFile ("Mine"));
        dialogs->confirmations.push_back (false);
        main.saveProject (false);

        ASSERT_EQ (dialogs->asked.size(), 2u);
        const auto& chooser = dialogs->asked[0];
        EXPECT_EQ (chooser.kind, Kind::file);
        EXPECT_EQ (chooser.title, "Save the project");
        EXPECT_TRUE (chooser.fileRequest.saving);
        EXPECT_EQ (chooser.fileRequest.pattern, "*.vlpr");
        EXPECT_EQ (chooser.fileRequest.start.getParentDirectory(),
                   juce::File::getSpecialLocation (juce::File::userDocumentsDirectory));
        EXPECT_TRUE (chooser.fileRequest.start.getFileName().endsWith (".vlpr"));
        EXPECT_FALSE (chooser.fileRequest.start.getFileName().containsAnyOf ("/:"));

        // "Mine" becomes "Mine.vlpr", which exists: kept when the user declines.
        EXPECT_EQ (dialogs->asked[1].kind, Kind::confirmation);
        EXPECT_EQ (existing.loadFileAsString(), "keep me");
        EXPECT_EQ (state.projectFile, juce::File());

        dialogs->files.push_back (folder.getChildFile ("Mine"));
        dialogs->confirmations.push_back (true);
        main.saveProject (false);
        EXPECT_NE (existing.loadFileAsString(), "keep me");
        EXPECT_EQ (state.projectFile, existing);

        // With a project file "Save project" writes it without asking; "as" asks from it.
        const auto asked = dialogs->asked.size();
        ASSERT_TRUE (existing.replaceWithText ("stale"));
        main.saveProject (false);
        EXPECT_EQ (dialogs->asked.size(), asked);
        EXPECT_TRUE (existing.loadFileAsString().contains ("velvane.project"));

        // A name already ending in ".VLPR" is kept as it is.
        dialogs->files.push_back (folder.getChildFile ("LOUD.VLPR"));
        main.saveProject (true);
        EXPECT_EQ (dialogs->asked[asked].fileRequest.start, existing);
        EXPECT_TRUE (folder.getChildFile ("LOUD.VLPR").existsAsFile());
        EXPECT_EQ (state.projectFile, folder.getChildFile ("LOUD.VLPR"));

        // A failed write says so and keeps the project file.
        ASSERT_TRUE (folder.getChildFile ("Taken.vlpr").getChildFile ("inside.txt").create());
        dialogs->files.push_back (folder.getChildFile ("Taken.vlpr"));
        main.saveProject (true);
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->kind, Kind::message);
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lastQuestion()->title, "The project was not saved");
        EXPECT_FALSE (lastQuestion()->message.isEmpty());
        EXPECT_EQ (state.projectFile, folder.getChildFile ("LOUD.VLPR"));
    }

    TEST_F (MainComponentTest, OpeningAProjectRestoresItAndNamesWhatIsMissing)
    {
        auto& main = build();
        auto& state = main.getAppState();

        test::TempAudioFolder audio;
        const auto cue = audio.folder.getChildFile ("2M03");
        writeTrack (cue, "Brass.wav");
        const auto doomed = writeTrack (cue, "Choir.wav");
        state.session.importFiles ({ cue.getFullPathName() }, false);
        ASSERT_EQ (state.session.getTracks().size(), 2u);

        const auto projectFile = home->folder.getChildFile ("Cue.vlpr");
        juce::String error;
        ASSERT_TRUE (state.saveProject (projectFile, error)) << error;
        ASSERT_TRUE (doomed.deleteFile());
        const auto garbage = home->folder.getChildFile ("Garbage.vlpr");
        ASSERT_TRUE (garbage.replaceWithText ("not a project"));

        // The chooser starts in the project's folder; a document of another kind is refused.
        main.showPage (Page::exportPage);
        dialogs->files.push_back (garbage);
        main.openProject();
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return dialogs->asked.size() == 2u; }));
        EXPECT_EQ (dialogs->asked[0].title, "Open a project");
        EXPECT_FALSE (dialogs->asked[0].fileRequest.saving);
        EXPECT_EQ (dialogs->asked[0].fileRequest.pattern, "*.vlpr");
        EXPECT_EQ (dialogs->asked[0].fileRequest.start, home->folder);
        EXPECT_EQ (dialogs->asked[1].title, "The project was not opened");
        EXPECT_EQ (dialogs->asked[1].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (main.getCurrentPage(), Page::exportPage);

        // Cancelling the chooser does nothing at all.
        main.openProject();
        EXPECT_EQ (dialogs->asked.size(), 3u);

        dialogs->files.push_back (projectFile);
        main.openProject();
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return dialogs->asked.size() == 5u; }));
        const auto& notice = dialogs->asked[4];
        EXPECT_EQ (notice.icon, juce::MessageBoxIconType::InfoIcon);
        EXPECT_EQ (notice.title, "Some sources were not found");
        EXPECT_TRUE (notice.message.startsWith ("Everything else was restored. These are not where the project says they are:\n\n"));
        EXPECT_TRUE (notice.message.contains ("Choir.wav"));
        EXPECT_EQ (main.getCurrentPage(), Page::importPage);
        EXPECT_EQ (state.projectFile, projectFile);
        // The preset now comes from the project, so it counts as changed.
        EXPECT_TRUE (main.getTitleLabel().getText().endsWith ("  *"));
    }

    // A saved take still on the disk that the reopened list lacks would drop out of the
    // project at the next save: it is named with why, and so are the import's own problems.
    TEST_F (MainComponentTest, OpeningAProjectNamesEverySavedTakeTheListLacksWithWhy)
    {
        auto& main = build();
        auto& state = main.getAppState();

        test::TempAudioFolder audio;
        const auto cue = audio.folder.getChildFile ("1M01");
        const auto brass = writeTrack (cue, "Brass.wav", 480);
        const auto zeta = writeTrack (cue, "Zeta horn.wav", 480);
        state.session.importFiles ({ cue.getFullPathName() }, false);
        ASSERT_EQ (state.session.getTracks().size(), 2u);

        const auto projectFile = home->folder.getChildFile ("Cue.vlpr");
        juce::String error;
        ASSERT_TRUE (state.saveProject (projectFile, error)) << error;

        // Way one: the project names a take by a name imports skip (an older build took such
        // renames; a hand edit can still make one).
        const auto splitName = cue.getChildFile ("Brass_splitted.wav");
        ASSERT_TRUE (brass.moveFileTo (splitName));
        ASSERT_TRUE (projectFile.replaceWithText (projectFile.loadFileAsString().replace ("Brass.wav", "Brass_splitted.wav")));

        // Way two: the folder gained alternates since, and the list's limit comes before Zeta.
        for (int i = 0; i < Session::maxTracks; ++i)
            ASSERT_TRUE (zeta.copyFileTo (cue.getChildFile ("Alt " + juce::String (i).paddedLeft ('0', 4) + ".wav")));

        const auto shown = dialogs->asked.size();
        dialogs->files.push_back (projectFile);
        main.openProject();
        ASSERT_TRUE (test::pumpMessagesUntil ([&] { return dialogs->asked.size() == shown + 2; }, 20000));
        EXPECT_EQ ((int) state.session.getTracks().size(), Session::maxTracks);

        const auto& notice = dialogs->asked.back();
        EXPECT_EQ (notice.icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (notice.title, "Some takes were left out of the list");
        EXPECT_FALSE (notice.message.contains ("Everything else was restored"));
        EXPECT_TRUE (notice.message.contains (splitName.getFullPathName() + ": Its name ends in _splitted, which marks "
                                              "the original of a split, and imports skip such names."))
            << notice.message;
        EXPECT_TRUE (notice.message.contains (zeta.getFullPathName() + ": The list reached its limit of 2048 tracks "
                                              "before it."))
            << notice.message;
        EXPECT_TRUE (notice.message.contains ("Reading the project's folders also found:\n\nStopped at the limit of "
                                              "2048 tracks."))
            << notice.message;
    }

    //==============================================================================
    /** `cues` cue folders, each holding one track of `frames` frames, imported under the
        example preset; the export goes below `output`. */
    void importCues (AppState& state, const juce::File& folder, const juce::File& output, int cues, int frames)
    {
        state.session.setPreset (makeHybridOrchestraExamplePreset());

        for (int i = 0; i < cues; ++i)
            writeTrack (folder.getChildFile ("Cue" + juce::String (i)), "Strings.wav", frames);

        state.session.importFiles ({ folder.getFullPathName() }, true);
        ASSERT_TRUE (output.createDirectory());
        state.setOutputFolder (output);
    }

    /** "Render and export" on the page, answering its warnings with OK. */
    void pressRender (ExportPage& page, testing::ScriptedDialogs& dialogs)
    {
        const auto askedBefore = dialogs.asked.size();
        dialogs.confirmations.push_back (true);
        page.getRenderBar().renderButton.triggerClick();
        test::pumpMessagesUntil ([&] { return page.isExporting() || dialogs.asked.size() > askedBefore; });

        if (dialogs.asked.size() == askedBefore)
            dialogs.confirmations.pop_back();

        dialogs.asked.clear();
    }

    // Long enough that a run is still going when the test looks at it.
    constexpr int longCues = 8;
    constexpr int longFrames = 48000 * 20;

    TEST_F (MainComponentTest, ClosingAsksFirstWhileARenderRunsAndShutdownEndsTheRender)
    {
        auto& main = build();
        auto& state = main.getAppState();
        state.presetId = "remember-me";

        // Without a render: the settings are saved and the window may close at once.
        int closed = 0;
        main.requestClose ([&closed] { ++closed; });
        EXPECT_EQ (closed, 1);
        EXPECT_TRUE (dialogs->asked.empty());
        EXPECT_EQ (settingsOnDisk()->getValue ("presetId"), "remember-me");

        test::TempAudioFolder audio;
        auto* exportPage = main.getExportPage();
        importCues (state, audio.folder.getChildFile ("Takes"), audio.folder.getChildFile ("Out"), longCues, longFrames);
        state.presetId = "remember-me";
        pressRender (*exportPage, *dialogs);
        ASSERT_TRUE (exportPage->isRendering());

        dialogs->confirmations.push_back (false);
        main.requestClose ([&closed] { ++closed; });
        ASSERT_EQ (dialogs->asked.size(), 1u);
        const auto& question = dialogs->asked[0];
        EXPECT_EQ (question.kind, Kind::confirmation);
        EXPECT_EQ (question.icon, juce::MessageBoxIconType::QuestionIcon);
        EXPECT_EQ (question.title, "A render is still running");
        EXPECT_EQ (question.message, "Closing now cancels it. Files already written stay where they are; nothing is left half-written.");
        EXPECT_EQ (closed, 1);
        EXPECT_TRUE (exportPage->isRendering());

        state.presetId = "after-ok";
        dialogs->confirmations.push_back (true);
        main.requestClose ([&closed] { ++closed; });
        EXPECT_EQ (closed, 2);
        EXPECT_EQ (settingsOnDisk()->getValue ("presetId"), "after-ok");

        // Destroying the main component cancels the render and waits for it.
        ASSERT_TRUE (exportPage->isRendering());
        const auto started = juce::Time::getMillisecondCounterHiRes();
        this->main.reset();
        EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - started, 5000.0);
        pump (100);   // the cancelled run's late report finds no page and does nothing
    }

    TEST_F (MainComponentTest, AFinishedRenderStoresItsReportAndShowsTheReportPageACancelledOneDoesNot)
    {
        auto& main = build();
        auto& state = main.getAppState();
        auto* exportPage = main.getExportPage();
        auto& bar = exportPage->getRenderBar();
        test::TempAudioFolder audio;

        importCues (state, audio.folder.getChildFile ("Long"), audio.folder.getChildFile ("Out"), longCues, longFrames);
        pressRender (*exportPage, *dialogs);
        ASSERT_TRUE (exportPage->isRendering());
        const auto* firstJob = exportPage->getRenderJob();

        // While it runs, neither run button starts anything.
        EXPECT_FALSE (bar.renderButton.isEnabled());
        exportPage->startExport();
        exportPage->runAnalysis();
        EXPECT_EQ (exportPage->getRenderJob(), firstJob);

        bar.cancelButton.triggerClick();

        for (int i = 0; i < 400 && (exportPage->isRendering() || exportPage->isExporting()); ++i)
            pump (20);

        EXPECT_FALSE (exportPage->isRendering());
        EXPECT_FALSE (state.hasReport);
        EXPECT_EQ (main.getCurrentPage(), Page::importPage);

        state.session.clear();
        importCues (state, audio.folder.getChildFile ("Short"), audio.folder.getChildFile ("Out2"), 1, 4800);
        pressRender (*exportPage, *dialogs);

        for (int i = 0; i < 500 && ! state.hasReport; ++i)
            pump (20);

        ASSERT_TRUE (state.hasReport);
        EXPECT_FALSE (state.lastReport.cancelled);
        EXPECT_EQ (state.lastReport.cues.size(), 1u);
        EXPECT_EQ (main.getCurrentPage(), Page::reportPage);
        pump();
        EXPECT_TRUE (main.getStepBar().isStepEnabled (4));
    }
}
}
