#pragma once

#include "app/MainWindow.h"
#include "ui/LookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace korvid::ui
{
    /** The application object: owns the look and feel and the main window. */
    class KorvidApplication final : public juce::JUCEApplication
    {
    public:
        KorvidApplication();
        ~KorvidApplication() override;

        const juce::String getApplicationName() override;
        const juce::String getApplicationVersion() override;
        bool moreThanOneInstanceAllowed() override;

        /** Builds the look and feel, then the window with the main component. The command
            line is ignored. */
        void initialise (const juce::String& commandLine) override;

        /** Deletes the window (and with it everything it owns) while the look and feel is
            still the default, then the look and feel. */
        void shutdown() override;

        /** Quits at once: a request from the system is not questioned. */
        void systemRequestedQuit() override;

        MainWindow* getMainWindow() const noexcept { return mainWindow.get(); }

    private:
        std::unique_ptr<AppLookAndFeel> lookAndFeel;
        std::unique_ptr<MainWindow> mainWindow;
    };

    /** The factory the platform entry point installs. */
    juce::JUCEApplicationBase* createVelvaneApplication();
}
