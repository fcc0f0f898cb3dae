#include "app/pages/import/ImportPage.h"

#include "app/AppState.h"
#include "app/pages/import/ImportRows.h"
#include "ui/Fonts.h"
#include "ui/TableColumnSetup.h"
#include "ui/WidthSqueeze.h"

#include <cmath>

// The track table's columns: what they are, and the widths that follow their texts.
namespace korvid::ui
{
    namespace
    {
        constexpr TableColumnSetup columnSetups[] = {
            { importColumn::file,     "File",     260, 140 },
            { importColumn::preview,  "Preview",  150, 60 },
            { importColumn::cue,      "Cue",      130, 70 },
            { importColumn::format,   "Format",   66,  50 },
            { importColumn::duration, "Duration", 88,  70 },
            { importColumn::rate,     "Rate",     76,  60 },
            { importColumn::depth,    "Depth",    80,  60 },
            { importColumn::channels, "Ch",       56,  40 },
            { importColumn::stem,     "Stem",     160, 100 },
            { importColumn::status,   "Status",   200, 120 }
        };

        // A text cell keeps 6 px a side; a few more keep a text clear of its neighbour.
        constexpr int cellMargins = 20;
    }

    void ImportPage::addColumns()
    {
        auto& header = trackTable.getHeader();
        const int flags = juce::TableHeaderComponent::visible | juce::TableHeaderComponent::resizable
                        | juce::TableHeaderComponent::draggable | juce::TableHeaderComponent::appearsOnColumnMenu;

        for (const auto& setup : columnSetups)
        {
            const int sortFlag = setup.id == importColumn::preview ? 0 : juce::TableHeaderComponent::sortable;
            header.addColumn (setup.header, setup.id, setup.width, setup.minimum, -1, flags | sortFlag);
        }

        header.setSortColumnId (sortColumnId, sortForwards);
    }

    juce::Rectangle<int> ImportPage::statusWordsArea (int width, int height)
    {
        // The badge starts 6 px in, the words 6 px after it and stop 6 px before the edge.
        const int x = juce::jmax (0, juce::jmin (width - 12, statusBadgeWidth)) + 12;
        return { x, 0, juce::jmax (0, width - x - 6), juce::jmax (0, height) };
    }

    juce::String ImportPage::statusWordsOf (const Track& track)
    {
        return track.matchedKeywords.joinIntoString (", ");
    }

    int ImportPage::textWidth (const juce::String& text)
    {
        const auto found = textWidths.find (text);

        if (found != textWidths.end())
            return found->second;

        const auto width = (int) std::ceil (bodyFont().getStringWidthFloat (text));
        textWidths.emplace (text, width);
        return width;
    }

    void ImportPage::measureColumnTexts (Remeasure what)
    {
        auto& widest = widestTexts;

        if (what == Remeasure::all)
            widest.fill (0);

        widest[importColumn::stem] = 0;
        widest[importColumn::status] = 0;

        // Any stem of the schema may come to a row: the column keeps the room of the longest,
        // so it stays put while tracks are assigned.
        for (const auto& stem : appState.session.getPreset().schema.stems)
            widest[importColumn::stem] = juce::jmax (widest[importColumn::stem], textWidth (stem.displayName));

        constexpr int anyWidth = 1000;
        const int wordsMargins = anyWidth - statusWordsArea (anyWidth, rowHeight).getWidth();

        for (const auto& id : rows)
        {
            const auto* track = appState.session.findTrack (id);

            if (track == nullptr)
                continue;

            const auto widen = [this, &widest] (int column, const juce::String& text, int margins)
            {
                widest[(size_t) column] = juce::jmax (widest[(size_t) column], textWidth (text) + margins);
            };

            // The words after the badge, or the error in place of both.
            if (! track->isUsable())
                widen (importColumn::status, track->error, cellMargins);
            else if (! track->matchedKeywords.isEmpty())
                widen (importColumn::status, statusWordsOf (*track), wordsMargins);

            if (what != Remeasure::all)
                continue;

            widen (importColumn::file, track->file.getFileName(), 0);

            if (const auto* cue = appState.session.findCue (track->cueId))
                widen (importColumn::cue, cue->name, 0);

            widen (importColumn::format, track->info.formatName, 0);
            widen (importColumn::duration, track->info.durationText(), 0);
            widen (importColumn::rate, track->info.sampleRateText(), 0);
            widen (importColumn::depth, track->info.bitDepthText(), 0);
            widen (importColumn::channels, track->info.channelsText(), 0);
        }
    }

    void ImportPage::autoSizeColumns (Remeasure what)
    {
        auto& header = trackTable.getHeader();

        // The widths are applied on every status update, but the texts are measured again
        // only when the listed tracks or their texts can have changed.
        if (what != Remeasure::none)
            measureColumnTexts (what);

        // A column is its minimum and slices of room above it, each giving way in its turn
        // when the table is short of room: first the picture and the room no text needs;
        // then a cue name past its first words (the tooltip names the cue whole); then file
        // names and matched words together, each read whole in its tooltip; last the stem
        // and the first words of a cue. Figures and formats keep their room.
        enum Turn { spareRoom, longCueNames, texts, names };
        constexpr int cueNameFirstWords = 140;
        const auto& widest = widestTexts;
        std::vector<int> columns;
        std::vector<SqueezableWidth> items;
        std::vector<size_t> firstItemOf;

        const auto addColumn = [&] (int column, int minimum, std::initializer_list<std::pair<int, Turn>> slices)
        {
            columns.push_back (column);
            firstItemOf.push_back (items.size());
            items.push_back ({ minimum, minimum, spareRoom });

            for (const auto& [room, turn] : slices)
                items.push_back ({ juce::jmax (0, room), 0, turn });
        };

        for (int i = 0; i < header.getNumColumns (true); ++i)
        {
            const int column = header.getColumnIdOfIndex (i, true);
            const auto& setup = findColumnSetup (columnSetups, column);
            const int minimum = setup.minimum;
            const int headerWidth = textWidth (header.getColumnName (column)) + cellMargins;
            const int text = widest[(size_t) column];

            switch (column)
            {
                case importColumn::preview:
                    addColumn (column, minimum, { { setup.width - minimum, spareRoom } });
                    break;

                case importColumn::file:
                {
                    const int needed = juce::jmax (minimum, juce::jmin (620, text + cellMargins));
                    addColumn (column, minimum, { { needed - minimum, texts }, { 200 - needed, spareRoom } });
                    break;
                }

                case importColumn::cue:
                {
                    const int needed = juce::jmax (minimum, juce::jmin (320, text + cellMargins));
                    const int firstWords = juce::jmin (needed, cueNameFirstWords);
                    addColumn (column, minimum, { { firstWords - minimum, names }, { needed - firstWords, longCueNames },
                                                  { 90 - needed, spareRoom } });
                    break;
                }

                case importColumn::status:
                    addColumn (column, minimum, { { juce::jmax (headerWidth, text) - minimum, texts } });
                    break;

                case importColumn::stem:
                    addColumn (column, minimum, { { juce::jmax (headerWidth, text + 30) - minimum, names } });
                    break;

                default:
                    addColumn (column, juce::jmax (minimum, headerWidth, text + cellMargins), {});
                    break;
            }
        }

        // Every column ends where the table can show it.
        const int available = trackTable.getWidth() - trackTable.getViewport()->getScrollBarThickness();
        const auto widths = squeezeWidths (items, available);

        for (size_t c = 0; c < columns.size(); ++c)
        {
            const auto end = c + 1 < columns.size() ? firstItemOf[c + 1] : items.size();
            int width = 0;

            for (auto i = firstItemOf[c]; i < end; ++i)
                width += widths[i];

            header.setColumnWidth (columns[c], width);
        }
    }
}
