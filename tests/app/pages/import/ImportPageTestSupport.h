#pragma once

#include "app/AppState.h"
#include "app/pages/import/ImportPage.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewEngineDriving.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

namespace korvid::ui::importtest
{
    using Question = testing::ScriptedDialogs::Question;

    /** The real Import page over a real application state in a home folder of its own, with
        scripted dialogs and a preview engine the test drives (no device), at the window's
        usual page size. Audio is written into a folder below the test's root. */
    class ImportPageTest : public ::testing::Test
    {
    protected:
        static constexpr int pageWidth = 1336;
        static constexpr int pageHeight = 700;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-import-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            const auto home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());

            build (PreviewEngine::OutputMode::drivenByCaller);
        }

        void TearDown() override
        {
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
            page = std::make_unique<ImportPage> (*state);
            page->setSize (pageWidth, pageHeight);
        }

        juce::File folder (const juce::String& name) const
        {
            auto dir = root.getChildFile ("audio").getChildFile (name);
            dir.createDirectory();
            return dir;
        }

        /** A float WAV: `seconds` of silence, then a constant level to the end. */
        static juce::File writeTake (const juce::File& file, double seconds, double silentSeconds = 0.0,
                                     double rate = 8000.0, int channels = 1, float level = 0.25f)
        {
            const int frames = (int) std::llround (seconds * rate);
            const int silent = (int) std::llround (silentSeconds * rate);
            const auto samples = test::makeSignal (channels, frames, [=] (int, int i)
            {
                return i < silent ? 0.0f : level;
            });

            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        /** Writes one-second takes of these names into the folder and imports it. */
        juce::StringArray importTakes (const juce::String& folderName, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            const auto dir = folder (folderName);

            for (const auto* name : names)
                writeTake (dir.getChildFile (name), seconds);

            page->importPaths ({ dir });
            return idsOf (dir, names);
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

        /** The listed file names, in row order. */
        juce::StringArray listedNames() const
        {
            juce::StringArray names;

            for (const auto& id : page->getRows())
                if (const auto* found = track (id))
                    names.add (found->file.getFileName());

            return names;
        }

        /** Makes a preset of stems with these names current (each matched by "zz" + name). */
        void useStems (std::initializer_list<const char*> names)
        {
            auto preset = makeEmptyPreset();

            for (const auto* name : names)
                preset.schema.addStem (Stem (name, {}, 0xff336699, false, 0, { KeywordRule (juce::String ("zz") + name) }));

            state->session.setPreset (preset);
        }

        static void pump (int milliseconds = 20)   { test::pumpMessages (milliseconds); }

        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
        {
            return test::pumpMessagesUntil (condition, timeoutMs);
        }

        bool waitForEngine (int timeoutMs = 20000)   { return testing::waitForPreviewEngine (state->preview, timeoutMs); }

        void renderBlock (int frames = 512)   { testing::renderPreviewBlock (state->preview, frames); }

        bool waitForOverview (const juce::File& file)
        {
            return pumpUntil ([this, file] { return state->waveforms.request (file.getFullPathName()) != nullptr; });
        }

        bool waitForSpectrogram()
        {
            return pumpUntil ([this] { return ! page->getSpectrogramView().isAnalysing(); });
        }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        juce::File root;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<ImportPage> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
