#include "app/pages/preset/PresetPageTestSupport.h"

#include "core/render/RenderPlanning.h"

namespace korvid::ui::presettest
{
    class PresetMixAuditionTest : public PresetPageTest
    {
    protected:
        /** Stems Bass, Drums and Keys, one cue "Intro" with a bass and a drums take, one cue
            "Outro" with three bass takes. */
        void prepareCues()
        {
            useStoredStems ({ "Bass", "Drums", "Keys" });
            importTakes ("Intro", { "bass a.wav", "drums a.wav" });
            importTakes ("Outro", { "bass b.wav", "bass c.wav", "bass d.wav" });
            page->refreshEditors();
        }

        juce::String addMix (const juce::String& name)
        {
            dialogs->texts = { name };
            page->addSubmix();
            return schema().submixes.back().id;
        }
    };

    TEST_F (PresetMixAuditionTest, AddingRenamingAndRemovingMixes)
    {
        useStoredStems ({ "Bass", "Drums" });
        addMix ("Instrumental");
        EXPECT_EQ (dialogs->asked[0].title, "New alternative mix");
        EXPECT_EQ (dialogs->asked[0].initialText, "Instrumental");
        addMix ("Instrumental");
        ASSERT_EQ (schema().submixes.size(), 2u);
        EXPECT_EQ (schema().submixes[1].name, "Instrumental 2");
        EXPECT_EQ (schema().submixes[1].stems.size(), 2);
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);

        for (int i = 2; i < 10; ++i)
            addMix ("Mix " + juce::String (i));
        const auto asked = dialogs->asked.size();
        page->addSubmix();
        EXPECT_EQ (dialogs->asked.size(), asked + 1);
        EXPECT_EQ (lastQuestion()->title, "That is as many as you can have");
        EXPECT_EQ (lastQuestion()->icon, juce::MessageBoxIconType::InfoIcon);
        EXPECT_EQ (lastQuestion()->message,
                   "A schema can define up to 10 alternative mixes. Each one is a whole extra render of the project.");
        EXPECT_EQ (schema().submixes.size(), 10u);

        // Rename: two fields; an empty code is allowed, an empty name changes nothing.
        const auto id = schema().submixes[0].id;
        dialogs->fieldTexts = { juce::StringArray { " No Drums ", " " }, juce::StringArray { "  ", "X" } };
        page->renameSubmix (id);
        EXPECT_EQ (lastQuestion()->kind, Kind::fields);
        EXPECT_EQ (lastQuestion()->fields[1].label, "Short code (optional)");
        EXPECT_EQ (schema().submixes[0].name, "No Drums");
        EXPECT_TRUE (schema().submixes[0].shortCode.isEmpty());
        page->renameSubmix (id);
        EXPECT_EQ (schema().submixes[0].name, "No Drums");

        // The heading: a click on the cross asks; a double-click there does not rename.
        page->setSize (2400, 700);
        auto& heading = page->getMixHeading();
        const auto layout = page->layoutStemRow (heading.getLocalBounds(), 10, page->getMixScrollOffset(), false,
                                                 page->getMixColumnWidth());
        const int crossX = layout.mixColumns[0].getRight() - 8;
        EXPECT_EQ (page->mixCrossAt (crossX), 0);
        heading.mouseDoubleClick (testsupport::mouseEventAt (heading, crossX, 10));
        EXPECT_EQ (lastQuestion()->kind, Kind::fields);   // still the rename from before
        heading.mouseDown (testsupport::mouseEventAt (heading, crossX, 10));
        EXPECT_EQ (lastQuestion()->title, "Remove this alternative mix?");
        EXPECT_EQ (lastQuestion()->message, "\"No Drums\" will no longer be written. The stems themselves are not affected.");
        EXPECT_EQ (schema().submixes.size(), 10u);

        dialogs->confirmations = { true };
        page->removeSubmix (id);
        EXPECT_EQ (schema().findSubmix (id), nullptr);
    }

    TEST_F (PresetMixAuditionTest, ACueTickMakesAnExceptionForThatCueOnly)
    {
        prepareCues();
        const auto mixId = addMix ("Instrumental");
        page->saveSelectedPreset();
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        const auto bassId = stemIdNamed ("Bass");
        const auto introId = trackNamed ("bass a.wav")->cueId;
        ASSERT_EQ (trackNamed ("bass a.wav")->stemId, bassId);

        chooseCue ("Intro");
        EXPECT_EQ (page->getCueIdForTicks(), introId);
        page->toggleSubmixMember (0, 0);

        const auto* mix = schema().findSubmix (mixId);
        EXPECT_TRUE (mix->stems.contains (bassId));   // the preset is untouched
        EXPECT_FALSE (state->session.findCue (introId)->stemsForSubmix (*mix).contains (bassId));
        EXPECT_FALSE (page->isSubmixMember (*mix, schema().stems[0]));
        EXPECT_TRUE (page->getStatusLabel().getText().isEmpty());

        page->getCueSelector().setSelectedId (1, juce::sendNotificationSync);
        EXPECT_TRUE (page->getCueIdForTicks().isEmpty());
        EXPECT_TRUE (page->isSubmixMember (*mix, schema().stems[0]));

        // With "All cues" the same click edits the preset.
        page->toggleSubmixMember (1, 0);
        EXPECT_FALSE (schema().findSubmix (mixId)->stems.contains (stemIdNamed ("Drums")));
        EXPECT_EQ (page->getStatusLabel().getText(), PresetPage::unsavedText);

        // The cue's exception still names Bass after Bass is deleted: the plan passes it over.
        selectStem (0);
        dialogs->confirmations = { true };
        page->deleteStem();
        EXPECT_EQ (schema().findStem (bassId), nullptr);
        EXPECT_TRUE (state->session.findCue (introId)->submixOverrides.count (mixId) > 0);
        const auto plan = buildRenderRequests (preset(), state->session.getTracks(), state->session.getCues(), root, true);
        for (const auto& error : plan.issues.errors)
            EXPECT_FALSE (error.contains ("not in the schema")) << error;
    }

    TEST_F (PresetMixAuditionTest, CueItemsCountStemsAndAVanishedCueFallsBackToAllCues)
    {
        prepareCues();
        auto& selector = page->getCueSelector();
        ASSERT_EQ (selector.getNumItems(), 3);
        EXPECT_TRUE (selector.isEnabled());
        EXPECT_EQ (selector.getItemText (0), "All cues");
        EXPECT_EQ (selector.getItemText (1), "Intro  (2)");
        EXPECT_EQ (selector.getItemText (2), "Outro  (1)");

        chooseCue ("Outro");
        juce::StringArray outroIds;
        for (const auto* name : { "bass b.wav", "bass c.wav", "bass d.wav" })
            outroIds.add (trackIdOf (name));
        state->session.removeTracks (outroIds);
        EXPECT_TRUE (page->getCueIdForTicks().isEmpty());
        EXPECT_EQ (selector.getSelectedId(), 1);
        EXPECT_EQ (selector.getNumItems(), 2);

        state->session.clear();
        EXPECT_FALSE (selector.isEnabled());
    }

    TEST_F (PresetMixAuditionTest, TheSameKeyStopsAndAnotherCueStops)
    {
        prepareCues();
        const auto bassId = stemIdNamed ("Bass");

        // With "All cues" nothing plays.
        selectStem (0);
        page->toggleAudition();
        EXPECT_TRUE (page->stemAuditionFiles (bassId).isEmpty());
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());

        chooseCue ("Outro");
        EXPECT_EQ (page->stemAuditionFiles (bassId).size(), 3);
        EXPECT_TRUE (page->stemHasTracksInCue (bassId));
        EXPECT_FALSE (page->stemHasTracksInCue (stemIdNamed ("Drums")));

        page->toggleAudition();
        ASSERT_TRUE (waitForEngine());
        EXPECT_EQ (state->preview.getCurrentKey(), "presetstem:" + page->getCueIdForTicks() + ":" + bassId);
        EXPECT_TRUE (page->isAuditioning());
        EXPECT_TRUE (page->isAuditionRepainting());
        page->updateAuditionView();
        EXPECT_TRUE (page->getAuditionStrip().isVisible());
        EXPECT_TRUE (page->getAuditionStrip().holdsOverview());

        // The same stem again stops it.
        page->auditionStem (bassId);
        EXPECT_FALSE (page->isAuditioning());
        page->updateAuditionView();
        EXPECT_FALSE (page->getAuditionStrip().isVisible());

        // A mix plays the files of its ticked stems; changing the cue stops it.
        const auto mixId = addMix ("Everything");
        page->auditionMix (*schema().findSubmix (mixId));
        ASSERT_TRUE (waitForEngine());
        EXPECT_TRUE (state->preview.getCurrentKey().startsWith ("presetmix:"));
        chooseCue ("Intro");
        EXPECT_FALSE (page->isAuditioning());
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());

        // A stem without tracks in the cue plays nothing.
        page->auditionStem (stemIdNamed ("Keys"));
        EXPECT_TRUE (state->preview.getCurrentKey().isEmpty());

        // The fade-out ends in the audio callback; the tick after that stops the repainter.
        EXPECT_TRUE (pumpUntil ([this] { renderBlock(); return ! page->isAuditionRepainting(); }, 3000));
    }

    TEST_F (PresetMixAuditionTest, WithoutADeviceEveryAuditionSaysSo)
    {
        build (PreviewEngine::OutputMode::none);
        prepareCues();
        chooseCue ("Intro");
        selectStem (0);
        page->toggleAudition();
        ASSERT_NE (lastQuestion(), nullptr);
        EXPECT_EQ (lastQuestion()->title, "No audio output");
        EXPECT_TRUE (lastQuestion()->message.startsWith ("Velvane could not open an audio device, so auditioning is unavailable.\n\n"));
        EXPECT_FALSE (page->isAuditionRepainting());
    }
}
