#include "app/pages/export/ExportAudition.h"
#include "app/pages/export/ExportPageTestSupport.h"
#include "core/audio/AudioReading.h"

#include <cstdio>

namespace korvid::ui::exporttest
{
namespace
{
    class ExportAuditionTest : public ExportPageTest
    {
    public:
        /** A take of `seconds` at 8 kHz: a level, with a quiet stretch from 1.0 to 1.5 s that
            the cleanup (threshold -40 dB, at least 0.3 s) takes down. */
        juce::File writeCleanableTake (const juce::String& name, double seconds = 2.0)
        {
            const double rate = 8000.0;
            const auto file = folder ("Takes").getChildFile (name);
            const auto samples = test::makeSignal (1, (int) (seconds * rate), [=] (int, int i)
            {
                const double t = i / rate;
                return t >= 1.0 && t < 1.5 ? 0.0005f : 0.25f;
            });

            EXPECT_TRUE (test::writeWav (file, samples, rate));
            return file;
        }

        void useCleanup (bool enabled = true)
        {
            auto preset = presetWithStems ({ "Strings" });
            preset.exportSettings.masterSampleRate = 48000.0;
            preset.exportSettings.silenceGate.enabled = enabled;
            preset.exportSettings.silenceGate.thresholdDb = -40.0;
            preset.exportSettings.silenceGate.minimumSeconds = 0.3;
            state->session.setPreset (preset);
        }

        static juce::String keyOf (const juce::File& file)   { return "cleanup:" + file.getFullPathName(); }

        /** One block through the engine's audio callback, as a device would ask for it. */
        void renderBlock (int frames = 512)
        {
            juce::AudioBuffer<float> block (2, frames);
            state->preview.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, frames));
        }

        /** Stops the engine and lets its fade-out run out, as a device would. */
        bool stopAndWait()
        {
            state->preview.stop();

            return pumpUntil ([this]
            {
                renderBlock();
                return ! state->preview.playing.load() && ! state->preview.loading.load();
            }, 5000);
        }

        bool waitUntilPrepared()
        {
            return pumpUntil ([this] { return ! page->isPreparingAudition() && page->auditionJobCount() == 0; });
        }

        juce::StringArray cachedNames() const
        {
            juce::StringArray names;

            for (const auto& file : cleanedPreviewFolder().findChildFiles (juce::File::findFiles, false, "*"))
                names.add (file.getFileName());

            return names;
        }
    };

    //==============================================================================
    TEST_F (ExportAuditionTest, ACleanedTrackIsRenderedOnceAndThenPlayedFromItsCache)
    {
        useCleanup();
        const auto take = writeCleanableTake ("Strings.wav");
        const auto cached = page->cleanedPreviewFile (take);
        EXPECT_EQ (cached.getParentDirectory(), root.getChildFile ("runtime/Velvane/cleanup-preview"));
        EXPECT_TRUE (cached.getFileName().startsWith (cleanedPreviewPrefix (take)));

        page->auditionGated (take, "Strings.wav", 0.5, true);
        EXPECT_TRUE (page->isPreparingAudition());
        EXPECT_EQ (statusLine(), "Preparing Strings.wav ...");
        ASSERT_TRUE (waitUntilPrepared());

        EXPECT_TRUE (cached.existsAsFile());
        EXPECT_TRUE (state->preview.isCurrent (keyOf (take)));
        EXPECT_EQ (statusLine(), "");

        // The cleaned audio: the quiet stretch is gone, the rest untouched.
        juce::AudioBuffer<double> cleaned;
        juce::String error;
        ASSERT_TRUE (readAudioFileForRender (cached, 0.0, cleaned, error, 1 << 22)) << error;
        EXPECT_NEAR (cleaned.getSample (0, 57600), 0.0, 1e-9);    // 1.2 s at 48 kHz
        EXPECT_NEAR (cleaned.getSample (0, 24000), 0.25, 1e-3);   // 0.5 s

        // Again with the same settings: played at once, nothing rendered.
        state->preview.stop();
        page->auditionGated (take, "Strings.wav", 0.0, false);
        EXPECT_FALSE (page->isPreparingAudition());
        EXPECT_TRUE (state->preview.isCurrent (keyOf (take)));

        // The play button of the row playing it stops it.
        page->auditionGated (take, "Strings.wav", 0.0, true);
        EXPECT_FALSE (state->preview.isCurrent (keyOf (take)));
    }

    TEST_F (ExportAuditionTest, AnythingThatChangesTheCleanedAudioRendersItAnew)
    {
        useCleanup();
        const auto take = writeCleanableTake ("Strings.wav");
        const auto first = page->cleanedPreviewFile (take);
        page->auditionGated (take, "Strings.wav", 0.0, false);
        ASSERT_TRUE (waitUntilPrepared());
        ASSERT_TRUE (stopAndWait());

        // The switch alone, with every number the same.
        useCleanup (false);
        const auto unswitched = page->cleanedPreviewFile (take);
        EXPECT_NE (unswitched, first);
        page->auditionGated (take, "Strings.wav", 0.0, false);
        EXPECT_TRUE (page->isPreparingAudition());
        ASSERT_TRUE (waitUntilPrepared());

        juce::AudioBuffer<double> uncleaned;
        juce::String error;
        ASSERT_TRUE (readAudioFileForRender (unswitched, 0.0, uncleaned, error, 1 << 22)) << error;
        EXPECT_NEAR (uncleaned.getSample (0, 57600), 0.0005, 1e-5);

        // The newer file replaced the older one of the same source.
        EXPECT_FALSE (first.existsAsFile());
        EXPECT_EQ (cachedNames().size(), 1);

        // The project rate, and a touched file.
        auto preset = state->session.getPreset();
        preset.exportSettings.masterSampleRate = 44100.0;
        state->session.setPreset (preset);
        EXPECT_NE (page->cleanedPreviewFile (take), unswitched);
        preset.exportSettings.masterSampleRate = 48000.0;
        state->session.setPreset (preset);
        EXPECT_EQ (page->cleanedPreviewFile (take), unswitched);

        take.setLastModificationTime (take.getLastModificationTime() + juce::RelativeTime::seconds (5));
        EXPECT_NE (page->cleanedPreviewFile (take), unswitched);

        // The page takes its files with it.
        ASSERT_FALSE (cachedNames().isEmpty());
        page.reset();
        EXPECT_TRUE (cachedNames().isEmpty());
    }

    TEST_F (ExportAuditionTest, ANewerVersionRemovesOnlyTheOlderOnesOfItsOwnTrack)
    {
        useCleanup();

        // Two tracks whose paths hash to negative numbers, which once gave both names the
        // same bare "-" at the front. The words after the number spread the hashes widely.
        juce::Array<juce::File> takes;

        for (int i = 0; takes.size() < 2 && i < 1000; ++i)
        {
            const auto name = "Take " + juce::String (i) + " of the strings section.wav";

            if (folder ("Takes").getChildFile (name).getFullPathName().hashCode64() < 0)
                takes.add (writeCleanableTake (name));
        }

        ASSERT_EQ (takes.size(), 2);

        const auto audition = [this] (const juce::File& take)
        {
            page->auditionGated (take, take.getFileName(), 0.0, false);
            return waitUntilPrepared() && stopAndWait();
        };

        juce::Array<juce::File> first;

        for (const auto& take : takes)
        {
            first.add (page->cleanedPreviewFile (take));
            ASSERT_TRUE (audition (take));
        }

        EXPECT_TRUE (first[0].existsAsFile());
        EXPECT_TRUE (first[1].existsAsFile());

        // New settings: the first track's newer version replaces its older one only.
        auto preset = state->session.getPreset();
        preset.exportSettings.silenceGate.thresholdDb = -45.0;
        state->session.setPreset (preset);
        const auto newer = page->cleanedPreviewFile (takes[0]);
        ASSERT_NE (newer, first[0]);
        ASSERT_TRUE (audition (takes[0]));

        EXPECT_TRUE (newer.existsAsFile());
        EXPECT_FALSE (first[0].existsAsFile());
        EXPECT_TRUE (first[1].existsAsFile());
        EXPECT_EQ (cachedNames().size(), 2);
    }

    TEST_F (ExportAuditionTest, AStopWhilePreparingTakesThePlayBackAndOnlyTheLatestRequestPlays)
    {
        useCleanup();
        const auto strings = writeCleanableTake ("Strings.wav", 20.0);
        const auto brass = writeCleanableTake ("Brass.wav", 2.0);

        // Space while it is being prepared: nothing plays when it is ready.
        page->auditionGated (strings, "Strings.wav", 0.0, false);
        ASSERT_TRUE (page->isPreparingAudition());
        page->toggleAudition();
        EXPECT_FALSE (page->isPreparingAudition());
        EXPECT_EQ (statusLine(), "");
        ASSERT_TRUE (waitUntilPrepared());
        EXPECT_FALSE (state->preview.isCurrent (keyOf (strings)));
        state->preview.stop();

        // A second request for the same render is not queued again.
        useCleanup (true);
        auto preset = state->session.getPreset();
        preset.exportSettings.silenceGate.thresholdDb = -45.0;
        state->session.setPreset (preset);
        page->auditionGated (strings, "Strings.wav", 0.0, false);
        page->auditionGated (strings, "Strings.wav", 1.0, false);
        EXPECT_LE (page->auditionJobCount(), 1);
        page->auditionGated (strings, "Strings.wav", 0.0, true);   // its play button: taken back
        EXPECT_FALSE (page->isPreparingAudition());
        ASSERT_TRUE (waitUntilPrepared());
        EXPECT_FALSE (state->preview.isCurrent (keyOf (strings)));

        // Two tracks asked for one after the other: only the second plays.
        preset.exportSettings.silenceGate.thresholdDb = -50.0;
        state->session.setPreset (preset);
        page->auditionGated (strings, "Strings.wav", 0.0, false);
        page->auditionGated (brass, "Brass.wav", 0.0, false);
        ASSERT_TRUE (waitUntilPrepared());
        pump (50);
        EXPECT_TRUE (state->preview.isCurrent (keyOf (brass)));
        EXPECT_FALSE (state->preview.isCurrent (keyOf (strings)));
    }

    TEST_F (ExportAuditionTest, FailuresAndMissingDevicesAreSaid)
    {
        useCleanup();
        const auto missing = folder ("Takes").getChildFile ("Gone.wav");
        page->auditionGated (missing, "Gone.wav", 0.0, false);
        ASSERT_TRUE (waitUntilPrepared());
        EXPECT_TRUE (statusLine().startsWith ("Could not prepare Gone.wav: ")) << statusLine();
        pump (300);
        EXPECT_TRUE (statusLine().startsWith ("Could not prepare Gone.wav: "));

        build (PreviewEngine::OutputMode::none);
        useCleanup();
        const auto take = writeCleanableTake ("Strings.wav");
        page->auditionGated (take, "Strings.wav", 0.0, false);
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "No audio output");
        EXPECT_FALSE (page->isPreparingAudition());
        EXPECT_EQ (page->auditionJobCount(), 0);
    }

    TEST_F (ExportAuditionTest, SpaceAndArrowsWorkTheGatedList)
    {
        useCleanup();
        const auto take = writeCleanableTake ("Strings.wav");
        EXPECT_FALSE (page->jumpGatedAudition (true));   // no list shown

        ExportPage::GatedTrackList::Row row;
        row.file = take;
        row.fileName = "Strings.wav";
        row.cueName = "Delivery";
        row.lengthSeconds = 2.0;
        row.gatedRuns = 1;
        row.regions = { { 0.0, 0.1, 0.0, 0.08 }, { 0.5, 0.75, 0.52, 0.7 } };
        std::vector<ExportPage::GatedTrackList::Row> rows { row };
        body().gatedList->setRows (std::move (rows));

        // Space with nothing heard yet starts the first row where the sound comes back.
        page->toggleAudition();
        EXPECT_TRUE (page->isPreparingAudition());
        ASSERT_TRUE (waitUntilPrepared());
        EXPECT_TRUE (state->preview.isCurrent (keyOf (take)));
        ASSERT_TRUE (pumpUntil ([this] { return ! state->preview.loading.load(); }));

        // Right: the next return point; past the last one the key is not taken.
        EXPECT_TRUE (page->jumpGatedAudition (true));
        state->preview.seekTo (0.9);
        ASSERT_TRUE (pumpUntil ([this]
        {
            renderBlock();
            return state->preview.getPlayFraction() > 0.85;
        }, 5000));
        EXPECT_FALSE (page->jumpGatedAudition (true));
        EXPECT_TRUE (page->jumpGatedAudition (false));

        // With nothing playing, space plays the track heard last, from the cache; again, it stops.
        ASSERT_TRUE (stopAndWait());
        page->toggleAudition();
        EXPECT_FALSE (page->isPreparingAudition());
        EXPECT_TRUE (state->preview.isCurrent (keyOf (take)));
        page->toggleAudition();
        EXPECT_FALSE (state->preview.isCurrent (keyOf (take)));
    }

    TEST_F (ExportAuditionTest, ThePageGoesWithoutWaitingForALongRender)
    {
        useCleanup();
        const auto take = writeCleanableTake ("Long.wav", 600.0);
        page->auditionGated (take, "Long.wav", 0.0, false);

        const auto started = juce::Time::getMillisecondCounterHiRes();
        page.reset();
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;
        std::printf ("[ figures  ] the page going during a cleaned render: %.2f ms\n", elapsed);
        RecordProperty ("pageGoesMs", juce::String (elapsed, 2).toStdString());
        pump (50);
        EXPECT_TRUE (cachedNames().isEmpty());
    }
}
}
