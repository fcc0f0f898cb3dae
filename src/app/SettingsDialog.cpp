#include "app/SettingsDialog.h"

#include "ui/Fonts.h"
#include "ui/PopupCoverRepaint.h"

#include <cmath>

namespace korvid::ui
{
    //==============================================================================
    void PaletteRow::Listener::changeListenerCallback (juce::ChangeBroadcaster* source)
    {
        if (auto* selector = dynamic_cast<juce::ColourSelector*> (source))
            if (onColour)
                onColour (*selector);
    }

    PaletteRow::PaletteRow (const PaletteEntry& paletteEntry)
        : entry (paletteEntry)
    {
    }

    PaletteRow::~PaletteRow()
    {
        if (auto* selector = openSelector.getComponent())
            selector->removeChangeListener (&listener);
    }

    juce::Colour PaletteRow::currentColour() const
    {
        return currentPalette.*(entry.member);
    }

    void PaletteRow::paint (juce::Graphics& g)
    {
        auto area = getLocalBounds();

        const auto swatch = area.removeFromLeft (46).reduced (0, 3).toFloat();
        g.setColour (currentColour());
        g.fillRoundedRectangle (swatch, 4.0f);
        g.setColour (colours::outline);
        g.drawRoundedRectangle (swatch, 4.0f, 1.0f);

        area.removeFromLeft (12);

        g.setColour (colours::textPrimary);
        g.setFont (bodyFont());
        g.drawText (entry.label, area.removeFromLeft (130), juce::Justification::centredLeft, true);

        g.setColour (colours::textSecondary);
        g.setFont (captionFont());
        g.drawText (entry.description, area, juce::Justification::centredLeft, true);
    }

    void PaletteRow::mouseUp (const juce::MouseEvent&)
    {
        if (auto* previous = openSelector.getComponent())
            previous->removeChangeListener (&listener);

        auto selector = std::make_unique<juce::ColourSelector> (juce::ColourSelector::showColourAtTop
                                                                    | juce::ColourSelector::showSliders
                                                                    | juce::ColourSelector::showColourspace,
                                                                4, 7);
        selector->setCurrentColour (currentColour(), juce::dontSendNotification);
        selector->setSize (260, 300);

        juce::Component::SafePointer<PaletteRow> safeThis (this);
        listener.onColour = [safeThis] (juce::ColourSelector& changed)
        {
            auto* row = safeThis.getComponent();

            if (row == nullptr)
                return;

            auto palette = getCurrentPalette();
            palette.*(row->entry.member) = changed.getCurrentColour();
            applyPalette (palette);

            if (row->onChange)
                row->onChange();
        };

        selector->addChangeListener (&listener);
        openSelector = selector.get();

        repaintWhatItCoversOnceClosed (juce::CallOutBox::launchAsynchronously (std::move (selector), getScreenBounds(), nullptr));
    }

    //==============================================================================
    void SettingsDialog::RowHolder::paint (juce::Graphics& g)
    {
        if (getWidth() < 1)
            return;

        g.setColour (colours::subtleOutline);
        g.fillRect (getWidth() / 2 - 1, 0, 1, getHeight());
    }

    //==============================================================================
    int SettingsDialog::nearestOfferedScale (int percent)
    {
        int best = offeredScales[0];

        // Ascending order and a strict comparison: on a tie the smaller size stays.
        for (int offered : offeredScales)
            if (std::abs (offered - percent) < std::abs (best - percent))
                best = offered;

        return best;
    }

    SettingsDialog::SettingsDialog (int scalePercent, bool customPaletteInUse, Callbacks callbacks)
        : onScaleChanged (std::move (callbacks.onScaleChanged)),
          onCustomChanged (std::move (callbacks.onCustomChanged)),
          onPaletteEdited (std::move (callbacks.onPaletteEdited))
    {
        for (auto* child : std::initializer_list<juce::Component*> { &scaleLabel, &scaleBox, &coloursLabel,
                                                                     &colourModeBox, &resetButton, &viewport })
            addAndMakeVisible (child);

        scaleLabel.setText ("Interface size", juce::dontSendNotification);
        coloursLabel.setText ("Colors", juce::dontSendNotification);

        for (int offered : offeredScales)
            scaleBox.addItem (juce::String (offered) + "%", offered);

        scaleBox.setSelectedId (nearestOfferedScale (scalePercent), juce::dontSendNotification);
        scaleBox.setTooltip ("Resizes the whole interface. Everything scales together and every control is "
                             "measured from the font, so nothing overlaps at any of the sizes offered - smaller "
                             "fits more rows on a laptop screen.");
        scaleBox.onChange = [this]
        {
            if (onScaleChanged)
                onScaleChanged (scaleBox.getSelectedId());
        };

        colourModeBox.addItem ("Default", 1);
        colourModeBox.addItem ("Custom", 2);
        colourModeBox.setSelectedId (customPaletteInUse ? 2 : 1, juce::dontSendNotification);
        colourModeBox.onChange = [this]
        {
            if (onCustomChanged)
                onCustomChanged (customSelected());

            updateEnabledState();
            repaintRows();
        };

        resetButton.setButtonText ("Reset colors to default");
        resetButton.onClick = [this]
        {
            applyPalette (defaultPalette());
            reportPaletteEdited();
            repaintRows();
        };

        for (const auto& paletteEntry : paletteEntries())
        {
            auto row = std::make_unique<PaletteRow> (paletteEntry);
            row->onChange = [this]
            {
                reportPaletteEdited();
                repaintRows();
            };
            rowHolder.addAndMakeVisible (row.get());
            rows.push_back (std::move (row));
        }

        viewport.setViewedComponent (&rowHolder, false);
        viewport.setScrollBarsShown (true, false);

        updateEnabledState();
        setSize (860, 450);
    }

    SettingsDialog::~SettingsDialog() = default;

    bool SettingsDialog::customSelected() const
    {
        return colourModeBox.getSelectedId() == 2;
    }

    void SettingsDialog::updateEnabledState()
    {
        const bool custom = customSelected();
        viewport.setEnabled (custom);
        viewport.setAlpha (custom ? 1.0f : 0.4f);
        resetButton.setEnabled (custom);
    }

    void SettingsDialog::reportPaletteEdited()
    {
        // The default palette is never stored as a custom one.
        if (customSelected() && onPaletteEdited)
            onPaletteEdited (getCurrentPalette());
    }

    void SettingsDialog::repaintRows()
    {
        for (auto& row : rows)
            row->repaint();
    }

    void SettingsDialog::paint (juce::Graphics& g)
    {
        g.fillAll (colours::windowBackground);
    }

    void SettingsDialog::resized()
    {
        auto area = getLocalBounds().reduced (12);

        auto top = area.removeFromTop (30);
        scaleLabel.setBounds (top.removeFromLeft (130));
        scaleBox.setBounds (top.removeFromLeft (140));
        top.removeFromLeft (24);
        const int labelWidth = (int) std::ceil (bodyFont().getStringWidthFloat (coloursLabel.getText())) + 6;
        coloursLabel.setBounds (top.removeFromLeft (labelWidth));
        colourModeBox.setBounds (top.removeFromLeft (140));

        area.removeFromTop (12);
        viewport.setBounds (area.removeFromTop (342));

        const int count = (int) rows.size();
        const int perColumn = (count + 1) / 2;
        const int holderWidth = juce::jmax (0, viewport.getWidth() - viewport.getScrollBarThickness());
        rowHolder.setSize (holderWidth, perColumn * rowHeight);

        const int columnWidth = (holderWidth - 24) / 2;

        for (int i = 0; i < count; ++i)
        {
            const int column = perColumn > 0 ? i / perColumn : 0;
            const int line = perColumn > 0 ? i % perColumn : 0;
            rows[(size_t) i]->setBounds (column * (columnWidth + 24), line * rowHeight, columnWidth, rowHeight);
        }

        area.removeFromTop (12);
        resetButton.setBounds (area.removeFromTop (30).removeFromLeft (200));
    }
}
