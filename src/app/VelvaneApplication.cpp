#include "app/VelvaneApplication.h"

#include "app/AppState.h"

namespace korvid::ui
{
    KorvidApplication::KorvidApplication() = default;
    KorvidApplication::~KorvidApplication() = default;

    const juce::String KorvidApplication::getApplicationName()    { return AppState::applicationName; }
    const juce::String KorvidApplication::getApplicationVersion() { return "0.95.0"; }
    bool KorvidApplication::moreThanOneInstanceAllowed()          { return true; }

    void KorvidApplication::initialise (const juce::String&)
    {
        auto newLookAndFeel = std::make_unique<AppLookAndFeel>();
        juce::LookAndFeel::setDefaultLookAndFeel (newLookAndFeel.get());
        lookAndFeel = std::move (newLookAndFeel);

        auto window = std::make_unique<MainWindow>();
        window->showMainComponent (std::make_unique<MainComponent>());
        mainWindow = std::move (window);
    }

    void KorvidApplication::shutdown()
    {
        // Every component goes while its look and feel is still alive and the default.
        mainWindow.reset();
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        lookAndFeel.reset();
    }

    void KorvidApplication::systemRequestedQuit()
    {
        quit();
    }

    juce::JUCEApplicationBase* createVelvaneApplication()
    {
        return new KorvidApplication();
    }
}
