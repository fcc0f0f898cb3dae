#include "app/pages/report/ReportPage.h"

#include "core/report/FileKind.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/WaveformView.h"

#include <algorithm>
#include <cmath>

// The delivered-files table: columns, sorting, cells, choosing rows and renaming in place.
namespace korvid::ui
{
    namespace
    {
        juce::Colour dimmedUnlessFile (juce::Colour colour, const ReportPage::DeliveryRow& row)
        {
            return row.path.isEmpty() ? colour.withMultipliedAlpha (0.5f) : colour;
        }
    }

    ReportPage::DeliveryTable::DeliveryTable()
    {
        addAndMakeVisible (table);
        addChildComponent (renameEditor);

        table.setModel (this);
        table.setRowHeight (rowHeight);
        table.getViewport()->setScrollBarsShown (true, false);
        table.getVerticalScrollBar().addListener (this);

        addColumns();

        // Half a pixel above the body font: at 14.5 px (or centred) the editor loses the
        // underscores file names are full of.
        renameEditor.setFont (bodyFont().withHeight (15.0f));
        renameEditor.setBorder ({ 1, 4, 1, 4 });
        renameEditor.addKeyListener (this);
        renameEditor.onReturnKey = [this] { finishRename (true); };
        renameEditor.onEscapeKey = [this] { finishRename (false); };
        renameEditor.onFocusLost = [this] { editorFocusLost(); };
    }

    ReportPage::DeliveryTable::~DeliveryTable()
    {
        table.getVerticalScrollBar().removeListener (this);
        table.getHeader().removeListener (this);
        renameEditor.removeKeyListener (this);
        table.setModel (nullptr);
    }

    void ReportPage::DeliveryTable::resized()
    {
        table.setBounds (getLocalBounds());

        if (table.getVisibleContentWidth() != fittedWidth)
            fitColumns();

        if (renameEditor.isVisible())
            placeRenameEditor();
    }

    void ReportPage::DeliveryTable::placeRenameEditor()
    {
        const auto cell = table.getCellPosition (fileColumn, editingRow, true).translated (table.getX(), table.getY() + 1);
        renameEditor.setBounds (cell.withHeight (juce::jmax (0, cell.getHeight() - 2)));
    }

    //==============================================================================
    void ReportPage::DeliveryTable::setRows (std::vector<DeliveryRow>&& newRows)
    {
        finishRename (false);
        rows = std::move (newRows);
        reportOrderRows = rows;
        playingPath.clear();
        playFraction = -1.0;

        // The header's own notice of this arrives later and finds the order already applied.
        sortColumn = 0;
        sortForwards = true;
        table.getHeader().setSortColumnId (0, true);

        table.updateContent();
        fitColumns();
        table.deselectAllRows();
        repaint();
    }

    void ReportPage::DeliveryTable::updateRows (std::vector<DeliveryRow>&& newRows)
    {
        reportOrderRows = std::move (newRows);
        applySort();

        if (renameEditor.isVisible())
        {
            editingRow = rowOfPath (editingPath);

            if (editingRow < 0)
                finishRename (false);
        }

        table.updateContent();
        fitColumns();
        table.deselectAllRows();
        repaint();

        if (onRowsReordered)
            onRowsReordered();
    }

    void ReportPage::DeliveryTable::applySort()
    {
        rows = reportOrderRows;

        if (sortColumn == 0)
            return;

        const int direction = sortForwards ? 1 : -1;
        std::stable_sort (rows.begin(), rows.end(), [this, direction] (const DeliveryRow& a, const DeliveryRow& b)
        {
            return direction * compareRows (a, b, sortColumn) < 0;
        });
    }

    void ReportPage::DeliveryTable::sortOrderChanged (int newSortColumnId, bool isForwards)
    {
        if (newSortColumnId == sortColumn && isForwards == sortForwards)
            return;

        sortColumn = newSortColumnId;
        sortForwards = isForwards;
        applySort();
        finishRename (false);
        table.updateContent();
        repaint();

        if (onRowsReordered)
            onRowsReordered();
    }

    ReportPage::DeliveryRow* ReportPage::DeliveryTable::rowAt (int row)
    {
        return juce::isPositiveAndBelow (row, (int) rows.size()) ? &rows[(size_t) row] : nullptr;
    }

    const ReportPage::DeliveryRow* ReportPage::DeliveryTable::rowAt (int row) const
    {
        return juce::isPositiveAndBelow (row, (int) rows.size()) ? &rows[(size_t) row] : nullptr;
    }

    int ReportPage::DeliveryTable::firstRowWithFile() const
    {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].path.isNotEmpty())
                return (int) i;

        return -1;
    }

    int ReportPage::DeliveryTable::rowOfPath (const juce::String& path) const
    {
        if (path.isEmpty())
            return -1;

        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].path == path)
                return (int) i;

        return -1;
    }

    void ReportPage::DeliveryTable::selectOnly (int row)
    {
        if (rowAt (row) != nullptr)
            table.selectRow (row, false, true);
    }

    void ReportPage::DeliveryTable::setPlayhead (const juce::String& path, double fraction)
    {
        if (path == playingPath && std::abs (fraction - playFraction) < 0.002)
            return;

        playingPath = path;
        playFraction = fraction;
        table.repaint();
    }

    //==============================================================================
    int ReportPage::DeliveryTable::getNumRows()
    {
        return (int) rows.size();
    }

    void ReportPage::DeliveryTable::paintRowBackground (juce::Graphics& g, int rowNumber, int, int, bool rowIsSelected)
    {
        if (rowIsSelected)
            g.fillAll (colours::accent.withAlpha (0.25f));
        else if (rowNumber % 2 == 1)
            g.fillAll (colours::raisedBackground.withAlpha (0.35f));
    }

    void ReportPage::DeliveryTable::paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool)
    {
        const auto* row = rowAt (rowNumber);

        if (row == nullptr)
            return;

        g.setColour (colours::outline.withAlpha (0.6f));
        g.fillRect (width - 1, 2, 1, juce::jmax (0, height - 4));

        const auto kindColour = juce::Colour (fileKindColours (static_cast<FileKind> (row->kind)).top);
        const juce::Rectangle<int> area (6, 2, juce::jmax (0, width - 12), juce::jmax (0, height - 4));
        g.setFont (bodyFont());

        // Every text comes cut to its cell already, with its ellipsis (shownCellText).
        const auto drawText = [&] (const juce::String& text, juce::Colour colour, juce::Justification justification)
        {
            g.setColour (colour);
            g.drawText (text, area, justification, false);
        };

        switch (columnId)
        {
            case fileColumn:
                drawText (shownCellText (rowNumber, columnId),
                          dimmedUnlessFile (row->problem ? colours::bad : colours::textPrimary, *row),
                          juce::Justification::centredLeft);
                break;

            case previewColumn:
                if (row->overview.minima.empty())
                {
                    g.setFont (tinyFont());
                    drawText ("-", colours::textDisabled, juce::Justification::centred);
                    break;
                }

                WaveformView::drawMiniWaveform (g, area.toFloat(), row->overview, kindColour, true, 0.0, 1.0, 0.0, 1.0);

                if (row->path == playingPath && playFraction >= 0.0)
                {
                    g.setColour (colours::textPrimary.withAlpha (0.8f));
                    g.fillRect ((float) (6.0 + playFraction * (width - 12)), 2.0f, 1.0f, (float) juce::jmax (0, height - 4));
                }
                break;

            case kindColumn:
                drawText (shownCellText (rowNumber, columnId), dimmedUnlessFile (kindColour, *row),
                          juce::Justification::centredLeft);
                break;

            case tracksColumn:
            case peakColumn:
            case lengthColumn:
            case sizeColumn:
                drawText (shownCellText (rowNumber, columnId), dimmedUnlessFile (colours::textSecondary, *row),
                          juce::Justification::centredRight);
                break;

            case formatColumn:
                drawText (shownCellText (rowNumber, columnId), dimmedUnlessFile (colours::textSecondary, *row),
                          juce::Justification::centredLeft);
                break;

            case statusColumn:
                drawText (shownCellText (rowNumber, columnId),
                          row->problem ? colours::bad : dimmedUnlessFile (colours::textSecondary, *row),
                          juce::Justification::centredLeft);
                break;

            default:
                break;
        }
    }

    void ReportPage::DeliveryTable::cellClicked (int rowNumber, int, const juce::MouseEvent&)
    {
        if (onRowChosen)
            onRowChosen (rowNumber, false);
    }

    void ReportPage::DeliveryTable::cellDoubleClicked (int rowNumber, int columnId, const juce::MouseEvent&)
    {
        const auto* row = rowAt (rowNumber);

        if (columnId == fileColumn && row != nullptr && row->path.isNotEmpty())
        {
            beginRename (rowNumber);
            return;
        }

        if (onRowChosen)
            onRowChosen (rowNumber, true);
    }

    //==============================================================================
    void ReportPage::DeliveryTable::beginRename (int row)
    {
        finishRename (true);

        const auto* target = rowAt (row);

        if (target == nullptr || target->path.isEmpty())
            return;

        editingRow = row;
        editingPath = target->path;
        renameEditor.setText (juce::File (target->path).getFileNameWithoutExtension(), false);

        placeRenameEditor();
        renameScrollStart = table.getVerticalScrollBar().getCurrentRangeStart();

        renameEditor.setVisible (true);
        renameEditor.toFront (false);
        renameEditor.grabKeyboardFocus();
        renameEditor.selectAll();
    }

    bool ReportPage::DeliveryTable::finishRename (bool commit)
    {
        if (! renameEditor.isVisible())
            return true;

        auto text = renameEditor.getText().trim();
        const int row = editingRow;
        editingRow = -1;
        editingPath.clear();
        renameEditor.setVisible (false);

        const auto* target = rowAt (row);

        if (! commit || ! onRenameRequested || target == nullptr || target->path.isEmpty())
            return true;

        // A name typed with the file's own extension would otherwise end up with it twice.
        const juce::File file (target->path);
        const auto extension = file.getFileExtension();

        if (extension.isNotEmpty() && text.length() > extension.length() && text.endsWithIgnoreCase (extension))
            text = text.dropLastCharacters (extension.length()).trimEnd();

        if (text.isEmpty() || text == file.getFileNameWithoutExtension())
            return true;

        return onRenameRequested (row, text);
    }

    bool ReportPage::DeliveryTable::keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent)
    {
        if (originatingComponent != &renameEditor || key.getKeyCode() != juce::KeyPress::tabKey
            || ! renameEditor.isVisible())
            return false;

        const int step = key.getModifiers().isShiftDown() ? -1 : 1;
        int next = editingRow + step;

        while (rowAt (next) != nullptr && rowAt (next)->path.isEmpty())
            next += step;

        if (rowAt (next) == nullptr)
            return false;

        // The rename may move rows about (a refresh, a sort by name): the next file is
        // remembered by its path and found again where it is then.
        const auto nextPath = rowAt (next)->path;

        if (finishRename (true))
        {
            juce::MessageManager::callAsync ([safeThis = juce::Component::SafePointer<DeliveryTable> (this), nextPath]
            {
                if (safeThis == nullptr)
                    return;

                const int row = safeThis->rowOfPath (nextPath);

                if (row < 0)
                    return;

                safeThis->selectOnly (row);
                safeThis->beginRename (row);
            });
        }

        return true;
    }

    void ReportPage::DeliveryTable::scrollBarMoved (juce::ScrollBar*, double newRangeStart)
    {
        // The list also reports moves it made itself (layout, scrolling a row into view
        // when the rename began); only a real move away from the edited cell commits.
        if (renameEditor.isVisible() && std::abs (newRangeStart - renameScrollStart) > 0.5)
            finishRename (true);
    }

    void ReportPage::DeliveryTable::editorFocusLost()
    {
        // Focus loss arrives as a posted message, possibly after the next rename began.
        if (renameEditor.isVisible() && ! renameEditor.hasKeyboardFocus (true))
            finishRename (true);
    }
}
