#include "app/MainTestSupport.h"

#include "app/SettingsDialog.h"
#include "ui/PaletteText.h"
#include "ui/UiScale.h"

namespace korvid::ui
{
namespace
{
    using maintest::MainComponentTest;
    using maintest::pump;

    TEST (SettingsDialogTests, OffersTheNearestSizeAndLaysTheRowsOutInTwoColumns)
    {
        struct Case { int percent, expected; };
        const Case cases[] = { { 85, 80 }, { 95, 90 }, { 105, 100 }, { 130, 120 }, { 100, 100 }, { 50, 80 }, { 116, 120 } };

        for (const auto& c : cases)
        {
            SettingsDialog dialog (c.percent, false, {});
            EXPECT_EQ (dialog.scaleBox.getSelectedId(), c.expected) << c.percent;
            EXPECT_EQ (dialog.scaleBox.getText(), juce::String (c.expected) + "%");
        }

        SettingsDialog dialog (100, false, {});
        ASSERT_EQ (dialog.getWidth(), 860);
        ASSERT_EQ (dialog.getHeight(), 450);
        ASSERT_EQ (dialog.rows.size(), (size_t) paletteRoleCount);

        EXPECT_EQ (dialog.scaleLabel.getBounds(), juce::Rectangle<int> (12, 12, 130, 30));
        EXPECT_EQ (dialog.scaleBox.getBounds(), juce::Rectangle<int> (142, 12, 140, 30));
        EXPECT_EQ (dialog.viewport.getBounds(), juce::Rectangle<int> (12, 54, 836, 342));
        EXPECT_EQ (dialog.resetButton.getBounds(), juce::Rectangle<int> (12, 408, 200, 30));
        EXPECT_EQ (dialog.rowHolder.getHeight(), 330);

        const int holderWidth = dialog.rowHolder.getWidth();
        EXPECT_EQ (holderWidth, 836 - dialog.viewport.getScrollBarThickness());
        const int columnWidth = (holderWidth - 24) / 2;
        EXPECT_EQ (dialog.rows[10]->getBounds(), juce::Rectangle<int> (0, 300, columnWidth, 30));
        EXPECT_EQ (dialog.rows[11]->getBounds(), juce::Rectangle<int> (columnWidth + 24, 0, columnWidth, 30));
        EXPECT_EQ (dialog.rows[20]->getBounds(), juce::Rectangle<int> (columnWidth + 24, 270, columnWidth, 30));

        // In Default mode the rows cannot be used and the reset does nothing.
        EXPECT_FALSE (dialog.viewport.isEnabled());
        EXPECT_FLOAT_EQ (dialog.viewport.getAlpha(), 0.4f);
        EXPECT_FALSE (dialog.resetButton.isEnabled());
    }

    /** The settings dialog the main component opened, found on the desktop. */
    SettingsDialog* findOpenSettingsDialog (juce::DialogWindow*& window)
    {
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
        {
            if (auto* dialogWindow = dynamic_cast<juce::DialogWindow*> (desktop.getComponent (i)))
            {
                if (dialogWindow->getName() == "Velvane settings")
                {
                    window = dialogWindow;
                    return dynamic_cast<SettingsDialog*> (dialogWindow->getContentComponent());
                }
            }
        }

        return nullptr;
    }

    juce::ColourSelector* findOpenColourSelector()
    {
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* box = dynamic_cast<juce::CallOutBox*> (desktop.getComponent (i)))
                for (auto* child : box->getChildren())
                    if (auto* selector = dynamic_cast<juce::ColourSelector*> (child))
                        return selector;

        return nullptr;
    }

    class SettingsDialogFromMain : public MainComponentTest
    {
    protected:
        void TearDown() override
        {
            juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
            pump();
            applyUiScale (100);
            MainComponentTest::TearDown();
        }

        testsupport::ScopedPalette palette { defaultPalette() };
    };

    TEST_F (SettingsDialogFromMain, SizeAndColoursAreAppliedAndSavedAtOnce)
    {
        writeSettings ({ { "uiScalePercent", "95" } });
        auto& main = build();

        main.showSettingsDialog();
        pump();
        juce::DialogWindow* window = nullptr;
        auto* dialog = findOpenSettingsDialog (window);
        ASSERT_NE (dialog, nullptr);
        EXPECT_EQ (dialog->scaleBox.getSelectedId(), 90);
        EXPECT_EQ (dialog->colourModeBox.getText(), "Default");

        // Choosing a size stores and applies it at once.
        dialog->scaleBox.setSelectedId (110, juce::sendNotificationSync);
        EXPECT_EQ (settingsOnDisk()->getIntValue ("uiScalePercent"), 110);
        EXPECT_FLOAT_EQ (juce::Desktop::getInstance().getGlobalScaleFactor(), 1.1f);

        // Custom with nothing stored applies the default palette and opens the rows.
        dialog->colourModeBox.setSelectedId (2, juce::sendNotificationSync);
        EXPECT_TRUE (settingsOnDisk()->getBoolValue ("useCustomPalette"));
        EXPECT_TRUE (dialog->viewport.isEnabled());
        EXPECT_FLOAT_EQ (dialog->viewport.getAlpha(), 1.0f);
        EXPECT_TRUE (dialog->resetButton.isEnabled());
        EXPECT_EQ (getCurrentPalette().accent, defaultPalette().accent);

        // The window's focus arrives from the display later; a call-out box opened before it
        // would take that arrival for a click elsewhere and close.
        for (int attempt = 0; attempt < 40 && ! (window->getPeer() != nullptr && window->getPeer()->isFocused()); ++attempt)
            pump (50);

        pump (100);

        // Editing the accent row recolours at once and saves the palette.
        auto* accentRow = dialog->rows[10].get();
        ASSERT_EQ (juce::String (accentRow->entry.key), "accent");
        accentRow->mouseUp (testsupport::mouseEventAt (*accentRow, 5, 5));

        // The call-out box opens asynchronously; a busy machine can take a while.
        juce::ColourSelector* selector = nullptr;

        for (int attempt = 0; attempt < 250 && selector == nullptr; ++attempt)
        {
            pump (20);
            selector = findOpenColourSelector();
        }

        ASSERT_NE (selector, nullptr);
        EXPECT_EQ (selector->getCurrentColour(), defaultPalette().accent);
        selector->setCurrentColour (juce::Colour (0xff123456));
        pump();
        EXPECT_EQ (getCurrentPalette().accent, juce::Colour (0xff123456));
        EXPECT_TRUE (settingsOnDisk()->getValue ("customPalette").contains ("accent:ff123456"));

        // Default again: the default palette, with the custom text kept for next time.
        dialog->colourModeBox.setSelectedId (1, juce::sendNotificationSync);
        EXPECT_EQ (getCurrentPalette().accent, defaultPalette().accent);
        EXPECT_FALSE (settingsOnDisk()->getBoolValue ("useCustomPalette"));
        EXPECT_TRUE (settingsOnDisk()->getValue ("customPalette").contains ("accent:ff123456"));

        // Back to Custom brings the stored colours; the reset stores the default text.
        dialog->colourModeBox.setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (getCurrentPalette().accent, juce::Colour (0xff123456));
        dialog->resetButton.triggerClick();
        pump();
        EXPECT_EQ (getCurrentPalette().accent, defaultPalette().accent);
        EXPECT_EQ (settingsOnDisk()->getValue ("customPalette"), paletteToText (defaultPalette()));

        // Escape closes the window; what was applied stays.
        EXPECT_TRUE (static_cast<juce::Component*> (window)->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)));
        pump();
        EXPECT_EQ (findOpenSettingsDialog (window), nullptr);
        EXPECT_EQ (settingsOnDisk()->getIntValue ("uiScalePercent"), 110);
    }

    TEST_F (SettingsDialogFromMain, TheStoredCustomPaletteAndSizeApplyAtStartUp)
    {
        writeSettings ({ { "useCustomPalette", "1" }, { "customPalette", "accent:ff102030 bogus" }, { "uiScalePercent", "200" } });
        build();
        EXPECT_EQ (getCurrentPalette().accent, juce::Colour (0xff102030));
        EXPECT_EQ (getCurrentPalette().outline, defaultPalette().outline);
        EXPECT_FLOAT_EQ (juce::Desktop::getInstance().getGlobalScaleFactor(), 1.2f);
    }
}
}
