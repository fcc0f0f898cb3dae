#pragma once

#include "app/AppState.h"
#include "support/MessageLoop.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewEngineDriving.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace korvid::ui::pagetest
{
    using Question = testing::ScriptedDialogs::Question;

    /** A real page over a real application state in a home folder of its own (so presets,
        templates and settings never reach the user's), with scripted dialogs and a preview
        engine the test drives (no device), at the window's usual page size. Audio is written
        into a folder below the test's root. */
    template <typename PageType>
    class PageTest : public ::testing::Test
    {
    public:
        static constexpr int pageWidth = 1336;
        static constexpr int pageHeight = 700;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-page-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());

            build (PreviewEngine::OutputMode::drivenByCaller);
        }

        void TearDown() override
        {
            if (page != nullptr && page->isOnDesktop())
                page->removeFromDesktop();

            page.reset();
            state.reset();
            configVariable.reset();
            homeVariable.reset();
            root.deleteRecursively();
        }

        /** Builds the state and the page anew, with the engine's output as given. */
        void build (PreviewEngine::OutputMode outputMode)
        {
            page.reset();
            state.reset();

            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (outputMode, std::move (scripted));
            state->preview.prepareToPlay (512, 48000.0);
            makePage();
        }

        /** A new page over the same state. */
        void makePage()
        {
            page.reset();
            page = std::make_unique<PageType> (*state);
            const auto size = sizeOfPage();
            page->setSize (size.x, size.y);
        }

        /** The size pages are built at; a fixture may choose the main window's exact page area. */
        virtual juce::Point<int> sizeOfPage() const   { return { pageWidth, pageHeight }; }

        juce::File folder (const juce::String& name) const
        {
            auto dir = root.getChildFile ("audio").getChildFile (name);
            dir.createDirectory();
            return dir;
        }

        /** A float WAV: `silentSeconds` of silence, then a constant level to the end. */
        static juce::File writeTake (const juce::File& file, double seconds = 1.0, double silentSeconds = 0.0,
                                     double rate = 8000.0, int channels = 1, float level = 0.25f)
        {
            const int frames = (int) std::llround (seconds * rate);
            const int silent = (int) std::llround (silentSeconds * rate);
            const auto samples = test::makeSignal (channels, frames, [=] (int, int i) { return i < silent ? 0.0f : level; });

            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        juce::StringArray idsOf (const juce::File& dir, std::initializer_list<const char*> names) const
        {
            juce::StringArray ids;

            for (const auto* name : names)
                ids.add (idOf (dir.getChildFile (name)));

            return ids;
        }

        juce::String idOf (const juce::File& file) const
        {
            for (const auto& track : state->session.getTracks())
                if (track.file == file)
                    return track.id;

            return {};
        }

        const Track* track (const juce::String& id) const   { return state->session.findTrack (id); }

        static void pump (int milliseconds = 20)   { test::pumpMessages (milliseconds); }

        /** Runs the message loop until the condition holds or the time is up. */
        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
        {
            return test::pumpMessagesUntil (condition, timeoutMs);
        }

        bool waitForEngine (int timeoutMs = testing::previewEngineWaitMs)   { return testing::waitForPreviewEngine (state->preview, timeoutMs); }
        void renderBlock (int frames = 512)           { testing::renderPreviewBlock (state->preview, frames); }

        bool waitForOverview (const juce::File& file)
        {
            return pumpUntil ([this, file] { return state->waveforms.request (file.getFullPathName()) != nullptr; });
        }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        juce::File root, home;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<PageType> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
