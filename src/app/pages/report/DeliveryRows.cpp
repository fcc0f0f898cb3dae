#include "app/pages/report/ReportPage.h"

#include "app/pages/report/ReportTexts.h"

// What a delivered-files row holds and how two rows order in a column.
namespace korvid::ui
{
    namespace
    {
        template <typename Number>
        int compareNumbers (Number a, Number b)
        {
            return a < b ? -1 : (b < a ? 1 : 0);
        }

        int sign (int value)
        {
            return value < 0 ? -1 : (value > 0 ? 1 : 0);
        }
    }

    std::vector<ReportPage::DeliveryRow> ReportPage::DeliveryTable::rowsForCue (const CueReport& cue)
    {
        std::vector<DeliveryRow> result;
        result.reserve (cue.files.size());

        for (const auto& written : cue.files)
        {
            DeliveryRow row;
            row.fileName = written.file.getFileName();
            row.path = written.file.getFullPathName();
            row.overview = written.overview;
            row.kind = static_cast<int> (written.kind);
            row.format = written.formatDescription;
            row.sizeBytes = written.sizeBytes;
            row.lengthSeconds = written.overview.lengthSeconds;

            if (written.levelDb > -399.0)
            {
                row.peakDb = written.levelDb;
                row.hasPeak = true;
            }

            for (const auto& stem : cue.stems)
            {
                if (! stem.displayName.equalsIgnoreCase (written.label))
                    continue;

                row.trackCount = stem.trackCount;

                // A cue that stopped early never measured some stems: no figure beats a made-up one.
                if (! row.hasPeak && cue.showsPeakAfter (stem))
                {
                    row.peakDb = stem.peakAfterDb;
                    row.hasPeak = true;
                }

                if (stem.digitalSilence)
                    row.status = "digital silence";

                if (! stem.errors.isEmpty())
                {
                    row.status = stem.errors[0];
                    row.problem = true;
                }

                break;
            }

            if (written.kind == FileKind::alternativeMix && written.ownGain)
                row.status = "own gain, not the exact sum of its stems";

            result.push_back (std::move (row));
        }

        return result;
    }

    int ReportPage::DeliveryTable::compareRows (const DeliveryRow& a, const DeliveryRow& b, int columnId)
    {
        switch (columnId)
        {
            case fileColumn:    return compareFileNamesNaturally (a.fileName, b.fileName);
            case kindColumn:    return compareNumbers (a.kind, b.kind);
            case tracksColumn:  return compareNumbers (a.trackCount, b.trackCount);
            case lengthColumn:  return compareNumbers (a.lengthSeconds, b.lengthSeconds);
            case sizeColumn:    return compareNumbers (a.sizeBytes, b.sizeBytes);
            case formatColumn:  return sign (a.format.compareNatural (b.format, false));
            case statusColumn:  return sign (a.status.compareNatural (b.status, false));

            case peakColumn:
                if (a.hasPeak != b.hasPeak)
                    return a.hasPeak ? -1 : 1;

                return compareNumbers (a.peakDb, b.peakDb);

            default:
                return 0;
        }
    }
}
