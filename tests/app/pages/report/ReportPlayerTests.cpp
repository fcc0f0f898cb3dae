#include "app/pages/report/ReportPageTestSupport.h"

namespace korvid::ui::reporttest
{
    namespace
    {
        struct Take
        {
            const char* name;
            double seconds;
        };
    }

    class ReportPlayerTest : public ReportPageTest
    {
    protected:
        /** One cue of real files of these lengths (8 kHz stereo unless a rate is given). */
        void deliverTakes (std::initializer_list<Take> takes, double rate = 8000.0)
        {
            auto cue = completedCue ("Cue");
            const auto dir = output().getChildFile ("Cue");

            for (const auto& take : takes)
            {
                const auto file = writeTake (dir.getChildFile (take.name), take.seconds, rate);
                cue.files.push_back (writtenFile (file, take.name, FileKind::stem, file.getSize(), -6.0, take.seconds));
            }

            deliver (reportOf ({ cue }));
        }

        juce::String keyOf (int row)
        {
            return "delivered:" + page->getDeliveryTable().rowAt (row)->path;
        }

        void click (int row)
        {
            page->getDeliveryTable().onRowChosen (row, false);
        }

        bool isPlaying (int row)
        {
            return state->preview.isCurrent (keyOf (row)) && state->preview.playing.load();
        }
    };

    TEST_F (ReportPlayerTest, AClickShowsTheFileAndPlaysItWithAutoplay)
    {
        deliverTakes ({ { "a.wav", 1.0 }, { "b.wav", 2.0 } });
        ASSERT_TRUE (page->getAutoplayToggle().getToggleState());

        click (1);
        EXPECT_EQ (page->getShownRow(), 1);
        EXPECT_EQ (page->previewKey(), keyOf (1));
        EXPECT_EQ (page->getFileCaption().getText(), "b.wav");
        EXPECT_TRUE (page->getDeliveryTable().getTable().isRowSelected (1));

        // At the window's usual width the name gets a line of its own, clear of the buttons.
        for (auto* label : { &page->getFileCaption(), &page->getTimeLabel() })
        {
            EXPECT_GE (label->getWidth(), 100);
            EXPECT_FALSE (label->getBounds().intersects (page->getOpenInBrowserButton().getBounds()));
            EXPECT_FALSE (label->getBounds().intersects (page->getSpectrogramView().getBounds()));
        }
        EXPECT_TRUE (page->getWaveformView().holdsOverview());
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (isPlaying (1));
        page->updateTransport();
        EXPECT_TRUE (page->getPlayButton().isPlaying());
        EXPECT_TRUE (page->getTimeLabel().getText().endsWith (" / 0:02.0")) << page->getTimeLabel().getText();
        EXPECT_EQ (page->getDeliveryTable().getPlayingPath(), page->getShownPath());

        // Space stops it.
        page->togglePlay();
        EXPECT_FALSE (isPlaying (1));
        EXPECT_FALSE (page->getPlayButton().isPlaying());

        // Autoplay off: a click only shows; space then plays from the start.
        page->getAutoplayToggle().setToggleState (false, juce::dontSendNotification);
        click (0);
        EXPECT_EQ (page->getShownRow(), 0);
        EXPECT_FALSE (state->preview.isCurrent (keyOf (0)));
        EXPECT_EQ (page->getTimeLabel().getText(), "0:01.0");

        page->togglePlay();
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (isPlaying (0));
        EXPECT_NEAR (state->preview.getPositionSeconds(), 0.0, 0.001);

        // A double click outside a name toggles playback of its row.
        page->getDeliveryTable().onRowChosen (0, true);
        EXPECT_FALSE (isPlaying (0));
    }

    TEST_F (ReportPlayerTest, ThePlayerRowsFitFromTheNarrowestWindowUp)
    {
        deliverTakes ({ { "PRJ_Opening_03_Strings_High_Divisi.wav", 1.0 } });
        click (0);

        for (const int width : { 1076, 1336, 1900 })
        {
            SCOPED_TRACE (width);
            page->setSize (width, pageHeight);

            struct Part { juce::Component* component; int width; };
            const Part parts[] = {
                { &page->getPlayButton(), 96 }, { &page->getAutoplayToggle(), 110 },
                { &page->getOpenInBrowserButton(), 150 }, { &page->getSaveHtmlButton(), 96 },
                { &page->getSaveTextButton(), 92 }, { &page->getCopyListButton(), 150 },
                { &page->getOpenFolderButton(), 170 },
                { const_cast<juce::Label*> (&page->getFileCaption()), 200 },
                { const_cast<juce::Label*> (&page->getTimeLabel()), 100 },
            };

            for (size_t i = 0; i < std::size (parts); ++i)
            {
                const auto bounds = parts[i].component->getBounds();
                EXPECT_GE (bounds.getWidth(), parts[i].width) << i;
                EXPECT_TRUE (page->getLocalBounds().contains (bounds)) << i;
                EXPECT_FALSE (bounds.intersects (page->getSpectrogramView().getBounds())) << i;

                for (size_t j = i + 1; j < std::size (parts); ++j)
                    EXPECT_FALSE (bounds.intersects (parts[j].component->getBounds())) << i << " and " << j;
            }

            EXPECT_GE (page->getSpectrogramView().getHeight(), 30);
        }
    }

    TEST_F (ReportPlayerTest, SpaceWithNothingShownPlaysTheFirstRowWithAFile)
    {
        auto cue = completedCue ("Cue");
        auto missing = writtenFile ({}, "Nothing");
        cue.files.push_back (missing);
        const auto file = writeTake (output().getChildFile ("first.wav"), 1.0);
        cue.files.push_back (writtenFile (file, "First"));
        deliver (reportOf ({ cue }));

        ASSERT_EQ (page->getShownRow(), -1);
        page->togglePlay();
        EXPECT_EQ (page->getShownRow(), 1);
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (isPlaying (1));

        // The row without a file says so and stops what plays.
        click (0);
        EXPECT_EQ (page->getShownRow(), -1);
        EXPECT_TRUE (page->getShownPath().isEmpty());
        EXPECT_TRUE (page->getFileCaption().getText().endsWith ("   (nothing was written)"));
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());
    }

    TEST_F (ReportPlayerTest, AClickIntoTheViewsStartsOrMovesThePlayback)
    {
        deliverTakes ({ { "four.wav", 4.0 } });
        page->getAutoplayToggle().setToggleState (false, juce::dontSendNotification);

        // Nothing shown: nothing happens.
        page->getWaveformView().onSeek (0.5);
        EXPECT_FALSE (state->preview.loading.load() || state->preview.playing.load());

        click (0);
        page->getWaveformView().onSeek (0.5);
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (isPlaying (0));
        EXPECT_NEAR (state->preview.getPositionSeconds(), 2.0, 0.01);

        page->getSpectrogramView().onSeek (0.25);
        ASSERT_TRUE (waitForEngine());
        EXPECT_NEAR (state->preview.getPlayFraction(), 0.25, 0.01);

        // Another page takes the engine: this page shows its file stopped, with its length.
        state->preview.play ({ juce::File (page->getShownPath()) }, 48000.0, "other", "track:elsewhere", 0.0, -1.0);
        ASSERT_TRUE (waitForEngine());
        page->updateTransport();
        EXPECT_FALSE (page->getPlayButton().isPlaying());
        EXPECT_EQ (page->getTimeLabel().getText(), "0:04.0");
        EXPECT_LT (page->getWaveformView().getPlayheadFraction(), 0.0);
        EXPECT_TRUE (page->getDeliveryTable().getPlayingPath().isEmpty());
    }

    TEST_F (ReportPlayerTest, AFileGoneFromDiskKeepsItsWaveformAndStopsThePlayer)
    {
        deliverTakes ({ { "a.wav", 1.0 }, { "b.wav", 1.0 } });
        click (0);
        ASSERT_TRUE (waitForEngine());
        ASSERT_TRUE (waitForSpectrogram());
        ASSERT_FALSE (page->getSpectrogramView().getSpectrogram().magnitudes.empty());

        ASSERT_TRUE (juce::File (page->getDeliveryTable().rowAt (1)->path).deleteFile());
        click (1);

        EXPECT_EQ (page->getFileCaption().getText(), "b.wav   (no longer on disk)");
        EXPECT_TRUE (page->getSpectrogramView().getSpectrogram().magnitudes.empty());
        EXPECT_FALSE (page->getSpectrogramView().isAnalysing());
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());
        EXPECT_TRUE (page->getWaveformView().holdsOverview());
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ReportPlayerTest, AnUnreadableFileClearsTheSpectrogramSilently)
    {
        deliverTakes ({ { "a.wav", 1.0 }, { "broken.wav", 1.0 } });
        page->getAutoplayToggle().setToggleState (false, juce::dontSendNotification);
        click (0);
        ASSERT_TRUE (waitForSpectrogram());

        ASSERT_TRUE (juce::File (page->getDeliveryTable().rowAt (1)->path).replaceWithText ("not audio"));
        click (1);
        ASSERT_TRUE (waitForSpectrogram());
        EXPECT_TRUE (page->getSpectrogramView().getSpectrogram().magnitudes.empty());
        EXPECT_EQ (page->getFileCaption().getText(), "broken.wav");
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ReportPlayerTest, QuickClicksShowOnlyTheLastFilesSpectrogram)
    {
        deliverTakes ({ { "a.wav", 60.0 }, { "b.wav", 61.0 }, { "c.wav", 62.0 }, { "short.wav", 3.0 } }, 48000.0);
        page->getAutoplayToggle().setToggleState (false, juce::dontSendNotification);

        // Each click lands while the previous file is being read.
        double threeClicks = 0.0;

        for (int row = 0; row < 3; ++row)
        {
            const auto started = juce::Time::getMillisecondCounterHiRes();
            click (row);
            threeClicks += juce::Time::getMillisecondCounterHiRes() - started;
            juce::Thread::sleep (10);
        }

        RecordProperty ("threeClicksOn60SecondFilesMs", juce::String (threeClicks, 1).toStdString());
        std::cout << "three clicks on 60-second files: " << threeClicks << " ms" << std::endl;

        ASSERT_TRUE (waitForSpectrogram());
        pump (200);
        EXPECT_NEAR (page->getSpectrogramView().getSpectrogram().durationSeconds, 62.0, 0.01);
        EXPECT_EQ (page->getShownRow(), 2);

        click (0);
        click (3);
        ASSERT_TRUE (waitForSpectrogram());
        pump (200);
        EXPECT_NEAR (page->getSpectrogramView().getSpectrogram().durationSeconds, 3.0, 0.01);

        // A result of an earlier request never reaches the view.
        SpectrogramData stale;
        stale.magnitudes.assign (16, -20.0f);
        stale.durationSeconds = 99.0;
        page->applySpectrogram (page->getSpectrogramGeneration() - 1, std::move (stale));
        EXPECT_NEAR (page->getSpectrogramView().getSpectrogram().durationSeconds, 3.0, 0.01);

        // Clicking into the shown file does not analyse it again.
        const int generation = page->getSpectrogramGeneration();
        page->getWaveformView().onSeek (0.5);
        EXPECT_EQ (page->getSpectrogramGeneration(), generation);
        ASSERT_TRUE (waitForEngine());
    }

    TEST_F (ReportPlayerTest, ThePageGoesWhileItsJobReadsALongFile)
    {
        deliverTakes ({ { "long.wav", 60.0 } }, 48000.0);
        page->getAutoplayToggle().setToggleState (false, juce::dontSendNotification);
        click (0);
        ASSERT_TRUE (page->getSpectrogramJobCount() > 0);
        juce::Thread::sleep (40);   // well into reading

        const auto started = juce::Time::getMillisecondCounterHiRes();
        page.reset();
        const auto destroyed = juce::Time::getMillisecondCounterHiRes() - started;
        RecordProperty ("destroyedMidJobMs", juce::String (destroyed, 1).toStdString());
        std::cout << "page destroyed mid-job: " << destroyed << " ms" << std::endl;

        pump (300);   // nothing may reach the gone page
        SUCCEED();
    }

    TEST_F (ReportPlayerTest, APlayingFileStaysShownAcrossRefreshesAndSorts)
    {
        deliverTakes ({ { "c.wav", 1.0 }, { "a.wav", 3.0 }, { "b.wav", 2.0 } });
        click (1);   // a.wav
        ASSERT_TRUE (waitForEngine());
        const auto path = page->getShownPath();

        // Another output folder broadcasts a change: the player goes on as it was.
        state->setOutputFolder (root);
        pump();
        page->updateTransport();
        EXPECT_EQ (page->getShownPath(), path);
        EXPECT_TRUE (page->getPlayButton().isPlaying());

        // A sort moves the selection with the shown file.
        page->getDeliveryTable().getTable().getHeader().setSortColumnId (ReportPage::DeliveryTable::fileColumn, true);
        pump();
        EXPECT_EQ (page->getShownRow(), 0);
        EXPECT_TRUE (page->getDeliveryTable().getTable().isRowSelected (0));
        EXPECT_EQ (page->getShownPath(), path);

        // Space stops the file that plays, not the first row.
        page->togglePlay();
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());

        // Renaming the shown file forgets it.
        page->togglePlay();
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (page->renameDeliveredFile (0, "z"));
        EXPECT_TRUE (page->getShownPath().isEmpty());
        EXPECT_TRUE (page->getFileCaption().getText().isEmpty());
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());
    }

    TEST_F (ReportPlayerTest, WithoutAnOutputDeviceSpaceSaysSo)
    {
        build (PreviewEngine::OutputMode::none);
        deliverTakes ({ { "a.wav", 1.0 } });

        click (0);
        EXPECT_EQ (page->getShownRow(), 0);
        EXPECT_TRUE (dialogs->asked.empty()) << "Autoplay stays silent";

        page->togglePlay();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "No audio output");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
    }

    TEST_F (ReportPlayerTest, ShowingACueOfManyFilesAndSortingIt)
    {
        // 256 stems in two formats and eight mixes, with full overviews.
        auto cue = completedCue ("Big");

        for (int format = 0; format < 2; ++format)
        {
            for (int stem = 0; stem < 256; ++stem)
            {
                const auto name = "PRJ_Big_" + juce::String (stem + 1).paddedLeft ('0', 3) + (format == 0 ? ".wav" : ".aif");
                auto written = writtenFile (output().getChildFile (name), "Stem " + juce::String (stem), FileKind::stem,
                                            1000 + stem, -400.0, 60.0);
                written.overview = constantOverview (60.0, 0.5f, 2000);
                cue.files.push_back (written);
            }

            for (int mix = 0; mix < 4; ++mix)
                cue.files.push_back (writtenFile (output().getChildFile ("Mix " + juce::String (mix) + ".wav"), "Mix",
                                                  FileKind::alternativeMix, 5000, -3.0 - mix, 60.0));
        }

        ASSERT_EQ (cue.files.size(), 520u);
        deliver (reportOf ({ cue }));

        const auto shownAt = juce::Time::getMillisecondCounterHiRes();
        page->showCueDetails (state->lastReport.cues[0]);
        const auto shown = juce::Time::getMillisecondCounterHiRes() - shownAt;

        const auto sortedAt = juce::Time::getMillisecondCounterHiRes();
        page->getDeliveryTable().sortOrderChanged (ReportPage::DeliveryTable::fileColumn, false);
        const auto sorted = juce::Time::getMillisecondCounterHiRes() - sortedAt;

        RecordProperty ("showCueDetails520FilesMs", juce::String (shown, 2).toStdString());
        RecordProperty ("sort520RowsMs", juce::String (sorted, 2).toStdString());
        std::cout << "showCueDetails, 520 files: " << shown << " ms; sort by name: " << sorted << " ms" << std::endl;

        EXPECT_EQ (page->getDeliveryTable().getNumRowsShown(), 520);
        EXPECT_EQ (page->getDeliveryTable().getRows().front().fileName, "PRJ_Big_256.wav");
    }
}
