#include "app/pages/preset/PresetPageTestSupport.h"

#include <iostream>

namespace korvid::ui::presettest
{
    namespace
    {
        template <typename Work>
        double averageMs (int repeats, Work&& work)
        {
            const auto start = juce::Time::getMillisecondCounterHiRes();

            for (int i = 0; i < repeats; ++i)
                work (i);

            return (juce::Time::getMillisecondCounterHiRes() - start) / repeats;
        }

        void report (const char* what, double ms)
        {
            std::cout << "[ timing   ] " << what << ": " << juce::String (ms, 3) << " ms" << std::endl;
            ::testing::Test::RecordProperty (what, juce::String (ms, 3).toStdString());
        }
    }

    // The page's work at the limits: 2048 one-track cues, 256 stems, 10 alternative mixes.
    // It reports its times and asserts none: they depend on the machine.
    TEST_F (PresetPageTest, WorkAtTheLimitsIsTimed)
    {
        auto stored = makeEmptyPreset().duplicate ("Large", PresetKind::publisher);

        for (int i = 0; i < 256; ++i)
            stored.schema.addStem (Stem ("Stem " + juce::String (i + 1), "S" + juce::String (i + 1), autoStemColour (i), false, 0,
                                         { KeywordRule ("word" + juce::String (i + 1)) }));

        for (int i = 0; i < 10; ++i)
            stored.schema.addSubmix ("Mix " + juce::String (i + 1));

        juce::String error;
        ASSERT_TRUE (state->presetStore->savePreset (stored, error)) << error;
        state->presetId = stored.id;
        state->session.setPreset (state->presetStore->loadPreset (stored.id).preset);

        const auto cues = root.getChildFile ("cues");
        for (int i = 0; i < Session::maxTracks; ++i)
        {
            const auto cue = cues.getChildFile ("Cue " + juce::String (i));
            ASSERT_TRUE (cue.createDirectory());
            writeTake (cue.getChildFile ("word" + juce::String (i % 256 + 1) + ".wav"), 0.01);
        }

        state->session.importFiles ({ cues.getFullPathName() }, true);
        ASSERT_EQ ((int) state->session.getTracks().size(), Session::maxTracks);
        ASSERT_EQ ((int) state->session.getCues().size(), Session::maxTracks);

        page->refreshEditors();
        page->refreshLibrary();
        selectStem (0);

        report ("cue selector rebuilt", averageMs (5, [&] (int) { page->refreshCueSelector(); }));
        chooseCue ("Cue 7");
        ASSERT_FALSE (page->getCueIdForTicks().isEmpty());

        report ("modified check", averageMs (20, [&] (int) { juce::ignoreUnused (state->isPresetModified()); }));

        // A colour drag: every step applies the preset and asks whether it is modified.
        showOnDesktop();
        page->showStemColourChooser();
        auto* open = page->getOpenColourSelector();
        ASSERT_NE (open, nullptr);
        report ("colour step", averageMs (20, [&] (int i)
        {
            open->setCurrentColour (juce::Colour ((juce::uint8) i, 80, 160), juce::dontSendNotification);
            page->changeListenerCallback (open);
        }));
        EXPECT_EQ (schema().stems[0].colour, juce::Colour ((juce::uint8) 19, 80, 160).getARGB());

        auto& list = page->getStemList();
        report ("stem list painted", averageMs (5, [&] (int) { juce::ignoreUnused (list.createComponentSnapshot (list.getLocalBounds())); }));
        report ("mix heading painted", averageMs (5, [&] (int)
        {
            juce::ignoreUnused (page->getMixHeading().createComponentSnapshot (page->getMixHeading().getLocalBounds()));
        }));

        page->getNameEditor().setText ("Renamed", false);
        report ("stem commit", averageMs (1, [&] (int) { page->commitStemEditor(); }));

        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        pump (50);
    }
}
