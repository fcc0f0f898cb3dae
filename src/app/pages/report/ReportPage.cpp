#include "app/pages/report/ReportPage.h"

#include "app/AppState.h"
#include "app/pages/report/ReportTexts.h"
#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Logos.h"
#include "ui/Palette.h"
#include "ui/ScopedDialogOwner.h"

namespace korvid::ui
{
    namespace
    {
        juce::Colour headlineColour (ReportHeadline::Tone tone)
        {
            switch (tone)
            {
                case ReportHeadline::Tone::warning: return colours::warning;
                case ReportHeadline::Tone::bad:     return colours::bad;
                case ReportHeadline::Tone::good:
                case ReportHeadline::Tone::secondary:
                default:                            return colours::good;
            }
        }

        int cueStripeWidth (int rowWidth)
        {
            return rowWidth < 1 ? 0 : juce::jmin (4, rowWidth);
        }

        /** The room of a cue row's two lines: after the stripe, 6 px in from either side. */
        int cueTextWidth (int rowWidth)
        {
            return juce::jmax (0, rowWidth - cueStripeWidth (rowWidth) - 12);
        }

        int firstCueNeedingAttention (const BatchReport& report)
        {
            for (size_t i = 0; i < report.cues.size(); ++i)
                if (report.cues[i].needsAttention())
                    return (int) i;

            return 0;
        }
    }

    ReportPage::ReportPage (AppState& state)
        : appState (state)
    {
        deliveryTable = std::make_unique<DeliveryTable>();
        transportGrip = std::make_unique<TransportGrip> (this);
        transportHeight = juce::jlimit (minimumTransportHeight, maximumTransportHeight,
                                        appState.settings->getIntValue (transportHeightKey, defaultTransportHeight));

        buildControls();

        appState.addChangeListener (this);
        refresh();
    }

    ReportPage::~ReportPage()
    {
        stopTimer();
        ++spectrogramGeneration;
        spectrogramPool.removeAllJobs (true, 1000);
        appState.removeChangeListener (this);
        cueList.setModel (nullptr);

        if (browserPage.existsAsFile())
            browserPage.deleteFile();
    }

    void ReportPage::buildControls()
    {
        addAllAndMakeVisible (*this, { transportGrip.get(), &headline, &cueList, &summaryText, &problemsText,
                                       deliveryTable.get(), &playButton, &autoplayToggle, &spectrogramView,
                                       &waveformView, &fileCaption, &timeLabel, &openInBrowserButton,
                                       &saveHtmlButton, &saveTextButton, &copyListButton, &openFolderButton });

        headline.setFont (headingFont());
        summaryText.font = monoFont();
        cueList.setModel (this);
        cueList.setRowHeight (cueRowHeight);
        cueList.setColour (juce::ListBox::backgroundColourId, juce::Colours::transparentBlack);
        cueList.setColour (juce::ListBox::outlineColourId, juce::Colours::transparentBlack);
        fileCaption.setFont (bodyFont());
        setLabelTone (timeLabel, 1);
        timeLabel.setJustificationType (juce::Justification::centredRight);
        waveformView.setEmptyText ("Pick a delivered file to hear it");
        problemsText.setVisible (false);
        problemsText.colour = colours::bad;

        playButton.setTooltip ("Play the selected file, or stop what is playing.");
        autoplayToggle.setTooltip ("Start each file as soon as you click it, so a delivery can be checked by "
                                   "walking down the list.");
        autoplayToggle.setToggleState (true, juce::dontSendNotification);

        openInBrowserButton.setTooltip ("Build one HTML page holding every cue, with waveforms and levels, and open "
                                        "it in your browser.");
        saveHtmlButton.setTooltip ("Save that page next to the delivery.");
        saveTextButton.setTooltip ("Save the plain text log.");
        copyListButton.setTooltip ("Copy the list of stems and mixes this run wrote, as plain text, ready to paste "
                                   "into a mail to the publisher.");

        openInBrowserButton.onClick = [this] { openInBrowser(); };
        saveHtmlButton.onClick = [this] { saveHtml(); };
        saveTextButton.onClick = [this] { saveText(); };
        copyListButton.onClick = [this]
        {
            juce::SystemClipboard::copyTextToClipboard (appState.lastReport.deliveryListText());
        };
        openFolderButton.onClick = [this] { openFolder (appState.outputFolder); };

        playButton.onClick = [this] { togglePlay(); };
        waveformView.onSeek = spectrogramView.onSeek = [this] (double fraction) { seekShownFile (fraction); };

        deliveryTable->onRowsReordered = [this] { refindShownFile(); };
        deliveryTable->onRowChosen = [this] (int row, bool playNow)
        {
            if (! playNow)
            {
                showDeliveredFile (row, autoplayToggle.getToggleState(), 0.0);
                return;
            }

            showDeliveredFile (row, false, 0.0);
            togglePlay();
        };
        deliveryTable->onRenameRequested = [this] (int row, juce::String newName)
        {
            return renameDeliveredFile (row, newName);
        };
    }

    //==============================================================================
    void ReportPage::refresh()
    {
        updateButtonStates();

        if (! appState.hasReport)
        {
            showHeadline();
            cueList.updateContent();
            shownReportNumber = -1;
            clearCueDetails();
            resized();
            return;
        }

        showHeadline();

        const auto& report = appState.lastReport;
        const int cueCount = (int) report.cues.size();
        const bool newReport = appState.reportNumber != shownReportNumber;
        shownReportNumber = appState.reportNumber;
        cueList.updateContent();

        // A new report opens on the cue that needs looking at; a report that only changed
        // (a rename, a broadcast for something else) stays on the cue the user is reading.
        int row = 0;

        if (newReport)
        {
            row = firstCueNeedingAttention (report);
        }
        else
        {
            row = juce::jlimit (0, juce::jmax (0, cueCount - 1), shownCueRow);

            for (int i = 0; i < cueCount && shownCueId.isNotEmpty(); ++i)
                if (report.cues[(size_t) i].cueId == shownCueId)
                    row = i;
        }

        if (cueCount > 1)
            selectCueRow (row);

        const auto* cue = selectedCue();

        if (cue == nullptr)
            clearCueDetails();
        else if (! newReport && (int) (cue - report.cues.data()) == shownCueRow && cue->cueId == shownCueId)
            keepCueDetails (*cue);
        else
            showCueDetails (*cue);

        resized();
    }

    void ReportPage::updateButtonStates()
    {
        setAllEnabled ({ &openInBrowserButton, &saveHtmlButton, &saveTextButton, &copyListButton }, appState.hasReport);
        openFolderButton.setEnabled (appState.outputFolder.isDirectory());
    }

    void ReportPage::showHeadline()
    {
        const auto verdict = reportHeadline (appState.lastReport, appState.hasReport);
        headline.setText (verdict.text, juce::dontSendNotification);

        if (verdict.tone == ReportHeadline::Tone::secondary)
        {
            setLabelTone (headline, 1);
            return;
        }

        // Coloured by the verdict, so palette switches must not put a tone colour back.
        headline.getProperties().remove (labelToneProperty);
        headline.setColour (juce::Label::textColourId, headlineColour (verdict.tone));
    }

    void ReportPage::selectCueRow (int row)
    {
        const juce::ScopedValueSetter<bool> quiet (selectingCue, true);
        cueList.selectRow (row, false, true);
    }

    const CueReport* ReportPage::selectedCue() const
    {
        const auto& cues = appState.lastReport.cues;

        if (cues.empty())
            return nullptr;

        if (cues.size() == 1)
            return &cues.front();

        const int row = juce::jlimit (0, (int) cues.size() - 1, juce::jmax (0, cueList.getSelectedRow (0)));
        return &cues[(size_t) row];
    }

    //==============================================================================
    void ReportPage::showCueTexts (const CueReport& cue)
    {
        summarySource = cueSummaryLines (cue).joinIntoString ("\n");
        problemsSource = cueProblemLines (cue).joinIntoString ("\n");
        problemsText.setVisible (problemsSource.isNotEmpty());

        const auto& cues = appState.lastReport.cues;
        shownCueId = cue.cueId;
        shownCueRow = &cue >= cues.data() && &cue < cues.data() + cues.size() ? (int) (&cue - cues.data()) : -1;
    }

    void ReportPage::showCueDetails (const CueReport& cue)
    {
        showCueTexts (cue);
        deliveryTable->setRows (DeliveryTable::rowsForCue (cue));
        forgetShownFile();   // what plays goes on playing
        updateTransport();
        resized();
    }

    void ReportPage::keepCueDetails (const CueReport& cue)
    {
        showCueTexts (cue);

        // Re-sorted as before; the shown file is found again by its path.
        deliveryTable->updateRows (DeliveryTable::rowsForCue (cue));

        if (shownRow < 0)
            forgetShownFile();

        updateTransport();
    }

    void ReportPage::clearCueDetails()
    {
        summarySource = "Run an export on the previous page and the delivery will be listed here, with every file "
                        "it wrote and a player to check them.";
        problemsSource.clear();
        problemsText.setVisible (false);
        shownCueId.clear();
        shownCueRow = -1;
        deliveryTable->setRows ({});
        forgetShownFile();
        updateTransport();
    }

    void ReportPage::forgetShownFile()
    {
        shownRow = -1;
        shownPath.clear();
        stopSpectrogram();
        waveformView.clear();
        waveformView.setPlayheadFraction (-1.0);
        spectrogramView.clear();
        fileCaption.setText ({}, juce::dontSendNotification);
        timeLabel.setText ({}, juce::dontSendNotification);
    }

    void ReportPage::refindShownFile()
    {
        shownRow = deliveryTable->rowOfPath (shownPath);

        if (shownRow >= 0)
            deliveryTable->getTable().selectRow (shownRow, false, true);
    }

    //==============================================================================
    bool ReportPage::renameDeliveredFile (int row, const juce::String& newName)
    {
        const auto* target = deliveryTable->rowAt (row);

        if (target == nullptr || target->path.isEmpty())
            return true;

        if (appState.preview.isCurrent (previewKey()))
            appState.preview.stop();

        juce::String error;

        if (! appState.renameWrittenFile (juce::File (target->path), newName, error))
        {
            showWarning ("The file was not renamed", error);
            return false;
        }

        shownRow = -1;
        shownPath.clear();
        refresh();
        return true;
    }

    juce::String ReportPage::previewKey() const
    {
        return shownPath.isEmpty() ? juce::String() : "delivered:" + shownPath;
    }

    //==============================================================================
    int ReportPage::getNumRows()
    {
        return (int) appState.lastReport.cues.size();
    }

    void ReportPage::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected)
    {
        const auto& cues = appState.lastReport.cues;

        if (! juce::isPositiveAndBelow (rowNumber, (int) cues.size()))
            return;

        const auto& cue = cues[(size_t) rowNumber];
        const bool attention = cue.needsAttention();

        if (rowIsSelected)
            g.fillAll (colours::accent.withAlpha (0.25f));

        if (attention)
            g.fillAll (colours::bad.withAlpha (0.16f));

        const int stripeWidth = cueStripeWidth (width);
        g.setColour (attention ? colours::bad : colours::good);
        g.fillRoundedRectangle (0.0f, 3.0f, (float) stripeWidth, (float) juce::jmax (0, height - 6), 2.0f);

        const int x = stripeWidth + 6;
        const int textWidth = cueTextWidth (width);
        const int contentHeight = juce::jmax (0, height - 4);
        const int firstHeight = contentHeight / 2;

        g.setFont (bodyFont());
        g.setColour (attention ? colours::bad : colours::textPrimary);
        g.drawText (cue.labelText(), x, 2, textWidth, firstHeight, juce::Justification::centredLeft, true);

        g.setFont (captionFont());
        g.setColour (attention ? colours::bad.withAlpha (0.85f) : colours::textSecondary);
        g.drawText (cueRowDetailText (cue), x, 2 + firstHeight, textWidth, contentHeight - firstHeight,
                    juce::Justification::centredLeft, true);
    }

    juce::String ReportPage::getTooltipForRow (int rowNumber)
    {
        const auto& cues = appState.lastReport.cues;

        if (! juce::isPositiveAndBelow (rowNumber, (int) cues.size()))
            return {};

        // A name the row cuts short.
        const auto name = cues[(size_t) rowNumber].labelText();
        const bool cut = bodyFont().getStringWidthFloat (name) > (float) cueTextWidth (cueList.getVisibleRowWidth());
        return cut ? name : juce::String();
    }

    void ReportPage::selectedRowsChanged (int)
    {
        if (selectingCue)
            return;

        if (const auto* cue = selectedCue())
            showCueDetails (*cue);
    }

    //==============================================================================
    void ReportPage::visibilityChanged()
    {
        // The output folder may have gone while another page was up.
        if (isVisible())
            updateButtonStates();

        if (isShowing())
            startTimerHz (10);
        else
            stopTimer();
    }

    void ReportPage::lookAndFeelChanged()
    {
        // The verdict's and the problems' colours are set directly: a new palette recolours them.
        showHeadline();
        problemsText.colour = colours::bad;
        problemsText.repaint();
    }

    void ReportPage::changeListenerCallback (juce::ChangeBroadcaster*)
    {
        refresh();
    }

    void ReportPage::timerCallback()
    {
        updateTransport();
    }

    void ReportPage::showWarning (const juce::String& title, const juce::String& message)
    {
        const ScopedDialogOwner owner (*appState.dialogs, this);
        appState.dialogs->showMessage (juce::MessageBoxIconType::WarningIcon, title, message);
    }
}
