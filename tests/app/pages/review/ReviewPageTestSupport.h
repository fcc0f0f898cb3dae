#pragma once

#include "app/AppState.h"
#include "app/pages/review/ReviewPage.h"
#include "core/model/BuiltInPresets.h"
#include "support/ScopedEnvironmentVariable.h"
#include "ui/PreviewTestAudio.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

namespace korvid::ui::reviewtest
{
    using Question = testing::ScriptedDialogs::Question;

    /** The real Review page over a real application state in a home folder of its own, with
        scripted dialogs and a preview engine the test drives (no device), at the window's
        usual page size. Takes are written below the test's root and imported through the
        session. */
    class ReviewPageTest : public ::testing::Test
    {
    protected:
        static constexpr int pageWidth = 1336;
        static constexpr int pageHeight = 700;

        void SetUp() override
        {
            root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                       .getChildFile ("velvane-review-test-" + juce::Uuid().toString());
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
            page = std::make_unique<ReviewPage> (*state);
            page->setSize (pageWidth, pageHeight);
        }

        /** 01 Strings (str, violin), 02 Bass (bass), 03 Drums (drum at priority 1),
            04 Brass (brass, horn). So "str_long" is confident Strings, "drum_bass" Drums to
            review, "horn_str" ambiguous and "noise" unassigned. */
        void useSchema()
        {
            auto preset = makeEmptyPreset();
            preset.schema.addStem (Stem ("Strings", "STR", 0xff3366cc, false, 0, { KeywordRule ("str"), KeywordRule ("violin") }));
            preset.schema.addStem (Stem ("Bass", "BAS", 0xff33cc66, false, 0, { KeywordRule ("bass") }));
            preset.schema.addStem (Stem ("Drums", "DRM", 0xffcc6633, false, 0, { KeywordRule ("drum", 1) }));
            preset.schema.addStem (Stem ("Brass", "BRS", 0xffcccc33, false, 0, { KeywordRule ("brass"), KeywordRule ("horn") }));
            state->session.setPreset (preset);
        }

        juce::String stemId (const juce::String& name) const
        {
            for (const auto& stem : state->session.getPreset().schema.stems)
                if (stem.displayName == name)
                    return stem.id;

            return {};
        }

        juce::File folder (const juce::String& name) const
        {
            auto dir = root.getChildFile ("audio").getChildFile (name);
            dir.createDirectory();
            return dir;
        }

        /** A float WAV: `silentSeconds` of silence, then a constant level to the end. */
        static juce::File writeTake (const juce::File& file, double seconds, double silentSeconds = 0.0,
                                     double rate = 8000.0, float level = 0.25f)
        {
            const int frames = (int) std::llround (seconds * rate);
            const int silent = (int) std::llround (silentSeconds * rate);
            const auto samples = test::makeSignal (1, frames, [=] (int, int i) { return i < silent ? 0.0f : level; });

            EXPECT_TRUE (test::writeWav (file, samples, rate)) << file.getFullPathName();
            return file;
        }

        /** Writes takes of these names into the folder, imports the folder and gives their
            track ids in the order named. A name ending in ".txt.wav" becomes a text file. */
        juce::StringArray importTakes (const juce::File& dir, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            dir.createDirectory();

            for (const auto* name : names)
            {
                const auto file = dir.getChildFile (name);

                if (file.getFileName().endsWith (".txt.wav"))
                    file.replaceWithText ("not audio");
                else
                    writeTake (file, seconds);
            }

            state->session.importFiles ({ dir.getFullPathName() }, false);
            return idsOf (dir, names);
        }

        juce::StringArray importTakes (const juce::String& folderName, std::initializer_list<const char*> names,
                                       double seconds = 1.0)
        {
            return importTakes (folder (folderName), names, seconds);
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

        juce::String cueIdOf (const juce::String& trackId) const
        {
            const auto* found = track (trackId);
            return found != nullptr ? found->cueId : juce::String();
        }

        const Track* track (const juce::String& id) const   { return state->session.findTrack (id); }

        juce::String nameOf (const juce::String& trackId) const
        {
            const auto* found = track (trackId);
            return found != nullptr ? found->file.getFileName() : juce::String ("?");
        }

        /** The file names of a group's rows, in row order. */
        juce::StringArray rowNames (const juce::String& groupStemId) const
        {
            juce::StringArray names;

            if (auto* group = page->findGroup (groupStemId))
                for (int i = 0; i < group->getNumSubItems(); ++i)
                    if (auto* row = dynamic_cast<ReviewPage::TrackNode*> (group->getSubItem (i)))
                        names.add (nameOf (row->trackId));

            return names;
        }

        /** The file names of every shown row, in tree order. */
        juce::StringArray shownNames() const
        {
            juce::StringArray names;
            auto& treeRoot = page->getRoot();

            for (int g = 0; g < treeRoot.getNumSubItems(); ++g)
                for (int r = 0; r < treeRoot.getSubItem (g)->getNumSubItems(); ++r)
                    if (auto* row = dynamic_cast<ReviewPage::TrackNode*> (treeRoot.getSubItem (g)->getSubItem (r)))
                        names.add (nameOf (row->trackId));

            return names;
        }

        /** The group headings, in tree order. */
        juce::StringArray headings() const
        {
            juce::StringArray texts;
            auto& treeRoot = page->getRoot();

            for (int g = 0; g < treeRoot.getNumSubItems(); ++g)
                if (auto* group = dynamic_cast<ReviewPage::StemNode*> (treeRoot.getSubItem (g)))
                    texts.add (group->headingText() + " | " + group->countText());

            return texts;
        }

        juce::StringArray selectedNames() const
        {
            juce::StringArray names;

            for (const auto& id : page->selectedTrackIds())
                names.add (nameOf (id));

            return names;
        }

        juce::StringArray comboTexts (juce::ComboBox& box) const
        {
            juce::StringArray texts;

            for (int i = 0; i < box.getNumItems(); ++i)
                texts.add (box.getItemText (i));

            return texts;
        }

        /** The timer's tick, as it would come within 100 ms. */
        void tick()   { page->tick(); }

        static void pump (int milliseconds = 20)
        {
            juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
        }

        /** Runs the message loop until the condition holds or the time is up. */
        static bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 20000)
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

        bool waitForEngine (int timeoutMs = 20000)
        {
            return pumpUntil ([this] { return ! state->preview.loading.load() && ! state->preview.isThreadRunning(); },
                              timeoutMs);
        }

        /** One block through the engine's audio callback, as a device would ask for it. */
        void renderBlock (int frames = 512)
        {
            juce::AudioBuffer<float> block (2, frames);
            state->preview.getNextAudioBlock (juce::AudioSourceChannelInfo (&block, 0, frames));
        }

        bool waitForOverview (const juce::File& file)
        {
            return pumpUntil ([this, file] { return state->waveforms.request (file.getFullPathName()) != nullptr; });
        }

        const Question* lastQuestion() const
        {
            return dialogs->asked.empty() ? nullptr : &dialogs->asked.back();
        }

        juce::File root;
        std::optional<test::ScopedEnvironmentVariable> homeVariable, configVariable;
        std::unique_ptr<AppState> state;
        std::unique_ptr<ReviewPage> page;
        testing::ScriptedDialogs* dialogs = nullptr;
    };
}
