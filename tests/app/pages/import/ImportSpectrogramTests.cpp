#include "app/pages/import/ImportPageTestSupport.h"

namespace korvid::ui::importtest
{
    TEST_F (ImportPageTest, QuickSelectionsShowOnlyTheLastTracksSpectrogram)
    {
        const auto dir = folder ("Cue");
        writeTake (dir.getChildFile ("a.wav"), 20.0);
        writeTake (dir.getChildFile ("b.wav"), 20.0);
        writeTake (dir.getChildFile ("c.wav"), 3.0);
        importPaths ({ dir });
        const auto ids = idsOf (dir, { "a.wav", "b.wav", "c.wav" });

        for (const auto& id : ids)
            page->selectTracks ({ id });

        ASSERT_TRUE (waitForSpectrogram());
        pump (200);

        const auto& shown = page->getSpectrogramView().getSpectrogram();
        EXPECT_NEAR (shown.durationSeconds, 3.0, 0.01);
        EXPECT_EQ (page->getCurrentTrackId(), ids[2]);
        EXPECT_EQ (page->getWholeFileSpectrogram().durationSeconds, shown.durationSeconds);
    }

    TEST_F (ImportPageTest, AResultForAGonePageOrAnOlderGenerationIsDropped)
    {
        const auto ids = importTakes ("Cue", { "a.wav" }, 30.0);
        page->selectTracks (ids);
        ASSERT_TRUE (waitForSpectrogram());

        ImportPage::SpectrogramResult stale;
        stale.page = page.get();
        stale.generation = page->getGeneration() - 1;
        stale.spectrogram = page->getWholeFileSpectrogram();
        stale.spectrogram.durationSeconds = 99.0;
        page->applySpectrogramResult (std::move (stale));
        EXPECT_NE (page->getSpectrogramView().getSpectrogram().durationSeconds, 99.0);

        // The page goes while its job runs: nothing may reach it afterwards.
        page->zoomBy (0.5, 0.5);
        ASSERT_TRUE (pumpUntil ([this] { return page->getSpectrogramJobCount() > 0; }, 2000));
        page.reset();
        pump (300);
        SUCCEED();
    }

    TEST_F (ImportPageTest, AFailedRangeReadClearsTheSpectrogramAndKeepsTheWholeOverview)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("a.wav"), 4.0);
        importPaths ({ dir });
        page->selectTracks ({ idOf (file) });
        ASSERT_TRUE (waitForSpectrogram());
        ASSERT_TRUE (waitForOverview (file));
        page->refreshWaveform();

        // The file vanishes; the zoomed range cannot be read.
        ASSERT_TRUE (file.moveFileTo (dir.getChildFile ("moved.wav")));
        page->zoomBy (0.5, 0.5);
        ASSERT_TRUE (pumpUntil ([this] { return ! page->isZoomSettling(); }, 2000));
        ASSERT_TRUE (waitForSpectrogram());

        EXPECT_TRUE (page->getSpectrogramView().getSpectrogram().magnitudes.empty());
        EXPECT_TRUE (page->getWaveformView().holdsOverview());
        EXPECT_DOUBLE_EQ (page->getWaveformView().getDataStart(), 0.0);
        EXPECT_DOUBLE_EQ (page->getWaveformView().getDataEnd(), 1.0);
        EXPECT_FALSE (page->getWaveformView().isLoading());
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ImportPageTest, ARangeResultIsNeverKeptAsTheWholeFile)
    {
        const auto ids = importTakes ("Cue", { "a.wav" }, 4.0);
        page->selectTracks (ids);
        ASSERT_TRUE (waitForSpectrogram());
        const auto wholeFrames = page->getWholeFileSpectrogram().numFrames;

        // A range job's answer arrives after the view went back to the whole file.
        page->setVisibleRange (0.0, 1.0);
        ImportPage::SpectrogramResult range = ImportPage::SpectrogramJob::analyse (
            page->getCurrentPath(), 1.0, 1.0, [] { return false; });
        ASSERT_FALSE (range.wholeFile);
        ASSERT_FALSE (range.spectrogram.magnitudes.empty());
        range.page = page.get();
        range.generation = page->getGeneration();
        page->applySpectrogramResult (std::move (range));

        EXPECT_EQ (page->getWholeFileSpectrogram().numFrames, wholeFrames);
    }

    TEST_F (ImportPageTest, TheRangeJobAnalysesAtTheFileRateAndGivesAFinerWaveform)
    {
        const auto dir = folder ("Cue");
        const auto file = writeTake (dir.getChildFile ("a.wav"), 4.0, 0.0, 16000.0);
        const auto result = ImportPage::SpectrogramJob::analyse (file.getFullPathName(), 1.0, 2.0, [] { return false; });

        EXPECT_DOUBLE_EQ (result.spectrogram.sampleRate, 16000.0);
        EXPECT_NEAR (result.spectrogram.durationSeconds, 2.0, 0.001);
        EXPECT_EQ (result.waveform.minima.size(), (size_t) ImportPage::SpectrogramJob::rangeBuckets);

        const auto cancelled = ImportPage::SpectrogramJob::analyse (file.getFullPathName(), 0.0, 0.0, [] { return true; });
        EXPECT_TRUE (cancelled.spectrogram.magnitudes.empty());
    }
}
