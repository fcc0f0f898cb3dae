#include "app/VelvaneApplication.h"

namespace korvid::ui
{
    namespace
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
    }

    VelvaneApplication::VelvaneApplication() = default;
    VelvaneApplication::~VelvaneApplication() = default;

    const juce::String VelvaneApplication::getApplicationName() { return "Velvane"; }
    const juce::String VelvaneApplication::getApplicationVersion() { return "0.95.0"; }
    bool VelvaneApplication::moreThanOneInstanceAllowed() { return true; }

    void VelvaneApplication::initialise (const juce::String&) { mainWindow = std::make_unique<MainWindow>(); }
    void VelvaneApplication::shutdown() { mainWindow.reset(); }
    void VelvaneApplication::systemRequestedQuit() { quit(); }
    void VelvaneApplication::anotherInstanceStarted (const juce::String&) {}

    juce::JUCEApplicationBase* createVelvaneApplication()
    {
        return new VelvaneApplication();
    }
}
