#include "app/MainTestSupport.h"

#include "app/ManualLookup.h"

namespace korvid::ui
{
namespace
{
    using maintest::MainComponentTest;

    TEST (ManualLookupTests, TakesTheNearestFolderAndTheFirstNameThatIsAFile)
    {
        maintest::ScopedHome home;
        const auto root = home.folder.getChildFile ("install");
        const auto a = root.getChildFile ("a"), b = a.getChildFile ("b"), c = b.getChildFile ("c");
        ASSERT_TRUE (c.createDirectory());

        auto put = [] (const juce::File& file) { file.getParentDirectory().createDirectory(); return file.replaceWithText ("<html></html>"); };
        ASSERT_TRUE (put (a.getChildFile ("docs/manual/index.html")));
        ASSERT_TRUE (put (b.getChildFile ("Resources/manual/index.html")));
        ASSERT_TRUE (put (b.getChildFile ("docs/manual/index.html")));
        ASSERT_TRUE (c.getChildFile ("manual/index.html").createDirectory());   // a folder, not a file

        EXPECT_EQ (findLocalManual (c), b.getChildFile ("Resources/manual/index.html"));
        EXPECT_EQ (findLocalManual (a), a.getChildFile ("docs/manual/index.html"));
        ASSERT_TRUE (put (b.getChildFile ("manual/index.html")));
        EXPECT_EQ (findLocalManual (c), b.getChildFile ("manual/index.html"));
        EXPECT_EQ (findLocalManual (root), juce::File());
        EXPECT_EQ (findLocalManual (juce::File()), juce::File());
    }

   #if JUCE_LINUX || JUCE_BSD
    /** Runs with PATH holding only a folder of the test's own, with or without a stand-in
        opener that writes down what it was asked to open. */
    class OpenerTest : public MainComponentTest
    {
    protected:
        void SetUp() override
        {
            MainComponentTest::SetUp();
            bin = home->folder.getChildFile ("bin");
            ASSERT_TRUE (bin.createDirectory());
            received = home->folder.getChildFile ("received.txt");

            if (const char* old = std::getenv ("PATH"))
                savedPath = old;

            setenv ("PATH", bin.getFullPathName().toRawUTF8(), 1);
        }

        void TearDown() override
        {
            setenv ("PATH", savedPath.toRawUTF8(), 1);
            MainComponentTest::TearDown();
        }

        void installOpener()
        {
            const auto opener = bin.getChildFile ("xdg-open");
            ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received.getFullPathName() + ".part'\n"
                                                 "/bin/mv '" + received.getFullPathName() + ".part' '" + received.getFullPathName() + "'\n",
                                                 false, false, "\n"));
            ASSERT_TRUE (opener.setExecutePermission (true));
        }

        juce::String waitForArguments()
        {
            for (int i = 0; i < 500 && ! received.existsAsFile(); ++i)
                juce::Thread::sleep (10);

            return received.loadFileAsString().trim();
        }

        juce::File bin, received;
        juce::String savedPath;
    };

    TEST_F (OpenerTest, AnOpenerThatCannotStartIsReportedNotPassedOver)
    {
        auto& main = build();

        main.openManual();
        ASSERT_EQ (dialogs->asked.size(), 1u);
        EXPECT_EQ (dialogs->asked[0].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (dialogs->asked[0].title, "The manual was not opened");
        EXPECT_TRUE (dialogs->asked[0].message.contains ("https://osmerine.example/manual"));

        auto& mark = main.getCompanyMark();
        mark.mouseUp (testsupport::mouseEventAt (mark, 2, 2));
        ASSERT_EQ (dialogs->asked.size(), 2u);
        EXPECT_EQ (dialogs->asked[1].title, "The web site was not opened");
        EXPECT_EQ (mark.getTooltip(), "Osmerine - https://osmerine.example");

        installOpener();
        main.openManual();
        EXPECT_EQ (waitForArguments(), "https://osmerine.example/manual");
        EXPECT_EQ (dialogs->asked.size(), 2u);
    }
   #endif
}
}
