#include "app/pages/report/ReportPage.h"

#include "app/pages/report/ReportTexts.h"
#include "core/model/Types.h"
#include "ui/Fonts.h"
#include "ui/TableColumnSetup.h"
#include "ui/TextFit.h"
#include "ui/WidthSqueeze.h"

#include <algorithm>
#include <cmath>

// The delivered-files table's columns: what they are, the widths that follow their texts,
// and the whole text of a cell that shows it cut.
namespace korvid::ui
{
    namespace
    {
        using Table = ReportPage::DeliveryTable;

        // The widths only start the table off: the texts set them (fitColumns). The minimums
        // are as far as dragging a border can squeeze a column.
        constexpr TableColumnSetup columnSetups[] = {
            { Table::fileColumn,    "File",    520, 60 },
            { Table::previewColumn, "Preview", 300, 30 },
            { Table::kindColumn,    "Kind",    56,  30 },
            { Table::tracksColumn,  "Tracks",  62,  30 },
            { Table::peakColumn,    "Peak",    84,  30 },
            { Table::formatColumn,  "Format",  90,  30 },
            { Table::lengthColumn,  "Length",  76,  30 },
            { Table::sizeColumn,    "Size",    76,  30 },
            { Table::statusColumn,  "Status",  240, 30 }
        };

        // A cell's text keeps 6 px a side; a pixel each for rounding.
        constexpr int cellMargins = 14;
        // The least the picture is drawn in while any text still wants room.
        constexpr int previewLeast = 60;
        // The start of a file's name, which keeps its room after the rest of the name gave way.
        constexpr int fileNameStart = 150;

        int textWidth (const juce::String& text, const juce::Font& font)
        {
            return (int) std::ceil (font.getStringWidthFloat (text));
        }

        /** What a column's caption needs: the look and feel writes it in bold at half the
            header's height, 4 px in from either side. The sort column's arrow squeezes its
            caption a little. */
        int headerWidthOf (const juce::TableHeaderComponent& header, int columnId)
        {
            const juce::Font font ((float) juce::jmax (1, header.getHeight()) * 0.5f, juce::Font::bold);
            return textWidth (header.getColumnName (columnId), font) + 8 + 1;
        }

        const char* kindText (int kind)
        {
            return kind == 1 ? "mix" : (kind == 2 ? "alt" : "stem");
        }
    }

    void ReportPage::DeliveryTable::addColumns()
    {
        auto& header = table.getHeader();
        header.setStretchToFitActive (true);
        const int flags = juce::TableHeaderComponent::visible | juce::TableHeaderComponent::resizable
                        | juce::TableHeaderComponent::draggable | juce::TableHeaderComponent::appearsOnColumnMenu;

        for (const auto& setup : columnSetups)
        {
            const int sortFlag = setup.id == previewColumn ? 0 : juce::TableHeaderComponent::sortable;
            header.addColumn (setup.header, setup.id, setup.width, setup.minimum, -1, flags | sortFlag);
        }

        header.addListener (this);
    }

    juce::String ReportPage::DeliveryTable::cellText (const DeliveryRow& row, int columnId)
    {
        switch (columnId)
        {
            case fileColumn:    return row.fileName;
            case kindColumn:    return kindText (row.kind);
            case tracksColumn:  return row.trackCount < 1 ? juce::String ("-") : juce::String (row.trackCount);
            case peakColumn:    return row.hasPeak ? reportLevelText (row.peakDb) : juce::String ("-");
            case formatColumn:  return row.format;
            case lengthColumn:  return row.lengthSeconds > 0.0 ? formatDuration (row.lengthSeconds) : juce::String ("-");
            case sizeColumn:    return deliverySizeText (row.sizeBytes);
            case statusColumn:  return row.status;
            default:            return {};
        }
    }

    int ReportPage::DeliveryTable::widthNeededBy (int columnId) const
    {
        return juce::jmax (headerWidthOf (table.getHeader(), columnId), cellsWidthOf (columnId));
    }

    int ReportPage::DeliveryTable::cellsWidthOf (int columnId) const
    {
        if (columnId == previewColumn)
            return 0;

        const auto font = bodyFont();
        int widest = 0;

        for (const auto& row : rows)
        {
            const auto text = cellText (row, columnId);

            if (text.isNotEmpty())
                widest = juce::jmax (widest, textWidth (text, font) + cellMargins);
        }

        return widest;
    }

    void ReportPage::DeliveryTable::fitColumns()
    {
        const int available = table.getVisibleContentWidth();
        fittedWidth = available;
        fittedColumns = visibleColumns();

        if (available <= 0 || fittedColumns.isEmpty())
            return;

        const auto shown = columnsInOrder();
        setWidths (shown, widthsFor (shown, available));
        fittedWidths = laidOutWidths;
    }

    std::vector<int> ReportPage::DeliveryTable::widthsFor (const juce::Array<int>& columns, int room) const
    {
        if (columns.isEmpty())
            return {};

        // A column is its least width and slices of room above it, each given up in its
        // turn when the table is short of room: first a status past its caption; then a
        // file's name past its start, read whole in its tooltip; then the picture down to a
        // strip and the start of the names; then a format past its caption, read whole in
        // its tooltip too; then the captions' room above their cells' texts. Kinds and
        // figures, which say little once cut, keep their texts' room until the table is too
        // narrow even for them. One column, the picture where it is shown, takes whatever
        // room is left over.
        enum Turn { leftOver, statuses, fileNames, starts, formats, captions, lastResort };
        const auto& header = table.getHeader();
        const int absorber = columns.contains (previewColumn) ? (int) previewColumn
                           : columns.contains (fileColumn)    ? (int) fileColumn
                                                              : *std::max_element (columns.begin(), columns.end());
        std::vector<SqueezableWidth> items;
        std::vector<size_t> firstItemOf;

        for (const int column : columns)
        {
            const int least = findColumnSetup (columnSetups, column).minimum;
            const int cells = cellsWidthOf (column);
            const int caption = headerWidthOf (header, column);
            int start = cells;
            Turn startTurn = lastResort;
            Turn beyondTurn = lastResort;

            if (column == previewColumn)
            {
                start = previewLeast;
                startTurn = starts;
            }
            else if (column == fileColumn)
            {
                start = juce::jmin (cells, fileNameStart);
                startTurn = starts;
                beyondTurn = fileNames;
            }
            else if (column == statusColumn)
            {
                start = 0;
                beyondTurn = statuses;
            }
            else if (column == formatColumn)
            {
                start = 0;
                beyondTurn = formats;
            }

            start = juce::jmax (least, start);
            const int withCaption = juce::jmax (start, caption);
            const int wanted = juce::jmax (withCaption, cells);

            firstItemOf.push_back (items.size());
            items.push_back ({ least, least, leftOver });
            items.push_back ({ start - least, 0, startTurn });
            items.push_back ({ withCaption - start, 0, captions });
            items.push_back ({ wanted - withCaption, 0, beyondTurn });

            if (column == absorber)
                items.push_back ({ room, 0, leftOver });
        }

        const auto squeezed = squeezeWidths (items, room);
        std::vector<int> widths;

        for (size_t i = 0; i < firstItemOf.size(); ++i)
        {
            const auto end = i + 1 < firstItemOf.size() ? firstItemOf[i + 1] : items.size();
            int width = 0;

            for (auto item = firstItemOf[i]; item < end; ++item)
                width += squeezed[item];

            widths.push_back (width);
        }

        return widths;
    }

    void ReportPage::DeliveryTable::setWidths (const juce::Array<int>& columns, const std::vector<int>& widths)
    {
        auto& header = table.getHeader();

        // JUCE stretches the others from the widths last set one by one when a border is
        // dragged, so every column is set, not only those that change.
        header.setStretchToFitActive (false);

        for (int i = 0; i < columns.size() && (size_t) i < widths.size(); ++i)
        {
            const int column = columns[i];
            const int width = widths[(size_t) i];

            if (header.getColumnWidth (column) == width)
                header.setColumnWidth (column, width + 1);

            header.setColumnWidth (column, width);
            laidOutWidths[column] = header.getColumnWidth (column);
        }

        header.setStretchToFitActive (true);

        if (renameEditor.isVisible())
            placeRenameEditor();
    }

    juce::Array<int> ReportPage::DeliveryTable::columnsInOrder() const
    {
        juce::Array<int> columns;
        auto& header = table.getHeader();

        for (int i = 0; i < header.getNumColumns (true); ++i)
            columns.add (header.getColumnIdOfIndex (i, true));

        return columns;
    }

    juce::Array<int> ReportPage::DeliveryTable::visibleColumns() const
    {
        juce::Array<int> columns;
        auto& header = table.getHeader();

        for (int i = 0; i < header.getNumColumns (true); ++i)
            columns.add (header.getColumnIdOfIndex (i, true));

        columns.sort();
        return columns;
    }

    void ReportPage::DeliveryTable::tableColumnsChanged (juce::TableHeaderComponent*)
    {
        // A column shown or hidden from the header's menu; a column moved or a new sort
        // keeps the widths, a user's own among them.
        if (visibleColumns() != fittedColumns)
            fitColumns();
    }

    void ReportPage::DeliveryTable::tableColumnsResized (juce::TableHeaderComponent*)
    {
        // A dragged border: JUCE has stretched the columns after it alike, below their texts
        // and past the edge by rounding. The first column whose width is not the one set here
        // is the dragged one; those before it stay, those after it share the rest of the
        // table as the texts want. Dragged back to where the texts put it, the table is laid
        // out as the texts want it again.
        const auto shown = columnsInOrder();
        auto& header = table.getHeader();
        int dragged = -1;

        for (int i = 0; i < shown.size() && dragged < 0; ++i)
        {
            const auto set = laidOutWidths.find (shown[i]);

            if (set == laidOutWidths.end() || set->second != header.getColumnWidth (shown[i]))
                dragged = i;
        }

        if (dragged < 0 || fittedWidth <= 0)
            return;

        bool asFitted = true;
        int before = 0;

        for (int i = 0; i <= dragged; ++i)
        {
            const auto fitted = fittedWidths.find (shown[i]);
            asFitted = asFitted && fitted != fittedWidths.end() && fitted->second == header.getColumnWidth (shown[i]);
            before += header.getColumnWidth (shown[i]);
        }

        if (asFitted)
        {
            fitColumns();
            return;
        }

        // The last column keeps the table's edge: there is nothing after it to give way.
        if (dragged == shown.size() - 1)
        {
            const int last = shown[dragged];
            setWidths ({ last }, { header.getColumnWidth (last) + fittedWidth - before });
            return;
        }

        juce::Array<int> after;

        for (int i = dragged + 1; i < shown.size(); ++i)
            after.add (shown[i]);

        // Keep what was dragged as it is, and fit those after it.
        laidOutWidths[shown[dragged]] = header.getColumnWidth (shown[dragged]);
        setWidths (after, widthsFor (after, fittedWidth - before));
    }

    void ReportPage::DeliveryTable::tableSortOrderChanged (juce::TableHeaderComponent*)
    {
    }

    juce::String ReportPage::DeliveryTable::shownCellText (int rowNumber, int columnId) const
    {
        const auto* row = rowAt (rowNumber);

        if (row == nullptr)
            return {};

        const auto text = cellText (*row, columnId);

        if (text.isEmpty())
            return text;

        const auto room = (float) (table.getHeader().getColumnWidth (columnId) - 12);

        // Names of one delivery share their start and differ at the end: a cut one keeps both.
        return columnId == fileColumn ? elideMiddle (text, bodyFont(), room) : elideEnd (text, bodyFont(), room);
    }

    bool ReportPage::DeliveryTable::cellShowsWhole (int row, int columnId) const
    {
        const auto* shown = rowAt (row);
        return shown == nullptr || shownCellText (row, columnId) == cellText (*shown, columnId);
    }

    juce::String ReportPage::DeliveryTable::getCellTooltip (int rowNumber, int columnId)
    {
        const auto* row = rowAt (rowNumber);
        return row != nullptr && ! cellShowsWhole (rowNumber, columnId) ? cellText (*row, columnId) : juce::String();
    }
}
