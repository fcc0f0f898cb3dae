#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "ui/ScopedDialogOwner.h"
#include "ui/TextFit.h"

#include <map>

namespace korvid::ui
{
    namespace
    {
        constexpr const char* stemKeyPrefix = "presetstem:";
        constexpr const char* mixKeyPrefix = "presetmix:";

        constexpr const char* cueSelectorHelp = "Which cue these ticks are about. With All cues you are editing the "
                                                "preset; with one cue you are making an exception for that cue, kept in "
                                                "the project.";
    }

    juce::String PresetPage::stemAuditionKey (const juce::String& stemId) const
    {
        return stemKeyPrefix + tickCueId + ":" + stemId;
    }

    juce::String PresetPage::mixAuditionKey (const juce::String& mixId) const
    {
        return mixKeyPrefix + tickCueId + ":" + mixId;
    }

    bool PresetPage::stemHasTracksInCue (const juce::String& stemId) const
    {
        return stemsWithTracksInCue.count (stemId) > 0;
    }

    //==============================================================================
    void PresetPage::refreshCueSelector()
    {
        const auto cues = appState.session.cuesWithTracks();
        const auto remembered = tickCueId;

        // Distinct stems of each cue's usable assigned tracks, in one pass over the tracks.
        std::map<juce::String, std::set<juce::String>> stemsByCue;

        for (const auto& track : appState.session.getTracks())
            if (track.stemId.isNotEmpty() && track.isUsable())
                stemsByCue[track.cueId].insert (track.stemId);

        cueSelector.clear (juce::dontSendNotification);
        cueSelector.addItem ("All cues", 1);
        int rememberedItem = 0;

        for (size_t i = 0; i < cues.size(); ++i)
        {
            const auto found = stemsByCue.find (cues[i].id);
            const auto count = found != stemsByCue.end() ? (int) found->second.size() : 0;
            cueSelector.addItem (cues[i].name + "  (" + juce::String (count) + ")", (int) i + 2);

            if (cues[i].id == remembered)
                rememberedItem = (int) i + 2;
        }

        // Without notification: a cue that stays chosen keeps its audition playing.
        if (rememberedItem > 0)
        {
            cueSelector.setSelectedId (rememberedItem, juce::dontSendNotification);
        }
        else
        {
            cueSelector.setSelectedId (1, juce::dontSendNotification);
            tickCueId.clear();
        }

        cueSelector.setEnabled (! cues.empty());
        updateCueTooltip();
    }

    void PresetPage::updateCueTooltip()
    {
        // A cue too long for the box is read whole in its tooltip.
        const bool cut = ! comboBoxShowsTextWhole (cueSelector);
        cueSelector.setTooltip (cut ? cueSelector.getText() + "\n" + cueSelectorHelp : juce::String (cueSelectorHelp));
    }

    void PresetPage::cueSelectorChanged()
    {
        const auto cues = appState.session.cuesWithTracks();
        const int k = cueSelector.getSelectedId() - 2;

        tickCueId = k >= 0 && k < (int) cues.size() ? cues[(size_t) k].id : juce::String();
        updateCueTooltip();
        appState.preview.stop();
        refreshTickCache();
        repaintStemsAndHeading();
    }

    //==============================================================================
    juce::Array<juce::File> PresetPage::stemAuditionFiles (const juce::String& stemId) const
    {
        juce::Array<juce::File> files;

        if (stemId.isEmpty() || tickCueId.isEmpty())
            return files;

        for (const auto& track : appState.session.getTracks())
            if (track.cueId == tickCueId && track.stemId == stemId && track.isUsable())
                files.add (track.file);

        return files;
    }

    void PresetPage::auditionStem (const juce::String& stemId)
    {
        const auto* stem = appState.session.getPreset().schema.findStem (stemId);

        if (stem == nullptr)
            return;

        startAudition (stemAuditionFiles (stemId), stem->displayName, stemAuditionKey (stemId));
    }

    void PresetPage::auditionMix (const Submix& submix)
    {
        juce::Array<juce::File> files;

        for (const auto& stem : appState.session.getPreset().schema.stems)
            if (isSubmixMember (submix, stem))
                files.addArray (stemAuditionFiles (stem.id));

        startAudition (files, submix.name, mixAuditionKey (submix.id));
    }

    void PresetPage::startAudition (const juce::Array<juce::File>& files, const juce::String& label, const juce::String& key)
    {
        auto& preview = appState.preview;

        if (! preview.deviceOpen)
        {
            const ScopedDialogOwner owner (*appState.dialogs, this);
            appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, "No audio output",
                                           juce::String (AppState::applicationName)
                                               + " could not open an audio device, so auditioning is unavailable.\n\n"
                                               + preview.deviceError);
            return;
        }

        if (files.isEmpty())
            return;

        preview.playOrStop (files, appState.session.getPreset().exportSettings.masterSampleRate, label, key, 0.0,
                            PreviewEngine::firstSoundCursor);

        if (! auditionRepainter->isTimerRunning())
            auditionRepainter->startTimerHz (auditionRepaintHz);

        repaintStemsAndHeading();
    }

    bool PresetPage::isAuditioning() const
    {
        const auto& preview = appState.preview;

        if (! preview.playing.load() && ! preview.loading.load())
            return false;

        const auto key = preview.getCurrentKey();
        return key.startsWith (stemKeyPrefix) || key.startsWith (mixKeyPrefix);
    }

    bool PresetPage::isAuditionRepainting() const
    {
        return auditionRepainter->isTimerRunning();
    }

    void PresetPage::toggleAudition()
    {
        if (isAuditioning())
        {
            appState.preview.stop();
            repaintStemsAndHeading();
            return;
        }

        if (tickCueId.isNotEmpty() && selectedStemId.isNotEmpty())
            auditionStem (selectedStemId);
    }

    void PresetPage::updateAuditionView()
    {
        auto& preview = appState.preview;

        if (! isAuditioning())
        {
            auditionStrip.setPlayheadFraction (-1.0);
            auditionOverviewKey.clear();
            auditionStrip.setVisible (false);
            return;
        }

        const auto overviewKey = preview.getOverviewKey();
        const auto key = overviewKey + "@" + juce::String (preview.getWindow().startSeconds, 3);

        if (overviewKey.isNotEmpty() && key != auditionOverviewKey)
        {
            auditionOverviewKey = key;
            const auto overview = preview.getOverview();

            if (overview.minima.empty())
                auditionStrip.clear();
            else
                auditionStrip.setOverview (overview);
        }

        if (preview.loading.load())
        {
            auditionStrip.setLoadingText ("Preparing");
            auditionStrip.setProgress (preview.progress.load());
        }

        auditionStrip.setLoading (preview.loading.load());
        auditionStrip.setPlayheadFraction (preview.getBufferFraction());
        auditionStrip.setVisible (true);
    }

    void PresetPage::AuditionRepainter::timerCallback()
    {
        page.updateAuditionView();
        page.repaintStemsAndHeading();

        if (! page.appState.preview.playing.load() && ! page.appState.preview.loading.load())
            stopTimer();
    }
}
