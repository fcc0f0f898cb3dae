#pragma once

#include "app/MainComponent.h"
#include "ui/ScriptedDialogs.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace korvid::ui::maintest
{
    /** Points HOME and XDG_CONFIG_HOME at a fresh folder for the life of the object, so the
        settings, presets and templates of one test reach neither another test nor the
        user's own; puts the old values back and deletes the folder afterwards. */
    class ScopedHome
    {
    public:
        ScopedHome()
            : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                          .getChildFile ("velvane-main-test-" + juce::Uuid().toString()))
        {
            folder.createDirectory();
            remember ("HOME", home);
            remember ("XDG_CONFIG_HOME", config);
            setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
            setenv ("XDG_CONFIG_HOME", folder.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
        }

        ~ScopedHome()
        {
            restore ("HOME", home);
            restore ("XDG_CONFIG_HOME", config);
            folder.deleteRecursively();
        }

        juce::File folder;

    private:
        static void remember (const char* name, std::optional<std::string>& slot)
        {
            if (const char* value = std::getenv (name))
                slot = value;
        }

        static void restore (const char* name, const std::optional<std::string>& slot)
        {
            if (slot)
                setenv (name, slot->c_str(), 1);
            else
                unsetenv (name);
        }

        std::optional<std::string> home, config;
    };

    inline void pump (int milliseconds = 50)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
    }

    /** A main component without an audio device whose dialogs answer from a script. The
        home folder is replaced before anything is built. */
    class MainComponentTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            home = std::make_unique<ScopedHome>();
        }

        void TearDown() override
        {
            main.reset();
            home.reset();
        }

        MainComponent& build()
        {
            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            main = std::make_unique<MainComponent> (PreviewEngine::OutputMode::none, std::move (scripted));
            return *main;
        }

        /** The settings file as it is on disk now, read without the application state. */
        static std::unique_ptr<juce::PropertiesFile> settingsOnDisk()
        {
            auto options = AppState::settingsOptionsFor ("Velvane");
            options.doNotSave = true;
            return std::make_unique<juce::PropertiesFile> (AppState::settingsFileFor ("Velvane"), options);
        }

        /** Writes settings before the main component is built. */
        static void writeSettings (std::initializer_list<std::pair<const char*, const char*>> values)
        {
            juce::PropertiesFile file (AppState::settingsFileFor ("Velvane"), AppState::settingsOptionsFor ("Velvane"));

            for (const auto& [key, value] : values)
                file.setValue (key, value);

            ASSERT_TRUE (file.save());
        }

        const testing::ScriptedDialogs::Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        std::unique_ptr<ScopedHome> home;
        std::unique_ptr<MainComponent> main;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
