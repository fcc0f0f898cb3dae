#include "MainTestSupport.h"

#include "app/pages/export/ExportPage.h"
#include "app/pages/import/ImportPage.h"
#include "app/pages/preset/PresetPage.h"
#include "app/pages/report/ReportPage.h"
#include "app/pages/report/ReportTestSupport.h"
#include "app/pages/report/ReportTexts.h"
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

    TEST_F (WindowTextFitTest, DeliveredFilesShowTheirFiguresAndFormatWholeAndNoColumnIsCutOff)
    {
        using Table = ReportPage::DeliveryTable;
        const juce::int64 fiveMinutesOfStereo = 51'800'000;   // "49.4 MB"
        auto cue = reporttest::completedCue ("1M01 Opening Titles", 312.4);
        const auto folder = home->folder.getChildFile ("out");

        for (const auto* format : { "FLAC 24bit 48kHz 2ch", "WAV 32bit float 176.4kHz 2ch", "AIFF 16bit 44.1kHz 2ch" })
        {
            auto written = reporttest::writtenFile (folder.getChildFile (juce::String (format) + ".wav"), "Strings",
                                                    FileKind::stem, fiveMinutesOfStereo, -12.3, 312.4);
            written.formatDescription = format;
            cue.files.push_back (written);
        }

        cue.stems.push_back (reporttest::stemResult ("Strings", 12));
        BatchReport report;
        report.allCompleted = true;
        report.cues.push_back (cue);
        main->getAppState().setLastReport (std::move (report));
        test::pumpMessagesUntil ([&] { return main->getReportPage()->getDeliveryTable().getRows().size() == 3; }, 5000);

        auto& table = main->getReportPage()->getDeliveryTable();
        ASSERT_EQ (table.getRows().size(), 3u);

        const auto shownText = [] (const ReportPage::DeliveryRow& row, int column) -> juce::String
        {
            switch (column)
            {
                case Table::kindColumn:     return row.kind == 1 ? "mix" : (row.kind == 2 ? "alt" : "stem");
                case Table::tracksColumn:   return juce::String (row.trackCount);
                case Table::peakColumn:     return reportLevelText (row.peakDb);
                case Table::formatColumn:   return row.format;
                case Table::lengthColumn:   return formatDuration (row.lengthSeconds);
                default:                    return deliverySizeText (row.sizeBytes);
            }
        };

        for (const auto& size : { juce::Point<int> (1360, 860), juce::Point<int> (1100, 720) })
        {
            SCOPED_TRACE (size.toString());
            main->setSize (size.x, size.y);
            test::pumpMessages (30);
            auto& header = table.getTable().getHeader();

            for (const int column : { Table::kindColumn, Table::tracksColumn, Table::peakColumn, Table::formatColumn,
                                      Table::lengthColumn, Table::sizeColumn })
                for (const auto& row : table.getRows())
                {
                    const auto text = shownText (row, column);
                    EXPECT_LE (bodyFont().getStringWidthFloat (text), (float) (header.getColumnWidth (column) - 12))
                        << "\"" << text << "\" in " << header.getColumnWidth (column);
                }

            EXPECT_LE (header.getColumnPosition (header.getNumColumns (true) - 1).getRight(),
                       table.getTable().getViewport()->getMaximumVisibleWidth())
                << "the last column ends where the table can show it";
        }
    }
}
