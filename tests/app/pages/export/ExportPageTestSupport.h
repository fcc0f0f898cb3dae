#pragma once

#include "app/AppState.h"
#include "app/pages/export/CueResultList.h"
#include "app/pages/export/ExportContent.h"
#include "app/pages/export/ExportFormatRow.h"
#include "app/pages/export/ExportPage.h"
#include "app/pages/export/ExportRenderBar.h"
#include "app/pages/export/GatedTrackList.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/Palette.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace korvid::ui::exporttest
{
    using Question = testing::ScriptedDialogs::Question;
    using QuestionKind = testing::ScriptedDialogs::Kind;

    /** The real export page over a real application state in a home folder of its own,
        with scripted dialogs and a preview engine without a device, at the size the main
        window gives a page. Audio is written into a folder below the test's root. */
    class ExportPageTest : public ::testing::Test
    {
    public:
        static constexpr int pageWidth = 1360;
        static constexpr int pageHeight = 712;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-export-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            const auto home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());

            // Cleaned auditions go into the runtime folder: one of the test's own.
            const auto runtime = root.getChildFile ("runtime");
            ASSERT_TRUE (runtime.createDirectory());
            runtimeVariable.emplace ("XDG_RUNTIME_DIR", runtime.getFullPathName());

            build();
        }

        void TearDown() override
        {
            page.reset();
            state.reset();
            runtimeVariable.reset();
            configVariable.reset();
            homeVariable.reset();
            root.deleteRecursively();
        }

        /** Builds the state and the page anew. */
        void build (PreviewEngine::OutputMode outputMode = PreviewEngine::OutputMode::drivenByCaller)
        {
            page.reset();
            state.reset();

            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (outputMode, std::move (scripted));
            state->preview.prepareToPlay (512, 48000.0);
            buildPage();
        }

        void buildPage()
        {
            page = std::make_unique<ExportPage> (*state);
            page->setSize (pageWidth, pageHeight);
        }

        ExportPage::RenderBar& bar()          { return page->getRenderBar(); }
        ExportPage::Content& body()           { return page->getContent(); }
        ExportPage::FormatRow& row (int i)    { return *body().formatRows[i]; }
        juce::String statusLine()             { return bar().phaseBar.text; }

        juce::File folder (const juce::String& name) const
        {
            auto dir = root.getChildFile ("audio").getChildFile (name);
            dir.createDirectory();
            return dir;
        }

        /** A float WAV: `silentSeconds` of silence, then a constant level to the end. */
        static juce::File writeTake (const juce::File& file, double seconds, double silentSeconds = 0.0,
                                     int channels = 1, double rate = 8000.0, float level = 0.25f)
        {
            const int frames = (int) std::llround (seconds * rate);
            const int silent = (int) std::llround (silentSeconds * rate);
            const auto samples = test::makeSignal (channels, frames, [=] (int, int i) { return i < silent ? 0.0f : level; });
            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        /** Writes takes of these names into a cue folder and imports it. */
        juce::File importCue (const juce::String& cueName, std::initializer_list<const char*> names, double seconds = 0.5,
                              int channels = 1)
        {
            const auto dir = folder (cueName);

            for (const auto* name : names)
                writeTake (dir.getChildFile (name), seconds, 0.0, channels);

            state->session.importFiles ({ dir.getFullPathName() }, false);
            return dir;
        }

        /** A preset of stems that each match the file-name word of their lower-cased name. */
        static Preset presetWithStems (std::initializer_list<const char*> names)
        {
            auto preset = makeEmptyPreset();
            preset.id = "test-preset";
            preset.name = "Test preset";
            preset.isBuiltIn = false;

            for (const auto* name : names)
                preset.schema.addStem (Stem (name, {}, 0xff336699, false, 0,
                                             { KeywordRule (juce::String (name).toLowerCase()) }));

            return preset;
        }

        void useStems (std::initializer_list<const char*> names)
        {
            state->session.setPreset (presetWithStems (names));
        }

        /** The export folder below the test's root, made current. */
        juce::File useOutputFolder (const juce::String& name = "Out")
        {
            const auto out = root.getChildFile (name);
            EXPECT_TRUE (out.createDirectory());
            state->setOutputFolder (out);
            return out;
        }

        static void pump (int milliseconds = 20)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        }

        /** Runs the message loop until the condition holds or the time is up. */
        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 30000)
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);

            while (! condition())
            {
                if (std::chrono::steady_clock::now() > deadline)
                    return false;

                pump (5);
            }

            return true;
        }

        /** Until neither run is under way on the page and no job thread runs. */
        bool waitForRunEnd (int timeoutMs = 30000)
        {
            return pumpUntil ([this] { return ! page->isExporting() && ! page->isAnalysing() && ! page->isRendering(); },
                              timeoutMs);
        }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        juce::File root;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable, runtimeVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<ExportPage> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
