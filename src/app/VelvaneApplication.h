#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    /** The application object: owns the main window for the life of the process. */
    class VelvaneApplication final : public juce::JUCEApplication
    {
    public:
        VelvaneApplication();
        ~VelvaneApplication() override;

        const juce::String getApplicationName() override;
        const juce::String getApplicationVersion() override;
        bool moreThanOneInstanceAllowed() override;

        void initialise (const juce::String& commandLine) override;
        void shutdown() override;
        void systemRequestedQuit() override;
        void anotherInstanceStarted (const juce::String& commandLine) override;

    private:
        std::unique_ptr<juce::DocumentWindow> mainWindow;
    };

    /** The factory the platform entry point installs. */
    juce::JUCEApplicationBase* createVelvaneApplication();
}
