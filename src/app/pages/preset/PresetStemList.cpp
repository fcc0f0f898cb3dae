#include "app/pages/preset/PresetPage.h"

#include "app/AppState.h"
#include "app/pages/preset/PresetDrawing.h"
#include "ui/Fonts.h"
#include "ui/LayoutHelpers.h"
#include "ui/Palette.h"
#include "ui/PopupCoverRepaint.h"

namespace korvid::ui
{
    //==============================================================================
    // Row geometry, shared with the mix heading.

    PresetPage::StemRowLayout PresetPage::layoutStemRow (juce::Rectangle<int> rect, int mixCount, int scrollOffset,
                                                         bool showAudition, int columnWidth) const
    {
        StemRowLayout layout;
        auto rest = rect;
        layout.auditionArea = showAudition ? rest.removeFromLeft (juce::jmin (rect.getWidth(), 22))
                                           : juce::Rectangle<int> (rect.getX(), rect.getY(), 0, rect.getHeight());
        layout.nameArea = mixCount == 0 ? rest : rest.removeFromLeft (juce::jmin (rest.getWidth(), stemNamePartWidth));
        layout.mixArea = rest;

        for (int i = 0; i < mixCount; ++i)
            layout.mixColumns.push_back ({ layout.mixArea.getX() + i * columnWidth - scrollOffset, layout.mixArea.getY(),
                                           columnWidth, layout.mixArea.getHeight() });

        return layout;
    }

    //==============================================================================
    int PresetPage::StemListModel::getNumRows()
    {
        return (int) page->appState.session.getPreset().schema.stems.size();
    }

    void PresetPage::StemListModel::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool selected)
    {
        const auto& schema = page->appState.session.getPreset().schema;

        if (rowNumber < 0 || rowNumber >= (int) schema.stems.size())
            return;

        const auto& stem = schema.stems[(size_t) rowNumber];

        if (selected)
            g.fillAll (colours::accent.withAlpha (0.25f));

        const bool showAudition = page->tickCueId.isNotEmpty();
        const auto layout = page->layoutStemRow ({ 0, 0, width, height }, (int) schema.submixes.size(),
                                                 page->mixScrollOffset, showAudition, page->mixColumnWidth);

        {
            const juce::Graphics::ScopedSaveState clip (g);
            g.reduceClipRegion (layout.mixArea);

            for (size_t i = 0; i < layout.mixColumns.size(); ++i)
            {
                const auto column = layout.mixColumns[i];
                g.setColour (colours::subtleOutline);
                g.fillRect (column.getX(), 2, 1, height - 4);
                drawTickBox (g, column, page->isSubmixMember (schema.submixes[i], stem));
            }
        }

        if (showAudition && page->stemHasTracksInCue (stem.id))
        {
            const bool playing = page->appState.preview.getCurrentKey() == page->stemAuditionKey (stem.id)
                              && (page->appState.preview.playing.load() || page->appState.preview.loading.load());
            drawPlaySymbol (g, layout.auditionArea, playing);
        }

        auto name = layout.nameArea;
        const int swatchWidth = name.getWidth() < 1 ? 0 : juce::jmin (name.getWidth(), 6);
        const auto swatch = name.removeFromLeft (swatchWidth);
        g.setColour (juce::Colour (stem.colour));
        g.fillRoundedRectangle (juce::Rectangle<int> (swatch.getX(), swatch.getY() + 3, swatch.getWidth(),
                                                      juce::jmax (height - 6, 0)).toFloat(), 2.0f);
        name.removeFromLeft (juce::jmin (name.getWidth(), 6));
        const auto codeArea = name.removeFromRight (juce::jmin (name.getWidth(), 74));

        g.setFont (bodyFont());
        g.setColour (colours::textPrimary);
        g.drawText (juce::String (stem.index).paddedLeft ('0', 2) + "  " + stem.displayName, name,
                    juce::Justification::centredLeft, true);
        g.setColour (colours::textSecondary);
        g.drawText (stem.shortCode, codeArea, juce::Justification::centredRight, true);
    }

    void PresetPage::StemListModel::listBoxItemClicked (int row, const juce::MouseEvent& e)
    {
        if (e.mods.isPopupMenu())
        {
            page->showStemContextMenu (row);
            return;
        }

        const auto& schema = page->appState.session.getPreset().schema;

        if (row < 0 || row >= (int) schema.stems.size())
            return;

        const auto layout = page->layoutStemRow ({ 0, 0, page->stemList->getVisibleRowWidth(), page->stemList->getRowHeight() },
                                                 (int) schema.submixes.size(), page->mixScrollOffset,
                                                 page->tickCueId.isNotEmpty(), page->mixColumnWidth);

        if (page->tickCueId.isNotEmpty() && layout.auditionArea.getWidth() > 0
            && e.x >= layout.auditionArea.getX() && e.x < layout.auditionArea.getRight())
        {
            page->auditionStem (schema.stems[(size_t) row].id);
            return;
        }

        if (e.x < layout.mixArea.getX() || e.x >= layout.mixArea.getRight())
            return;

        for (size_t i = 0; i < layout.mixColumns.size(); ++i)
        {
            if (e.x >= layout.mixColumns[i].getX() && e.x < layout.mixColumns[i].getRight())
            {
                page->toggleSubmixMember (row, (int) i);
                return;
            }
        }
    }

    void PresetPage::StemListModel::listBoxItemDoubleClicked (int row, const juce::MouseEvent&)
    {
        page->startInlineRename (row);
    }

    void PresetPage::StemListModel::backgroundClicked (const juce::MouseEvent& e)
    {
        if (e.mods.isPopupMenu())
            page->showStemContextMenu (-1);
    }

    void PresetPage::StemListModel::selectedRowsChanged (int)
    {
        // The pending edit belongs to the stem the editor still shows; committing it must
        // not reload the list, which would put the selection back on that stem.
        {
            const juce::ScopedValueSetter<bool> switching (page->switchingStem, true);
            page->commitStemEditor();
        }

        page->loadStemEditor();
    }

    juce::var PresetPage::StemListModel::getDragSourceDescription (const juce::SparseSet<int>&)
    {
        const int first = page->stemList->getSelectedRow (0);

        if (first < 0)
            return {};

        return juce::String (stemDragPrefix) + juce::String (first);
    }

    //==============================================================================
    PresetPage::StemListBox::StemListBox (PresetPage& owner, juce::ListBoxModel* model)
        : juce::ListBox ("stems", model), page (owner)
    {
    }

    bool PresetPage::StemListBox::isInterestedInDragSource (const SourceDetails& details)
    {
        return details.description.toString().startsWith (stemDragPrefix);
    }

    void PresetPage::StemListBox::itemDragEnter (const SourceDetails& details)
    {
        itemDragMove (details);
    }

    void PresetPage::StemListBox::itemDragMove (const SourceDetails& details)
    {
        dropRow = page.insertionRowAt (details.localPosition.y);
        repaint();
    }

    void PresetPage::StemListBox::itemDragExit (const SourceDetails&)
    {
        dropRow = -1;
        repaint();
    }

    void PresetPage::StemListBox::itemDropped (const SourceDetails& details)
    {
        const int from = details.description.toString().fromFirstOccurrenceOf (stemDragPrefix, false, false).getIntValue();
        const int to = page.insertionRowAt (details.localPosition.y);
        dropRow = -1;
        repaint();
        page.moveStem (from, to);
    }

    void PresetPage::StemListBox::paintOverChildren (juce::Graphics& g)
    {
        juce::ListBox::paintOverChildren (g);

        if (dropRow < 0)
            return;

        const int v = getViewport() != nullptr ? getViewport()->getViewPositionY() : 0;
        const int y = juce::jlimit (0, juce::jmax (0, getHeight() - 2), dropRow * getRowHeight() - v) - 1;
        g.setColour (colours::accent);
        g.fillRect (0, y, getWidth(), 2);
    }

    int PresetPage::insertionRowAt (int y) const
    {
        const int h = stemList->getRowHeight() < 2 ? 1 : stemList->getRowHeight();
        const int v = stemList->getViewport() != nullptr ? stemList->getViewport()->getViewPositionY() : 0;
        const int count = (int) appState.session.getPreset().schema.stems.size();
        return juce::jlimit (0, count, (y + v + h / 2) / h);
    }

    //==============================================================================
    const Stem* PresetPage::selectedStem() const
    {
        const auto& stems = appState.session.getPreset().schema.stems;
        const int row = stemList->getSelectedRow (0);
        return row >= 0 && row < (int) stems.size() ? &stems[(size_t) row] : nullptr;
    }

    juce::StringArray PresetPage::selectedStemIds() const
    {
        const auto& stems = appState.session.getPreset().schema.stems;
        juce::StringArray ids;

        for (int i = 0; i < stemList->getNumSelectedRows(); ++i)
        {
            const int row = stemList->getSelectedRow (i);

            if (row >= 0 && row < (int) stems.size())
                ids.add (stems[(size_t) row].id);
        }

        return ids;
    }

    void PresetPage::markDirty()
    {
        stemList->updateContent();
        stemList->repaint();
        loadStemEditor();
        broadcastChange();
        updateStatusLabel();
    }

    //==============================================================================
    void PresetPage::startInlineRename (int row)
    {
        const auto& schema = appState.session.getPreset().schema;

        if (row < 0 || row >= (int) schema.stems.size())
            return;

        renameRow = row;
        const auto rowBounds = getLocalArea (stemList, stemList->getRowPosition (row, true));
        const auto layout = layoutStemRow (rowBounds, (int) schema.submixes.size(), mixScrollOffset,
                                           tickCueId.isNotEmpty(), mixColumnWidth);
        auto area = layout.nameArea;
        area.removeFromLeft (juce::jmin (area.getWidth(), 12));
        area.removeFromRight (juce::jmin (area.getWidth(), 74));

        inlineNameEditor.setBounds (area);
        inlineNameEditor.setText (schema.stems[(size_t) row].displayName, false);
        inlineNameEditor.setVisible (true);
        inlineNameEditor.toFront (false);
        inlineNameEditor.grabKeyboardFocus();
        inlineNameEditor.selectAll();
    }

    void PresetPage::finishInlineRename (bool commit)
    {
        if (! inlineNameEditor.isVisible())
            return;

        const auto text = inlineNameEditor.getText().trim();
        const int row = renameRow;
        renameRow = -1;
        inlineNameEditor.setVisible (false);

        const auto& stems = appState.session.getPreset().schema.stems;

        if (! commit || text.isEmpty() || row < 0 || row >= (int) stems.size()
            || text == stems[(size_t) row].displayName)
            return;

        const auto stemId = stems[(size_t) row].id;
        const auto presetId = appState.session.getPreset().id;
        juce::Component::SafePointer<PresetPage> safeThis (this);

        confirmNameClash (text, stemId, [safeThis, text, stemId, presetId]
        {
            if (safeThis == nullptr)
                return;

            auto& page = *safeThis;
            auto preset = page.appState.session.getPreset();
            auto* stem = preset.schema.findStem (stemId);

            // The stem may have gone, or the preset been replaced, while the question was open.
            if (stem == nullptr || preset.id != presetId)
                return;

            if (stem->fileNameToken == stem->displayName)
                stem->fileNameToken = text;

            stem->displayName = text;
            page.appState.session.updatePreset (std::move (preset));
            page.refreshEditors();
            page.markDirty();
        });
    }

    //==============================================================================
    void PresetPage::moveStem (int fromRow, int insertionRow)
    {
        auto preset = appState.session.getPreset();
        const int count = (int) preset.schema.stems.size();

        if (fromRow < 0 || fromRow >= count)
            return;

        const int target = juce::jlimit (0, count - 1, fromRow < insertionRow ? insertionRow - 1 : insertionRow);

        if (target == fromRow)
            return;

        const auto id = preset.schema.stems[(size_t) fromRow].id;
        preset.schema.moveStem (id, target);
        selectedStemId = id;
        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();
    }

    void PresetPage::stepSelectedStem (int delta)
    {
        auto preset = appState.session.getPreset();
        const int position = preset.schema.indexOfStem (selectedStemId);

        if (position < 0)
            return;

        preset.schema.moveStem (selectedStemId, position + delta);
        appState.session.updatePreset (std::move (preset));
        refreshEditors();
        markDirty();
    }

    //==============================================================================
    void PresetPage::showStemContextMenu (int row)
    {
        auto menu = createStemContextMenu (row);
        juce::Component::SafePointer<PresetPage> safeThis (this);
        const int firstSelected = stemList->getSelectedRow (0);

        menu.showMenuAsync (popupMenuOptions (*this), [safeThis, firstSelected] (int result)
        {
            if (safeThis != nullptr)
                safeThis->stemContextMenuChosen (result, firstSelected);
        });
    }

    juce::PopupMenu PresetPage::createStemContextMenu (int row)
    {
        const int count = (int) appState.session.getPreset().schema.stems.size();

        if (row >= 0 && row < count)
        {
            stemList->selectRow (row, false, true);
            stemList->scrollToEnsureRowIsOnscreen (row);
        }

        const bool stemSelected = selectedStemId.isNotEmpty();
        const int selectedCount = stemList->getNumSelectedRows();

        juce::PopupMenu menu;
        menu.addItem (addStemItem, "Add stem");

        if (row >= 0)
            menu.addItem (addSeveralItem, "Add several stems...");

        menu.addSeparator();
        menu.addItem (duplicateItem, "Duplicate", stemSelected);
        menu.addItem (renameItem, "Rename", stemSelected);
        menu.addItem (colourItem, "Colour...", stemSelected);
        menu.addSeparator();
        menu.addItem (deleteItem, selectedCount < 2 ? juce::String ("Delete")
                                                    : "Delete " + juce::String (selectedCount) + " stems",
                      stemSelected);
        return menu;
    }

    void PresetPage::stemContextMenuChosen (int result, int firstSelectedRow)
    {
        switch (result)
        {
            case addStemItem:    appendStems (1); break;
            case addSeveralItem: addSeveralStems(); break;
            case duplicateItem:  duplicateStem(); break;
            case renameItem:     startInlineRename (firstSelectedRow); break;
            case colourItem:     showStemColourChooser(); break;
            case deleteItem:     deleteStem(); break;
            default: break;
        }
    }

    //==============================================================================
    void PresetPage::showStemColourChooser()
    {
        const auto* stem = selectedStem();

        if (stem == nullptr)
            return;

        auto selector = std::make_unique<juce::ColourSelector> (juce::ColourSelector::showColourAtTop
                                                                    | juce::ColourSelector::showColourspace,
                                                                4, 7);
        selector->setName ("Stem colour");
        selector->setCurrentColour (juce::Colour (stem->colour), juce::dontSendNotification);
        selector->setSize (300, 320);
        selector->addChangeListener (this);
        openColourSelector = selector.get();
        colourStemId = stem->id;

        repaintWhatItCoversOnceClosed (juce::CallOutBox::launchAsynchronously (std::move (selector), colourButton.getScreenBounds(), nullptr));
    }

    void PresetPage::changeListenerCallback (juce::ChangeBroadcaster* source)
    {
        auto* selector = openColourSelector.getComponent();

        if (selector == nullptr || source != selector || colourStemId.isEmpty())
            return;

        auto preset = appState.session.getPreset();
        auto* stem = preset.schema.findStem (colourStemId);

        if (stem == nullptr)
            return;

        const auto colour = selector->getCurrentColour();
        stem->colour = colour.getARGB();

        {
            const juce::ScopedValueSetter<bool> filling (applyingEdit, true);
            appState.session.updatePreset (std::move (preset));
        }

        colourButton.setColour (juce::TextButton::buttonColourId, colour);
        colourButton.setColour (juce::TextButton::textColourOffId, textColourOn (colour));
        stemList->repaint();
    }
}
