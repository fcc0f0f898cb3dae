#include "app/pages/export/GatedTrackList.h"

namespace korvid::ui
{
    ExportPage::GatedTrackList::GatedTrackList() = default;

    void ExportPage::GatedTrackList::setRows (std::vector<Row>&& newRows)
    {
        rows = std::move (newRows);
        setVisible (! rows.empty());
        repaint();
    }

    int ExportPage::GatedTrackList::getRequiredHeight() const
    {
        return rows.empty() ? 0 : 54;
    }
}
