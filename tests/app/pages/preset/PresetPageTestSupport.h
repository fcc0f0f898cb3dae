#pragma once

#include "app/PageTestSupport.h"
#include "app/pages/preset/PresetPage.h"
#include "core/model/BuiltInPresets.h"
#include "ui/UiTestSupport.h"

#include <initializer_list>

namespace korvid::ui::presettest
{
    using pagetest::Question;
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

    /** The real Preset & stems page; see PageTest. */
    class PresetPageTest : public pagetest::PageTest<PresetPage>
    {
    protected:
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

        int questionsTitled (const juce::String& title) const
        {
            int count = 0;

            for (const auto& q : dialogs->asked)
                if (q.title == title)
                    ++count;

            return count;
        }
    };
}
