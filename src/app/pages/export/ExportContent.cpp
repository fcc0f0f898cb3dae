#include "app/pages/export/ExportContent.h"

#include "ui/Fonts.h"
#include "ui/LabelTones.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        constexpr int reportGap = 6;

        int labelLineCount (const juce::Label& label)
        {
            return juce::jmax (1, juce::StringArray::fromLines (label.getText()).size());
        }
    }

    ExportPage::Content::Content()
    {
        cueTable = std::make_unique<CueResultList>();
        gatedList = std::make_unique<GatedTrackList>();

        settingsLayer.setInterceptsMouseClicks (false, true);
        addAndMakeVisible (presetLine);
        addAndMakeVisible (settingsLayer);

        cueLine.setFont (captionFont());
        setLabelTone (cueLine, 2);
        presetLine.setFont (smallFont());
        setLabelTone (presetLine, 1);

        addAllAndMakeVisible (settingsLayer, { &cuesHeader, &cueLine, &formatsHeader, &formatCaptions });
        settingsLayer.addChildComponent (cueTable.get());
        settingsLayer.addChildComponent (gatedList.get());

        statusText.font = smallMonoFont();
        statusText.colour = colours::textPrimary;
        statusText.lineSpacing = 1.5f;
        addAllAndMakeVisible (*this, { &reportHeader, &statusText, &issueList });

        // Monospaced, so the texts after "ERROR" and "warning" start in one column.
        issueList.setFont (smallMonoFont());
        issueList.setJustificationType (juce::Justification::topLeft);
        setLabelTone (issueList, 3);

        gatedList->onLayoutChanged = [this]
        {
            resized();
            repaint();

            if (onLayoutChanged)
                onLayoutChanged();
        };

        statusText.text = "Ready for analysis.\nAnalyse levels to see the gain, the peaks and the cue names before "
                          "anything is written.";
    }

    ExportPage::Content::~Content() = default;

    void ExportPage::Content::setSettingsEnabled (bool enabled)
    {
        settingsLayer.setEnabled (enabled);
    }

    void ExportPage::Content::addFormatRow (std::unique_ptr<FormatRow> row)
    {
        settingsLayer.addAndMakeVisible (row.get());
        formatRows.add (row.release());
    }

    void ExportPage::Content::mouseDown (const juce::MouseEvent&)
    {
        // A press on the body itself ends typing in a field, which commits it.
        if (auto* focused = juce::Component::getCurrentlyFocusedComponent(); focused != nullptr && isParentOf (focused))
            focused->giveAwayKeyboardFocus();
    }

    void ExportPage::Content::paint (juce::Graphics& g)
    {
        for (const auto& panel : panels)
            drawPanel (g, panel);

        g.setColour (colours::subtleOutline);

        for (const auto& divider : dividers)
            g.fillRect (divider);
    }

    void ExportPage::Content::resized()
    {
        panels.clear();
        dividers.clear();
        settingsLayer.setBounds (getLocalBounds());

        const int width = juce::jmax (0, getWidth() - 2 * margin);
        const int left = margin;
        int y = margin;

        presetLine.setBounds (left + 10, y, juce::jmax (0, width - 10), presetLineHeight);
        y += presetLineHeight + 6;

        // One block: its components from the top of the inner area down, then its panel.
        const auto placeBlock = [&] (const std::function<void (juce::Rectangle<int>&)>& layOut)
        {
            juce::Rectangle<int> area (left + 10, y + 10, juce::jmax (0, width - 20), 65536);
            const int startY = area.getY();
            layOut (area);
            const juce::Rectangle<int> bounds (left, y, width, area.getY() - startY + 20);
            panels.push_back (bounds);
            y += bounds.getHeight() + blockGap;
        };

        const auto take = [] (juce::Rectangle<int>& area, juce::Component& component, int height)
        {
            component.setBounds (area.removeFromTop (height));
        };

        placeBlock ([&] (juce::Rectangle<int>& area)
        {
            take (area, cuesHeader, headerHeight);
            take (area, cueLine, 18);
        });

        placeBlock ([&] (juce::Rectangle<int>& area)
        {
            take (area, formatsHeader, headerHeight);
            take (area, formatCaptions, 18);
            area.removeFromTop (5);

            for (auto* row : formatRows)
            {
                take (area, *row, formatRowHeight);
                area.removeFromTop (5);
            }
        });

        // The report area, below the last block's gap.
        y = y - blockGap + 12;
        reportHeader.setBounds (left + 10, y, juce::jmax (0, width - 10), headerHeight);
        reportTop = y;
        y += headerHeight;

        const int statusHeight = statusText.getPreferredHeight (2);
        statusText.setBounds (left, y, width, statusHeight);
        y += statusHeight + reportGap;

        if (cueTable->isVisible())
        {
            const int tableHeight = cueTable->getRequiredHeight();
            cueTable->setBounds (left, y, width, tableHeight);
            y += tableHeight + reportGap;
        }

        if (gatedList->isVisible())
        {
            const int listHeight = gatedList->getRequiredHeight();
            gatedList->setBounds (left, y, width, listHeight);
            panels.push_back (gatedList->getBounds());
            y += listHeight + reportGap;
        }

        const int issueHeight = ((int) std::ceil (issueList.getFont().getHeight()) + 3) * labelLineCount (issueList);
        issueList.setBounds (left, y, width, issueHeight);
        requiredHeight = issueList.getBottom() + margin;
    }
}
