#include "app/pages/export/ExportPageTestSupport.h"
#include "ui/UiTestSupport.h"

namespace korvid::ui::exporttest
{
namespace
{
    class ExportSettingsTest : public ExportPageTest
    {
    public:
        /** A preset with the model's default export settings. */
        static Preset defaultsPreset()
        {
            Preset preset;
            preset.id = "defaults";
            preset.name = "Defaults";
            return preset;
        }

        const ExportSettings& settings() const   { return state->session.getPreset().exportSettings; }

        /** Types into a slider's value box and confirms it, as the user does. */
        static void typeInto (juce::Slider& slider, const juce::String& text)
        {
            for (auto* child : slider.getChildren())
            {
                if (auto* box = dynamic_cast<juce::Label*> (child))
                {
                    box->setText (text, juce::sendNotificationSync);
                    return;
                }
            }

            ADD_FAILURE() << "the slider has no value box";
        }

        static juce::String shownText (juce::Slider& slider)
        {
            for (auto* child : slider.getChildren())
                if (auto* box = dynamic_cast<juce::Label*> (child))
                    return box->getText();

            return {};
        }
    };

    //==============================================================================
    TEST_F (ExportSettingsTest, TheDefaultSettingsShowAsTheyAre)
    {
        state->session.setPreset (defaultsPreset());
        auto& c = body();

        EXPECT_EQ (c.gainScopeBox.getText(), "Each cue, and each alternative mix, on its own");
        EXPECT_EQ (c.measureBox.getText(), "True peak (recommended)");
        EXPECT_EQ (c.gainModeBox.getText(), "Always reach the target");
        EXPECT_EQ (c.oversamplingBox.getText(), "4x");
        EXPECT_EQ (c.projectRateBox.getText(), "48 kHz");
        EXPECT_EQ (c.indexPaddingBox.getText(), "2 digits");
        EXPECT_EQ (c.numberingBox.getText(), "Renumber the exported stems 1..N (no gaps)");
        EXPECT_EQ (c.collisionBox.getText(), "Increment the version");
        EXPECT_EQ (c.folderNameBox.getText(), "Folder name becomes the cue");
        EXPECT_EQ (c.emptyStemsBox.getText(), "Do not export empty stems");
        EXPECT_TRUE (c.mirrorFoldersToggle.getToggleState());
        EXPECT_TRUE (c.folderPerCueToggle.getToggleState());
        EXPECT_FALSE (c.folderPerCueToggle.isEnabled());
        EXPECT_FALSE (c.cleanupToggle.getToggleState());
        EXPECT_TRUE (c.cleanupToggle.isEnabled());
        EXPECT_FALSE (c.thresholdSlider.isEnabled());
        EXPECT_FALSE (c.floorLabel.isEnabled());
        EXPECT_TRUE (c.stemsFolderToggle.getToggleState());
        EXPECT_EQ (c.stemsFolderToggle.getButtonText(), "Put the stems in a STEMS folder inside each cue folder");
        EXPECT_EQ (c.fullMixNameEditor.getText(), "Full Mix");
        EXPECT_EQ (shownText (c.floorSlider), juce::String (juce::CharPointer_UTF8 ("-\xe2\x88\x9e dB")));
        EXPECT_EQ (shownText (c.fadeOutSlider), "150 ms");
        EXPECT_EQ (c.separatorChooser.choice.getText(), "underscore  _");
        EXPECT_EQ (c.stemTemplateEditor.getTemplate(), "{project}_{cue}_{stemIndex}_{stemName}");
        EXPECT_EQ (c.mixTemplateEditor.getTemplate(), "{project}_{cue}_{stemName}");
        EXPECT_FALSE (c.mixTemplateEditor.isPaletteVisible());
    }

    TEST_F (ExportSettingsTest, EachControlWritesItsField)
    {
        struct Case
        {
            const char* name;
            std::function<void (ExportPage::Content&)> change;
            std::function<bool (const ExportSettings&)> holds;
        };

        const auto select = [] (juce::ComboBox& box, int id) { box.setSelectedId (id, juce::sendNotificationSync); };
        const auto flip = [] (juce::ToggleButton& toggle) { toggle.setToggleState (! toggle.getToggleState(), juce::sendNotificationSync); };

        const Case cases[] = {
            { "one gain for the run", [&] (auto& c) { select (c.gainScopeBox, 2); },
              [] (auto& s) { return s.batch.gainMode == GainScope::sharedAcrossBatch && ! s.headroom.submixesReachTargetIndependently; } },
            { "each cue on its own", [&] (auto& c) { select (c.gainScopeBox, 1); },
              [] (auto& s) { return s.batch.gainMode == GainScope::perTrack && ! s.headroom.submixesReachTargetIndependently; } },
            { "sample peak", [&] (auto& c) { select (c.measureBox, 1); },
              [] (auto& s) { return s.headroom.peakMode == PeakMode::samplePeak; } },
            { "attenuate only", [&] (auto& c) { select (c.gainModeBox, 2); },
              [] (auto& s) { return s.headroom.gainMode == GainMode::attenuateOnly; } },
            { "8x", [&] (auto& c) { select (c.oversamplingBox, 8); },
              [] (auto& s) { return s.headroom.truePeakOversampling == 8; } },
            { "96 kHz", [&] (auto& c) { select (c.projectRateBox, 96000); },
              [] (auto& s) { return s.masterSampleRate == 96000.0; } },
            { "3 digits", [&] (auto& c) { select (c.indexPaddingBox, 3); },
              [] (auto& s) { return s.naming.indexPadding == 3; } },
            { "schema numbers", [&] (auto& c) { select (c.numberingBox, 1); },
              [] (auto& s) { return s.naming.numbering == Numbering::schemaIndex; } },
            { "stop and ask", [&] (auto& c) { select (c.collisionBox, 3); },
              [] (auto& s) { return s.naming.collisionPolicy == CollisionPolicy::abort; } },
            { "folder becomes the project", [&] (auto& c) { select (c.folderNameBox, 3); },
              [] (auto& s) { return s.batch.folderNameTarget == FolderNameTarget::project; } },
            { "empty stems as silence", [&] (auto& c) { select (c.emptyStemsBox, 2); },
              [] (auto& s) { return s.emptyStemPolicy == EmptyPolicy::exportSilence; } },
            { "re-measure", [&] (auto& c) { flip (c.remeasureToggle); },
              [] (auto& s) { return s.headroom.verifyLevelAfterGain; } },
            { "mixes first", [&] (auto& c) { flip (c.mixesFirstToggle); },
              [] (auto& s) { return s.naming.numberMixesFirst; } },
            { "no mirrored folders", [&] (auto& c) { flip (c.mirrorFoldersToggle); },
              [] (auto& s) { return ! s.batch.mirrorFolderStructure && s.batch.folderPerCue; } },
            { "cleanup on", [&] (auto& c) { flip (c.cleanupToggle); },
              [] (auto& s) { return s.silenceGate.enabled; } },
            { "unassigned allowed", [&] (auto& c) { flip (c.refuseUnassignedToggle); },
              [] (auto& s) { return ! s.requireDecisionOnUnassigned; } },
            { "no full mix", [&] (auto& c) { flip (c.exportFullMixToggle); },
              [] (auto& s) { return ! s.exportFullMix; } },
            { "no alternative mixes", [&] (auto& c) { flip (c.exportAlternativeMixesToggle); },
              [] (auto& s) { return ! s.exportSubmixes; } },
            { "no stems folder", [&] (auto& c) { flip (c.stemsFolderToggle); },
              [] (auto& s) { return s.stemsSubFolder.isEmpty(); } },
            { "full mix name", [] (auto& c)
              {
                  c.fullMixNameEditor.setText ("  Mix Master ", false);
                  c.fullMixNameEditor.onReturnKey();
              },
              [] (auto& s) { return s.fullMixName == "Mix Master"; } },
            { "a blank name keeps the old one", [] (auto& c)
              {
                  c.fullMixNameEditor.setText ("   ", false);
                  c.fullMixNameEditor.onFocusLost();
              },
              [] (auto& s) { return s.fullMixName == "Full Mix"; } },
            { "a typed fade", [] (auto& c) { typeInto (c.fadeInSlider, "40"); },
              [] (auto& s) { return std::abs (s.silenceGate.fadeInSeconds - 0.04) < 1e-12; } },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            state->session.setPreset (defaultsPreset());
            c.change (body());
            EXPECT_TRUE (c.holds (settings()));
        }

        // Dependent controls follow at once.
        state->session.setPreset (defaultsPreset());
        flip (body().cleanupToggle);
        EXPECT_TRUE (body().thresholdSlider.isEnabled());
        EXPECT_TRUE (body().fadeInLabel.isEnabled());
        flip (body().mirrorFoldersToggle);
        EXPECT_TRUE (body().folderPerCueToggle.isEnabled());

        // The stems folder comes back as STEMS, whatever it was called before.
        auto named = defaultsPreset();
        named.exportSettings.stemsSubFolder = "Stems";
        state->session.setPreset (named);
        EXPECT_EQ (body().stemsFolderToggle.getButtonText(), "Put the stems in a Stems folder inside each cue folder");
        flip (body().stemsFolderToggle);
        EXPECT_EQ (settings().stemsSubFolder, "");
        flip (body().stemsFolderToggle);
        EXPECT_EQ (settings().stemsSubFolder, "STEMS");
    }

    TEST_F (ExportSettingsTest, ValuesNoControlCanShowSurviveOtherEdits)
    {
        auto odd = defaultsPreset();
        auto& s = odd.exportSettings;
        s.naming.indexPadding = 5;
        s.headroom.truePeakOversampling = 3;
        s.headroom.targetDb = -120.0;
        s.silenceGate.fadeInSeconds = 10.0;
        s.silenceGate.minimumSeconds = 20.0;
        s.silenceGate.floorDb = -200.0;
        s.silenceGate.thresholdDb = -150.0;
        s.masterSampleRate = 32000.0;
        s.batch.gainMode = GainScope::sharedAcrossBatch;
        s.headroom.submixesReachTargetIndependently = true;
        state->session.setPreset (odd);

        auto& c = body();
        EXPECT_EQ (c.indexPaddingBox.getSelectedId(), 0);
        EXPECT_EQ (c.oversamplingBox.getSelectedId(), 0);
        EXPECT_EQ (c.projectRateBox.getSelectedId(), 0);
        EXPECT_EQ (c.targetSlider.getValue(), -24.0);
        EXPECT_EQ (shownText (c.floorSlider), juce::String (juce::CharPointer_UTF8 ("-\xe2\x88\x9e dB")));

        c.remeasureToggle.setToggleState (true, juce::sendNotificationSync);
        EXPECT_TRUE (settings().headroom.verifyLevelAfterGain);

        // Everything else as it was; the format rows always write both rows.
        auto expected = odd.exportSettings;
        expected.headroom.verifyLevelAfterGain = true;
        expected.formats = settings().formats;
        EXPECT_EQ (settings().formats.front().codec, odd.exportSettings.formats.front().codec);
        EXPECT_TRUE (settings() == expected);
        EXPECT_EQ (settings().naming.indexPadding, 5);
        EXPECT_EQ (settings().headroom.truePeakOversampling, 3);
        EXPECT_EQ (settings().silenceGate.floorDb, -200.0);
        EXPECT_TRUE (settings().headroom.submixesReachTargetIndependently);

        // Once the user moves a control, its own value is written.
        typeInto (c.targetSlider, "-10");
        EXPECT_EQ (settings().headroom.targetDb, -10.0);
        EXPECT_EQ (settings().naming.indexPadding, 5);
    }

    TEST_F (ExportSettingsTest, TheCleanupSlidersLookUsableOnlyWhileTheCleanupIsOn)
    {
        testsupport::ScopedPalette palette (testsupport::distinctPalette());
        testsupport::ScopedAppLookAndFeel look;
        makePage();
        auto& c = body();

        // The thumb of a usable slider is drawn in the accent colour.
        const auto showsAccent = [] (juce::Slider& slider)
        {
            const auto image = slider.createComponentSnapshot (slider.getLocalBounds());

            for (int y = 0; y < image.getHeight(); ++y)
                for (int x = 0; x < image.getWidth(); ++x)
                    if (testsupport::coloursNear (image.getPixelAt (x, y), colours::accent, 12))
                        return true;

            return false;
        };

        for (const bool on : { false, true })
        {
            SCOPED_TRACE (on ? "cleanup on" : "cleanup off");
            c.cleanupToggle.setToggleState (on, juce::sendNotificationSync);

            for (juce::Slider* slider : { (juce::Slider*) &c.thresholdSlider, (juce::Slider*) &c.minimumSlider,
                                          (juce::Slider*) &c.fadeOutSlider, (juce::Slider*) &c.fadeInSlider,
                                          (juce::Slider*) &c.floorSlider })
                EXPECT_EQ (showsAccent (*slider), on);
        }

        page.reset();
    }

    TEST_F (ExportSettingsTest, SliderBoxesTakeEitherDecimalMarkAndNothingElse)
    {
        state->session.setPreset (defaultsPreset());
        auto& c = body();

        struct Case
        {
            const char* typed;
            double target;   // the preset's target level afterwards
        };

        const Case targets[] = {
            { "-6,5", -6.5 }, { "-7.5 dB", -7.5 }, { "abc", -7.5 }, { "nan", -7.5 }, { "-inf", -7.5 }, { "1.2.3", -7.5 },
            { "-30", -24.0 }, { "", -24.0 }, { "4", 0.0 },
        };

        for (const auto& t : targets)
        {
            SCOPED_TRACE (t.typed);
            typeInto (c.targetSlider, t.typed);
            EXPECT_EQ (settings().headroom.targetDb, t.target);
            EXPECT_TRUE (std::isfinite (settings().headroom.targetDb));
        }

        c.cleanupToggle.setToggleState (true, juce::sendNotificationSync);
        const Case floors[] = {
            { "-50", -50.0 }, { "nan", -50.0 }, { "abc", -50.0 }, { "-inf", -400.0 }, { "-40,0 dB", -40.0 },
            { "\xe2\x88\x9e", -400.0 }, { "-79", -79.0 }, { "-90", -400.0 },
        };

        for (const auto& f : floors)
        {
            SCOPED_TRACE (f.typed);
            typeInto (c.floorSlider, juce::String (juce::CharPointer_UTF8 (f.typed)));
            EXPECT_EQ (settings().silenceGate.floorDb, f.target);
        }

        double value = 0.0;

        for (const auto* refused : { "1 5", ",", "-", "1e3", "0x10", "+-1", "1,2,3", "inf" })
            EXPECT_FALSE (parseDecimalNumber (refused, value)) << refused;

        EXPECT_TRUE (parseDecimalNumber (" ,5 ", value));
        EXPECT_EQ (value, 0.5);
        EXPECT_TRUE (parseDecimalNumber ("+2.", value));
        EXPECT_EQ (value, 2.0);
    }

    TEST_F (ExportSettingsTest, ADragCommitsOnceAtItsRelease)
    {
        state->session.setPreset (defaultsPreset());
        auto& slider = body().targetSlider;
        int edits = 0;

        struct Counter : Session::Listener
        {
            explicit Counter (int& n) : count (n) {}
            void presetChanged() override { ++count; }
            int& count;
        } counter (edits);

        state->session.addListener (&counter);
        slider.onDragStart();
        slider.setValue (-4.0, juce::sendNotificationSync);
        slider.setValue (-5.0, juce::sendNotificationSync);
        slider.setValue (-6.0, juce::sendNotificationSync);
        EXPECT_EQ (edits, 0);
        slider.onDragEnd();
        EXPECT_EQ (edits, 1);
        EXPECT_EQ (settings().headroom.targetDb, -6.0);
        state->session.removeListener (&counter);
    }

    //==============================================================================
    TEST_F (ExportSettingsTest, TheSeparatorIsChosenTypedOrRefused)
    {
        state->session.setPreset (defaultsPreset());
        auto& chooser = body().separatorChooser;

        chooser.choice.setSelectedId (2, juce::sendNotificationSync);   // hyphen
        EXPECT_EQ (settings().naming.separator, "-");
        EXPECT_EQ (settings().naming.stemTemplate, "{project}-{cue}-{stemIndex}-{stemName}");
        EXPECT_EQ (settings().naming.mixTemplate, "{project}-{cue}-{stemName}");

        // "custom..." changes nothing until the text is confirmed.
        chooser.choice.setSelectedId (SeparatorChooser::customId, juce::sendNotificationSync);
        EXPECT_TRUE (chooser.customText.isVisible());
        EXPECT_EQ (chooser.customText.getText(), "-");
        EXPECT_EQ (settings().naming.separator, "-");

        chooser.customText.setText ("__", false);
        chooser.customText.onReturnKey();
        EXPECT_EQ (settings().naming.separator, "__");
        EXPECT_EQ (settings().naming.stemTemplate, "{project}__{cue}__{stemIndex}__{stemName}");

        for (const auto* refused : { "x", "_1_", "{", "~}", "\t" })
        {
            SCOPED_TRACE (refused);
            dialogs->asked.clear();
            chooser.customText.setText (refused, false);
            chooser.customText.onFocusLost();
            ASSERT_EQ (dialogs->asked.size(), 1u);
            EXPECT_EQ (dialogs->asked[0].title, "That separator cannot be used");
            EXPECT_EQ (dialogs->asked[0].message, "A separator cannot hold letters, digits, braces or control characters.");
            EXPECT_EQ (chooser.customText.getText(), "__");
            EXPECT_EQ (settings().naming.separator, "__");
        }

        // Shown from presets: a fixed choice where one fits, else the typed text.
        const std::pair<const char*, const char*> shown[] = {
            { " - ", "spaced hyphen  -  " }, { "", "none" }, { ".", "dot  ." }, { "__", "custom..." },
        };

        for (const auto& [separator, text] : shown)
        {
            chooser.setSeparator (separator);
            EXPECT_EQ (chooser.choice.getText(), juce::String (text));
            EXPECT_EQ (chooser.customText.isVisible(), juce::String (text) == "custom...");
        }
    }

    TEST_F (ExportSettingsTest, AStemTemplateWithoutTheStemNameStopsTheRuns)
    {
        state->session.setPreset (presetWithStems ({ "Strings", "Brass" }));
        importCue ("1M01", { "Strings.wav", "Brass.wav" });
        useOutputFolder();
        ASSERT_TRUE (waitForPlan());
        EXPECT_FALSE (body().issueList.getText().contains ("ERROR"));

        auto& editor = body().stemTemplateEditor;
        editor.setTemplate ("{project}_{cue}_{stemIndex}_{stemName}");

        while (! editor.getPieces().empty() && editor.getPieces().back().text == "{stemName}")
            editor.removePiece ((int) editor.getPieces().size() - 1);

        EXPECT_EQ (settings().naming.stemTemplate, "{project}_{cue}_{stemIndex}");
        EXPECT_TRUE (pumpUntil ([this] { return body().issueList.getText().contains ("ERROR    "); }))
            << body().issueList.getText();

        page->runAnalysis();
        ASSERT_TRUE (waitForRunStart());
        EXPECT_FALSE (page->isAnalysing());
        EXPECT_TRUE (body().statusText.text.startsWith ("Cannot analyse:"));
    }

    TEST_F (ExportSettingsTest, TemplatesAreSplitAtThePresetsOwnSeparator)
    {
        auto tilde = defaultsPreset();
        tilde.exportSettings.naming.separator = "~~";
        tilde.exportSettings.naming.stemTemplate = "{project}~~{cue}~~{stemName}";
        state->session.setPreset (tilde);

        const auto& pieces = body().stemTemplateEditor.getPieces();
        ASSERT_EQ (pieces.size(), 3u);

        for (const auto& piece : pieces)
            EXPECT_TRUE (piece.isToken);

        // Another edit leaves the templates as they are.
        body().remeasureToggle.setToggleState (true, juce::sendNotificationSync);
        EXPECT_EQ (settings().naming.stemTemplate, "{project}~~{cue}~~{stemName}");
    }
}
}
