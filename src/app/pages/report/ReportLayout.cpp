#include "app/pages/report/ReportPage.h"

#include "app/AppState.h"
#include "ui/Palette.h"

#include <cmath>

// Where everything on the Report page goes, and the grip that sizes the player.
namespace korvid::ui
{
    namespace
    {
        // Each line of the text with line breaks put between its words, so that no line is
        // wider than the width; a single word wider than that keeps a line of its own.
        juce::String wrapToWidth (const juce::String& text, const juce::Font& font, int width)
        {
            juce::StringArray lines;

            for (const auto& source : juce::StringArray::fromLines (text))
            {
                juce::String line;
                bool started = false;

                for (const auto& word : juce::StringArray::fromTokens (source, " ", {}))
                {
                    const auto candidate = started ? line + " " + word : word;

                    if (started && line.isNotEmpty() && (int) std::ceil (font.getStringWidthFloat (candidate)) > width)
                    {
                        lines.add (line);
                        line = word;
                    }
                    else
                    {
                        line = candidate;
                    }

                    started = true;
                }

                lines.add (line);
            }

            return lines.joinIntoString ("\n");
        }

        juce::Rectangle<int> takeTop (juce::Rectangle<int>& area, int height)
        {
            return area.removeFromTop (juce::jlimit (0, area.getHeight(), height));
        }

        juce::Rectangle<int> takeBottom (juce::Rectangle<int>& area, int height)
        {
            return area.removeFromBottom (juce::jlimit (0, area.getHeight(), height));
        }

        juce::Rectangle<int> takeLeft (juce::Rectangle<int>& area, int width)
        {
            return area.removeFromLeft (juce::jlimit (0, area.getWidth(), width));
        }

        juce::Rectangle<int> takeRight (juce::Rectangle<int>& area, int width)
        {
            return area.removeFromRight (juce::jlimit (0, area.getWidth(), width));
        }
    }

    void ReportPage::resized()
    {
        const auto content = getLocalBounds().reduced (12);
        const int width = content.getWidth();
        const int height = content.getHeight();

        cueList.setVisible (appState.lastReport.cues.size() > 1);

        const int leftWidth = juce::jmin (290, width);
        const int gap = juce::jmin (12, width - leftWidth);
        auto left = content.withWidth (leftWidth);
        const auto right = content.withTrimmedLeft (leftWidth + gap);

        showWrapped (summaryText, summarySource, leftWidth - 12);

        headline.setBounds (takeTop (left, 30));
        takeTop (left, 6);
        summaryPanel = takeBottom (left, summaryText.getPreferredHeight (1) + 12);
        summaryText.setBounds (summaryPanel.reduced (6));
        takeBottom (left, 12);
        cueListPanel = left;
        cueList.setBounds (cueListPanel);

        layOutRightColumn (right, height);
        repaint();
    }

    void ReportPage::showWrapped (TextBlock& block, const juce::String& source, int width)
    {
        const auto wrapped = wrapToWidth (source, block.font, juce::jmax (0, width));

        if (wrapped != block.text)
        {
            block.text = wrapped;
            block.repaint();
        }
    }

    void ReportPage::layOutRightColumn (juce::Rectangle<int> column, int contentHeight)
    {
        juce::Rectangle<int> tableArea;

        if (deliveryTable->getNumRowsShown() == 0)
        {
            setPlayerVisible (false);
            auto buttonRow = column.withTrimmedTop (juce::jmax (0, column.getHeight() - 30));
            layOutShareButtons (buttonRow);
            tableArea = column.withHeight (juce::jmax (0, contentHeight - 36));
        }
        else
        {
            setPlayerVisible (true);

            // In a narrow window the buttons, and then the file's name and time, get rows of
            // their own under the transport. The player grows by the buttons' row, which would
            // otherwise leave the spectrogram a sliver.
            const int transportRowWidth = juce::jmax (0, column.getWidth() - (96 + 5 + 110 + 12));
            const bool buttonsWrap = transportRowWidth < shareButtonsWidth;
            const bool captionWraps = (buttonsWrap ? transportRowWidth : transportRowWidth - shareButtonsWidth)
                                    < minimumCaptionRowWidth;

            const int tallest = juce::jmax (minimumTransportHeight, (2 * contentHeight) / 3);
            const int playerHeight = juce::jmin (juce::jlimit (minimumTransportHeight, tallest, transportHeight)
                                                     + (buttonsWrap ? 4 + 30 : 0),
                                                 contentHeight);
            auto rest = column;
            auto player = takeBottom (rest, playerHeight);
            transportGrip->setBounds (takeBottom (rest, 10));
            takeBottom (rest, 6);
            tableArea = rest;

            auto inner = player.withTrimmedTop (juce::jmin (6, player.getHeight()))
                               .withHeight (juce::jmax (0, playerHeight - 12));
            auto firstRow = takeTop (inner, 30);
            playButton.setBounds (takeLeft (firstRow, 96));
            takeLeft (firstRow, 5);
            autoplayToggle.setBounds (takeLeft (firstRow, 110));
            takeLeft (firstRow, 12);

            if (buttonsWrap)
            {
                takeTop (inner, 4);
                auto buttonRow = takeTop (inner, 30);
                layOutShareButtons (buttonRow);
            }
            else
            {
                layOutShareButtons (firstRow);
            }

            auto captionRow = firstRow;

            if (captionWraps)
            {
                takeTop (inner, 4);
                captionRow = takeTop (inner, 22);
            }

            timeLabel.setBounds (takeRight (captionRow, 170));
            takeRight (captionRow, 6);
            fileCaption.setBounds (captionRow);

            takeTop (inner, 6);
            waveformView.setBounds (takeBottom (inner, 44));
            takeBottom (inner, 5);
            spectrogramView.setBounds (inner);
        }

        if (problemsText.isVisible())
        {
            showWrapped (problemsText, problemsSource, tableArea.getWidth());
            problemsText.setBounds (takeTop (tableArea, juce::jmin (problemsText.getPreferredHeight (1),
                                                                    tableArea.getHeight() / 3)));
            takeTop (tableArea, 6);
        }

        deliveryTable->setBounds (tableArea);
    }

    void ReportPage::layOutShareButtons (juce::Rectangle<int>& row)
    {
        openFolderButton.setBounds (takeRight (row, 170));
        takeRight (row, 5);
        copyListButton.setBounds (takeRight (row, 150));
        takeRight (row, 5);
        saveTextButton.setBounds (takeRight (row, 92));
        takeRight (row, 5);
        saveHtmlButton.setBounds (takeRight (row, 96));
        takeRight (row, 5);
        openInBrowserButton.setBounds (takeRight (row, 150));
        takeRight (row, 12);
    }

    void ReportPage::setPlayerVisible (bool shouldBeVisible)
    {
        for (auto* component : std::initializer_list<juce::Component*> { &playButton, &autoplayToggle, &spectrogramView,
                                                                           &waveformView, &fileCaption, &timeLabel,
                                                                           transportGrip.get() })
            component->setVisible (shouldBeVisible);
    }

    void ReportPage::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);
        g.setColour (colours::panelBackground);

        if (cueList.isVisible() && ! cueListPanel.isEmpty())
            g.fillRect (cueListPanel);

        if (! summaryPanel.isEmpty())
            g.fillRect (summaryPanel);
    }

    void ReportPage::setTransportHeight (int height)
    {
        const int limited = juce::jlimit (minimumTransportHeight, maximumTransportHeight, height);

        if (limited == transportHeight)
            return;

        transportHeight = limited;
        appState.settings->setValue (transportHeightKey, transportHeight);   // the file's own delayed save writes it
        resized();
    }

    //==============================================================================
    ReportPage::TransportGrip::TransportGrip (ReportPage* owner)
        : page (owner)
    {
        setMouseCursor (juce::MouseCursor::UpDownResizeCursor);
    }

    void ReportPage::TransportGrip::mouseEnter (const juce::MouseEvent&)
    {
        pointerOver = true;
        repaint();
    }

    void ReportPage::TransportGrip::mouseExit (const juce::MouseEvent&)
    {
        pointerOver = false;
        repaint();
    }

    void ReportPage::TransportGrip::mouseDown (const juce::MouseEvent&)
    {
        dragStartHeight = page->transportHeight;
    }

    void ReportPage::TransportGrip::mouseDrag (const juce::MouseEvent& e)
    {
        // Up makes the player taller.
        page->setTransportHeight (dragStartHeight - e.getDistanceFromDragStartY());
    }

    void ReportPage::TransportGrip::paint (juce::Graphics& g)
    {
        g.setColour (colours::outline.withAlpha (pointerOver ? 1.0f : 0.7f));

        const float x = (float) getWidth() * 0.5f - 14.0f;
        const float centre = (float) getHeight() * 0.5f - 0.5f;

        for (const float offset : { -3.0f, 0.0f, 3.0f })
            g.fillRect (x, centre + offset, 28.0f, 1.0f);
    }
}
