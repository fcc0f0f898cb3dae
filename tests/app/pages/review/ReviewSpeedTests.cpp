#include "app/pages/review/ReviewPageTestSupport.h"

#include <chrono>

namespace korvid::ui::reviewtest
{
    namespace
    {
        template <typename Work>
        double millisecondsOf (Work&& work)
        {
            const auto start = std::chrono::steady_clock::now();
            work();
            return std::chrono::duration<double, std::milli> (std::chrono::steady_clock::now() - start).count();
        }
    }

    /** Figures for the largest session: 2048 tracks over 256 stems, in 16 cues and in 2048.
        Printed and recorded, never asserted: they depend on the machine. */
    class ReviewSpeedTest : public ReviewPageTest
    {
    protected:
        static constexpr int trackCount = 2048;
        static constexpr int stemCount = 256;

        void useManyStems()
        {
            auto preset = makeEmptyPreset();

            for (int s = 0; s < stemCount; ++s)
            {
                const auto code = juce::String (s).paddedLeft ('0', 3);
                preset.schema.addStem (Stem ("Stem " + code, {}, 0xff336699, false, 0, { KeywordRule ("kw" + code) }));
            }

            state->session.setPreset (preset);
        }

        /** Tiny takes spread over the stems, `cueCount` folders, imported in one go. */
        void importMany (int cueCount)
        {
            const auto samples = test::makeConstant (1, 64, 0.25f);
            juce::StringArray folders;

            for (int c = 0; c < cueCount; ++c)
                folders.add (folder ("Cue " + juce::String (c).paddedLeft ('0', 4)).getFullPathName());

            for (int t = 0; t < trackCount; ++t)
            {
                const auto name = "kw" + juce::String (t % stemCount).paddedLeft ('0', 3) + "_take"
                                + juce::String (t).paddedLeft ('0', 4) + ".wav";
                ASSERT_TRUE (test::writeWav (juce::File (folders[t % cueCount]).getChildFile (name), samples, 8000.0));
            }

            state->session.importFiles (folders, false);
            ASSERT_EQ ((int) state->session.getTracks().size(), trackCount);
        }

        void selectEveryRow()
        {
            juce::StringArray all;

            for (const auto& t : state->session.getTracks())
                all.add (t.id);

            page->selectTracks (all);
        }

        void measure (const char* label)
        {
            page->getCueBox().setSelectedId (1, juce::sendNotificationSync);   // all cues: every row
            tick();

            const auto rebuild = millisecondsOf ([this] { page->rebuildTree(); });
            selectEveryRow();
            ASSERT_EQ (page->selectedTrackIds().size(), trackCount);

            const auto rebuildSelected = millisecondsOf ([this] { page->rebuildTree(); });
            ASSERT_EQ (page->selectedTrackIds().size(), trackCount);

            const auto quietTick = millisecondsOf ([this] { tick(); });

            // Every track to one stem from the menu, then the tick that shows it.
            const auto context = page->takeAssignMenuContext();
            const auto assign = millisecondsOf ([&] { page->assignMenuItemChosen (ReviewPage::firstStemId + 7, context); });
            const auto assignTick = millisecondsOf ([this] { tick(); });
            EXPECT_EQ (page->findGroup (context.stemIds[7])->getNumSubItems(), trackCount);

            std::cout << "[ figures  ] " << label << ": rebuild " << rebuild << " ms, rebuild with every row selected "
                      << rebuildSelected << " ms, tick with every row selected " << quietTick << " ms, assigning every track "
                      << assign << " ms and the tick after it " << assignTick << " ms\n";
            RecordProperty (std::string (label) + " rebuild ms", juce::String (rebuild, 2).toStdString());
            RecordProperty (std::string (label) + " rebuild selected ms", juce::String (rebuildSelected, 2).toStdString());
            RecordProperty (std::string (label) + " tick ms", juce::String (quietTick, 2).toStdString());
            RecordProperty (std::string (label) + " assign ms", juce::String (assign, 2).toStdString());
            RecordProperty (std::string (label) + " assign tick ms", juce::String (assignTick, 2).toStdString());
        }
    };

    TEST_F (ReviewSpeedTest, RebuildAndTickWith2048TracksIn16Cues)
    {
        useManyStems();
        importMany (16);
        measure ("16 cues");
    }

    TEST_F (ReviewSpeedTest, RebuildAndTickWith2048TracksIn2048Cues)
    {
        useManyStems();
        importMany (trackCount);
        measure ("2048 cues");
    }
}
