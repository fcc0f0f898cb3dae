#include "app/pages/review/ReviewPageTestSupport.h"
#include "ui/UiTestSupport.h"

namespace korvid::ui::reviewtest
{
    class ReviewAuditionTest : public ReviewPageTest
    {
    protected:
        /** An alternative mix of the named stems; gives its id. */
        juce::String addMix (const juce::String& name, const juce::StringArray& memberNames)
        {
            auto preset = state->session.getPreset();
            const auto id = preset.schema.addSubmix (name);

            for (const auto& stem : preset.schema.stems)
                preset.schema.setSubmixMember (id, stem.id, memberNames.contains (stem.displayName));

            state->session.updatePreset (preset);
            return id;
        }

        juce::StringArray namesOf (const juce::Array<juce::File>& files) const
        {
            juce::StringArray names;

            for (const auto& file : files)
                names.add (file.getFileName());

            return names;
        }

        bool isPlaying (const juce::String& key) const
        {
            return state->preview.isCurrent (key) && state->preview.playing.load();
        }

        /** Selects the one track and waits until the player shows its own waveform. */
        void showOnly (const juce::String& trackId)
        {
            tick();
            page->selectTracks ({ trackId });
            ASSERT_TRUE (waitForOverview (track (trackId)->file));
            tick();
            ASSERT_TRUE (page->getPlayer().holdsOverview());
        }
    };

    TEST_F (ReviewAuditionTest, OneTrackPlaysFromItsFirstSoundAndStopsOnTheSecondPress)
    {
        useSchema();
        const auto dir = folder ("One");
        writeTake (dir.getChildFile ("str_late.wav"), 6.0, 3.0);
        state->session.importFiles ({ dir.getFullPathName() }, false);
        const auto id = idOf (dir.getChildFile ("str_late.wav"));
        showOnly (id);
        EXPECT_TRUE (page->getTrackButton().isEnabled());
        EXPECT_EQ (page->getPlayer().getOverview().lengthSeconds, 6.0);

        page->auditionSelection (std::nullopt);
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (state->preview.isCurrent ("track:" + id));
        EXPECT_NEAR (state->preview.getPositionSeconds(), 2.95, 0.02);

        renderBlock();
        tick();
        EXPECT_TRUE (page->getTrackButton().isPlaying());
        EXPECT_TRUE (page->getPlayer().holdsOverview()) << "one track: its own waveform while it plays";
        EXPECT_NEAR (page->getPlayer().getPlayheadFraction(), state->preview.getPlayFraction(), 0.001);
        EXPECT_TRUE (page->getAuditionLabel().getText().endsWith (" / 0:06.0")) << page->getAuditionLabel().getText();

        page->auditionSelection (std::nullopt);
        EXPECT_FALSE (isPlaying ("track:" + id));
        tick();
        EXPECT_FALSE (page->getTrackButton().isPlaying());
        EXPECT_TRUE (page->getAuditionLabel().getText().isEmpty());

        // A click on the stopped waveform starts there; while it plays, it jumps within the take.
        page->getPlayer().onSeek (0.5);
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 3.0, 0.01);
        page->getPlayer().onSeek (0.25);
        ASSERT_TRUE (waitForEngine());
        renderBlock();
        EXPECT_NEAR (state->preview.getPlayFraction(), 0.25, 0.01);
        EXPECT_TRUE (isPlaying ("track:" + id));
    }

    TEST_F (ReviewAuditionTest, AStemHeadingPlaysItsTracksSummedWhileThePlayerPrepares)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "str_b.wav", "str_c.wav", "noise.wav" }, 60.0);
        tick();

        page->findGroup (stemId ("Strings"))->setSelected (true, true);
        const auto audition = page->selectionAudition();
        EXPECT_EQ (audition.label, "str_a.wav + 2 more");
        EXPECT_EQ (namesOf (audition.files), juce::StringArray ({ "str_a.wav", "str_b.wav", "str_c.wav" }));
        EXPECT_EQ (audition.key, "track:" + juce::StringArray (ids[0], ids[1], ids[2]).joinIntoString ("+"));

        // Several tracks: the player is cleared, and what plays starts at the top.
        tick();
        EXPECT_FALSE (page->getPlayer().holdsOverview());
        page->auditionSelection (std::nullopt);
        EXPECT_TRUE (page->getPlayer().isLoading()) << "a minute of audio is not read in microseconds";
        EXPECT_EQ (page->getPlayer().getLoadingText(), "Preparing");

        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 0.0, 0.001);
        tick();
        EXPECT_TRUE (page->getTrackButton().isPlaying());
        EXPECT_FALSE (page->getPlayer().isLoading());
        EXPECT_TRUE (page->getPlayer().holdsOverview()) << "the summed window";
        EXPECT_EQ (page->getPlayer().getOverview().lengthSeconds, state->preview.getOverview().lengthSeconds);

        // Selecting another row stops it; a double-click on the heading selects it alone and
        // plays it again.
        page->findRow (ids[3])->setSelected (true, true);
        EXPECT_FALSE (state->preview.isCurrent (audition.key));
        page->findGroup (stemId ("Strings"))->itemDoubleClicked (testsupport::mouseEventAt (*page, 0, 0));
        EXPECT_EQ (page->selectedTrackIds(), juce::StringArray (ids[0], ids[1], ids[2]));
        EXPECT_TRUE (state->preview.isCurrent (audition.key));
        ASSERT_TRUE (waitForEngine());

        // A double-clicked row plays that track alone, whatever else is selected.
        page->findRow (ids[1])->itemDoubleClicked (testsupport::mouseEventAt (*page, 0, 0));
        EXPECT_EQ (state->preview.getCurrentKey(), "track:" + ids[1]);
        ASSERT_TRUE (waitForEngine());
    }

    TEST_F (ReviewAuditionTest, MixPlaysOneCueWithTheChosenMixAsThatCueHasIt)
    {
        useSchema();
        const auto one = importTakes ("One", { "str_a.wav", "drum_b.wav", "noise.wav", "broken.txt.wav" });
        const auto two = importTakes ("Two", { "str_c.wav", "bass_d.wav" });
        state->session.assignTracks ({ one[3] }, stemId ("Strings"), false);   // assigned but unreadable
        const auto stringsAlt = addMix ("Strings alt", { "Strings" });
        tick();

        // The first cue is chosen: its full mix, usable assigned tracks only.
        ASSERT_EQ (page->getCueId(), cueIdOf (one[0]));
        EXPECT_TRUE (page->getMixButton().isEnabled());
        auto audition = page->mixAudition();
        EXPECT_EQ (namesOf (audition.files), juce::StringArray ({ "drum_b.wav", "str_a.wav" }));
        EXPECT_EQ (audition.label, "One - Full mix (2 tracks)");
        EXPECT_EQ (audition.key, "mix:" + page->getCueId() + ":");

        // The alternative mix as the schema has it...
        EXPECT_EQ (comboTexts (page->getMixBox()), juce::StringArray ({ "Full mix", "Strings alt" }));
        page->getMixBox().setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (page->getMixId(), stringsAlt);
        audition = page->mixAudition();
        EXPECT_EQ (namesOf (audition.files), juce::StringArray ({ "str_a.wav" }));
        EXPECT_EQ (audition.label, "One - Strings alt (1 tracks)");
        EXPECT_EQ (audition.key, "mix:" + page->getCueId() + ":" + stringsAlt);

        // ...and as this cue has it: its own member list, which the other cue does not share.
        state->session.setSubmixOverride (cueIdOf (one[0]), *state->session.getPreset().schema.findSubmix (stringsAlt),
                                          stemId ("Drums"), true);
        tick();
        EXPECT_EQ (namesOf (page->mixTrackFiles()), juce::StringArray ({ "drum_b.wav", "str_a.wav" }));
        page->getCueBox().setSelectedId (3, juce::sendNotificationSync);
        EXPECT_EQ (namesOf (page->mixTrackFiles()), juce::StringArray ({ "str_c.wav" }));

        // All cues: nothing to mix, the button off and the status line asking for a cue.
        page->getCueBox().setSelectedId (1, juce::sendNotificationSync);
        EXPECT_TRUE (page->mixTrackFiles().isEmpty());
        EXPECT_FALSE (page->getMixButton().isEnabled());
        EXPECT_TRUE (page->getStatusLabel().getText().endsWith ("Choose a cue to hear its mix: cues are never summed together."));

        // Playing it: the mix key is current and its button shows it.
        page->getCueBox().setSelectedId (2, juce::sendNotificationSync);
        page->auditionMix();
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (isPlaying (page->mixKey()));
        tick();
        EXPECT_TRUE (page->getMixButton().isPlaying());
        EXPECT_FALSE (page->getTrackButton().isPlaying());

        // Choosing another mix stops it.
        page->getMixBox().setSelectedId (1, juce::sendNotificationSync);
        EXPECT_TRUE (page->getMixId().isEmpty());
        EXPECT_FALSE (state->preview.playing.load() && state->preview.isCurrent (audition.key));
        juce::ignoreUnused (two);
    }

    TEST_F (ReviewAuditionTest, ASessionOfOneCueMixesWithoutChoosingIt)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "bass_b.wav" });
        const auto stringsAlt = addMix ("Strings alt", { "Strings" });
        state->session.setSubmixOverride (cueIdOf (ids[0]), *state->session.getPreset().schema.findSubmix (stringsAlt),
                                          stemId ("Bass"), true);
        tick();

        EXPECT_TRUE (page->getCueId().isEmpty());
        EXPECT_EQ (page->mixAudition().label, "Full mix (2 tracks)");
        EXPECT_EQ (page->mixKey(), "mix::");

        page->getMixBox().setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (namesOf (page->mixTrackFiles()), juce::StringArray ({ "bass_b.wav", "str_a.wav" }))
            << "the only cue's own members";
    }

    TEST_F (ReviewAuditionTest, OneSelectedTrackGivesTheMixItsStartAndAClearedPlayerStartsAtTheTop)
    {
        useSchema();
        const auto dir = folder ("One");
        writeTake (dir.getChildFile ("str_late.wav"), 6.0, 3.0);
        writeTake (dir.getChildFile ("drum_early.wav"), 6.0);
        state->session.importFiles ({ dir.getFullPathName() }, false);
        const auto late = idOf (dir.getChildFile ("str_late.wav"));
        const auto early = idOf (dir.getChildFile ("drum_early.wav"));

        showOnly (late);
        page->auditionMix();
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 2.95, 0.02);
        page->auditionMix();
        EXPECT_FALSE (isPlaying (page->mixKey()));

        // Two tracks selected: the player is cleared, so Track starts at the top rather than
        // at the first sound of a waveform no longer shown.
        page->selectTracks ({ late, early });
        tick();
        EXPECT_FALSE (page->getPlayer().holdsOverview());
        page->auditionSelection (std::nullopt);
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 0.0, 0.001);
    }

    TEST_F (ReviewAuditionTest, ASelectionChangeStopsATrackAuditionButNotAMixOrARebuild)
    {
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav", "drum_b.wav" }, 5.0);
        tick();

        page->selectTracks ({ ids[0] });
        page->auditionSelection (std::nullopt);
        ASSERT_TRUE (waitForEngine());
        ASSERT_TRUE (isPlaying ("track:" + ids[0]));

        // The rebuild's own reselection stops nothing.
        state->session.autoAssignAll();
        tick();
        EXPECT_TRUE (isPlaying ("track:" + ids[0]));

        page->selectTracks ({ ids[1] });
        EXPECT_FALSE (state->preview.playing.load() && state->preview.isCurrent ("track:" + ids[0]));
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());

        page->auditionMix();
        ASSERT_TRUE (waitForEngine());
        page->selectTracks ({ ids[0] });
        EXPECT_TRUE (isPlaying (page->mixKey()));

        // While the mix plays, the player shows its window and a click jumps inside it.
        tick();
        EXPECT_TRUE (page->getPlayer().holdsOverview());
        page->seekFromPlayer (0.5);
        renderBlock();
        EXPECT_NEAR (state->preview.getBufferFraction(), 0.5, 0.01);
        EXPECT_TRUE (isPlaying (page->mixKey()));
    }

    TEST_F (ReviewAuditionTest, WithoutAnAudioDeviceEveryAuditionSaysSo)
    {
        build (PreviewEngine::OutputMode::none);
        useSchema();
        const auto ids = importTakes ("One", { "str_a.wav" });
        tick();

        // Nothing selected: nothing to play and nothing to say.
        page->auditionSelection (std::nullopt);
        EXPECT_TRUE (dialogs->asked.empty());

        page->selectTracks (ids);
        tick();

        EXPECT_FALSE (page->getTrackButton().isEnabled());
        EXPECT_FALSE (page->getMixButton().isEnabled());
        EXPECT_TRUE (page->getAssignButton().isEnabled());

        const std::function<void()> ways[] = {
            [this] { page->auditionSelection (std::nullopt); },
            [this, ids] { page->findRow (ids[0])->itemDoubleClicked (testsupport::mouseEventAt (*page, 0, 0)); },
            [this] { page->seekFromPlayer (0.3); },
        };

        for (const auto& way : ways)
        {
            dialogs->asked.clear();
            way();
            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (dialogs->asked[0].title, "No audio output");
            EXPECT_EQ (dialogs->asked[0].message, "Velvane could not open an audio device, so auditioning is unavailable.\n\n"
                                                      + state->preview.deviceError);
        }

        EXPECT_TRUE (state->preview.deviceError.isNotEmpty());
    }

    TEST_F (ReviewAuditionTest, TheMixChooserFollowsMixesByIdNotByName)
    {
        useSchema();
        importTakes ("One", { "str_a.wav", "bass_b.wav" });
        const auto first = addMix ("Strings alt", { "Strings" });
        tick();

        page->getMixBox().setSelectedId (2, juce::sendNotificationSync);
        ASSERT_EQ (page->getMixId(), first);

        // Removed and made again under the old name: another mix, though the box reads the same.
        auto preset = state->session.getPreset();
        preset.schema.removeSubmix (first);
        state->session.updatePreset (preset);
        const auto second = addMix ("Strings alt", { "Bass" });
        tick();

        EXPECT_EQ (comboTexts (page->getMixBox()), juce::StringArray ({ "Full mix", "Strings alt" }));
        EXPECT_TRUE (page->getMixId().isEmpty());
        EXPECT_EQ (page->getMixBox().getSelectedId(), 1);
        EXPECT_EQ (page->mixAudition().label, "Full mix (2 tracks)");

        page->getMixBox().setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (page->getMixId(), second);
        EXPECT_EQ (namesOf (page->mixTrackFiles()), juce::StringArray ({ "bass_b.wav" }));

        // A mix that goes falls back to the full mix.
        preset = state->session.getPreset();
        preset.schema.removeSubmix (second);
        state->session.updatePreset (preset);
        tick();
        EXPECT_TRUE (page->getMixId().isEmpty());
        EXPECT_EQ (comboTexts (page->getMixBox()), juce::StringArray ("Full mix"));
    }
}
