#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/pages/import/ImportSplitPlan.h"
#include "core/model/Types.h"
#include "ui/LayoutHelpers.h"
#include "ui/ScopedDialogOwner.h"

// Splitting the shown track in two at a point in time.
namespace korvid::ui
{
    namespace
    {
        constexpr const char* notSplitTitle = "The stem was not split";
        constexpr const char* runReadsTracks = "A render or an analysis is reading the tracks. Split the stem once it "
                                               "has finished.";
        constexpr const char* splitMustWait = "The stem cannot be split";
    }

    juce::PopupMenu ImportPage::createSplitMenu (double seconds) const
    {
        juce::PopupMenu menu;
        menu.setLookAndFeel (&getLookAndFeel());
        menu.addSectionHeader ("At " + formatDuration (seconds));
        menu.addItem (splitMenuItemId, "Split stem here (S)");
        return menu;
    }

    void ImportPage::offerSplitAt (double fileFraction)
    {
        if (appState.session.findTrack (currentTrackId) == nullptr || isSplitting())
            return;

        const double length = currentTrackSeconds();
        const double seconds = juce::jlimit (0.0, length, fileFraction * length);
        setSplitMarker (fileFraction);

        juce::Component::SafePointer<ImportPage> safeThis (this);
        createSplitMenu (seconds).showMenuAsync (popupMenuOptions (*this), [safeThis, seconds] (int result)
        {
            if (safeThis == nullptr)
                return;

            if (result == splitMenuItemId)
                safeThis->askForSplitName (seconds);
            else
                safeThis->setSplitMarker (-1.0);
        });
    }

    bool ImportPage::keyPressed (const juce::KeyPress& key)
    {
        const auto code = key.getKeyCode();

        if ((code != 'S' && code != 's') || key.getModifiers().isShiftDown() || key.getModifiers().isCtrlDown()
            || key.getModifiers().isAltDown() || key.getModifiers().isCommandDown())
            return false;

        double hover = waveformView.getHoverFraction();

        if (hover < 0.0)
            hover = spectrogramView.getHoverFraction();

        if (hover < 0.0 || appState.session.findTrack (currentTrackId) == nullptr || isSplitting())
            return false;

        const double fileFraction = fileFractionForView (hover);
        setSplitMarker (fileFraction);
        askForSplitName (currentTrackSeconds() * fileFraction);
        return true;
    }

    void ImportPage::askForSplitName (double seconds)
    {
        const auto* track = appState.session.findTrack (currentTrackId);

        if (track == nullptr || isSplitting())
            return;

        if (appState.runReadingTracks)
        {
            setSplitMarker (-1.0);
            return showWarning (notSplitTitle, runReadsTracks);
        }

        if (const auto refusal = appState.whyListMustWait (splitMustWait); refusal.isNotEmpty())
        {
            setSplitMarker (-1.0);
            return showWarning (notSplitTitle, refusal);
        }

        juce::Component::SafePointer<ImportPage> safeThis (this);
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->askForText ("Split this stem",
                                      "The part up to " + formatDuration (seconds) + " keeps the name it has.\n"
                                      "The part after it becomes a new stem, both the same length as the original.",
                                      proposedSplitPartName (track->file),
                                      [safeThis, seconds] (std::optional<juce::String> answer)
        {
            if (safeThis == nullptr)
                return;

            if (answer.has_value() && answer->trim().isNotEmpty())
                safeThis->splitTrackAt (seconds, answer->trim());

            safeThis->setSplitMarker (-1.0);
        },
        { "Split", "Cancel", {} });
    }

    void ImportPage::splitTrackAt (double seconds, const juce::String& name)
    {
        const auto* track = appState.session.findTrack (currentTrackId);

        if (track == nullptr || isSplitting())
            return;

        // The run reads the take from its path: a split would hand it the first part halfway.
        if (appState.runReadingTracks)
            return showWarning (notSplitTitle, runReadsTracks);

        // The track belongs to the list the project is replacing.
        if (const auto refusal = appState.whyListMustWait (splitMustWait); refusal.isNotEmpty())
            return showWarning (notSplitTitle, refusal);

        const auto trackId = track->id;
        const auto original = track->file;
        TrackSplitFiles files;
        juce::String error;

        // Every refusal comes before the disk changes.
        if (! planTrackSplitFiles (original, name, files, error))
            return showWarning (notSplitTitle, error);

        // A take gone from the disk still names its track: a part written under that name
        // would be read as that track. The take being split holds its own name too (in any
        // letter case), which is said as such.
        for (const auto& part : { files.secondPart, files.keptSource })
        {
            if (appState.session.isFileOfAnotherTrack (part, trackId))
                return showWarning (notSplitTitle, "Another track in the list already uses the name '"
                                                       + part.getFileName() + "'.");

            if (appState.session.isFileOfAnotherTrack (part))
                return showWarning (notSplitTitle, "'" + part.getFileName() + "' is the name of the take being "
                                                       "split. Choose another name for the new part.");
        }

        // The second part comes in before the original leaves, so one slot is enough.
        if ((int) appState.session.getTracks().size() >= Session::maxTracks)
            return showWarning (notSplitTitle, "The list already holds " + juce::String (Session::maxTracks)
                                                   + " tracks. Remove one before splitting.");

        if (! original.existsAsFile())
            return showWarning (notSplitTitle, "The track's file is no longer where it was imported from.");

        appState.preview.stop();

        appState.trackBeingSplit = trackId;
        appState.splitFileNames = { original, files.secondPart, files.keptSource };
        splittingSeconds = seconds;
        showSplitState();

        SplitOutcome request;
        request.trackId = trackId;
        request.original = original;
        request.files = files;
        request.listGeneration = appState.session.getListGeneration();

        juce::Component::SafePointer<ImportPage> safeThis (this);
        splitJob = appState.sessionJobs.start ("Waiting for the split of '" + original.getFileName() + "' to finish.",
                                               [safeThis, request, seconds, step = splitStep] (const CancelTest& shouldStop)
                                                   -> SessionJobs::Answer
        {
            auto outcome = std::make_shared<SplitOutcome> (carryOutSplit (request, seconds, step, shouldStop));

            return { [safeThis, outcome]
            {
                if (auto* page = safeThis.getComponent())
                    page->applySplitOutcome (std::move (*outcome));
            } };
        });
    }

    void ImportPage::withdrawSplit()
    {
        if (isSplitting())
            appState.sessionJobs.stop (splitJob);
    }

    bool ImportPage::isShownTrackSplitting() const
    {
        return isSplitting() && currentTrackId == getSplittingTrackId();
    }

    bool ImportPage::isSplitting() const noexcept
    {
        return getSplittingTrackId().isNotEmpty();
    }

    const juce::String& ImportPage::getSplittingTrackId() const noexcept
    {
        return appState.trackBeingSplit;
    }

    void ImportPage::showSplitState()
    {
        if (currentPath.isNotEmpty())
        {
            auto text = juce::File (currentPath).getFileName();

            if (isShownTrackSplitting())
                text << "  (splitting at " << formatDuration (splittingSeconds) << "...)";

            fileNameLabel.setText (text, juce::dontSendNotification);
        }

        if (isShownTrackSplitting())
        {
            const auto length = currentTrackSeconds();
            setSplitMarker (length > 0.0 ? splittingSeconds / length : -1.0);
        }

        updateTransport();
        trackTable.repaint();
    }

    void ImportPage::applySplitOutcome (SplitOutcome&& outcome)
    {
        const bool wasShown = isShownTrackSplitting();
        appState.trackBeingSplit.clear();
        appState.splitFileNames.clear();
        splitJob = 0;
        const auto& files = outcome.files;

        if (wasShown)
            setSplitMarker (-1.0);

        showSplitState();

        if (! outcome.ok)
        {
            // Anything read from the original's path while it was moved aside is stale.
            appState.waveforms.forget (outcome.original.getFullPathName());

            // Withdrawn and put back, as whoever withdrew it asked: nothing to tell.
            if (outcome.withdrawn && outcome.message.isEmpty())
                return;

            return showWarning (notSplitTitle, outcome.message);
        }

        for (const auto& file : { files.firstPart, files.secondPart, files.keptSource })
            appState.waveforms.forget (file.getFullPathName());

        // Its disk work was done before it could be withdrawn: the parts stay on disk, but a
        // list that was emptied, replaced or lost the track meanwhile never asked for them.
        if (outcome.listGeneration != appState.session.getListGeneration()
            || appState.session.findTrack (outcome.trackId) == nullptr)
            return;

        // The first part has the original's path, so the original's track must leave before
        // it can come in; the second part keeps the cue (and its settings) alive meanwhile.
        const auto secondResult = appState.session.importFiles ({ files.secondPart.getFullPathName() }, false);
        appState.session.removeTracks ({ outcome.trackId });
        const auto firstResult = appState.session.importFiles ({ files.firstPart.getFullPathName() }, false);

        // The first part lives at the old path: everything kept for that path is stale.
        if (juce::File (wholeFileSpectrogramPath) == files.firstPart)
        {
            wholeFileSpectrogram = {};
            wholeFileSpectrogramPath.clear();
        }

        if (juce::File (overviewPath) == files.firstPart)
        {
            overview = {};
            overviewPath.clear();
        }

        // The panel shows the first part afresh rather than a picture of a file that is gone.
        if (wasShown || juce::File (currentPath) == files.firstPart)
        {
            currentPath.clear();
            currentTrackId.clear();
            ++generation;

            for (const auto& part : appState.session.getTracks())
                if (part.file == files.firstPart)
                    selectTracks ({ part.id });
        }

        juce::StringArray missing;

        for (const auto* partResult : { &firstResult, &secondResult })
            if (partResult->imported != 1)
                missing.addArray (partResult->problems);

        const auto missingParts = (firstResult.imported != 1 ? 1 : 0) + (secondResult.imported != 1 ? 1 : 0);

        if (missingParts > 0)
        {
            auto message = juce::String ("Both parts were written, but ")
                         + (missingParts == 1 ? "one of them is" : "they are") + " not in the list:\n"
                         + (firstResult.imported != 1 ? files.firstPart.getFullPathName() + "\n" : juce::String())
                         + (secondResult.imported != 1 ? files.secondPart.getFullPathName() + "\n" : juce::String());

            if (! missing.isEmpty())
                message << "\n" << missing.joinIntoString ("\n");

            showWarning ("Not every part was imported", message.trimEnd());
        }

        appState.sendChangeMessage();
    }
}
