#pragma once

#include "app/AppState.h"
#include "app/pages/preset/PresetPage.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewEngineDriving.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"
#include "ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace korvid::ui::presettest
{
    using Question = testing::ScriptedDialogs::Question;
    using Kind = testing::ScriptedDialogs::Kind;

    /** Counts the session's notifications. */
    struct SessionCounter : Session::Listener
    {
        explicit SessionCounter (Session& s) : session (s)   { session.addListener (this); }
        ~SessionCounter() override                           { session.removeListener (this); }

        void presetChanged() override       { ++presetChanges; }
        void assignmentsChanged() override  { ++assignmentChanges; }
        void tracksChanged() override       { ++trackChanges; }

        Session& session;
        int presetChanges = 0, assignmentChanges = 0, trackChanges = 0;
    };

    /** The real Preset & stems page over a real application state in a home folder of its
        own, with scripted dialogs and a preview engine the test drives (no device). */
    class PresetPageTest : public ::testing::Test
    {
    protected:
        static constexpr int pageWidth = 1336;
        static constexpr int pageHeight = 700;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-preset-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            const auto home = root.getChildFile ("home");
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

        void build (PreviewEngine::OutputMode outputMode)
        {
            page.reset();
            state.reset();

            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (outputMode, std::move (scripted));
            state->preview.prepareToPlay (512, 48000.0);
            page = std::make_unique<PresetPage> (*state);
            page->setSize (pageWidth, pageHeight);
        }

        /** Puts the page in a window of its own, so that it shows and can take the focus. */
        void showOnDesktop()
        {
            testsupport::prepareDisplayForWindows();
            page->addToDesktop (0);
            page->setVisible (true);
            pump (30);
        }

        /** A user preset of stems with these names (each found by its name in lower case),
            stored in the library and current, as a row choice would make it. */
        Preset useStoredStems (std::initializer_list<const char*> names, const juce::String& presetName = "Mine")
        {
            auto preset = makeEmptyPreset().duplicate (presetName, PresetKind::publisher);

            for (const auto* name : names)
                preset.schema.addStem (Stem (name, juce::String (name).substring (0, 3).toUpperCase(), 0xff336699, false, 0,
                                             { KeywordRule (juce::String (name).toLowerCase()) }));

            juce::String error;
            EXPECT_TRUE (state->presetStore->savePreset (preset, error)) << error;
            auto loaded = state->presetStore->loadPreset (preset.id);
            EXPECT_TRUE (loaded.ok) << loaded.validation.toText();
            state->presetId = preset.id;
            state->session.setPreset (loaded.preset);
            page->refreshLibrary();
            return loaded.preset;
        }

        juce::File folder (const juce::String& name) const
        {
            auto dir = root.getChildFile ("audio").getChildFile (name);
            dir.createDirectory();
            return dir;
        }

        static juce::File writeTake (const juce::File& file, double seconds = 1.0, double rate = 8000.0)
        {
            const int frames = (int) std::llround (seconds * rate);
            const auto samples = test::makeSignal (1, frames, [] (int, int) { return 0.25f; });
            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        /** Writes one-second takes of these names into a cue folder and imports it. */
        void importTakes (const juce::String& cueName, std::initializer_list<const char*> names)
        {
            const auto dir = folder (cueName);

            for (const auto* name : names)
                writeTake (dir.getChildFile (name));

            state->session.importFiles ({ dir.getFullPathName() }, false);
        }

        juce::String trackIdOf (const juce::String& fileName) const
        {
            for (const auto& track : state->session.getTracks())
                if (track.file.getFileName() == fileName)
                    return track.id;

            return {};
        }

        const Track* trackNamed (const juce::String& fileName) const
        {
            return state->session.findTrack (trackIdOf (fileName));
        }

        const Preset& preset() const                { return state->session.getPreset(); }
        const StemSchema& schema() const            { return preset().schema; }

        juce::String stemIdNamed (const juce::String& name) const
        {
            for (const auto& stem : schema().stems)
                if (stem.displayName == name)
                    return stem.id;

            return {};
        }

        juce::StringArray stemNames() const
        {
            juce::StringArray names;

            for (const auto& stem : schema().stems)
                names.add (stem.displayName);

            return names;
        }

        void selectStem (int row)
        {
            page->getStemList().selectRow (row, true, true);
        }

        /** Chooses the cue with this name in the cue selector, as the user would. */
        void chooseCue (const juce::String& cueName)
        {
            auto& selector = page->getCueSelector();

            for (int i = 0; i < selector.getNumItems(); ++i)
                if (selector.getItemText (i).startsWith (cueName + "  ("))
                    selector.setSelectedItemIndex (i, juce::sendNotificationSync);
        }

        static void pump (int milliseconds = 20)   { test::pumpMessages (milliseconds); }

        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
        {
            return test::pumpMessagesUntil (condition, timeoutMs);
        }

        bool waitForEngine (int timeoutMs = 20000)   { return testing::waitForPreviewEngine (state->preview, timeoutMs); }

        void renderBlock (int frames = 512)   { testing::renderPreviewBlock (state->preview, frames); }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        int questionsTitled (const juce::String& title) const
        {
            int count = 0;

            for (const auto& q : dialogs->asked)
                if (q.title == title)
                    ++count;

            return count;
        }

        juce::File root;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<PresetPage> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
