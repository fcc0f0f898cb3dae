#pragma once

#include "app/AppState.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

namespace korvid::ui::dialogstest
{
    /** Sets an environment variable for the life of the object, then puts back what was there. */

    struct TracksChangedCounter final : Session::Listener
    {
        explicit TracksChangedCounter (Session& s) : session (s)   { session.addListener (this); }
        ~TracksChangedCounter() override                          { session.removeListener (this); }
        void tracksChanged() override                             { ++count; }

        Session& session;
        int count = 0;
    };

    /** An application state in a home folder of its own (so templates and presets never
        reach the user's), with scripted dialogs, no audio device and a folder for audio. */
    class DialogsTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-dialogs-test-" + juce::Uuid().toString());
            ASSERT_TRUE (root.createDirectory());

            const auto home = root.getChildFile ("home");
            ASSERT_TRUE (home.createDirectory());
            homeVariable.emplace ("HOME", home.getFullPathName());
            configVariable.emplace ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName());

            auto scripted = std::make_unique<testing::ScriptedDialogs>();
            dialogs = scripted.get();
            state = std::make_unique<AppState> (PreviewEngine::OutputMode::none, std::move (scripted));
        }

        void TearDown() override
        {
            state.reset();
            configVariable.reset();
            homeVariable.reset();
            root.deleteRecursively();
        }

        /** Writes short WAV files of that level into `folder` (made below the test's root)
            and imports them; gives the track ids in the order of the names. */
        juce::StringArray importTracks (const juce::String& folder, std::initializer_list<const char*> names,
                                        float level = 0.25f)
        {
            const auto dir = root.getChildFile ("audio").getChildFile (folder);
            dir.createDirectory();

            for (const auto* name : names)
                EXPECT_TRUE (test::writeWav (dir.getChildFile (name), test::makeConstant (1, 4800, level), 48000.0));

            state->session.importFiles ({ dir.getFullPathName() }, false);

            juce::StringArray ids;

            for (const auto* name : names)
                for (const auto& track : state->session.getTracks())
                    if (track.file == dir.getChildFile (name))
                        ids.add (track.id);

            EXPECT_EQ (ids.size(), (int) names.size());
            return ids;
        }

        const Track& track (const juce::String& id) const
        {
            const auto* found = state->session.findTrack (id);
            EXPECT_NE (found, nullptr);
            static const Track none;
            return found != nullptr ? *found : none;
        }

        const StemSchema& schema() const   { return state->session.getPreset().schema; }

        /** Makes a preset of stems with these names and file-name tokens (empty: the name) current. */
        void useStems (std::initializer_list<std::pair<juce::String, juce::String>> nameAndToken)
        {
            auto preset = makeEmptyPreset();

            for (const auto& [name, token] : nameAndToken)
            {
                Stem stem (name, {}, 0xff336699, false, 0, { KeywordRule ("zz" + name) });

                if (token.isNotEmpty())
                    stem.fileNameToken = token;

                preset.schema.addStem (stem);
            }

            state->session.setPreset (preset);
        }

        /** Fills the current schema up to `count` stems. */
        void fillSchemaTo (int count)
        {
            auto preset = state->session.getPreset();

            while ((int) preset.schema.stems.size() < count)
                preset.schema.addStem (Stem ("Filler " + juce::String ((int) preset.schema.stems.size()), {},
                                             0xff000000, false, 0));

            state->session.updatePreset (preset);
        }

        juce::File root;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
