#include "app/pages/review/ReviewPage.h"

#include "app/AppState.h"
#include "core/model/Types.h"

#include <map>

// Auditions: the selection ("Track"), a cue's full or alternative mix ("Mix"), the waveform
// player and the position label. The engine reads and sums on its own thread; the page only
// starts, stops and mirrors it.
namespace korvid::ui
{
    ReviewPage::Audition ReviewPage::selectionAudition() const
    {
        const auto ids = selectedTrackIds();

        // One lookup table rather than a search of the session per selected id.
        std::map<juce::String, const Track*> tracksById;

        if (! ids.isEmpty())
            for (const auto& track : appState.session.getTracks())
                tracksById.emplace (track.id, &track);

        Audition audition;
        audition.key = selectionKey (ids);

        for (const auto& id : ids)
        {
            const auto found = tracksById.find (id);

            if (found == tracksById.end())
                continue;

            audition.files.add (found->second->file);

            if (audition.label.isEmpty())
                audition.label = found->second->file.getFileName();
        }

        // Ids are counted, not the files found.
        if (ids.size() > 1)
            audition.label << " + " << (ids.size() - 1) << " more";

        return audition;
    }

    ReviewPage::Audition ReviewPage::mixAudition() const
    {
        Audition audition;
        audition.files = mixTrackFiles();
        audition.key = mixKey();
        audition.label = "Full mix";

        if (const auto* mix = findChosenMix())
            audition.label = mix->name;

        if (const auto* cue = appState.session.findCue (cueId))
            audition.label = cue->name + " - " + audition.label;

        audition.label << " (" << audition.files.size() << " tracks)";
        return audition;
    }

    void ReviewPage::auditionSelection (std::optional<double> startFraction)
    {
        const auto audition = selectionAudition();
        startAudition (audition.files, audition.label, audition.key, startFraction);
    }

    void ReviewPage::auditionTrack (const juce::String& trackId)
    {
        if (const auto* track = appState.session.findTrack (trackId))
            startAudition ({ track->file }, track->file.getFileName(), "track:" + trackId, std::nullopt);
    }

    void ReviewPage::auditionMix()
    {
        const auto audition = mixAudition();
        startAudition (audition.files, audition.label, audition.key, std::nullopt);
    }

    juce::String ReviewPage::selectionKey (const juce::StringArray& selectedIds)
    {
        return selectedIds.isEmpty() ? juce::String ("track:none") : "track:" + selectedIds.joinIntoString ("+");
    }

    juce::String ReviewPage::selectionKey() const
    {
        return selectionKey (selectedTrackIds());
    }

    juce::String ReviewPage::mixKey() const
    {
        return "mix:" + cueId + ":" + mixId;
    }

    const Submix* ReviewPage::findChosenMix() const
    {
        return mixId.isEmpty() ? nullptr : appState.session.getPreset().schema.findSubmix (mixId);
    }

    juce::Array<juce::File> ReviewPage::mixTrackFiles() const
    {
        const auto& tracks = appState.session.getTracks();
        auto heardCueId = cueId;

        // Without a chosen cue only a session of one cue has a mix: cues are never summed.
        if (heardCueId.isEmpty())
        {
            if (tracks.empty())
                return {};

            heardCueId = tracks.front().cueId;

            for (const auto& track : tracks)
                if (track.cueId != heardCueId)
                    return {};
        }

        // An alternative mix is heard as this cue renders it: with the cue's own members
        // when it has them.
        const auto* mix = findChosenMix();
        juce::StringArray members;

        if (mix != nullptr)
        {
            const auto* cue = appState.session.findCue (heardCueId);
            members = cue != nullptr ? cue->stemsForSubmix (*mix) : mix->stems;
        }

        juce::Array<juce::File> files;

        for (const auto& track : tracks)
            if (track.cueId == heardCueId && track.isUsable() && track.stemId.isNotEmpty()
                && (mix == nullptr || members.contains (track.stemId)))
                files.add (track.file);

        return files;
    }

    void ReviewPage::startAudition (const juce::Array<juce::File>& files, const juce::String& label,
                                    const juce::String& key, std::optional<double> startFraction)
    {
        auto& engine = appState.preview;

        // Nothing to play, nothing to say: the space key with nothing selected stays quiet.
        if (files.isEmpty())
            return;

        if (! engine.deviceOpen)
        {
            showMessage (juce::MessageBoxIconType::WarningIcon, "No audio output",
                         juce::String (AppState::applicationName)
                             + " could not open an audio device, so auditioning is unavailable.\n\n"
                             + engine.deviceError);
            return;
        }

        // The start is read from what the player shows; a cleared player shows nothing, so the
        // audition starts at the top rather than at a point of a waveform no longer in view.
        double startSeconds = 0.0;

        if (player.holdsOverview() && ! playerOverview.minima.empty() && playerOverview.lengthSeconds > 0.0)
        {
            const auto fraction = startFraction.has_value() ? juce::jlimit (0.0, 1.0, *startFraction)
                                                            : playerOverview.firstSoundPosition (0.005f, 0.05);
            startSeconds = fraction * playerOverview.lengthSeconds;
        }

        const auto rate = appState.session.getPreset().exportSettings.masterSampleRate;

        if (startFraction.has_value())
            engine.play (files, rate, label, key, startSeconds, -1.0);
        else
            engine.playOrStop (files, rate, label, key, startSeconds, -1.0);

        updatePlayer();
    }

    bool ReviewPage::isAuditioning() const
    {
        auto& engine = appState.preview;

        if (! engine.playing.load() && ! engine.loading.load())
            return false;

        const auto key = engine.getCurrentKey();
        return key.startsWith ("track:") || key.startsWith ("mix:");
    }

    //==============================================================================
    void ReviewPage::updatePlayer()
    {
        updatePlayer (selectedTrackIds());
    }

    void ReviewPage::updatePlayer (const juce::StringArray& selectedIds)
    {
        auto& engine = appState.preview;
        const bool playing = engine.playing.load();
        const bool loading = engine.loading.load();

        const bool selectionCurrent = engine.isCurrent (selectionKey (selectedIds));
        trackButton.setPlaying (selectionCurrent && playing);
        trackButton.setLoading (selectionCurrent && loading);

        const bool mixCurrent = engine.isCurrent (mixKey());
        mixButton.setPlaying (mixCurrent && playing);
        mixButton.setLoading (mixCurrent && loading);

        const bool auditioning = isAuditioning();
        const bool auditioningMix = auditioning && engine.getCurrentKey().startsWith ("mix:");

        if (selectedIds.size() == 1 && ! auditioningMix)
        {
            showTrackWaveform (selectedIds[0]);
            playerOverviewKey.clear();
            player.setPlayheadFraction (selectionCurrent ? engine.getPlayFraction() : -1.0);
            return;
        }

        if (auditioning)
        {
            shownTrackPath.clear();

            // A window is known by its audio and where it starts: a seek may load another.
            const auto overviewKey = engine.getOverviewKey();
            const auto identity = overviewKey + "@" + juce::String (engine.getWindow().startSeconds, 3);

            if (overviewKey.isNotEmpty() && identity != playerOverviewKey)
            {
                playerOverviewKey = identity;
                playerOverview = engine.getOverview();

                if (playerOverview.minima.empty())
                    player.clear();
                else
                    player.setOverview (playerOverview);
            }

            if (loading)
            {
                player.setLoadingText (auditioningMix ? "Preparing the mix" : "Preparing");
                player.setProgress (engine.progress.load());
            }

            player.setLoading (loading);
            player.setPlayheadFraction (engine.getBufferFraction());
            return;
        }

        player.setPlayheadFraction (-1.0);
        playerOverviewKey.clear();
        showTrackWaveform (selectedIds.size() == 1 ? selectedIds[0] : juce::String());
    }

    void ReviewPage::showTrackWaveform()
    {
        showTrackWaveform (singleSelectedTrackId());
    }

    void ReviewPage::showTrackWaveform (const juce::String& onlySelectedTrackId)
    {
        const auto* track = onlySelectedTrackId.isEmpty() ? nullptr : appState.session.findTrack (onlySelectedTrackId);

        if (track == nullptr || ! track->isUsable())
        {
            shownTrackPath.clear();
            player.clear();
            player.setLoading (false);
            return;
        }

        const auto path = track->file.getFullPathName();

        if (path == shownTrackPath)
            return;

        if (const auto* cached = appState.waveforms.request (path))
        {
            shownTrackPath = path;
            playerOverview = *cached;
            player.setOverview (playerOverview);
            player.setLoading (false);
            playerOverviewKey.clear();
            return;
        }

        // Queued by the request; the cache's notification comes back here.
        shownTrackPath.clear();
        player.clear();
        player.setLoading (true);
    }

    juce::String ReviewPage::singleSelectedTrackId() const
    {
        // Stops at the second id: a selection change of thousands of rows asks this per row.
        juce::String found;

        for (int g = 0; g < root->getNumSubItems(); ++g)
        {
            const auto* group = root->getSubItem (g);
            const bool wholeGroup = group->isSelected();

            for (int r = 0; r < group->getNumSubItems(); ++r)
            {
                if (const auto* row = dynamic_cast<const TrackNode*> (group->getSubItem (r));
                    row != nullptr && (wholeGroup || row->isSelected()))
                {
                    if (found.isNotEmpty())
                        return {};

                    found = row->trackId;
                }
            }
        }

        return found;
    }

    void ReviewPage::seekFromPlayer (double fraction)
    {
        auto& engine = appState.preview;
        const bool playing = engine.playing.load();
        const bool sounding = engine.isCurrent (selectionKey()) && (playing || engine.loading.load());

        if (shownTrackPath.isNotEmpty())
        {
            // The player shows the selected track's whole file.
            if (sounding)
            {
                engine.seekTo (fraction);
                updatePlayer();
            }
            else
            {
                auditionSelection (fraction);
            }

            return;
        }

        // The player shows the engine's loaded window, or nothing.
        if ((sounding || engine.getCurrentKey().startsWith ("mix:")) && playing)
        {
            engine.seekInWindow (fraction);
            updatePlayer();
        }
        else
        {
            auditionSelection (fraction);
        }
    }

    void ReviewPage::updateAuditionLabel()
    {
        auto& engine = appState.preview;
        juce::String text;

        if (isAuditioning())
        {
            if (engine.playing.load() && engine.getTotalSeconds() > 0.0)
                text = formatDuration (engine.getPositionSeconds()) + " / " + formatDuration (engine.getTotalSeconds());
            else
                text = engine.getStatus();
        }

        if (auditionLabel.getText() != text)
            auditionLabel.setText (text, juce::dontSendNotification);
    }

    //==============================================================================
    void ReviewPage::refreshMixChooser()
    {
        juce::StringArray ids, names;

        for (const auto& mix : appState.session.getPreset().schema.submixes)
        {
            ids.add (mix.id);
            names.add (mix.name);
        }

        // Equal names are not enough: a mix made again under its old name is another mix.
        if (mixBox.getNumItems() == 0 || names != mixBoxTexts || ids != mixBoxIds)
        {
            mixBox.clear (juce::dontSendNotification);
            mixBox.addItem ("Full mix", 1);

            for (int i = 0; i < names.size(); ++i)
                mixBox.addItem (names[i], i + 2);

            mixBoxIds = ids;
            mixBoxTexts = names;
        }

        if (mixId.isNotEmpty() && ! mixBoxIds.contains (mixId))
            mixId.clear();

        const int itemId = mixId.isEmpty() ? 1 : mixBoxIds.indexOf (mixId) + 2;

        if (mixBox.getSelectedId() != itemId)
            mixBox.setSelectedId (itemId, juce::dontSendNotification);
    }

    void ReviewPage::mixBoxChanged()
    {
        const int position = mixBox.getSelectedId() - 2;
        mixId = juce::isPositiveAndBelow (position, mixBoxIds.size()) ? mixBoxIds[position] : juce::String();

        appState.preview.stop();
        updateStatusLine();
    }
}
