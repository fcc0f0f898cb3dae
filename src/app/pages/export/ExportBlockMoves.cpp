#include "app/pages/export/ExportBlockMoves.h"

#include "app/AppState.h"
#include "app/pages/export/ExportBlockArrangement.h"
#include "app/pages/export/ExportContent.h"
#include "ui/DraggingHandCursor.h"
#include "ui/Palette.h"

#include <algorithm>
#include <limits>

namespace korvid::ui
{
    namespace
    {
        const juce::String blockColumnsKey ("exportBlockColumns");
        const juce::String columnWidthsKey ("exportColumnWidths");
        constexpr int narrowestColumn = 440;
    }

    //==============================================================================
    ExportPage::BlockHandle::BlockHandle (const juce::String& blockKey)
        : key (blockKey)
    {
        setMouseCursor (getDraggingHandCursor());
    }

    juce::Point<int> ExportPage::BlockHandle::inBody (const juce::MouseEvent& e) const
    {
        auto* body = getParentComponent();
        return body != nullptr ? e.getEventRelativeTo (body).getPosition() : e.getPosition();
    }

    void ExportPage::BlockHandle::mouseDrag (const juce::MouseEvent& e)
    {
        dragging = true;

        if (onDrag)
            onDrag (key, inBody (e));
    }

    void ExportPage::BlockHandle::mouseUp (const juce::MouseEvent& e)
    {
        const bool wasDragging = dragging;
        dragging = false;

        if (wasDragging && onDrop)
            onDrop (key, inBody (e));
        else if (onRelease)
            onRelease();
    }

    //==============================================================================
    ExportPage::ColumnSplitter::ColumnSplitter (int columnIndex)
        : index (columnIndex)
    {
        setMouseCursor (juce::MouseCursor::LeftRightResizeCursor);
    }

    void ExportPage::ColumnSplitter::mouseDown (const juce::MouseEvent&)
    {
        pressed = true;
        repaint();

        if (onPress)
            onPress (index);
    }

    void ExportPage::ColumnSplitter::mouseDrag (const juce::MouseEvent& e)
    {
        if (onDrag)
            if (auto* body = getParentComponent())
                onDrag (index, e.getEventRelativeTo (body).getPosition().x);
    }

    void ExportPage::ColumnSplitter::mouseUp (const juce::MouseEvent&)
    {
        pressed = false;
        repaint();
    }

    void ExportPage::ColumnSplitter::mouseEnter (const juce::MouseEvent&)
    {
        hovered = true;
        repaint();
    }

    void ExportPage::ColumnSplitter::mouseExit (const juce::MouseEvent&)
    {
        hovered = false;
        repaint();
    }

    void ExportPage::ColumnSplitter::paint (juce::Graphics& g)
    {
        if (! hovered && ! pressed)
            return;

        g.setColour (colours::accent.withAlpha (0.35f));
        g.fillRect (getWidth() / 2 - 1, 2, 2, juce::jmax (0, getHeight() - 4));
    }

    //==============================================================================
    ExportPage::BlockHandle* ExportPage::Content::handleFor (const juce::String& key) const
    {
        for (auto* handle : handles)
            if (handle->key == key)
                return handle;

        return nullptr;
    }

    ExportPage::ColumnSplitter* ExportPage::Content::splitter (int index) const
    {
        return splitters[index];
    }

    int ExportPage::Content::columnAt (int x) const
    {
        for (size_t i = 0; i < columnRects.size(); ++i)
            if (x >= columnRects[i].getX() && x < columnRects[i].getRight())
                return (int) i;

        return -1;
    }

    void ExportPage::Content::showDropIndicator (const juce::String& key, juce::Point<int> position)
    {
        const int column = columnAt (position.x);
        juce::Rectangle<int> indicator;

        if (column >= 0)
        {
            const auto& rect = columnRects[(size_t) column];
            int bottom = rect.getY();
            int nextTop = std::numeric_limits<int>::max();

            for (const auto& placement : placements)
            {
                if (placement.column != column || placement.key == key)
                    continue;

                bottom = juce::jmax (bottom, placement.bounds.getBottom());

                if (placement.bounds.getY() > position.y)
                    nextTop = juce::jmin (nextTop, placement.bounds.getY());
            }

            const int y = nextTop != std::numeric_limits<int>::max() ? nextTop - 7 : bottom + 5;
            indicator = { rect.getX(), y, rect.getWidth(), 2 };
        }

        if (column != hoverColumn || indicator != dropIndicator)
        {
            hoverColumn = column;
            dropIndicator = indicator;
            repaint();
        }
    }

    void ExportPage::Content::clearDropIndicator()
    {
        hoverColumn = -1;
        dropIndicator = {};
    }

    void ExportPage::Content::moveBlock (const juce::String& key, juce::Point<int> position)
    {
        const int column = columnAt (position.x);

        // A drop on a gap between columns, or beside them, changes nothing.
        if (column < 0)
            return;

        struct Line
        {
            juce::String key;
            int column;
            int y;
        };

        std::vector<Line> lines;

        for (const auto& placement : placements)
            if (placement.key != key)
                lines.push_back ({ placement.key, placement.column, placement.bounds.getY() });

        lines.push_back ({ key, column, position.y });

        // Stable, so the moved block comes last among blocks at the same place.
        std::stable_sort (lines.begin(), lines.end(), [] (const Line& a, const Line& b)
        {
            return a.column != b.column ? a.column < b.column : a.y < b.y;
        });

        juce::StringArray text;

        for (const auto& line : lines)
            text.add (line.key + ":" + juce::String (line.column));

        setBlockLayoutText (text.joinIntoString ("\n"));

        if (onBlockLayoutChanged)
            onBlockLayoutChanged (layoutText);
    }

    void ExportPage::Content::pressSplitter (int)
    {
        dragStartWidths = columnWidths;
    }

    void ExportPage::Content::dragSplitter (int index, int x)
    {
        if (dragStartWidths.empty())
            dragStartWidths = columnWidths;

        if (index + 1 >= (int) dragStartWidths.size() || usableWidth <= 0 || index < 0)
            return;

        const int pair = dragStartWidths[(size_t) index] + dragStartWidths[(size_t) index + 1];

        // Two columns narrower together than two of the narrowest cannot share anew.
        if (pair < 2 * narrowestColumn)
            return;

        int start = columnsLeft;

        for (int j = 0; j < index; ++j)
            start += dragStartWidths[(size_t) j] + columnGap;

        auto widths = dragStartWidths;
        widths[(size_t) index] = juce::jlimit (narrowestColumn, pair - narrowestColumn, x - start);
        widths[(size_t) index + 1] = pair - widths[(size_t) index];

        std::vector<double> fractions;

        for (const int width : widths)
            fractions.push_back ((double) width / usableWidth);

        columnFractions = fractions;
        relayoutFromInside();

        if (onColumnWidthsChanged)
            onColumnWidthsChanged (columnWidthsText (columnFractions));
    }

    //==============================================================================
    void ExportPage::loadBlockLayout()
    {
        content->setBlockLayoutText (cleanStoredBlockLayout (appState.settings->getValue (blockColumnsKey, {})));
    }

    void ExportPage::loadColumnWidths()
    {
        std::vector<double> fractions;

        if (parseColumnWidths (appState.settings->getValue (columnWidthsKey, {}), fractions))
            content->setColumnFractions (std::move (fractions));
    }

    void ExportPage::resetBlockLayout()
    {
        appState.settings->setValue (blockColumnsKey, juce::String());
        appState.saveSettings();
        content->setBlockLayoutText ({});

        appState.settings->setValue (columnWidthsKey, juce::String());
        appState.saveSettings();
        content->setColumnFractions ({});
    }

    void ExportPage::storeBlockLayout (const juce::String& text)
    {
        appState.settings->setValue (blockColumnsKey, text);
        appState.saveSettings();
    }

    void ExportPage::storeColumnWidths (const juce::String& text)
    {
        appState.settings->setValue (columnWidthsKey, text);
        appState.saveSettings();
    }
}
