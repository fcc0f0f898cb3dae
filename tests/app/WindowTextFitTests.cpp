#include "MainTestSupport.h"

#include "app/pages/export/ExportPage.h"
#include "app/pages/import/ImportPage.h"
#include "app/pages/preset/PresetPage.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/review/ReviewPage.h"
#include "support/MessageLoop.h"
#include "ui/PreviewTestAudio.h"
#include "ui/TextFitChecks.h"

namespace korvid::ui::maintest
{
    /** The whole window in the application's look, with two cues of takes imported. */
    class WindowTextFitTest : public MainComponentTest
    {
    protected:
        void SetUp() override
        {
            MainComponentTest::SetUp();
            look.emplace();
            build();

            const auto samples = test::makeSignal (1, 800, [] (int, int) { return 0.25f; });
            juce::StringArray folders;

            for (const auto* cue : { "1M01 Opening Titles", "2M05 End Credits" })
            {
                const auto dir = home->folder.getChildFile ("takes").getChildFile (cue);
                ASSERT_TRUE (dir.createDirectory());

                for (const auto* take : { "01 Violins.wav", "Choir_Aah.wav", "Synth Pad pads.wav" })
                    ASSERT_TRUE (test::writeWav (dir.getChildFile (take), samples, 8000.0));

                folders.add (dir.getFullPathName());
            }

            main->getAppState().session.importFiles (folders, false);
            test::pumpMessages (50);
        }

        void TearDown() override
        {
            main.reset();
            look.reset();
            MainComponentTest::TearDown();
        }

        std::vector<std::pair<const char*, juce::Component*>> pages() const
        {
            return { { "Import", main->getImportPage() }, { "Preset & stems", main->getPresetPage() },
                     { "Review", main->getReviewPage() }, { "Levels & export", main->getExportPage() },
                     { "Report", main->getReportPage() } };
        }

        std::optional<testsupport::ScopedAppLookAndFeel> look;
    };

    TEST_F (WindowTextFitTest, EveryChoiceShowsWholeAndFieldsCentreTheirTextAtTheDefaultAndTheSmallestSize)
    {
        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            main->setSize (size.x, size.y);

            for (const auto& [name, page] : pages())
            {
                SCOPED_TRACE (juce::String (name) + " at " + size.toString());
                ASSERT_NE (page, nullptr);
                EXPECT_EQ (testsupport::choicesCutBelow (*page).joinIntoString ("\n"), "");
                EXPECT_EQ (testsupport::fieldsOffCentreBelow (*page).joinIntoString ("\n"), "");
            }
        }
    }

    TEST_F (WindowTextFitTest, TheLibraryButtonsKeepTheirRoomInTheSmallestWindow)
    {
        main->setSize (1100, 720);
        auto& preset = *main->getPresetPage();

        for (auto* button : { &preset.getNewButton(), &preset.getImportButton(), &preset.getRestoreButton() })
        {
            EXPECT_EQ (button->getHeight(), 30) << button->getName();
            EXPECT_LE (button->getBottom(), preset.getHeight() - 12) << button->getName();
        }

        EXPECT_GE (preset.getLibraryList().getHeight(), 3 * PresetPage::listRowHeight);
    }
}
