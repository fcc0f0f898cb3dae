#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/pages/import/ImportRows.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <set>

// The track table: rows, sorting, cells, tooltips, selection and the status line.
namespace korvid::ui
{
    namespace
    {
        juce::Rectangle<int> textBox (int width, int height)
        {
            return { 6, 0, juce::jmax (0, width - 12), juce::jmax (0, height) };
        }

        void drawCentredNote (juce::Graphics& g, const juce::String& text, int width, int height)
        {
            g.setFont (tinyFont());
            g.setColour (colours::textDisabled);
            g.drawText (text, textBox (width, height), juce::Justification::centred, false);
        }
    }

    const Track* ImportPage::trackAtRow (int rowNumber) const
    {
        if (! juce::isPositiveAndBelow (rowNumber, (int) rows.size()))
            return nullptr;

        return appState.session.findTrack (rows[(size_t) rowNumber]);
    }

    juce::Colour ImportPage::stemColourFor (const Track& track) const
    {
        if (track.stemId.isNotEmpty())
            if (const auto* stem = appState.session.getPreset().schema.findStem (track.stemId))
                return juce::Colour (stem->colour);

        return colours::unassigned;
    }

    juce::StringArray ImportPage::getSelectedTrackIds() const
    {
        juce::StringArray ids;
        const auto selected = trackTable.getSelectedRows();

        for (int i = 0; i < selected.size(); ++i)
            if (const auto* track = trackAtRow (selected[i]))
                ids.add (track->id);

        return ids;
    }

    void ImportPage::selectTracks (const juce::StringArray& trackIds)
    {
        const std::set<juce::String> wanted (trackIds.begin(), trackIds.end());
        juce::SparseSet<int> selection;

        for (int row = 0; row < (int) rows.size(); ++row)
            if (wanted.count (rows[(size_t) row]) > 0)
                selection.addRange ({ row, row + 1 });

        trackTable.setSelectedRows (selection, juce::sendNotification);
    }

    //==============================================================================
    void ImportPage::rebuildRows()
    {
        refreshRows (true, Remeasure::all);
    }

    void ImportPage::refreshRows (bool sortAgain, Remeasure measureColumns)
    {
        if (sortAgain)
            sortedTrackIds = sortImportTracks (appState.session, sortColumnId, sortForwards);

        auto newRows = filterImportRows (appState.session, sortedTrackIds, searchField.getText());

        // The same rows in the same order: the cells only need painting again.
        if (newRows == rows)
        {
            trackTable.repaint();
            updateStatusLine (measureColumns);
            return;
        }

        // The selection belongs to tracks, not to row numbers: rows move with every sort,
        // filter and assignment, and what was picked must stay picked.
        const auto selectedList = getSelectedTrackIds();
        const std::set<juce::String> selectedIds (selectedList.begin(), selectedList.end());
        const auto* anchor = trackAtRow (trackTable.getLastRowSelected());
        const auto anchorId = anchor != nullptr ? anchor->id : juce::String();

        rows = std::move (newRows);

        juce::SparseSet<int> selection;
        int anchorRow = -1;

        for (int row = 0; row < (int) rows.size(); ++row)
        {
            if (selectedIds.count (rows[(size_t) row]) > 0)
                selection.addRange ({ row, row + 1 });

            if (rows[(size_t) row] == anchorId)
                anchorRow = row;
        }

        {
            const juce::ScopedValueSetter<bool> quiet (rebuilding, true);
            trackTable.updateContent();
            trackTable.setSelectedRows (selection, juce::dontSendNotification);

            if (anchorRow >= 0)
                trackTable.selectRow (anchorRow, true, false);
        }

        trackTable.repaint();
        updateStatusLine (measureColumns);

        // A shown track that is still in the session but no longer listed gives up the
        // panel to what remains selected; a removed one stays shown.
        if (anchorId.isNotEmpty() && anchorRow < 0 && appState.session.findTrack (anchorId) != nullptr)
            selectedRowsChanged (trackTable.getLastRowSelected());
    }

    void ImportPage::sortOrderChanged (int newSortColumnId, bool isForwards)
    {
        sortColumnId = newSortColumnId;
        sortForwards = isForwards;
        refreshRows (true, Remeasure::none);
    }

    void ImportPage::updateStatusLine()
    {
        updateStatusLine (Remeasure::all);
    }

    void ImportPage::updateStatusLine (Remeasure measureColumns)
    {
        const auto counts = countImportTracks (appState.session);
        statusLabel.setText (importStatusText (counts, (int) rows.size()), juce::dontSendNotification);
        dropHintLabel.setVisible (counts.tracks == 0);
        removeButton.setEnabled (counts.tracks > 0);
        clearButton.setEnabled (counts.tracks > 0);
        trackTable.getHeader().setColumnVisible (importColumn::cue, counts.cuesWithTracks > 1);

        autoSizeColumns (measureColumns);
    }

    //==============================================================================
    int ImportPage::getNumRows()
    {
        return (int) rows.size();
    }

    void ImportPage::paintRowBackground (juce::Graphics& g, int rowNumber, int, int, bool rowIsSelected)
    {
        if (rowIsSelected)
            g.fillAll (colours::accent.withAlpha (0.25f));
        else if (rowNumber % 2 == 1)
            g.fillAll (colours::raisedBackground.withAlpha (0.35f));
    }

    void ImportPage::paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool)
    {
        const auto* track = trackAtRow (rowNumber);

        if (track == nullptr)
            return;

        const bool usable = track->isUsable();
        const auto box = textBox (width, height);
        g.setFont (bodyFont());
        g.setColour (usable ? colours::textPrimary : colours::bad);

        switch (columnId)
        {
            case importColumn::file:
                g.drawText (track->file.getFileName(), box, juce::Justification::centredLeft, true);
                break;

            case importColumn::preview:
            {
                if (! usable)
                {
                    drawCentredNote (g, "unreadable", width, height);
                    break;
                }

                const auto* cached = appState.waveforms.request (track->file.getFullPathName());

                if (cached == nullptr || cached->minima.empty())
                {
                    drawCentredNote (g, "...", width, height);
                    break;
                }

                const juce::Rectangle<float> area (6.0f, 4.0f, (float) juce::jmax (0, width - 12),
                                                   (float) juce::jmax (0, height - 8));
                WaveformView::drawMiniWaveform (g, area, *cached, stemColourFor (*track), true, 0.0, 1.0, 0.0, 1.0);
                break;
            }

            case importColumn::cue:
            {
                const auto* cue = appState.session.findCue (track->cueId);
                g.setColour (colours::textSecondary);
                g.drawText (cue != nullptr ? cue->name : juce::String ("-"), box, juce::Justification::centredLeft, true);
                break;
            }

            case importColumn::format:
                g.drawText (track->info.formatName, box, juce::Justification::centredLeft, true);
                break;

            case importColumn::duration:
                g.drawText (track->info.durationText(), box, juce::Justification::centredRight, true);
                break;

            case importColumn::rate:
                g.drawText (track->info.sampleRateText(), box, juce::Justification::centredRight, true);
                break;

            case importColumn::depth:
                g.drawText (track->info.bitDepthText(), box, juce::Justification::centredRight, true);
                break;

            case importColumn::channels:
                g.drawText (track->info.channelsText(), box, juce::Justification::centredRight, true);
                break;

            case importColumn::stem:
            {
                const auto* stem = track->stemId.isEmpty() ? nullptr
                                                           : appState.session.getPreset().schema.findStem (track->stemId);

                if (stem == nullptr)
                {
                    g.setColour (colours::textDisabled);
                    g.drawText ("-", box, juce::Justification::centredLeft, true);
                    break;
                }

                g.setColour (juce::Colour (stem->colour));
                g.fillRoundedRectangle (6.0f, 8.0f, 10.0f, (float) juce::jmax (0, height - 16), 2.0f);
                g.setColour (colours::textPrimary);
                g.drawText (stem->displayName, juce::Rectangle<int> (22, 0, juce::jmax (0, width - 28), height),
                            juce::Justification::centredLeft, true);
                break;
            }

            case importColumn::status:
            {
                if (track->id == getSplittingTrackId())
                {
                    g.setColour (colours::accent);
                    g.drawText ("Splitting...", box, juce::Justification::centredLeft, true);
                    break;
                }

                if (! usable)
                {
                    g.setColour (colours::bad);
                    g.drawText (track->error, box, juce::Justification::centredLeft, true);
                    break;
                }

                const auto colour = confidenceColour (track->confidence);
                const int pillWidth = juce::jmax (0, juce::jmin (width - 12, statusBadgeWidth));
                const juce::Rectangle<int> pill (6, 6, pillWidth, juce::jmax (0, height - 12));
                g.setColour (colour.withAlpha (0.22f));
                g.fillRoundedRectangle (pill.toFloat(), 3.0f);
                g.setColour (colour);
                g.setFont (captionFont());
                g.drawText (confidenceLabel (track->confidence), pill, juce::Justification::centred, true);

                g.setFont (bodyFont());
                g.setColour (colours::textSecondary);
                g.drawText (statusWordsOf (*track), statusWordsArea (width, height), juce::Justification::centredLeft, true);
                break;
            }

            default:
                break;
        }
    }

    juce::String ImportPage::getCellTooltip (int rowNumber, int columnId)
    {
        const auto* track = trackAtRow (rowNumber);

        if (track == nullptr)
            return {};

        switch (columnId)
        {
            case importColumn::file:
            case importColumn::preview:
            {
                auto text = track->file.getFullPathName();

                for (const auto& note : track->notes)
                    text << "\n" << note;

                if (columnId == importColumn::preview)
                    text << "\nDouble-click to audition.";

                return text;
            }

            case importColumn::cue:
            {
                const auto* cue = appState.session.findCue (track->cueId);

                if (cue == nullptr)
                    return {};

                // The folder's path ends in the cue's name, unless the cue was renamed.
                const auto folder = "Cue folder: " + cue->folder.getFullPathName();
                return cue->name == cue->folder.getFileName() ? folder : cue->name + "\n" + folder;
            }

            case importColumn::stem:
            case importColumn::status:
                if (track->id == getSplittingTrackId())
                    return "This track is being split. Both parts take its place in the list when the split ends.";

                return track->reason + "\nRight-click to assign this to a stem.";

            default:
                return {};
        }
    }

    //==============================================================================
    void ImportPage::selectedRowsChanged (int lastRowSelected)
    {
        if (rebuilding)
            return;

        const auto* track = trackAtRow (lastRowSelected);

        if (track != nullptr && track->isUsable())
            showTrack (track->file.getFullPathName(), track->id);
        else
            showTrack ({}, {});

        updateTransport();
    }

    void ImportPage::cellClicked (int rowNumber, int, const juce::MouseEvent& e)
    {
        if (! e.mods.isPopupMenu())
            return;

        if (! trackTable.isRowSelected (rowNumber))
            trackTable.selectRow (rowNumber);

        showAssignMenu (e.getScreenPosition());
    }

    void ImportPage::cellDoubleClicked (int rowNumber, int, const juce::MouseEvent&)
    {
        const auto* track = trackAtRow (rowNumber);

        if (track == nullptr || ! track->isUsable())
            return;

        showTrack (track->file.getFullPathName(), track->id);
        togglePlay();
    }

    void ImportPage::deleteKeyPressed (int)
    {
        removeSelectedTracks();
    }
}
