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

        // The display's focus can reach the window well after a field inside took the
        // keyboard focus (the field's own grab asks for it). JUCE then gives the focus to the
        // window itself when nothing it remembers from the last focus loss is still there,
        // which closes an in-place editor. A window that does not take the focus itself
        // leaves it with whatever has it inside, or hands it to the main component.
        setWantsKeyboardFocus (false);
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
