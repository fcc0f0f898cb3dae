#include "app/pages/report/ReportPageTestSupport.h"
#include "app/pages/report/ReportSharing.h"
#include "core/report/ReportText.h"
#include "support/FileSizeCap.h"

namespace korvid::ui::reporttest
{
    class ReportSharingTest : public ReportPageTest
    {
    protected:
        void SetUp() override
        {
            ReportPageTest::SetUp();
            deliver (reportOf ({ cueWithFiles ("Opening", { "Drums.wav", "Mix.wav" }),
                                 cueWithFiles ("Finale", { "Bass.wav", "Mix.wav" }) }));
            state->setOutputFolder (output());
            pump();
        }

        /** A path over the length every document write refuses, with a file already there. */
        juce::File tooLongTarget (const juce::String& extension)
        {
            auto folder = root.getChildFile ("long");

            while (folder.getFullPathName().length() < 250)
                folder = folder.getChildFile ("deeper-folder-name");

            const auto target = folder.getChildFile ("report" + extension);
            EXPECT_TRUE (target.getParentDirectory().createDirectory().wasOk());
            EXPECT_TRUE (target.replaceWithText ("old"));
            return target;
        }

        static juce::StringArray hiddenFilesIn (const juce::File& folder)
        {
            juce::StringArray names;

            for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFiles))
                if (entry.getFile().getFileName().startsWithChar ('.'))
                    names.add (entry.getFile().getFileName());

            return names;
        }

        /** Puts a stand-in desktop opener first on PATH that writes its arguments, one per
            line, to `received`, and ends with the given exit status. */
        void useStandInOpener (int exitStatus = 0)
        {
            const auto bin = root.getChildFile ("bin");
            ASSERT_TRUE (bin.createDirectory());
            const auto opener = bin.getChildFile ("xdg-open");
            ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received().getFullPathName()
                                                     + ".part'\nmv '" + received().getFullPathName() + ".part' '"
                                                     + received().getFullPathName() + "'\nexit " + juce::String (exitStatus) + "\n",
                                                 false, false, "\n"));
            ASSERT_TRUE (opener.setExecutePermission (true));
            pathVariable.emplace ("PATH", bin.getFullPathName() + ":/usr/bin:/bin");
        }

        juce::File received() const   { return root.getChildFile ("received.txt"); }

        /** The text with every date the reports could have stamped since `since` replaced,
            so two reports made a second apart compare equal. */
        static juce::String withoutDates (juce::String text, juce::Time since)
        {
            for (auto t = since - juce::RelativeTime::seconds (1); t <= juce::Time::getCurrentTime() + juce::RelativeTime::seconds (1);
                 t += juce::RelativeTime::seconds (1))
                text = text.replace (reportDateTimeText (t), "<date>");

            return text;
        }

        juce::String waitForOpenerArguments()
        {
            pumpUntil ([this] { return received().existsAsFile(); }, 5000);
            return received().loadFileAsString();
        }

        void TearDown() override
        {
            pathVariable.reset();
            ReportPageTest::TearDown();
        }

        std::optional<test::ScopedEnvironmentVariable> pathVariable;
    };

    TEST_F (ReportSharingTest, SaveTextWritesTheReportWithWindowsLineEndsAndNoByteOrderMark)
    {
        const auto target = root.getChildFile ("saved").getChildFile ("report.txt");
        dialogs->files.push_back (target);
        const auto started = juce::Time::getCurrentTime();
        page->getSaveTextButton().triggerClick();
        pump();

        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->kind, testing::ScriptedDialogs::Kind::file);
        EXPECT_EQ (lastQuestion()->title, "Save the render report");
        EXPECT_TRUE (lastQuestion()->fileRequest.saving);
        EXPECT_EQ (lastQuestion()->fileRequest.start, output().getChildFile ("Velvane report.txt"));
        EXPECT_EQ (lastQuestion()->fileRequest.pattern, "*.txt");

        juce::MemoryBlock bytes;
        ASSERT_TRUE (target.loadFileAsData (bytes));
        const juce::String written = juce::String::fromUTF8 ((const char*) bytes.getData(), (int) bytes.getSize());
        ASSERT_GT (bytes.getSize(), 3u);
        EXPECT_FALSE ((unsigned char) bytes[0] == 0xef && (unsigned char) bytes[1] == 0xbb);
        EXPECT_FALSE (written.contains ("\r\r"));
        // Every line end is "\r\n", and the lines are the core's, the dates aside.
        EXPECT_FALSE (written.replace ("\r\n", "").containsAnyOf ("\r\n"));
        EXPECT_EQ (withoutDates (written, started), withoutDates (state->lastReport.toText(), started));
        EXPECT_TRUE (withoutDates (written, started).contains ("<date>"));

        EXPECT_TRUE (dialogs->asked.size() == 1) << "no message after a good save";
    }

    TEST_F (ReportSharingTest, AFailedWriteKeepsTheOldFileAndSaysSo)
    {
        for (const bool html : { false, true })
        {
            SCOPED_TRACE (html ? "html" : "text");
            const auto target = tooLongTarget (html ? ".html" : ".txt");
            dialogs->files.push_back (target);

            if (html)
                page->saveHtml();
            else
                page->saveText();

            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->kind, testing::ScriptedDialogs::Kind::message);
            EXPECT_EQ (lastQuestion()->title, "The report was not saved");
            EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);

            if (html)
                EXPECT_EQ (lastQuestion()->message, "The destination path is too long.");
            else
                EXPECT_EQ (lastQuestion()->message, "Could not write to " + target.getFullPathName());

            EXPECT_EQ (target.loadFileAsString(), "old");
            EXPECT_TRUE (hiddenFilesIn (target.getParentDirectory()).isEmpty());
        }

        // A cancelled chooser: nothing at all.
        const auto asked = dialogs->asked.size();
        page->saveText();
        page->saveHtml();
        EXPECT_EQ (dialogs->asked.size(), asked + 2);
        EXPECT_EQ (lastQuestion()->kind, testing::ScriptedDialogs::Kind::file);
    }

#if ! JUCE_WINDOWS
    // A disk that fills during the last bytes of a report, the final flush included, keeps
    // the report that was there.
    TEST_F (ReportSharingTest, ASaveCutShortByAFullDiskKeepsTheOldReportAndSaysSo)
    {
        for (const bool html : { false, true })
        {
            SCOPED_TRACE (html ? "html" : "text");
            const auto target = root.getChildFile (html ? "cut.html" : "cut.txt");
            ASSERT_TRUE (target.replaceWithText ("old"));
            dialogs->files.push_back (target);

            const auto document = html ? buildHtmlReport (state->lastReport, reportPageOptions()).removeCharacters ("\r")
                                       : state->lastReport.toText().removeCharacters ("\r").replace ("\n", "\r\n");

            {
                const test::FileSizeCap cap ((juce::int64) document.getNumBytesAsUTF8() - 40);

                if (html)
                    page->saveHtml();
                else
                    page->saveText();
            }

            ASSERT_NE (lastQuestion(), nullptr);
            EXPECT_EQ (lastQuestion()->title, "The report was not saved");
            EXPECT_EQ (lastQuestion()->message, html ? juce::String ("Writing failed, the disk may be full.")
                                                     : "Could not write to " + target.getFullPathName());
            EXPECT_EQ (target.loadFileAsString(), "old");
            EXPECT_TRUE (hiddenFilesIn (root).isEmpty());
        }
    }
#endif

    TEST_F (ReportSharingTest, SaveHtmlProposesTheReportsNameAndWritesThePage)
    {
        const auto target = root.getChildFile ("page.html");
        dialogs->files.push_back (target);
        const auto started = juce::Time::getCurrentTime();
        page->saveHtml();

        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "Save the report as a web page");
        EXPECT_EQ (lastQuestion()->fileRequest.start, output().getChildFile (reportFileName (state->lastReport)));
        EXPECT_EQ (lastQuestion()->fileRequest.pattern, "*.html");
        EXPECT_TRUE (lastQuestion()->fileRequest.saving);
        EXPECT_EQ (withoutDates (target.loadFileAsString(), started),
                   withoutDates (buildHtmlReport (state->lastReport, reportPageOptions()), started));

        // Without the output folder both choosers start in the documents folder.
        ASSERT_TRUE (output().deleteRecursively());
        const auto documents = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
        page->saveText();
        EXPECT_EQ (lastQuestion()->fileRequest.start, documents.getChildFile ("Velvane report.txt"));
        page->saveHtml();
        EXPECT_EQ (lastQuestion()->fileRequest.start, documents.getChildFile (reportFileName (state->lastReport)));
    }

    TEST_F (ReportSharingTest, OpenInBrowserStartsTheOpenerWithoutAShellOnAPrivateCopy)
    {
        auto cue = cueWithFiles ("Cue $(touch pwned) `touch pwned`", { "Mix.wav" });
        deliver (reportOf ({ cue }));
        const auto runtime = root.getChildFile ("runtime");
        ASSERT_TRUE (runtime.createDirectory());
        runtimeVariable.emplace ("XDG_RUNTIME_DIR", runtime.getFullPathName());
        useStandInOpener();

        page->getOpenInBrowserButton().triggerClick();
        pump();

        const auto browserPage = page->getBrowserPage();
        EXPECT_TRUE (browserPage.isAChildOf (runtime.getChildFile ("Velvane").getChildFile ("Velvane report")));
        EXPECT_TRUE (browserPage.getFileName().contains ("$(touch pwned)"));
        EXPECT_TRUE (browserPage.existsAsFile());
        EXPECT_EQ (waitForOpenerArguments(), browserPage.getFullPathName() + "\n");
        EXPECT_FALSE (juce::File::getCurrentWorkingDirectory().getChildFile ("pwned").exists());
        EXPECT_FALSE (browserPage.getParentDirectory().getChildFile ("pwned").exists());
        EXPECT_TRUE (dialogs->asked.empty());

        // The same report again replaces the same page; the page goes with the Report page.
        received().deleteFile();
        page->openInBrowser();
        EXPECT_EQ (page->getBrowserPage(), browserPage);
        EXPECT_EQ (waitForOpenerArguments(), browserPage.getFullPathName() + "\n");
        EXPECT_EQ (browserPage.getParentDirectory().getNumberOfChildFiles (juce::File::findFiles), 1);

        page.reset();
        EXPECT_FALSE (browserPage.exists());
    }

    TEST_F (ReportSharingTest, WithoutARuntimeFolderTheCopyGoesIntoTheApplicationDataFolder)
    {
        useStandInOpener();
        page->openInBrowser();
        EXPECT_TRUE (page->getBrowserPage().isAChildOf (
            home.getChildFile (".config").getChildFile ("Velvane").getChildFile ("Velvane report")));
        EXPECT_NE (page->getBrowserPage().getParentDirectory(),
                   juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("Velvane report"));
    }

    TEST_F (ReportSharingTest, WithoutAnOpenerTheBoxSaysWhereThePageIs)
    {
        const auto empty = root.getChildFile ("empty-bin");
        ASSERT_TRUE (empty.createDirectory());
        pathVariable.emplace ("PATH", empty.getFullPathName());

        page->openInBrowser();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "The report could not be opened");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lastQuestion()->message, "The page was written but the browser could not be launched.\n"
                                                + page->getBrowserPage().getFullPathName());
        EXPECT_TRUE (page->getBrowserPage().existsAsFile());
    }

    TEST_F (ReportSharingTest, AnOpenerThatStartsButFailsIsReportedWhenItEnds)
    {
        useStandInOpener (3);   // the opener's "no program for this kind of file"

        page->getOpenInBrowserButton().triggerClick();
        const auto arguments = waitForOpenerArguments();
        EXPECT_EQ (arguments, page->getBrowserPage().getFullPathName() + "\n");
        ASSERT_TRUE (pumpUntil ([this] { return lastQuestion() != nullptr; }));

        EXPECT_EQ (lastQuestion()->kind, testing::ScriptedDialogs::Kind::message);
        EXPECT_EQ (lastQuestion()->title, "The report could not be opened");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lastQuestion()->message, "The page was written but the browser could not be launched.\n"
                                                + page->getBrowserPage().getFullPathName());
        EXPECT_TRUE (page->getBrowserPage().existsAsFile());
        EXPECT_EQ (dialogs->asked.size(), 1u);
    }

    TEST_F (ReportSharingTest, TheDeliveryListGoesOnTheClipboardWithoutAWord)
    {
        page->getCopyListButton().triggerClick();
        pump();
        EXPECT_EQ (juce::SystemClipboard::getTextFromClipboard(), state->lastReport.deliveryListText());
        EXPECT_TRUE (juce::SystemClipboard::getTextFromClipboard().contains ("Drums.wav"));

        // A run that wrote nothing puts the core's empty text there, also silently.
        auto empty = completedCue ("Nothing");
        deliver (reportOf ({ empty }));
        page->getCopyListButton().triggerClick();
        pump();
        EXPECT_EQ (juce::SystemClipboard::getTextFromClipboard(), juce::String());
        EXPECT_TRUE (dialogs->asked.empty());
    }

    TEST_F (ReportSharingTest, AChooserAnswerAfterThePageWentDoesNothing)
    {
        dialogs->answerAtOnce = false;
        const auto target = root.getChildFile ("late.txt");
        dialogs->files.push_back (target);
        dialogs->files.push_back (root.getChildFile ("late.html"));
        page->saveText();
        page->saveHtml();
        ASSERT_EQ (dialogs->pendingCount(), 2);

        page.reset();
        dialogs->answerPending();
        EXPECT_FALSE (target.exists());
        EXPECT_FALSE (root.getChildFile ("late.html").exists());
    }
}
