#include "app/MainTestSupport.h"

#include "app/VelvaneApplication.h"

#include <set>

namespace korvid::ui
{
namespace
{
    using maintest::pump;

    TEST (MainWindowTests, TheApplicationOpensOneCentredWindowShowingTheStepBar)
    {
        maintest::ScopedHome home;
        testsupport::ScopedPalette palette (defaultPalette());
        juce::JUCEApplicationBase::createInstance = &createVelvaneApplication;

        {
            KorvidApplication application;
            EXPECT_EQ (application.getApplicationName(), "Velvane");
            EXPECT_EQ (application.getApplicationVersion(), "0.95.0");
            EXPECT_TRUE (application.moreThanOneInstanceAllowed());

            application.initialise ({});
            pump (200);

            EXPECT_NE (dynamic_cast<AppLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);

            auto* window = application.getMainWindow();
            ASSERT_NE (window, nullptr);
            EXPECT_TRUE (window->isVisible());
            EXPECT_TRUE (window->isOnDesktop());
            EXPECT_TRUE (window->isUsingNativeTitleBar());
            EXPECT_EQ (window->getName(), "Velvane");
            EXPECT_TRUE (window->isResizable());

            auto* constrainer = window->getConstrainer();
            ASSERT_NE (constrainer, nullptr);
            EXPECT_EQ (constrainer->getMinimumWidth(), 1100);
            EXPECT_EQ (constrainer->getMinimumHeight(), 720);
            EXPECT_EQ (constrainer->getMaximumWidth(), 8000);
            EXPECT_EQ (constrainer->getMaximumHeight(), 6000);

            auto* main = window->getMainComponent();
            ASSERT_NE (main, nullptr);
            EXPECT_EQ (window->getContentComponent(), main);
            EXPECT_EQ (main->getWidth(), 1360);
            EXPECT_EQ (main->getHeight(), 860);

            const auto display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
            ASSERT_NE (display, nullptr);
            if (display->userArea.getWidth() >= 1360 && display->userArea.getHeight() >= 860)
            {
                EXPECT_LE ((window->getBounds().getCentre() - display->userArea.getCentre()).getDistanceFromOrigin(), 2);
            }

            // Smaller than the minimum is refused. The limits hold for the window as it stands
            // on the screen: where a window manager draws a frame and title bar, they count.
            window->setBoundsConstrained (window->getBounds().withSize (800, 500));
            juce::BorderSize<int> frame;

            if (const auto frameSize = window->getPeer()->getFrameSizeIfPresent())
                frame = *frameSize;

            EXPECT_GE (window->getWidth() + frame.getLeftAndRight(), 1100);
            EXPECT_GE (window->getHeight() + frame.getTopAndBottom(), 720);
            window->setBoundsConstrained (window->getBounds().withSize (1360, 860));

            const auto shot = window->createComponentSnapshot (window->getLocalBounds(), true, 1.0f);
            ASSERT_TRUE (shot.isValid());

            std::set<juce::uint32> distinct;
            for (int y = 0; y < shot.getHeight(); y += 7)
                for (int x = 0; x < shot.getWidth(); x += 7)
                    distinct.insert (shot.getPixelAt (x, y).getARGB());

            EXPECT_GT (distinct.size(), 20u) << "the window looks blank";

            // The step bar below the header: the first step is current (raised, accent bar),
            // the others lie on the panel colour.
            const auto offset = main->getStepBar().getScreenPosition() - window->getScreenPosition();
            const auto stepBar = main->getStepBar().getBounds().withPosition (offset);
            const auto& colours = defaultPalette();
            const int column = stepBar.getWidth() / 5;
            EXPECT_TRUE (testsupport::coloursNear (shot.getPixelAt (stepBar.getX() + 3, stepBar.getBottom() - 2), colours.accent));
            EXPECT_TRUE (testsupport::coloursNear (shot.getPixelAt (stepBar.getX() + 3, stepBar.getY() + 3), colours.raisedBackground));
            EXPECT_TRUE (testsupport::coloursNear (shot.getPixelAt (stepBar.getX() + column * 3 + 3, stepBar.getY() + 3), colours.panelBackground));

            // For a person to look at: VELVANE_SCREENSHOT names the file to write.
            if (const char* shotPath = std::getenv ("VELVANE_SCREENSHOT"))
            {
                juce::File shotFile (shotPath);
                shotFile.deleteFile();
                juce::FileOutputStream out (shotFile);
                EXPECT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (shot, out));
            }

            application.shutdown();
            EXPECT_EQ (application.getMainWindow(), nullptr);
            EXPECT_EQ (dynamic_cast<AppLookAndFeel*> (&juce::LookAndFeel::getDefaultLookAndFeel()), nullptr);
        }

        juce::JUCEApplicationBase::createInstance = nullptr;
    }
}
}
