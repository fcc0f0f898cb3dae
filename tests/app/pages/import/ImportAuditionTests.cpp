#include "app/pages/import/ImportPageTestSupport.h"

namespace korvid::ui::importtest
{
    namespace
    {
        constexpr double tolerance = 1.0e-9;
    }

    TEST_F (ImportPageTest, PlayingUsesTheTrackKeyAndStartsAtTheFirstSound)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("late.wav"), 6.0, 3.0);
        importPaths ({ dir });
        const auto id = idOf (file);

        // Without an overview yet the start is the top of the file.
        page->showTrack (file.getFullPathName(), id);
        EXPECT_EQ (page->getTrackPreviewKey(), "track:" + id);
        EXPECT_DOUBLE_EQ (page->firstSoundFraction(), 0.0);

        ASSERT_TRUE (waitForOverview (file));
        page->refreshWaveform();
        page->togglePlay();
        ASSERT_TRUE (waitForEngine());

        EXPECT_TRUE (state->preview.isCurrent ("track:" + id));
        EXPECT_NEAR (state->preview.getPositionSeconds(), 2.95, 0.02);
        page->updateTransport();
        EXPECT_TRUE (page->getTransportButton().isPlaying());
        EXPECT_TRUE (page->getTimeLabel().getText().endsWith (" / 0:06.0")) << page->getTimeLabel().getText();

        // The same key again stops it.
        page->togglePlay();
        EXPECT_FALSE (state->preview.isCurrent ("track:" + id) && state->preview.playing.load());

        // Jump silence off: from the top.
        page->getJumpSilenceToggle().setToggleState (false, juce::dontSendNotification);
        page->togglePlay();
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 0.0, 0.001);
    }

    TEST_F (ImportPageTest, AClickSeeksWhilePlayingAndStartsWhileStopped)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("take.wav"), 10.0);
        importPaths ({ dir });
        page->showTrack (file.getFullPathName(), idOf (file));
        ASSERT_TRUE (waitForOverview (file));
        page->refreshWaveform();

        page->getWaveformView().onSeek (0.5);
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPositionSeconds(), 5.0, 0.01);
        EXPECT_TRUE (state->preview.playing.load());

        page->getSpectrogramView().onSeek (0.25);
        ASSERT_TRUE (waitForEngine());
        renderBlock();
        EXPECT_NEAR (state->preview.getPlayFraction(), 0.25, 0.01);

        // Another page taking the engine: this one no longer shows its track playing.
        state->preview.play ({ file }, 48000.0, "other", "mix:elsewhere");
        ASSERT_TRUE (waitForEngine());
        page->updateTransport();
        EXPECT_FALSE (page->getTransportButton().isPlaying());
        EXPECT_LT (page->getWaveformView().getPlayheadFraction(), 0.0);
    }

    TEST_F (ImportPageTest, WithoutAnOutputDeviceAuditionSaysSoAndAutoplayStaysSilent)
    {
        build (PreviewEngine::OutputMode::none);
        const auto ids = importTakes ("Cue", { "a.wav" });

        page->togglePlay();
        EXPECT_TRUE (dialogs->asked.empty()) << "nothing shown, nothing to say";

        page->getAutoplayToggle().setToggleState (true, juce::dontSendNotification);
        page->selectTracks (ids);
        EXPECT_TRUE (dialogs->asked.empty());

        page->togglePlay();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "No audio output");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_TRUE (lastQuestion()->message.startsWith (
            "Velvane could not open an audio device, so auditioning is unavailable.\n\n"));
    }

    TEST_F (ImportPageTest, AutoplayPlaysTheSelectedTrackAtOnce)
    {
        const auto ids = importTakes ("Cue", { "a.wav", "b.wav" });
        page->getAutoplayToggle().triggerClick();
        pump();
        EXPECT_TRUE (state->settings->getBoolValue ("importAutoplay", false));

        page->selectTracks ({ ids[1] });
        EXPECT_EQ (state->preview.getCurrentKey(), "track:" + ids[1]);
        ASSERT_TRUE (waitForEngine());
    }

    // A take removed while shown stays shown; imported again it is another track at the same
    // path, and selecting it must show that track, or splitting, renaming and playing would
    // act on the one that is gone.
    TEST_F (ImportPageTest, ATakeImportedAgainAtTheShownPathIsShownAsTheNewTrack)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("Brass.wav"), 4.0);
        importPaths ({ dir });
        const auto oldId = idOf (file);
        page->selectTracks ({ oldId });
        ASSERT_EQ (page->getCurrentTrackId(), oldId);

        page->removeSelectedTracks();
        ASSERT_EQ (track (oldId), nullptr);
        EXPECT_EQ (page->getCurrentTrackId(), oldId) << "a removed take stays shown";
        page->togglePlay();
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (state->preview.isCurrent ("track:" + oldId));
        EXPECT_GT (testing::loudestOfPreviewBlocks (state->preview), 0.1f) << "and playable";
        state->preview.stop();

        importPaths ({ dir });
        const auto newId = idOf (file);
        ASSERT_TRUE (newId.isNotEmpty());
        ASSERT_NE (newId, oldId);

        page->selectTracks ({ newId });
        EXPECT_EQ (page->getCurrentTrackId(), newId);
        EXPECT_EQ (page->getCurrentPath(), file.getFullPathName());
        EXPECT_EQ (page->getTrackPreviewKey(), "track:" + newId);
        EXPECT_NEAR (page->getWaveformView().getDurationSeconds(), 4.0, 0.001);

        // The S key offers the split of the new track.
        page->getWaveformView().setHoverFraction (0.5);
        EXPECT_TRUE (page->keyPressed (juce::KeyPress ('s')));
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "Split this stem");
        EXPECT_EQ (lastQuestion()->initialText, "Brass 2");
        page->getWaveformView().setHoverFraction (-1.0);

        // Renamed from the track menu: the panel follows the file to its new name.
        dialogs->texts.push_back (juce::String ("Trumpets"));
        page->assignMenuItemChosen (ImportPage::renameFileId, page->takeAssignMenuContext());
        const auto renamed = dir.getChildFile ("Trumpets.wav");
        ASSERT_TRUE (renamed.existsAsFile());
        EXPECT_FALSE (file.exists());
        EXPECT_EQ (page->getCurrentTrackId(), newId);
        EXPECT_EQ (page->getCurrentPath(), renamed.getFullPathName());
        EXPECT_EQ (page->getFileNameLabel().getText(), "Trumpets.wav");

        // Play sounds the renamed file.
        page->togglePlay();
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (state->preview.isCurrent ("track:" + newId));
        EXPECT_TRUE (state->preview.playing.load());
        EXPECT_GT (testing::loudestOfPreviewBlocks (state->preview), 0.1f);
        page->updateTransport();
        EXPECT_TRUE (page->getTransportButton().isPlaying());
    }

    TEST_F (ImportPageTest, ZoomKeepsTheAnchorAndStaysInsideTheFile)
    {
        const auto ids = importTakes ("Cue", { "a.wav" }, 4.0);
        page->selectTracks (ids);

        struct Step
        {
            double factor, anchor;
            double start, end;
        };

        const Step steps[] = {
            { 0.5, 0.5, 0.25, 0.75 },
            { 0.5, 0.5, 0.375, 0.625 },
            { 0.5, 0.5, 0.4375, 0.5625 },
            { 0.01, 0.5, 0.495, 0.505 },          // stops at a hundredth of the file
            { 1000.0, 0.5, 0.0, 1.0 },            // and at the whole file
        };

        for (const auto& step : steps)
        {
            page->zoomBy (step.factor, step.anchor);
            EXPECT_NEAR (page->getVisibleRange().x, step.start, tolerance);
            EXPECT_NEAR (page->getVisibleRange().y, step.end, tolerance);
        }

        EXPECT_FALSE (page->getWholeFileButton().isEnabled());

        // The wheel keeps the point under the mouse where it is.
        page->getWaveformView().onWheel (1.0f, 0.25);
        const auto range = page->getVisibleRange();
        EXPECT_NEAR (range.y - range.x, 0.8, tolerance);
        EXPECT_NEAR (range.x + 0.25 * (range.y - range.x), 0.25, tolerance);
        EXPECT_TRUE (page->getWholeFileButton().isEnabled());

        // At the end of the file the range is pushed back inside.
        page->setVisibleRange (0.9, 1.2);
        EXPECT_NEAR (page->getVisibleRange().x, 0.7, tolerance);
        EXPECT_NEAR (page->getVisibleRange().y, 1.0, tolerance);

        page->getWaveformView().onWheel (0.0f, 0.5);
        EXPECT_NEAR (page->getVisibleRange().x, 0.7, tolerance);

        page->getWholeFileButton().triggerClick();
        pump();
        EXPECT_NEAR (page->getVisibleRange().x, 0.0, tolerance);
        EXPECT_NEAR (page->getVisibleRange().y, 1.0, tolerance);
    }

    TEST_F (ImportPageTest, TwoZoomStepsInQuickSuccessionStartOneAnalysisAfterTheyRest)
    {
        const auto ids = importTakes ("Cue", { "a.wav" }, 4.0);
        page->selectTracks (ids);
        ASSERT_TRUE (waitForSpectrogram());
        ASSERT_FALSE (page->getWholeFileSpectrogram().magnitudes.empty());
        const int before = page->getGeneration();

        page->zoomBy (0.5, 0.5);
        pump (100);
        page->zoomBy (0.5, 0.5);
        EXPECT_EQ (page->getGeneration(), before);
        pump (60);
        EXPECT_EQ (page->getGeneration(), before) << "still settling";

        ASSERT_TRUE (pumpUntil ([&] { return page->getGeneration() != before; }, 2000));
        EXPECT_EQ (page->getGeneration(), before + 1);
        EXPECT_NEAR (page->getAnalysedRange().x, 0.375, tolerance);
        ASSERT_TRUE (waitForSpectrogram());
        EXPECT_NEAR (page->getSpectrogramView().getDataStart(), 0.375, tolerance);
        EXPECT_NEAR (page->getWaveformView().getDataStart(), 0.375, tolerance);

        // Back to the whole file: the kept picture at once, no job.
        page->setVisibleRange (0.0, 1.0);
        EXPECT_FALSE (page->isZoomSettling());
        EXPECT_EQ (page->getSpectrogramJobCount(), 0);
        EXPECT_FALSE (page->getSpectrogramView().isAnalysing());
        EXPECT_EQ (page->getSpectrogramView().getSpectrogram().numFrames, page->getWholeFileSpectrogram().numFrames);
        EXPECT_DOUBLE_EQ (page->getWaveformView().getDataStart(), 0.0);
        EXPECT_DOUBLE_EQ (page->getWaveformView().getDataEnd(), 1.0);
    }
}
