#include "app/MainWindow.h"

#include "app/AppState.h"
#include "ui/Palette.h"

namespace korvid::ui
{
    namespace
    {
        void quitApplication()
        {
            if (auto* application = juce::JUCEApplication::getInstance())
                application->systemRequestedQuit();
        }
    }

    MainWindow::MainWindow()
        : juce::DocumentWindow (AppState::applicationName, colours::windowBackground, juce::DocumentWindow::allButtons, true)
    {
        setUsingNativeTitleBar (true);
        setResizable (true, false);
        setResizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
    }

    MainWindow::~MainWindow()
    {
        content = nullptr;
    }

    void MainWindow::showMainComponent (std::unique_ptr<MainComponent> component)
    {
        content = component.get();
        setContentOwned (component.release(), true);
        centreWithSize (getWidth(), getHeight());
        setVisible (true);
    }

    void MainWindow::closeButtonPressed()
    {
        if (auto* mainComponent = content.getComponent())
            mainComponent->requestClose ([] { quitApplication(); });
        else
            quitApplication();
    }
}
