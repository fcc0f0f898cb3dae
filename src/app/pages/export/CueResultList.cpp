#include "app/pages/export/CueResultList.h"

namespace korvid::ui
{
    ExportPage::CueResultList::CueResultList() = default;

    void ExportPage::CueResultList::setRows (std::vector<Row>&& newRows)
    {
        rows = std::move (newRows);
        setVisible (! rows.empty());
        repaint();
    }

    int ExportPage::CueResultList::getRequiredHeight() const
    {
        return rows.empty() ? 0 : (int) rows.size() * rowHeight + headerHeight;
    }
}
