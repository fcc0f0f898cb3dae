#include "core/platform/TextLocale.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace korvid::ui
{
    class MainWindow final : public juce::DocumentWindow
    {
    public:
        MainWindow()
            : juce::DocumentWindow ("Velvane",
                                    juce::Desktop::getInstance().getDefaultLookAndFeel()
                                        .findColour (juce::ResizableWindow::backgroundColourId),
                                    juce::DocumentWindow::allButtons)
        {
            setUsingNativeTitleBar (true);
            setResizable (true, false);
            setResizeLimits (1100, 720, 8000, 6000);
            centreWithSize (1360, 860);
            setVisible (true);
        }

        void closeButtonPressed() override
        {
            juce::JUCEApplication::getInstance()->systemRequestedQuit();
        }
    };

    class VelvaneApplication final : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override { return "Velvane"; }
        const juce::String getApplicationVersion() override { return "0.1.0"; }
        bool moreThanOneInstanceAllowed() override { return true; }

        void initialise (const juce::String&) override { mainWindow = std::make_unique<MainWindow>(); }
        void shutdown() override { mainWindow.reset(); }
        void systemRequestedQuit() override { quit(); }

    private:
        std::unique_ptr<MainWindow> mainWindow;
    };
}

static juce::JUCEApplicationBase* createVelvaneApplication()
{
    return new korvid::ui::VelvaneApplication();
}

int main (int argc, char* argv[])
{
    korvid::setTextLocale();
    juce::JUCEApplicationBase::createInstance = &createVelvaneApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
