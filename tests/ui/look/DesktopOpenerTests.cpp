#include "ui/DesktopOpener.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#if JUCE_LINUX || JUCE_BSD

namespace korvid::ui
{
namespace
{
    /** A stand-in opener first on PATH that writes its arguments to a file. */
    class DesktopOpenerAppTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                         .getChildFile ("velvane-opener-test-" + juce::Uuid().toString());
            ASSERT_TRUE (folder.createDirectory());
            bin = folder.getChildFile ("bin");
            ASSERT_TRUE (bin.createDirectory());
            received = folder.getChildFile ("received.txt");

            const auto opener = bin.getChildFile ("xdg-open");
            ASSERT_TRUE (opener.replaceWithText ("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + received.getFullPathName() + ".part'\n"
                                                 "mv '" + received.getFullPathName() + ".part' '" + received.getFullPathName() + "'\n",
                                                 false, false, "\n"));
            ASSERT_TRUE (opener.setExecutePermission (true));

            if (const char* old = std::getenv ("PATH"))
                savedPath = old;
        }

        void TearDown() override
        {
            setenv ("PATH", savedPath.toRawUTF8(), 1);
            folder.deleteRecursively();
        }

        void usePath (const juce::String& path) { setenv ("PATH", path.toRawUTF8(), 1); }

        juce::String waitForArguments()
        {
            for (int i = 0; i < 500 && ! received.existsAsFile(); ++i)
                juce::Thread::sleep (10);

            return received.loadFileAsString();
        }

        juce::File folder, bin, received;
        juce::String savedPath;
    };

    TEST_F (DesktopOpenerAppTest, OpensFoldersDocumentsAndWebPagesAndSaysWhenItCannot)
    {
        usePath (bin.getFullPathName() + ":/usr/bin:/bin");

        const auto cueFolder = folder.getChildFile ("Cue $(touch pwned); 'x'");
        ASSERT_TRUE (cueFolder.createDirectory());
        const auto manual = cueFolder.getChildFile ("index.html");
        ASSERT_TRUE (manual.replaceWithText ("<html></html>"));

        struct Case { const char* name; std::function<bool()> open; juce::String expected; };
        const Case cases[] = {
            { "folder", [&] { return openDocumentOrFolder (cueFolder); }, cueFolder.getFullPathName() },
            { "document", [&] { return openDocumentOrFolder (manual); }, manual.getFullPathName() },
            { "web page", [] { return openWebAddress (juce::URL ("https://osmerine.example/manual")); }, "https://osmerine.example/manual" },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            received.deleteFile();
            ASSERT_TRUE (c.open());
            EXPECT_EQ (waitForArguments(), c.expected + "\n");
        }

        EXPECT_FALSE (folder.getChildFile ("pwned").exists());

        // Refused before anything is started.
        received.deleteFile();
        EXPECT_FALSE (openDocumentOrFolder (folder.getChildFile ("missing.html")));
        EXPECT_FALSE (openDocumentOrFolder (juce::File()));
        EXPECT_FALSE (openWebAddress (juce::URL ("file:///etc/passwd")));
        EXPECT_FALSE (openWebAddress (juce::URL ("javascript:alert(1)")));
        juce::Thread::sleep (100);
        EXPECT_FALSE (received.exists());

        // No opener on the machine: a failure, not a silent success.
        usePath (folder.getChildFile ("empty").getFullPathName());
        EXPECT_FALSE (openDocumentOrFolder (manual));
        EXPECT_FALSE (openWebAddress (juce::URL ("https://osmerine.example/manual")));
    }
}
}

#endif
