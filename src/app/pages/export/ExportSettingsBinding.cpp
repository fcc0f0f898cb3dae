#include "app/pages/export/ExportPage.h"

#include "app/AppState.h"
#include "app/pages/export/ExportContent.h"

namespace korvid::ui
{
    namespace
    {
        constexpr double silentFloorDb = -400.0;

        template <typename Enum>
        Enum fromId (int id, int last)
        {
            return static_cast<Enum> (juce::jlimit (0, last, id - 1));
        }
    }

    void ExportPage::wireSettingsControls()
    {
        auto& c = *content;

        for (auto* box : { &c.folderNameBox, &c.gainScopeBox, &c.measureBox, &c.gainModeBox, &c.oversamplingBox,
                           &c.projectRateBox, &c.indexPaddingBox, &c.numberingBox, &c.collisionBox, &c.emptyStemsBox })
            box->onChange = [this, box] { commitFrom (*box); };

        for (auto* toggle : { &c.mirrorFoldersToggle, &c.folderPerCueToggle, &c.remeasureToggle, &c.mixesFirstToggle,
                              &c.cleanupToggle, &c.refuseUnassignedToggle, &c.exportFullMixToggle,
                              &c.exportAlternativeMixesToggle, &c.stemsFolderToggle })
            toggle->onClick = [this, toggle] { commitFrom (*toggle); };

        // A drag commits once, at its release; a value typed into the box commits at once.
        for (juce::Slider* slider : { (juce::Slider*) &c.targetSlider, (juce::Slider*) &c.thresholdSlider,
                                      (juce::Slider*) &c.minimumSlider, (juce::Slider*) &c.fadeOutSlider,
                                      (juce::Slider*) &c.fadeInSlider, (juce::Slider*) &c.floorSlider })
        {
            slider->onDragStart = [this] { sliderDragging = true; };
            slider->onValueChange = [this, slider]
            {
                if (! sliderDragging)
                    commitFrom (*slider);
            };
            slider->onDragEnd = [this, slider]
            {
                sliderDragging = false;
                commitFrom (*slider);
            };
        }

        c.fullMixNameEditor.onFocusLost = [this] { commitFrom (content->fullMixNameEditor); };
        c.fullMixNameEditor.onReturnKey = [this]
        {
            commitFrom (content->fullMixNameEditor);
            content->fullMixNameEditor.giveAwayKeyboardFocus();
        };

        for (auto* editor : { &c.stemTemplateEditor, &c.mixTemplateEditor })
        {
            editor->setDialogs (appState.dialogs.get());
            editor->onTemplateChanged = [this, editor]
            {
                commitFrom (*editor);
                resized();
            };
            editor->onWordAdded = [this] (juce::String word) { addVocabularyWord (word); };
            editor->onWordForgotten = [this] (juce::String word) { forgetVocabularyWord (word); };
        }

        c.separatorChooser.setDialogs (appState.dialogs.get());
        c.separatorChooser.onChange = [this] (const juce::String&) { commitFrom (content->separatorChooser); };
    }

    void ExportPage::commitFrom (juce::Component& control)
    {
        touchedControls.insert (&control);
        commitSettings();
    }

    bool ExportPage::wasTouched (const juce::Component& control) const
    {
        return touchedControls.count (&control) > 0;
    }

    void ExportPage::showSettings()
    {
        auto& c = *content;
        const auto& s = appState.session.getPreset().exportSettings;
        const auto quiet = juce::dontSendNotification;

        // Until the user changes a control, its field is written back as the preset has it,
        // also a value the control cannot show.
        touchedControls.clear();

        c.targetSlider.setValue (s.headroom.targetDb, quiet);
        c.measureBox.setSelectedId (s.headroom.peakMode == PeakMode::truePeak ? 2 : 1, quiet);
        c.gainModeBox.setSelectedId (s.headroom.gainMode == GainMode::attenuateOnly ? 2 : 1, quiet);
        c.oversamplingBox.setSelectedId (s.headroom.truePeakOversampling, quiet);
        c.remeasureToggle.setToggleState (s.headroom.verifyLevelAfterGain, quiet);
        c.gainScopeBox.setSelectedId (s.batch.gainMode == GainScope::sharedAcrossBatch ? 2
                                      : s.headroom.submixesReachTargetIndependently ? 3 : 1, quiet);
        c.projectRateBox.setSelectedId (juce::roundToInt (s.masterSampleRate), quiet);

        // The separator first, so that the templates are split at it.
        c.separatorChooser.setSeparator (s.naming.separator);
        c.stemTemplateEditor.setSeparator (s.naming.separator);
        c.mixTemplateEditor.setSeparator (s.naming.separator);
        c.stemTemplateEditor.setTemplate (s.naming.stemTemplate);
        c.mixTemplateEditor.setTemplate (s.naming.mixTemplate);

        c.indexPaddingBox.setSelectedId (s.naming.indexPadding, quiet);
        c.numberingBox.setSelectedId (s.naming.numbering == Numbering::consecutiveExported ? 2 : 1, quiet);
        c.mixesFirstToggle.setToggleState (s.naming.numberMixesFirst, quiet);
        c.collisionBox.setSelectedId ((int) s.naming.collisionPolicy + 1, quiet);
        c.folderNameBox.setSelectedId ((int) s.batch.folderNameTarget + 1, quiet);
        c.mirrorFoldersToggle.setToggleState (s.batch.mirrorFolderStructure, quiet);
        c.folderPerCueToggle.setToggleState (s.batch.folderPerCue, quiet);
        c.emptyStemsBox.setSelectedId ((int) s.emptyStemPolicy + 1, quiet);

        const auto& gate = s.silenceGate;
        c.cleanupToggle.setToggleState (gate.enabled, quiet);
        c.thresholdSlider.setValue (gate.thresholdDb, quiet);
        c.minimumSlider.setValue (gate.minimumSeconds, quiet);
        c.fadeOutSlider.setValue (gate.fadeOutSeconds * 1000.0, quiet);
        c.fadeInSlider.setValue (gate.fadeInSeconds * 1000.0, quiet);
        c.floorSlider.setValue (gate.floorDb <= silentFloorDb ? c.floorSlider.getMinimum() : gate.floorDb, quiet);

        c.refuseUnassignedToggle.setToggleState (s.requireDecisionOnUnassigned, quiet);
        c.exportFullMixToggle.setToggleState (s.exportFullMix, quiet);
        c.exportAlternativeMixesToggle.setToggleState (s.exportSubmixes, quiet);
        c.fullMixNameEditor.setText (s.fullMixName, false);
        c.stemsFolderToggle.setToggleState (s.stemsSubFolder.isNotEmpty(), quiet);
    }

    void ExportPage::commitSettings()
    {
        auto& c = *content;
        auto edited = appState.session.getPreset();
        auto& s = edited.exportSettings;
        const auto touched = [this] (const juce::Component& control) { return wasTouched (control); };

        auto& gate = s.silenceGate;

        if (touched (c.targetSlider))      s.headroom.targetDb = c.targetSlider.getValue();
        if (touched (c.cleanupToggle))     gate.enabled = c.cleanupToggle.getToggleState();
        if (touched (c.thresholdSlider))   gate.thresholdDb = c.thresholdSlider.getValue();
        if (touched (c.minimumSlider))     gate.minimumSeconds = c.minimumSlider.getValue();
        if (touched (c.fadeOutSlider))     gate.fadeOutSeconds = c.fadeOutSlider.getValue() / 1000.0;
        if (touched (c.fadeInSlider))      gate.fadeInSeconds = c.fadeInSlider.getValue() / 1000.0;

        if (touched (c.floorSlider))
            gate.floorDb = c.floorSlider.getValue() <= c.floorSlider.getMinimum() ? silentFloorDb : c.floorSlider.getValue();

        if (touched (c.measureBox))
            s.headroom.peakMode = c.measureBox.getSelectedId() == 2 ? PeakMode::truePeak : PeakMode::samplePeak;

        if (touched (c.gainModeBox))
            s.headroom.gainMode = c.gainModeBox.getSelectedId() == 2 ? GainMode::attenuateOnly : GainMode::alwaysReachTarget;

        if (touched (c.oversamplingBox))   s.headroom.truePeakOversampling = juce::jlimit (2, 8, c.oversamplingBox.getSelectedId());
        if (touched (c.remeasureToggle))   s.headroom.verifyLevelAfterGain = c.remeasureToggle.getToggleState();
        if (touched (c.mixesFirstToggle))  s.naming.numberMixesFirst = c.mixesFirstToggle.getToggleState();

        if (touched (c.projectRateBox) && c.projectRateBox.getSelectedId() > 0)
            s.masterSampleRate = (double) c.projectRateBox.getSelectedId();

        if (touched (c.stemTemplateEditor))   s.naming.stemTemplate = c.stemTemplateEditor.getTemplate();
        if (touched (c.mixTemplateEditor))    s.naming.mixTemplate = c.mixTemplateEditor.getTemplate();

        if (touched (c.separatorChooser))
        {
            // A new separator rewrites both templates with it in the same commit.
            s.naming.separator = c.separatorChooser.getSeparator();
            c.stemTemplateEditor.setSeparator (s.naming.separator);
            c.mixTemplateEditor.setSeparator (s.naming.separator);
            s.naming.stemTemplate = c.stemTemplateEditor.getTemplate();
            s.naming.mixTemplate = c.mixTemplateEditor.getTemplate();
        }

        if (touched (c.indexPaddingBox))  s.naming.indexPadding = juce::jmax (1, c.indexPaddingBox.getSelectedId());

        if (touched (c.numberingBox))
            s.naming.numbering = c.numberingBox.getSelectedId() == 2 ? Numbering::consecutiveExported : Numbering::schemaIndex;

        if (touched (c.collisionBox))    s.naming.collisionPolicy = fromId<CollisionPolicy> (c.collisionBox.getSelectedId(), 2);
        if (touched (c.folderNameBox))   s.batch.folderNameTarget = fromId<FolderNameTarget> (c.folderNameBox.getSelectedId(), 2);

        if (touched (c.gainScopeBox))
        {
            const int id = c.gainScopeBox.getSelectedId();
            s.batch.gainMode = id == 2 ? GainScope::sharedAcrossBatch : GainScope::perTrack;
            s.headroom.submixesReachTargetIndependently = id == 3;
        }

        if (touched (c.mirrorFoldersToggle))   s.batch.mirrorFolderStructure = c.mirrorFoldersToggle.getToggleState();
        if (touched (c.folderPerCueToggle))    s.batch.folderPerCue = c.folderPerCueToggle.getToggleState();
        if (touched (c.emptyStemsBox))         s.emptyStemPolicy = fromId<EmptyPolicy> (c.emptyStemsBox.getSelectedId(), 2);
        if (touched (c.refuseUnassignedToggle)) s.requireDecisionOnUnassigned = c.refuseUnassignedToggle.getToggleState();
        if (touched (c.exportFullMixToggle))   s.exportFullMix = c.exportFullMixToggle.getToggleState();
        if (touched (c.exportAlternativeMixesToggle)) s.exportSubmixes = c.exportAlternativeMixesToggle.getToggleState();

        if (touched (c.fullMixNameEditor))
            if (const auto name = c.fullMixNameEditor.getText().trim(); name.isNotEmpty())
                s.fullMixName = name;

        if (touched (c.stemsFolderToggle))
        {
            if (! c.stemsFolderToggle.getToggleState())
                s.stemsSubFolder.clear();
            else if (s.stemsSubFolder.isEmpty())
                s.stemsSubFolder = "STEMS";
        }

        s.formats.clear();

        for (auto* row : c.formatRows)
            s.formats.push_back (row->currentFormat());

        const bool wasApplying = applyingEdit;
        applyingEdit = true;
        appState.session.updatePreset (std::move (edited));
        applyingEdit = wasApplying;

        refreshDependentControls();
        refreshPending = true;
    }

    void ExportPage::refreshDependentControls()
    {
        auto& c = *content;
        const auto& s = appState.session.getPreset().exportSettings;
        const bool gateOn = s.silenceGate.enabled;

        for (auto* control : std::initializer_list<juce::Component*> {
                 &c.thresholdSlider, &c.minimumSlider, &c.fadeOutSlider, &c.fadeInSlider, &c.floorSlider,
                 &c.thresholdLabel, &c.minimumLabel, &c.fadeOutLabel, &c.fadeInLabel, &c.floorLabel })
            control->setEnabled (gateOn);

        c.folderPerCueToggle.setEnabled (! s.batch.mirrorFolderStructure);

        const auto folder = s.stemsSubFolder.isNotEmpty() ? s.stemsSubFolder : juce::String ("STEMS");
        c.stemsFolderToggle.setButtonText ("Put the stems in a " + folder + " folder inside each cue folder");
    }
}
